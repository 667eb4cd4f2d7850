#include "StoreSetup.h"
#include "StoreFiles.h"
#include "Records.h"
#include "FakeRacers.h"
#include "ScriptedDialogs.h"
#include "RecordStore.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <functional>

namespace {

void WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

class DataFileTest : public ::testing::Test {
protected:
    DataFileTest()
    {
        racers.rows = {
            {12, QStringLiteral("Novák Jan"), QStringLiteral("Muži")},
            {13, QStringLiteral("Šťastná Eva"), std::nullopt},
            {14, std::nullopt, QStringLiteral("Ženy")},
            {std::nullopt, QStringLiteral("Bez čísla"), QStringLiteral("X")},
        };
    }
    QString path(const QString &name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    FakeRacers racers;
    RecordStore data{&dialogs, &racers};
};

TEST_F(DataFileTest, WritesOneQuotedLinePerRecordInTimeOrder)
{
    data.ReplaceRecords({Record(99, "10:00:00,500", {.penalty = 30}), Record(12, "10:00:00,000"),
                         Record(RaceStartNumber, "09:59:00,000")});
    ASSERT_TRUE(data.SaveAs(path("sobota.csv")));
    EXPECT_EQ(ReadAll(path("sobota.csv")),
              QByteArray("\"10000\",\"START Z\xC1VODU\",\"09:59:00,000\",\"1\",\"00:00:00,000\",\"0\"\r\n"
                         "\"12\",\"Nov\xE1k Jan (Mu\x9Ei)\",\"10:00:00,000\",\"1\",\"00:01:00,000\",\"0\"\r\n"
                         "\"99\",\"<nezn\xE1m\xFD>\",\"10:00:00,500\",\"1\",\"00:01:00,500\",\"30\"\r\n"));
    EXPECT_EQ(data.FileName, path("sobota.csv"));
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

TEST_F(DataFileTest, FilesWrittenBySaveLoadBackUnchanged)
{
    racers.rows.push_back({15, QStringLiteral("Łukasz 中文 \"Luk\""), std::nullopt});
    data.ReplaceRecords({
        Record(RaceStartNumber, "09:00:00,000"),
        Record(12, "09:10:00,001", {.lap = 7}),
        Record(13, "09:10:00,001"),
        Record(14, "09:20:30,999", {.penalty = 120}),
        Record(15, "09:25:00,000", {.penalty = -86400}),
        Record(0, "23:59:59,999"),
        Record(RaceStartNumber, "10:00:00,000"),
        Record(12, "10:10:00,000", {.penalty = 86400}),
    });
    AppendRecord(data, Record(12, "10:20:00,123"));
    ASSERT_TRUE(data.SaveAs(path("a.csvz")));

    RecordStore loaded(&dialogs, &racers);
    ASSERT_TRUE(loaded.Load(path("a.csvz")));
    EXPECT_EQ(loaded.FileName, path("a.csvz"));
    EXPECT_EQ(loaded.MaxLap, data.MaxLap);
    ASSERT_EQ(loaded.records().size(), data.records().size());
    for (size_t i = 0; i < data.records().size(); ++i) {
        EXPECT_EQ(loaded.records()[i]->Number, data.records()[i]->Number) << i;
        EXPECT_EQ(loaded.records()[i]->Lap, data.records()[i]->Lap) << i;
        EXPECT_EQ(loaded.records()[i]->Penalty, data.records()[i]->Penalty) << i;
        EXPECT_EQ(DayTimeToText(loaded.records()[i]->Time), DayTimeToText(data.records()[i]->Time)) << i;
        EXPECT_EQ(loaded.records()[i]->NetTime, 0);
    }

    ASSERT_TRUE(loaded.SaveAs(path("b.csvz")));
    const QByteArray first = ReadAll(path("a.csvz")), second = ReadAll(path("b.csvz"));
    EXPECT_EQ(first.size(), second.size());
    EXPECT_EQ(first, second);
    EXPECT_EQ(ReadAll(path("a.results")), ReadAll(path("b.results")));
    EXPECT_EQ(first.count("\r\n"), qsizetype(data.records().size()));
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

struct Expected {
    int number;
    const char *time;
    int lap;
    int penalty;
};

struct LoadCase {
    const char *what;
    QByteArray contents;
    std::vector<Expected> records;
    // Lines without a readable time, "n z m", when the load must ask first.
    const char *unreadable = nullptr;
};

TEST_F(DataFileTest, LoadSplitsFieldsAndFillsDefaults)
{
    const LoadCase cases[] = {
        {"six fields", "\"12\",\"x\",\"10:00:00,000\",\"3\",\"00:00:00,000\",\"5\"", {{12, "10:00:00,000", 3, 5}}},
        {"five fields: no penalty", "\"12\",\"x\",\"10:00:00,000\",\"3\",\"7\"", {{12, "10:00:00,000", 3, 0}}},
        {"four fields", "\"12\",\"x\",\"10:00:00,000\",\"3\"", {{12, "10:00:00,000", 3, 0}}},
        {"three fields", "\"12\",\"x\",\"10:00:00,000\"", {}, "1 z 1"},
        {"two fields", "\"12\",\"x\"", {}, "1 z 1"},
        {"one field", "\"12\"", {}, "1 z 1"},
        {"blank time", "\"12\",\"x\",\" \t \",\"3\"", {}, "1 z 1"},
        {"empty time", "\"12\",\"x\",\"\",\"3\"", {}, "1 z 1"},
        // A value that is not an integer in its range is never turned into another one.
        {"number not a number", "\"abc\",\"x\",\"10:00:00,000\",\"1\"", {}, "1 z 1"},
        {"number with a trailing blank", "\"12 \",\"x\",\"10:00:00,000\",\"1\"", {}, "1 z 1"},
        {"lap not a number", "\"12\",\"x\",\"10:00:00,000\",\"-\",\"\",\"0\"", {}, "1 z 1"},
        {"penalty not a number", "\"12\",\"x\",\"10:00:00,000\",\"1\",\"\",\"x\"", {}, "1 z 1"},
        {"blank lap and penalty are 0", "\"12\",\"x\",\"10:00:00,000\",\" \",\"\",\"\"", {{12, "10:00:00,000", 0, 0}}},
        {"blanks belong to unquoted fields", "  12,x,\"10:00:00,000\", 4", {{12, "10:00:00,000", 4, 0}}},
        // Unquoted, the time's own comma splits it: "10:00:00" and "250".
        {"unquoted time", "12,x,10:00:00,250,0,9", {{12, "10:00:00,000", 250, 9}}},
        {"doubled quote", "\"1\"\"2\",\"x\",\"10:00:00,000\",\"1\"", {}, "1 z 1"},
        {"doubled quotes in the time", "\"12\",\"x\",\"10:00\"\"00,000\",\"1\"", {{12, "10:00:00,000", 1, 0}}, "1 z 1"},
        // Text after a closing quote is a field of its own and shifts the rest.
        {"text after a closing quote", "\"12\"3,\"x\",\"10:00:00,000\",\"1\",\"\",\"6\"", {}, "1 z 1"},
        {"old label with quotes",
         "\"12\",\"Jan \"Honza\" (A)\",\"10:00:00,000\",\"1\",\"00:00:00,000\",\"0\"",
         {},
         "1 z 1"},
        {"comma at the end", "\"12\",\"x\",\"10:00:00,000\",", {{12, "10:00:00,000", 0, 0}}},
        {"comma at the end of six", "\"12\",\"x\",\"10:00:00,000\",\"2\",\"\",", {{12, "10:00:00,000", 2, 0}}},
        {"no closing quote", "\"12\",\"x\",\"10:00:00,000\",\"7", {{12, "10:00:00,000", 7, 0}}},
        {"empty file", "", {}},
        {"line ends of every kind, last line open",
         "\"1\",\"\",\"10:00:00,001\",\"1\"\r\n\r\n\"2\",\"\",\"10:00:00,002\",\"2\"\n\n"
         "\"3\",\"\",\"10:00:00,003\",\"3\"\r\"4\",\"\",\"10:00:00,004\",\"4\"",
         {{1, "10:00:00,001", 1, 0}, {2, "10:00:00,002", 2, 0}, {3, "10:00:00,003", 3, 0}, {4, "10:00:00,004", 4, 0}}},
        {"file order kept, not sorted",
         "\"2\",\"\",\"11:00:00,000\",\"1\"\r\n\"1\",\"\",\"10:00:00,000\",\"1\"\r\n",
         {{2, "11:00:00,000", 1, 0}, {1, "10:00:00,000", 1, 0}}},
        {"undefined code page bytes",
         "\"12\",\"\x81\x83\",\"10:00:00,000\",\"1\"\r\n\"13\",\"\x90\",\"10:00:00,001\",\"1\"",
         {{12, "10:00:00,000", 1, 0}, {13, "10:00:00,001", 1, 0}}},
    };
    for (const LoadCase &c : cases) {
        SCOPED_TRACE(c.what);
        WriteAll(path("in.csvz"), c.contents);
        data.ReplaceRecords({Record(1, "01:00:00,000")});
        data.MaxLap = 99;
        dialogs.asked.clear();
        if (c.unreadable)
            dialogs.answerQuestion(true);  // open it anyway
        ASSERT_TRUE(data.Load(path("in.csvz")));
        if (c.unreadable) {
            ASSERT_EQ(dialogs.count(ScriptedDialogs::Asked::Question), 1);
            EXPECT_TRUE(dialogs.asked[0].text.contains(QString::fromLatin1(c.unreadable)))
                << dialogs.asked[0].text.toStdString();
        } else {
            EXPECT_TRUE(dialogs.asked.empty());
        }
        ASSERT_EQ(data.records().size(), c.records.size());
        int maxLap = 0;
        for (size_t i = 0; i < c.records.size(); ++i) {
            const Expected &e = c.records[i];
            EXPECT_EQ(data.records()[i]->Number, e.number) << i;
            EXPECT_EQ(DayTimeToText(data.records()[i]->Time), e.time) << i;
            EXPECT_EQ(data.records()[i]->Lap, e.lap) << i;
            EXPECT_EQ(data.records()[i]->Penalty, e.penalty) << i;
            maxLap = std::max(maxLap, e.lap);
        }
        EXPECT_EQ(data.MaxLap, maxLap);
    }
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

TEST_F(DataFileTest, LapsAreNumberedPerStartNumberAtEverySave)
{
    data.ReplaceRecords({Record(12, "10:10:00,000", {.lap = 9}), Record(RaceStartNumber, "10:07:00,000"),
                         Record(12, "10:00:00,000", {.lap = 9}), Record(12, "10:05:00,000", {.lap = 9}),
                         Record(RaceStartNumber, "09:55:00,000"), Record(13, "10:06:00,000", {.lap = 4})});
    ASSERT_TRUE(data.SaveAs(path("laps.csvz")));
    auto lapsOf = [this](int number) {
        std::vector<std::pair<QString, int>> laps;
        for (const TimeRecordPtr &r : data.records())
            if (r->Number == number)
                laps.emplace_back(DayTimeToText(r->Time), r->Lap);
        return laps;
    };
    using Laps = std::vector<std::pair<QString, int>>;
    EXPECT_EQ(lapsOf(12), (Laps{{"10:00:00,000", 1}, {"10:05:00,000", 2}, {"10:10:00,000", 3}}));
    EXPECT_EQ(lapsOf(13), (Laps{{"10:06:00,000", 1}}));
    EXPECT_EQ(lapsOf(RaceStartNumber), (Laps{{"09:55:00,000", 1}, {"10:07:00,000", 2}}));
    EXPECT_EQ(data.MaxLap, 3);

    for (const TimeRecordPtr &r : data.records())
        if (r->Number == 12 && DayTimeToText(r->Time) == "10:05:00,000") {
            ASSERT_TRUE(data.apply({{RecordEdit::Deleted(r)}}));
            break;
        }
    ASSERT_TRUE(data.Save());
    EXPECT_EQ(lapsOf(12), (Laps{{"10:00:00,000", 1}, {"10:10:00,000", 2}}));
    EXPECT_EQ(data.MaxLap, 2);

    // The file carries the new numbers.
    RecordStore loaded;
    ASSERT_TRUE(loaded.Load(path("laps.csvz")));
    std::vector<int> fileLaps;
    for (const TimeRecordPtr &r : loaded.records())
        fileLaps.push_back(r->Lap);
    EXPECT_EQ(fileLaps, (std::vector<int>{1, 1, 1, 2, 2}));  // 09:55 S, 10:00 12, 10:06 13, 10:07 S, 10:10 12
}

// Field 5, the net time: every passage measured from the race start above
// it, whatever the record held before.
TEST_F(DataFileTest, PassagesAreMeasuredFromTheRaceStartAboveAtEverySave)
{
    struct MeasureCase {
        const char *what;
        std::vector<std::pair<int, const char *>> records;  // number and time, in store order
        std::vector<const char *> netTimes;                 // in time order
    };
    const MeasureCase cases[] = {
        {"passages before the first start are not measured",
         {{7, "09:58:00,000"}, {RaceStartNumber, "10:00:00,000"}, {8, "09:59:59,900"}, {8, "10:03:00,123"}},
         {"00:00:00,000", "00:00:00,000", "00:00:00,000", "00:03:00,123"}},
        {"each passage from the latest start above it",
         {{RaceStartNumber, "10:00:00,000"},
          {7, "10:05:00,000"},
          {RaceStartNumber, "11:00:00,000"},
          {7, "11:02:00,500"},
          {8, "10:59:59,999"}},
         {"00:00:00,000", "00:05:00,000", "00:59:59,999", "00:00:00,000", "00:02:00,500"}},
        {"a start at midnight measures nothing",
         {{RaceStartNumber, "00:00:00,000"}, {7, "00:05:00,000"}},
         {"00:00:00,000", "00:00:00,000"}},
        {"no start at all", {{7, "10:05:00,000"}, {8, "10:06:00,000"}}, {"00:00:00,000", "00:00:00,000"}},
    };
    for (const MeasureCase &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<TimeRecordPtr> records;
        for (const auto &[number, time] : c.records) {
            auto r = std::make_shared<TimeRecord>(*Record(number, time));
            r->NetTime = 250;  // left over from before
            records.push_back(r);
        }
        data.ReplaceRecords(records);
        ASSERT_TRUE(data.SaveAs(path("net.csvz")));
        std::vector<QString> inMemory, inFile;
        for (const TimeRecordPtr &r : data.records())
            inMemory.push_back(DayTimeToText(r->NetTime));
        for (const QByteArray &line : ReadAll(path("net.csvz")).split('\n'))
            if (!line.isEmpty())
                inFile.push_back(QString::fromLatin1(line).split(QStringLiteral("\",\"")).at(4));
        const std::vector<QString> expected(c.netTimes.begin(), c.netTimes.end());
        EXPECT_EQ(inMemory, expected);
        EXPECT_EQ(inFile, expected);
    }
}

// The store keeps laps and net times current as records come and go,
// passing over all records only when it must: the file every change writes
// is the one a fresh save of the same records writes.
TEST_F(DataFileTest, EveryChangeWritesTheFileAFreshSaveWrites)
{
    data.ReplaceRecords(
        {Record(RaceStartNumber, "10:00:00,000"), Record(7, "10:05:00,000"), Record(8, "10:06:00,000")});
    ASSERT_TRUE(data.SaveAs(path("race.csvz")));
    auto find = [this](int number, const char *time) {
        for (const TimeRecordPtr &r : data.records())
            if (r->Number == number && DayTimeToText(r->Time) == QLatin1String(time))
                return r;
        ADD_FAILURE() << number << ' ' << time;
        return TimeRecordPtr();
    };
    auto added = [](int number, const char *time, int penalty = 0) {
        return RecordChange{{RecordEdit::Added({number, TextToDayTime(QLatin1String(time)), penalty})}};
    };
    auto last = [this] { return RecordChange{{RecordEdit::Deleted(data.records().back())}}; };
    auto edited = [&](int number, const char *time, int newNumber, const char *newTime, int penalty) {
        return RecordChange{
            {RecordEdit::Edited(find(number, time), {newNumber, TextToDayTime(QLatin1String(newTime)), penalty})}};
    };
    const std::pair<const char *, std::function<RecordChange()>> steps[] = {
        {"a passage after the last record", [&] { return added(7, "10:10:00,000"); }},
        {"a start after the last record", [&] { return added(RaceStartNumber, "10:20:00,000"); }},
        {"a passage after the new start", [&] { return added(8, "10:25:00,000", 3); }},
        {"the last passage taken back", last},
        {"the last start taken back", last},
        {"a passage measured from the start before", [&] { return added(9, "10:30:00,000"); }},
        {"a start among the passages", [&] { return added(RaceStartNumber, "10:02:00,000"); }},
        {"a penalty", [&] { return edited(8, "10:06:00,000", 8, "10:06:00,000", 20); }},
        {"a passage moved before every start", [&] { return edited(7, "10:05:00,000", 7, "09:59:00,000", 0); }},
        {"a start becomes a passage", [&] { return edited(RaceStartNumber, "10:00:00,000", 5, "10:00:00,000", 0); }},
        {"a record in the middle deleted",
         [&] { return RecordChange{{RecordEdit::Deleted(find(8, "10:06:00,000"))}}; }},
    };
    for (const auto &[what, change] : steps) {
        SCOPED_TRACE(what);
        ASSERT_TRUE(data.apply(change()));
        std::vector<TimeRecordPtr> copies;
        for (const TimeRecordPtr &r : data.records()) {
            auto copy = std::make_shared<TimeRecord>(*r);
            copy->Lap = 0;
            copy->NetTime = 0;
            copies.push_back(copy);
        }
        RecordStore fresh(&dialogs, &racers);
        fresh.ReplaceRecords(copies);
        ASSERT_TRUE(fresh.SaveAs(path("fresh.csvz")));
        EXPECT_EQ(ReadAll(path("race.csvz")), ReadAll(path("fresh.csvz")));
        EXPECT_EQ(data.MaxLap, fresh.MaxLap);
    }
    // The passage added last is measured from the start now above it.
    EXPECT_EQ(DayTimeToText(find(9, "10:30:00,000")->NetTime), "00:28:00,000");
}

// One element of the results file with its attributes in document order.
struct XmlElement {
    QString name;
    int depth;
    std::vector<std::pair<QString, QString>> attributes;
    bool operator==(const XmlElement &) const = default;
    friend void PrintTo(const XmlElement &e, std::ostream *os)
    {
        *os << std::string(e.depth * 2, ' ') << e.name.toStdString();
        for (const auto &[name, value] : e.attributes)
            *os << ' ' << name.toStdString() << "=\"" << value.toStdString() << '"';
    }
};

std::vector<XmlElement> ParseResults(const QByteArray &bytes, QString *encoding = nullptr)
{
    std::vector<XmlElement> elements;
    QXmlStreamReader reader(bytes);
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartDocument:
            if (encoding)
                *encoding = reader.documentEncoding().toString();
            break;
        case QXmlStreamReader::StartElement: {
            XmlElement e{reader.name().toString(), depth++, {}};
            for (const QXmlStreamAttribute &a : reader.attributes())
                e.attributes.emplace_back(a.name().toString(), a.value().toString());
            elements.push_back(e);
            break;
        }
        case QXmlStreamReader::EndElement: --depth; break;
        case QXmlStreamReader::Characters:
            EXPECT_TRUE(reader.isWhitespace()) << reader.text().toString().toStdString();
            break;
        default: break;
        }
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return elements;
}

TEST_F(DataFileTest, ResultsFileHoldsRecordsAndRacers)
{
    racers.rows.push_back({20, QStringLiteral("<A & \"B\">"), QStringLiteral("中")});
    racers.rows.push_back({21,
                           QStringLiteral("Tab\tand\x01"
                                          "bell"),
                           QStringLiteral("\U0001F600")});
    racers.rows.push_back({22, QString(), QString()});
    data.ReplaceRecords({Record(13, "10:02:00,000"), Record(RaceStartNumber, "10:00:00,000"),
                         Record(77, "10:03:00,000"), Record(20, "10:04:00,000")});
    ASSERT_TRUE(data.SaveAs(path("zavod.csvz")));

    const QByteArray bytes = ReadAll(path("zavod.results"));
    EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"utf-8\"?>")) << bytes.left(60).toStdString();
    QString encoding;
    const std::vector<XmlElement> elements = ParseResults(bytes, &encoding);
    EXPECT_EQ(encoding, "utf-8");
    using A = std::vector<std::pair<QString, QString>>;
    const std::vector<XmlElement> expected = {
        {"XML", 0, {}},
        {"kola", 1, {}},
        {"kolo", 2,
         A{{"cislo", "10000"},
           {"kolo", "1"},
           {"cas", "10:00:00,000"},
           {"subcas", "00:00:00,000"},
           {"jmeno", "START ZÁVODU"},
           {"kategorie", ""}}},
        {"kolo", 2,
         A{{"cislo", "13"},
           {"kolo", "1"},
           {"cas", "10:02:00,000"},
           {"subcas", "00:02:00,000"},
           {"jmeno", "Šťastná Eva"},
           {"kategorie", " <nezadáná kategorie>"}}},
        {"kolo", 2,
         A{{"cislo", "77"},
           {"kolo", "1"},
           {"cas", "10:03:00,000"},
           {"subcas", "00:03:00,000"},
           {"jmeno", "<neznámý>"},
           {"kategorie", "N/A"}}},
        {"kolo", 2,
         A{{"cislo", "20"},
           {"kolo", "1"},
           {"cas", "10:04:00,000"},
           {"subcas", "00:04:00,000"},
           {"jmeno", "<A & 'B'>"},
           {"kategorie", "中"}}},
        {"racerlist", 1, {}},
        {"racer", 2, A{{"cislo", "12"}, {"jmeno", "Novák Jan"}, {"kategorie", "Muži"}}},
        {"racer", 2, A{{"cislo", "13"}, {"jmeno", "Šťastná Eva"}}},
        {"racer", 2, A{{"cislo", "14"}, {"kategorie", "Ženy"}}},
        {"racer", 2, A{{"jmeno", "Bez čísla"}, {"kategorie", "X"}}},
        {"racer", 2, A{{"cislo", "20"}, {"jmeno", "<A & \"B\">"}, {"kategorie", "中"}}},
        {"racer", 2, A{{"cislo", "21"}, {"jmeno", "Tab\tand?bell"}, {"kategorie", "\U0001F600"}}},
        {"racer", 2, A{{"cislo", "22"}}},
    };
    ASSERT_EQ(elements.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(elements[i], expected[i]) << i << ' ' << elements[i].name.toStdString();
    // Nested elements are indented.
    EXPECT_TRUE(bytes.contains("?>\n<XML>\n  <kola>\n    <kolo ")) << bytes.toStdString();
}

TEST_F(DataFileTest, EmptyStoreWritesEmptyFiles)
{
    RecordStore bare(&dialogs, nullptr);  // no racer table at all
    bare.ReplaceRecords({Record(12, "10:00:00,000")});
    ASSERT_TRUE(bare.SaveAs(path("one.csvz")));
    EXPECT_EQ(ReadAll(path("one.csvz")), "\"12\",\"\",\"10:00:00,000\",\"1\",\"00:00:00,000\",\"0\"\r\n");
    ClearRecords(bare);
    ASSERT_TRUE(bare.Save());
    EXPECT_EQ(ReadAll(path("one.csvz")), QByteArray());
    EXPECT_EQ(bare.MaxLap, 0);
    using A = std::vector<std::pair<QString, QString>>;
    EXPECT_EQ(ParseResults(ReadAll(path("one.results"))),
              (std::vector<XmlElement>{{"XML", 0, A{}}, {"kola", 1, A{}}, {"racerlist", 1, A{}}}));
}

TEST_F(DataFileTest, LabelsCannotCutOrShiftALine)
{
    racers.rows = {
        {1, QStringLiteral("Jan \"Honza\" Novák"), std::nullopt},  // label keeps the quotes
        {2, QStringLiteral("Dva\r\nřádky"), QStringLiteral("A")},
        {3, QStringLiteral("Łukasz 中文 😀"), QStringLiteral("B")},
    };
    data.ReplaceRecords({Record(1, "10:00:00,001", {.penalty = 5}), Record(2, "10:00:00,002", {.penalty = 6}),
                         Record(3, "10:00:00,003", {.penalty = 7})});
    ASSERT_TRUE(data.SaveAs(path("labels.csvz")));
    const QList<QByteArray> lines = ReadAll(path("labels.csvz")).split('\n');
    ASSERT_EQ(lines.size(), 4);  // three lines and nothing after the last line end
    EXPECT_EQ(
        lines[0],
        "\"1\",\"Jan 'Honza' Nov\xE1k <nezad\xE1n\xE1 kategorie>\",\"10:00:00,001\",\"1\",\"00:00:00,000\",\"5\"\r");
    EXPECT_EQ(lines[1], "\"2\",\"Dva  \xF8\xE1"
                        "dky (A)\",\"10:00:00,002\",\"1\",\"00:00:00,000\",\"6\"\r");
    EXPECT_EQ(lines[2], "\"3\",\"\xA3ukasz ?? ? (B)\",\"10:00:00,003\",\"1\",\"00:00:00,000\",\"7\"\r");

    RecordStore loaded;
    ASSERT_TRUE(loaded.Load(path("labels.csvz")));
    ASSERT_EQ(loaded.records().size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(loaded.records()[i]->Number, i + 1);
        EXPECT_EQ(loaded.records()[i]->Penalty, i + 5);
        EXPECT_EQ(DayTimeToText(loaded.records()[i]->Time), QString("10:00:00,00%1").arg(i + 1));
    }
}

TEST(ResultsFileName, ReplacesOrAppendsTheExtension)
{
    const std::pair<const char *, const char *> cases[] = {
        {"/data/sobota.csv", "/data/sobota.results"},
        {"/data/zavod", "/data/zavod.results"},
        {"/data/zavod.2024/zavod", "/data/zavod.2024/zavod.results"},
        {"/data/zavod.2024/a.b.csvz", "/data/zavod.2024/a.b.results"},
        {"/data/zavod.", "/data/zavod.results"},
        {"zavod.csvz", "zavod.results"},
        {"/data/zavod.results", "/data/zavod.results.results"},  // never the data file itself
    };
    for (const auto &[data, results] : cases)
        EXPECT_EQ(ResultsFileName(data), results) << data;
}

TEST_F(DataFileTest, SaveIntoAPlaceThatCannotBeWrittenReports)
{
    WriteAll(path("plain"), "x");
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.csvz"));
    const QString targets[] = {
        path("plain/zavod.csvz"),    // the folder is a regular file
        path("missing/zavod.csvz"),  // the folder does not exist
        path("folder.csvz"),         // the target is a folder
    };
    for (const QString &target : targets) {
        SCOPED_TRACE(target.toStdString());
        dialogs.asked.clear();
        data.ReplaceRecords({Record(12, "10:05:00,000", {.lap = 5}), Record(12, "10:00:00,000", {.lap = 5})});
        data.MaxLap = 0;
        EXPECT_FALSE(data.SaveAs(target));
        const QStringList messages = dialogs.messages();
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith(Prefix));
        EXPECT_GT(messages[0].size(), Prefix.size());
        // The laps are numbered even though nothing could be written.
        EXPECT_EQ(data.records()[0]->Lap, 1);
        EXPECT_EQ(data.records()[1]->Lap, 2);
        EXPECT_EQ(data.MaxLap, 2);
        EXPECT_EQ(data.FileName, target);
    }
    EXPECT_EQ(ReadAll(path("plain")), "x");
    EXPECT_TRUE(QFileInfo(path("folder.csvz")).isDir());
}

TEST_F(DataFileTest, ResultsFileFailureComesAfterACompleteDataFile)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("zavod.results"));
    data.ReplaceRecords({Record(12, "10:00:00,000")});
    EXPECT_FALSE(data.SaveAs(path("zavod.csvz")));
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].startsWith(Prefix));
    EXPECT_EQ(ReadAll(path("zavod.csvz")),
              "\"12\",\"Nov\xE1k Jan (Mu\x9Ei)\",\"10:00:00,000\",\"1\",\"00:00:00,000\",\"0\"\r\n");
}

TEST_F(DataFileTest, LoadFailureLeavesTheStoreAsItWas)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.csvz"));
    data.ReplaceRecords({Record(12, "10:00:00,000"), Record(13, "10:01:00,000")});
    data.MaxLap = 4;
    data.FileName = path("current.csvz");
    const std::vector<TimeRecordPtr> before = data.records();
    for (const QString &source : {path("missing.csvz"), path("folder.csvz")}) {
        SCOPED_TRACE(source.toStdString());
        dialogs.asked.clear();
        EXPECT_FALSE(data.Load(source));
        const QStringList messages = dialogs.messages();
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith(Prefix));
        EXPECT_GT(messages[0].size(), Prefix.size());
        EXPECT_EQ(data.records(), before);  // the very same records
        EXPECT_EQ(data.MaxLap, 4);
        EXPECT_EQ(data.FileName, path("current.csvz"));
    }
}

}  // namespace
