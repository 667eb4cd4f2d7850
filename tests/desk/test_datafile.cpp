// Commands on the record list and the data file: delete, New, Open, Save as,
// Save, and the double click that opens the manual entry dialog.
#include "StoreSetup.h"
#include "Records.h"
#include "DeskFixture.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <functional>

namespace {

class DataFileTest : public DeskFixture {
protected:
    TimeRecordPtr Add(int number, DayTime time)
    {
        const TimeRecordPtr r = Record(number, time);
        AppendRecord(data, r);
        return r;
    }
    // A data file written by another store, as if from an earlier run.
    QString EarlierFile(std::initializer_list<int> numbers)
    {
        ScriptedDialogs quiet;
        RecordStore other(&quiet);
        const QString temp = other.FileName;
        int second = 0;
        for (int n : numbers)
            AppendRecord(other, Record(n, At(9, 0, second++)));
        const QString path = dir.filePath("earlier.csv");
        EXPECT_TRUE(other.SaveAs(path));
        QFile::remove(temp);
        return path;
    }
};

TEST_F(DataFileTest, DeleteRemovesTheSelectedRecordAndAlwaysSaves)
{
    for (bool unnamed : {false, true}) {
        SCOPED_TRACE(unnamed);
        if (!unnamed)
            NameDataFile();
        data.Unnamed = unnamed;  // never a Save-as dialog here
        ClearRecords(data);
        refreshed.clear();
        Add(12, At(10, 0, 0));
        const TimeRecordPtr start = Add(RaceStartNumber, At(9, 0, 0));
        Add(12, At(10, 5, 0));

        desk.deleteRecord(start);
        EXPECT_EQ(StoreNumbers(), (std::vector<int>{12, 12}));
        EXPECT_EQ(start->Number, RaceStartNumber);  // still valid for whoever holds it
        auto saved = OnDisk(data.FileName);
        ASSERT_EQ(saved.size(), 2u);
        EXPECT_EQ(saved[1].Lap, 2);

        PopRecord(data);
        desk.deleteRecord(nullptr);  // nothing selected: still saved
        EXPECT_EQ(OnDisk(data.FileName).size(), 1u);
        EXPECT_EQ(refreshed, (std::vector<int>{-1, -1}));
    }
    EXPECT_TRUE(dialogs.asked.empty());
}

TEST_F(DataFileTest, NewAsksAndOnlyYesEmptiesTheStore)
{
    const QString path = NameDataFile();
    Add(5, At(10, 0, 0));
    ASSERT_TRUE(data.Save());

    dialogs.answerQuestion(false);
    desk.newFile();
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].kind, ScriptedDialogs::Asked::Question);
    EXPECT_EQ(dialogs.asked[0].text, "Opravdu chcete vytvořit nový prázdný datový soubor?");
    EXPECT_EQ(dialogs.asked[0].icon, MsgIcon::Warning);
    EXPECT_EQ(StoreNumbers(), std::vector<int>{5});
    EXPECT_EQ(data.FileName, path);
    EXPECT_FALSE(data.Unnamed);

    desk.PostFinishImpulse(At(10, 1, 0));
    dialogs.answerQuestion(true);
    desk.newFile();
    EXPECT_TRUE(data.records().empty());
    EXPECT_TRUE(data.Unnamed);
    EXPECT_NE(data.FileName, path);
    EXPECT_EQ(OnDisk(path).size(), 1u);      // the old file is kept as it was
    EXPECT_EQ(desk.finishList().size(), 1);  // impulses are not touched
    EXPECT_EQ(refreshed, (std::vector<int>{-1, -1}));
    EXPECT_EQ(hidden, 2);
}

TEST_F(DataFileTest, FailedNewKeepsTheNamedFileAndItsName)
{
    const QString path = NameDataFile();
    Add(5, At(10, 0, 0));
    Add(6, At(10, 1, 0));
    ASSERT_TRUE(data.Save());

    QFile blocker(dir.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SetTempFoldersForTesting({blocker.fileName() + "/below"});  // no temporary file can be made
    dialogs.answerQuestion(true);
    desk.newFile();
    SetTempFoldersForTesting({});

    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages()[0], QString::fromLocal8Bit(std::strerror(ENOTDIR)));
    EXPECT_EQ(StoreNumbers(), (std::vector<int>{5, 6}));
    EXPECT_EQ(data.FileName, path);
    EXPECT_FALSE(data.Unnamed);

    // The next insert adds to the race in its file instead of replacing it.
    desk.settings().functionMode = 0;
    Type("7");
    desk.insert();
    EXPECT_EQ(OnDisk(path).size(), 3u);
}

// A file that is not a data file (re-saved with other separators, a results
// file) opens only on the operator's word, and the first save over it keeps
// it as it was opened beside it; the next open renews that copy.
TEST_F(DataFileTest, ForeignFileAsksAndIsKeptAsOpened)
{
    const QString earlier = EarlierFile({RaceStartNumber, 3, 4});
    struct Case {
        const char *what;
        QString path;
        QByteArray contents;  // empty: as it is
        const char *counts;
    };
    const Case cases[] = {
        {"semicolons, quoted", dir.filePath("sobota.csv"),
         "\"12\";\"Nov\xE1k\";\"10:00:00,000\";\"1\";\"00:00:00,000\";\"0\"\r\n"
         "\"13\";\"Dvo\xF8\xE1k\";\"10:01:00,000\";\"1\";\"00:00:00,000\";\"0\"\r\n",
         "2 z 2"},
        {"semicolons, unquoted", dir.filePath("nedele.csv"), "12;Nov\xE1k;10:00:00,000;1;00:00:00,000;0\r\n\r\n",
         "1 z 1"},
        {"results file", ResultsFileName(earlier), {}, " z "},
    };
    desk.settings().functionMode = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.contents.isEmpty()) {
            QFile file(c.path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.contents);
        }
        QFile original(c.path);
        ASSERT_TRUE(original.open(QIODevice::ReadOnly));
        const QByteArray before = original.readAll();
        original.close();
        const QString backup = c.path + ".bak";
        ClearRecords(data);
        const TimeRecordPtr mine = Add(5, At(10, 0, 0));
        const QString name = data.FileName;
        const bool unnamed = data.Unnamed;

        // Refused: nothing changes.
        dialogs.asked.clear();
        dialogs.answerOpen(c.path);
        dialogs.answerQuestion(false);
        desk.openFile();
        ASSERT_EQ(dialogs.count(ScriptedDialogs::Asked::Question), 1);
        EXPECT_TRUE(dialogs.asked[1].text.contains(QFileInfo(c.path).fileName()));
        EXPECT_TRUE(dialogs.asked[1].text.contains(c.counts)) << dialogs.asked[1].text.toStdString();
        EXPECT_TRUE(dialogs.messages().isEmpty());
        EXPECT_EQ(data.records(), std::vector<TimeRecordPtr>{mine});
        EXPECT_EQ(data.FileName, name);
        EXPECT_EQ(data.Unnamed, unnamed);

        // Opened anyway: the first save keeps the file as it was.
        dialogs.answerOpen(c.path);
        dialogs.answerQuestion(true);
        desk.openFile();
        EXPECT_EQ(data.FileName, c.path);
        EXPECT_FALSE(QFileInfo::exists(backup));  // nothing saved over it yet
        Type("8");
        desk.insert();
        QFile kept(backup);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), before);
        kept.close();

        // Now a data file: it opens without a word, and the copy follows
        // the file as opened this time at the next save.
        QFile saved(c.path);
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        const QByteArray asSaved = saved.readAll();
        saved.close();
        dialogs.asked.clear();
        dialogs.answerOpen(c.path);
        desk.openFile();
        EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::Question), 0);
        Type("9");
        desk.insert();
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), asSaved);
        EXPECT_EQ(OnDisk(c.path).size(), asSaved.count("\r\n") + 1);
    }
}

// After a failed save the records hold changes that are only in memory; the
// commands that would drop them say so and offer another try first.
TEST_F(DataFileTest, UnsavedChangesAreOfferedAnotherTry)
{
    const QString path = NameDataFile();
    const QString blockResults = ResultsFileName(path);
    struct Command {
        const char *what;
        // Runs the command with `answer` to the unsaved-changes question;
        // true when the command went on past it.
        std::function<bool(bool)> run;
    };
    const Command commands[] = {
        {"&Nový",
         [this](bool answer) {
             dialogs.answerQuestion(answer);
             dialogs.answerQuestion(false);  // "Opravdu ... nový ...?" if it comes
             desk.newFile();
             return dialogs.questions.empty();
         }},
        {"&Otevřít",
         [this](bool answer) {
             dialogs.answerQuestion(answer);
             desk.openFile();
             return dialogs.count(ScriptedDialogs::Asked::OpenFile) > 0;
         }},
        {"closing",
         [this](bool answer) {
             dialogs.answerQuestion(answer);
             return desk.ConfirmUnsavedChanges();
         }},
    };
    for (const Command &command : commands) {
        SCOPED_TRACE(command.what);
        auto failSave = [&] {
            QFile::remove(blockResults);
            ASSERT_TRUE(QDir(dir.path()).mkpath(blockResults));  // the results file cannot be written
            Add(int(data.records().size()) + 1, At(10, 0, int(data.records().size())));
            ASSERT_FALSE(data.Save());
            dialogs.asked.clear();
            dialogs.answerOpen(std::nullopt);
        };
        auto unsavedAsked = [&] {
            return !dialogs.asked.empty() && dialogs.asked[0].kind == ScriptedDialogs::Asked::Question
                   && dialogs.asked[0].text.startsWith("Poslední změny nejsou uloženy");
        };

        // Try again while the fault lasts: the reason is shown and the
        // command stops.
        failSave();
        EXPECT_FALSE(command.run(true));
        EXPECT_TRUE(unsavedAsked());
        EXPECT_EQ(dialogs.messages().size(), 1);
        EXPECT_TRUE(data.LastSaveFailed());
        dialogs.questions.clear();

        // Try again once the fault is gone: saved, and the command goes on.
        ASSERT_TRUE(QDir(blockResults).removeRecursively());
        dialogs.asked.clear();
        EXPECT_TRUE(command.run(true));
        EXPECT_TRUE(unsavedAsked());
        EXPECT_FALSE(data.LastSaveFailed());
        EXPECT_EQ(OnDisk(path).size(), data.records().size());
        dialogs.questions.clear();
        dialogs.opens.clear();

        // Let them go: the command goes on without saving.
        failSave();
        const size_t onDisk = OnDisk(path).size();
        EXPECT_TRUE(command.run(false));
        EXPECT_TRUE(unsavedAsked());
        EXPECT_EQ(OnDisk(path).size(), onDisk);
        ASSERT_TRUE(QDir(blockResults).removeRecursively());
        dialogs.questions.clear();
        dialogs.opens.clear();
        ClearRecords(data);
        NameDataFile();
        ASSERT_TRUE(data.Save());
    }
}

TEST_F(DataFileTest, OpenLoadsAndLaterSavesGoIntoTheOpenedFile)
{
    const QString path = EarlierFile({RaceStartNumber, 3, 4});
    dialogs.answerOpen(path);
    desk.openFile();
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].request.title, "Datový soubor záznamu časů...");
    EXPECT_EQ(dialogs.asked[0].request.defaultSuffix, "csvz");
    EXPECT_EQ(StoreNumbers(), (std::vector<int>{RaceStartNumber, 3, 4}));
    EXPECT_EQ(data.FileName, path);
    EXPECT_FALSE(data.Unnamed);
    EXPECT_EQ(refreshed, std::vector<int>{-1});
    EXPECT_EQ(hidden, 1);

    // The first insert saves into the opened file without asking.
    desk.settings().functionMode = 0;
    Type("5");
    desk.insert();
    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::SaveFile), 0);
    EXPECT_EQ(OnDisk(path).size(), 4u);

    // Save as proposes the opened file; cancelling it changes nothing.
    dialogs.answerSave(std::nullopt);
    desk.saveAs();
    EXPECT_EQ(dialogs.asked.back().request.proposedPath, path);
    EXPECT_EQ(data.FileName, path);
}

TEST_F(DataFileTest, OpenCancelledOrFailingKeepsTheStore)
{
    const QString temp = data.FileName;
    Add(5, At(10, 0, 0));
    dialogs.answerOpen(std::nullopt);
    desk.openFile();
    EXPECT_EQ(hidden, 0);
    EXPECT_TRUE(refreshed.empty());

    // A file that cannot be read: the store keeps its records and its
    // temporary name, so the next insert still asks where to save.
    dialogs.answerOpen(dir.filePath("missing.csv"));
    desk.openFile();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].startsWith("Nemohu zapsat soubor dat: "));
    EXPECT_EQ(StoreNumbers(), std::vector<int>{5});
    EXPECT_EQ(data.FileName, temp);
    EXPECT_TRUE(data.Unnamed);
    EXPECT_EQ(refreshed, std::vector<int>{-1});

    // Nor does the next Save-as propose the file that failed to open.
    dialogs.answerSave(std::nullopt);
    desk.saveAs();
    EXPECT_NE(dialogs.asked.back().request.proposedPath, dir.filePath("missing.csv"));
}

TEST_F(DataFileTest, SaveAsksWhileUnnamedThenSavesUnderTheChosenName)
{
    Add(5, At(10, 0, 0));
    const QString chosen = dir.filePath("nedele.csvz");
    dialogs.answerSave(chosen);
    desk.save();
    EXPECT_EQ(data.FileName, chosen);
    EXPECT_FALSE(data.Unnamed);
    EXPECT_EQ(OnDisk(chosen).size(), 1u);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("nedele.results")));

    Add(6, At(10, 1, 0));
    desk.save();  // named now: no dialog
    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::SaveFile), 1);
    EXPECT_EQ(OnDisk(chosen).size(), 2u);

    // Save as to another file; it is proposed again next time.
    const QString other = dir.filePath("kopie.csv");
    dialogs.answerSave(other);
    desk.saveAs();
    EXPECT_EQ(data.FileName, other);
    EXPECT_EQ(OnDisk(other).size(), 2u);
    dialogs.answerSave(std::nullopt);
    desk.saveAs();
    EXPECT_EQ(dialogs.asked.back().request.proposedPath, other);
    EXPECT_TRUE(refreshed.empty());
}

TEST_F(DataFileTest, SaveAfterCancelledDialogDoesNotAskAgain)
{
    const QString temp = data.FileName;
    Add(5, At(10, 0, 0));
    dialogs.answerSave(std::nullopt);
    desk.save();
    desk.save();
    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::SaveFile), 1);
    EXPECT_EQ(data.FileName, temp);
    EXPECT_EQ(OnDisk(temp).size(), 1u);
}

TEST_F(DataFileTest, DoubleClickOpensTheSelectedRecordOnly)
{
    std::vector<TimeRecordPtr> opened;
    QObject::connect(&desk, &TimingDesk::manualEntryRequested, [&](const TimeRecordPtr &r) { opened.push_back(r); });
    const TimeRecordPtr record = Add(5, At(10, 0, 0));
    desk.editRecord(nullptr);
    desk.editRecord(record);
    EXPECT_EQ(opened, std::vector<TimeRecordPtr>{record});
}

}  // namespace
