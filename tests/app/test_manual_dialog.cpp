// The manual entry dialog's controls and their binding, on the real windows
// offscreen.  What OK stores is tested on ManualEntry; here the controls'
// shape and that the buttons, the check box and the keys reach it.
#include "Clock.h"
#include "Records.h"
#include "StoreSetup.h"
#include "Controls.h"
#include "EventLog.h"
#include "ManualEntry.h"
#include "ManualEntryDialog.h"
#include "MainWindowFixture.h"
#include "QtPrinters.h"
#include "ScriptedDialogs.h"
#include "Startup.h"
#include "main.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

class ManualDialogTest : public MainWindowFixture {
protected:
    void SetUp() override
    {
        SetClockForTesting([] { return TextToDayTime(QStringLiteral("10:20:30,400")); });
        ASSERT_NO_FATAL_FAILURE(MainWindowFixture::SetUp());
        NameDataFile();
        windows.frmMain->show();
    }
    void TearDown() override
    {
        SetClockForTesting({});
        MainWindowFixture::TearDown();
    }
    ManualEntryDialog &dialog() { return *windows.frmTime; }
    template <typename T>
    T *field(const char *name)
    {
        auto *w = dialog().findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QStringList Store() const
    {
        QStringList out;
        for (const TimeRecordPtr &r : windows.frmMain->Data()->records())
            out << QStringLiteral("%1 %2 %3").arg(r->Number).arg(DayTimeToText(r->Time)).arg(r->Penalty);
        return out;
    }
};

TEST_F(ManualDialogTest, ControlsInTabOrderWithTheirMasksAndButtons)
{
    EXPECT_EQ(dialog().windowTitle(), QStringLiteral("Ruční zadání časů"));
    EXPECT_FALSE(dialog().isModal());
    const std::vector<const char *> order = {"MaskEdit1", "MaskEdit2", "cbStartZavodu", "Edit1", "Button1", "Button2"};
    for (size_t i = 0; i + 1 < order.size(); ++i) {
        SCOPED_TRACE(order[i]);
        QWidget *next = field<QWidget>(order[i])->nextInFocusChain();
        while (!(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        EXPECT_EQ(next, field<QWidget>(order[i + 1]));
    }
    EXPECT_TRUE(field<QPushButton>("Button1")->isDefault());
    EXPECT_EQ(field<QPushButton>("Button1")->text(), QStringLiteral("OK"));
    EXPECT_EQ(field<QPushButton>("Button2")->text(), QStringLiteral("Storno"));
    EXPECT_EQ(field<QCheckBox>("cbStartZavodu")->text(), QStringLiteral("Toto je čas startu závodu"));
    EXPECT_EQ(field<QLineEdit>("Edit1")->text(), QStringLiteral("0"));

    // Every digit of the time is required; the separators stand in the text.
    auto *time = field<QLineEdit>("MaskEdit1");
    time->clear();
    QTest::keyClicks(time, QStringLiteral("1005"));
    EXPECT_EQ(time->displayText(), QStringLiteral("10:05:__,___"));
    EXPECT_FALSE(time->hasAcceptableInput());
    QTest::keyClicks(time, QStringLiteral("00123"));
    EXPECT_EQ(time->text(), QStringLiteral("10:05:00,123"));
    EXPECT_TRUE(time->hasAcceptableInput());

    // Four digits typed at most; the race start's five stand in when set.
    auto *number = field<QLineEdit>("MaskEdit2");
    number->clear();
    QTest::keyClicks(number, QStringLiteral("12a345"));
    EXPECT_EQ(number->text(), QStringLiteral("1234"));
}

TEST_F(ManualDialogTest, PenaltyArrowsStepWithinTheirRange)
{
    auto *penalty = field<QLineEdit>("Edit1");
    dialog().StepPenalty(-1);
    EXPECT_EQ(penalty->text(), QStringLiteral("0"));
    penalty->setText(QStringLiteral("99"));
    dialog().StepPenalty(1);
    dialog().StepPenalty(1);
    EXPECT_EQ(penalty->text(), QStringLiteral("100"));
    // a field that holds no number steps from where the arrows last were
    penalty->setText(QStringLiteral("abc"));
    QTest::keyClick(penalty, Qt::Key_Down);
    EXPECT_EQ(penalty->text(), QStringLiteral("99"));
    // typing is free, negative numbers too
    penalty->setText(QStringLiteral("-3"));
    EXPECT_EQ(penalty->text(), QStringLiteral("-3"));
}

TEST_F(ManualDialogTest, NewEntryRaceStartAndEditThroughTheControls)
{
    // "No&vý zázn. ručně / start ručně" opens the dialog at the current time.
    Control<QPushButton>(*windows.frmMain, "btnNovyZaznam")->click();
    ASSERT_TRUE(dialog().isVisible());
    EXPECT_EQ(field<QLineEdit>("MaskEdit1")->text(), QStringLiteral("10:20:30,400"));
    EXPECT_EQ(field<QLineEdit>("MaskEdit2")->text(), QString());

    // The check box puts in the race start's number and locks the field.
    field<QCheckBox>("cbStartZavodu")->click();
    EXPECT_EQ(field<QLineEdit>("MaskEdit2")->text(), QStringLiteral("10000"));
    EXPECT_FALSE(field<QLineEdit>("MaskEdit2")->isEnabled());
    QTest::mouseClick(field<QPushButton>("Button1"), Qt::LeftButton);
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(Store(), QStringList{QStringLiteral("10000 10:20:30,400 0")});

    // Typed text reaches the record; Enter in a field presses OK.
    Control<QPushButton>(*windows.frmMain, "btnNovyZaznam")->click();
    EXPECT_TRUE(field<QLineEdit>("MaskEdit2")->isEnabled()) << "a new entry starts unticked";
    auto *time = field<QLineEdit>("MaskEdit1");
    time->selectAll();
    QTest::keyClicks(time, QStringLiteral("103000000"));
    field<QLineEdit>("MaskEdit2")->setText(QStringLiteral("42"));
    field<QLineEdit>("Edit1")->setText(QStringLiteral("3"));
    QTest::keyClick(field<QLineEdit>("Edit1"), Qt::Key_Return);
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(Store(), (QStringList{QStringLiteral("10000 10:20:30,400 0"), QStringLiteral("42 10:30:00,000 3")}));
    EXPECT_EQ(field<QLineEdit>("Edit1")->text(), QStringLiteral("0"));

    // Esc is Storno: nothing changes.
    windows.frmMain->Manual()->OpenRecord(windows.frmMain->Data()->records()[1]);
    EXPECT_EQ(field<QLineEdit>("MaskEdit2")->text(), QStringLiteral("42"));
    // Entering the number field selects it, so that typing replaces it.
    QApplication::setActiveWindow(&dialog());
    field<QLineEdit>("MaskEdit2")->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(field<QLineEdit>("MaskEdit2")->selectedText(), QStringLiteral("42"));
    field<QLineEdit>("MaskEdit2")->setText(QStringLiteral("43"));
    QTest::keyClick(field<QLineEdit>("MaskEdit2"), Qt::Key_Escape);
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(Store().last(), QStringLiteral("42 10:30:00,000 3"));

    // A refused number keeps the dialog open with the focus in the number field.
    Control<QPushButton>(*windows.frmMain, "btnNovyZaznam")->click();
    QApplication::setActiveWindow(&dialog());
    QTest::mouseClick(field<QPushButton>("Button1"), Qt::LeftButton);
    EXPECT_TRUE(dialog().isVisible());
    EXPECT_EQ(dialogs.messages(), QStringList{QStringLiteral("Neplatné číslo závodníka!")});
    EXPECT_EQ(dialog().focusWidget(), field<QLineEdit>("MaskEdit2"));

    // The commands that replace the records hide the dialog.
    dialogs.answerQuestion(false);
    Control<QPushButton>(*windows.frmMain, "Button27")->click();  // "&Nový", answered No
    EXPECT_FALSE(dialog().isVisible());
}

}  // namespace

// F2 on a record shows its race time beside the time of day it edits, as the
// record list shows it, and the race time follows what is typed.
TEST_F(ManualDialogTest, RaceTimeFollowsTheTimeOfDay)
{
    RecordStore &data = *windows.frmMain->Data();
    AppendRecord(data, Record(RaceStartNumber, "06:17:36,622"));
    AppendRecord(data, Record(7, "06:18:20,921"));
    data.Save();
    windows.frmMain->Manual()->OpenRecord(data.records()[1]);
    auto *raceTime = field<QLineEdit>("edCasOdStartu");
    EXPECT_TRUE(raceTime->isReadOnly());
    EXPECT_EQ(raceTime->text(), u"00:00:44,299"_qs);

    struct Case {
        const char *typed;
        QString shown;
    };
    for (const Case &c :
         {Case{"061836622", u"00:01:00,000"_qs}, Case{"050000000", u"bez startu"_qs}, Case{"0618", QString()}}) {
        SCOPED_TRACE(c.typed);
        auto *time = field<QLineEdit>("MaskEdit1");
        time->clear();
        time->setCursorPosition(0);
        QTest::keyClicks(time, QString::fromLatin1(c.typed));
        EXPECT_EQ(raceTime->text(), c.shown);
    }
    windows.frmMain->Manual()->OpenRecord(data.records()[0]);
    EXPECT_EQ(raceTime->text(), QString()) << "the race start has no race time of its own";
}
