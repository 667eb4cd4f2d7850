// tikomat-results against the window: the same data file (and racer file)
// opened in the real main window and given to the command must give the same
// results list, row for row and cell for cell, in both laps modes; and its
// workbook must be the sheet that "Export..." writes.
#include "CommandRunner.h"
#include "Controls.h"
#include "EventLog.h"
#include "RaceFiles.h"
#include "ResultsExport.h"
#include "ResultsLists.h"
#include "ScriptedDialogs.h"
#include "Startup.h"
#include "main.h"
#include "sezZavodniku.h"

#include <gtest/gtest.h>

#include <QComboBox>
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
    return {{7, "09:59:00,000"},          {Start, "10:00:00,000"},     {9, "10:04:00,000"},
            {7, "10:05:00,000"},          {8, "10:06:00,000", 5},      {9, "10:09:00,000"},
            {7, "10:10:00,000", 10},      {8, "10:12:00,000"},         {11, "10:13:00,000"},
            {9, "10:14:30,000"},          {7, "10:15:00,000"},         {12, "10:15:00,300"},
            {Start, "10:30:00,000"},      {8, "10:41:00,000"}};
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

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(dataHome.isValid());
        windows = CreateWindows(dialogs, dir.filePath(QStringLiteral("log.txt")));
        ASSERT_TRUE(windows.frmMain->HasStore());
        main().show();
    }
    void TearDown() override
    {
        SetOpenActionForTesting({});
        dialogs.answerQuestion(true);
        windows = {};
        CloseLog();
    }

    TfrmMain &main() { return *windows.frmMain; }
    void click(const char *name) { QTest::mouseClick(Control<QPushButton>(main(), name), Qt::LeftButton); }

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

    QTemporaryDir dir;
    QTemporaryDir dataHome;
    ScriptedDialogs dialogs;
    TikomatWindows windows;
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

    const QString exported = dir.filePath(QStringLiteral("export.xls"));
    SetOpenActionForTesting([](const QString &) {});
    dialogs.answerSave(exported);
    click("btnExpr");
    ASSERT_TRUE(QFile::exists(exported));

    const QString written = dir.filePath(QStringLiteral("command.xls"));
    const CommandRun run = Run(QStringList(arguments) << QStringLiteral("--xls") << written);
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());

    const QStringList fromWindow = SheetFacts(exported, dir.filePath(QStringLiteral("s1")));
    EXPECT_GT(fromWindow.size(), 20);
    EXPECT_EQ(SheetFacts(written, dir.filePath(QStringLiteral("s2"))), fromWindow);
}

}  // namespace
