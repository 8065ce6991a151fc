// The settings dialog's logic without the window: the national databases
// ticked and the primary one chosen, taken back on OK.
#include "shell/settings_edit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/cachedb_table.h"
#include "core/proc_settings.h"

namespace tv {
namespace {

// A table of `count` national databases: ids 1.., "landN.txt", "CountryN".
TCacheDBTable Table(int count) {
    std::string ini = "[CacheDB]\r\nGCDatabaseCount=" + std::to_string(count) + "\r\n";
    for (int i = 1; i <= count; ++i) {
        const std::string n = std::to_string(i);
        ini += "DB_CountryID" + n + "=" + n + "\r\nDB_Filename" + n + "=land" + n + ".txt\r\nDB_CName" + n +
               "=Country" + n + "\r\nDB_CNameDE" + n + "=Land" + n + "\r\n";
    }
    return TCacheDBTable::Parse(ini);
}

TEST(SettingsDatabases, TicksPrimaryAndTakeBack) {
    TProcSettings s;
    s.UseCacheDB[1] = 1;
    s.UseCacheDB[40] = 1;  // beyond the table: not shown, cleared on OK
    s.CacheDBPrimary = 0;
    s.CacheDBCount = 2;
    SettingsFormData f = FormFromSettings(s, Table(5));
    ASSERT_EQ(f.databaseTexts.size(), 5u);
    EXPECT_EQ(f.databaseTexts[0], "Land1 (land1.txt)");  // the German name
    EXPECT_EQ(f.databaseTicked, (std::vector<bool>{false, true, false, false, false}));
    EXPECT_EQ(f.primaryIndex, 2);
    f.workDir = "/w";
    f.outDir = "/o";
    ASSERT_TRUE(ApplyForm(f, s));
    EXPECT_EQ(s.CacheDBPrimary, 3);
    EXPECT_EQ(s.CacheDBCount, 1);
    for (size_t k = 0; k < 50; ++k) EXPECT_EQ(s.UseCacheDB[k], k == 1 ? 1 : 0) << k;

    // The last database of the table can be the primary one.
    f.databaseTicked = {true, false, false, false, true};
    f.primaryIndex = 4;
    ASSERT_TRUE(ApplyForm(f, s));
    EXPECT_EQ(s.CacheDBCount, 2);
    EXPECT_EQ(s.CacheDBPrimary, 5);
    for (size_t k = 0; k < 50; ++k) EXPECT_EQ(s.UseCacheDB[k], k == 0 || k == 4 ? 1 : 0) << k;
    EXPECT_EQ(FormFromSettings(s, Table(5)).primaryIndex, 4);

    // A small table: nothing preselected and the primary is kept.
    s.CacheDBPrimary = 0;
    f = FormFromSettings(s, Table(2));
    EXPECT_EQ(f.primaryIndex, -1);
    f.workDir = "/w";
    f.outDir = "/o";
    ASSERT_TRUE(ApplyForm(f, s));
    EXPECT_EQ(s.CacheDBPrimary, 0);
    // A primary beyond the table is not shown and stays as it was.
    s.CacheDBPrimary = 9;
    EXPECT_EQ(FormFromSettings(s, Table(5)).primaryIndex, -1);
    EXPECT_EQ(PrimaryIndex(5, 5), 4);
    EXPECT_EQ(PrimaryIndex(6, 5), -1);
    EXPECT_EQ(PrimaryIndex(0, 3), 2);
}

}  // namespace
}  // namespace tv
