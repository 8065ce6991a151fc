#include "support/file_time.h"

#include <utime.h>

#include <cstdio>
#include <ctime>

#include <gtest/gtest.h>

namespace tvtest {

void SetLocalFileTime(const std::string& path, int year, int month, int day, int hour, int minute) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    utimbuf times{t, t};
    ASSERT_EQ(::utime(path.c_str(), &times), 0) << path;
}

std::string TodayText() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900);
    return buf;
}

}  // namespace tvtest
