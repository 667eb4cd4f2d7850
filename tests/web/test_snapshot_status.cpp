// The web page's JSON with a race sheet: statuses instead of ranks and each
// category's finish, in both forms the page and scripts read.
#include "ResultsSnapshot.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

std::shared_ptr<const ResultsTable> TableWithStatuses()
{
    auto table = std::make_shared<ResultsTable>();
    ResultRow leader;
    leader.caption = QStringLiteral("7 (Novák Jan)");
    leader.number = 7;
    leader.lap = 5;
    leader.finished = true;
    ResultRow out = leader;
    out.caption = QStringLiteral("9 (Malá Eva)");
    out.number = 9;
    out.lap = 3;
    out.finished = false;
    out.status = RacerStatus::DNF;
    out.statusReason = QStringLiteral("pád");
    table->rows = {leader, out};
    table->setCategories(std::vector<QString>{QStringLiteral("MX1"), QStringLiteral("MX1")});
    table->categories[0].finish = FinishRule::Laps(5);
    table->categories[0].moment = 10 * MsPerHour;
    return table;
}

TEST(SnapshotJson, StatusesStandInsteadOfRanksAndCategoriesTellTheirFinish)
{
    const auto snapshot = ResultsSnapshot::Take(TableWithStatuses(), QStringLiteral("Velká cena"), true, 0, 3);
    const QJsonObject json = QJsonDocument::fromJson(ResultsJson(*snapshot, 0)).object();
    const QJsonArray rows = json["rows"].toArray();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0]["rank"].toInt(), 1);
    EXPECT_EQ(rows[0]["status"].toString(), "finished");
    EXPECT_TRUE(rows[1]["rank"].isNull());
    EXPECT_TRUE(rows[1]["categoryRank"].isNull());
    EXPECT_EQ(rows[1]["status"].toString(), "DNF");
    EXPECT_EQ(rows[1]["statusReason"].toString(), QStringLiteral("pád"));
    EXPECT_TRUE(rows[1]["note"].toString().startsWith(QStringLiteral("DNF pád")));
    EXPECT_EQ(json["categories"].toArray()[0].toString(), "MX1");  // names stay texts
    const QJsonObject finish = json["finish"].toArray()[0].toObject();
    EXPECT_EQ(finish["laps"].toInt(), 5);
    EXPECT_EQ(finish["moment"].toString(), "10:00:00,000");

    // The stream carries the code as the row's seventh cell, and only there.
    const QJsonArray stream = QJsonDocument::fromJson(ResultsStreamJson(*snapshot, 0)).object()["rows"].toArray();
    EXPECT_EQ(stream[0].toArray().size(), 6);
    EXPECT_EQ(stream[1].toArray()[6].toString(), "DNF");
}

}  // namespace
