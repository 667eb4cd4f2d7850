// The data file reader on its own and through the store's Load: values out of
// range make a line unreadable instead of being changed, lines are read whole
// across the reader's slices, and a large file is read with progress, can be
// cancelled and is refused over the size limit.
#include "StoreSetup.h"
#include "DataFileReader.h"
#include "Dialogs.h"
#include "ScriptedDialogs.h"
#include "StoreFiles.h"
#include "Records.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray Line(const QByteArray &number, const QByteArray &lap = "1", const QByteArray &penalty = "0",
                const QByteArray &label = "x")
{
    return "\"" + number + "\",\"" + label + "\",\"10:00:00,000\",\"" + lap + "\",\"00:00:00,000\",\"" + penalty
           + "\"\r\n";
}

struct RangeCase {
    const char *what;
    QByteArray line;
    bool readable;
};

}  // namespace

TEST(DataFileReader, ValuesOutOfRangeMakeTheLineUnreadableNeverAnotherValue)
{
    const QByteArray nul(1, '\0');
    const RangeCase cases[] = {
        {"number 0", Line("0"), true},
        {"number 10000, a race start", Line("10000"), true},
        {"number 10001", Line("10001"), false},
        {"number -1", Line("-1"), false},
        {"number beyond 32 bits", Line("99999999999"), false},
        {"NUL inside the number", Line("1" + nul + "00"), false},
        {"lap 1,000,000", Line("12", "1000000"), true},
        {"lap 1,000,001", Line("12", "1000001"), false},
        {"lap -1", Line("12", "-1"), false},
        {"penalty a day either way", Line("12", "1", "86400") + Line("13", "1", "-86400"), true},
        {"penalty a second more than a day", Line("12", "1", "86401"), false},
        {"penalty a second less than minus a day", Line("12", "1", "-86401"), false},
        {"penalty beyond 32 bits", Line("12", "1", "99999999999"), false},
        {"NUL in the label, which is never read", Line("12", "1", "0", "Jan" + nul), false},
        {"a line of NULs only", QByteArray(40, '\0') + "\r\n", false},
    };
    QTemporaryDir dir;
    for (const RangeCase &c : cases) {
        SCOPED_TRACE(c.what);
        // Between two good lines, which must not be disturbed.
        WriteFile(dir.filePath("f.csvz"), Line("7") + c.line + Line("8"));
        DataFileReader reader(dir.filePath("f.csvz"));
        reader.run();
        ASSERT_EQ(reader.outcome(), DataFileReader::Outcome::Read);
        const DataFileContents &read = reader.contents();
        const int lines = int(c.line.count("\r\n"));
        EXPECT_EQ(read.lines, 2 + lines);
        EXPECT_EQ(read.unreadable, c.readable ? 0 : lines);
        ASSERT_EQ(read.records.size(), size_t(c.readable ? 2 + lines : 2));
        EXPECT_EQ(read.records.front()->Number, 7);
        EXPECT_EQ(read.records.back()->Number, 8);
        for (const TimeRecordPtr &r : read.records) {
            EXPECT_NE(r->Number, 999) << "no value stands in for one that cannot be read";
            EXPECT_LE(std::abs(r->Penalty), 86400);
        }
    }
}

// Out-of-range lines fall under the question a foreign file gets: "Ne" keeps
// the race that is open, "Ano" opens the lines that can be read.
TEST(DataFileReader, TheStoreAsksBeforeOpeningAFileWithLinesOutOfRange)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("zavod.csvz");
    WriteFile(path, Line("7") + Line("99999999999") + Line("8", "1", "99999999999") + Line("9"));
    ScriptedDialogs dialogs;
    RecordStore data(&dialogs);
    data.ReplaceRecords({Record(1, "09:00:00,000")});
    const std::vector<TimeRecordPtr> before = data.records();

    dialogs.answerQuestion(false);
    EXPECT_FALSE(data.Load(path));
    ASSERT_EQ(dialogs.count(ScriptedDialogs::Asked::Question), 1);
    EXPECT_TRUE(dialogs.asked.back().text.contains(QStringLiteral("mimo rozsah: 2 z 4")))
        << dialogs.asked.back().text.toStdString();
    EXPECT_EQ(data.records(), before);

    dialogs.answerQuestion(true);
    ASSERT_TRUE(data.Load(path));
    ASSERT_EQ(data.records().size(), 2u);
    EXPECT_EQ(data.records()[0]->Number, 7);
    EXPECT_EQ(data.records()[1]->Number, 9);
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

// The reader takes the file a slice at a time: a line cut by a slice's end,
// a CR LF split between two slices and a NUL line longer than a slice must
// read exactly as if the file came in one piece.
TEST(DataFileReader, LinesAcrossSliceEndsReadWhole)
{
    constexpr qsizetype Slice = qsizetype(1) << 20;
    const qsizetype crAt = 8 * Slice - 1;  // a CR LF astride the end of the eighth slice
    QByteArray file;
    std::vector<int> numbers;
    for (int i = 0; file.size() < 9 * Slice; ++i) {
        const int number = i % 9999 + 1;
        const QByteArray head = "\"" + QByteArray::number(number) + "\",\"";
        const QByteArray tail = "\",\"10:00:00,000\",\"1\",\"\",\"0\"";
        // Labels of every length move the slice ends across every part of a line.
        qsizetype label = i % 97;
        if (i == 5000)
            label = 3 * Slice;  // one line over more than three slices
        const bool astride = file.size() < crAt && file.size() + 300 > crAt;
        if (astride)
            label = crAt - file.size() - head.size() - tail.size();
        file += head + QByteArray(label, 'a') + tail;
        file += i % 3 == 0 && !astride ? "\n" : "\r\n";
        numbers.push_back(number);
        if (i == 9000)
            file += QByteArray(2 * Slice + 7, '\0') + "\r\n";  // a NUL line over two slices
    }
    ASSERT_EQ(file.mid(crAt, 2), "\r\n");

    QTemporaryDir dir;
    WriteFile(dir.filePath("big.csvz"), file);
    DataFileReader reader(dir.filePath("big.csvz"));
    reader.run();
    ASSERT_EQ(reader.outcome(), DataFileReader::Outcome::Read);
    const DataFileContents &read = reader.contents();
    EXPECT_EQ(read.lines, int(numbers.size()) + 1);
    EXPECT_EQ(read.unreadable, 1);
    ASSERT_EQ(read.records.size(), numbers.size());
    for (size_t i = 0; i < numbers.size(); ++i)
        ASSERT_EQ(read.records[i]->Number, numbers[i]) << "line " << i;
}

namespace {

// A data file just over the size that gets a progress dialog.
QByteArray LargeRace(int &records)
{
    const QByteArray line = Line("12", "1", "0", "Novák Jan (Muži)");
    QByteArray file;
    file.reserve(DataFileProgressSize + line.size());
    while (file.size() <= DataFileProgressSize)
        file += line;
    records = int(file.size() / line.size());
    return file;
}

class LargeFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        data.ReplaceRecords({Record(1, "09:00:00,000")});
        data.FileName = dir.filePath("current.csvz");
        data.MaxLap = 3;
        before = data.records();
    }
    void ExpectUnchanged()
    {
        EXPECT_EQ(data.records(), before);
        EXPECT_EQ(data.FileName, dir.filePath("current.csvz"));
        EXPECT_EQ(data.MaxLap, 3);
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    RecordStore data{&dialogs};
    std::vector<TimeRecordPtr> before;
};

}  // namespace

TEST_F(LargeFileTest, ALargeFileIsReadBehindProgressThatCanCancelIt)
{
    int records = 0;
    const QString path = dir.filePath("velky.csvz");
    WriteFile(path, LargeRace(records));

    dialogs.cancelProgressAt(50);
    EXPECT_FALSE(data.Load(path));
    ASSERT_EQ(dialogs.count(ScriptedDialogs::Asked::Progress), 1);
    EXPECT_EQ(dialogs.asked.back().text, QStringLiteral("Načítám datový soubor velky.csvz (21 MB)…"));
    EXPECT_TRUE(dialogs.messages().isEmpty()) << "a cancel is the operator's own choice";
    ExpectUnchanged();

    // A cancel that comes as the last slice has been read still counts.
    dialogs.cancelProgressAt(100);
    EXPECT_FALSE(data.Load(path));
    ExpectUnchanged();

    ASSERT_TRUE(data.Load(path));
    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::Progress), 3);
    EXPECT_EQ(data.records().size(), size_t(records));
    EXPECT_EQ(data.FileName, path);

    // A file below that size is read without one.
    WriteFile(dir.filePath("maly.csvz"), Line("5"));
    ASSERT_TRUE(data.Load(dir.filePath("maly.csvz")));
    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::Progress), 3);
}

TEST_F(LargeFileTest, ProgressGrowsToTheEndAndACancelStopsAtOnce)
{
    int records = 0;
    const QString path = dir.filePath("velky.csvz");
    WriteFile(path, LargeRace(records));

    DataFileReader whole(path);
    QSignalSpy steps(&whole, &ProgressTask::progressed);
    whole.run();
    ASSERT_EQ(whole.outcome(), DataFileReader::Outcome::Read);
    ASSERT_GE(steps.size(), 10);
    for (qsizetype i = 1; i < steps.size(); ++i)
        EXPECT_GT(steps[i][0].toInt(), steps[i - 1][0].toInt());
    EXPECT_EQ(steps.back()[0].toInt(), 100);

    DataFileReader cancelled(path);
    int after = 0;
    QObject::connect(&cancelled, &ProgressTask::progressed, [&](int percent) {
        if (cancelled.cancelRequested())
            ++after;
        if (percent >= 10)
            cancelled.cancel();
    });
    cancelled.run();
    EXPECT_EQ(cancelled.outcome(), DataFileReader::Outcome::Cancelled);
    EXPECT_EQ(after, 0) << "not a single slice more is read";
    EXPECT_TRUE(cancelled.contents().records.empty());
}

TEST_F(LargeFileTest, AFileOverTheLimitIsRefusedUnreadWithItsSize)
{
    const QString path = dir.filePath("obri.csvz");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(DataFileSizeLimit + 1));  // sparse: no disk taken
    }
    EXPECT_FALSE(data.Load(path));
    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::Progress), 0);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages()[0], QStringLiteral("Soubor obri.csvz je příliš velký: 513 MB. Datový soubor "
                                                    "může mít nejvýše 512 MB, tento se proto neotevře."));
    ExpectUnchanged();

    try {
        ReadDataFile(path);
        ADD_FAILURE() << "read";
    } catch (const TikomatError &e) {
        EXPECT_EQ(e.text, dialogs.messages()[0]);
    }

    // Exactly at the limit it is read (here: a single line of NULs).
    ASSERT_TRUE(QFile::resize(path, DataFileSizeLimit));
    DataFileReader reader(path);
    reader.run();
    EXPECT_EQ(reader.outcome(), DataFileReader::Outcome::Read);
    EXPECT_EQ(reader.contents().unreadable, 1);
}
