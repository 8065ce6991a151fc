#include "exchange/db_csv_export.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/text_encoding.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

const TCacheDBTable& Countries() {
    static const TCacheDBTable t = TCacheDBTable::Parse(
        "[CacheDB]\r\nGCDatabaseCount=1\r\nDB_CountryID1=79\r\nDB_CName1=Germany\r\nDB_CNameDE1=Deutschland\r\n");
    return t;
}

TCacheRec Turm() {
    TCacheRec r = tvtest::CacheRecord("GC1A2B", "Alter Turm", 48.5, 8.25);
    r.Hidden = 38171.0;
    r.Size = "Regular";
    r.CacheType = "TRADITIONAL CACHE";
    r.Difficulty = "1.5";
    r.Terrain = "2";
    r.CountryId = 79;
    r.Distance = 12.5f;
    return r;
}

TEST(DbCsvExport, DefaultColumnsAreByteExact) {
    tvtest::TempDir dir;
    TCacheRec quoted = Turm();
    quoted.Name = "Der \"Turm\"";
    quoted.Hidden = 38171.75;
    quoted.Difficulty = "0.0";
    quoted.Terrain = "";
    quoted.CountryId = -1;
    quoted.Distance = 1234.5f;
    // Two records and a fragment that is no record.
    dir.write("Caches.bin", EncodeCacheRecs({Turm(), quoted}) + std::string(100, 'x'));
    const Result<int> n = ExportCachesCsv(dir.str() + "Caches.bin", dir.str() + "GCrecords.csv", {}, true, Countries());
    ASSERT_TRUE(n.ok());
    EXPECT_EQ(*n, 2);
    EXPECT_EQ(dir.read("GCrecords.csv"),
              "\"Cachename\";\"Versteckdatum\";\"Koordinaten\";\"Gr\xF6\xDF"
              "e\";\"Typ\";\"Waypoint\";\"Diff.\";"
              "\"Terrain\";\"Land\";\"km von Home\"\r\n"
              "\"Alter Turm\";\"03.07.2004\";\"N 48\xB0 30.000 E 008\xB0 15.000\";\"Regular\";\"TRADITIONAL CACHE\";"
              "\"GC1A2B\";\"1,5\";\"2\";\"Deutschland\";12,50\r\n"
              "\"Der \"\"Turm\"\"\";\"03.07.2004 18:00:00\";\"N 48\xB0 30.000 E 008\xB0 15.000\";\"Regular\";"
              "\"TRADITIONAL CACHE\";\"GC1A2B\";\"0,0\";\"\";\"-1\";1234,50\r\n");
}

TEST(DbCsvExport, ChosenColumnsAndFailures) {
    tvtest::TempDir dir;
    TCacheRec minus = Turm();
    minus.Id = -1;
    minus.InDB = 1;
    TCacheRec id = Turm();
    id.Id = 12345;
    dir.write("Caches.bin", EncodeCacheRecs({id, minus}));
    CsvColumns none{false, false, false, false, false, false, false, false, false, false, false, false};
    ASSERT_TRUE(ExportCachesCsv(dir.str() + "Caches.bin", dir.str() + "a.csv", none, true, Countries()).ok());
    EXPECT_EQ(dir.read("a.csv"), "\r\n");
    ASSERT_TRUE(ExportCachesCsv(dir.str() + "Caches.bin", dir.str() + "b.csv", none, false, Countries()).ok());
    EXPECT_EQ(dir.read("b.csv"), "");
    CsvColumns ids = none;
    ids.id = ids.inDb = true;
    ASSERT_TRUE(ExportCachesCsv(dir.str() + "Caches.bin", dir.str() + "c.csv", ids, true, Countries()).ok());
    EXPECT_EQ(dir.read("c.csv"), "\"ID\";\"In Datenbank\"\r\n12345;\"NEIN\"\r\n-1;\"JA\"\r\n");

    // A missing database is reported and leaves an older export alone.
    dir.write("old.csv", "old");
    const Result<int> missing = ExportCachesCsv(dir.str() + "none.bin", dir.str() + "old.csv", {}, true, Countries());
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().message, W("Fehler beim Lesen der Datei ") + dir.str() + "none.bin");
    EXPECT_EQ(dir.read("old.csv"), "old");
    EXPECT_EQ(ExportCachesCsv(dir.str() + "Caches.bin", dir.str() + "n/x", {}, true, Countries()).error().code, ENOENT);
}

}  // namespace
}  // namespace tv
