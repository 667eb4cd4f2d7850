// The two list models and the refresh that feeds them, without any view.
#include "StoreSetup.h"
#include "Records.h"
#include "ResultsLists.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

namespace {

class ResultsListsTest : public ::testing::Test {
protected:
    static RecordStore &Store()
    {
        static RecordStore data;
        return data;
    }

    void SetUp() override
    {
        RecordStore &data = Store();
        data.ReplaceRecords({Record(7, "10:05:00,000", {.lap = 1}), Record(RaceStartNumber, "10:00:00,000", {.lap = 1}),
                             Record(8, "10:06:00,000", {.lap = 1, .penalty = 2}),
                             Record(7, "10:10:00,000", {.lap = 2})});
        data.MaxLap = 2;
    }

    ResultsLists lists{Store(), nullptr};
    QAbstractItemModelTester recordTester{lists.recordModel(), QAbstractItemModelTester::FailureReportingMode::Fatal};
    QAbstractItemModelTester resultsTester{lists.resultsModel(), QAbstractItemModelTester::FailureReportingMode::Fatal};
};

QString Cell(const QAbstractItemModel &model, int row, int column, int role = Qt::DisplayRole)
{
    return model.data(model.index(row, column), role).toString();
}

TEST_F(ResultsListsTest, RefreshFillsBothModelsAndSignals)
{
    QSignalSpy leader(&lists, &ResultsLists::leaderChanged);
    QSignalSpy selection(&lists, &ResultsLists::recordSelectionRequested);
    QSignalSpy refreshed(&lists, &ResultsLists::resultsRefreshed);
    QSignalSpy recordResets(lists.recordModel(), &QAbstractItemModel::modelReset);
    QSignalSpy resultResets(lists.resultsModel(), &QAbstractItemModel::modelReset);

    lists.RefreshLists(8);

    const RecordListModel &rec = *lists.recordModel();
    ASSERT_EQ(rec.rowCount(), 4);
    EXPECT_EQ(Cell(rec, 0, RecordListModel::Caption), "START ZÁVODU");
    EXPECT_EQ(Cell(rec, 0, RecordListModel::Lap), "---");
    EXPECT_EQ(Cell(rec, 3, RecordListModel::Caption), "7 ()");
    EXPECT_EQ(Cell(rec, 3, RecordListModel::Time), ">00:10:00,000");
    EXPECT_EQ(Cell(rec, 2, RecordListModel::Penalty), "2");

    const ResultsListModel &res = *lists.resultsModel();
    ASSERT_EQ(res.rowCount(), 2);
    EXPECT_EQ(Cell(res, 0, ResultsListModel::Caption), "7 ()");
    EXPECT_EQ(Cell(res, 0, ResultsListModel::PenalizedTime), "00:10:00,000");
    EXPECT_EQ(Cell(res, 0, ResultsListModel::StartTime), "10:00:00,000");
    EXPECT_EQ(Cell(res, 0, ResultsListModel::Note), "00:05:00,000   ");
    EXPECT_EQ(Cell(res, 1, ResultsListModel::PenalizedTime), "00:06:02,000");

    // The record behind a row, by role and by accessor.
    const auto record = rec.data(rec.index(2, 0), RecordRole).value<TimeRecordPtr>();
    ASSERT_TRUE(record);
    EXPECT_EQ(record->Number, 8);
    EXPECT_EQ(rec.recordAt(2), record);
    EXPECT_EQ(rec.rowOf(record.get()), 2);
    EXPECT_EQ(res.data(res.index(1, 3), RecordRole).value<TimeRecordPtr>(), record);
    EXPECT_EQ(res.recordAt(5), nullptr);

    EXPECT_EQ(recordResets.count(), 1);
    EXPECT_EQ(resultResets.count(), 1);
    ASSERT_EQ(leader.count(), 1);
    EXPECT_EQ(leader.at(0).at(0).toString(), "7 ()");
    ASSERT_EQ(selection.count(), 1);
    EXPECT_EQ(selection.at(0).at(0).toInt(), 2);
    ASSERT_EQ(refreshed.count(), 1);
    EXPECT_EQ(DayTimeToText(refreshed.at(0).at(0).toLongLong()), "10:00:00,000");
    EXPECT_EQ(lists.leaderText(), "7 ()");
    EXPECT_EQ(lists.selectedRecordRow(), 2);

    // Laps mode 1 lists every passage; a number without a record clears the selection.
    lists.setLapsMode(1);
    lists.RefreshLists(99);
    EXPECT_EQ(res.rowCount(), 3);
    EXPECT_EQ(Cell(res, 0, ResultsListModel::Caption), "7 ()");
    EXPECT_EQ(Cell(res, 0, ResultsListModel::PenalizedTime), "00:05:00,000");
    EXPECT_EQ(selection.last().at(0).toInt(), -1);

    // An emptied store empties everything.
    ClearRecords(Store());
    lists.RefreshLists(-1);
    EXPECT_EQ(rec.rowCount(), 0);
    EXPECT_EQ(res.rowCount(), 0);
    EXPECT_EQ(leader.last().at(0).toString(), "");
    EXPECT_EQ(refreshed.last().at(0).toDouble(), 0.0);
}

// The lists hear of a change from the store itself, and show the record
// the change selects; a change the store refuses shows nothing.
TEST_F(ResultsListsTest, AChangeTheStoreTellsRefreshesTheListsAndSelectsItsNumber)
{
    lists.RefreshLists(-1);
    QSignalSpy selection(&lists, &ResultsLists::recordSelectionRequested);
    QSignalSpy refreshed(&lists, &ResultsLists::resultsRefreshed);
    RecordChange change{{RecordEdit::Added({9, TextToDayTime(QStringLiteral("10:07:00,000")), 0})}};
    change.selectNumber = 9;

    ASSERT_TRUE(Store().apply(change));
    ASSERT_EQ(refreshed.count(), 1);
    ASSERT_EQ(lists.recordModel()->rowCount(), 5);
    EXPECT_EQ(Cell(*lists.recordModel(), 3, RecordListModel::Caption), "9 ()");
    EXPECT_EQ(selection.last().at(0).toInt(), 3);
    EXPECT_EQ(lists.resultsModel()->rowCount(), 3);

    EXPECT_FALSE(Store().apply(change));  // the record is stored already
    EXPECT_EQ(refreshed.count(), 1);
}

TEST_F(ResultsListsTest, HeadersIconsAndFlags)
{
    lists.RefreshLists(-1);
    const RecordListModel &rec = *lists.recordModel();
    const ResultsListModel &res = *lists.resultsModel();

    QStringList recordHeaders, resultHeaders;
    for (int c = 0; c < rec.columnCount(); ++c)
        recordHeaders << rec.headerData(c, Qt::Horizontal).toString();
    for (int c = 0; c < res.columnCount(); ++c)
        resultHeaders << res.headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(recordHeaders, (QStringList{"Číslo", "Čas čistý", "Kolo", "Trest"}));
    EXPECT_EQ(resultHeaders, (QStringList{"Číslo", "Čas vč. trestu", "Kolo", "Trest", "Start v [hod]", "Poznámka",
                                          "Poř. v kat.", "Pořadí"}));

    // Star on the start, red flag on the highest lap, blue flag otherwise.
    const RecordIcon expected[] = {GoldStar, BlueFlag, BlueFlag, RedFlag};
    for (int row = 0; row < 4; ++row) {
        const QIcon icon = rec.data(rec.index(row, RecordListModel::Caption), Qt::DecorationRole).value<QIcon>();
        ASSERT_FALSE(icon.isNull()) << row;
        EXPECT_EQ(icon.cacheKey(), RecordListModel::icon(expected[row]).cacheKey()) << row;
        EXPECT_TRUE(rec.data(rec.index(row, RecordListModel::Time), Qt::DecorationRole).isNull());
    }
    const QImage star = RecordListModel::icon(GoldStar).pixmap(16, 16).toImage();
    EXPECT_EQ(star.size(), QSize(16, 16));
    EXPECT_NE(RecordListModel::icon(BlueFlag).pixmap(16, 16).toImage(),
              RecordListModel::icon(RedFlag).pixmap(16, 16).toImage());

    for (int c = 0; c < res.columnCount(); ++c)
        EXPECT_FALSE(res.flags(res.index(0, c)) & Qt::ItemIsEditable) << c;
    EXPECT_FALSE(rec.flags(rec.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_TRUE(res.flags(res.index(0, 0)) & Qt::ItemIsSelectable);
}

}  // namespace
