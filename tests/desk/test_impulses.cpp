// Impulse lists: the debounce filter, simulation, deleting rows, the model and its rows.
#include "DeskFixture.h"
#include "ImpulseRow.h"

#include <QImage>
#include <QSignalSpy>
#include <optional>

// Found by the test framework beside the row type, outside the unnamed namespace.
void PrintTo(const ImpulseRow &row, std::ostream *os)
{
    *os << "#" << row.id << " " << row.caption().toStdString() << " " << row.valueText().toStdString();
}

namespace {

struct Post {
    bool start;        // FB1 in photocell mode 0, else FB2
    const char *time;  // as the module stamps it
    bool accepted;
};

struct FilterCase {
    const char *name;
    int filterIndex;
    std::vector<Post> posts;
};

void PrintTo(const FilterCase &c, std::ostream *os)
{
    *os << c.name;
}

class DebounceTest : public DeskFixture, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(DebounceTest, AcceptsOnlyImpulsesBeyondTheSharedWindow)
{
    const FilterCase &c = GetParam();
    desk.settings().filterIndex = c.filterIndex;
    QStringList start, finish;
    DayTime last = 0;
    for (const Post &p : c.posts) {
        const DayTime t = TextToDayTime(QString::fromLatin1(p.time));
        p.start ? desk.PostStartImpulse(t) : desk.PostFinishImpulse(t);
        if (p.accepted) {
            (p.start ? start : finish) << QString::fromLatin1(p.time);
            last = t;
        }
        EXPECT_EQ(desk.LastImpulseTime(), last) << "after the impulse at " << p.time;
    }
    EXPECT_EQ(SubItems(desk.startList()), start);
    EXPECT_EQ(SubItems(desk.finishList()), finish);
}

INSTANTIATE_TEST_SUITE_P(
    Desk, DebounceTest,
    ::testing::Values(
        FilterCase{
            "Off", 0, {{true, "10:00:00,000", true}, {false, "10:00:00,001", true}, {false, "09:00:00,000", true}}},
        // The window is shared by both photocells.
        FilterCase{"Window1500",
                   1,
                   {{true, "10:00:00,000", true}, {false, "10:00:01,200", false}, {false, "10:00:01,600", true}}},
        // A dropped impulse does not push the window on.
        FilterCase{"Window2000",
                   2,
                   {{false, "10:00:00,000", true},
                    {false, "10:00:01,500", false},
                    {false, "10:00:03,000", true},
                    {false, "10:00:04,500", false}}},
        // Exactly one window later is still inside it; the same time again too.
        FilterCase{"Boundary1500",
                   1,
                   {{true, "10:00:00,000", true},
                    {true, "10:00:00,000", false},
                    {true, "10:00:01,500", false},
                    {true, "10:00:01,501", true}}},
        FilterCase{"Window4000",
                   6,
                   {{true, "10:00:00,000", true}, {false, "10:00:04,000", false}, {true, "10:00:04,001", true}}},
        // Past midnight the time of day starts again from 0: the first impulse
        // of the new day passes and the window runs on from it.
        FilterCase{"AcrossMidnight",
                   1,
                   {{false, "23:59:59,000", true},
                    {false, "00:00:00,200", true},
                    {true, "00:00:01,000", false},
                    {false, "00:00:01,701", true},
                    {false, "00:00:02,000", false}}},
        // The clock set back an hour: impulses go on being accepted at once.
        FilterCase{"ClockSetBack",
                   2,
                   {{false, "10:30:00,000", true},
                    {false, "09:30:00,500", true},
                    {false, "09:30:01,000", false},
                    {false, "09:30:02,501", true},
                    {true, "09:30:02,600", false}}},
        // No impulse has passed yet: one in the first seconds of the day is
        // not measured against a reference that was never stamped.
        FilterCase{
            "FirstImpulseRightAfterMidnight", 6, {{false, "00:00:01,000", true}, {false, "00:00:04,000", false}}}),
    [](const auto &tested) { return std::string(tested.param.name); });

TEST_F(DeskFixture, PostedImpulseRowsCarryCaptionAndTimeText)
{
    desk.PostStartImpulse(At(10, 0, 0, 5));
    desk.PostFinishImpulse(At(10, 0, 1, 250));
    desk.settings().photocellMode = 1;
    desk.PostFinishImpulse(At(10, 0, 2, 0));
    EXPECT_EQ(Captions(desk.startList()), QStringList{"IMPULS FB1"});
    EXPECT_EQ(SubItems(desk.startList()), QStringList{"10:00:00,005"});
    // Switching the photocell mode does not rename rows already there.
    EXPECT_EQ(Captions(desk.finishList()), (QStringList{"IMPULS FB2", "IMPULS"}));
    EXPECT_EQ(SubItems(desk.finishList()), (QStringList{"10:00:01,250", "10:00:02,000"}));
}

TEST_F(DeskFixture, SimulationBypassesTheFilterAndKeepsLastImpulseTime)
{
    desk.settings().filterIndex = 6;
    desk.PostStartImpulse(At(10, 0, 0));
    now = At(10, 0, 0, 100);
    desk.simulateStartImpulse();
    now = At(10, 0, 0, 200);
    desk.simulateFinishImpulse();
    desk.simulateStartImpulse();
    EXPECT_EQ(SubItems(desk.startList()), (QStringList{"10:00:00,000", "10:00:00,100", "10:00:00,200"}));
    EXPECT_EQ(Captions(desk.finishList()), QStringList{"IMPULS FB2"});
    EXPECT_EQ(desk.LastImpulseTime(), At(10, 0, 0));
    // The window still runs from the posted impulse, not from the simulated ones.
    desk.PostFinishImpulse(At(10, 0, 4, 1));
    EXPECT_EQ(desk.finishList().size(), 2);
}

TEST_F(DeskFixture, PhotocellModeOneSimulatesIntoTheFinishListOnly)
{
    desk.settings().photocellMode = 1;
    now = At(10, 0, 0, 123);
    desk.simulateStartImpulse();
    desk.simulateFinishImpulse();
    EXPECT_TRUE(desk.startList().empty());
    EXPECT_EQ(Captions(desk.finishList()), (QStringList{"IMPULS", "IMPULS"}));
    EXPECT_EQ(SubItems(desk.finishList()), (QStringList{"10:00:00,123", "10:00:00,123"}));
}

TEST_F(DeskFixture, DeleteSelectedPrefersTheStartList)
{
    for (int i = 0; i < 3; ++i) {
        desk.PostStartImpulse(At(10, 0, i));
        desk.PostFinishImpulse(At(10, 1, i));
    }
    desk.deleteSelectedImpulse();  // nothing selected: only hides the dialog
    EXPECT_EQ(hidden, 1);
    EXPECT_EQ(desk.startList().size() + desk.finishList().size(), 6);

    desk.startList().setSelectedRow(1);
    desk.finishList().setSelectedRow(0);
    desk.deleteSelectedImpulse();
    EXPECT_EQ(SubItems(desk.startList()), (QStringList{"10:00:00,000", "10:00:02,000"}));
    EXPECT_EQ(desk.finishList().size(), 3);
    desk.deleteSelectedImpulse();
    EXPECT_EQ(SubItems(desk.finishList()), (QStringList{"10:01:01,000", "10:01:02,000"}));
    EXPECT_EQ(desk.finishList().selectedRow(), -1);
}

TEST_F(DeskFixture, DeleteAllDropsImpulsesAndPreselections)
{
    NameDataFile();
    desk.PostStartImpulse(At(10, 0, 0));
    Type("7");
    desk.insert();  // queues a preselection of 7
    ASSERT_EQ(Captions(desk.finishList()), QStringList{"Před.IMPULS"});
    desk.deleteAllImpulses();
    EXPECT_TRUE(desk.startList().empty());
    EXPECT_TRUE(desk.finishList().empty());
    EXPECT_EQ(hidden, 1);
    // The 7 is gone: the next impulse just waits.
    desk.PostFinishImpulse(At(10, 0, 5));
    EXPECT_TRUE(data.records().empty());
    EXPECT_EQ(desk.LastImpulseTime(), At(10, 0, 5));  // nothing resets it
}

TEST(ImpulseListModelTest, PresentsTwoColumnsWithIconsAndNoEditing)
{
    ImpulseListModel model;
    model.appendRow(ImpulseRow::Impulse(ImpulseKind::ImpulseFB1, At(10, 0, 0)));
    model.appendRow(ImpulseRow::Preselection(ImpulseKind::Preselection, 12));
    EXPECT_EQ(model.columnCount(), 2);
    EXPECT_EQ(model.headerData(ImpulseListModel::Photocell, Qt::Horizontal).toString(), "Fotobuňka");
    EXPECT_EQ(model.headerData(ImpulseListModel::Time, Qt::Horizontal).toString(), "Čas");
    EXPECT_EQ(model.data(model.index(1, ImpulseListModel::Time)).toString(), "12");
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);

    const auto icon = [&](int row) {
        return model.data(model.index(row, ImpulseListModel::Photocell), Qt::DecorationRole).value<QIcon>();
    };
    EXPECT_EQ(icon(0).cacheKey(), ImpulseListModel::impulseIcon().cacheKey());
    EXPECT_EQ(icon(1).cacheKey(), ImpulseListModel::preselectionIcon().cacheKey());

    // The preselection icon is a red disc with a white cross through its middle.
    const QImage disc = ImpulseListModel::preselectionIcon().pixmap(16, 16).toImage();
    ASSERT_EQ(disc.size(), QSize(16, 16));
    EXPECT_EQ(disc.pixelColor(8, 8), QColor(Qt::white));
    const QColor rim = disc.pixelColor(8, 3);
    EXPECT_GT(rim.red(), 150);
    EXPECT_LT(rim.green(), 80);
    EXPECT_EQ(disc.pixelColor(0, 0).alpha(), 0);
    const QImage arrow = ImpulseListModel::impulseIcon().pixmap(16, 16).toImage();
    EXPECT_GT(arrow.pixelColor(5, 8).lightness(), 150);  // light shaft
    EXPECT_EQ(arrow.pixelColor(5, 1).alpha(), 0);
}

TEST(ImpulseListModelTest, SelectionFollowsItsRowAndIsSignalled)
{
    ImpulseListModel model;
    for (int i = 0; i < 4; ++i)
        model.appendRow(ImpulseRow::Impulse(ImpulseKind::ImpulseFB2, i));
    QSignalSpy selection(&model, &ImpulseListModel::selectedRowChanged);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);

    model.setSelectedRow(2);
    model.setSelectedRow(2);  // no change, no signal
    model.removeRowAt(0);     // a row above leaves: the selection moves up with its row
    EXPECT_EQ(model.selectedRow(), 1);
    EXPECT_EQ(model.at(1).time, 2);
    model.removeRowAt(1);  // the selected row itself
    EXPECT_EQ(model.selectedRow(), -1);
    model.setSelectedRow(7);  // out of range means none
    EXPECT_EQ(model.selectedRow(), -1);

    ASSERT_EQ(selection.size(), 3);
    EXPECT_EQ(selection[0][0].toInt(), 2);
    EXPECT_EQ(selection[1][0].toInt(), 1);
    EXPECT_EQ(selection[2][0].toInt(), -1);
    EXPECT_EQ(removed.size(), 2);
}

// Every kind of row in the list that holds it: the texts both columns show,
// and the same row back from the journal's texts.
struct RowTextCase {
    JournalList list;
    ImpulseRow row;
    const char *caption;
    const char *value;
    bool impulse;
};

TEST(ImpulseRowTest, ShowsItsValuesAndComesBackFromTheJournalTexts)
{
    const RowTextCase cases[] = {
        {JournalList::Start, ImpulseRow::Impulse(ImpulseKind::ImpulseFB1, At(10, 0, 0, 5)), "IMPULS FB1",
         "10:00:00,005", true},
        {JournalList::Finish, ImpulseRow::Impulse(ImpulseKind::ImpulseFB2, At(23, 59, 59, 999)), "IMPULS FB2",
         "23:59:59,999", true},
        {JournalList::Finish, ImpulseRow::Impulse(ImpulseKind::ImpulseEither, 0), "IMPULS", "00:00:00,000", true},
        {JournalList::Finish, ImpulseRow::Preselection(ImpulseKind::Preselection, 0), "Před.IMPULS", "0", false},
        {JournalList::Finish, ImpulseRow::Preselection(ImpulseKind::Preselection, 9999), "Před.IMPULS", "9999", false},
        {JournalList::Start, ImpulseRow::Preselection(ImpulseKind::RaceStartPreselection, RaceStartNumber),
         "Před.IMPULS", "10000", false},
    };
    for (const RowTextCase &c : cases) {
        SCOPED_TRACE(c.caption + std::string(" ") + c.value);
        EXPECT_EQ(c.row.caption(), QString::fromUtf8(c.caption));
        EXPECT_EQ(c.row.valueText(), c.value);
        EXPECT_EQ(c.row.isImpulse(), c.impulse);
        ImpulseRow listed = c.row;
        listed.id = 7;
        const JournalEntry line = JournalRowEntry(c.list, listed);
        EXPECT_EQ(line.kind, JournalKind::Row);
        EXPECT_EQ(line.list, c.list);
        EXPECT_EQ(line.rowId, 7u);
        EXPECT_EQ(line.caption, QString::fromUtf8(c.caption));
        EXPECT_EQ(line.subItem, c.value);
        EXPECT_EQ(ImpulseRowOfJournal(c.list, line.caption, line.subItem), c.row);
    }
}

// Journal lines as any version wrote them, and lines no version wrote.
TEST(ImpulseRowTest, ReadsJournalTextsAsTheListsAlwaysReadThem)
{
    struct Case {
        JournalList list;
        const char *caption;
        const char *value;
        std::optional<ImpulseRow> row;
    };
    const Case cases[] = {
        // A preselection's kind is its list's: the start list's wait for the race start.
        {JournalList::Start, "Před.IMPULS", "10000",
         ImpulseRow::Preselection(ImpulseKind::RaceStartPreselection, RaceStartNumber)},
        {JournalList::Finish, "Před.IMPULS", "42", ImpulseRow::Preselection(ImpulseKind::Preselection, 42)},
        {JournalList::Finish, "Před.IMPULS", "x", ImpulseRow::Preselection(ImpulseKind::Preselection, 0)},
        {JournalList::Finish, "IMPULS FB2", "10:03:00,500",
         ImpulseRow::Impulse(ImpulseKind::ImpulseFB2, At(10, 3, 0, 500))},
        {JournalList::Finish, "IMPULS", "10:0", ImpulseRow::Impulse(ImpulseKind::ImpulseEither, At(10, 0, 0))},
        {JournalList::Start, "Impuls", "10:03:00,500", std::nullopt},
        {JournalList::Start, "IMPULS FB3", "10:03:00,500", std::nullopt},
        {JournalList::Finish, "", "10:03:00,500", std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.caption + std::string(" ") + c.value);
        EXPECT_EQ(ImpulseRowOfJournal(c.list, QString::fromUtf8(c.caption), c.value), c.row);
    }
}

// Rows brought back from a journal work as the rows they were: the
// preselections are completed by their impulses, and a stamp that never
// reached its list becomes an impulse of its photocell.
TEST_F(DeskFixture, RestoredRowsAreCompletedByTheirImpulses)
{
    NameDataFile();
    RecoveredRow stamp{JournalList::Finish, QString(), QString(), At(9, 59, 0)};
    desk.Restore({}, {{JournalList::Start, QStringLiteral("Před.IMPULS"), QStringLiteral("10000")},
                      {JournalList::Finish, QStringLiteral("Před.IMPULS"), QStringLiteral("12")},
                      {JournalList::Finish, QStringLiteral("Před.IMPULS"), QStringLiteral("13")},
                      {JournalList::Finish, QStringLiteral("IMPULS FB7"), QStringLiteral("10:00:00,000")},
                      stamp});
    EXPECT_EQ(Captions(desk.startList()), QStringList{"Před.IMPULS"});
    EXPECT_EQ(Captions(desk.finishList()), (QStringList{"Před.IMPULS", "Před.IMPULS", "IMPULS FB2"}));
    EXPECT_EQ(SubItems(desk.finishList()), (QStringList{"12", "13", "09:59:00,000"}));

    desk.PostStartImpulse(At(10, 0, 0));
    desk.PostFinishImpulse(At(10, 5, 0));
    // The oldest impulse is assigned: the restored stamp, with its own time
    // (the records are in the order of their times).
    ASSERT_EQ(StoreNumbers(), (std::vector<int>{12, RaceStartNumber}));
    EXPECT_EQ(data.records()[0]->Time, At(9, 59, 0));
    EXPECT_EQ(data.records()[1]->Time, At(10, 0, 0));
    EXPECT_TRUE(desk.startList().empty());
    EXPECT_EQ(Captions(desk.finishList()), (QStringList{"Před.IMPULS", "IMPULS FB2"}));
    EXPECT_EQ(SubItems(desk.finishList()), (QStringList{"13", "10:05:00,000"}));
}

}  // namespace
