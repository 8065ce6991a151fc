// What the cache-details window shows and how two records are compared.
#include "pages/cache_details.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "core/cachedb_table.h"
#include "core/str_util.h"
#include "platform/text_encoding.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

double Day(int y, int m, int d) { return *DayCountFromDate(y, m, d); }

TCacheRec Sample() {
    TCacheRec r;
    r.Id = 12345;
    r.Name = W("Alte Mühle");
    r.Hidden = Day(2007, 11, 5);
    r.Lat = 48.5;
    r.Lon = 8.25;
    r.CacheType = "TRADITIONAL CACHE";
    r.Size = "Regular";
    r.Waypoint = "GC1ABC";
    r.Difficulty = "2";
    r.Terrain = "3.5";
    r.CountryId = 7;
    return r;
}

TEST(CacheDetailsTexts, RatingsBarsAndBadTexts) {
    struct Case {
        const char* in;
        const char* text;
        int bar;
    } cases[] = {
        {"2", "2,0", 36},     {"3.5", "3,5", 63}, {"1,5", "1,5", 27}, {"5", "5,0", 90},
        {"", "", 0},          {"x", "x,0", 0},    {"abc", "abc", 0},  {"9.9", "9,9", 90},  // held to five points
        {"-1", "-1", 0},      {"0.0", "0,0", 0},
    };
    for (const auto& c : cases) {
        const RatingView v = MakeRatingView(c.in);
        EXPECT_EQ(v.text, c.text) << c.in;
        EXPECT_EQ(v.barWidth, c.bar) << c.in;
    }
}

TEST(CacheDetailsCompare, EachFieldDiffersInTurn) {
    const TCacheRec a = Sample();
    EXPECT_EQ(DiffFields(a, a), 0u);

    struct Case {
        const char* what;
        void (*change)(TCacheRec&);
        unsigned mask;
    } cases[] = {
        {"id", [](TCacheRec& r) { r.Id += 1; }, dfId},
        {"name", [](TCacheRec& r) { r.Name = "Neue Muehle"; }, dfName},
        {"hidden", [](TCacheRec& r) { r.Hidden += 0.25; }, dfHidden},
        {"lat", [](TCacheRec& r) { r.Lat += 0.0011; }, dfCoordinates},
        {"lon", [](TCacheRec& r) { r.Lon -= 0.0011; }, dfCoordinates},
        {"size", [](TCacheRec& r) { r.Size = "regular"; }, dfSize},
        {"waypoint", [](TCacheRec& r) { r.Waypoint = "gc1abc"; }, dfWaypoint},
        {"difficulty", [](TCacheRec& r) { r.Difficulty = "2.0"; }, dfDifficulty},
        {"terrain", [](TCacheRec& r) { r.Terrain = "3,5"; }, dfTerrain},
        {"country", [](TCacheRec& r) { r.CountryId = 8; }, dfCountry},
        // Not compared, or equal as compared:
        {"type", [](TCacheRec& r) { r.CacheType = "MULTI-CACHE"; }, 0u},
        {"name case", [](TCacheRec& r) { r.Name = W("ALTE MÜHLE"); }, 0u},
        {"distance", [](TCacheRec& r) { r.Distance = 99.0f; }, 0u},
        {"record number", [](TCacheRec& r) { r.RecNo = 17; }, 0u},
    };
    for (const auto& c : cases) {
        TCacheRec b = a;
        c.change(b);
        EXPECT_EQ(DiffFields(a, b), c.mask) << c.what;
        EXPECT_EQ(DiffFields(b, a), c.mask) << c.what;
    }

    TCacheRec z;
    TCacheRec p = z;
    p.Lat = 0.001;  // exactly the tolerance: the same place
    EXPECT_EQ(DiffFields(z, p), 0u);
    p.Lat = 0.0011;
    EXPECT_EQ(DiffFields(z, p), unsigned(dfCoordinates));

    TCacheRec all = a;
    for (int i = 0; i < 10; ++i) cases[i].change(all);
    EXPECT_EQ(DiffFields(a, all), 0x1FFu);
}

// ---- converted page -----------------------------------------------------------

TEST(CacheDetailsPage, SearchOrderAndTheLastSubfolderWins) {
    tvtest::TempDir out;
    const std::string dir = out.str();
    // Nowhere yet.
    ConvertedPageLookup r = FindConvertedPage("GC1ABC", "", dir);
    EXPECT_FALSE(r.found);
    EXPECT_EQ(r.foundSubfolder, "");

    // Only in two subfolders: the one listed last is taken.
    out.write("B/GC1ABC_converted.html", "b");
    out.write("A/GC1ABC_converted.html", "a");
    out.write("C/other.html", "c");
    out.write("GC1ABC_converted.html.bak", "x");
    r = FindConvertedPage("GC1ABC", "", dir);
    EXPECT_TRUE(r.found);
    EXPECT_EQ(r.foundSubfolder, dir + "B/");
    EXPECT_EQ(ConvertedPagePath("GC1ABC", "", r.foundSubfolder, dir), dir + "B/GC1ABC_converted.html");

    // A link to a folder is not searched.
    std::filesystem::create_directory_symlink(out.path() / "A", out.path() / "Z");
    r = FindConvertedPage("GC1ABC", "", dir);
    EXPECT_EQ(r.foundSubfolder, dir + "B/");

    // In the folder itself: no subfolder search.
    out.write("GC1ABC_converted.html", "top");
    r = FindConvertedPage("GC1ABC", "", dir);
    EXPECT_TRUE(r.found);
    EXPECT_EQ(r.foundSubfolder, "");
    EXPECT_EQ(ConvertedPagePath("GC1ABC", "", "", dir), dir + "GC1ABC_converted.html");

    // A caller's folder is the only one looked at.
    tvtest::TempDir other;
    r = FindConvertedPage("GC1ABC", other.str(), dir);
    EXPECT_FALSE(r.found);
    EXPECT_EQ(r.foundSubfolder, "");
    other.write("GC1ABC_converted.html", "o");
    EXPECT_TRUE(FindConvertedPage("GC1ABC", other.str(), dir).found);
    EXPECT_EQ(ConvertedPagePath("GC1ABC", other.str(), dir + "B/", dir), other.str() + "GC1ABC_converted.html");

    // A code in lower case finds the page written with the site's spelling.
    EXPECT_TRUE(FindConvertedPage("gc1abc", "", dir).found);
    EXPECT_EQ(ConvertedPagePath("gc1abc", "", "", dir), dir + "GC1ABC_converted.html");
    // A folder that is a file does not count.
    out.write("GC2_converted.html/x", "");
    EXPECT_FALSE(FindConvertedPage("GC2", "", dir).found);
}

TEST(CacheDetailsPage, CodesThatCannotNameAFile) {
    tvtest::TempDir out;
    out.write("x_converted.html", "");
    out.write("sub/GC1_converted.html", "");
    for (const char* bad : {"", "../x", "sub/GC1", "GC*", "GC 1", "GC1234567890ABCDEF", "..", "\xC4X"}) {
        EXPECT_FALSE(FindConvertedPage(bad, "", out.str()).found) << bad;
        EXPECT_EQ(ConvertedPagePath(bad, "", "", out.str()), "") << bad;
    }
    EXPECT_TRUE(IsSafeWaypointCode("GC1234567890ABCD"));
    EXPECT_TRUE(FindConvertedPage("x", "", out.str()).found);
}

}  // namespace
}  // namespace tv
