// tikomat-results as a script sees it: exit codes and messages of every
// error, the inputs never written to, the text formats read back, and the
// help in both languages.
#include "CommandRunner.h"
#include "RaceFiles.h"
#include "TimeRecord.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <QTemporaryDir>

namespace {

constexpr int Start = RaceStartNumber;

std::vector<Passage> SmallRace()
{
    return {{Start, "10:00:00,000"}, {7, "10:05:00,000"}, {8, "10:06:00,000", 5}, {7, "10:10:00,000"}};
}

// Every file under a folder with its size and modification time.
QStringList Listing(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        out << QStringLiteral("%1 %2 %3")
                   .arg(QDir(folder).relativeFilePath(info.filePath()))
                   .arg(info.size())
                   .arg(info.lastModified().toMSecsSinceEpoch());
    }
    out.sort();
    return out;
}

class CommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(dataHome.isValid());
        ASSERT_TRUE(WriteBytes(path("race.csvz"), DataFileBytes(SmallRace())));
        // A results file saved by the window: not a data file.
        ASSERT_TRUE(WriteBytes(path("race.results"), "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<XML>\n"
                                                     "  <kola>\n  </kola>\n</XML>\n"));
        ASSERT_TRUE(WriteBytes(path("racers.racerlist"),
                               RacerFileText({{7, QStringLiteral("Nový; \"Jan\" <b>&\\"), QStringLiteral("M;1")},
                                              {8, std::nullopt, QStringLiteral("Ž")}})));
        ASSERT_TRUE(WriteBytes(path("damaged.racerlist"), "<racerlist version=\"1\"><rows>"));
        ASSERT_TRUE(WriteBytes(path("damaged.zavod.json"), "{\"version\": 1, \"finish\": [{\"category\": \"\"}]}"));
        // Tests may run as root, so an unwritable folder is a path through a regular file.
        ASSERT_TRUE(WriteBytes(path("plain"), "x"));
    }

    QString path(const char *name) const { return dir.filePath(QString::fromUtf8(name)); }
    QByteArray read(const char *name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    CommandRun Run(const QStringList &arguments, const QMap<QString, QString> &env = {})
    {
        return RunResultsProgram(arguments, dir.path(), dataHome.path(), env);
    }

    QTemporaryDir dir;
    QTemporaryDir dataHome;
};

TEST_F(CommandTest, TheSheetBesideTheDataFileOrNamedGivesStatusesInEveryFormat)
{
    ASSERT_TRUE(WriteBytes(path("race.csvz.zavod.json"),
                           "{\"version\": 1, \"finish\": [{\"category\": \"\", \"laps\": 1}],\n"
                           " \"statuses\": [{\"number\": 7, \"status\": \"DSQ\", \"reason\": \"zkrácení\"}]}"));
    const CommandRun json = Run({"race.csvz", "--racers", "racers.racerlist", "--json", "-"});
    ASSERT_EQ(json.code, 0) << json.err.toStdString();
    const QJsonObject root = QJsonDocument::fromJson(json.out).object();
    const QJsonArray rows = root["results"].toArray();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0]["number"].toInt(), 8);
    EXPECT_EQ(rows[0]["rank"].toInt(), 1);
    EXPECT_EQ(rows[0]["status"].toString(), "finished");
    EXPECT_EQ(rows[1]["number"].toInt(), 7);
    EXPECT_TRUE(rows[1]["rank"].isNull());
    EXPECT_TRUE(rows[1]["categoryRank"].isNull());
    EXPECT_EQ(rows[1]["status"].toString(), "DSQ");
    EXPECT_EQ(rows[1]["statusReason"].toString(), QStringLiteral("zkrácení"));
    EXPECT_EQ(rows[1]["laps"].toInt(), 2);  // a disqualified racer keeps laps and time
    const QJsonArray categories = root["categories"].toArray();
    ASSERT_EQ(categories.size(), 2);
    EXPECT_EQ(categories[1]["name"].toString(), QStringLiteral("Ž"));
    EXPECT_EQ(categories[1]["finish"]["laps"].toInt(), 1);
    EXPECT_EQ(categories[1]["finish"]["moment"].toString(), "10:06:00,000");
    EXPECT_TRUE(categories[1]["finish"]["lapsToGo"].isNull());

    const CommandRun html = Run({"race.csvz", "--html", "-"});
    EXPECT_TRUE(html.out.contains("<td class=\"n\">DSQ</td>")) << html.out.constData();
    const CommandRun csv = Run({"race.csvz", "--csv", "-"});
    // The sheet's columns have no rank: the note begins with the code.
    EXPECT_TRUE(QString::fromUtf8(csv.out).contains(QStringLiteral(";DSQ zkrácení   00:05:00,000\r\n")))
        << csv.out.constData();

    // Another sheet by name; a damaged one only with --force, ranked without it.
    const CommandRun named = Run({"race.csvz", "--sheet", "damaged.zavod.json", "--force", "--json", "-"});
    ASSERT_EQ(named.code, 0) << named.err.toStdString();
    const QJsonArray plain = QJsonDocument::fromJson(named.out).object()["results"].toArray();
    EXPECT_EQ(plain[0]["number"].toInt(), 7);
    EXPECT_EQ(plain[0]["status"].toString(), "racing");
}

struct ErrorCase {
    const char *name;
    QStringList arguments;  // run in the test's folder
    int code;
    const char *message;            // a part of the message
    const char *written = nullptr;  // an output that is still written despite the error
};

TEST_F(CommandTest, ErrorsGiveTheirExitCodeAndSayWhatIsWrong)
{
    const QString q = QStringLiteral("race.csvz");
    const std::vector<ErrorCase> cases = {
        {"NoArguments", {}, 2, "no data file given"},
        {"NoOutput", {q}, 2, "no output given"},
        {"UnknownOption", {q, "--xlsx", "a.xls"}, 2, "unknown option --xlsx"},
        {"OutputWithoutFile", {q, "--csv"}, 2, "option --csv needs a file name"},
        {"BadLapsMode", {q, "--laps", "3", "--csv", "-"}, 2, "--laps takes most or none, not \"3\""},
        {"TwoDataFiles", {q, "race.results", "--csv", "-"}, 2, "one data file only"},
        {"WorkbookToStandardOutput", {q, "--xls", "-"}, 2, "goes to a file only"},
        {"TwoOutputsToStandardOutput", {q, "--csv", "-", "--json", "-"}, 2, "only one output"},
        {"OutputIsTheDataFile", {q, "--csv", "./race.csvz"}, 2, "output ./race.csvz is an input file"},
        {"OutputIsTheRacerFile",
         {q, "--racers", "racers.racerlist", "--html", "racers.racerlist"},
         2,
         "is an input file"},
        {"TwoOutputsToOneFile", {q, "--csv", "a.txt", "--html", "a.txt"}, 2, "two outputs go to the file a.txt"},
        {"MissingDataFile",
         {"missing.csvz", "--csv", "-"},
         3,
         "cannot read the data file missing.csvz: No such file or directory"},
        {"DataFileIsAFolder", {".", "--csv", "-"}, 3, "cannot read the data file ."},
        {"NotADataFile", {"race.results", "--csv", "-"}, 3, "race.results does not look like a data file: 5 of 5"},
        {"MissingRacerFile",
         {q, "--racers", "none.racerlist", "--csv", "-"},
         3,
         "cannot read the racer file none.racerlist"},
        {"DamagedRacerFile",
         {q, "--racers", "damaged.racerlist", "--csv", "-"},
         3,
         "cannot read the racer file damaged.racerlist"},
        {"MissingSheet",
         {q, "--sheet", "none.zavod.json", "--csv", "-"},
         3,
         "the race sheet none.zavod.json does not exist"},
        {"DamagedSheet",
         {q, "--sheet", "damaged.zavod.json", "--csv", "-"},
         3,
         "cannot read the race sheet damaged.zavod.json: pravidlo č. 1: potřebuje právě jedno z „laps“, „minutes“, "
         "„at“ "
         "(rank without it: --force)"},
        {"OutputIsTheSheet",
         {q, "--sheet", "damaged.zavod.json", "--json", "damaged.zavod.json"},
         2,
         "is an input file"},
        {"WorkbookFolderMissing", {q, "--xls", "plain/out.xls"}, 4, "cannot write plain/out.xls: Not a directory"},
        {"TextFolderMissing", {q, "--csv", "plain/out.csv"}, 4, "cannot write plain/out.csv: Not a directory"},
        {"PdfFolderMissing", {q, "--pdf", "plain/out.pdf"}, 4, "cannot write plain/out.pdf: Not a directory"},
        {"CategoryWithoutName", {q, "--csv", "-", "--category"}, 2, "option --category needs the name of a category"},
        {"CategoryAndEveryCategory", {q, "--category", "Ž", "--by-category", "--csv", "-"}, 2, "cannot be combined"},
        {"CategoryNoRacerHas",
         {q, "--racers", "racers.racerlist", "--category", "MX9", "--csv", "out.csv"},
         2,
         "no racer is in the category \"MX9\""},
        {"SiteFolderMissing", {q, "--site", "plain/web"}, 4, "cannot write the site into plain/web"},
        {"PublishToAnUnknownRemote",
         {q, "--publish", "zavody:vysledky"},
         5,
         "cannot publish the site to zavody:vysledky: Failed to create file system"},
        {"OtherOutputsStillWritten",
         {q, "--html", "plain/out.html", "--json", "ok.json"},
         4,
         "cannot write plain/out.html",
         "ok.json"},
    };
    for (const ErrorCase &c : cases) {
        SCOPED_TRACE(c.name);
        const QStringList before = Listing(dir.path());
        const CommandRun run = Run(c.arguments);
        EXPECT_EQ(run.code, c.code) << run.err.toStdString();
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("tikomat-results: "))) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.message))) << run.err.toStdString();
        EXPECT_TRUE(run.err.endsWith(u'\n'));
        EXPECT_TRUE(run.out.isEmpty()) << "nothing goes to standard output on an error";
        QStringList after = Listing(dir.path());
        if (c.written) {
            EXPECT_TRUE(QFile::exists(path(c.written)));
            QFile::remove(path(c.written));
            after = Listing(dir.path());
        }
        EXPECT_EQ(after, before) << "an error writes nothing else";
    }
}

// A message quotes at most 80 characters of what it names, however long
// the input: a racer file with a megabyte-long category is refused in one
// short line, not in a megabyte.  (A single argument cannot be longer than
// 128 KiB, so the command line's cases stay below that.)
TEST_F(CommandTest, MessagesQuoteLongInputsCut)
{
    const QString category = u"MX"_qs + QString(1 << 20, u'Q') + u"konec"_qs;
    ASSERT_TRUE(WriteBytes(path("long.racerlist"), RacerFileText({{7, u"Novák Jan"_qs, category}})));
    const QString longName = u"kategorie-"_qs + QString(100'000, u'k') + u"-posledni"_qs;
    const QString longFolder = u"chybi-"_qs + QString(5000, u'f') + u"/vysledky.csv"_qs;
    struct Case {
        const char *name;
        QStringList arguments;
        int code;
        QString quoted;  // the input the message names
    };
    const QString q = QStringLiteral("race.csvz");
    const std::vector<Case> cases = {
        {"CategoryInTheRacerFile", {q, "--racers", "long.racerlist", "--csv", "-"}, 3, category},
        {"CategoryNoRacerHas", {q, "--racers", "racers.racerlist", "--category", longName, "--csv", "-"}, 2, longName},
        {"UnknownOption", {q, "--" + longName, "--csv", "-"}, 2, "--" + longName},
        {"LapsMode", {q, "--laps", longName, "--csv", "-"}, 2, longName},
        {"OutputFolderMissing", {q, "--csv", longFolder}, 4, longFolder},
        {"DataFileMissing", {longName, "--csv", "-"}, 3, longName},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const CommandRun run = Run(c.arguments);
        EXPECT_EQ(run.code, c.code);
        EXPECT_LT(run.err.size(), 300) << run.err.left(300).toStdString();
        EXPECT_EQ(run.err.count(u'\n'), 1);
        EXPECT_TRUE(run.err.contains(c.quoted.left(40) + u"…"_qs + c.quoted.right(39))) << run.err.toStdString();
    }
}

TEST_F(CommandTest, ErrorsAreCzechUnderACzechLocale)
{
    const CommandRun run = Run({QStringLiteral("missing.csvz"), QStringLiteral("--csv"), QStringLiteral("-")},
                               {{QStringLiteral("LANG"), QStringLiteral("cs_CZ.UTF-8")}});
    EXPECT_EQ(run.code, 3);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("tikomat-results: nemohu přečíst datový soubor missing.csvz: ")))
        << run.err.toStdString();
}

TEST_F(CommandTest, InputsAreNeverWrittenAndNoTemporaryOrBackupFileAppears)
{
    // A file the window would only open after a question, and then keep a
    // backup of at the first save: the command takes it with --force alone.
    ASSERT_TRUE(WriteBytes(path("mixed.csvz"), DataFileBytes(SmallRace()) + "garbage line\r\n"));
    QFile::setPermissions(path("mixed.csvz"), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    const QStringList before = Listing(dir.path());
    const QByteArray bytes = read("mixed.csvz");

    const CommandRun run = Run({QStringLiteral("--force"), QStringLiteral("mixed.csvz"), QStringLiteral("--racers"),
                                QStringLiteral("racers.racerlist"), QStringLiteral("--xls"), QStringLiteral("out.xls"),
                                QStringLiteral("--csv"), QStringLiteral("out.csv"), QStringLiteral("--html"),
                                QStringLiteral("out.html"), QStringLiteral("--json"), QStringLiteral("out.json")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();

    EXPECT_EQ(read("mixed.csvz"), bytes);
    QStringList after = Listing(dir.path());
    for (const char *out : {"out.xls", "out.csv", "out.html", "out.json"}) {
        const qsizetype at = after.indexOf(
            QRegularExpression(QStringLiteral("%1 .*").arg(QRegularExpression::escape(QString::fromLatin1(out)))));
        ASSERT_GE(at, 0) << out << "\n" << after.join(u'\n').toStdString();
        after.removeAt(at);
    }
    EXPECT_EQ(after, before) << "only the four outputs are new; no .bak, .results or copy";
    EXPECT_TRUE(Listing(dataHome.path()).isEmpty()) << "no temporary data file";
}

// The window refuses a data file over 512 MB; a script gets the same answer
// unless it insists.
TEST_F(CommandTest, ADataFileOverTheLimitIsReadOnlyWithForce)
{
    {
        QFile huge(path("huge.csvz"));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        ASSERT_TRUE(huge.write(DataFileBytes(SmallRace())) > 0);
        ASSERT_TRUE(huge.resize((qint64(512) << 20) + 1));  // the rest a sparse run of NULs
    }
    const CommandRun refused = Run({QStringLiteral("huge.csvz"), QStringLiteral("--csv"), QStringLiteral("-")});
    EXPECT_EQ(refused.code, 3);
    EXPECT_EQ(refused.err, QStringLiteral("tikomat-results: the data file huge.csvz is too large: 513 MB, at most "
                                          "512 MB (use it anyway: --force)\n"));
    EXPECT_TRUE(refused.out.isEmpty());

    // The race's lines are read; the NULs after them are one unreadable line.
    const CommandRun forced = Run(
        {QStringLiteral("--force"), QStringLiteral("huge.csvz"), QStringLiteral("--csv"), QStringLiteral("-")});
    ASSERT_EQ(forced.code, 0) << forced.err.toStdString();
    const CommandRun small = Run({QStringLiteral("race.csvz"), QStringLiteral("--csv"), QStringLiteral("-")});
    ASSERT_EQ(small.code, 0) << small.err.toStdString();
    EXPECT_EQ(forced.out, small.out);
}

TEST_F(CommandTest, TextFormatsCarryTheListAndEscapeWhatTheyMust)
{
    const CommandRun run = Run(
        {QStringLiteral("race.csvz"), QStringLiteral("--racers"), QStringLiteral("racers.racerlist"),
         QStringLiteral("--title"), QStringLiteral("Finále <A>"), QStringLiteral("--csv"), QStringLiteral("out.csv"),
         QStringLiteral("--html"), QStringLiteral("out.html"), QStringLiteral("--json"), QStringLiteral("-")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();

    // The label keeps the racer's ";" and turns its quotes into apostrophes;
    // the field goes in quotes because of the ";".
    const QString csv = QString::fromUtf8(read("out.csv"));
    EXPECT_EQ(csv, QStringLiteral("Závodník;Čas závodníka;Počet kol;Trestné sekundy;Čas startu;Poznámka\r\n"
                                  "\"7 (Nový; 'Jan' <b>&\\ (M;1))\";00:10:00,000;2;0;10:00:00,000;00:05:00,000\r\n"
                                  "8 (<nezadáno jméno> (Ž));00:06:05,000;1;5;10:00:00,000;\r\n"));

    const QString html = QString::fromUtf8(read("out.html"));
    EXPECT_TRUE(html.startsWith(QStringLiteral("<!DOCTYPE html>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<title>Finále &lt;A&gt;</title>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<td>7 (Nový; 'Jan' &lt;b&gt;&amp;\\ (M;1))</td>"))) << html.toStdString();
    EXPECT_FALSE(html.contains(QStringLiteral("<b>")));
    EXPECT_FALSE(html.contains(QStringLiteral("<script"))) << "self-contained and static";
    EXPECT_FALSE(html.contains(QStringLiteral(" src="))) << "self-contained";
    EXPECT_EQ(html.count(QStringLiteral("<tr><td class=\"n\">")), 2);
    EXPECT_TRUE(html.contains(QStringLiteral("<td class=\"n\">2.</td><td>8 (")));

    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(run.out, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    const QJsonObject top = json.object();
    EXPECT_EQ(top[QLatin1String("title")].toString(), QStringLiteral("Finále <A>"));
    EXPECT_EQ(top[QLatin1String("lapsMode")].toString(), QStringLiteral("most"));
    EXPECT_EQ(top[QLatin1String("lastStart")].toString(), QStringLiteral("10:00:00,000"));
    EXPECT_TRUE(QDateTime::fromString(top[QLatin1String("generated")].toString(), Qt::ISODate).isValid());
    const QJsonArray rows = top[QLatin1String("results")].toArray();
    ASSERT_EQ(rows.size(), 2);
    const QJsonObject first = rows[0].toObject();
    EXPECT_EQ(first[QLatin1String("rank")].toInt(), 1);
    EXPECT_EQ(first[QLatin1String("number")].toInt(), 7);
    EXPECT_EQ(first[QLatin1String("name")].toString(), QStringLiteral("Nový; \"Jan\" <b>&\\"))
        << "the file's own value";
    EXPECT_EQ(first[QLatin1String("category")].toString(), QStringLiteral("M;1"));
    EXPECT_EQ(first[QLatin1String("time")].toString(), QStringLiteral("00:10:00,000"));
    EXPECT_EQ(first[QLatin1String("timeMs")].toInteger(), 600000);
    EXPECT_EQ(first[QLatin1String("laps")].toInt(), 2);
    EXPECT_EQ(first[QLatin1String("splits")].toArray(), QJsonArray{QStringLiteral("00:05:00,000")});
    const QJsonObject second = rows[1].toObject();
    EXPECT_FALSE(second.contains(QLatin1String("name"))) << "no name in the racer file: none here";
    EXPECT_EQ(second[QLatin1String("penalty")].toInt(), 5);
    EXPECT_EQ(second[QLatin1String("timeMs")].toInteger(), 365000);

    // Nothing ranked: still a document, with an empty list and no start.
    ASSERT_TRUE(WriteBytes(path("nostart.csvz"), DataFileBytes({{7, "10:05:00,000"}})));
    const CommandRun empty = Run({QStringLiteral("nostart.csvz"), QStringLiteral("--json"), QStringLiteral("-")});
    ASSERT_EQ(empty.code, 0) << empty.err.toStdString();
    const QJsonObject none = QJsonDocument::fromJson(empty.out, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    EXPECT_TRUE(none[QLatin1String("lastStart")].isNull());
    EXPECT_TRUE(none[QLatin1String("results")].isArray());
    EXPECT_TRUE(none[QLatin1String("results")].toArray().isEmpty());
}

TEST_F(CommandTest, ByCategoryCsvHasASectionPerCategoryAndOneCategoryIsRankedWithinIt)
{
    ASSERT_TRUE(WriteBytes(path("three.csvz"), DataFileBytes({{Start, "10:00:00,000"},
                                                              {7, "10:05:00,000"},
                                                              {9, "10:05:30,000"},
                                                              {8, "10:06:00,000", 5},
                                                              {7, "10:10:00,000"}})));
    const QStringList common{QStringLiteral("three.csvz"), QStringLiteral("--racers"),
                             QStringLiteral("racers.racerlist"), QStringLiteral("--csv"), QStringLiteral("-")};
    const CommandRun every = Run(QStringList(common) << QStringLiteral("--by-category"));
    ASSERT_EQ(every.code, 0) << every.err.toStdString();
    const QString titles = QStringLiteral("Závodník;Čas závodníka;Počet kol;Trestné sekundy;Čas startu;Poznámka\r\n");
    EXPECT_EQ(QString::fromUtf8(every.out),
              QStringLiteral("\"M;1\"\r\n") + titles
                  + QStringLiteral("\"7 (Nový; 'Jan' <b>&\\ (M;1))\";00:10:00,000;2;0;10:00:00,000;00:05:00,000\r\n"
                                   "\r\nŽ\r\n")
                  + titles
                  + QStringLiteral("8 (<nezadáno jméno> (Ž));00:06:05,000;1;5;10:00:00,000;\r\n"
                                   "\r\n<nezadáná kategorie>\r\n")
                  + titles + QStringLiteral("9 (<neznámý>);00:05:30,000;1;0;10:00:00,000;\r\n"));

    // One category, named in another case: only its rows; JSON keeps the
    // overall rank beside the rank in the category.
    const CommandRun one = Run({QStringLiteral("three.csvz"), QStringLiteral("--racers"),
                                QStringLiteral("racers.racerlist"), QStringLiteral("--category"), QStringLiteral("ž"),
                                QStringLiteral("--json"), QStringLiteral("-")});
    ASSERT_EQ(one.code, 0) << one.err.toStdString();
    const QJsonObject top = QJsonDocument::fromJson(one.out).object();
    EXPECT_EQ(top[QLatin1String("category")].toString(), QStringLiteral("Ž"));
    const QJsonArray rows = top[QLatin1String("results")].toArray();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0][QLatin1String("number")].toInt(), 8);
    EXPECT_EQ(rows[0][QLatin1String("rank")].toInt(), 3);
    EXPECT_EQ(rows[0][QLatin1String("categoryRank")].toInt(), 1);

    // A category of the racer file that nobody of has finished is an empty list.
    ASSERT_TRUE(WriteBytes(path("early.csvz"), DataFileBytes({{Start, "10:00:00,000"}, {7, "10:05:00,000"}})));
    const CommandRun early = Run({QStringLiteral("early.csvz"), QStringLiteral("--racers"),
                                  QStringLiteral("racers.racerlist"), QStringLiteral("--category"), QStringLiteral("Ž"),
                                  QStringLiteral("--csv"), QStringLiteral("-")});
    ASSERT_EQ(early.code, 0) << early.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(early.out), titles);
}

// Every text output is valid UTF-8 and carries every caption and name whole,
// whatever is asked of it.
TEST_F(CommandTest, EveryTextOutputIsUtf8AndHoldsEveryCaption)
{
    ASSERT_TRUE(WriteBytes(
        path("czech.csvz"),
        DataFileBytes({{Start, "10:00:00,000"}, {21, "10:05:00,000"}, {22, "10:05:30,000"}, {23, "10:06:00,000"}})));
    ASSERT_TRUE(WriteBytes(path("czech.racerlist"),
                           RacerFileText({{21, QStringLiteral("Řehoř Šťastný"), QStringLiteral("VETERÁN")},
                                          {22, QStringLiteral("Žofie Ďáblová"), QStringLiteral("Ženy")},
                                          {23, QStringLiteral("Ůna Čížková"), QStringLiteral("Ženy")}})));
    const QString title = QStringLiteral("Velká cena – Žďár");
    const QStringList names{QStringLiteral("Řehoř Šťastný"), QStringLiteral("Žofie Ďáblová"),
                            QStringLiteral("Ůna Čížková")};
    QStringList columns = QStringList{QStringLiteral("Závodník"),   QStringLiteral("Čas závodníka"),
                                      QStringLiteral("Počet kol"),  QStringLiteral("Trestné sekundy"),
                                      QStringLiteral("Čas startu"), QStringLiteral("Poznámka")};

    struct Case {
        const char *name;
        QStringList options;
        QStringList shown;  // captions besides the racers and the columns
        QStringList absent;
    };
    const std::vector<Case> cases{
        {"Whole", {}, {"Pořadí", "Poř. v kat."}, {}},
        {"OneCategory", {"--category", "ženy"}, {"Pořadí", "Ženy"}, {"Řehoř"}},
        {"EveryCategory", {"--by-category"}, {"Pořadí", "VETERÁN", "Ženy"}, {}},
    };
    for (const Case &c : cases) {
        for (const char *format : {"--csv", "--html", "--json"}) {
            SCOPED_TRACE(std::string(c.name) + " " + format);
            const CommandRun run = Run(QStringList{QStringLiteral("czech.csvz"), QStringLiteral("--racers"),
                                                   QStringLiteral("czech.racerlist"), QStringLiteral("--title"), title,
                                                   QString::fromLatin1(format), QStringLiteral("-")}
                                       + c.options);
            ASSERT_EQ(run.code, 0) << run.err.toStdString();
            QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            const QString text = utf8(run.out);
            EXPECT_FALSE(utf8.hasError());
            EXPECT_FALSE(text.contains(QChar::ReplacementCharacter));
            EXPECT_FALSE(text.contains(QStringLiteral("Ã"))) << "UTF-8 read as Latin-1 somewhere";
            const bool csv = QLatin1String(format) == QLatin1String("--csv");
            const bool json = QLatin1String(format) == QLatin1String("--json");
            QStringList expected;
            for (const QString &name : names)
                if (!std::any_of(c.absent.begin(), c.absent.end(),
                                 [&](const QString &a) { return name.startsWith(a); }))
                    expected << name;
            if (!csv)
                expected << title;  // the CSV holds the sheet's columns only
            if (!json)
                expected << columns;
            for (const QString &caption : c.shown) {
                // CSV and JSON have no rank columns; JSON names one category only.
                const bool rankTitle = caption.startsWith(QStringLiteral("Poř"));
                if ((rankTitle && !(QLatin1String(format) == QLatin1String("--html")))
                    || (json && QLatin1String(c.name) == QLatin1String("EveryCategory")))
                    continue;
                expected << caption;
            }
            for (const QString &caption : expected)
                EXPECT_TRUE(text.contains(caption)) << caption.toStdString() << "\n" << text.toStdString();
            for (const QString &caption : c.absent)
                EXPECT_FALSE(text.contains(caption)) << caption.toStdString();
        }
    }
}

// The command runs where there is no display and no widget library: of Qt
// it needs the core library, and the Gui library for the fonts and painting
// of --pdf (on the offscreen platform), never widgets.
TEST(CommandBinary, LinksQtCoreAndGuiNeverWidgets)
{
    QProcess readelf;
    readelf.start(QStringLiteral("readelf"), {QStringLiteral("-d"), QStringLiteral(TIKOMAT_RESULTS_COMMAND)});
    ASSERT_TRUE(readelf.waitForFinished(30000));
    ASSERT_EQ(readelf.exitCode(), 0) << readelf.readAllStandardError().constData();
    QStringList qt;
    static const QRegularExpression needed(QStringLiteral("\\(NEEDED\\).*\\[(libQt[^\\]]*)\\]"));
    for (const QString &line : QString::fromUtf8(readelf.readAllStandardOutput()).split(u'\n')) {
        const QRegularExpressionMatch m = needed.match(line);
        if (m.hasMatch())
            qt << m.captured(1);
    }
    qt.sort();
    EXPECT_EQ(qt, QStringList({QStringLiteral("libQt6Core.so.6"), QStringLiteral("libQt6Gui.so.6")}));
}

TEST_F(CommandTest, HelpInCzechOrEnglish)
{
    struct Case {
        const char *name;
        QMap<QString, QString> env;
        QStringList arguments;
        const char *firstLine;
    };
    const char *czech = "Použití: tikomat-results [VOLBY] DATOVÝ_SOUBOR";
    const char *english = "Usage: tikomat-results [OPTIONS] DATA_FILE";
    const std::vector<Case> cases = {
        {"CzechLocale", {{"LANG", "cs_CZ.UTF-8"}}, {"--help"}, czech},
        {"OtherLocale", {{"LANG", "C.UTF-8"}}, {"-h"}, english},
        {"LcAllBeforeLang", {{"LANG", "cs_CZ.UTF-8"}, {"LC_ALL", "en_GB.UTF-8"}}, {"--help"}, english},
        {"AskedForCzech", {}, {"--help=cs"}, czech},
        {"AskedForEnglish", {{"LANG", "cs_CZ.UTF-8"}}, {"--help=en"}, english},
        {"HelpWinsOverAnError", {}, {"--laps", "x", "--help"}, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const CommandRun run = Run(c.arguments, c.env);
        if (!c.firstLine) {
            EXPECT_EQ(run.code, 2) << "an error before --help is still an error";
            continue;
        }
        EXPECT_EQ(run.code, 0) << run.err.toStdString();
        EXPECT_TRUE(run.err.isEmpty());
        const QString text = QString::fromUtf8(run.out);
        EXPECT_EQ(text.section(u'\n', 0, 0), QString::fromUtf8(c.firstLine));
        for (const char *option :
             {"--xls", "--csv", "--html", "--json", "--pdf", "--racers", "--laps", "--title", "--force"})
            EXPECT_TRUE(text.contains(QString::fromLatin1(option))) << option;
    }
}

}  // namespace
