// The timing page worked from the keyboard: key sequences sent to the real
// main window (offscreen) and the records and impulse rows they leave.
#include "Clock.h"
#include "Controls.h"
#include "EventLog.h"
#include "HotTrackView.h"
#include "ManualEntry.h"
#include "ManualEntryDialog.h"
#include "MainWindowFixture.h"
#include "QtPrinters.h"
#include "ScriptedDialogs.h"
#include "Startup.h"
#include "TypingFocus.h"
#include "main.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

class KeyFixture : public MainWindowFixture {
protected:
    void SetUp() override
    {
        SetClockForTesting([] { return TextToDayTime(QStringLiteral("10:00:00,000")); });
        ASSERT_NO_FATAL_FAILURE(MainWindowFixture::SetUp());
        NameDataFile();
        main().show();
        QApplication::setActiveWindow(&main());
        ctl<HotTrackView>("lv")->setFocus();
    }
    void TearDown() override
    {
        SetClockForTesting({});
        MainWindowFixture::TearDown();
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
        for (const TimeRecordPtr &r : windows.frmMain->Data()->records())
            out << QStringLiteral("%1 %2").arg(r->Number).arg(DayTimeToText(r->Time));
        return out;
    }
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
    ::testing::Values(KeyCase{"MainBlockDigitsThenEnter", 2, 0, "F6 4 2 Enter", "0", 0, 0, {"42 10:00:00,000"}},
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

// ---------------------------------------------------------------------------
// Text typed into a field of the timing page stays in the field.

// What a field of the page shows, whatever kind of field it is.
QString FieldText(const QWidget *field)
{
    if (const auto *edit = qobject_cast<const QLineEdit *>(field))
        return edit->text();
    if (const auto *spin = qobject_cast<const QAbstractSpinBox *>(field))
        return spin->text();
    if (const auto *combo = qobject_cast<const QComboBox *>(field))
        return combo->currentText();
    return {};
}

// Every field of the timing page in which text is typed.
QList<QWidget *> TextFields(QWidget *page)
{
    QList<QWidget *> fields;
    for (QWidget *w : page->findChildren<QWidget *>()) {
        const auto *combo = qobject_cast<QComboBox *>(w);
        if (qobject_cast<QLineEdit *>(w)
                ? !qobject_cast<QComboBox *>(w->parentWidget()) && !qobject_cast<QAbstractSpinBox *>(w->parentWidget())
                : qobject_cast<QAbstractSpinBox *>(w) || (combo && combo->isEditable()))
            fields << w;
    }
    return fields;
}

struct TypedText {
    const char *name;
    const char16_t *keys;  // typed as they stand; \b is Backspace, \n Enter, \t an Esc
    bool keypad;           // digits, + and Enter from the numeric keypad
    const char16_t *expected;
};

void PrintTo(const TypedText &c, std::ostream *out)
{
    *out << c.name;
}

class TypingTest : public KeyFixture, public ::testing::WithParamInterface<TypedText> {
protected:
    // Sends each character as the keyboard does: its key code and its text.
    void TypeInto(QWidget *field, const QString &keys, bool keypad)
    {
        for (QChar c : keys) {
            Qt::Key key = Qt::Key_unknown;
            QString text(c);
            if (c.isDigit())
                key = Qt::Key(Qt::Key_0 + c.digitValue());
            else if (c == u' ')
                key = Qt::Key_Space;
            else if (c == u'+')
                key = Qt::Key_Plus;
            else if (c == u'\b')
                key = Qt::Key_Backspace;
            else if (c == u'\n')
                key = keypad ? Qt::Key_Enter : Qt::Key_Return, text = QStringLiteral("\r");
            else if (c == u'\t')
                key = Qt::Key_Escape, text = QString(QChar(27));
            else if (c.isLetter())
                key = Qt::Key(Qt::Key_A + (c.toUpper().unicode() - u'A'));  // beyond Z for é etc.: text decides
            const bool pad = keypad && (c.isDigit() || c == u'+' || c == u'\n');
            QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget() ? QApplication::focusWidget() : field, key,
                                text, pad ? Qt::KeypadModifier : Qt::NoModifier);
        }
    }
};

TEST_P(TypingTest, TheFieldHoldsTheTextAndNoImpulseOrRecordAppears)
{
    const TypedText &c = GetParam();
    const QList<QWidget *> fields = TextFields(ctl("tsMereni"));
    ASSERT_TRUE(fields.contains(ctl("edDispCaption"))) << "the spectator caption is one of them";
    for (QWidget *field : fields) {
        SCOPED_TRACE(field->objectName().toStdString());
        if (auto *edit = qobject_cast<QLineEdit *>(field))
            edit->clear();
        field->setFocus();
        ASSERT_TRUE(field->hasFocus() || field->isAncestorOf(QApplication::focusWidget()));
        TypeInto(field, QString::fromUtf16(c.keys), c.keypad);
        EXPECT_EQ(FieldText(field), QString::fromUtf16(c.expected));
        EXPECT_TRUE(field->hasFocus() || field->isAncestorOf(QApplication::focusWidget()))
            << "the field keeps the focus";
    }
    EXPECT_EQ(ctl<QLabel>("lblCislo")->text(), QStringLiteral("0")) << "no keypad key was pressed";
    EXPECT_EQ(Rows("lvPulsy"), 0) << "no impulse or preselection";
    EXPECT_EQ(Rows("lvPulsy2"), 0);
    EXPECT_TRUE(Store().isEmpty()) << "no record";
    EXPECT_TRUE(dialogs.asked.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Fields, TypingTest,
    ::testing::Values(TypedText{"CaptionWithBlanksAndDigits", u"Velká cena 2026", false, u"Velká cena 2026"},
                      TypedText{"EnterEndsNothing", u"Velká cena 2026\n", false, u"Velká cena 2026"},
                      TypedText{"BackspaceDeletesInTheField", u"Finále 2027\b\b26", false, u"Finále 2026"},
                      TypedText{"KeypadDigitsPlusAndEnter", u"42 + 7\n", true, u"42 + 7"},
                      TypedText{"EscLeavesTheText", u"Kolo 3\t", false, u"Kolo 3"}),
    [](const ::testing::TestParamInfo<TypedText> &param) { return std::string(param.param.name); });

TEST_F(KeyFixture, KeysOutsideTheFieldStillDriveTheKeypad)
{
    // The caption was typed, then the operator moved on: the map is back.
    auto *caption = ctl<QLineEdit>("edDispCaption");
    caption->setFocus();
    QTest::keyClicks(caption, QStringLiteral("Cena 12"));
    ctl<HotTrackView>("lv")->setFocus();
    Type("F6 4 2 Enter");
    EXPECT_EQ(caption->text(), QStringLiteral("Cena 12"));
    EXPECT_EQ(Store(), QStringList{QStringLiteral("42 10:00:00,000")});
}

// Which focused widgets the key map leaves alone.
TEST(TypingFocusTest, TextFieldsOfEveryKindAndOnlyThose)
{
    QWidget window;
    auto *edit = new QLineEdit(&window);
    auto *readOnly = new QLineEdit(&window);
    readOnly->setReadOnly(true);
    auto *spin = new QSpinBox(&window);
    auto *doubleSpin = new QDoubleSpinBox(&window);
    auto *editable = new QComboBox(&window);
    editable->setEditable(true);
    auto *fixed = new QComboBox(&window);
    auto *text = new QPlainTextEdit(&window);
    auto *button = new QPushButton(&window);
    QStandardItemModel model(2, 2);
    auto *grid = new QTableView(&window);
    grid->setModel(&model);
    window.show();
    grid->edit(model.index(0, 0));
    const QWidget *cellEditor = grid->indexWidget(model.index(0, 0));
    ASSERT_NE(cellEditor, nullptr) << "the cell is being edited";

    const std::vector<std::pair<const char *, std::pair<const QWidget *, bool>>> cases = {
        {"line edit", {edit, true}},
        {"read-only line edit", {readOnly, false}},
        {"spin box", {spin, true}},
        {"spin box's own line edit", {spin->findChild<QLineEdit *>(), true}},
        {"double spin box", {doubleSpin, true}},
        {"editable combo box", {editable, true}},
        {"editable combo box's line edit", {editable->lineEdit(), true}},
        {"drop-down list", {fixed, false}},
        {"text box", {text, true}},
        {"button", {button, false}},
        {"grid", {grid, false}},
        {"grid cell editor", {cellEditor, true}},
        {"nothing", {nullptr, false}},
    };
    for (const auto &[name, c] : cases)
        EXPECT_EQ(TakesTypedText(c.first), c.second) << name;
}

// "Zpět" and "Znovu": the keys, the buttons' state and the tooltips that
// name the step.
TEST_F(KeyFixture, CtrlZAfterVlozPutsTheImpulseBackAndTheButtonsSayWhatTheyWillDo)
{
    SetClockForTesting([] { return TextToDayTime(QStringLiteral("10:03:00,500")); });
    // The key goes to `focus`, as the operator's click there and key would.
    const auto Press = [](QWidget *focus, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        focus->setFocus();
        QTest::keyClick(focus, key, modifiers);
    };
    const auto FinishRows = [this] {
        QStringList out;
        const QAbstractItemModel *model = ctl<QAbstractItemView>("lvPulsy2")->model();
        for (int row = 0; row < model->rowCount(); ++row)
            out << model->index(row, 0).data().toString() + u' ' + model->index(row, 1).data().toString();
        return out;
    };
    auto *zpet = ctl<QPushButton>("btnZpet");
    auto *znovu = ctl<QPushButton>("btnZnovu");
    EXPECT_FALSE(zpet->isEnabled());
    EXPECT_FALSE(znovu->isEnabled());

    ctl<QPushButton>("btnSimulace2")->click();
    const QStringList impulse{QStringLiteral("IMPULS FB2 10:03:00,500")};
    ASSERT_EQ(FinishRows(), impulse);
    auto *records = ctl<HotTrackView>("lv");
    for (Qt::Key key : {Qt::Key_4, Qt::Key_2, Qt::Key_Return})
        Press(records, key);
    ASSERT_EQ(Store(), QStringList{QStringLiteral("42 10:03:00,500")});
    EXPECT_TRUE(FinishRows().isEmpty());
    EXPECT_TRUE(zpet->isEnabled());
    EXPECT_EQ(zpet->toolTip(), QStringLiteral("Zpět: přiřazení čísla 42 (10:03:00,500)"));
    EXPECT_FALSE(znovu->isEnabled());

    // From a list, as from anywhere on the page.
    Press(ctl<HotTrackView>("lvPulsy2"), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(Store().isEmpty());
    EXPECT_EQ(FinishRows(), impulse);
    EXPECT_FALSE(zpet->isEnabled());
    EXPECT_TRUE(znovu->isEnabled());
    EXPECT_EQ(znovu->toolTip(), QStringLiteral("Znovu: přiřazení čísla 42 (10:03:00,500)"));

    Press(records, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Store(), QStringList{QStringLiteral("42 10:03:00,500")});
    EXPECT_TRUE(FinishRows().isEmpty());
    Press(records, Qt::Key_Z, Qt::ControlModifier);
    Press(records, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Store(), QStringList{QStringLiteral("42 10:03:00,500")});

    // In a text field Ctrl+Z is the field's own.
    auto *caption = ctl<QLineEdit>("edDispCaption");
    Press(caption, Qt::Key_A);
    Press(caption, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Store(), QStringList{QStringLiteral("42 10:03:00,500")});
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

}  // namespace
