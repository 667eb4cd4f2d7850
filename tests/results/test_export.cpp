// The results export: what goes into which cell, read back from the written
// file by two independent readers (python3-xlrd, and gnumeric's ssconvert),
// and how the command behaves on cancel and on failure.  The open action is
// replaced, so no test starts another program.
#include "ResultsExport.h"
#include "ResultsFixtures.h"
#include "QtPrinters.h"
#include "ScriptedDialogs.h"
#include "Cp1250.h"
#include "vteExcel.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

ResultRow Result(const QString &caption, const char *penalized, int lap, int penalty, std::vector<DayTime> splits = {})
{
    ResultRow r = ::Result(0, penalized, lap, penalty, std::move(splits));
    r.caption = caption;
    return r;
}

// Two racers: one with two split times in the note, one with a penalty and
// no note; then a racer with penalty 0 and no note.
std::vector<ResultRow> SmallRace()
{
    return {Result(QStringLiteral("7 (Novák Jan (M))"), "00:15:00,000", 3, 0, {T("00:10:00,000"), T("00:05:00,000")}),
            Result(QStringLiteral("8 (Dvořák \"Eda\" (Ž))"), "00:16:10,000", 2, 10)};
}

struct RunResult {
    int status = -1;
    QString output;
};

RunResult RunProgram(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments);
    RunResult result;
    if (!process.waitForFinished(60000)) {
        result.output = QStringLiteral("did not finish: ") + process.errorString();
        return result;
    }
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = QString::fromUtf8(process.readAllStandardOutput());
    if (result.status != 0)
        result.output += QString::fromUtf8(process.readAllStandardError());
    return result;
}

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        SetOpenActionForTesting([this](const QString &path) { opened << path; });
    }
    void TearDown() override { SetOpenActionForTesting({}); }

    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

    void Export(const QString &file, std::vector<ResultRow> rows)
    {
        const auto table = Table(std::move(rows));
        dialogs.answerSave(file);
        ExportResults(dialogs, ResultsSection(*table));
    }

    // What xlrd reads from the file, one fact a line, without the
    // container's two lines.
    QStringList ReadWithXlrd(const QString &file)
    {
        const RunResult run = RunProgram(QStringLiteral("/usr/bin/python3"),
                                         {QStringLiteral(TIKOMAT_XLS_SCRIPTS "/read_workbook.py"), file,
                                          dir.filePath(QStringLiteral("stream.bin"))});
        EXPECT_EQ(run.status, 0) << run.output.toStdString();
        QStringList lines = run.output.split(u'\n', Qt::SkipEmptyParts);
        return lines.mid(2);
    }

    // Header cell line: its moment lies between the two moments around the export.
    void ExpectHeaderLine(const QString &line, const QDateTime &before, const QDateTime &after)
    {
        const QString prefix = QStringLiteral("cell 0 0 weight 100 height 200 text ") + ResultsHeaderText(QString());
        ASSERT_TRUE(line.startsWith(prefix)) << line.toStdString();
        const QString moment = line.mid(prefix.size());
        EXPECT_TRUE(moment == ExportMomentText(QLocale::system(), before)
                    || moment == ExportMomentText(QLocale::system(), after))
            << moment.toStdString();
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    QStringList opened;
};

// Everything below the header line, as xlrd reads it.
QStringList SheetWithoutHeader(const QStringList &rows)
{
    QStringList lines{
        "sheets 1", "sheet Výpis", "merged rows 0-0 cols 0-5", "merged rows 1-1 cols 0-2", "width 0 6000",
        "width 1 4000", "width 2 3000", "width 3 3000", "width 4 4000", "width 5 5000",
        // (the header cell, checked apart)
        "cell 1 0 weight 100 height 200 text    Výpis závodníků", "cell 2 0 weight 1000 height 200 text Závodník",
        "cell 2 1 weight 100 height 200 text Čas závodníka", "cell 2 2 weight 100 height 200 text Počet kol",
        "cell 2 3 weight 100 height 200 text Trestné sekundy", "cell 2 4 weight 100 height 200 text Čas startu",
        "cell 2 5 weight 100 height 200 text Poznámka"};
    for (const QString &row : rows)
        lines << QStringLiteral("weight 100 height 200 text ").prepend(row.section(u'|', 0, 0) + u' ')
                     + row.section(u'|', 1);
    return lines;
}

TEST_F(ExportTest, WritesTheResultsListAsShownAndOpensTheFile)
{
    const QString file = path("vysledky.xls");
    const QDateTime before = QDateTime::currentDateTime();
    Export(file, SmallRace());
    const QDateTime after = QDateTime::currentDateTime();

    EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages().join(u'\n').toStdString();
    ASSERT_EQ(dialogs.count(ScriptedDialogs::Asked::SaveFile), 1);
    const FileRequest &request = dialogs.asked[0].request;
    EXPECT_EQ(request.title, u"Export výsledků do .xls"_qs) << "says what is saved";
    EXPECT_EQ(request.filter, QStringLiteral("Soubory XLS (*.xls)|*.xls|Všechny soubory (*.*)|*.*"));
    EXPECT_EQ(request.defaultSuffix, QStringLiteral("xls"));
    EXPECT_EQ(opened, QStringList{file});

    QStringList lines = ReadWithXlrd(file);
    ASSERT_GT(lines.size(), 10);
    const QString header = lines.takeAt(10);
    ExpectHeaderLine(header, before, after);
    EXPECT_EQ(lines, SheetWithoutHeader({
                         "cell 3 0|7 (Novák Jan (M))", "cell 3 1|00:15:00,000", "cell 3 2|3",
                         "cell 3 3|0",  // a penalty of 0 is a text, not an empty one
                         "cell 3 4|10:00:00,000",
                         "cell 3 5|00:10:00,000   00:05:00,000",  // trailing blanks gone, inner ones kept
                         "cell 4 0|8 (Dvořák \"Eda\" (Ž))", "cell 4 1|00:16:10,000", "cell 4 2|2", "cell 4 3|10",
                         "cell 4 4|10:00:00,000",  // no note: no cell F
                     }));
}

TEST_F(ExportTest, AnEmptyResultsListGivesHeaderTitleAndColumnTitlesOnly)
{
    const QString file = path("prazdne.xls");
    Export(file, {});
    EXPECT_TRUE(dialogs.messages().isEmpty());
    QStringList lines = ReadWithXlrd(file);
    ASSERT_GT(lines.size(), 10);
    lines.removeAt(10);
    EXPECT_EQ(lines, SheetWithoutHeader({}));
}

TEST_F(ExportTest, ASecondReaderSeesTheSameSheet)
{
    const QString file = path("gnumeric.xls");
    Export(file, SmallRace());
    const QString csv = dir.filePath(QStringLiteral("gnumeric.csv"));
    const RunResult run = RunProgram(QStringLiteral("ssconvert"),
                                     {QStringLiteral("--export-type=Gnumeric_stf:stf_csv"), file, csv});
    ASSERT_EQ(run.status, 0) << "ssconvert (gnumeric) must read the file: " << run.output.toStdString();
    QFile in(csv);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(in.readAll()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[0].contains(ResultsHeaderText(QString()).trimmed())) << lines[0].toStdString();
    EXPECT_EQ(lines.mid(1),
              (QStringList{
                  "\"   Výpis závodníků\",,,,,",
                  "Závodník,\"Čas závodníka\",\"Počet kol\",\"Trestné sekundy\",\"Čas startu\",Poznámka",
                  "\"7 (Novák Jan (M))\",\"00:15:00,000\",3,0,\"10:00:00,000\",\"00:10:00,000   00:05:00,000\"",
                  "\"8 (Dvořák \"\"Eda\"\" (Ž))\",\"00:16:10,000\",2,10,\"10:00:00,000\",",
              }));
}

TEST_F(ExportTest, ExportingAgainToTheSameFileReplacesIt)
{
    const QString file = path("znovu.xls");
    Export(file, SmallRace());
    Export(file, {Result(QStringLiteral("9 (Malá Eva (Z))"), "00:20:00,000", 1, 0)});
    EXPECT_TRUE(dialogs.messages().isEmpty());
    QStringList lines = ReadWithXlrd(file);
    ASSERT_GT(lines.size(), 10);
    lines.removeAt(10);
    EXPECT_EQ(lines, SheetWithoutHeader({"cell 3 0|9 (Malá Eva (Z))", "cell 3 1|00:20:00,000", "cell 3 2|1",
                                         "cell 3 3|0", "cell 3 4|10:00:00,000"}));
    EXPECT_EQ(opened, (QStringList{file, file}));
}

TEST_F(ExportTest, CancelWritesNothing)
{
    const auto table = Table(SmallRace());
    dialogs.answerSave(std::nullopt);
    ExportResults(dialogs, ResultsSection(*table));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

TEST_F(ExportTest, FailuresAreShownAndNothingIsOpened)
{
    struct Case {
        const char *name;
        QString file;
        int rows;
    };
    const std::vector<Case> cases{
        {"folder that does not exist", path("chybi/vysledky.xls"), 2},
        {"more rows than a sheet holds", path("velke.xls"), MaxExportedRows + 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.asked.clear();
        std::vector<ResultRow> rows(size_t(c.rows), Result(QStringLiteral("5 ()"), "00:01:00,000", 1, 0));
        Export(c.file, rows);
        const QStringList messages = dialogs.messages();
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Chyba při ukládání: "))) << messages[0].toStdString();
        EXPECT_GT(messages[0].size(), QStringLiteral("Chyba při ukládání: ").size()) << "with the error's own text";
        EXPECT_FALSE(QFile::exists(c.file));
        EXPECT_TRUE(opened.isEmpty());
    }
}

TEST_F(ExportTest, ASheetHoldsExactlyAsManyRowsAsItCanAddress)
{
    const auto table = Table(
        std::vector<ResultRow>(size_t(MaxExportedRows), Result(QStringLiteral("5 ()"), "00:01:00,000", 1, 0)));
    TvteXLSWorkbook book;
    TvteXLSWorksheet *sheet = book.AddSheet();
    FillResultsSheet(*sheet, ResultsSection(*table), QStringLiteral("1.1.26"));
    EXPECT_EQ(sheet->LastRow(), 65535);
}

TEST_F(ExportTest, OneCategoryIsItsOwnRowsUnderACaptionNamingIt)
{
    const auto table = Table({Result(QStringLiteral("7 (Novák Jan (MX1))"), "00:15:00,000", 3, 0),
                              Result(QStringLiteral("8 (Malý Petr (MX2))"), "00:15:30,000", 3, 0),
                              Result(QStringLiteral("9 (Malá Eva (mx1))"), "00:16:00,000", 3, 5)},
                             {"MX1", "MX2", "mx1"});
    const QString file = path("mx1.xls");
    dialogs.answerSave(file);
    ExportResults(dialogs, ResultsSection(*table, table->findCategory(QStringLiteral("MX1"))));
    EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages().join(u'\n').toStdString();

    QStringList lines = ReadWithXlrd(file);
    ASSERT_GT(lines.size(), 10);
    lines.removeAt(10);
    QStringList expected = SheetWithoutHeader(
        {"cell 3 0|7 (Novák Jan (MX1))", "cell 3 1|00:15:00,000", "cell 3 2|3", "cell 3 3|0", "cell 3 4|10:00:00,000",
         "cell 4 0|9 (Malá Eva (mx1))", "cell 4 1|00:16:00,000", "cell 4 2|3", "cell 4 3|5", "cell 4 4|10:00:00,000"});
    expected.replace(1, QStringLiteral("sheet MX1"));
    expected.replace(10, QStringLiteral("cell 1 0 weight 100 height 200 text    Výpis závodníků – MX1"));
    EXPECT_EQ(lines, expected);
}

TEST(ResultsSheetNames, CategoriesNameTheirSheetsWithinWhatASheetNameHolds)
{
    struct Case {
        const char *name;
        std::vector<QString> categories;  // one a row, each its own category
        QStringList sheets;
    };
    const QString long31 = QStringLiteral("Veteráni nad šedesát let, muži A");  // 32 characters
    const std::vector<Case> cases{
        {"Plain", {"MX1", "VETERÁN"}, {"MX1", "VETERÁN"}},
        // Cut to 31, the blank the cut leaves at the end dropped.
        {"CutTo31", {long31}, {QStringLiteral("Veteráni nad šedesát let, muži")}},
        {"CutNamesMadeUnique",
         {long31, QStringLiteral("Veteráni nad šedesát let, muži B")},
         {QStringLiteral("Veteráni nad šedesát let, muži"), QStringLiteral("Veteráni nad šedesát let, m (2)")}},
        {"CharactersASheetNameCannotHold", {"M/40 [A]: *?", "a\\b"}, {"a_b", "M_40 _A__ __"}},
        {"LettersCodePage1250Lacks", {QStringLiteral("Ženy 😀")}, {QStringLiteral("Ženy _")}},
        {"EndsLooseApostrophes", {"'Open'"}, {"Open"}},
        {"RacersWithoutCategoryLast", {"", "OPEN"}, {"OPEN", "<nezadáná kategorie>"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<ResultRow> rows;
        for (size_t k = 0; k < c.categories.size(); ++k)
            rows.push_back(::Result(int(k) + 1, "00:10:00,000", 1, 0));
        const auto table = Table(rows, c.categories);
        QStringList sheets;
        for (const std::string &name : ResultsSheetNames(CategorySections(*table)))
            sheets << FromCp1250(QByteArray::fromStdString(name));
        EXPECT_EQ(sheets, c.sheets);
    }
}

struct MomentCase {
    const char *name;
    QLocale locale;
    QDateTime moment;
    const char *expected;
};

TEST(ExportMoment, ShortDateAndLongTimeWithoutZoneDateAloneAtMidnight)
{
    const QLocale czech(QLocale::Czech, QLocale::Czechia);
    const QDate day(2026, 12, 10);
    const std::vector<MomentCase> cases{
        {"Czech", czech, QDateTime(day, QTime(9, 5, 7)), "10.12.26 9:05:07"},
        {"Czech at midnight", czech, QDateTime(day, QTime(0, 0)), "10.12.26"},
        {"Czech just after midnight", czech, QDateTime(day, QTime(0, 0, 0, 1)), "10.12.26 0:00:00"},
        {"C", QLocale::c(), QDateTime(day, QTime(21, 5, 7)), "10 Dec 2026 21:05:07"},
    };
    for (const MomentCase &c : cases)
        EXPECT_EQ(ExportMomentText(c.locale, c.moment), QString::fromUtf8(c.expected)) << c.name;
}

}  // namespace
