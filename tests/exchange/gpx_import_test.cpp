#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <filesystem>

#include "core/app_paths.h"
#include "core/cache_db.h"
#include "core/file_procs.h"
#include "core/settings_file.h"
#include "exchange/gpx_import.h"
#include "platform/text_encoding.h"
#include "support/fakes.h"
#include "support/records.h"
#include "support/write_fault.h"

using namespace tv;

namespace {

std::string Cache(const std::string& code, double lat, double lon, const std::string& name = "Cache") {
    return "<wpt lat=\"" + std::to_string(lat) + "\" lon=\"" + std::to_string(lon) + "\"><time>2004-05-01T00:00:00</time><name>" +
           code + "</name><urlname>" + name +
           "</urlname><groundspeak:cache id=\"1\" xmlns:groundspeak=\"http://www.groundspeak.com/cache/1/0\">"
           "<groundspeak:type>Traditional Cache</groundspeak:type><groundspeak:long_description html=\"False\">"
           "Text</groundspeak:long_description></groundspeak:cache></wpt>\n";
}

std::string Gpx(const std::string& body) {
    return "<?xml version=\"1.0\"?>\n<gpx xmlns=\"http://www.topografix.com/GPX/1/0\">\n" + body + "</gpx>\n";
}

std::vector<std::string> Lines(const GpxPass1Result& r) {
    std::vector<std::string> lines;
    for (const auto& e : r.entries) lines.push_back(GpxListLine(e));
    return lines;
}

class GpxImportTest : public ::testing::Test {
protected:
    GpxImportParams Params(const std::string& body) {
        return GpxImportParams{work.write("pq.gpx", Gpx(body)).string(), LatLon{48.0, 9.0},
                               [](std::string_view) { return 0; }};
    }
    std::uintmax_t DbSize() { return std::filesystem::file_size(CacheBinPath()); }

    platform::ScopedFakes fakes;
    tvtest::WorkFolder work;
};

}  // namespace

// A fresh install fills the database; a second query corrects, adds and
// honours the review's "No".
TEST_F(GpxImportTest, TwoPassesRoundTrip) {
    GpxImportSession first(Params(Cache("GCA", 48, 9) + Cache("GCB", 48, 9) + Cache("GCC", 48, 9) +
                                  Cache("GCC", 1, 1, "Dup") + "<wpt lat=\"1\" lon=\"2\"><name>GCP</name></wpt>\n"));
    const GpxPass1Result& r1 = first.pass1();
    EXPECT_FALSE(r1.error);
    EXPECT_EQ(r1.definitions, 5);
    EXPECT_EQ(r1.added, 3);
    EXPECT_EQ(Lines(r1), (std::vector<std::string>{"GCA: Neu (01.05.2004)", "GCB: Neu (01.05.2004)",
                                                   "GCC: Neu (01.05.2004)"}));
    EXPECT_EQ(GpxPass1StatusText(r1), W("5 Cachedefinitionen gefunden, 0 unterschiedlich, 3 neu, 0 alt, "
                                        "1 mit doppeltem Code übersprungen, 1 Wegpunkte ohne Cachedaten"));
    const GpxPass2Result w1 = first.pass2(Lines(r1), GpxPass2Options{});
    EXPECT_EQ(w1.added, 3);
    EXPECT_EQ(w1.failed, 0);
    EXPECT_EQ(DbSize(), 3 * TCacheRec::kSize);
    EXPECT_EQ(w1.summary, W("Datenbankupdate abgeschlossen.\r\n\r\n3 neue Caches wurden in die Datenbank eingefügt.\r\n"
                            "0 Korrekturen wurden an vorhandenen Caches vorgenommen."));

    GpxImportSession second(Params(Cache("GCA", 48, 9) + Cache("GCB", 48.002, 9, "Neu") + Cache("GCD", 48, 9)));
    const GpxPass1Result& r2 = second.pass1();
    EXPECT_EQ(r2.same, 1);
    EXPECT_EQ(r2.changed, 1);
    EXPECT_EQ(r2.added, 1);
    const auto lines = Lines(r2);
    EXPECT_EQ(lines, (std::vector<std::string>{"GCB: Diff=Cachename, Breitengrad", "GCD: Neu (01.05.2004)"}));
    ASSERT_NE(second.FindResult("GCD"), nullptr);
    {
        // A record that could be neither written nor put back is named.
        tvtest::ScopedWriteFault torn("Caches.bin", {WriteStep::Torn, WriteStep::Restore}, EIO);
        const GpxPass2Result bad = second.pass2({lines[0]}, GpxPass2Options{});
        EXPECT_EQ(bad.failed, 1);
        EXPECT_EQ(bad.errors, std::vector<std::string>{RecordUpdateFailedText(second.FindResult("GCB")->rec, true)});
    }
    const GpxPass2Result w2 = second.pass2({lines[0]}, GpxPass2Options{});  // GCD answered with "No"
    EXPECT_EQ(w2.corrected, 1);
    EXPECT_EQ(DbSize(), 3 * TCacheRec::kSize);
    const std::string bytes = tvtest::ReadFileBytes(CacheBinPath());
    EXPECT_EQ(bytes[TCacheRec::kSize + 292], 'D');
    EXPECT_EQ(bytes[292], 0);
    TCacheRec rec;
    EXPECT_TRUE(FindCacheByWaypoint("gcb", rec));
    EXPECT_EQ(rec.Name, "Neu");
    EXPECT_FALSE(FindCacheByWaypoint("gcd", rec));
}

TEST_F(GpxImportTest, PlainWaypointsAreNamedAsSuch) {
    std::string plain;
    for (int i = 1; i <= 9; ++i) plain += "<wpt lat=\"48.5\" lon=\"9.5\"><name>WP" + std::to_string(i) + "</name></wpt>\n";
    GpxImportSession only(Params(plain));
    const GpxPass1Result& r = only.pass1();
    EXPECT_FALSE(r.error);
    EXPECT_EQ(r.definitions, 9);
    EXPECT_EQ(r.plainWaypoints, 9);
    EXPECT_TRUE(r.entries.empty());
    EXPECT_EQ(GpxPass1StatusText(r), "9 Wegpunkte ohne Cachedaten gefunden, keine Cachedefinitionen");
    EXPECT_EQ(GpxNothingToImportText(r),
              W("Die GPX-Datei enthält nur Wegpunkte ohne Cachedaten (9 Wegpunkte). Importiert werden können nur "
                "Caches mit ihren Cachedaten, wie sie eine Pocket Query liefert."));

    GpxImportSession mixed(Params(Cache("GCA", 48, 9) + plain.substr(0, plain.find('\n') + 1)));
    const GpxPass1Result& m = mixed.pass1();
    EXPECT_EQ(GpxPass1StatusText(m),
              "2 Cachedefinitionen gefunden, 0 unterschiedlich, 1 neu, 0 alt, 1 Wegpunkte ohne Cachedaten");
    EXPECT_EQ(GpxNothingToImportText(GpxPass1Result{}), "Die GPX-Datei enthielt keine neuen Caches oder Updates.");
}

// Every imported cache stores its distance from the home of the import.
TEST_F(GpxImportTest, StoredDistanceIsFromTheHome) {
    GpxImportSession s(Params(Cache("GCN", 50.5, 7.25) + Cache("GCS", -33.9, 151.2) + Cache("GCW", 40.75, -73.98)));
    const GpxPass2Result w = s.pass2(Lines(s.pass1()), GpxPass2Options{});
    ASSERT_EQ(w.added, 3);
    const struct {
        const char* code;
        double lat, lon;
    } want[] = {{"GCN", 50.5, 7.25}, {"GCS", -33.9, 151.2}, {"GCW", 40.75, -73.98}};
    for (const auto& c : want) {
        TCacheRec rec;
        ASSERT_TRUE(FindCacheByWaypoint(c.code, rec));
        EXPECT_EQ(rec.Lat, c.lat);
        EXPECT_EQ(rec.Lon, c.lon);
        const double km = tvtest::HaversineKm(48.0, 9.0, c.lat, c.lon);
        EXPECT_NEAR(rec.Distance, km, km * 1e-6) << c.code;
    }
}

// Codes that could not name a file, or would be cut to the record's 16
// characters, are skipped and named once; the rest is imported in full.
TEST_F(GpxImportTest, UnsafeCodesNeverReachTheDatabase) {
    const std::string seventeen = "GC123456789ABCDEF";
    GpxImportSession s(Params(Cache("../../x", 48, 9) + Cache("GC1/2", 48, 9) + Cache("GC&#x1;X", 48, 9) +
                              Cache("GC1:2", 48, 9) + Cache(seventeen, 48, 9) + Cache("GC1/2", 48, 9) +
                              Cache("GCOK", 48, 9) + Cache("GC123456789ABCDE", 48, 9)));
    const GpxPass1Result& r = s.pass1();
    EXPECT_FALSE(r.error);
    EXPECT_EQ(r.definitions, 8);
    EXPECT_EQ(Lines(r), (std::vector<std::string>{"GCOK: Neu (01.05.2004)", "GC123456789ABCDE: Neu (01.05.2004)"}));
    EXPECT_EQ(r.refused.count(), 6);
    EXPECT_EQ(r.refused.Text(), W("6 Einträge mit ungültigem Wegpunktcode übersprungen: ../../x, GC1/2, GC X, GC1:2, ") +
                                    seventeen);
    // What pass 1 lists, pass 2 writes: nothing is listed and then dropped.
    const GpxPass2Result w = s.pass2(Lines(r), GpxPass2Options{});
    EXPECT_EQ(w.added, 2);
    EXPECT_EQ(DbSize(), 2 * TCacheRec::kSize);
    TCacheRec rec;
    EXPECT_TRUE(FindCacheByWaypoint("GC123456789ABCDE", rec));
    EXPECT_FALSE(FindCacheByWaypoint("GC1", rec));
}

// Each entry of the file lands in exactly one number of the caption; an
// empty code is an invalid one.
TEST_F(GpxImportTest, EveryEntryIsCountedOnce) {
    GpxImportSession s(Params(Cache("GCA", 48, 9) + Cache("GCB", 48, 9) + Cache("", 48, 9) + Cache("GC1/2", 48, 9) +
                              Cache("GCC", 48, 9) + Cache("GCBAD", 95, 9) + Cache("GCD", 48, 9)));
    const GpxPass1Result& r = s.pass1();
    EXPECT_EQ(GpxPass1StatusText(r), W("7 Cachedefinitionen gefunden, 0 unterschiedlich, 4 neu, 0 alt, 1 ohne gültige "
                                       "Koordinaten übersprungen, 2 mit ungültigem Code übersprungen"));
    EXPECT_EQ(r.refused.Text(), W("2 Einträge mit ungültigem Wegpunktcode übersprungen: (ohne Code), GC1/2"));
    EXPECT_EQ(r.added + r.changed + r.same + r.skipped + r.refused.count() + r.duplicates + r.plainWaypoints,
              r.definitions);
}

TEST(GpxCompare, Differences) {
    TCacheRec a = tvtest::CacheRecord("GC1", "Name", 48.0, 9.0);
    a.Difficulty = "2";
    TCacheRec b = a;
    std::string diff;
    b.Lat += 0.0005;
    b.Name = "NAME";
    b.Difficulty = "2.0";
    EXPECT_EQ(CompareWithDb(a, b, diff), kGpxSame);
    b.Lat = 48.002;
    EXPECT_EQ(CompareWithDb(a, b, diff), kGpxChanged);
    EXPECT_EQ(diff, "Breitengrad");
    b = a;
    b.Id = 7;
    EXPECT_EQ(CompareWithDb(a, b, diff), kGpxChanged);
    EXPECT_EQ(diff, "Cache-ID ");
    b = a;
    b.Name = "Other";
    b.Hidden = 1;
    b.CacheType = "Multi";
    b.CountryId = 3;
    EXPECT_EQ(CompareWithDb(a, b, diff), kGpxChanged);
    EXPECT_EQ(diff, W("Cachename, Versteckdatum, Cachetyp, Länder-ID"));
}

// New caches inside the radius go to the front of the work list and get a
// page; changed ones and those outside do not; existing pages are kept.
TEST_F(GpxImportTest, RadiusHitsWorkListAndPages) {
    std::string body = Cache("GCB", 48, 9);
    {
        GpxImportSession seed(Params(body));
        seed.pass1();
        (void)seed.pass2(Lines(seed.result()), GpxPass2Options{});
    }
    body = Cache("GCB", 48.01, 9, "Changed") + Cache("GCFAR", 10, 10);
    for (int i = 1; i <= 12; ++i) body += Cache("GCX" + std::to_string(i), 48.0 + i * 0.001, 9.0, "N" + std::to_string(i));
    work.write("WPList.txt", "GCOLD\r\nGCX1\r\n");
    tvtest::TempDir out;
    out.write("sub/GCX2.html", "mine");

    GpxImportSession s(Params(body));
    s.pass1();
    GpxPass2Options o;
    o.radiusSearch = true;
    o.radiusKm = 5;
    o.centre = LatLon{48.0, 9.0};
    o.outDir = out.str();
    const GpxPass2Result r = s.pass2(Lines(s.result()), o);
    ASSERT_EQ(r.hits.size(), 12u);
    std::vector<std::string> want;
    for (int i = 1; i <= 12; ++i) want.push_back("GCX" + std::to_string(i));
    EXPECT_EQ(r.hits, want);
    std::string text = W("Es wurden 12 Caches in die Arbeitsliste eingefügt:\r\n\r\n");
    for (int i = 1; i <= 10; ++i) text += "GCX" + std::to_string(i) + ": N" + std::to_string(i) + "\r\n";
    EXPECT_EQ(r.hitsText, text + W("(Liste nach 10 Einträgen abgschnitten)"));
    want.insert(want.end(), {"GCOLD", "GCX1"});
    std::vector<std::string> list;
    ASSERT_TRUE(ReadTextList(work.str() + "WPList.txt", list));
    EXPECT_EQ(list, want);
    EXPECT_EQ(r.pagesWritten, 11);
    EXPECT_TRUE(std::filesystem::exists(out.path() / "GCX1.html"));
    EXPECT_FALSE(std::filesystem::exists(out.path() / "GCX2.html"));
    EXPECT_FALSE(std::filesystem::exists(out.path() / "GCB.html"));
    EXPECT_NE(tvtest::ReadFileBytes(out.path() / "GCX12.html").find("<span id=\"CacheName\">N12</span>"),
              std::string::npos);

    // A work list that exists but cannot be read is not replaced.
    std::filesystem::create_directory(out.path() / "WPList.txt");
    EXPECT_FALSE(PrependToWorkList(out.str() + "WPList.txt", {"GC1"}).ok());
    EXPECT_TRUE(std::filesystem::is_directory(out.path() / "WPList.txt"));
    EXPECT_EQ(RadiusHitsMessage({}, {}).substr(0, 31), "Die Radiussuche hat ergeben, da");
}

TEST_F(GpxImportTest, OptionsAndRadius) {
    struct ProgramHere {
        std::string previous = ProgramDir();
        explicit ProgramHere(const std::string& dir) { SetProgramDir(dir); }
        ~ProgramHere() { SetProgramDir(previous); }
    } here(work.str());
    GpxImportOptions o;
    o.saveOptions = true;
    LoadGpxImportOptions(o);  // no key: not saved, layout defaults stay
    EXPECT_FALSE(o.saveOptions);
    EXPECT_TRUE(o.keepOld);
    EXPECT_EQ(o.radius, "10");
    ASSERT_TRUE(SaveGpxImportOptions(o));
    EXPECT_EQ(ReadSettingStr("GPXImpSaveOpts"), "0");
    EXPECT_EQ(ReadSettingStr("GPXImpRadius"), "");
    o = GpxImportOptions{true, true, false, false, "12.5"};
    ASSERT_TRUE(SaveGpxImportOptions(o));
    GpxImportOptions back;
    LoadGpxImportOptions(back);
    EXPECT_EQ(back.radius, "12.5");
    EXPECT_TRUE(back.radiusSearch);
    EXPECT_FALSE(back.getDescriptions);
    EXPECT_FALSE(back.keepOld);

    const GpxFileSummary s = SummarizeGpxFile(work.write("x.gpx", Gpx(Cache("GCA", 1, 2) + Cache("GCB", 1, 2))).string());
    EXPECT_EQ(s.lines, 5u);
    EXPECT_EQ(s.definitions, 2u);
    // A name with an umlaut, held in Windows-1252 like every path of the program.
    work.write("M\xC3\xBCller.gpx", Gpx(Cache("GCA", 1, 2)));
    EXPECT_EQ(SummarizeGpxFile(work.str() + W("Müller.gpx")).definitions, 1u);
    EXPECT_TRUE(ReadGpxFile(work.str() + W("Müller.gpx"), [](GpxCacheWpt&&) { return true; }).ok);
}
