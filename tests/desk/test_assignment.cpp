// The keypad, Vlož and START: assignment, preselections, function modes and
// the closing steps (Save-as once, save, refresh, display reset).
#include "StoreSetup.h"
#include "DeskFixture.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <optional>

namespace {

struct KeypadCase {
    const char *keys;
    const char *display;
};

void PrintTo(const KeypadCase &c, std::ostream *os)
{
    *os << c.keys;
}

class KeypadTest : public DeskFixture, public ::testing::WithParamInterface<KeypadCase> {};

TEST_P(KeypadTest, DigitsAndBackspace)
{
    QSignalSpy focus(&desk, &TimingDesk::focusInsertRequested);
    QSignalSpy shown(&desk, &TimingDesk::displayChanged);
    const QString keys = QString::fromLatin1(GetParam().keys);
    Type(keys);
    const QString expected = QString::fromLatin1(GetParam().display);
    EXPECT_EQ(desk.displayText(), expected);
    EXPECT_EQ(desk.labelText(), "Racer " + expected);
    EXPECT_EQ(focus.size(), keys.size());
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.last()[0].toString(), expected);
    EXPECT_EQ(shown.last()[1].toString(), "Racer " + expected);
}

INSTANTIATE_TEST_SUITE_P(Desk, KeypadTest,
                         ::testing::Values(KeypadCase{"1234", "1234"},
                                           KeypadCase{"12345", "0"},  // a fifth digit starts over
                                           KeypadCase{"123456", "6"}, KeypadCase{"1234<", "123"}, KeypadCase{"7<", "0"},
                                           KeypadCase{"<", "0"}, KeypadCase{"0070", "70"}, KeypadCase{"9999", "9999"}));

TEST_F(DeskFixture, LabelIsEmptyWithoutRacerDirectoryAndResetsToDashes)
{
    desk.setRacers(nullptr);
    Type("42");
    EXPECT_EQ(desk.labelText(), "");
    desk.ResetDisplay();
    EXPECT_EQ(desk.displayText(), "0");
    EXPECT_EQ(desk.labelText(), "---");
}

TEST_F(DeskFixture, VlozAssignsTheSelectedImpulseElseTheOldest)
{
    const QString path = NameDataFile();
    for (int i = 0; i < 3; ++i)
        desk.PostFinishImpulse(At(10, 0, i, 7));
    desk.finishList().setSelectedRow(1);
    Type("12");
    desk.insert();
    Type("34");
    desk.insert();

    ASSERT_EQ(data.records().size(), 2u);
    EXPECT_EQ(data.records()[0]->Number, 34);  // saved, so sorted by time
    EXPECT_EQ(data.records()[0]->Time, At(10, 0, 0, 7));
    EXPECT_EQ(data.records()[1]->Number, 12);
    EXPECT_EQ(data.records()[1]->Time, At(10, 0, 1, 7));
    EXPECT_EQ(data.records()[1]->Penalty, 0);
    EXPECT_EQ(SubItems(desk.finishList()), QStringList{"10:00:02,007"});
    EXPECT_EQ(refreshed, (std::vector<int>{12, 34}));
    EXPECT_EQ(desk.displayText(), "0");
    EXPECT_EQ(desk.labelText(), "---");
    EXPECT_EQ(OnDisk(path).size(), 2u);
    EXPECT_TRUE(dialogs.asked.empty());
}

// A number typed while two impulses wait takes the older one: the status
// bar says which and how many are left, without a box; the last impulse of
// its list taken says nothing.
TEST_F(DeskFixture, AnOlderImpulseTakenIsToldInTheStatusBar)
{
    NameDataFile();
    QSignalSpy told(&desk, &TimingDesk::olderImpulseTaken);
    for (int i = 0; i < 3; ++i)
        desk.PostFinishImpulse(At(14, 2, 11 + i, 250));
    Type("7");
    desk.insert();
    Type("8");
    desk.insert();
    Type("9");
    desk.insert();
    ASSERT_EQ(told.size(), 2);
    EXPECT_EQ(told[0][0].toString(), u"Přiřazen impuls 14:02:11,250; čekají ještě 2"_qs);
    EXPECT_EQ(told[1][0].toString(), u"Přiřazen impuls 14:02:12,250; čeká ještě 1"_qs);
    EXPECT_TRUE(dialogs.asked.empty());
    EXPECT_EQ(TimingDesk::OlderImpulseText(At(14, 2, 11, 250), 5), u"Přiřazen impuls 14:02:11,250; čeká ještě 5"_qs);
}

TEST_F(DeskFixture, VlozWithZeroOnTheDisplayAssignsNumberZero)
{
    NameDataFile();
    desk.PostFinishImpulse(At(10, 0, 0));
    desk.insert();
    EXPECT_EQ(StoreNumbers(), std::vector<int>{0});
}

// A selected row of the wrong kind ends the key press at once.
struct WrongSelectionCase {
    const char *name;
    int photocellMode;
    bool start;                // START instead of Vlož
    const char *displayAfter;  // START in photocell mode 1 still runs its own closing steps
    bool saved;
    std::optional<ImpulseKind> otherRow;  // an impulse row of the other kind, if any fits the list
};

void PrintTo(const WrongSelectionCase &c, std::ostream *os)
{
    *os << c.name;
}

class WrongSelectionTest : public DeskFixture, public ::testing::WithParamInterface<WrongSelectionCase> {};

TEST_P(WrongSelectionTest, ShowsMessageClearsSelectionAndStops)
{
    const auto &c = GetParam();
    const QString path = NameDataFile();
    // A preselection in the list the key works on, then a row of an impulse
    // kind this photocell mode does not assign below it.
    desk.settings().photocellMode = c.photocellMode;
    if (c.start)
        desk.startRace();
    else {
        Type("7");
        desk.insert();
    }
    ImpulseListModel &list = c.start && c.photocellMode == 0 ? desk.startList() : desk.finishList();
    ASSERT_EQ(Captions(list), QStringList{"Před.IMPULS"});
    if (c.otherRow)
        list.appendRow(ImpulseRow::Impulse(*c.otherRow, At(10, 0, 0)));
    ASSERT_TRUE(QFile::remove(path));

    for (int row : {0, list.size() - 1}) {
        SCOPED_TRACE(row);
        list.setSelectedRow(row);
        Type("45");
        c.start ? desk.startRace() : desk.insert();
        EXPECT_EQ(dialogs.messages().last(),
                  "Neplatná obsluha: v seznamu vybraná položka není impuls od fotobuňky. Výběr "
                  "bude zrušen.");
        EXPECT_EQ(list.selectedRow(), -1);
        EXPECT_EQ(desk.displayText(), c.displayAfter);
        EXPECT_EQ(QFileInfo::exists(path), c.saved);
        desk.ResetDisplay();
    }
    EXPECT_TRUE(data.records().empty());
    EXPECT_TRUE(refreshed.empty());
    EXPECT_EQ(dialogs.messages().size(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Desk, WrongSelectionTest,
    ::testing::Values(WrongSelectionCase{"Vloz", 0, false, "45", false, ImpulseKind::ImpulseEither},
                      WrongSelectionCase{"VlozPhotocellMode1", 1, false, "45", false, ImpulseKind::ImpulseFB2},
                      WrongSelectionCase{"Start", 0, true, "10000", false, std::nullopt},
                      WrongSelectionCase{"StartPhotocellMode1", 1, true, "0", true, ImpulseKind::ImpulseFB2}),
    [](const auto &tested) { return std::string(tested.param.name); });

TEST_F(DeskFixture, FunctionModeOneWithoutImpulseSaysSoSavesAndResets)
{
    const QString path = NameDataFile();
    desk.settings().functionMode = 1;
    desk.PostStartImpulse(At(10, 0, 0));  // a start impulse is no use to Vlož
    Type("45");
    desk.insert();
    EXPECT_EQ(dialogs.messages(), QStringList{"Neexistuje impuls od fotobuňky k přiřazení!"});
    EXPECT_TRUE(desk.finishList().empty());
    EXPECT_EQ(desk.startList().size(), 1);
    EXPECT_TRUE(data.records().empty());
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_TRUE(refreshed.empty());
    EXPECT_EQ(desk.displayText(), "0");
}

TEST_F(DeskFixture, PreselectionsQueueAndCompleteInOrder)
{
    for (int mode : {0, 1}) {
        SCOPED_TRACE(mode);
        ClearRecords(data);
        refreshed.clear();
        NameDataFile(QString("mode%1.csv").arg(mode));
        desk.settings().photocellMode = mode;
        Type("7");
        desk.insert();
        Type("12");
        desk.insert();
        EXPECT_EQ(Captions(desk.finishList()), (QStringList{"Před.IMPULS", "Před.IMPULS"}));
        EXPECT_EQ(SubItems(desk.finishList()), (QStringList{"7", "12"}));
        EXPECT_TRUE(refreshed.empty());

        desk.PostFinishImpulse(At(11 + mode, 0, 0));
        EXPECT_EQ(SubItems(desk.finishList()), QStringList{"12"});
        desk.PostFinishImpulse(At(11 + mode, 0, 5));
        EXPECT_TRUE(desk.finishList().empty());
        ASSERT_EQ(StoreNumbers(), (std::vector<int>{7, 12}));
        EXPECT_EQ(data.records()[0]->Time, At(11 + mode, 0, 0));
        EXPECT_EQ(data.records()[1]->Time, At(11 + mode, 0, 5));
        EXPECT_EQ(refreshed, (std::vector<int>{7, 12}));
        EXPECT_EQ(OnDisk(data.FileName).size(), 2u);
    }
}

TEST_F(DeskFixture, StartPreselectionBecomesTheRaceStart)
{
    struct Case {
        int photocellMode;
        bool inStartList;
    };
    for (const Case c : {Case{0, true}, Case{1, false}}) {
        SCOPED_TRACE(c.photocellMode);
        ClearRecords(data);
        NameDataFile();
        desk.settings().photocellMode = c.photocellMode;
        desk.startRace();
        ImpulseListModel &queued = c.inStartList ? desk.startList() : desk.finishList();
        EXPECT_EQ(Captions(queued), QStringList{"Před.IMPULS"});
        EXPECT_EQ(SubItems(queued), QStringList{"10000"});
        EXPECT_EQ(desk.displayText(), "0");

        now = At(10, 30, 0, 250);
        // FB1 in either mode: in mode 1 a simulated FB1 lands in the finish list.
        desk.simulateStartImpulse();
        EXPECT_TRUE(desk.startList().empty());
        EXPECT_TRUE(desk.finishList().empty());
        ASSERT_EQ(StoreNumbers(), std::vector<int>{RaceStartNumber});
        EXPECT_EQ(data.records()[0]->Time, At(10, 30, 0, 250));
        EXPECT_EQ(refreshed.back(), RaceStartNumber);
    }
}

TEST_F(DeskFixture, ArrivingImpulseCompletesPreselectionWhileTyping)
{
    NameDataFile();
    Type("12");
    desk.insert();
    Type("45");
    desk.PostFinishImpulse(At(10, 5, 0));
    EXPECT_EQ(StoreNumbers(), std::vector<int>{12});
    EXPECT_EQ(desk.displayText(), "0");
    EXPECT_EQ(desk.labelText(), "---");
}

TEST_F(DeskFixture, PreselectionRowIsFoundAgainAfterAnOlderImpulseAboveItIsTaken)
{
    NameDataFile();
    // An "IMPULS" row from photocell mode 1 waits; in mode 0 Vlož does not see
    // it and queues 7 below it.
    desk.settings().photocellMode = 1;
    desk.simulateFinishImpulse();
    desk.settings().photocellMode = 0;
    Type("7");
    desk.insert();
    ASSERT_EQ(Captions(desk.finishList()), (QStringList{"IMPULS", "Před.IMPULS"}));
    // Back in mode 1 a new impulse arrives; the assignment takes the older row
    // above the preselection, and the preselection row is still the one deleted.
    desk.settings().photocellMode = 1;
    desk.PostFinishImpulse(At(10, 1, 0));
    EXPECT_EQ(StoreNumbers(), std::vector<int>{7});
    EXPECT_EQ(data.records()[0]->Time, At(10, 0, 0));
    EXPECT_EQ(Captions(desk.finishList()), QStringList{"IMPULS"});
    EXPECT_EQ(SubItems(desk.finishList()), QStringList{"10:01:00,000"});
}

TEST_F(DeskFixture, FunctionModeZeroStampsTheCurrentTime)
{
    NameDataFile();
    desk.settings().functionMode = 0;
    desk.PostFinishImpulse(At(9, 0, 0));
    desk.PostStartImpulse(At(9, 0, 1));
    now = At(10, 0, 0, 1);
    Type("5");
    desk.insert();
    now = At(9, 59, 0);
    desk.startRace();
    ASSERT_EQ(StoreNumbers(), (std::vector<int>{RaceStartNumber, 5}));
    EXPECT_EQ(data.records()[0]->Time, At(9, 59, 0));
    EXPECT_EQ(data.records()[1]->Time, At(10, 0, 0, 1));
    EXPECT_EQ(desk.finishList().size(), 1);
    EXPECT_EQ(desk.startList().size(), 1);
    EXPECT_EQ(refreshed, (std::vector<int>{5, RaceStartNumber}));
}

TEST_F(DeskFixture, SaveAsComesOnceCancelStillSavesToTheTemporaryFile)
{
    const QString temp = data.FileName;
    desk.settings().functionMode = 0;
    dialogs.answerSave(std::nullopt);
    Type("3");
    desk.insert();
    ASSERT_EQ(dialogs.count(ScriptedDialogs::Asked::SaveFile), 1);
    const FileRequest &asked = dialogs.asked[0].request;
    EXPECT_EQ(asked.title, "Datový soubor záznamu časů...");
    EXPECT_EQ(asked.filter, "Soubory CSV (*.csv *.csvz)|*.csv;*.csvz|Všechny soubory (*.*)|*.*");
    EXPECT_EQ(asked.defaultSuffix, "csvz");
    EXPECT_FALSE(data.Unnamed);
    EXPECT_EQ(data.FileName, temp);
    EXPECT_EQ(OnDisk(temp).size(), 1u);

    desk.startRace();
    desk.save();
    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::SaveFile), 1);
    EXPECT_EQ(OnDisk(temp).size(), 2u);
}

TEST_F(DeskFixture, StartInPhotocellModeOneAsksOnceAndSavesToTheChosenFile)
{
    const QString chosen = dir.filePath("sobota.csv");
    dialogs.answerSave(chosen);
    desk.settings().photocellMode = 1;
    desk.PostFinishImpulse(At(10, 0, 0));
    desk.startRace();
    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::SaveFile), 1);
    EXPECT_EQ(data.FileName, chosen);
    const auto saved = OnDisk(chosen);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].Number, RaceStartNumber);
    EXPECT_EQ(saved[0].Time, At(10, 0, 0));
    EXPECT_EQ(refreshed, std::vector<int>{RaceStartNumber});
    EXPECT_EQ(desk.displayText(), "0");
}

// The module link delivers impulses while a dialog of an assignment is open.
// They go into their list at once; their arrival checks wait until the
// assignment is over, so the preselection is completed once, after the
// operator named the file, and no second Save-as dialog opens inside the first.
TEST_F(DeskFixture, ArrivalDuringTheSaveAsDialogWaitsThenAssignsOnce)
{
    const QString chosen = dir.filePath("nedele.csv");
    dialogs.answerSave(chosen);
    dialogs.whileOpen = [&](const ScriptedDialogs::Asked &) {
        dialogs.whileOpen = nullptr;
        desk.PostFinishImpulse(At(10, 0, 5));
        EXPECT_EQ(Captions(desk.finishList()), (QStringList{"Před.IMPULS", "IMPULS FB2"}));
        EXPECT_TRUE(data.records().empty());
        desk.insert();  // pressed meanwhile: ignored
    };
    Type("7");
    desk.insert();  // no impulse yet: a preselection of 7, then the Save-as dialog

    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::SaveFile), 1);
    EXPECT_TRUE(desk.finishList().empty());
    EXPECT_EQ(StoreNumbers(), std::vector<int>{7});
    const auto saved = OnDisk(chosen);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].Number, 7);
    EXPECT_EQ(saved[0].Time, At(10, 0, 5));
    EXPECT_EQ(refreshed, std::vector<int>{7});
    EXPECT_EQ(desk.displayText(), "0");
}

// Several impulses during one message box: their checks run in arrival
// order, each completing the oldest preselection of its own list.
TEST_F(DeskFixture, ArrivalsDuringAMessageRunInOrderAfterIt)
{
    NameDataFile();
    Type("7");
    desk.insert();
    Type("12");
    desk.insert();
    desk.startRace();  // three preselections: 7 and 12 in the finish list, 10000 in the start list
    desk.PostStartImpulse(At(9, 0, 0));
    ASSERT_EQ(StoreNumbers(), std::vector<int>{RaceStartNumber});
    refreshed.clear();
    Type("12");
    desk.insert();
    desk.startRace();  // a second start, queued

    // A start list row that is no impulse is selected: START says so.
    desk.startList().setSelectedRow(0);
    dialogs.whileOpen = [&](const ScriptedDialogs::Asked &) {
        dialogs.whileOpen = nullptr;
        desk.PostFinishImpulse(At(10, 0, 1));
        desk.PostStartImpulse(At(10, 0, 2));
        desk.PostFinishImpulse(At(10, 0, 3));
        desk.PostFinishImpulse(At(10, 0, 4));
        desk.startRace();  // ignored while the message is open
        EXPECT_EQ(desk.finishList().size(), 6);
        EXPECT_EQ(data.records().size(), 1u);
    };
    desk.startRace();
    EXPECT_EQ(dialogs.messages(), QStringList{"Neplatná obsluha: v seznamu vybraná položka není impuls od "
                                              "fotobuňky. Výběr bude zrušen."});

    EXPECT_EQ(refreshed, (std::vector<int>{7, RaceStartNumber, 12, 12}));
    std::vector<std::pair<int, QString>> onDisk;
    for (const TimeRecord &r : OnDisk(data.FileName))
        onDisk.emplace_back(r.Number, DayTimeToText(r.Time));
    EXPECT_EQ(onDisk, (std::vector<std::pair<int, QString>>{{RaceStartNumber, "09:00:00,000"},
                                                            {7, "10:00:01,000"},
                                                            {RaceStartNumber, "10:00:02,000"},
                                                            {12, "10:00:03,000"},
                                                            {12, "10:00:04,000"}}));
    EXPECT_TRUE(desk.startList().empty());
    EXPECT_TRUE(desk.finishList().empty());
}

}  // namespace
