// Undo and redo of the timing page's actions, on the desk without widgets:
// taking every step of a sequence back must leave the records, both impulse
// lists and the data file exactly as they were, and doing them again exactly
// as they ended.
#include "DeskFixture.h"
#include "ManualEntry.h"
#include "StoreSetup.h"
#include "Records.h"

namespace {

struct State {
    std::vector<std::tuple<int, DayTime, int, int>> records;  // number, time, penalty, lap in store order
    QStringList start, finish;                                // "caption subItem" per row
    QByteArray file;
    bool operator==(const State &) const = default;
};

void PrintTo(const State &s, std::ostream *out)
{
    *out << "records:";
    for (const auto &[number, time, penalty, lap] : s.records)
        *out << ' ' << number << '@' << DayTimeToText(time).toStdString() << '+' << penalty << '/' << lap;
    *out << " start: " << s.start.join(QStringLiteral(", ")).toStdString()
         << " finish: " << s.finish.join(QStringLiteral(", ")).toStdString() << " file bytes: " << s.file.size();
}

struct UndoCase {
    const char *name;
    std::vector<const char *> actions;
    int steps;  // what the history holds afterwards: one per action that changed something
};

void PrintTo(const UndoCase &c, std::ostream *out)
{
    *out << c.name;
}

class UndoTest : public DeskFixture, public ::testing::WithParamInterface<UndoCase> {
protected:
    void SetUp() override
    {
        DeskFixture::SetUp();
        file = NameDataFile();
        data.ReplaceRecords(
            {Record(RaceStartNumber, At(9, 0, 0)), Record(7, At(9, 10, 0)), Record(8, At(9, 20, 0), {.penalty = 5})});
        ASSERT_TRUE(data.Save());
        now = At(10, 0, 0);
        desk.PostStartImpulse(At(10, 0, 0, 500));
        desk.PostFinishImpulse(At(10, 0, 3));
        desk.PostFinishImpulse(At(10, 0, 6));
    }
    static QStringList Rows(const ImpulseListModel &list)
    {
        QStringList out;
        for (const auto &row : list.rows())
            out << row.caption() + u' ' + row.valueText();
        return out;
    }
    State Now()
    {
        State s;
        for (const TimeRecordPtr &r : data.records())
            s.records.emplace_back(r->Number, r->Time, r->Penalty, r->Lap);
        s.start = Rows(desk.startList());
        s.finish = Rows(desk.finishList());
        QFile f(file);
        if (f.open(QIODevice::ReadOnly))
            s.file = f.readAll();
        return s;
    }
    void Run(const QString &action)
    {
        const QStringList w = action.split(u' ');
        now += 1000;
        if (w[0] == u"type") {
            Type(w[1]);
        } else if (w[0] == u"vloz") {
            desk.insert();
        } else if (w[0] == u"start") {
            desk.startRace();
        } else if (w[0] == u"select") {
            (w[1] == u"S" ? desk.startList() : desk.finishList()).setSelectedRow(w[2].toInt());
        } else if (w[0] == u"smaz") {
            desk.deleteSelectedImpulse();
        } else if (w[0] == u"smazvse") {
            desk.deleteAllImpulses();
        } else if (w[0] == u"new") {  // new <time> <number>: manual entry
            manual.OpenNew();
            manual.setTyped(w[1], w[2], QStringLiteral("0"));
            manual.confirm();
        } else if (w[0] == u"edit") {  // edit <record> <penalty>
            manual.OpenRecord(data.records().at(w[1].toUInt()));
            manual.setTyped(manual.fields().time, manual.fields().number, w[2]);
            manual.confirm();
        } else if (w[0] == u"delete") {  // "Smaž" on the record list
            desk.deleteRecord(data.records().at(w[1].toUInt()));
        } else {
            FAIL() << "unknown action " << action.toStdString();
        }
    }

    QString file;
    ManualEntry manual{data, dialogs};
};

TEST_P(UndoTest, UndoingAllRestoresTheStartAndRedoingAllTheEnd)
{
    const UndoCase &c = GetParam();
    const State start = Now();
    for (const char *action : c.actions) {
        SCOPED_TRACE(action);
        Run(QString::fromUtf8(action));
    }
    const State end = Now();
    EXPECT_NE(end, start);
    EXPECT_EQ(desk.history().count(), c.steps);

    while (desk.history().canUndo())
        desk.Undo();
    EXPECT_EQ(Now(), start);
    while (desk.history().canRedo())
        desk.Redo();
    EXPECT_EQ(Now(), end);
    EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages().join(u'\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, UndoTest,
    ::testing::Values(UndoCase{"VlozTakesTheOldestImpulse", {"type 42", "vloz"}, 1},
                      UndoCase{"VlozTakesTheSelectedImpulse", {"select F 1", "type 42", "vloz"}, 1},
                      UndoCase{"StartTakesTheStartImpulse", {"start"}, 1},
                      UndoCase{"PreselectionTyped", {"type 42", "vloz", "type 43", "vloz", "type 44", "vloz"}, 3},
                      UndoCase{"ImpulseDeleted", {"select F 0", "smaz"}, 1},
                      UndoCase{"PreselectionDeleted",
                               {"type 1", "vloz", "type 2", "vloz", "type 3", "vloz", "select F 0", "smaz"},
                               4},
                      UndoCase{"AllDeleted", {"type 1", "vloz", "type 2", "vloz", "type 3", "vloz", "smazvse"}, 4},
                      UndoCase{"ManualNewRecordAndRaceStart", {"new 10:30:00,000 9", "new 10:31:00,000 10000"}, 2},
                      UndoCase{"ManualEdits", {"edit 1 30", "edit 2 0", "edit 1 0"}, 3},
                      UndoCase{"RecordsDeleted", {"delete 1", "delete 0"}, 2},
                      UndoCase{"Mixed",
                               {"type 42", "vloz", "edit 3 10", "select F 0", "type 43", "vloz", "type 44", "vloz",
                                "delete 0", "new 10:45:00,000 5", "start", "smazvse", "type 45", "vloz"},
                               9}),
    [](const ::testing::TestParamInfo<UndoCase> &param) { return std::string(param.param.name); });

// An undo that no longer applies: the record the step made was removed
// meanwhile by something outside the history.  Nothing of the step is taken
// back, not even the impulse it used.
TEST_F(UndoTest, UndoThatNoLongerAppliesIsRefusedAndChangesNothing)
{
    Run(QStringLiteral("type 42"));
    Run(QStringLiteral("vloz"));
    std::vector<TimeRecordPtr> kept;
    for (const TimeRecordPtr &r : data.records())
        if (r->Number != 42)
            kept.push_back(r);
    data.ReplaceRecords(kept);
    ASSERT_TRUE(data.Save());
    const State before = Now();

    desk.Undo();
    EXPECT_EQ(Now(), before);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(
        dialogs.messages()[0].startsWith(QStringLiteral("Krok „přiřazení čísla 42 (10:00:03,000)“ nelze vrátit")))
        << dialogs.messages()[0].toStdString();
    EXPECT_EQ(desk.history().index(), 1);  // the step stays where it was

    // A row the step would remove is gone: a redo is refused the same way.
    Run(QStringLiteral("type 43"));
    Run(QStringLiteral("vloz"));  // takes the other impulse
    desk.Undo();
    ASSERT_EQ(desk.finishList().size(), 1);
    DeskStep away;
    away.rows.push_back({JournalList::Finish, true, desk.finishList().at(0)});
    ASSERT_TRUE(desk.Apply(away));
    const State gone = Now();
    desk.Redo();
    EXPECT_EQ(Now(), gone);
    EXPECT_EQ(dialogs.messages().size(), 2);
}

// A preselection completed by an arriving impulse is one step with the record
// it made: undoing it puts both the impulse and the preselection back at
// their places.
TEST_F(UndoTest, UndoingACompletedPreselectionPutsBothRowsBack)
{
    desk.deleteAllImpulses();
    desk.history().clear();
    Run(QStringLiteral("type 12"));
    Run(QStringLiteral("vloz"));
    Run(QStringLiteral("type 13"));
    Run(QStringLiteral("vloz"));
    const State preselected = Now();
    desk.PostFinishImpulse(At(10, 5, 0));  // completes 12
    EXPECT_EQ(Rows(desk.finishList()), QStringList{QStringLiteral("Před.IMPULS 13")});
    ASSERT_EQ(desk.history().count(), 3);
    EXPECT_EQ(desk.history().undoText(), QStringLiteral("přiřazení čísla 12 (10:05:00,000)"));

    desk.Undo();
    EXPECT_EQ(Rows(desk.finishList()), (QStringList{QStringLiteral("Před.IMPULS 12"), QStringLiteral("Před.IMPULS 13"),
                                                    QStringLiteral("IMPULS FB2 10:05:00,000")}));
    const State undone = Now();
    EXPECT_EQ(undone.records, preselected.records);
    EXPECT_EQ(undone.file, preselected.file);
}

// The file commands start a new history.
TEST_F(UndoTest, FileCommandsClearTheHistory)
{
    Run(QStringLiteral("type 42"));
    Run(QStringLiteral("vloz"));
    ASSERT_TRUE(desk.history().canUndo());
    dialogs.answerSave(dir.filePath(QStringLiteral("jiny.csvz")));
    desk.saveAs();  // "Uložit jako..."
    EXPECT_FALSE(desk.history().canUndo());

    Run(QStringLiteral("type 43"));
    Run(QStringLiteral("vloz"));
    dialogs.answerQuestion(true);
    desk.newFile();  // "&Nový"
    EXPECT_FALSE(desk.history().canUndo());

    Run(QStringLiteral("new 10:30:00,000 9"));
    dialogs.answerOpen(file);
    desk.openFile();  // "&Otevřít"
    EXPECT_FALSE(desk.history().canUndo());
    EXPECT_FALSE(desk.history().canRedo());
}

}  // namespace
