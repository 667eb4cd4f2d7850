#pragma once
// The program's windows as it starts them, for a test on the real main window
// (offscreen): a scratch folder for the log and the race's files, dialogs
// answered from a script, and after the test the windows closed and the log
// with them.  A fixture that needs something in place before the windows
// open (a clock, settings, a port) does it in its own SetUp, then calls this
// one's: ASSERT_NO_FATAL_FAILURE(MainWindowFixture::SetUp()).
#include "Controls.h"
#include "EventLog.h"
#include "RecordStore.h"
#include "ScriptedDialogs.h"
#include "Startup.h"
#include "main.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        windows = CreateWindows(dialogs, logPath());
        ASSERT_TRUE(windows.frmMain->HasStore());
    }
    void TearDown() override
    {
        dialogs.answerQuestion(true);  // whatever the end still asks is answered yes
        windows = {};
        CloseLog();
    }

    QString logPath() const { return dir.filePath(QStringLiteral("log.txt")); }
    TfrmMain &main() { return *windows.frmMain; }
    template <typename T = QWidget>
    T *ctl(const char *name)
    {
        return Control<T>(main(), name);
    }
    // The race has a name, so every change is saved under it at once.
    void NameDataFile()
    {
        RecordStore &data = *main().Data();
        data.FileName = dir.filePath(QStringLiteral("zavod.csvz"));
        data.Unnamed = false;
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    TikomatWindows windows;
};
