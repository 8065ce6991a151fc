#include "acquire/page_to_cache_rec.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/cache_db.h"
#include "core/file_procs.h"
#include "platform/text_encoding.h"
#include "support/fakes.h"
#include "support/records.h"

namespace {

// A stored listing page as the loader keeps it.
std::string StoredPage(const std::string& latlon, const std::string& name = "Test Cache") {
    return "<html><head><script>var s = '<span id=\"CacheName\">Vorschau</span>';</script></head>\r\n"
           "<body>\r\n<div class=\"charcoal_header\"></div><table><tr><td>&nbsp;Traditional Cache</td></tr></table>\r\n"
           "<span id=\"CacheName\">" +
           name +
           "</span>\r\n"
           "<span id=\"CacheOwner\"><b>Owner</b> [<a href=\"x\">profile</a>]</span>\r\n"
           "<span id=\"DateHidden\">7/4/2006</span>\r\n"
           "<span id=\"Difficulty\"><img src=\"s.gif\" alt=\"2.5 out of 5\"></span>\r\n"
           "<span id=\"Terrain\"><img src=\"s.gif\" alt=\"1.5 out of 5\"></span>\r\n"
           "<span id=\"LatLon\" style=\"font-weight:bold;\">" +
           latlon +
           "</span>\r\n"
           "<span id=\"Location\">In Bayern, Germany</span>\r\n"
           "<span id=\"lnkDetails\">This is a <strong>Regular</strong> cache.</span>\r\n</body></html>\r\n";
}

const char* kMunich = "N 48\xB0 12.300 E 011\xB0 34.567";

std::int32_t Countries(std::string_view name) { return name == "Germany" ? 79 : 0; }

TEST(PageToCacheRec, CoordinateTextsAndComparison) {
    auto c = tv::ParseLatLonText("S 33\xB0 51.000 W 151\xB0 12.000");
    ASSERT_TRUE(c);
    EXPECT_DOUBLE_EQ(c->first, -33.85);
    EXPECT_DOUBLE_EQ(c->second, -151.2);
    c = tv::ParseLatLonText(kMunich);
    EXPECT_DOUBLE_EQ(c->first, 48.205);
    EXPECT_NEAR(c->second, 11.5761167, 1e-7);
    // Degrees of 0 near Greenwich and the equator.
    c = tv::ParseLatLonText("N 00\xB0 30.000 W 000\xB0 00.500");
    ASSERT_TRUE(c);
    EXPECT_DOUBLE_EQ(c->first, 0.5);
    EXPECT_NEAR(c->second, -0.0083333, 1e-7);
    EXPECT_FALSE(tv::ParseLatLonText("N 48\xB0 1.2.3 E 11\xB0 5"));

    tv::TCacheRec a = tvtest::CacheRecord("GC1", "Name", 48.0, 11.0);
    tv::TCacheRec b = a;
    b.Name = "NAME";
    b.Lat += 1e-5;
    EXPECT_TRUE(tv::SameCacheData(a, b));
    b.Lat += 1e-5;
    EXPECT_FALSE(tv::SameCacheData(a, b));
}

TEST(PageToCacheRec, ScanTakesEachStoredPageOnce) {
    tvtest::TempDir dir;
    for (const char* f : {"GC12AB.html", "GC12AB.htm", "GC12AB_converted.html", "GC12AB.meta", "gc99XY.html",
                          "index.html", "GC12AB_i1.jpg"})
        dir.write(f, "x");
    EXPECT_EQ(tv::ScanPageFolder(dir.str()), (std::vector<std::string>{"GC12AB", "gc99XY"}));
}

TEST(PageToCacheRec, PageFieldsByField) {
    const tv::TCacheRec r = tv::ExtractCacheFromText(StoredPage(kMunich), "gc12ab", Countries);
    tv::TCacheRec e;
    e.Waypoint = "GC12AB";
    e.Name = "Test Cache Owner";
    e.Lat = 48.205;
    e.Lon = 11.576116666666667;
    e.CacheType = "Traditional Cache";
    e.Size = "Regular";
    e.Difficulty = "2.5";
    e.Terrain = "1.5";
    e.CountryId = 79;
    e.Hidden = *tv::DayCountFromDate(2006, 7, 4);
    EXPECT_EQ(tv::EncodeCacheRec(r), tv::EncodeCacheRec(e));

    EXPECT_EQ(tv::ExtractCacheFromText(StoredPage(kMunich), "GC12AB..", Countries), tv::TCacheRec{});
}

class PageImport : public ::testing::Test {
protected:
    void SetUp() override {
        pages_.write("GC12AB.html", StoredPage(kMunich));
        pages_.write("GC12AB.htm", StoredPage(kMunich));
        pages_.write("GC1BAD.html", StoredPage("???"));
        pages_.write("GC5OLD.htm", StoredPage("N 50\xB0 00.000 E 008\xB0 00.000", "Alt"));
        work_.writeCaches({tvtest::CacheRecord("GC5OLD", "Alt Owner", 50.0, 8.0)});
        work_.write("WPList.txt", "GC777\r\n");
        params_.folder = pages_.str();
        params_.country = Countries;
    }
    std::vector<std::string> run() {
        std::vector<std::string> lines;
        result_ = tv::ImportStoredPages(params_, [&lines](const std::string& l) { lines.push_back(l); });
        return lines;
    }
    tvtest::TempDir pages_;
    tvtest::WorkFolder work_;
    tv::platform::ScopedFakes fakes_;
    tv::PageImportParams params_;
    tv::PageImportResult result_;
};

TEST_F(PageImport, NewCachesAppendedOnceExistingSkippedOrUpdated) {
    auto lines = run();
    EXPECT_EQ(lines, (std::vector<std::string>{"GC12AB", "GC1BAD", "GC5OLD", "GC12AB: Test Cache Owner (Neu)",
                                               "GC1BAD: Fehler beim Extrahieren der Daten",
                                               "GC5OLD: bereits vorhanden, wird \xFC"
                                               "bersprungen",
                                               "Fertig. 1 neu, 1 \xFC"
                                               "bersprungen, 0 ge\xE4ndert."}));
    auto recs = tv::ReadCacheFile(work_.str() + "Caches.bin");
    ASSERT_TRUE(recs);
    ASSERT_EQ(recs->size(), 2u);
    EXPECT_EQ((*recs)[1].Waypoint, "GC12AB");
    EXPECT_EQ((*recs)[1].InDB, 0);
    // The work list keeps its lines and gets the new code once.
    EXPECT_EQ(work_.read("WPList.txt"), "GC777\r\nGC12AB\r\n");

    // Updating: the record with other data is overwritten in its slot.
    params_.updateExisting = true;
    lines = run();
    EXPECT_EQ(lines[3], "GC12AB: vorhanden mit gleichen Daten");
    EXPECT_EQ(lines[5], "GC5OLD: vorhanden mit anderen Daten -> Update");
    recs = tv::ReadCacheFile(work_.str() + "Caches.bin");
    ASSERT_EQ(recs->size(), 2u);
    EXPECT_EQ((*recs)[0].Name, "Alt Owner");
    EXPECT_EQ((*recs)[0].CacheType, "Traditional Cache");
    EXPECT_EQ(result_.changed, 1);
    EXPECT_EQ(result_.skipped, 1);
}

// An update from a stored page keeps what the page does not show: the site's
// numeric id of the stored record.
TEST_F(PageImport, UpdateKeepsTheStoredNumericId) {
    tv::TCacheRec old = tvtest::CacheRecord("GC5OLD", "Alt Owner", 50.0, 8.0);
    old.Id = 4711;
    tv::TCacheRec other = tvtest::CacheRecord("GC12AB", "Test Cache Owner", 48.0, 11.0);
    other.Id = 815;
    work_.writeCaches({old, other});
    params_.updateExisting = true;
    run();
    EXPECT_EQ(result_.changed, 2);
    const auto recs = tv::ReadCacheFile(work_.str() + "Caches.bin");
    ASSERT_TRUE(recs);
    ASSERT_EQ(recs->size(), 2u);
    EXPECT_EQ((*recs)[0].CacheType, "Traditional Cache");
    EXPECT_EQ((*recs)[0].Id, 4711);
    EXPECT_EQ((*recs)[1].Lat, 48.205);
    EXPECT_EQ((*recs)[1].Id, 815);
}

// A page name that is no safe waypoint code (a blank, ':', a control byte)
// is skipped before its page is read, counted and named once.
TEST_F(PageImport, UnsafeCodesInPageNamesAreSkippedAndNamed) {
    pages_.write("GC1 2.html", StoredPage(kMunich));
    pages_.write("GC1:2.html", StoredPage(kMunich));
    pages_.write("GC1\x01X.htm", StoredPage(kMunich));
    const auto lines = run();
    EXPECT_EQ(result_.added, 1);
    EXPECT_EQ(result_.refused.count(), 3);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], tv::W("3 Einträge mit ungültigem Wegpunktcode übersprungen: GC1?X, GC1 2, GC1:2"));
    EXPECT_NE(std::find(lines.begin(), lines.end(), tv::W("GC1:2: ungültiger Wegpunktcode, übersprungen")),
              lines.end());
    auto recs = tv::ReadCacheFile(work_.str() + "Caches.bin");
    ASSERT_TRUE(recs);
    EXPECT_EQ(recs->size(), 2u);
}

}  // namespace
