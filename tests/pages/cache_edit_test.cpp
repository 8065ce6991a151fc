// Editing a database record by hand: record <-> fields, the checks and their
// texts, and the store into Caches.bin.
#include "pages/cache_edit.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "core/cache_db.h"
#include "core/cachedb_table.h"
#include "core/proc_settings.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

const char* kTable =
    "[CacheDB]\r\nGCDatabaseCount=3\r\n"
    "DB_CountryID1=7\r\nDB_CName1=Germany\r\nDB_CNameDE1=Deutschland\r\n"
    "DB_CountryID2=9\r\nDB_CName2=Austria\r\nDB_CNameDE2=\xD6sterreich\r\n"
    "DB_CountryID3=11\r\nDB_CName3=Germany2\r\nDB_CNameDE3=Deutschland\r\n";

TCacheRec DbRecord(const std::string& code, int id) {
    TCacheRec r;
    r.Id = id;
    r.Name = "Cache " + code;
    r.Hidden = *DayCountFromDate(2004, 7, 3);
    r.Lat = 48.5;
    r.Lon = 8.25;
    r.CacheType = "TRADITIONAL CACHE";
    r.Size = "Regular";
    r.Waypoint = code;
    r.Difficulty = "2.5";
    r.Terrain = "1";
    r.CountryId = 9;
    r.InDB = 1;
    return r;
}

TEST(CacheEditFields, RecordShownAndReadBack) {
    const TCacheDBTable table = TCacheDBTable::Parse(kTable);
    TCacheRec rec = DbRecord("GC1ABC", 4711);
    rec.Difficulty = "2,5";
    rec.Size = "regular";
    rec.CacheType = "CACHE IN TRASH OUT E";
    EditCacheFields f = FieldsFromRecord(rec, table);
    EXPECT_EQ(f.name, "Cache GC1ABC");
    EXPECT_EQ(f.type, "Cache In Trash Out E");
    EXPECT_EQ(f.size, "Regular");
    EXPECT_EQ(f.waypoint, "GC1ABC");
    EXPECT_EQ(f.difficulty, "2.5");
    EXPECT_EQ(f.terrain, "1");
    EXPECT_EQ(f.country, "\xD6sterreich");
    EXPECT_EQ(f.hidden, rec.Hidden);

    // Texts without an item leave the choice empty; an id of 0 or -1 names no country.
    rec.Difficulty = "0.0";
    rec.CacheType = "WHERIGO CACHE";
    rec.Size = "Other";
    rec.CountryId = -1;
    f = FieldsFromRecord(rec, table);
    EXPECT_EQ(f.difficulty, "");
    EXPECT_EQ(f.type, "");
    EXPECT_EQ(f.size, "");
    EXPECT_EQ(f.country, "");

    // Read back: id and coordinates from the record being edited, the rest
    // from the fields; record number and the in-memory tail are cleared.
    TCacheRec base = DbRecord("GC1ABC", 4711);
    base.RecNo = 17;
    base.FoundDate = 123.0;
    base.ChangeMark = 'D';
    base.Distance = 999.0f;
    base.InDB = 0;
    f = FieldsFromRecord(base, table);
    const TCacheRec back = RecordFromFields(base, f, {48.5, 7.25}, table);
    TCacheRec expected = DbRecord("GC1ABC", 4711);
    expected.CacheType = "Traditional Cache";  // as the list writes it
    expected.Distance = 73.67946f;
    EXPECT_NEAR(back.Distance, expected.Distance, 0.001);
    expected.Distance = back.Distance;
    EXPECT_EQ(EncodeCacheRec(back), EncodeCacheRec(expected));
}

TEST(CacheEditChecks, ErrorsWarningsAndTheirTexts) {
    TCacheRec ok = DbRecord("GC1ABC", 1);
    EXPECT_EQ(CheckEditedRecord(ok).errors, "");
    EXPECT_EQ(CheckEditedRecord(ok).warnings, "");

    TCacheRec r = ok;
    r.Lat = 0.0;  // refused even with the longitude set
    EXPECT_EQ(CheckEditedRecord(r).errors, "\r\nKoordinatenangaben fehlen");
    r = ok;
    r.Lon = 0.0;
    EXPECT_EQ(CheckEditedRecord(r).errors, "\r\nKoordinatenangaben fehlen");

    TCacheRec empty;
    const EditCheck all = CheckEditedRecord(empty);
    EXPECT_EQ(all.errors, "\r\nCachename fehlt\r\nKoordinatenangaben fehlen\r\nCachetyp fehlt\r\nWaypoint fehlt");
    EXPECT_EQ(all.warnings, "\r\nCachegr\xF6\xDF" "e fehlt\r\nDifficulty-Angabe fehlt\r\nTerrain-Angabe fehlt");

    for (const char* bad : {"GC1/..", "GC 1", "GC*", "../GC1"}) {
        r = ok;
        r.Waypoint = bad;
        EXPECT_EQ(CheckEditedRecord(r).errors, "\r\nWaypoint darf nur Buchstaben und Ziffern enthalten") << bad;
    }

    EXPECT_EQ(StoreRefusedText("\r\nCachename fehlt"),
              "Der Cache kann nicht gespeichert werden, da die Cachedaten folgende(n) Fehler enthalten: "
              "\r\nCachename fehlt\r\n\r\nBitte Daten korrekt ausf\xFCllen / erg\xE4ngen und erneut speichern.");
    EXPECT_EQ(StoreWarningText("\r\nTerrain-Angabe fehlt"),
              "Warnung! Folgende Cachedaten wurden nicht vollst\xE4ndig ausgef\xFCllt:\r\n\r\n\r\nTerrain-Angabe "
              "fehlt\r\n\r\nSoll der Cache trotzdem gespeichert werden?");
    TCacheRec d;
    d.Name = "Alte Muehle";
    d.Waypoint = "GC12";
    EXPECT_EQ(DeleteQuestionText(d),
              "Warnung! Durch diese Aktion wird der Cache: \r\n\"Alte Muehle\" (GC12)\r\naus der Datenbank "
              "entfernt. Wirklich l\xF6schen?");
}


class CacheEditStore : public ::testing::Test {
protected:
    tvtest::WorkFolder dir_;
};

TEST_F(CacheEditStore, OverwritesInPlaceOrAppendsAndRebuildsTheIndex) {
    const std::vector<TCacheRec> recs = {DbRecord("GC1", 1), DbRecord("GC22", 2), DbRecord("GC333", 3)};
    dir_.writeCaches(recs);
    ASSERT_EQ(BuildCacheIndex(), 0);
    TCacheRec probe;
    ASSERT_TRUE(FindCacheByWaypoint("GC22", probe));  // index loaded and held

    TCacheRec changed = DbRecord("GC22", 2);
    changed.Name = "Neu";
    EditSaveResult r = SaveEditedRecord(changed);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.updated);
    EXPECT_EQ(dir_.read("Caches.bin"), EncodeCacheRecs({recs[0], changed, recs[2]}));

    const TCacheRec fresh = DbRecord("GC4444", 4);
    r = SaveEditedRecord(fresh);
    EXPECT_EQ(r.code, 0);
    EXPECT_FALSE(r.updated);
    EXPECT_EQ(dir_.read("Caches.bin"), EncodeCacheRecs({recs[0], changed, recs[2], fresh}));
    ASSERT_TRUE(FindCacheByWaypoint("GC4444", probe));
    EXPECT_EQ(probe.RecNo, 3);
    EXPECT_EQ(probe.Id, 4);
    // The rebuilt index file knows it too, for the next run.
    CacheIndexList.Clear();
    ASSERT_TRUE(FindCacheByWaypoint("gc4444", probe));
    EXPECT_EQ(probe.RecNo, 3);

    // A torn tail after the last whole record is overwritten, not kept in front of the new one.
    dir_.write("Caches.bin", EncodeCacheRecs({recs[0]}) + "xyz");
    ASSERT_EQ(BuildCacheIndex(), 0);
    r = SaveEditedRecord(fresh);
    EXPECT_EQ(r.code, 0);
    EXPECT_FALSE(r.updated);
    EXPECT_EQ(dir_.read("Caches.bin"), EncodeCacheRecs({recs[0], fresh}));
    ASSERT_TRUE(FindCacheByWaypoint("GC4444", probe));
    EXPECT_EQ(probe.RecNo, 1);

    // Without a database nothing is written.
    std::filesystem::remove(dir_.path() / "Caches.bin");
    r = SaveEditedRecord(fresh);
    EXPECT_EQ(r.code, ENOENT);
    EXPECT_EQ(r.failText, "Kann Datei " + dir_.str() + "Caches.bin nicht lesen.");
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "Caches.bin"));
}

}  // namespace
}  // namespace tv
