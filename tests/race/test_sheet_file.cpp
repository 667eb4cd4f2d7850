// The race sheet's file and its changes as journal lines.
#include "Category.h"
#include "RaceSheetFile.h"
#include "SheetChange.h"
#include "TikomatError.h"

#include <gtest/gtest.h>

namespace {

RaceSheet Example()
{
    RaceSheet sheet;
    sheet.setRule(QString(), FinishRule::Laps(5));
    sheet.setRule(QStringLiteral("Ženy"), FinishRule::Minutes(30));
    sheet.setRule(QStringLiteral("MX1"), FinishRule::At(14 * 3'600'000 + 42 * 60'000));
    sheet.setStatus(12, {RacerStatus::DNF, QString()});
    sheet.setStatus(7, {RacerStatus::DSQ, QStringLiteral("zkrácení \"trati\"")});
    return sheet;
}

TEST(RaceSheetFile, WrittenSheetReadsBackAndRulesFollowCategories)
{
    const RaceSheet sheet = Example();
    const QByteArray json = RaceSheetJson(sheet);
    EXPECT_EQ(ParseRaceSheet(json), sheet);
    EXPECT_TRUE(json.contains("{\"number\": 12, \"status\": \"DNF\"}")) << json.constData();
    // Categories compare without case and blanks; the rest and no category
    // take the rule for every other category.
    EXPECT_EQ(sheet.ruleFor(QStringLiteral(" ženy ")), FinishRule::Minutes(30));
    EXPECT_EQ(sheet.ruleFor(QStringLiteral("MX2")), FinishRule::Laps(5));
    EXPECT_EQ(sheet.ruleFor(QString()), FinishRule::Laps(5));
    EXPECT_EQ(sheet.ruleFor(NoCategoryName), FinishRule::Laps(5));
    EXPECT_EQ(RaceSheetPath(QStringLiteral("/a/zavod.csvz")), QStringLiteral("/a/zavod.csvz.zavod.json"));
    EXPECT_EQ(ParseRaceSheet(RaceSheetJson(RaceSheet())), RaceSheet());
    EXPECT_EQ(ParseRaceSheet(R"({"version": 1})"), RaceSheet());
}

TEST(RaceSheetFile, BadSheetsAreRefusedWithTheReason)
{
    const struct {
        const char *json;
        const char *reason;
    } cases[] = {
        {R"({"version": 1, "finish": [)", "chybný zápis JSON na řádku 1"},
        {R"([])", "jeden objekt"},
        {R"({"finish": []})", "chybí „version“"},
        {R"({"version": 2})", "neznámá verze 2"},
        {R"({"version": 1, "extra": 0})", "neznámý klíč „extra“"},
        {R"({"version": 1, "finish": [{"category": "", "laps": 0}]})", "„laps“ musí být celé číslo od 1 do 1000, ne 0"},
        {R"({"version": 1, "finish": [{"category": "", "laps": 2.5}]})", "„laps“"},
        {R"({"version": 1, "finish": [{"category": "", "minutes": 1441}]})", "„minutes“"},
        {R"({"version": 1, "finish": [{"category": "", "at": "24:00:00,000"}]})", "„at“"},
        {R"({"version": 1, "finish": [{"category": "", "laps": 3, "minutes": 3}]})", "právě jedno"},
        {R"({"version": 1, "finish": [{"laps": 3}]})", "chybí „category“"},
        {R"({"version": 1, "finish": [{"category": "A", "laps": 3}, {"category": " a", "laps": 4}]})",
         "pravidlo č. 2: kategorie „ a“ už pravidlo má"},
        {R"({"version": 1, "statuses": [{"number": 1, "status": "OUT"}]})", "neznámý stav „OUT“"},
        {R"({"version": 1, "statuses": [{"number": 10000, "status": "DNF"}]})", "„number“"},
        {R"({"version": 1, "statuses": [{"number": 1, "status": "DNF"}, {"number": 1, "status": "DNS"}]})",
         "číslo 1 už stav má"},
    };
    for (const auto &c : cases) {
        try {
            ParseRaceSheet(QByteArray(c.json));
            ADD_FAILURE() << "accepted: " << c.json;
        } catch (const TikomatError &e) {
            EXPECT_TRUE(e.text.contains(QString::fromUtf8(c.reason))) << c.json << " -> " << e.text.toStdString();
        }
    }
}

TEST(SheetChange, JournalLinesBringAnyStateOfTheFileToTheLast)
{
    const RaceSheet start = Example();
    SheetChange first;
    first.edits = {SheetEdit::Rule(QStringLiteral("Ženy"), FinishRule::Minutes(30), FinishRule::Laps(3)),
                   SheetEdit::Status(12, {RacerStatus::DNF, QString()}, {})};
    SheetChange second;
    second.edits = {SheetEdit::Status(3, {}, {RacerStatus::DSQ, QStringLiteral("mimo trať")})};
    RaceSheet middle = start, end = start;
    ASSERT_TRUE(first.appliesTo(middle));
    first.applyTo(middle);
    end = middle;
    ASSERT_TRUE(second.appliesTo(end));
    second.applyTo(end);
    EXPECT_FALSE(second.inverse().appliesTo(start));

    std::vector<JournalEntry> lines = first.journalLines();
    for (const JournalEntry &e : second.journalLines())
        lines.push_back(e);
    // Each line survives the journal's encoding.
    for (JournalEntry &e : lines)
        e = *DecodeJournalLine(EncodeJournalLine(e));
    for (const RaceSheet &file : {start, middle, end}) {
        RaceSheet restored = file;
        const SheetChange change = SheetChangeToward(lines, restored);
        ASSERT_TRUE(change.appliesTo(restored));
        change.applyTo(restored);
        EXPECT_EQ(restored, end);
        EXPECT_EQ(change.empty(), file == end);
    }
    // Undo takes it back.
    RaceSheet back = end;
    second.inverse().applyTo(back);
    first.inverse().applyTo(back);
    EXPECT_EQ(back, start);
}

}  // namespace
