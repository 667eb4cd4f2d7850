#include "EventLog.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <thread>

namespace {

// The time part as any locale's long format writes it (optionally AM/PM).
const QString TimePattern = QStringLiteral("\\d{1,2}[:.]\\d{2}[:.]\\d{2}(\\s?[AaPp]\\.?[Mm]\\.?)?");

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// Lines without their CR LF; fails the test when a line lacks it.
QList<QByteArray> Lines(const QByteArray &bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    EXPECT_TRUE(lines.back().isEmpty()) << "the last line is not ended";
    lines.removeLast();
    for (QByteArray &l : lines) {
        EXPECT_TRUE(l.endsWith('\r')) << l.constData();
        l.chop(1);
    }
    return lines;
}

class EventLogTest : public ::testing::Test {
protected:
    void TearDown() override { CloseLog(); }
    QString path(const char *name = "log.txt") const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
};

TEST_F(EventLogTest, StartsEmptyEveryRunAndWritesOneLinePerEvent)
{
    {
        QFile old(path());
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("12:00:00: a line of an earlier run\r\n");
    }
    OpenLog(path());
    ASSERT_TRUE(LogIsOpen());
    EXPECT_EQ(ReadAll(path()), QByteArray()) << "the earlier run's lines must be gone at once";

    WriteLog(QStringLiteral("start programu"));
    // flushed line by line: readable while the log is still open
    EXPECT_EQ(Lines(ReadAll(path())).size(), 1);
    WriteLog(QStringLiteral("konec programu"));
    CloseLog();
    EXPECT_FALSE(LogIsOpen());

    const QList<QByteArray> lines = Lines(ReadAll(path()));
    ASSERT_EQ(lines.size(), 2);
    const QRegularExpression start(u'^' + TimePattern + QStringLiteral(": start programu$"));
    const QRegularExpression end(u'^' + TimePattern + QStringLiteral(": konec programu$"));
    EXPECT_TRUE(start.match(QString::fromLatin1(lines[0])).hasMatch()) << lines[0].constData();
    EXPECT_TRUE(end.match(QString::fromLatin1(lines[1])).hasMatch()) << lines[1].constData();
}

TEST_F(EventLogTest, SecondRunKeepsOnlyItsOwnLines)
{
    OpenLog(path());
    WriteLog(QStringLiteral("first run"));
    CloseLog();
    OpenLog(path());
    WriteLog(QStringLiteral("second run"));
    CloseLog();
    const QList<QByteArray> lines = Lines(ReadAll(path()));
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith(": second run"));
}

TEST_F(EventLogTest, CzechMessageIsWrittenInCodePage1250)
{
    OpenLog(path());
    WriteLog(QStringLiteral("žluťoučký kůň"));
    CloseLog();
    const QByteArray expected("\x9e"
                              "lu\x9d"
                              "ou\xe8"
                              "k\xfd"
                              " k\xf9\xf2"
                              "\r\n");
    const QByteArray bytes = ReadAll(path());
    EXPECT_TRUE(bytes.endsWith(": " + expected)) << bytes.toHex(' ').constData();
}

TEST_F(EventLogTest, UnwritableFolderMeansNoLogAndNoComplaint)
{
    // Tests may run as root, so an unwritable folder is made as a path that
    // runs through a regular file.
    const QString plain = path("plain");
    {
        QFile f(plain);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString logPath = plain + QStringLiteral("/log.txt");
    OpenLog(logPath);
    EXPECT_FALSE(LogIsOpen());
    WriteLog(QStringLiteral("nothing to see"));
    CloseLog();
    EXPECT_FALSE(LogIsOpen());
    EXPECT_FALSE(QFile::exists(logPath));
}

TEST_F(EventLogTest, ClosedLogWritesNothingAndClosesTwiceQuietly)
{
    OpenLog(path());
    CloseLog();
    WriteLog(QStringLiteral("after the end"));
    CloseLog();
    EXPECT_EQ(ReadAll(path()), QByteArray());
}

TEST_F(EventLogTest, LinesOfTwoThreadsNeverInterleave)
{
    OpenLog(path());
    constexpr int PerThread = 2000;
    const QString padding(120, u'x');
    auto writer = [&](char tag) {
        for (int i = 0; i < PerThread; ++i)
            WriteLog(QStringLiteral("%1 %2 %3").arg(QChar::fromLatin1(tag)).arg(i).arg(padding));
    };
    std::thread a(writer, 'A');
    std::thread b(writer, 'B');
    a.join();
    b.join();
    CloseLog();

    const QRegularExpression shape(u'^' + TimePattern + QStringLiteral(": ([AB]) (\\d+) x{120}$"));
    int next[2] = {0, 0};
    const QList<QByteArray> lines = Lines(ReadAll(path()));
    ASSERT_EQ(lines.size(), 2 * PerThread);
    for (const QByteArray &line : lines) {
        const auto m = shape.match(QString::fromLatin1(line));
        ASSERT_TRUE(m.hasMatch()) << line.constData();
        const int t = m.captured(2) == u"A" ? 0 : 1;
        // each thread's lines keep their order
        ASSERT_EQ(m.captured(3).toInt(), next[t]++);
    }
}

struct ZoneCase {
    const char *format;
    const char *expected;
};

void PrintTo(const ZoneCase &c, std::ostream *out)
{
    *out << '"' << c.format << '"';
}

class TimeZoneRemoval : public ::testing::TestWithParam<ZoneCase> {};

TEST_P(TimeZoneRemoval, DropsEveryZoneField)
{
    EXPECT_EQ(WithoutTimeZone(QString::fromUtf8(GetParam().format)), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Formats, TimeZoneRemoval,
                         ::testing::Values(ZoneCase{"HH:mm:ss t", "HH:mm:ss"}, ZoneCase{"H:mm:ss", "H:mm:ss"},
                                           ZoneCase{"h:mm:ss AP t", "h:mm:ss AP"},
                                           ZoneCase{"h:mm:ss t AP", "h:mm:ss AP"}, ZoneCase{"t HH:mm:ss", "HH:mm:ss"},
                                           ZoneCase{"HH:mm:ss tttt", "HH:mm:ss"}, ZoneCase{"tAPh:mm:ss", "APh:mm:ss"},
                                           ZoneCase{"H 'h' mm 'min' ss 's' t", "H 'h' mm 'min' ss 's'"},
                                           ZoneCase{"HH:mm:ss 'at' t", "HH:mm:ss 'at'"}));

struct LineCase {
    QLocale::Language language;
    QLocale::Territory territory;
    QTime time;
    const char *expected;
};

void PrintTo(const LineCase &c, std::ostream *out)
{
    *out << QLocale(c.language, c.territory).name().toStdString() << ' ' << c.time.toString().toStdString();
}

class LogLineShape : public ::testing::TestWithParam<LineCase> {};

TEST_P(LogLineShape, TimeAsTheLocaleWritesItWithoutDate)
{
    const LineCase &c = GetParam();
    EXPECT_EQ(FormatLogLine(QLocale(c.language, c.territory), c.time, u"start programu"), QByteArray(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Locales, LogLineShape,
    ::testing::Values(LineCase{QLocale::Czech, QLocale::CzechRepublic, QTime(14, 5, 9), "14:05:09: start programu\r\n"},
                      // the hour as the locale writes it: no leading zero in Czech
                      LineCase{QLocale::Czech, QLocale::CzechRepublic, QTime(9, 0, 0), "9:00:00: start programu\r\n"},
                      // just after midnight: nothing hints at the new day
                      LineCase{QLocale::Czech, QLocale::CzechRepublic, QTime(0, 0, 1), "0:00:01: start programu\r\n"},
                      LineCase{QLocale::German, QLocale::Germany, QTime(9, 5, 7), "09:05:07: start programu\r\n"},
                      LineCase{QLocale::English, QLocale::UnitedStates, QTime(21, 5, 7),
                               "9:05:07 PM: start programu\r\n"}));

}  // namespace

namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const QByteArray *value) : m_name(name), m_had(qEnvironmentVariableIsSet(name))
    {
        m_old = qgetenv(name);
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
};

}  // namespace

// An installed program cannot write beside its executable (/usr/bin): its
// log goes to the user's state folder instead of nowhere.
TEST_F(EventLogTest, UnwritableProgramFolderSendsTheLogToTheStateFolder)
{
    const QString plain = path("plain");
    {
        QFile f(plain);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString unwritable = plain + QStringLiteral("/log.txt");
    const QByteArray home = QFile::encodeName(path("home"));
    const QByteArray state = QFile::encodeName(path("state"));
    const QByteArray relative("relative/state");
    const QByteArray throughFile = QFile::encodeName(plain);

    struct Case {
        const char *name;
        QString logPath;
        const QByteArray *stateHome;  // XDG_STATE_HOME, null: unset
        QString expected;             // empty: no log at all
    };
    const std::vector<Case> cases = {
        {"ProgramFolderWritable", path("log.txt"), &state, path("log.txt")},
        {"StateHomeSet", unwritable, &state, path("state/tikomat/log.txt")},
        {"StateHomeUnset", unwritable, nullptr, path("home/.local/state/tikomat/log.txt")},
        {"StateHomeRelativeIsIgnored", unwritable, &relative, path("home/.local/state/tikomat/log.txt")},
        {"NeitherWritable", unwritable, &throughFile, QString()},
    };
    const ScopedEnv homeEnv("HOME", &home);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QDir(path("state")).removeRecursively();
        QDir(path("home")).removeRecursively();
        QFile::remove(path("log.txt"));
        const ScopedEnv stateEnv("XDG_STATE_HOME", c.stateHome);

        EXPECT_EQ(OpenLogOrFallback(c.logPath), c.expected);
        EXPECT_EQ(LogIsOpen(), !c.expected.isEmpty());
        WriteLog(QStringLiteral("start programu"));
        CloseLog();
        if (!c.expected.isEmpty()) {
            const QList<QByteArray> lines = Lines(ReadAll(c.expected));
            ASSERT_EQ(lines.size(), 1);
            EXPECT_TRUE(lines[0].endsWith(": start programu"));
        }
        EXPECT_EQ(QFileInfo::exists(path("state/tikomat")), c.expected.startsWith(path("state")))
            << "the state folder is made only when it is needed";
        EXPECT_FALSE(QFileInfo::exists(path("relative")));
    }
}
