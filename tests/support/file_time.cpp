#include "support/file_time.h"

#include <utime.h>

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

}  // namespace tvtest
