// "Tisk..." and "PDF..." as the results page runs them: what is asked, what
// is printed for each choice of the page, the date a printout names, and
// failures that leave no file (or no part of one) behind.
#include "AtomicFile.h"
#include "PdfText.h"
#include "QtPrinters.h"
#include "ResultsFixtures.h"
#include "ResultsPrint.h"
#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

const PrintMoment Moment{QDate(2026, 12, 10), QDateTime(QDate(2026, 12, 11), QTime(8, 5))};

std::shared_ptr<ResultsTable> ThreeCategories()
{
    return Table({Result(1, "00:10:00,000", 2, 0), Result(2, "00:10:30,000", 2, 0), Result(3, "00:11:00,000", 2, 5),
                  Result(4, "00:12:00,000", 1, 0)},
                 {QStringLiteral("MX1"), QStringLiteral("ŽENY"), QStringLiteral("MX1"), QString()});
}

bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(PrintCommandsTest, PdfAsksForAPdfFileAndWritesThePagesThere)
{
    QTemporaryDir dir;
    const auto table = ThreeCategories();
    const QString path = dir.filePath(QStringLiteral("výsledky.pdf"));
    ScriptedDialogs dialogs;
    dialogs.answerSave(path);
    SaveResultsPdf(dialogs, {ResultsSection(*table)}, Moment);

    ASSERT_EQ(dialogs.count(ScriptedDialogs::Asked::SaveFile), 1);
    EXPECT_EQ(dialogs.asked.front().request.defaultSuffix, QStringLiteral("pdf"));
    EXPECT_EQ(dialogs.asked.front().request.title, u"Výsledky do PDF"_qs);
    EXPECT_TRUE(dialogs.asked.front().request.filter.startsWith(QStringLiteral("Soubory PDF (*.pdf)|*.pdf")));
    EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages().join(u'\n').toStdString();
    const QStringList pages = PdfFileText(path);
    ASSERT_EQ(pages.size(), 1);
    for (int n = 1; n <= 4; ++n)
        EXPECT_TRUE(pages.front().contains(QStringLiteral("%1 (Závodník %1)").arg(n))) << n;

    // Cancelled: nothing asked further, nothing written.
    dialogs.answerSave(std::nullopt);
    SaveResultsPdf(dialogs, {ResultsSection(*table)}, Moment);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("výsledky.pdf")});
}

// The file-size limit stands in for a full disk: the write stops short and
// the system names the reason, as it does when the disk fills.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        IgnoreFileSizeSignal();
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_armed = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_armed)
            setrlimit(RLIMIT_FSIZE, &m_old);
    }
    bool armed() const { return m_armed; }

private:
    rlimit m_old{};
    bool m_armed = false;
};

TEST(PrintCommandsTest, PdfThatCannotBeWrittenIsReportedAndLeavesTheFolderAsItWas)
{
    struct Case {
        const char *name;
        const char *target;  // in the scratch folder, which holds "soubor" (a file) and "staré.pdf"
        int error;
    };
    for (const Case &c :
         {Case{"FolderIsAFile", "soubor/výsledky.pdf", ENOTDIR}, Case{"DiskFullOverAnOldFile", "staré.pdf", EFBIG},
          Case{"DiskFullNewFile", "nové.pdf", EFBIG}}) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        ASSERT_TRUE(WriteBytes(dir.filePath(QStringLiteral("soubor")), "x"));
        const QByteArray old = "%PDF-1.4 the results printed an hour ago";
        ASSERT_TRUE(WriteBytes(dir.filePath(QStringLiteral("staré.pdf")), old));
        const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

        const auto table = ThreeCategories();
        ScriptedDialogs dialogs;
        dialogs.answerSave(dir.filePath(QString::fromUtf8(c.target)));
        {
            FileSizeLimit limit(c.error == EFBIG ? 1000 : RLIM_INFINITY);
            ASSERT_TRUE(limit.armed());
            SaveResultsPdf(dialogs, {ResultsSection(*table)}, Moment);
        }
        ASSERT_EQ(dialogs.messages().size(), 1);
        EXPECT_EQ(dialogs.messages().front(),
                  QStringLiteral("Chyba při ukládání: ") + QString::fromLocal8Bit(std::strerror(c.error)));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
        EXPECT_EQ(ReadAll(dir.filePath(QStringLiteral("staré.pdf"))), old);
    }
}

TEST(PrintCommandsTest, PrintGoesToThePrinterOrSaysWhyItCannot)
{
    QTemporaryDir dir;
    const auto table = ThreeCategories();
    ScriptedDialogs dialogs;
    const QString printed = dir.filePath(QStringLiteral("tiskárna.pdf"));
    dialogs.printInto(printed);
    PrintResults(dialogs, PrintedSections(ResultsSection(*table), true), Moment);
    ASSERT_EQ(dialogs.count(ScriptedDialogs::Asked::Print), 1);
    EXPECT_EQ(dialogs.asked.front().title, QStringLiteral("Výpis závodníků"));
    EXPECT_TRUE(dialogs.messages().isEmpty());
    const QStringList pages = PdfFileText(printed);
    ASSERT_EQ(pages.size(), 3);  // MX1, ŽENY and the racers without a category
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Výpis závodníků – ŽENY")));

    dialogs.noPrinter(QStringLiteral("v systému není nastavena žádná tiskárna"));
    PrintResults(dialogs, {ResultsSection(*table)}, Moment);
    EXPECT_EQ(dialogs.messages(),
              QStringList{QStringLiteral("Chyba při tisku: v systému není nastavena žádná tiskárna")});
}

TEST(PrintCommandsTest, PrintedSectionsFollowThePage)
{
    const auto table = ThreeCategories();
    const auto empty = Table({});
    const int zeny = table->findCategory(QStringLiteral("ženy"));
    struct Case {
        const char *name;
        ResultsSection shown;
        bool everyCategory;
        std::vector<int> categories;  // of the printed sections, -1 the whole ranking
    };
    for (const Case &c : {Case{"Whole", ResultsSection(*table), false, {-1}},
                          Case{"EveryCategory", ResultsSection(*table), true, {0, 1, 2}},
                          Case{"OneCategoryEvenIfEveryIsTicked", ResultsSection(*table, zeny), true, {zeny}},
                          Case{"NobodyRankedYet", ResultsSection(*empty), true, {-1}}}) {
        std::vector<int> printed;
        for (const ResultsSection &section : PrintedSections(c.shown, c.everyCategory))
            printed.push_back(section.category());
        EXPECT_EQ(printed, c.categories) << c.name;
    }
}

TEST(PrintCommandsTest, RaceIsDatedByItsDataFileUnlessUnnamed)
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("závod.csvz"));
    ASSERT_TRUE(WriteBytes(data, "\"7\",\"\",\"10:00:00,000\",\"1\",\"00:00:00,000\",\"0\"\r\n"));
    QFile file(data);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2026, 6, 13), QTime(15, 0)), QFileDevice::FileModificationTime));
    file.close();
    const QDateTime now(QDate(2026, 12, 11), QTime(8, 5));

    EXPECT_EQ(PrintMomentOf(data, false, now).raceDate, QDate(2026, 6, 13));
    EXPECT_EQ(PrintMomentOf(data, true, now).raceDate, now.date());
    EXPECT_EQ(PrintMomentOf(dir.filePath(QStringLiteral("zmizelý.csvz")), false, now).raceDate, now.date());
    EXPECT_EQ(PrintMomentOf(data, false, now).printed, now);
}

}  // namespace
