#include "DayTime.h"

#include <gtest/gtest.h>

TEST(DayTimeSmoke, RoundTrip)
{
    EXPECT_EQ(DayTimeToText(TextToDayTime("10:05:00,000") - TextToDayTime("10:00:00,000")), "00:05:00,000");
}
