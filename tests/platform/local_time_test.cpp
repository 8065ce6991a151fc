// Local civil time of a moment, as the clock and the file dates use it.
#include <gtest/gtest.h>

#include <ctime>

#include "platform/services.h"

namespace tv::platform {
namespace {

std::time_t LocalMoment(int y, int mo, int d, int h, int mi, int s) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

TEST(LocalDateTime, RoundTripsLocalMoments) {
    for (const auto& m : {DateTime{2007, 11, 28, 12, 34, 56, 0}, DateTime{2008, 2, 29, 0, 0, 0, 0},
                          DateTime{1999, 12, 31, 23, 59, 59, 0}, DateTime{2026, 7, 1, 8, 5, 9, 0}}) {
        const auto t = LocalDateTime(LocalMoment(m.year, m.month, m.day, m.hour, m.minute, m.second));
        ASSERT_TRUE(t);
        EXPECT_EQ(t->year, m.year);
        EXPECT_EQ(t->month, m.month);
        EXPECT_EQ(t->day, m.day);
        EXPECT_EQ(t->hour, m.hour);
        EXPECT_EQ(t->minute, m.minute);
        EXPECT_EQ(t->second, m.second);
        EXPECT_EQ(t->millisecond, 0);
    }
}

}  // namespace
}  // namespace tv::platform
