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

TEST(CacheDBTable, ShippedTableIsUsable) {
    const auto t = TCacheDBTable::Parse(tvtest::ReadFileBytes(tvtest::ShippedData("CacheDB.conf")));
    ASSERT_GE(t.Count(), 3);
    EXPECT_EQ(t.Entry(3).CountryID, 79);  // the default primary database
    EXPECT_EQ(t.CountryIDByName("Germany"), 79);
    for (const auto& e : t.Entries()) {
        EXPECT_FALSE(e.FileName.empty()) << e.CountryName;
        EXPECT_EQ(t.CountryIDByName(e.CountryName), e.CountryID) << e.CountryName;
        EXPECT_EQ(t.CountryNameByID(e.CountryID), e.CountryNameDE);
    }
}

