// "Zpět" and "Znovu" in the real main window (offscreen): the keys, the
// buttons' state and the tooltips that name the step.
#include "Clock.h"
#include "Controls.h"
#include "EventLog.h"
#include "HotTrackView.h"
#include "ScriptedDialogs.h"
#include "Startup.h"
#include "main.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

class UndoWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        SetClockForTesting([] { return TextToDayTime(QStringLiteral("10:03:00,500")); });
        windows = CreateWindows(dialogs, dir.filePath(QStringLiteral("log.txt")));
        ASSERT_TRUE(windows.frmMain->HasStore());
        TData &data = *windows.frmMain->Data();
        data.FileName = dir.filePath(QStringLiteral("zavod.csvz"));
        data.Unnamed = false;
        main().show();
        QApplication::setActiveWindow(&main());
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
    void Press(QWidget *focus, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        focus->setFocus();
        QTest::keyClick(focus, key, modifiers);
    }
    QStringList Store() const
    {
        QStringList out;
        for (const TRadekPtr &r : windows.frmMain->Data()->records())
            out << QStringLiteral("%1 %2").arg(r->Number).arg(DayTimeToText(r->Time));
        return out;
    }
    QStringList FinishRows()
    {
        QStringList out;
        const QAbstractItemModel *model = ctl<QAbstractItemView>("lvPulsy2")->model();
        for (int row = 0; row < model->rowCount(); ++row)
            out << model->index(row, 0).data().toString() + u' ' + model->index(row, 1).data().toString();
        return out;
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    TikomatWindows windows;
};

TEST_F(UndoWindowTest, CtrlZAfterVlozPutsTheImpulseBackAndTheButtonsSayWhatTheyWillDo)
{
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
