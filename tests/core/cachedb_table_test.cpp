#include "core/cachedb_table.h"

#include <gtest/gtest.h>

#include <string>

#include "core/app_paths.h"
#include "platform/text_encoding.h"
#include "support/temp_dir.h"

using namespace tv;

namespace {

struct ProgramDirScope {
    std::string previous = ProgramDir();
    explicit ProgramDirScope(const std::string& dir) { SetProgramDir(dir); }
    ~ProgramDirScope() {
        SetProgramDir(previous);
        CacheDBTable() = TCacheDBTable();
    }
};

std::string Entries(int n, int idBase) {
    std::string s = "[CacheDB]\r\nGCDatabaseCount=" + std::to_string(n) + "\r\n";
    for (int i = 1; i <= n; ++i) {
        const std::string k = std::to_string(i);
        s += "DB_CountryID" + k + "=" + std::to_string(idBase + i) + "\r\nDB_Filename" + k + "=list" + k +
             ".txt\r\nDB_CName" + k + "=Land" + k + "\r\n";
    }
    return s;
}

}  // namespace

TEST(CacheDBTable, ReadsSampleFileWithBadLines) {
    tvtest::TempDir dir;
    dir.write("CacheDB.conf", tvtest::ReadFileBytes(tvtest::Fixture("cachedb/CacheDB.conf")));
    ProgramDirScope scope(dir.str());
    ASSERT_EQ(ReadCacheDBConf(), 5);
    const auto& t = CacheDBTable();
    ASSERT_EQ(t.Count(), 5);

    EXPECT_EQ(t.Entry(1).CountryID, 79);
    EXPECT_EQ(t.Entry(1).FileName, "germany.txt");
    EXPECT_EQ(t.Entry(1).CountryName, "Germany");
    EXPECT_EQ(t.Entry(1).CountryNameDE, "Deutschland");

    // Names cut to what their fields hold; a file name with folder parts refused.
    EXPECT_EQ(t.Entry(2).CountryID, 34);
    EXPECT_EQ(t.Entry(2).FileName, "");
    EXPECT_EQ(t.Entry(2).CountryName, "Bosnia and Her");
    EXPECT_EQ(t.Entry(2).CountryNameDE, "Bosnien und Herzegowina (");

    // A long list file name stays whole, so the right list is fetched.
    EXPECT_EQ(t.Entry(3).FileName, "a_rather_long_list_file_name_austria.txt");
    EXPECT_EQ(t.Entry(3).CountryName, "austria");
    EXPECT_EQ(t.Entry(3).CountryNameDE, W("Österreich"));

    EXPECT_EQ(t.Entry(4).CountryID, 79);
    EXPECT_EQ(t.Entry(4).FileName, "");
    EXPECT_EQ(t.Entry(5).CountryID, 0);  // "12x" is not a number
    EXPECT_EQ(t.Entry(5).CountryNameDE, "");

    // Look-ups: the last entry wins; names ignore ASCII case and are matched
    // on the 14 bytes the field holds.
    EXPECT_EQ(CountryNameByID(79), "Deutschland (Nord)");
    EXPECT_EQ(CountryNameByID(227), W("Österreich"));
    EXPECT_EQ(CountryNameByID(5), "5");
    EXPECT_EQ(CountryNameByID(-1), "-1");
    EXPECT_EQ(CountryIDByName("germany"), 79);
    EXPECT_EQ(CountryIDByName("AUSTRIA"), 227);
    EXPECT_EQ(CountryIDByName("Bosnia and Herzegovina"), 34);
    EXPECT_EQ(CountryIDByName("Bosnia and He"), 0);
    EXPECT_EQ(CountryIDByName("Nowhere"), 0);  // entry 6 is beyond the count
    EXPECT_EQ(CountryIDByName(""), 0);         // entries without a name are not found by an empty one
}

TEST(CacheDBTable, MissingFileAndCountLimits) {
    tvtest::TempDir dir;
    ProgramDirScope scope(dir.str());
    CacheDBTable() = TCacheDBTable::Parse(Entries(2, 0));
    EXPECT_EQ(ReadCacheDBConf(), 0);  // no file: the old table is gone
    EXPECT_EQ(CountryNameByID(79), "79");
    EXPECT_EQ(CountryIDByName("Germany"), 0);

    const auto full = TCacheDBTable::Parse(Entries(60, 100));
    ASSERT_EQ(full.Count(), 50);
    EXPECT_EQ(full.Entry(50).CountryID, 150);
    EXPECT_EQ(full.Entry(50).FileName, "list50.txt");
    EXPECT_EQ(full.CountryIDByName("land51"), 0);
    EXPECT_THROW(full.Entry(51), std::out_of_range);

    std::string negative = Entries(3, 0);
    negative.replace(negative.find("=3"), 2, "=-3");
    EXPECT_EQ(TCacheDBTable::Parse(negative).Count(), 0);
    EXPECT_EQ(TCacheDBTable::Parse("[cachedb]\ngcdatabasecount=1\ndb_countryid1=7\n").Entry(1).CountryID, 7);
    EXPECT_EQ(TCacheDBTable::Parse("").Count(), 0);
}

TEST(CacheDBTable, ShippedTableIsUsable) {
    const auto t = TCacheDBTable::Parse(tvtest::ReadFileBytes(tvtest::Fixture("../../data/CacheDB.conf")));
    ASSERT_GE(t.Count(), 3);
    EXPECT_EQ(t.Entry(3).CountryID, 79);  // the default primary database
    EXPECT_EQ(t.CountryIDByName("Germany"), 79);
    for (const auto& e : t.Entries()) {
        EXPECT_FALSE(e.FileName.empty()) << e.CountryName;
        EXPECT_EQ(t.CountryIDByName(e.CountryName), e.CountryID) << e.CountryName;
        EXPECT_EQ(t.CountryNameByID(e.CountryID), e.CountryNameDE);
    }
}

TEST(CacheTypes, EveryTypeTextAndBack) {
    const char* texts[] = {"Traditional Cache", "Multi-cache",   "Virtual Cache",      "Letterbox Hybrid",
                           "Event Cache",       "Webcam Cache",  "Unknown Cache",      "Locationless Cache",
                           "Cache In Trash Out E", "Earthcache"};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(CacheTypeFromText(texts[i]), i) << texts[i];
        EXPECT_EQ(CacheTypeFromText(CacheTypeText(i)), i);
    }
    EXPECT_EQ(CacheTypeFromText("MULTI-CACHE"), 1);
    EXPECT_EQ(CacheTypeFromText("Earthcache"), 9);
    EXPECT_EQ(CacheTypeFromText(""), 10);
    EXPECT_EQ(CacheTypeFromText("Cache In Trash Out Event"), 10);
    EXPECT_EQ(CacheTypeFromText("cache in trash out e"), 8);
    // The stored type field holds 20 bytes: the cut event name maps to 8.
    EXPECT_EQ(CacheTypeFromText(std::string("Cache In Trash Out Event").substr(0, 20)), 8);
    EXPECT_EQ(CacheTypeFromText("Traditional Cache "), 10);
    EXPECT_EQ(CacheTypeText(10), "");
    EXPECT_EQ(CacheTypeText(-1), "");
}
