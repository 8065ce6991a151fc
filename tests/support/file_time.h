#pragma once
// Setting a file's modification time in local civil time, and today's local
// date as the program shows file dates.
#include <string>

namespace tvtest {

// Sets the modification (and access) time of `path` to the local time given;
// out-of-range fields are normalised as std::mktime does (day 0 is the last
// day of the month before). A failure fails the running test.
void SetLocalFileTime(const std::string& path, int year, int month, int day, int hour = 12, int minute = 0);

// Today's local date, "dd.mm.yyyy" (what a file written now shows).
std::string TodayText();

}  // namespace tvtest
