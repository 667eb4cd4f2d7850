// The window at its start: an unnamed race a crash left is offered, and once
// opened it is the race on the timing page, its journal beside it.
#include "Controls.h"
#include "EventLog.h"
#include "HotTrackView.h"
#include "JournalKeeper.h"
#include "ScriptedDialogs.h"
#include "StaleLock.h"
#include "Startup.h"
#include "TempDataFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

TEST(LeftRaceAtStart, TheWindowOffersItAndTimesOnInIt)
{
    QTemporaryDir dir;
    SetTempFoldersForTesting({dir.path()});
    const QString left = dir.filePath(QStringLiteral("~5EED1234.tmp"));
    {
        QFile file(left);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("\"10000\",\"START Z\xC1VODU\",\"10:00:00,000\",\"1\",\"00:00:00,000\",\"0\"\r\n"
                   "\"7\",\"\",\"10:05:00,000\",\"1\",\"00:00:00,000\",\"0\"\r\n");
    }
    LeaveStaleLock(left);

    ScriptedDialogs dialogs;
    {
        TikomatWindows windows = CreateWindows(dialogs, dir.filePath(QStringLiteral("log.txt")));
        ASSERT_TRUE(windows.frmMain->HasStore());
        dialogs.answerQuestion(true);
        windows.frmMain->RecoverJournal();

        ASSERT_EQ(dialogs.count(ScriptedDialogs::Asked::Question), 1);
        EXPECT_TRUE(dialogs.asked[0].text.startsWith(QStringLiteral("Nalezen nepojmenovaný závod z ")))
            << dialogs.asked[0].text.toStdString();
        EXPECT_TRUE(dialogs.asked[0].text.contains(QStringLiteral("(2 záznamy). Otevřít?")));
        RecordStore &data = *windows.frmMain->Data();
        EXPECT_EQ(data.FileName, left);
        EXPECT_TRUE(data.Unnamed);
        EXPECT_EQ(Control<HotTrackView>(*windows.frmMain, "lv")->model()->rowCount(), 2);
        EXPECT_EQ(windows.frmMain->Journal()->path(), JournalKeeper::JournalPathFor(left));
        EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages().join(u'\n').toStdString();
    }
    CloseLog();
    SetTempFoldersForTesting({});
}
