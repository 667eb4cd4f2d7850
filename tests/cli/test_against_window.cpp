// tikomat-results against the window: the same data file (and racer file)
// opened in the real main window and given to the command must give the same
// results list, row for row and cell for cell, in both laps modes, overall and
// for each category (the results page, the spectator window and the command
// each showing one category); and its workbook must be the sheet that
// "Export..." writes, one category's too.
#include "CategoryBox.h"
#include "CategoryBox.h"
#include "CommandRunner.h"
#include "Controls.h"
#include "SpectatorWindow.h"
#include "EventLog.h"
#include "MainWindowFixture.h"
#include "RaceFiles.h"
#include "ResultsExport.h"
#include "ResultsLists.h"
#include "ScriptedDialogs.h"
#include "Startup.h"
#include "PdfText.h"
#include "main.h"
#include "RacerTable.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int Start = RaceStartNumber;

// The rows of a CSV text as the command writes it (";" separated, fields in
// double quotes with doubled quotes inside, CR LF).
std::vector<QStringList> ParseCsv(const QString &text)
{
    std::vector<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u';') {
            row << field;
            field.clear();
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            row << field;
            field.clear();
            rows.push_back(row);
            row.clear();
            ++i;
        } else {
            field += c;
        }
    }
    EXPECT_TRUE(row.isEmpty() && field.isEmpty()) << "the last line is not ended";
    return rows;
}

struct WindowCase {
    const char *name;
    std::vector<Passage> passages;
    std::vector<RacerRow> racers;  // empty: no racer file
    int lapsMode;
    int rows;  // in the window's results list, so that no comparison is of two empty lists by mistake
};

std::vector<RacerRow> Racers()
{
    return {{7, QStringLiteral("Novák Jan"), QStringLiteral("M")},
            {8, QStringLiteral("Dvořák \"Eda\"; st."), QStringLiteral("M;40")},
            {9, QStringLiteral("Malá Eva"), std::nullopt},
            {11, std::nullopt, QStringLiteral("Ž")}};
}

std::vector<Passage> LapRace()
{
    return {{7, "09:59:00,000"},     {Start, "10:00:00,000"}, {9, "10:04:00,000"},     {7, "10:05:00,000"},
            {8, "10:06:00,000", 5},  {9, "10:09:00,000"},     {7, "10:10:00,000", 10}, {8, "10:12:00,000"},
            {11, "10:13:00,000"},    {9, "10:14:30,000"},     {7, "10:15:00,000"},     {12, "10:15:00,300"},
            {Start, "10:30:00,000"}, {8, "10:41:00,000"}};
}

const std::vector<WindowCase> &WindowCases()
{
    static const std::vector<WindowCase> cases = {
        {"MostLapsWithRacers", LapRace(), Racers(), 0, 5},
        {"LapsIgnoredWithRacers", LapRace(), Racers(), 1, 11},
        {"MostLapsWithoutRacerFile", LapRace(), {}, 0, 5},
        {"NoRaceStartNothingRanked", {{7, "10:05:00,000"}, {8, "10:06:00,000"}}, Racers(), 0, 0},
    };
    return cases;
}

class WindowFixture : public MainWindowFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dataHome.isValid());
        ASSERT_NO_FATAL_FAILURE(MainWindowFixture::SetUp());
        main().show();
    }
    void TearDown() override
    {
        SetOpenActionForTesting({});
        MainWindowFixture::TearDown();
    }

    void click(const char *name) { QTest::mouseClick(Control<QPushButton>(main(), name), Qt::LeftButton); }
    // "Export..." of the results page as it stands; where the workbook went.
    QString ExportFromWindow()
    {
        const QString exported = dir.filePath(QStringLiteral("export.xls"));
        SetOpenActionForTesting([](const QString &) {});
        dialogs.answerSave(exported);
        click("btnExpr");
        return exported;
    }

    // Writes the case's files and opens them in the window; returns the
    // command's arguments for the same files and mode.
    QStringList OpenInWindow(const WindowCase &c)
    {
        QStringList arguments;
        const QString data = dir.filePath(QStringLiteral("závod.csvz"));
        EXPECT_TRUE(WriteBytes(data, DataFileBytes(c.passages)));
        if (!c.racers.empty()) {
            const QString racers = dir.filePath(QStringLiteral("závodníci.racerlist"));
            EXPECT_TRUE(WriteBytes(racers, RacerFileText(c.racers)));
            // The racer page's "Otevřít..." does this; its binding is tested with the page.
            main().Racers()->setRows(LoadRacerFile(racers));
            arguments << QStringLiteral("--racers") << racers;
        }
        dialogs.answerOpen(data);
        click("Button28");
        Control<QComboBox>(main(), "cbRezimKol")->setCurrentIndex(c.lapsMode);
        EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages().join(u'\n').toStdString();
        arguments << QStringLiteral("--laps") << (c.lapsMode == 0 ? QStringLiteral("most") : QStringLiteral("none"))
                  << data;
        return arguments;
    }

    const ResultsListModel &WindowResults()
    {
        auto *model = qobject_cast<const ResultsListModel *>(Control<QTableView>(main(), "lv1")->model());
        EXPECT_NE(model, nullptr);
        return *model;
    }

    CommandRun Run(const QStringList &arguments) { return RunResultsProgram(arguments, dir.path(), dataHome.path()); }

    QTemporaryDir dataHome;
};

class AgainstWindowTest : public WindowFixture, public ::testing::WithParamInterface<WindowCase> {};

TEST_P(AgainstWindowTest, CsvHoldsWhatTheResultsPageShows)
{
    const WindowCase &c = GetParam();
    const QStringList arguments = OpenInWindow(c) << QStringLiteral("--csv") << QStringLiteral("-");
    const ResultsListModel &shown = WindowResults();
    ASSERT_EQ(shown.rowCount(), c.rows);

    const CommandRun run = Run(arguments);
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    const std::vector<QStringList> rows = ParseCsv(QString::fromUtf8(run.out));
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), ResultsSheetColumnTitles());
    ASSERT_EQ(int(rows.size()) - 1, shown.rowCount());
    for (int r = 0; r < shown.rowCount(); ++r) {
        QStringList expected;
        // The list's own cells: the sheet trims all but the racer.
        for (int col = 0; col < ResultsSheetColumns; ++col) {
            const QString cell = shown.text(r, ResultsListModel::Column(col));
            expected << (col == ResultsListModel::Caption ? cell : cell.trimmed());
        }
        EXPECT_EQ(rows[size_t(r) + 1], expected) << "row " << r;
    }
}

INSTANTIATE_TEST_SUITE_P(Races, AgainstWindowTest, ::testing::ValuesIn(WindowCases()),
                         [](const auto &p) { return std::string(p.param.name); });

// What xlrd reads from a workbook, less the container's two lines and the
// header cell, whose moment differs between two exports.
QStringList SheetFacts(const QString &workbook, const QString &scratch)
{
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(TIKOMAT_XLS_SCRIPTS "/read_workbook.py"), workbook, scratch});
    EXPECT_TRUE(reader.waitForFinished(60000));
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().constData();
    QStringList lines = QString::fromUtf8(reader.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts).mid(2);
    const qsizetype header = lines.indexOf(QRegularExpression(QStringLiteral("^cell 0 0 .*Generováno: .+$")));
    EXPECT_GE(header, 0) << lines.join(u'\n').toStdString();
    if (header >= 0)
        lines.removeAt(header);
    return lines;
}

TEST_F(WindowFixture, WorkbookIsTheSheetOfExport)
{
    const QStringList arguments = OpenInWindow(WindowCases().front());

    const QString exported = ExportFromWindow();
    ASSERT_TRUE(QFile::exists(exported));

    const QString written = dir.filePath(QStringLiteral("command.xls"));
    const CommandRun run = Run(QStringList(arguments) << QStringLiteral("--xls") << written);
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());

    const QStringList fromWindow = SheetFacts(exported, dir.filePath(QStringLiteral("s1")));
    EXPECT_GT(fromWindow.size(), 20);
    EXPECT_EQ(SheetFacts(written, dir.filePath(QStringLiteral("s2"))), fromWindow);
}

// The window's results list as the sheet's cells, row by row.
std::vector<QStringList> ListCells(const ResultsListModel &list)
{
    std::vector<QStringList> rows;
    for (int r = 0; r < list.rowCount(); ++r) {
        QStringList cells;
        for (int col = 0; col < ResultsSheetColumns; ++col) {
            const QString cell = list.text(r, ResultsListModel::Column(col));
            cells << (col == ResultsListModel::Caption ? cell : cell.trimmed());
        }
        rows.push_back(cells);
    }
    return rows;
}

// Racers of four categories, two spelt in two letter cases, and racers
// without one or not in the table.
std::vector<RacerRow> CategoryRacers()
{
    return {{7, QStringLiteral("Novák Jan"), QStringLiteral("MX1")},
            {8, QStringLiteral("Dvořák Eda"), QStringLiteral("mx1")},
            {9, QStringLiteral("Malá Eva"), QStringLiteral("Ženy")},
            {10, QStringLiteral("Veselý Petr"), QStringLiteral("VETERÁN")},
            {11, QStringLiteral("Nováková Jana"), QStringLiteral("ženy")},
            {12, QStringLiteral("Bez Kategorie"), std::nullopt}};
}

std::vector<Passage> CategoryRace()
{
    return {{Start, "10:00:00,000"}, {7, "10:04:00,000"},  {8, "10:04:30,000", 40}, {9, "10:05:00,000"},
            {10, "10:05:10,000"},    {11, "10:05:20,000"}, {12, "10:05:30,000"},    {13, "10:05:40,000"},
            {7, "10:09:00,000"},     {9, "10:09:30,000"},  {8, "10:10:00,000"},     {11, "10:10:05,000"},
            {10, "10:12:00,000"}};
}

const std::vector<WindowCase> &CategoryCases()
{
    static const std::vector<WindowCase> cases = {
        {"MostLaps", CategoryRace(), CategoryRacers(), 0, 7},
        {"LapsIgnored", CategoryRace(), CategoryRacers(), 1, 12},
    };
    return cases;
}

class CategoryAgainstWindowTest : public WindowFixture, public ::testing::WithParamInterface<WindowCase> {};

TEST_P(CategoryAgainstWindowTest, EachCategoryAgreesInTheListTheSpectatorWindowAndTheCommand)
{
    const WindowCase &c = GetParam();
    const QStringList arguments = OpenInWindow(c);
    const ResultsListModel &shown = WindowResults();
    ASSERT_EQ(shown.rowCount(), c.rows);
    // The whole ranking's rank in the category, as the command's JSON has it.
    QStringList windowRanks;
    for (int r = 0; r < shown.rowCount(); ++r)
        windowRanks << shown.text(r, ResultsListModel::Caption) + u' ' + shown.text(r, ResultsListModel::CategoryRank);
    const CommandRun json = Run(QStringList(arguments) << QStringLiteral("--json") << QStringLiteral("-"));
    ASSERT_EQ(json.code, 0) << json.err.toStdString();
    QStringList commandRanks;
    for (const QJsonValue &row : QJsonDocument::fromJson(json.out).object().value("results").toArray())
        commandRanks << row["caption"].toString() + u' ' + QString::number(row["categoryRank"].toInt()) + u'.';
    EXPECT_EQ(commandRanks, windowRanks);

    auto *pageChoice = Control<CategoryBox>(main(), "cbKategorie");
    auto *displayChoice = Control<CategoryBox>(main(), "cbDispKategorie");
    EXPECT_EQ(displayChoice->currentText(), QStringLiteral("Všechny"));
    QStringList items;
    for (int i = 0; i < pageChoice->count(); ++i)
        items << pageChoice->itemText(i);
    // Categories by name, the best placed racer's spelling; no category last.
    ASSERT_EQ(items, (QStringList{"Všechny", "MX1", "VETERÁN", "Ženy", "<nezadáná kategorie>"}));
    const QString leader = Control<QLabel>(main(), "lblVitez")->text();

    const SpectatorListModel &spectators = windows.frmDisplay->Board().list();
    for (int i = 1; i < pageChoice->count(); ++i) {
        const QString category = items[i];
        SCOPED_TRACE(category.toStdString());
        pageChoice->setCurrentIndex(i);
        displayChoice->setCurrentIndex(i);
        EXPECT_EQ(Control<QLabel>(main(), "lblVitez")->text(), leader) << "the leader stays overall";
        const std::vector<QStringList> listed = ListCells(shown);
        ASSERT_FALSE(listed.empty());

        // The command, asked for the category in another letter case.
        const CommandRun run = Run(QStringList(arguments) << QStringLiteral("--category") << category.toLower()
                                                          << QStringLiteral("--csv") << QStringLiteral("-"));
        ASSERT_EQ(run.code, 0) << run.err.toStdString();
        const std::vector<QStringList> rows = ParseCsv(QString::fromUtf8(run.out));
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(std::vector<QStringList>(rows.begin() + 1, rows.end()), listed);

        // The spectator window: the same racers, ranked 1., 2., ... within the category.
        ASSERT_EQ(spectators.rowCount(), int(listed.size()));
        for (int r = 0; r < spectators.rowCount(); ++r) {
            EXPECT_EQ(spectators.text(r, SpectatorListModel::Caption), listed[size_t(r)][0]);
            EXPECT_EQ(spectators.text(r, SpectatorListModel::Rank), QString::number(r + 1) + u'.');
        }
    }
}

TEST_P(CategoryAgainstWindowTest, ByCategoryWorkbookHoldsASheetPerCategoryAsTheListShowsIt)
{
    const WindowCase &c = GetParam();
    const QStringList arguments = OpenInWindow(c);
    const QString written = dir.filePath(QStringLiteral("kategorie.xls"));
    const CommandRun run = Run(QStringList(arguments)
                               << QStringLiteral("--by-category") << QStringLiteral("--xls") << written);
    ASSERT_EQ(run.code, 0) << run.err.toStdString();

    // What xlrd reads: per sheet its name and its cells below the header.
    std::map<QString, std::vector<QStringList>> sheets;
    QStringList order;
    QString sheet;
    for (const QString &line : SheetFacts(written, dir.filePath(QStringLiteral("s")))) {
        if (line.startsWith(QLatin1String("sheet "))) {
            sheet = line.mid(6);
            order << sheet;
            continue;
        }
        static const QRegularExpression cell(QStringLiteral("^cell (\\d+) (\\d+) weight \\d+ height \\d+ text (.*)$"));
        const QRegularExpressionMatch m = cell.match(line);
        if (!m.hasMatch() || m.captured(1).toInt() < 3)
            continue;
        std::vector<QStringList> &rows = sheets[sheet];
        const size_t row = size_t(m.captured(1).toInt() - 3);
        if (rows.size() <= row)
            rows.resize(row + 1, QStringList(ResultsSheetColumns, QString()));
        rows[row][m.captured(2).toInt()] = m.captured(3);
    }
    EXPECT_EQ(order, (QStringList{"MX1", "VETERÁN", "Ženy", "<nezadáná kategorie>"}));

    auto *pageChoice = Control<CategoryBox>(main(), "cbKategorie");
    for (const QString &name : order) {
        SCOPED_TRACE(name.toStdString());
        pageChoice->setCurrentIndex(pageChoice->findText(name));
        EXPECT_EQ(sheets[name], ListCells(WindowResults()));
    }
}

INSTANTIATE_TEST_SUITE_P(Races, CategoryAgainstWindowTest, ::testing::ValuesIn(CategoryCases()),
                         [](const auto &p) { return std::string(p.param.name); });

// A race sheet beside the data file (a rule for every category, a DSQ with
// its reason, a DNF, a DNS given to a racer who passed): the window's results
// list, the spectator list and the command agree cell for cell, the codes
// standing where the ranks would.
TEST_F(WindowFixture, StatusesAgreeInTheListTheSpectatorWindowAndTheCommand)
{
    const QString data = dir.filePath(QStringLiteral("závod.csvz"));
    ASSERT_TRUE(WriteBytes(data + QStringLiteral(".zavod.json"),
                           QStringLiteral(R"({"version": 1, "finish": [{"category": "", "laps": 2}],
                               "statuses": [{"number": 9, "status": "DSQ", "reason": "zkrácení trati"},
                                            {"number": 10, "status": "DNF"}, {"number": 12, "status": "DNS"}]})")
                               .toUtf8()));
    const QStringList arguments = OpenInWindow({"Sheet", CategoryRace(), CategoryRacers(), 0, 0});
    const ResultsListModel &shown = WindowResults();
    const std::vector<QStringList> listed = ListCells(shown);
    ASSERT_EQ(listed.size(), 7u);

    const CommandRun csv = Run(QStringList(arguments) << QStringLiteral("--csv") << QStringLiteral("-"));
    ASSERT_EQ(csv.code, 0) << csv.err.toStdString();
    const std::vector<QStringList> rows = ParseCsv(QString::fromUtf8(csv.out));
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(std::vector<QStringList>(rows.begin() + 1, rows.end()), listed);

    // The spectator list: the same cells, and the command's rank or, without
    // one, its status code in "Pořadí".
    const CommandRun json = Run(QStringList(arguments) << QStringLiteral("--json") << QStringLiteral("-"));
    ASSERT_EQ(json.code, 0) << json.err.toStdString();
    const QJsonArray results = QJsonDocument::fromJson(json.out).object().value("results").toArray();
    const SpectatorListModel &spectators = windows.frmDisplay->Board().list();
    ASSERT_EQ(spectators.rowCount(), int(listed.size()));
    ASSERT_EQ(results.size(), qsizetype(listed.size()));
    QStringList ranks;
    for (int r = 0; r < spectators.rowCount(); ++r) {
        SCOPED_TRACE(r);
        const QJsonObject row = results[r].toObject();
        EXPECT_EQ(spectators.text(r, SpectatorListModel::Caption), listed[size_t(r)][ResultsListModel::Caption]);
        EXPECT_EQ(row["caption"].toString(), listed[size_t(r)][ResultsListModel::Caption]);
        EXPECT_EQ(spectators.text(r, SpectatorListModel::PenalizedTime),
                  listed[size_t(r)][ResultsListModel::PenalizedTime]);
        EXPECT_EQ(spectators.text(r, SpectatorListModel::Lap), listed[size_t(r)][ResultsListModel::Lap]);
        EXPECT_EQ(spectators.text(r, SpectatorListModel::Note).trimmed(), listed[size_t(r)][ResultsListModel::Note]);
        const QString commandRank = row["rank"].isNull() ? row["status"].toString()
                                                         : QString::number(row["rank"].toInt()) + u'.';
        EXPECT_EQ(spectators.text(r, SpectatorListModel::Rank), commandRank);
        ranks << spectators.text(r, SpectatorListModel::Rank);
    }
    EXPECT_EQ(ranks.mid(ranks.size() - 3), (QStringList{"DNF", "DSQ", "DNS"}));
}

TEST_F(WindowFixture, ACategorysExportIsTheCommandsSheetOfIt)
{
    const QStringList arguments = OpenInWindow(CategoryCases().front());
    auto *pageChoice = Control<CategoryBox>(main(), "cbKategorie");
    pageChoice->setCurrentIndex(pageChoice->findText(QStringLiteral("Ženy")));

    const QString exported = ExportFromWindow();
    ASSERT_TRUE(QFile::exists(exported));

    const QString written = dir.filePath(QStringLiteral("command.xls"));
    const CommandRun run = Run(QStringList(arguments) << QStringLiteral("--category") << QStringLiteral("ženy")
                                                      << QStringLiteral("--xls") << written);
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QStringList fromWindow = SheetFacts(exported, dir.filePath(QStringLiteral("s1")));
    EXPECT_TRUE(fromWindow.contains(QStringLiteral("sheet Ženy"))) << fromWindow.join(u'\n').toStdString();
    EXPECT_EQ(SheetFacts(written, dir.filePath(QStringLiteral("s2"))), fromWindow);
}

struct PrintCase {
    const char *name;
    const char *category;                // chosen on the results page; "" for "Všechny"
    bool everyCategory;                  // "Všechny kategorie zvlášť"
    QStringList options;                 // the command's for the same pages
    std::vector<const char *> captions;  // of the pages' sections, in order
};

void PrintTo(const PrintCase &c, std::ostream *out)
{
    *out << c.name;
}

class PrintAgainstWindowTest : public WindowFixture, public ::testing::WithParamInterface<PrintCase> {};

TEST_P(PrintAgainstWindowTest, PdfPrintoutAndCommandHoldTheSameText)
{
    const PrintCase &c = GetParam();
    const QStringList arguments = OpenInWindow(WindowCases().front());
    auto *category = Control<CategoryBox>(main(), "cbKategorie");
    if (*c.category) {
        const int item = category->findText(QString::fromUtf8(c.category));
        ASSERT_GT(item, 0);
        category->setCurrentIndex(item);
    }
    auto *every = Control<QCheckBox>(main(), "cbKategorieZvlast");
    EXPECT_EQ(every->isEnabled(), !*c.category) << "ticking it means nothing for one category";
    every->setChecked(c.everyCategory);

    const QString fromPdf = dir.filePath(QStringLiteral("okno.pdf"));
    dialogs.answerSave(fromPdf);
    click("btnPdf");
    const QString fromPrinter = dir.filePath(QStringLiteral("tiskárna.pdf"));
    dialogs.printInto(fromPrinter);
    click("btnTisk");
    EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages().join(u'\n').toStdString();

    const QString fromCommand = dir.filePath(QStringLiteral("příkaz.pdf"));
    const CommandRun run = Run(QStringList(arguments) << c.options << QStringLiteral("--pdf") << fromCommand);
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();

    auto text = [](const QString &path) {
        QStringList pages = PdfFileText(path);
        for (QString &page : pages)
            page = WithoutPrintingTime(page);
        return pages;
    };
    const QStringList window = text(fromPdf);
    ASSERT_EQ(window.size(), qsizetype(c.captions.size()));
    for (size_t p = 0; p < c.captions.size(); ++p)
        EXPECT_TRUE(window[qsizetype(p)].contains(QString::fromUtf8(c.captions[p])))
            << window[qsizetype(p)].toStdString();
    EXPECT_EQ(text(fromPrinter), window);
    EXPECT_EQ(text(fromCommand), window);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PrintAgainstWindowTest,
    ::testing::Values(PrintCase{"Whole", "", false, {}, {"Výpis závodníků"}},
                      PrintCase{"OneCategory", "M;40", false, {"--category", "m;40"}, {"Výpis závodníků – M;40"}},
                      PrintCase{"EveryCategory",
                                "",
                                true,
                                {"--by-category"},
                                {"Výpis závodníků – M", "Výpis závodníků – M;40", "Výpis závodníků – Ž",
                                 "Výpis závodníků – <nezadáná kategorie>"}}),
    [](const auto &p) { return std::string(p.param.name); });

}  // namespace
