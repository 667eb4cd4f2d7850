#include "DayTime.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace {

constexpr double Hour = 1.0 / 24;
constexpr double Second = 1.0 / SecondsPerDay;
constexpr double Ms = 1.0 / MillisecondsPerDay;

struct ToTextCase {
    const char *what;
    double value;
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
    ::testing::Values(
        ToTextCase{"zero", 0, "00:00:00,000"},
        ToTextCase{"noon", 0.5, "12:00:00,000"},
        ToTextCase{"hours are not wrapped", 1.5, "36:00:00,000"},
        ToTextCase{"three hour digits", 100 * Hour, "100:00:00,000"},
        ToTextCase{"every field", Hour + 2 * Hour / 60 + 3 * Second + 4 * Ms, "01:02:03,004"},
        ToTextCase{"last millisecond of the day", 1 - Ms, "23:59:59,999"},
        // A clock stamp with a true fraction of a millisecond is cut, not rounded.
        ToTextCase{"fraction cut", 10 * Hour + 0.9 * Ms, "10:00:00,000"},
        ToTextCase{"just below a millisecond", 10 * Hour + 7 * Ms - 0.001 * Ms, "10:00:00,006"},
        // One second is added to a negative value, not a day.
        ToTextCase{"half a second before", -0.5 * Second, "00:00:00,500"},
        ToTextCase{"two seconds before", -2 * Second, "00:00:-01,000"},
        ToTextCase{"a minute and a half before", -90.25 * Second, "00:-01:-29,-250"}),
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
    EXPECT_EQ(TextToDayTime(QString::fromUtf8(c.text)), double(c.milliseconds) / MillisecondsPerDay)
        << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextToDayTimeTest,
    ::testing::Values(
        FromTextCase{"01:02:03,004", ((1 * 60 + 2) * 60 + 3) * 1000 + 4},
        FromTextCase{"12:34", (12 * 60 + 34) * 60000},
        // Fixed positions: "1:", "2:" and "3," are no integers, "04" is.
        FromTextCase{"1:02:03,004", 4},
        FromTextCase{"ab:cd:ef,ghi", 0},
        FromTextCase{"", 0},
        // Hours from the first two characters only: the round trip ends at 99 hours.
        FromTextCase{"100:00:00,000", 10 * 3600000},
        FromTextCase{"99:99:99,999", ((99LL * 60 + 99) * 60 + 99) * 1000 + 999},
        FromTextCase{" 5:00:00,000", 5 * 3600000},
        FromTextCase{"5 :00:00,000", 0},
        FromTextCase{"10:00:00,250 and more", 10 * 3600000 + 250},
        FromTextCase{"-1:00:00,000", -3600000},
        FromTextCase{"00:00:00,5", 5}));

TEST(DayTimeText, WholeMillisecondTextsSurviveReadAndWrite)
{
    // Every 7 ms over a whole day and beyond: no text may lose a millisecond.
    for (long long ms = 0; ms < 100LL * 3600000; ms += 6997) {
        const QString text = DayTimeToText(double(ms) / MillisecondsPerDay);
        ASSERT_EQ(DayTimeToText(TextToDayTime(text)), text);
    }
}

TEST(DayTimeText, DifferencesOfReadTimesAreExact)
{
    EXPECT_EQ(DayTimeToText(TextToDayTime("10:05:00,000") - TextToDayTime("10:00:00,000")),
              "00:05:00,000");
    QRandomGenerator random(1234);
    for (int i = 0; i < 200000; ++i) {
        const long long a = random.bounded(86400000);
        const long long b = random.bounded(86400000);
        const long long later = std::max(a, b), earlier = std::min(a, b);
        const double difference = TextToDayTime(DayTimeToText(later / MillisecondsPerDay))
                                  - TextToDayTime(DayTimeToText(earlier / MillisecondsPerDay));
        ASSERT_EQ(DayTimeToText(difference), DayTimeToText(double(later - earlier) / MillisecondsPerDay))
            << later << " - " << earlier;
    }
}

struct IntCase {
    const char *text;
    int expected;
};

TEST(DayTimeText, ReadIntField)
{
    const IntCase cases[] = {
        {"42", 42},        {"  42", 42},       {"-7", -7},          {"+7", 7},
        {"42 ", -1},       {"4 2", -1},        {"", -1},            {"-", -1},
        {"x1", -1},        {"2147483647", 2147483647},              {"-2147483648", -2147483647 - 1},
        {"2147483648", -1}, {"99999999999999999999", -1},           {"0x10", -1},
    };
    for (const IntCase &c : cases)
        EXPECT_EQ(ReadIntField(QString::fromUtf8(c.text), -1), c.expected) << c.text;
}

}  // namespace
