// The cache pages' rules at their limits: found dates whose day cannot be a
// month, the rating bar's ends, compared fields that differ from their
// neighbours, codes that are prefixes of one another, and stores whose write
// fails.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/cache_db.h"
#include "core/cache_rec.h"
#include "core/file_procs.h"
#include "pages/cache_details.h"
#include "pages/cache_edit.h"
#include "pages/description_editor.h"
#include "pages/description_template.h"
#include "pages/personal_notes.h"
#include "platform/text_encoding.h"
#include "support/records.h"
#include "support/temp_dir.h"
#include "support/write_fault.h"

namespace tv {
namespace {

TEST(PagesBounds, FoundDatesAreDayMonthYearWithinTheirDigits) {
    const auto date = [](const char* text) {
        const auto d = ParseFoundDate(text);
        return d ? GermanLongDate(*d) : std::string("-");
    };
    EXPECT_EQ(date("25.03.2007"), W("25. März 2007"));
    EXPECT_EQ(date(" 3.12.2007 "), "03. Dezember 2007");
    EXPECT_EQ(date("31.1.1999"), "31. Januar 1999");
    for (const char* bad : {"123.1.2007", "1.123.2007", "1.1.07", "1.1.20071", "1.1.", ".1.2007", "1-1-2007", "a.1.2007"})
        EXPECT_EQ(date(bad), "-") << bad;
}

TEST(PagesBounds, RatingBarAtItsEnds) {
    const auto bar = [](const char* rating) { return MakeRatingView(rating).barWidth; };
    EXPECT_EQ(bar("0"), 0);
    EXPECT_EQ(bar("1"), 18);
    EXPECT_EQ(bar("4.5"), 81);
    EXPECT_EQ(bar("5"), 90);
    EXPECT_EQ(bar("5.5"), 90);
    EXPECT_EQ(bar("-1"), 0);
    EXPECT_EQ(MakeRatingView("2").text, "2,0");
    EXPECT_EQ(MakeRatingView("3.5").text, "3,5");
}

TEST(PagesBounds, CoordinatesAndHomeDistanceInEveryDirection) {
    EXPECT_TRUE(CoordinatesKnown(90, -180));
    EXPECT_TRUE(CoordinatesKnown(-90, 180));
    EXPECT_FALSE(CoordinatesKnown(90.001, 0));
    EXPECT_FALSE(CoordinatesKnown(-90.001, 0));
    EXPECT_FALSE(CoordinatesKnown(0, 180.001));
    EXPECT_FALSE(CoordinatesKnown(0, -180.001));
    EXPECT_EQ(CoordinatesText(-33.5, -70.25), W("S 33° 30.000 W 070° 15.000"));
    EXPECT_EQ(CoordinatesText(91, 0), "unbekannt");
    // From a home on the equator one degree each way: the bearing names the way.
    const char* bearings[] = {"0,0", "90,0", "180,0", "270,0"};
    const LatLon targets[] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(HomeDistanceText(targets[i].lat, targets[i].lon, {0, 0}),
                  "Entfernung von den Heimkoordinaten: 111,190 km in Richtung " + std::string(bearings[i]) + W(" °"));
    EXPECT_EQ(HomeDistanceText(10, 200, {0, 0}), "");
}

TEST(PagesBounds, ComparedFieldsEachShowOnTheirOwn) {
    TCacheRec a = tvtest::CacheRecord("GC12", "Name", 48.1, 11.2);
    a.Difficulty = "2";
    a.Terrain = "3.5";
    a.Size = "Micro";
    a.Id = 1234;
    a.CountryId = 5;
    a.Hidden = 39000;
    EXPECT_EQ(DiffFields(a, a), 0u);
    TCacheRec b = a;
    std::swap(b.Difficulty, b.Terrain);
    EXPECT_EQ(DiffFields(a, b), unsigned{dfDifficulty | dfTerrain});
    b = a;
    b.Lat += 0.0009;
    b.Lon -= 0.0009;
    EXPECT_EQ(DiffFields(a, b), 0u);
    b = a;
    b.Lat += 0.0011;
    EXPECT_EQ(DiffFields(a, b), unsigned{dfCoordinates});
    b = a;
    b.Lon -= 0.0011;
    EXPECT_EQ(DiffFields(a, b), unsigned{dfCoordinates});
    b = a;
    b.Waypoint = "GC123";
    b.Name = "NAME";
    EXPECT_EQ(DiffFields(a, b), unsigned{dfWaypoint});
    b = a;
    b.Id = 1235;
    b.CountryId = 6;
    b.Hidden = 39001;
    EXPECT_EQ(DiffFields(a, b), unsigned{dfId | dfCountry | dfHidden});
    EXPECT_EQ(NameStyleFor(0).strikeOut, false);
    EXPECT_EQ(NameStyleFor(1).strikeOut && !NameStyleFor(1).red, true);
    EXPECT_EQ(NameStyleFor(2).strikeOut && NameStyleFor(2).red, true);
    EXPECT_EQ(NameStyleFor(3).strikeOut || NameStyleFor(3).red, false);
}

TEST(PagesBounds, EditedRecordOfAPrefixCodeAndFailedWrites) {
    tvtest::WorkFolder work;
    work.writeCaches({tvtest::CacheRecord("GC123", "Lang", 1, 2), tvtest::CacheRecord("GC12", "Kurz", 3, 4)});
    TCacheRec changed = tvtest::CacheRecord("GC12", "Kurz neu", -3, -4);
    EditSaveResult r = SaveEditedRecord(changed);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.updated);
    auto recs = DecodeCacheRecs(work.read("Caches.bin"));
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[0].Name, "Lang");
    EXPECT_EQ(recs[1].Name, "Kurz neu");
    EXPECT_EQ(recs[1].Lat, -3);
    EXPECT_EQ(recs[1].Lon, -4);
    r = SaveEditedRecord(tvtest::CacheRecord("GC1", "Neu", 5, 6));
    EXPECT_EQ(r.code, 0);
    EXPECT_FALSE(r.updated);
    ASSERT_EQ(DecodeCacheRecs(work.read("Caches.bin")).size(), 3u);

    const std::string before = work.read("Caches.bin");
    {
        tvtest::ScopedWriteFault full("Caches.bin");
        r = SaveEditedRecord(tvtest::CacheRecord("GC123", "anders", 7, 8));
        EXPECT_EQ(r.code, ENOSPC);
        EXPECT_TRUE(r.updated);
        EXPECT_EQ(r.failText, "Fehler beim Update der CacheDB.");
        r = SaveEditedRecord(tvtest::CacheRecord("GC9", "neu", 7, 8));
        EXPECT_EQ(r.code, ENOSPC);
        EXPECT_FALSE(r.updated);
        EXPECT_EQ(r.failText, W("Fehler beim Einfügen eines neuen Caches an die CacheDB."));
    }
    EXPECT_EQ(work.read("Caches.bin"), before);
    {
        // Half of the record went out before the failure: the old one is put back.
        tvtest::ScopedWriteFault torn("Caches.bin", tv::WriteStep::Torn, EIO);
        r = SaveEditedRecord(tvtest::CacheRecord("GC123", "anders", 7, 8));
        EXPECT_EQ(r.code, EIO);
        EXPECT_TRUE(r.updated);
        EXPECT_EQ(r.failText, "Fehler beim Update der CacheDB.");
    }
    EXPECT_EQ(work.read("Caches.bin"), before);
    {
        // Nor could the old bytes be put back: the box names the cache.
        tvtest::ScopedWriteFault damaged("Caches.bin", {tv::WriteStep::Torn, tv::WriteStep::Restore}, EIO);
        r = SaveEditedRecord(tvtest::CacheRecord("GC123", "anders", 7, 8));
        EXPECT_EQ(r.code, EIO);
        EXPECT_EQ(r.failText, W("Fehler beim Update der CacheDB.\r\nDer Datensatz des Caches GC123 (anders) konnte "
                                "weder geschrieben noch wiederhergestellt werden und ist möglicherweise beschädigt."));
    }
    work.write("Caches.bin", before);
    TCacheRec found;
    EXPECT_FALSE(FindCacheByWaypoint("GC9", found));
}

TEST(PagesBounds, NotesOfPrefixCodesAndAFailedWrite) {
    tvtest::WorkFolder work;
    ASSERT_TRUE(WritePersonalNote("GC123", {"lang"}));
    EXPECT_FALSE(HasPersonalNote("GC12"));
    EXPECT_TRUE(ReadPersonalNote("GC12").empty());
    ASSERT_TRUE(WritePersonalNote("GC12", {"kurz"}));
    ASSERT_TRUE(ErasePersonalNote("GC12"));
    EXPECT_EQ(ReadPersonalNote("GC123"), std::vector<std::string>{"lang"});
    ASSERT_TRUE(WritePersonalNote("GC9", {"neun"}));
    const std::string before = work.read("Persinfo.txt");
    {
        tvtest::ScopedWriteFault full("Persinfo.txt");
        PersonalNotes notes;
        EXPECT_FALSE(notes.write("GC123", {"neu"}));
        EXPECT_EQ(notes.lastError().code, ENOSPC);
        EXPECT_FALSE(notes.erase("GC9"));
    }
    EXPECT_EQ(work.read("Persinfo.txt"), before);
}

TEST(PagesBounds, PageWritesThatFailKeepTheOldPage) {
    tvtest::TempDir dir;
    const std::string page = dir.write("GC12.html", "old page").string();
    const std::string preview = dir.write("tmpdescr.html", "old preview").string();
    {
        tvtest::ScopedWriteFault full(".html");
        EXPECT_FALSE(SaveLongDescription(page, {"<a>", "b", "<c>"}, "neu"));
        EXPECT_FALSE(WriteConvertedPage(page, "neu"));
        EXPECT_FALSE(WritePreview(preview, {"neu"}));
    }
    EXPECT_EQ(dir.read("GC12.html"), "old page");
    EXPECT_EQ(dir.read("tmpdescr.html"), "old preview");
    EXPECT_TRUE(SaveLongDescription(page, {"<a>", "b", "<c>"}, "neu"));
    EXPECT_EQ(dir.read("GC12.html"), "<a>neu<c>");
}

}  // namespace
}  // namespace tv
