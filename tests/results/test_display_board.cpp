// The spectator window's logic (refill with ranks, paging, title strip) on
// the board alone, and the window's binding of the board to its widgets.
#include "Clock.h"
#include "SpectatorWindow.h"
#include "DisplayBoard.h"
#include "ResultsFixtures.h"
#include "DisplayColumns.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QTableView>
#include <QTest>
#include <numeric>

namespace {

// Three racers as ranked; 8 and 9 compare equal (0.3 s apart).
std::shared_ptr<ResultsTable> ThreeRacers()
{
    return Table({Result(7, "00:15:00,000", 3, 0, {T("00:10:00,000"), T("00:05:00,000")}),
                  Result(8, "00:16:00,000", 2, 10), Result(9, "00:16:00,300", 2, 0)});
}

// Five racers in two categories (the ranking interleaves them) and one without.
std::shared_ptr<ResultsTable> TwoCategories()
{
    return Table({Result(1, "00:10:00,000", 3, 0), Result(2, "00:10:30,000", 3, 0), Result(3, "00:11:00,000", 3, 0),
                  Result(4, "00:12:00,000", 2, 0), Result(5, "00:13:00,000", 2, 0), Result(6, "00:14:00,000", 1, 0)},
                 {"MX1", "MX2", "mx1", "", "MX2", "MX1"});
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
    const char *category;      // "" for all
    std::vector<int> numbers;  // start numbers from the top of the list down
    QStringList ranks;
};

class SpectatorRefill : public ::testing::TestWithParam<RefillCase> {};

TEST_P(SpectatorRefill, ShowsTheResultsInTheModesOrderWithRanksInTheFifthColumn)
{
    const RefillCase &c = GetParam();
    ResultsListModel results;
    std::shared_ptr<ResultsTable> table = TwoCategories();
    std::vector<TimeRecordPtr> records;
    results.swapResults(table, records);
    DisplayBoard board;
    QAbstractItemModelTester tester(&board.list(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    board.Mode = c.mode;
    board.Category = QString::fromUtf8(c.category);

    board.Refill(T("10:00:00,000"), results.sharedTable());

    const SpectatorListModel &list = board.list();
    ASSERT_EQ(list.rowCount(), int(c.numbers.size()));
    EXPECT_EQ(Column(list, SpectatorListModel::Rank), c.ranks);
    for (int r = 0; r < list.rowCount(); ++r) {
        SCOPED_TRACE(r);
        const int number = c.numbers[size_t(r)];
        int source = 0;
        while (results.row(source).number != number)
            ++source;
        // Every other column is the results list's.
        for (auto col : {SpectatorListModel::Caption, SpectatorListModel::PenalizedTime, SpectatorListModel::Lap,
                         SpectatorListModel::Penalty, SpectatorListModel::Note})
            EXPECT_EQ(list.text(r, col), results.text(source, ResultsListModel::Column(col))) << int(col);
    }
    EXPECT_EQ(list.headerData(SpectatorListModel::Rank, Qt::Horizontal).toString(), QStringLiteral("Pořadí"));
    EXPECT_EQ(list.headerData(SpectatorListModel::Note, Qt::Horizontal).toString(), QStringLiteral("Poznámka"));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SpectatorRefill,
    ::testing::Values(
        RefillCase{"Off", SpectatorMode::Off, "", {}, {}},
        RefillCase{"Winners", SpectatorMode::Winners, "", {1, 2, 3, 4, 5, 6}, {"1.", "2.", "3.", "4.", "5.", "6."}},
        RefillCase{"Latest", SpectatorMode::Latest, "", {6, 5, 4, 3, 2, 1}, {"6.", "5.", "4.", "3.", "2.", "1."}},
        RefillCase{"OneCategoryRankedWithinIt", SpectatorMode::Winners, "mx1", {1, 3, 6}, {"1.", "2.", "3."}},
        RefillCase{"OneCategoryFromItsLast", SpectatorMode::Latest, "MX2", {5, 2}, {"2.", "1."}},
        RefillCase{"RacersWithoutCategory", SpectatorMode::Winners, "<nezadáná kategorie>", {4}, {"1."}},
        RefillCase{"CategoryNotInTheRanking", SpectatorMode::Winners, "OPEN", {}, {}},
        RefillCase{"OffWithCategory", SpectatorMode::Off, "MX1", {}, {}}),
    [](const auto &p) { return std::string(p.param.name); });

TEST(DisplayBoardTest, RefillTakesTheLastStartAndReplacesTheRowsOfTheRefillBefore)
{
    DisplayBoard board;
    board.Refill(T("10:00:00,000"), ThreeRacers());
    EXPECT_EQ(board.LastStartTime, T("10:00:00,000"));

    board.Refill(0, Table({Result(5, "00:01:00,000", 1, 0)}));
    EXPECT_EQ(board.LastStartTime, 0);
    EXPECT_EQ(Column(board.list(), SpectatorListModel::Caption), QStringList{QStringLiteral("5 (Závodník 5)")});

    board.Mode = SpectatorMode::Off;
    board.Refill(0, ThreeRacers());
    EXPECT_EQ(board.list().rowCount(), 0);
}

TEST(DisplayBoardTest, AnotherCategoryShowsAtOnceAndStaysChosenAcrossRefills)
{
    DisplayBoard board;
    board.Refill(T("10:00:00,000"), TwoCategories());
    ASSERT_EQ(board.list().rowCount(), 6);

    EXPECT_TRUE(board.ChooseCategory(QStringLiteral("MX2")));
    EXPECT_EQ(Column(board.list(), SpectatorListModel::Caption),
              (QStringList{QStringLiteral("2 (Závodník 2)"), QStringLiteral("5 (Závodník 5)")}));
    board.Refill(T("10:00:00,000"), TwoCategories());
    EXPECT_EQ(board.list().rowCount(), 2) << "the next refresh keeps the category";

    board.ChooseCategory(QString());
    EXPECT_EQ(board.list().rowCount(), 6);
}

TEST(DisplayBoardTest, PagingCountsOnlyWhileOnAndPointsAtCounterModRows)
{
    std::vector<ResultRow> ten;
    for (int n = 1; n <= 10; ++n)
        ten.push_back(Result(n, "00:10:00,000", 1, 0));
    DisplayBoard board;
    board.Refill(T("10:00:00,000"), Table(ten));

    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(board.PagingTick(), -1);
    EXPECT_EQ(board.PagingCounter, 0) << "the counter stands still while paging is off";

    board.PagingEnabled = true;
    std::vector<int> shown;
    for (int i = 0; i < 12; ++i)
        shown.push_back(board.PagingTick());
    EXPECT_EQ(shown, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2}));

    // A refill keeps the counter: the next tick points where it leads.
    EXPECT_FALSE(board.Refill(T("10:00:00,000"), ThreeRacers())) << "no jump to the top while paging";
    EXPECT_EQ(board.PagingTick(), 13 % 3);

    board.PagingEnabled = false;
    EXPECT_EQ(board.PagingTick(), -1);
    EXPECT_EQ(board.PagingCounter, 13);
    EXPECT_TRUE(board.Refill(T("10:00:00,000"), ThreeRacers())) << "with paging off a refill goes back to the top";

    // An empty list still counts the ticks but has nothing to show.
    board.PagingEnabled = true;
    EXPECT_FALSE(board.Refill(T("10:00:00,000"), Table({})));
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
    ::testing::Values(TitleCase{"RunningTime", true, "10:00:00,000", "Finále", "10:05:03,250", "00:05:03,250"},
                      TitleCase{"RunningTimeOverAnHour", true, "09:00:00,500", "", "11:00:00,499", "01:59:59,999"},
                      TitleCase{"RunningTimeOffShowsCaption", false, "10:00:00,000", "Finále MX1", "10:05:00,000",
                                "Finále MX1"},
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

// How far each race is follows the title: the chosen category's, or each
// category's that says anything, one text alone when all say the same; a
// finished racer carries the chequered flag in the list.
TEST(DisplayBoardTest, TitleSaysHowFarTheRacesAreAndFinishedRacersCarryTheFlag)
{
    std::shared_ptr<ResultsTable> table = TwoCategories();
    ASSERT_EQ(table->categories.size(), 3u);  // MX1, MX2, the racers without one
    table->categories[0].finish = FinishRule::Laps(5);
    table->categories[0].lapsToGo = 1;
    table->categories[1].finish = FinishRule::Minutes(30);
    table->categories[1].moment = T("00:30:10,000");
    table->rows[1].finished = true;  // racer 2, MX2
    DisplayBoard board;
    board.ShowRunningTime = false;
    board.DisplayCaption = QStringLiteral("Finále");
    board.Refill(0, table);
    EXPECT_EQ(board.TitleText(0), QStringLiteral("Finále  –  MX1: Poslední kolo   MX2: Cíl"));
    board.ChooseCategory(QStringLiteral("MX1"));
    EXPECT_EQ(board.TitleText(0), QStringLiteral("Finále  –  Poslední kolo"));
    board.ChooseCategory(QString());
    table->categories[0].moment = T("00:31:00,000");
    table->categories[2].finish = FinishRule::Laps(2);
    table->categories[2].moment = T("00:32:00,000");
    board.Refill(0, table);
    EXPECT_EQ(board.TitleText(0), QStringLiteral("Finále  –  Cíl"));
    board.ChooseCategory(QStringLiteral("MX2"));
    EXPECT_EQ(board.FinishText(), QStringLiteral("Cíl"));

    const SpectatorListModel &list = board.list();
    QStringList marked;
    for (int r = 0; r < list.rowCount(); ++r) {
        const QModelIndex caption = list.index(r, SpectatorListModel::Caption);
        if (!caption.data(Qt::DecorationRole).value<QIcon>().isNull())
            marked << list.text(r, SpectatorListModel::Caption) + u' ' + caption.data(Qt::ToolTipRole).toString();
    }
    EXPECT_EQ(marked, QStringList{list.text(0, SpectatorListModel::Caption) + QStringLiteral(" v cíli")});
    EXPECT_TRUE(list.text(0, SpectatorListModel::Caption).startsWith(u'2'));
}

// ---------------------------------------------------------------------------
// The window

class DisplayWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetClockForTesting([this] { return now; });
    }
    void TearDown() override { SetClockForTesting({}); }

    DayTime now = T("10:00:00,000");
    SpectatorWindow display;
};

TEST_F(DisplayWindowTest, TitleStripFollowsTheBoardAtEveryRedrawTick)
{
    EXPECT_EQ(display.TitleStripText(), QStringLiteral("Připraven."));
    display.Board().DisplayCaption = QStringLiteral("Velká cena");
    display.redrawTitleStrip();
    EXPECT_EQ(display.TitleStripText(), QStringLiteral("Velká cena"));

    display.Refill(T("09:58:00,000"), Table({}));
    now = T("10:00:01,500");
    display.redrawTitleStrip();
    EXPECT_EQ(display.TitleStripText(), QStringLiteral("00:02:01,500"));
}

TEST_F(DisplayWindowTest, PagingScrollsOneRowAtATimeAndARefillWithoutPagingGoesBackToTheTop)
{
    std::vector<ResultRow> rows;
    for (int n = 1; n <= 40; ++n)
        rows.push_back(Result(n, "00:10:00,000", 1, 0));
    const std::shared_ptr<ResultsTable> results = Table(rows);
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
        display.pageList();
    EXPECT_EQ(view->rowAt(0), 0) << "rows already in view do not move the list";
    display.pageList();
    display.pageList();
    EXPECT_EQ(view->rowAt(0), 2) << "then it moves one row a tick";
    const QRect shown = view->visualRect(view->model()->index(whole + 1, 0));
    EXPECT_LT(shown.bottom(), view->viewport()->height()) << "the row the counter points at is fully in view";

    display.Board().PagingEnabled = false;
    display.Refill(T("10:00:00,000"), results);
    EXPECT_EQ(view->rowAt(0), 0);
}

// Maximised on a laptop and on a large screen, with twenty racers whose
// captions are as long as they get: each caption stands whole, "Poznámka"
// takes the rest, the type no smaller than 48 pixels.
TEST_F(DisplayWindowTest, CaptionsStandWholeAndTheNoteTakesTheRest)
{
    std::vector<ResultRow> rows;
    for (int n = 1; n <= 20; ++n) {
        ResultRow r = Result(n, "00:10:00,000", 12, 10, {T("00:05:00,000"), T("00:05:00,000")});
        r.caption = QString::number(n) + QStringLiteral(" (Pospíšilová Zuzana (Ž40))");
        rows.push_back(r);
    }
    const QString widest = rows.back().caption;  // "20 (...)"
    const auto results = Table(rows);
    QTableView *view = display.List();
    QHeaderView *header = view->horizontalHeader();
    for (const QSize screen : {QSize(1366, 768), QSize(1920, 1080)}) {
        SCOPED_TRACE(screen.width());
        display.setMinimumSize(0, 0);
        display.resize(screen);
        display.SetUpColumns();
        display.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&display));
        display.Refill(T("10:00:00,000"), results);
        // The columns are fitted once the refill's events are done.
        QTRY_VERIFY(header->sectionSize(SpectatorListModel::Caption)
                    > QFontMetrics(view->font()).horizontalAdvance(widest));

        QStringList titles;
        for (int c = 0; c < view->model()->columnCount(); ++c)
            titles << view->model()->headerData(c, Qt::Horizontal).toString();
        EXPECT_EQ(titles, (QStringList{"Číslo", "Čas vč. trestu", "Kolo", "Trest", "Pořadí", "Poznámka"}));
        EXPECT_GE(view->font().pixelSize(), SpectatorMinimumPixels);
        const QFontMetrics metrics(view->font());
        for (int c = 0; c < SpectatorListModel::Note; ++c) {
            for (int r = 0; r < view->model()->rowCount(); ++r) {
                const QString text = view->model()->index(r, c).data().toString();
                ASSERT_GT(header->sectionSize(c), metrics.horizontalAdvance(text)) << c << " " << text.toStdString();
            }
        }
        EXPECT_TRUE(header->stretchLastSection());
        EXPECT_LE(header->sectionViewportPosition(SpectatorListModel::Note), view->viewport()->width())
            << "every other column stands whole in the list";
        display.hide();
    }
}

// How the columns share a width: a table of widths from roomy to hopeless,
// checked against what the fit promises rather than against one font's
// metrics.
TEST(SpectatorColumns, FitTheContentsWithTheLargestTypeThatAllows)
{
    const QString longest = QStringLiteral("12 (Pospíšilová Zuzana (Ž40))");
    const std::vector<QStringList> columns = {{longest, QStringLiteral("7 (Novák Jan (M))")},
                                              {QStringLiteral("00:10:00,000")},
                                              {QStringLiteral("12")},
                                              {QStringLiteral("10")},
                                              {QStringLiteral("20.")}};
    const QStringList captions = {"Číslo", "Čas vč. trestu", "Kolo", "Trest", "Pořadí"};
    QFont face(QStringLiteral("DejaVu Sans"));
    const int padding = 7;
    const auto total = [&](const QFont &font, bool withCaptions) {
        const QFontMetrics m(font);
        int sum = 0;
        for (size_t c = 0; c < columns.size(); ++c) {
            int w = 0;
            for (const QString &t : columns[c])
                w = std::max(w, m.horizontalAdvance(t));
            if (withCaptions)
                w = std::max(w, m.horizontalAdvance(captions[qsizetype(c)]));
            sum += w + padding;
        }
        return sum;
    };
    QFont large = face;
    large.setPixelSize(SpectatorListPixels);
    const int roomy = total(large, true);

    for (const int available : {5000, roomy, roomy - 1, 1366, 1200, 1000, 800, 300}) {
        SCOPED_TRACE(available);
        const SpectatorColumnFit fit = FitSpectatorColumns(face, columns, captions, padding, available);
        const int pixels = fit.font.pixelSize();
        ASSERT_GE(pixels, SpectatorMinimumPixels);
        ASSERT_LE(pixels, SpectatorListPixels);
        ASSERT_EQ(fit.widths.size(), columns.size());
        const QFontMetrics metrics(fit.font);
        for (size_t c = fit.fits ? 0 : 1; c < columns.size(); ++c)
            for (const QString &t : columns[c])
                EXPECT_GE(fit.widths[c], metrics.horizontalAdvance(t) + padding) << t.toStdString();
        const int sum = std::accumulate(fit.widths.begin(), fit.widths.end(), 0);
        if (!fit.fits) {
            // Nothing smaller is tried: the smallest, narrowest type, and the
            // captions cut to what the other columns leave.
            EXPECT_EQ(pixels, SpectatorMinimumPixels);
            EXPECT_TRUE(fit.narrow);
            EXPECT_EQ(fit.widths[0], std::max(padding, available - (sum - fit.widths[0])));
            continue;
        }
        EXPECT_LE(sum, available);
        if (available >= roomy) {
            EXPECT_EQ(pixels, SpectatorListPixels) << "no smaller type than needed";
            EXPECT_FALSE(fit.narrow);
            EXPECT_TRUE(fit.wholeCaptions);
        }
        // One pixel larger in the same width would not have fitted.
        if (pixels < SpectatorListPixels) {
            QFont larger = fit.font;
            larger.setPixelSize(pixels + 1);
            EXPECT_GT(total(larger, false), available);
        }
    }
    EXPECT_FALSE(FitSpectatorColumns(face, columns, captions, padding, 300).fits);
}

}  // namespace
