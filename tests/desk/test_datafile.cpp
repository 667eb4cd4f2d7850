// Commands on the record list and the data file: delete, New, Open, Save as,
// Save, and the double click that opens the manual entry dialog.
#include "DeskFixture.h"

#include <QFileInfo>

namespace {

class DataFileTest : public DeskFixture {
protected:
    TRadekPtr Add(int number, DayTime time)
    {
        auto r = std::make_shared<TRadek>();
        r->Number = number;
        r->Time = time;
        data.Records.push_back(r);
        return r;
    }
    // A data file written by another store, as if from an earlier run.
    QString EarlierFile(std::initializer_list<int> numbers)
    {
        ScriptedDialogs quiet;
        TData other(&quiet);
        const QString temp = other.FileName;
        int second = 0;
        for (int n : numbers) {
            auto r = std::make_shared<TRadek>();
            r->Number = n;
            r->Time = At(9, 0, second++);
            other.Records.push_back(r);
        }
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
        data.Records.clear();
        refreshed.clear();
        Add(12, At(10, 0, 0));
        const TRadekPtr start = Add(RaceStartNumber, At(9, 0, 0));
        Add(12, At(10, 5, 0));

        desk.Button21Click(start);
        EXPECT_EQ(StoreNumbers(), (std::vector<int>{12, 12}));
        EXPECT_EQ(start->Number, RaceStartNumber);  // still valid for whoever holds it
        auto saved = OnDisk(data.FileName);
        ASSERT_EQ(saved.size(), 2u);
        EXPECT_EQ(saved[1].Lap, 2);

        data.Records.pop_back();
        desk.Button21Click(nullptr);  // nothing selected: still saved
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
    desk.Button27Click();
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].kind, ScriptedDialogs::Asked::Question);
    EXPECT_EQ(dialogs.asked[0].text, "Opravdu chcete vytvořit nový prázdný datový soubor?");
    EXPECT_EQ(dialogs.asked[0].icon, MsgIcon::Warning);
    EXPECT_EQ(StoreNumbers(), std::vector<int>{5});
    EXPECT_EQ(data.FileName, path);
    EXPECT_FALSE(data.Unnamed);

    desk.PostFinishImpulse(At(10, 1, 0));
    dialogs.answerQuestion(true);
    desk.Button27Click();
    EXPECT_TRUE(data.Records.empty());
    EXPECT_TRUE(data.Unnamed);
    EXPECT_NE(data.FileName, path);
    EXPECT_EQ(OnDisk(path).size(), 1u);            // the old file is kept as it was
    EXPECT_EQ(desk.finishList().size(), 1);        // impulses are not touched
    EXPECT_EQ(refreshed, (std::vector<int>{-1, -1}));
    EXPECT_EQ(hidden, 2);
}

TEST_F(DataFileTest, OpenLoadsAndLaterSavesGoIntoTheOpenedFile)
{
    const QString path = EarlierFile({RaceStartNumber, 3, 4});
    dialogs.answerOpen(path);
    desk.Button28Click();
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
    desk.Button2Click();
    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::SaveFile), 0);
    EXPECT_EQ(OnDisk(path).size(), 4u);

    // Save as proposes the opened file; cancelling it changes nothing.
    dialogs.answerSave(std::nullopt);
    desk.Button29Click();
    EXPECT_EQ(dialogs.asked.back().request.proposedPath, path);
    EXPECT_EQ(data.FileName, path);
}

TEST_F(DataFileTest, OpenCancelledOrFailingKeepsTheStore)
{
    const QString temp = data.FileName;
    Add(5, At(10, 0, 0));
    dialogs.answerOpen(std::nullopt);
    desk.Button28Click();
    EXPECT_EQ(hidden, 0);
    EXPECT_TRUE(refreshed.empty());

    // A file that cannot be read: the store keeps its records and its
    // temporary name, so the next insert still asks where to save.
    dialogs.answerOpen(dir.filePath("missing.csv"));
    desk.Button28Click();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].startsWith("Nemohu zapsat soubor dat: "));
    EXPECT_EQ(StoreNumbers(), std::vector<int>{5});
    EXPECT_EQ(data.FileName, temp);
    EXPECT_TRUE(data.Unnamed);
    EXPECT_EQ(refreshed, std::vector<int>{-1});
}

TEST_F(DataFileTest, SaveAsksWhileUnnamedThenSavesUnderTheChosenName)
{
    Add(5, At(10, 0, 0));
    const QString chosen = dir.filePath("nedele.csvz");
    dialogs.answerSave(chosen);
    desk.SaveButtonClick();
    EXPECT_EQ(data.FileName, chosen);
    EXPECT_FALSE(data.Unnamed);
    EXPECT_EQ(OnDisk(chosen).size(), 1u);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("nedele.results")));

    Add(6, At(10, 1, 0));
    desk.SaveButtonClick();  // named now: no dialog
    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::SaveFile), 1);
    EXPECT_EQ(OnDisk(chosen).size(), 2u);

    // Save as to another file; it is proposed again next time.
    const QString other = dir.filePath("kopie.csv");
    dialogs.answerSave(other);
    desk.Button29Click();
    EXPECT_EQ(data.FileName, other);
    EXPECT_EQ(OnDisk(other).size(), 2u);
    dialogs.answerSave(std::nullopt);
    desk.Button29Click();
    EXPECT_EQ(dialogs.asked.back().request.proposedPath, other);
    EXPECT_TRUE(refreshed.empty());
}

TEST_F(DataFileTest, SaveAfterCancelledDialogDoesNotAskAgain)
{
    const QString temp = data.FileName;
    Add(5, At(10, 0, 0));
    dialogs.answerSave(std::nullopt);
    desk.SaveButtonClick();
    desk.SaveButtonClick();
    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::SaveFile), 1);
    EXPECT_EQ(data.FileName, temp);
    EXPECT_EQ(OnDisk(temp).size(), 1u);
}

TEST_F(DataFileTest, DoubleClickOpensTheSelectedRecordOnly)
{
    std::vector<TRadekPtr> opened;
    desk.openManualEntry = [&](const TRadekPtr &r) { opened.push_back(r); };
    const TRadekPtr record = Add(5, At(10, 0, 0));
    desk.lvDblClick(nullptr);
    desk.lvDblClick(record);
    EXPECT_EQ(opened, std::vector<TRadekPtr>{record});
}

}  // namespace
