// What the cache-details window shows and how two records are compared.
#include "pages/cache_details.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "core/cachedb_table.h"
#include "core/str_util.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

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
