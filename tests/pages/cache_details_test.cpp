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

TEST(CacheDetailsTexts, DatesInGermanWithTheirAge) {
    const double today = Day(2007, 11, 15) + 0.75;  // the time of day does not count
    EXPECT_EQ(HiddenDateText(Day(2007, 11, 5) + 0.9, today), "05. November 2007 (vor 10 Tagen)");
    EXPECT_EQ(HiddenDateText(Day(2003, 3, 1), Day(2003, 3, 1)), W("01. März 2003 (vor 0 Tagen)"));
    EXPECT_EQ(HiddenDateText(Day(2001, 12, 31), Day(2002, 1, 1)), "31. Dezember 2001 (vor 1 Tagen)");
    // Day 0 is the unknown date, not 30 December 1899.
    EXPECT_EQ(HiddenDateText(0.0, today), "unbekannt");
    EXPECT_EQ(HiddenDateText(1e12, today), "unbekannt");
    EXPECT_EQ(HiddenDateText(std::nan(""), today), "unbekannt");
    EXPECT_EQ(GermanLongDate(Day(1999, 1, 9)), "09. Januar 1999");

    EXPECT_EQ(FoundWhenText("03.02.2007", Day(2007, 2, 13)), "am 03. Februar 2007 (vor 10 Tagen)");
    EXPECT_EQ(FoundWhenText(" 3.2.2007 ", Day(2007, 2, 13)), "am 03. Februar 2007 (vor 10 Tagen)");
    for (const char* bad : {"", "31.02.2007", "3.2.07", "3-2-2007", "aa.bb.cccc", "1.1.2007x", "..2007"})
        EXPECT_EQ(FoundWhenText(bad, Day(2007, 2, 13)), "") << bad;
}

TEST(CacheDetailsTexts, CoordinatesAndDistanceFromHome) {
    EXPECT_EQ(CoordinatesText(48.5, 8.25), W("N 48° 30.000 E 008° 15.000"));
    EXPECT_EQ(CoordinatesText(200, 8.25), "unbekannt");
    EXPECT_EQ(CoordinatesText(48.5, -180.5), "unbekannt");
    EXPECT_EQ(CoordinatesText(-90, 180), W("S 90° 0.000 E 180° 0.000"));
    EXPECT_EQ(CoordinatesText(std::nan(""), 0), "unbekannt");

    // One degree of latitude due north of home: 111.1949 km on the 6371 km
    // sphere, shown with five significant digits and three decimals.
    EXPECT_EQ(HomeDistanceText(49.0, 10.0, {48.0, 10.0}),
              W("Entfernung von den Heimkoordinaten: 111,190 km in Richtung 0,0 °"));
    // Home -> cache: a cache to the west lies in direction 270.
    EXPECT_EQ(HomeDistanceText(0.0, 9.0, {0.0, 10.0}),
              W("Entfernung von den Heimkoordinaten: 111,190 km in Richtung 270,0 °"));
    EXPECT_EQ(HomeDistanceText(200.0, 9.0, {0.0, 10.0}), "");
}

TEST(CacheDetailsTexts, TypeIconsAndNameStyles) {
    const char* types[] = {"TRADITIONAL CACHE", "Multi-cache",        "VIRTUAL CACHE",        "letterbox hybrid",
                           "EVENT CACHE",       "WEBCAM CACHE",       "Unknown Cache",        "LOCATIONLESS CACHE",
                           "Cache In Trash Out E", "EARTHCACHE"};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(TypeIconNumber(types[i]), i + 1) << types[i];
    EXPECT_EQ(TypeIconNumber("WHERIGO CACHE"), 0);
    EXPECT_EQ(TypeIconNumber(""), 0);
    EXPECT_EQ(TypeIconNumber("TRADITIONAL CACHE "), 0);

    EXPECT_EQ(NameStyleFor(0), (NameStyle{true, false, false}));
    EXPECT_EQ(NameStyleFor(1), (NameStyle{true, true, false}));
    EXPECT_EQ(NameStyleFor(2), (NameStyle{true, true, true}));
}

TEST(CacheDetailsView, EveryFieldOfARecord) {
    CacheDBTable() = TCacheDBTable::Parse(
        "[CacheDB]\r\nGCDatabaseCount=1\r\nDB_CountryID1=7\r\nDB_Filename1=de\r\nDB_CName1=Germany\r\n"
        "DB_CNameDE1=Deutschland\r\n");
    CacheDetailsInput in;
    in.cache = Sample();
    in.today = Day(2007, 11, 15);
    in.home = {48.5, 7.25};
    in.archiveState = 2;
    in.foundDateText = "10.11.2007";
    const CacheDetailsView v = MakeCacheDetailsView(in);
    EXPECT_EQ(v.typeIcon, 1);
    EXPECT_EQ(v.name, W("Alte Mühle"));
    EXPECT_EQ(v.id, "12345");
    EXPECT_EQ(v.waypoint, "GC1ABC");
    EXPECT_EQ(v.size, "Regular");
    EXPECT_EQ(v.difficulty.text, "2,0");
    EXPECT_EQ(v.difficulty.barWidth, 36);
    EXPECT_EQ(v.terrain.text, "3,5");
    EXPECT_EQ(v.terrain.barWidth, 63);
    EXPECT_EQ(v.hidden, "05. November 2007 (vor 10 Tagen)");
    EXPECT_EQ(v.coordinates, W("N 48° 30.000 E 008° 15.000"));
    EXPECT_EQ(v.distance, W("Entfernung von den Heimkoordinaten: 73,679 km in Richtung 89,6 °"));
    EXPECT_EQ(v.country, "Deutschland");
    EXPECT_EQ(v.nameStyle, (NameStyle{true, true, true}));
    EXPECT_EQ(v.foundCaption, "Du hast diesen Cache gefunden");
    EXPECT_TRUE(v.foundCaptionVisible);
    EXPECT_EQ(v.foundWhen, "am 10. November 2007 (vor 5 Tagen)");
    EXPECT_TRUE(v.foundWhenVisible);

    // No find date: the found line is hidden.
    in.foundDateText.clear();
    CacheDetailsView w = MakeCacheDetailsView(in);
    EXPECT_FALSE(w.foundCaptionVisible);
    EXPECT_FALSE(w.foundWhenVisible);
    // A find date that is no date: the caption shows, the date line does not.
    in.foundDateText = "gestern";
    w = MakeCacheDetailsView(in);
    EXPECT_TRUE(w.foundCaptionVisible);
    EXPECT_FALSE(w.foundWhenVisible);
    // A caller's caption replaces the line and hides the date.
    in.foundDateText = "10.11.2007";
    in.foundCaption = "Neuer Cache";
    w = MakeCacheDetailsView(in);
    EXPECT_EQ(w.foundCaption, "Neuer Cache");
    EXPECT_TRUE(w.foundCaptionVisible);
    EXPECT_FALSE(w.foundWhenVisible);
    // An id that the table lacks shows as a number.
    in.cache.CountryId = -1;
    EXPECT_EQ(MakeCacheDetailsView(in).country, "-1");
    CacheDBTable() = TCacheDBTable{};
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
