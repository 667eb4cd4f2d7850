#include "Clock.h"
#include "DayTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

constexpr DayTime Hour = MsPerHour;
constexpr DayTime Second = MsPerSecond;

struct ToTextCase {
    const char *what;
    DayTime value;
    const char *text;
    friend void PrintTo(const ToTextCase &c, std::ostream *os) { *os << c.what; }
};

class DayTimeToTextTest : public ::testing::TestWithParam<ToTextCase> {};

TEST_P(DayTimeToTextTest, Writes)
{
    EXPECT_EQ(DayTimeToText(GetParam().value), QString::fromUtf8(GetParam().text)) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Values, DayTimeToTextTest,
    ::testing::Values(ToTextCase{"zero", 0, "00:00:00,000"}, ToTextCase{"noon", 12 * Hour, "12:00:00,000"},
                      ToTextCase{"hours are not wrapped", 36 * Hour, "36:00:00,000"},
                      ToTextCase{"three hour digits", 100 * Hour, "100:00:00,000"},
                      ToTextCase{"every field", Hour + 2 * 60 * Second + 3 * Second + 4, "01:02:03,004"},
                      ToTextCase{"last millisecond of the day", MsPerDay - 1, "23:59:59,999"},
                      ToTextCase{"a whole day", MsPerDay, "24:00:00,000"},
                      // One second is added to a negative value, not a day.
                      ToTextCase{"half a second before", -500, "00:00:00,500"},
                      ToTextCase{"one millisecond before", -1, "00:00:00,999"},
                      ToTextCase{"two seconds before", -2 * Second, "00:00:-01,000"},
                      ToTextCase{"a minute and a half before", -90 * Second - 250, "00:-01:-29,-250"},
                      ToTextCase{"a day before", -MsPerDay, "-23:-59:-59,000"}),
    [](const ::testing::TestParamInfo<ToTextCase> &param) { return "case" + std::to_string(param.index); });

struct FromTextCase {
    const char *text;
    long long milliseconds;  // expected value as whole milliseconds
    friend void PrintTo(const FromTextCase &c, std::ostream *os) { *os << '"' << c.text << '"'; }
};

class TextToDayTimeTest : public ::testing::TestWithParam<FromTextCase> {};

TEST_P(TextToDayTimeTest, Reads)
{
    const FromTextCase &c = GetParam();
    EXPECT_EQ(TextToDayTime(QString::fromUtf8(c.text)), c.milliseconds) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Texts, TextToDayTimeTest,
                         ::testing::Values(FromTextCase{"01:02:03,004", ((1 * 60 + 2) * 60 + 3) * 1000 + 4},
                                           FromTextCase{"24:00:00,000", 24 * 3600000},
                                           FromTextCase{"12:34", (12 * 60 + 34) * 60000},
                                           // Fixed positions: "1:", "2:" and "3," are no integers, "04" is.
                                           FromTextCase{"1:02:03,004", 4}, FromTextCase{"ab:cd:ef,ghi", 0},
                                           FromTextCase{"", 0},
                                           // Hours from the first two characters only: the round trip ends at 99 hours.
                                           FromTextCase{"100:00:00,000", 10 * 3600000},
                                           FromTextCase{"99:99:99,999", ((99LL * 60 + 99) * 60 + 99) * 1000 + 999},
                                           FromTextCase{" 5:00:00,000", 5 * 3600000}, FromTextCase{"5 :00:00,000", 0},
                                           FromTextCase{"10:00:00,250 and more", 10 * 3600000 + 250},
                                           FromTextCase{"-1:00:00,000", -3600000}, FromTextCase{"00:00:00,5", 5}));

TEST(DayTimeText, WholeMillisecondTextsSurviveReadAndWrite)
{
    // Every 7 ms over four days: below 100 hours the text reads back exactly.
    for (DayTime ms = 0; ms < 100 * Hour; ms += 6997) {
        const QString text = DayTimeToText(ms);
        ASSERT_EQ(TextToDayTime(text), ms) << text.toStdString();
    }
}

TEST(Clock, ReadingsAreCutToWholeMilliseconds)
{
    const char *oldZone = std::getenv("TZ");
    const std::string kept = oldZone ? oldZone : "";
    setenv("TZ", "UTC", 1);
    tzset();
    using namespace std::chrono;
    const system_clock::time_point midnight{duration_cast<system_clock::duration>(days(20797))};
    struct Case {
        microseconds after;
        DayTime expected;
    };
    const Case cases[] = {
        {microseconds(0), 0},
        {hours(10) + microseconds(123'999), 10 * Hour + 123},  // cut, not rounded
        {hours(23) + minutes(59) + seconds(59) + microseconds(999'999), MsPerDay - 1},
        {hours(24) + microseconds(1), 0},  // the next day starts again at 0
    };
    for (const Case &c : cases)
        EXPECT_EQ(LocalDayTime(midnight + c.after), c.expected) << c.after.count() << " us";
    if (oldZone)
        setenv("TZ", kept.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

struct IntCase {
    const char *text;
    int expected;
};

TEST(DayTimeText, ReadIntField)
{
    const IntCase cases[] = {
        {"42", 42},
        {"  42", 42},
        {"-7", -7},
        {"+7", 7},
        {"42 ", -1},
        {"4 2", -1},
        {"", -1},
        {"-", -1},
        {"x1", -1},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", -1},
        {"99999999999999999999", -1},
        {"0x10", -1},
    };
    for (const IntCase &c : cases)
        EXPECT_EQ(ReadIntField(QString::fromUtf8(c.text), -1), c.expected) << c.text;
}

}  // namespace
