// The shell's rules at their limits: the first record of a downloaded
// database, release dates, the December greeting, intervals and widths of the
// settings, the tidy-up masks and lists of the work folder that cannot be
// written.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "core/cache_rec.h"
#include "core/file_procs.h"
#include "core/proc_settings.h"
#include "exchange/export_text.h"
#include "platform/text_encoding.h"
#include "shell/about_info.h"
#include "shell/cachedb_commands.h"
#include "shell/main_commands.h"
#include "shell/program_version.h"
#include "shell/settings_edit.h"
#include "shell/startup_task.h"
#include "support/temp_dir.h"
#include "support/write_fault.h"

namespace tv {
namespace {

TEST(ShellBounds, FirstRecordOfADatabaseAtTheEndsOfItsRanges) {
    auto valid = [](double lat, double lon, int country = 5, const char* code = "GC1") {
        TCacheRec r;
        r.Waypoint = code;
        r.Lat = lat;
        r.Lon = lon;
        r.CountryId = country;
        return IsValidFirstRecord(r);
    };
    EXPECT_TRUE(valid(90, 180));
    EXPECT_TRUE(valid(-90, -180));
    EXPECT_FALSE(valid(90.001, 10));
    EXPECT_FALSE(valid(-90.001, 10));
    EXPECT_FALSE(valid(10, 180.001));
    EXPECT_FALSE(valid(10, -180.001));
    EXPECT_FALSE(valid(0, 0));
    EXPECT_TRUE(valid(0, -0.001));
    EXPECT_TRUE(valid(-0.001, 0));
    EXPECT_TRUE(valid(48, 11, 998));
    EXPECT_FALSE(valid(48, 11, 999));
    EXPECT_TRUE(valid(48, 11, 5, "gc"));
    EXPECT_FALSE(valid(48, 11, 5, "G"));
    EXPECT_FALSE(valid(48, 11, 5, "CG12"));
}

TEST(ShellBounds, ReleaseDatesReadDayMonthYearAndEqualDatesAreNotNewer) {
    EXPECT_EQ(ParseDateToNumber("25.11.2007"), 20071125);
    EXPECT_EQ(ParseDateToNumber("03.12.2007"), 20071203);
    EXPECT_EQ(ParseDateToNumber("3.12.2007"), 0);
    EXPECT_EQ(ParseDateToNumber(""), 0);
    // The program's own date, a day either side, and another version on the same day.
    double own = 0;
    ASSERT_TRUE(ParseDateText(kProgramDate, own));
    EXPECT_EQ(CompareWithOwnVersion(kProgramVersion, kProgramDate), VersionVerdict::UpToDate);
    EXPECT_EQ(CompareWithOwnVersion("V99.0.0", DateText(own + 1)), VersionVerdict::Outdated);
    EXPECT_EQ(CompareWithOwnVersion("V0.0.1", DateText(own - 1)), VersionVerdict::InstalledNewer);
    EXPECT_EQ(CompareWithOwnVersion("V99.0.0", kProgramDate), VersionVerdict::InstalledNewer);
    EXPECT_EQ(CompareWithOwnVersion("V99.0.0", DateText(own + 31)), VersionVerdict::Outdated);
    EXPECT_EQ(CompareWithOwnVersion("V99.0.0", DateText(own + 366)), VersionVerdict::Outdated);
    EXPECT_EQ(CompareWithOwnVersion(kProgramVersion, "xx.yy.zzzz"), VersionVerdict::InstalledNewer);
}

// The version is the project's and the date the release date written beside
// it, in the form the version file uses: the same text on every build day and
// for every build time (SOURCE_DATE_EPOCH). The About box shows both.
TEST(ShellBounds, ProgramVersionAndDateAreTheReleasesWrittenInTheSource) {
    const std::string cmake = tvtest::ReadFileBytes(tvtest::TestsPath("../CMakeLists.txt"));
    auto after = [&](const std::string& key, const char* chars) {
        const auto at = cmake.find(key);
        if (at == std::string::npos) return std::string();
        const auto from = at + key.size();
        return cmake.substr(from, cmake.find_first_not_of(chars, from) - from);
    };
    const std::string version = after("project(Trailvane VERSION ", "0123456789.");
    ASSERT_FALSE(version.empty());
    EXPECT_EQ(kProgramVersion, "V" + version);
    const std::string date = after("set(TV_RELEASE_DATE \"", "0123456789.");
    ASSERT_EQ(date.size(), 10u);
    EXPECT_EQ(kProgramDate, date);

    double day = 0;
    ASSERT_TRUE(ParseDateText(kProgramDate, day)) << kProgramDate;
    EXPECT_EQ(DateText(day), kProgramDate);  // "dd.mm.yyyy", as ParseDateToNumber reads it
    EXPECT_GE(ParseDateToNumber(kProgramDate), 20261207);  // the release of V0.1.0

    EXPECT_EQ(DefaultAboutVersionText(),
              "Version " + std::string(kProgramVersion) + " vom " + std::string(kProgramDate));
    EXPECT_EQ(AboutVersionText(std::nullopt), DefaultAboutVersionText());
}

TEST(ShellBounds, GreetingOnlyFromTheEighteenthToTheThirtiethOfDecember) {
    auto on = [](int month, int day) {
        platform::DateTime t;
        t.year = 2026;
        t.month = month;
        t.day = day;
        return GreetingYear(t, 2025).value_or(0);
    };
    EXPECT_EQ(on(12, 17), 0);
    EXPECT_EQ(on(12, 18), 2026);
    EXPECT_EQ(on(12, 30), 2026);
    EXPECT_EQ(on(12, 31), 0);
    EXPECT_EQ(on(11, 20), 0);
    platform::DateTime t{2026, 12, 24};
    EXPECT_FALSE(GreetingYear(t, 2026));
    EXPECT_EQ(GreetingYear(t, 2027), 2026);
}

TEST(ShellBounds, IntervalItemsAndTheMaximumWidth) {
    const int intervals[] = {1, 7, 14, 28, -1};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(IndexToInterval(i), intervals[i]);
        EXPECT_EQ(IntervalToIndex(intervals[i]), i == 4 ? 4 : i);
    }
    EXPECT_EQ(IndexToInterval(5), -1);
    EXPECT_EQ(IndexToInterval(-1), -1);
    EXPECT_EQ(IntervalToIndex(8), 0);

    SettingsFormData form;
    form.workDir = "/a/work/";
    form.outDir = "/a/out/";
    TProcSettings s;
    form.maxWidth = "99999";
    ASSERT_TRUE(ApplyForm(form, s));
    EXPECT_EQ(s.HTMLMaxWidth, 99999);
    for (const char* bad : {"100000", "", "64a", "-640"}) {
        form.maxWidth = bad;
        const auto r = ValidateForm(form);
        ASSERT_FALSE(r) << bad;
        EXPECT_EQ(r.error().code, kBadMaxWidth);
    }
}

std::set<std::string> Names(const std::filesystem::path& folder) {
    std::set<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(folder)) out.insert(e.path().filename().string());
    return out;
}

TEST(ShellBounds, TidyUpTakesFourAndFiveCharacterCodesOnly) {
    tvtest::TempDir dir;
    for (const char* f : {"GC123.html", "GC1234.html", "GC12345.htm", "GC123456.html", "gc1234.HTML", "GC1234_1.jpg",
                          "GC12.meta", "notes.txt"})
        dir.write(f, "x");
    EXPECT_EQ(CleanupFolder(dir.str()), 4);
    EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"GC123.html", "GC123456.html", "GC1234_1.jpg", "notes.txt"}));
}

TEST(ShellBounds, OriginalsOfPrefixCodesAndListsThatCannotBeWritten) {
    tvtest::TempDir dir;
    for (const char* f : {"GC12.html", "GC123.html", "GC12_converted.html", "GC1234.htm", "gc77.html"})
        dir.write("out/" + std::string(f), "x");
    dir.write("work/WPList.txt", "gc123\r\nGC77\r\n");
    const auto known = [](const std::string&) { return true; };
    OriginalsResult r = OriginalsToWorkList(dir.str() + "out", true, dir.str() + "work/", known);
    EXPECT_EQ(r.added, 1);
    EXPECT_TRUE(r.saved);
    EXPECT_EQ(dir.read("work/WPList.txt"), "gc123\r\nGC77\r\nGC12\r\n");
    std::filesystem::remove(dir.path() / "out" / "gc77.html");

    for (const char* name : {"WPList.txt", "dirlist.txt"}) {
        tvtest::ScopedWriteFault full(name);
        r = OriginalsToWorkList(dir.str() + "out", false, dir.str() + "work/", known);
        EXPECT_EQ(r.saved, std::string(name) != "WPList.txt");
        EXPECT_EQ(WriteDirList(dir.str() + "work/", {"GC1"}), std::string(name) != "dirlist.txt");
    }
    EXPECT_EQ(dir.read("work/WPList.txt"), "GC12\r\nGC123\r\n");
    EXPECT_EQ(dir.read("work/dirlist.txt"), "GC1\r\n");
    {
        tvtest::ScopedWriteFault full("WPList.txt");
        EXPECT_FALSE(WriteWorkDirList(dir.str() + "work", kWorkListFile, {"GC9"}));
    }
    EXPECT_EQ(dir.read("work/WPList.txt"), "GC12\r\nGC123\r\n");
}

TEST(ShellBounds, WorkListMarksNeedTwoLettersGcAndTheWholeCode) {
    const std::vector<std::string> captions = {"GC12", "GC123", "G", "gc5", "XY1"};
    const std::vector<bool> marks = MarkByWorkList({"GC123", "G", "gc5", "XY1", ""}, captions);
    EXPECT_EQ(marks, (std::vector<bool>{false, true, false, true, false}));
}

}  // namespace
}  // namespace tv
