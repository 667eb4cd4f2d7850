// The timing page worked from the keyboard: key sequences sent to the real
// main window (offscreen) and the records and impulse rows they leave.
#include "Clock.h"
#include "Controls.h"
#include "EventLog.h"
#include "HotTrackView.h"
#include "ManualEntry.h"
#include "QtPrinters.h"
#include "ScriptedDialogs.h"
#include "Startup.h"
#include "casy.h"
#include "main.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

class KeyFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        SetClockForTesting([] { return TextToDayTime(QStringLiteral("10:00:00,000")); });
        windows = CreateWindows(dialogs, dir.filePath(QStringLiteral("log.txt")));
        ASSERT_TRUE(windows.frmMain->HasStore());
        TData &data = *windows.frmMain->Data();
        data.FileName = dir.filePath(QStringLiteral("zavod.csvz"));
        data.Unnamed = false;
        main().show();
        QApplication::setActiveWindow(&main());
        ctl<HotTrackView>("lv")->setFocus();
    }
    void TearDown() override
    {
        SetClockForTesting({});
        dialogs.answerQuestion(true);
        windows = {};
        CloseLog();
    }
    TfrmMain &main() { return *windows.frmMain; }
    template <typename T = QWidget>
    T *ctl(const char *name)
    {
        return Control<T>(main(), name);
    }
    // Sends one key as the keyboard would: to the focused control, or to the
    // window when nothing has the focus.
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget *focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : &main(), key, modifiers);
    }
    // Space-separated keys: digits, "K4" (keypad digit), "Enter", "KEnter",
    // "K+", "Space", "Esc", "Bksp", "F3" to "F6", and "results" / "timing"
    // to show another page.
    void Type(const char *keys)
    {
        for (const QString &k : QString::fromLatin1(keys).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            SCOPED_TRACE(k.toStdString());
            const bool keypad = k.startsWith(QLatin1Char('K'));
            const QString name = keypad ? k.mid(1) : k;
            const Qt::KeyboardModifiers mod = keypad ? Qt::KeypadModifier : Qt::NoModifier;
            if (name.size() == 1 && name[0].isDigit())
                Press(Qt::Key(Qt::Key_0 + name[0].digitValue()), mod);
            else if (name == QLatin1String("Enter"))
                Press(keypad ? Qt::Key_Enter : Qt::Key_Return, mod);
            else if (name == QLatin1String("+"))
                Press(Qt::Key_Plus, mod);
            else if (name == QLatin1String("Space"))
                Press(Qt::Key_Space);
            else if (name == QLatin1String("Esc"))
                Press(Qt::Key_Escape);
            else if (name == QLatin1String("Bksp"))
                Press(Qt::Key_Backspace);
            else if (name.startsWith(QLatin1Char('F')))
                Press(Qt::Key(Qt::Key_F1 + name.mid(1).toInt() - 1));
            else if (name == QLatin1String("results"))
                ctl<QTabWidget>("PageControl")->setCurrentWidget(ctl("TabSheet3"));
            else if (name == QLatin1String("timing"))
                ctl<QTabWidget>("PageControl")->setCurrentWidget(ctl("tsMereni"));
            else
                FAIL() << "unknown key";
        }
    }
    int Rows(const char *list) { return ctl<QAbstractItemView>(list)->model()->rowCount(); }
    QStringList Store() const
    {
        QStringList out;
        for (const TRadekPtr &r : windows.frmMain->Data()->records())
            out << QStringLiteral("%1 %2").arg(r->Number).arg(DayTimeToText(r->Time));
        return out;
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    TikomatWindows windows;
};

struct KeyCase {
    const char *name;
    int functionMode;   // cbRezimFunkce
    int photocellMode;  // cbRezimFB
    const char *keys;
    const char *display;
    int startRows, finishRows;
    std::vector<const char *> store;
};

void PrintTo(const KeyCase &c, std::ostream *out)
{
    *out << c.name;
}

class KeyMapTest : public KeyFixture, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyMapTest, KeysLeaveTheDisplayTheListsAndTheStoreExpected)
{
    const KeyCase &c = GetParam();
    ctl<QComboBox>("cbRezimFunkce")->setCurrentIndex(c.functionMode);
    ctl<QComboBox>("cbRezimFB")->setCurrentIndex(c.photocellMode);
    Type(c.keys);
    EXPECT_EQ(ctl<QLabel>("lblCislo")->text(), QString::fromLatin1(c.display));
    EXPECT_EQ(Rows("lvPulsy"), c.startRows);
    EXPECT_EQ(Rows("lvPulsy2"), c.finishRows);
    QStringList store;
    for (const char *r : c.store)
        store << QString::fromLatin1(r);
    EXPECT_EQ(Store(), store);
    EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages().join(QLatin1Char('|')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyMapTest,
    ::testing::Values(
        KeyCase{"MainBlockDigitsThenEnter", 2, 0, "F6 4 2 Enter", "0", 0, 0, {"42 10:00:00,000"}},
        KeyCase{"KeypadDigitsThenKeypadEnter", 2, 0, "F6 K4 K2 KEnter", "0", 0, 0, {"42 10:00:00,000"}},
        KeyCase{"KeypadPlusInserts", 2, 0, "F6 K4 K2 K+", "0", 0, 0, {"42 10:00:00,000"}},
        KeyCase{"EnterInsertsOnceNotTwice", 2, 0, "F6 F6 4 Enter", "0", 0, 1, {"4 10:00:00,000"}},
        KeyCase{"SpaceWithZeroOnlySimulatesFB1", 2, 0, "Space", "0", 1, 0, {}},
        KeyCase{"SpaceWith42SimulatesAndInserts", 1, 1, "4 2 Space", "0", 0, 0, {"42 10:00:00,000"}},
        KeyCase{"EscResetsTheDisplay", 2, 0, "4 2 Esc", "0", 0, 0, {}},
        KeyCase{"BackspaceDropsTheLastDigit", 2, 0, "4 2 Bksp", "4", 0, 0, {}},
        KeyCase{"F5AndF6Simulate", 2, 0, "F5 F6 F6", "0", 1, 2, {}},
        KeyCase{"F4DeletesEveryImpulse", 2, 0, "F5 F6 F6 F4", "0", 0, 0, {}},
        KeyCase{"OtherPageIgnoresTheMap", 2, 0, "results 4 2 F5 F6 Space Enter timing", "0", 0, 0, {}}),
    [](const ::testing::TestParamInfo<KeyCase> &param) { return std::string(param.param.name); });

TEST_F(KeyFixture, EnterPressesTheFocusedButtonInsteadOfVloz)
{
    ctl<QPushButton>("btnSimulace2")->setFocus();
    Type("Enter");
    EXPECT_EQ(Rows("lvPulsy2"), 1) << "the focused button was pressed once";
    EXPECT_TRUE(Store().isEmpty()) << "and Vlož not at all";

    // A keypad key hands the focus to Vlož: Enter then inserts, once.
    Type("7 Enter");
    EXPECT_EQ(QApplication::focusWidget(), ctl("Button2"));
    EXPECT_EQ(Store(), QStringList{QStringLiteral("7 10:00:00,000")});
}

TEST_F(KeyFixture, ListKeysActOnTheRecordListFromEveryList)
{
    Type("F6 F6 F6 4 1 Enter 4 2 Enter");
    ASSERT_EQ(Store().size(), 2);
    ASSERT_EQ(Rows("lvPulsy2"), 1);

    // Delete in the finish impulse list deletes the selected record, not the impulse.
    ctl<HotTrackView>("lv")->selectRow(0);
    auto *finish = ctl<HotTrackView>("lvPulsy2");
    finish->selectRow(0);
    finish->setFocus();
    Type("F3");  // deletes the selected impulse row
    EXPECT_EQ(Rows("lvPulsy2"), 0);
    Type("F6");
    finish->selectRow(0);
    finish->setFocus();
    QTest::keyClick(finish, Qt::Key_Delete);
    EXPECT_EQ(Store(), QStringList{QStringLiteral("42 10:00:00,000")});
    EXPECT_EQ(Rows("lvPulsy2"), 1);

    // F2 in the start impulse list opens the record list's selected record.
    ctl<HotTrackView>("lv")->selectRow(0);
    auto *start = ctl<HotTrackView>("lvPulsy");
    start->setFocus();
    QTest::keyClick(start, Qt::Key_F2);
    ASSERT_TRUE(windows.frmTime->isVisible());
    EXPECT_EQ(main().Manual()->EditedRecord(), main().Data()->records()[0]);
    EXPECT_EQ(main().Manual()->fields().number, QStringLiteral("42"));
}

}  // namespace
