// The manual entry as the operator works it: open, type, tick, OK, Storno,
// with the store, the data file and the messages checked after each script.
#include "StoreSetup.h"
#include "Records.h"
#include "DeskFixture.h"
#include "ManualEntry.h"
#include "QtPrinters.h"

namespace {

// One record as "number time penalty", e.g. "42 10:00:00,000 0".
QString Describe(const TimeRecord &r)
{
    return QStringLiteral("%1 %2 %3").arg(r.Number).arg(DayTimeToText(r.Time)).arg(r.Penalty);
}

struct EntryCase {
    const char *name;
    // Records in the store (and on disk) before the script, as Describe writes them.
    std::vector<const char *> stored;
    // Steps: "new", "open N" (Nth stored record), "remove N", "tick", "untick",
    // "time T", "number N", "penalty P" (typed into the field), "ok", "storno".
    std::vector<const char *> script;
    std::vector<const char *> expectedStore;  // in store order after a save
    std::vector<const char *> messages;
    bool shownAtEnd = false;
    // The fields the dialog shows at the end: time, number, penalty, check box.
    const char *time = nullptr;
    const char *number = nullptr;
    const char *penalty = nullptr;
    bool raceStart = false;
};

void PrintTo(const EntryCase &c, std::ostream *out)
{
    *out << c.name;
}

class ManualEntryTest : public DeskFixture, public ::testing::WithParamInterface<EntryCase> {
protected:
    void SetUp() override
    {
        DeskFixture::SetUp();
        now = TextToDayTime(QStringLiteral("10:20:30,400"));
        QObject::connect(&entry, &ManualEntry::focusRequested, [this](ManualEntry::Field f) { focus.push_back(f); });
    }
    void Run(const char *step)
    {
        const QString s = QString::fromUtf8(step);
        const QString arg = s.section(QLatin1Char(' '), 1);
        const ManualEntry::Fields f = entry.fields();
        if (s == QLatin1String("new"))
            entry.OpenNew();
        else if (s.startsWith(QLatin1String("open ")))
            entry.OpenRecord(storedRecords.at(size_t(arg.toInt())));
        else if (s.startsWith(QLatin1String("remove "))) {
            // as "Sma&ž" does it
            desk.deleteRecord(storedRecords.at(size_t(arg.toInt())));
        } else if (s == QLatin1String("tick") || s == QLatin1String("untick"))
            entry.markRaceStart(s == QLatin1String("tick"));
        else if (s.startsWith(QLatin1String("time ")))
            entry.setTyped(arg, f.number, f.penalty);
        else if (s.startsWith(QLatin1String("number ")) || s == QLatin1String("number"))
            entry.setTyped(f.time, arg, f.penalty);
        else if (s.startsWith(QLatin1String("penalty ")))
            entry.setTyped(f.time, f.number, arg);
        else if (s == QLatin1String("ok"))
            entry.confirm();
        else if (s == QLatin1String("storno"))
            entry.cancel();
        else
            FAIL() << "unknown step " << step;
    }

    ManualEntry entry{data, dialogs};
    std::vector<TimeRecordPtr> storedRecords;
    std::vector<ManualEntry::Field> focus;
};

TEST_P(ManualEntryTest, ScriptEndsWithTheStoreTheFileAndTheFieldsExpected)
{
    const EntryCase &c = GetParam();
    const QString file = NameDataFile();
    for (const char *text : c.stored) {
        const QStringList parts = QString::fromUtf8(text).split(QLatin1Char(' '));
        const TimeRecordPtr r = Record(parts[0].toInt(), parts[1], {.penalty = parts[2].toInt()});
        AppendRecord(data, r);
        storedRecords.push_back(r);
    }
    ASSERT_TRUE(data.Save());

    for (const char *step : c.script) {
        SCOPED_TRACE(step);
        Run(step);
    }

    QStringList store;
    for (const TimeRecordPtr &r : data.records())
        store << Describe(*r);
    QStringList expected;
    for (const char *text : c.expectedStore)
        expected << QString::fromUtf8(text);
    EXPECT_EQ(store, expected);

    // Every OK that gets through is saved at once; a refused one changes
    // neither the store nor the file.
    QStringList disk;
    for (const TimeRecord &r : OnDisk(file))
        disk << Describe(r);
    EXPECT_EQ(disk, expected);
    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::SaveFile), 0) << "never a Save-as dialog";

    QStringList messages;
    for (const char *m : c.messages)
        messages << QString::fromUtf8(m);
    EXPECT_EQ(dialogs.messages(), messages);

    EXPECT_EQ(entry.isShown(), c.shownAtEnd);
    const ManualEntry::Fields &f = entry.fields();
    if (c.time) {
        EXPECT_EQ(f.time, QString::fromUtf8(c.time));
    }
    if (c.number) {
        EXPECT_EQ(f.number, QString::fromUtf8(c.number));
    }
    if (c.penalty) {
        EXPECT_EQ(f.penalty, QString::fromUtf8(c.penalty));
    }
    EXPECT_EQ(f.raceStart, c.raceStart);
    EXPECT_EQ(entry.numberEnabled(), !c.raceStart);
}

const char *const BadNumber = "Neplatné číslo závodníka!";

INSTANTIATE_TEST_SUITE_P(
    Cases, ManualEntryTest,
    ::testing::Values(
        EntryCase{"NewEntryAtTheShownTimeOfDay",
                  {"10000 10:00:00,000 0"},
                  {"new", "number 42", "ok"},
                  {"10000 10:00:00,000 0", "42 10:20:30,400 0"},
                  {},
                  false,
                  "10:20:30,400",
                  "42",
                  "0"},
        EntryCase{"RaceStartTakenByHand",
                  {},
                  {"new", "tick", "ok"},
                  {"10000 10:20:30,400 0"},
                  {},
                  false,
                  nullptr,
                  "10000",
                  "0",
                  true},
        EntryCase{"UntickingEmptiesTheNumber", {}, {"new", "tick", "untick"}, {}, {}, true, nullptr, "", "0", false},
        EntryCase{"OpenedRecordShowsItsFields",
                  {"42 10:05:00,000 7"},
                  {"open 0"},
                  {"42 10:05:00,000 7"},
                  {},
                  true,
                  "10:05:00,000",
                  "42",
                  "7",
                  false},
        EntryCase{"OpenedRaceStartKeepsItsNumber",
                  {"10000 10:00:00,000 0"},
                  {"open 0", "time 09:59:00,000", "ok"},
                  {"10000 09:59:00,000 0"},
                  {},
                  false,
                  nullptr,
                  "10000",
                  "0",
                  true},
        EntryCase{"EditMovesTheRecordAndMinutesOver59AddUp",
                  {"10000 10:00:00,000 0", "42 10:05:00,000 0", "43 10:06:00,000 0"},
                  {"open 1", "time 10:75:00,000", "number 44", "penalty 2", "ok"},
                  {"10000 10:00:00,000 0", "43 10:06:00,000 0", "44 11:15:00,000 2"},
                  {},
                  false},
        EntryCase{"RecordDeletedMeanwhileIsNotWrittenBack",
                  {"42 10:05:00,000 0", "43 10:06:00,000 0"},
                  {"open 0", "remove 0", "time 11:00:00,000", "ok"},
                  {"43 10:06:00,000 0"},
                  {},
                  false},
        EntryCase{"EmptyNumberIsRefusedThenAccepted",
                  {},
                  {"new", "ok", "number 42", "ok"},
                  {"42 10:20:30,400 0"},
                  {BadNumber},
                  false},
        EntryCase{"EmptyNumberLeavesTheDialogOpen", {}, {"new", "number    ", "ok"}, {}, {BadNumber}, true},
        EntryCase{"LettersInThePenaltyAreRefused",
                  {},
                  {"new", "number 42", "penalty abc", "ok"},
                  {},
                  {"'abc' is not a valid integer value"},
                  true,
                  nullptr,
                  "42",
                  "abc"},
        EntryCase{"PenaltyBeyondADayIsRefused",
                  {},
                  {"new", "number 42", "penalty 86401", "ok"},
                  {},
                  {"Trestné vteřiny mohou být nejvýše 86400 (jeden den) a nejméně -86400; 86401 mezi ně nepatří."},
                  true,
                  nullptr,
                  "42",
                  "86401"},
        EntryCase{"PenaltyOfMinusADayIsStored",
                  {},
                  {"new", "number 42", "penalty -86400", "ok"},
                  {"42 10:20:30,400 -86400"},
                  {},
                  false,
                  nullptr,
                  nullptr,
                  "0"},
        EntryCase{"NumberBeyondTheRaceStartIsRefused", {}, {"new", "number 10001", "ok"}, {}, {BadNumber}, true},
        EntryCase{"NegativePenaltyIsStored",
                  {},
                  {"new", "number 42", "penalty -3", "ok"},
                  {"42 10:20:30,400 -3"},
                  {},
                  false,
                  nullptr,
                  nullptr,
                  "0"},
        EntryCase{"PenaltyKeptAfterStornoGoesToTheNextEntry",
                  {"42 10:05:00,000 5"},
                  {"open 0", "storno", "new", "number 43", "ok"},
                  {"42 10:05:00,000 5", "43 10:20:30,400 5"},
                  {},
                  false,
                  nullptr,
                  nullptr,
                  "0"},
        EntryCase{"RefusedFieldLeavesTheStoredRecordAsItWas",
                  {"42 10:05:00,000 0"},
                  {"open 0", "time 11:00:00,000", "number", "ok", "storno"},
                  {"42 10:05:00,000 0"},
                  {BadNumber},
                  false},
        EntryCase{"RefusedPenaltyLeavesTheStoredRecordAsItWas",
                  {"42 10:05:00,000 0"},
                  {"open 0", "time 11:00:00,000", "number 43", "penalty x", "ok", "storno"},
                  {"42 10:05:00,000 0"},
                  {"'x' is not a valid integer value"},
                  false},
        EntryCase{"IncompleteTimeCountsItsEmptyPartsAsZero",
                  {},
                  {"new", "time 10:__:05,___", "number 42", "ok"},
                  {"42 10:00:05,000 0"},
                  {},
                  false}),
    [](const ::testing::TestParamInfo<EntryCase> &param) { return std::string(param.param.name); });

TEST_F(DeskFixture, ManualEntryOkReportsFocusRefreshAndHidingInOrder)
{
    ManualEntry entry(data, dialogs);
    NameDataFile();
    std::vector<QString> events;
    QObject::connect(&data, &RecordStore::recordsChanged, [&](const RecordChange &change) {
        events.push_back(QStringLiteral("refresh %1").arg(change.selectNumber));
    });
    QObject::connect(&entry, &ManualEntry::showRequested, [&] { events.push_back(QStringLiteral("show")); });
    QObject::connect(&entry, &ManualEntry::hideRequested, [&] { events.push_back(QStringLiteral("hide")); });
    QObject::connect(&entry, &ManualEntry::focusRequested, [&](ManualEntry::Field f) {
        events.push_back(f == ManualEntry::Field::Time ? QStringLiteral("focus time") : QStringLiteral("focus number"));
    });

    entry.OpenNew();
    entry.confirm();  // empty number
    entry.setTyped(entry.fields().time, QStringLiteral("7"), entry.fields().penalty);
    entry.confirm();
    const std::vector<QString> expected = {QStringLiteral("show"), QStringLiteral("focus number"),
                                           QStringLiteral("refresh -1"), QStringLiteral("focus time"),
                                           QStringLiteral("hide")};
    EXPECT_EQ(events, expected);

    // After OK the entry is the stored record: deleting it and pressing OK
    // again (the dialog reopened by hand) stores nothing.
    const TimeRecordPtr stored = entry.EditedRecord();
    ASSERT_TRUE(data.Contains(stored.get()));
    ASSERT_TRUE(data.apply({{RecordEdit::Deleted(stored)}}));
    entry.confirm();
    EXPECT_TRUE(data.records().empty());

    // Hiding keeps the fields and the record.
    entry.OpenRecord(stored);
    entry.Hide();
    EXPECT_FALSE(entry.isShown());
    EXPECT_EQ(entry.EditedRecord(), stored);
    EXPECT_EQ(entry.fields().number, QStringLiteral("7"));
}

}  // namespace
