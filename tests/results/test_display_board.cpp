// The spectator window's logic (refill with ranks, paging, title strip) on
// the board alone, and the window's binding of the board to its widgets.
#include "Clock.h"
#include "Display.h"
#include "DisplayBoard.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QTableView>
#include <QTest>

namespace {

DayTime T(const char *text)
{
    return TextToDayTime(QString::fromLatin1(text));
}

// A results row as the refresh makes it.
ResultRow Result(int number, const char *penalized, int lap, int penalty, std::vector<DayTime> splits = {})
{
    ResultRow r;
    auto record = std::make_shared<TRadek>();
    record->Number = number;
    r.record = record;
    r.caption = QString::number(number) + QStringLiteral(" (Závodník %1)").arg(number);
    r.number = number;
    r.lap = lap;
    r.penalty = penalty;
    r.penalized = T(penalized);
    r.start = T("10:00:00,000");
    r.splits = std::move(splits);
    return r;
}

void SetRows(ResultsListModel &model, std::vector<ResultRow> rows)
{
    model.swapRows(rows);
}

// Three racers as ranked; 8 and 9 compare equal (0.3 s apart).
std::vector<ResultRow> ThreeRacers()
{
    return {Result(7, "00:15:00,000", 3, 0, {T("00:10:00,000"), T("00:05:00,000")}),
            Result(8, "00:16:00,000", 2, 10), Result(9, "00:16:00,300", 2, 0)};
}

QStringList Column(const SpectatorListModel &list, SpectatorListModel::Column column)
{
    QStringList out;
    for (int r = 0; r < list.rowCount(); ++r)
        out << list.text(r, column);
    return out;
}

struct RefillCase {
    const char *name;
    SpectatorMode mode;
    std::vector<int> numbers;  // start numbers from the top of the list down
    QStringList ranks;
};

class SpectatorRefill : public ::testing::TestWithParam<RefillCase> {};

TEST_P(SpectatorRefill, CopiesTheResultsInTheModesOrderWithRanksInTheFifthColumn)
{
    const RefillCase &c = GetParam();
    ResultsListModel results;
    SetRows(results, ThreeRacers());
    DisplayBoard board;
    QAbstractItemModelTester tester(&board.list(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    board.Mode = c.mode;

    board.Refill(T("10:00:00,000"), results);

    const SpectatorListModel &list = board.list();
    ASSERT_EQ(list.rowCount(), int(c.numbers.size()));
    EXPECT_EQ(Column(list, SpectatorListModel::Rank), c.ranks);
    for (int r = 0; r < list.rowCount(); ++r) {
        SCOPED_TRACE(r);
        const int number = c.numbers[size_t(r)];
        int source = 0;
        while (results.row(source).number != number)
            ++source;
        // Every other column is the results row's, and the row keeps its record.
        for (auto col : {SpectatorListModel::Caption, SpectatorListModel::PenalizedTime, SpectatorListModel::Lap,
                         SpectatorListModel::Penalty, SpectatorListModel::Note})
            EXPECT_EQ(list.text(r, col), results.text(source, ResultsListModel::Column(col))) << int(col);
        EXPECT_EQ(list.recordAt(r), results.recordAt(source));
        EXPECT_EQ(list.data(list.index(r, 0), RecordRole).value<TRadekPtr>(), results.recordAt(source));
    }
    EXPECT_EQ(list.headerData(SpectatorListModel::Rank, Qt::Horizontal).toString(), QStringLiteral("Pořadí"));
    EXPECT_EQ(list.headerData(SpectatorListModel::Note, Qt::Horizontal).toString(), QStringLiteral("Poznámka"));
}

INSTANTIATE_TEST_SUITE_P(Modes, SpectatorRefill,
                         ::testing::Values(RefillCase{"Off", SpectatorMode::Off, {}, {}},
                                           RefillCase{"Winners", SpectatorMode::Winners, {7, 8, 9},
                                                      {"1.", "2.", "3."}},
                                           RefillCase{"Latest", SpectatorMode::Latest, {9, 8, 7},
                                                      {"3.", "2.", "1."}}),
                         [](const auto &p) { return std::string(p.param.name); });

TEST(DisplayBoardTest, RefillTakesTheLastStartAndReplacesTheRowsOfTheRefillBefore)
{
    ResultsListModel results;
    SetRows(results, ThreeRacers());
    DisplayBoard board;
    board.Refill(T("10:00:00,000"), results);
    EXPECT_EQ(board.LastStartTime, T("10:00:00,000"));

    SetRows(results, {Result(5, "00:01:00,000", 1, 0)});
    board.Refill(0, results);
    EXPECT_EQ(board.LastStartTime, 0);
    EXPECT_EQ(Column(board.list(), SpectatorListModel::Caption), QStringList{results.text(0, ResultsListModel::Caption)});

    board.Mode = SpectatorMode::Off;
    board.Refill(0, results);
    EXPECT_EQ(board.list().rowCount(), 0);
}

TEST(DisplayBoardTest, PagingCountsOnlyWhileOnAndPointsAtCounterModRows)
{
    ResultsListModel results;
    std::vector<ResultRow> ten;
    for (int n = 1; n <= 10; ++n)
        ten.push_back(Result(n, "00:10:00,000", 1, 0));
    SetRows(results, ten);
    DisplayBoard board;
    board.Refill(T("10:00:00,000"), results);

    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(board.PagingTick(), -1);
    EXPECT_EQ(board.PagingCounter, 0) << "the counter stands still while paging is off";

    board.PagingEnabled = true;
    std::vector<int> shown;
    for (int i = 0; i < 12; ++i)
        shown.push_back(board.PagingTick());
    EXPECT_EQ(shown, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2}));

    // A refill keeps the counter: the next tick points where it leads.
    SetRows(results, ThreeRacers());
    EXPECT_FALSE(board.Refill(T("10:00:00,000"), results)) << "no jump to the top while paging";
    EXPECT_EQ(board.PagingTick(), 13 % 3);

    board.PagingEnabled = false;
    EXPECT_EQ(board.PagingTick(), -1);
    EXPECT_EQ(board.PagingCounter, 13);
    EXPECT_TRUE(board.Refill(T("10:00:00,000"), results)) << "with paging off a refill goes back to the top";

    // An empty list still counts the ticks but has nothing to show.
    SetRows(results, {});
    board.PagingEnabled = true;
    EXPECT_FALSE(board.Refill(T("10:00:00,000"), results));
    EXPECT_EQ(board.PagingTick(), -1);
    EXPECT_EQ(board.PagingCounter, 14);
}

struct TitleCase {
    const char *name;
    bool showRunningTime;
    const char *lastStart;  // nullptr: no race start
    const char *caption;
    const char *now;
    const char *expected;
};

class TitleStrip : public ::testing::TestWithParam<TitleCase> {};

TEST_P(TitleStrip, ShowsRunningTimeElseCaptionElseTikomat)
{
    const TitleCase &c = GetParam();
    DisplayBoard board;
    board.ShowRunningTime = c.showRunningTime;
    board.LastStartTime = c.lastStart ? T(c.lastStart) : 0;
    board.DisplayCaption = QString::fromUtf8(c.caption);
    EXPECT_EQ(board.TitleText(T(c.now)), QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TitleStrip,
    ::testing::Values(
        TitleCase{"RunningTime", true, "10:00:00,000", "Finále", "10:05:03,250", "00:05:03,250"},
        TitleCase{"RunningTimeOverAnHour", true, "09:00:00,500", "", "11:00:00,499", "01:59:59,999"},
        TitleCase{"RunningTimeOffShowsCaption", false, "10:00:00,000", "Finále MX1", "10:05:00,000", "Finále MX1"},
        TitleCase{"NoStartShowsCaption", true, nullptr, "Finále MX1", "10:05:00,000", "Finále MX1"},
        TitleCase{"StartAtMidnightIsNoStart", true, "00:00:00,000", "", "10:05:00,000", "Tikomat"},
        TitleCase{"NothingShowsTikomat", false, nullptr, "", "10:05:00,000", "Tikomat"}),
    [](const auto &p) { return std::string(p.param.name); });

TEST(DisplayBoardTest, RunningTimeAfterMidnightIsThePlainNegativeDifference)
{
    // A start before midnight: the strip shows the difference of the two
    // times of day as the time text writes a negative time; the board neither
    // wraps it round the day nor falls back to the caption.
    DisplayBoard board;
    board.LastStartTime = T("23:59:00,000");
    board.DisplayCaption = QStringLiteral("Noční závod");
    const DayTime now = T("00:01:00,000");
    EXPECT_EQ(board.TitleText(now), DayTimeToText(now - board.LastStartTime));
    EXPECT_NE(board.TitleText(now), board.DisplayCaption);
}

// ---------------------------------------------------------------------------
// The window

class DisplayWindowTest : public ::testing::Test {
protected:
    void SetUp() override { SetClockForTesting([this] { return now; }); }
    void TearDown() override { SetClockForTesting({}); }

    DayTime now = T("10:00:00,000");
    TfrmDisplay display;
};

TEST_F(DisplayWindowTest, TitleStripFollowsTheBoardAtEveryRedrawTick)
{
    EXPECT_EQ(display.TitleStripText(), QStringLiteral("Připraven."));
    display.Board().DisplayCaption = QStringLiteral("Velká cena");
    display.TimerRedrawCurrentTimeTimer();
    EXPECT_EQ(display.TitleStripText(), QStringLiteral("Velká cena"));

    ResultsListModel results;
    display.Refill(T("09:58:00,000"), results);
    now = T("10:00:01,500");
    display.TimerRedrawCurrentTimeTimer();
    EXPECT_EQ(display.TitleStripText(), QStringLiteral("00:02:01,500"));
}

TEST_F(DisplayWindowTest, PagingScrollsOneRowAtATimeAndARefillWithoutPagingGoesBackToTheTop)
{
    ResultsListModel results;
    std::vector<ResultRow> rows;
    for (int n = 1; n <= 40; ++n)
        rows.push_back(Result(n, "00:10:00,000", 1, 0));
    SetRows(results, rows);
    display.SetUpColumns();
    display.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&display));
    display.Refill(T("10:00:00,000"), results);
    QTableView *view = display.List();
    // Rows 0 .. whole - 1 are fully in view.
    int whole = 0;
    while (view->visualRect(view->model()->index(whole, 0)).bottom() < view->viewport()->height())
        ++whole;
    ASSERT_GT(whole, 2) << "the window shows a few rows";
    ASSERT_LT(whole, 39) << "and not all of them";

    display.Board().PagingEnabled = true;
    for (int tick = 1; tick < whole; ++tick)
        display.tmrPagingTimer();
    EXPECT_EQ(view->rowAt(0), 0) << "rows already in view do not move the list";
    display.tmrPagingTimer();
    display.tmrPagingTimer();
    EXPECT_EQ(view->rowAt(0), 2) << "then it moves one row a tick";
    const QRect shown = view->visualRect(view->model()->index(whole + 1, 0));
    EXPECT_LT(shown.bottom(), view->viewport()->height()) << "the row the counter points at is fully in view";

    display.Board().PagingEnabled = false;
    display.Refill(T("10:00:00,000"), results);
    EXPECT_EQ(view->rowAt(0), 0);
}

TEST_F(DisplayWindowTest, ColumnsAreTheResultsColumnsWithRankFifthAndTheFirstStretching)
{
    display.resize(1800, 900);
    display.SetUpColumns();
    QTableView *view = display.List();
    QStringList titles;
    for (int c = 0; c < view->model()->columnCount(); ++c)
        titles << view->model()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(titles, (QStringList{"Číslo", "Čas vč. trestu", "Kolo", "Trest", "Pořadí", "Poznámka"}));
    QHeaderView *header = view->horizontalHeader();
    EXPECT_EQ(header->sectionResizeMode(0), QHeaderView::Stretch);
    EXPECT_EQ(header->maximumSectionSize(), 1500);
    for (int c = 1; c < titles.size(); ++c)
        EXPECT_GE(header->sectionSize(c), view->fontMetrics().horizontalAdvance(titles[c])) << c;
}

}  // namespace
