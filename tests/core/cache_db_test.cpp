#include "core/cache_db.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/number_format.h"
#include "core/proc_settings.h"
#include "core/str_util.h"
#include "core/work_lock.h"
#include "platform/text_encoding.h"
#include "support/child_process.h"
#include "support/fakes.h"
#include "support/records.h"
#include "support/temp_dir.h"
#include "support/write_fault.h"

namespace fs = std::filesystem;

namespace {

using tv::TCacheRec;

TCacheRec Rec(const std::string& wp, const std::string& name = "") {
    TCacheRec r;
    r.Waypoint = wp;
    r.Name = name.empty() ? "Cache " + wp : name;
    r.Id = static_cast<int>(wp.size()) * 1000 + (wp.empty() ? 0 : wp.back());
    r.Lat = 48.5;
    r.Lon = 11.25;
    r.Difficulty = "1.5";
    r.Terrain = "2";
    return r;
}

std::string IdxEntry(const std::string& key, int recNo) {
    std::string e(24, '\0');
    e[0] = 16;
    std::string k = key + std::string(16 - key.size(), ' ');
    e.replace(1, 16, k);
    e[20] = static_cast<char>(recNo & 0xFF);
    e[21] = static_cast<char>((recNo >> 8) & 0xFF);
    e[22] = static_cast<char>((recNo >> 16) & 0xFF);
    e[23] = static_cast<char>((recNo >> 24) & 0xFF);
    return e;
}

// A work folder of its own for each test; the process-wide state is reset.
class CacheDbTest : public ::testing::Test {
protected:
    void SetUp() override {
        tv::ProcSettings.WorkDir = dir.str();
        tv::CacheIndexList.Clear();
        tv::FreeCacheDB();
    }
    void TearDown() override {
        tv::CacheIndexList.Clear();
        tv::FreeCacheDB();
        tv::ProcSettings.WorkDir.clear();
    }
    void WriteDb(const std::vector<TCacheRec>& recs) { dir.write("Caches.bin", tv::EncodeCacheRecs(recs)); }
    std::string Bin() const { return dir.read("Caches.bin"); }
    std::string Idx() const { return dir.read("Caches.idx"); }
    bool Exists(const std::string& name) const { return fs::exists(dir.path() / name) || fs::is_symlink(dir.path() / name); }
    std::vector<std::string> Codes() const {
        std::vector<std::string> out;
        for (const auto& r : tv::DecodeCacheRecs(Bin())) out.push_back(r.Waypoint.str());
        return out;
    }

    tvtest::TempDir dir;
    tv::platform::ScopedFakes fakes;
};

// ---- Index file ------------------------------------------------------------

TEST_F(CacheDbTest, IndexBytesOfTheThreeRecordExample) {
    WriteDb({Rec("GC2"), Rec("gc1"), Rec("GC10")});
    ASSERT_EQ(tv::BuildCacheIndex(), 0);
    const std::string want = IdxEntry("GC1", 1) + IdxEntry("GC10", 2) + IdxEntry("GC2", 0);
    ASSERT_EQ(want.size(), 72u);
    EXPECT_EQ(Idx(), want);
    EXPECT_FALSE(Exists("Caches.idx.tmp"));
}

TEST_F(CacheDbTest, DuplicateCodesFollowTheDecimalTieOrder) {
    std::vector<TCacheRec> recs;
    for (int i = 0; i < 11; ++i) recs.push_back(Rec("GCX" + std::to_string(i)));
    recs[9] = Rec("GC5", "nine");
    recs[10] = Rec("GC5", "ten");
    WriteDb(recs);
    ASSERT_EQ(tv::BuildCacheIndex(), 0);
    // "GC5 ... 10" sorts before "GC5 ... 9"; the entry read last wins.
    EXPECT_EQ(Idx().substr(0, 48), IdxEntry("GC5", 10) + IdxEntry("GC5", 9));
    TCacheRec r;
    ASSERT_TRUE(tv::FindCacheByWaypoint("GC5", r));
    EXPECT_EQ(r.RecNo, 9);
    EXPECT_EQ(r.Name, "nine");

    recs = {Rec("A"), Rec("B"), Rec("C"), Rec("GC5", "three"), Rec("D"), Rec("E"), Rec("F"), Rec("GC5", "seven")};
    WriteDb(recs);
    ASSERT_EQ(tv::BuildCacheIndex(), 0);
    ASSERT_TRUE(tv::FindCacheByWaypoint("gc5", r));
    EXPECT_EQ(r.RecNo, 7);
    // The same rule when the index is loaded from the file.
    tv::CacheIndexList.Clear();
    ASSERT_TRUE(tv::FindCacheByWaypoint("GC5", r));
    EXPECT_EQ(r.RecNo, 7);
}

TEST_F(CacheDbTest, FailedIndexWriteLeavesNoIndexAndLookupsScan) {
    WriteDb({Rec("GC1"), Rec("GC2")});
    ASSERT_EQ(tv::BuildCacheIndex(), 0);
    WriteDb({Rec("GC1"), Rec("GC2"), Rec("GC3")});

    // A full disk while writing the new index.
    {
        tvtest::ScopedWriteFault full("Caches.idx");
        EXPECT_EQ(tv::BuildCacheIndex(), -4);
    }
    EXPECT_FALSE(Exists("Caches.idx"));
    TCacheRec r;
    ASSERT_TRUE(tv::FindCacheByWaypoint("GC3", r));
    EXPECT_EQ(r.RecNo, 2);

    // The index cannot even be created.
    ASSERT_EQ(tv::BuildCacheIndex(), 0);
    {
        tvtest::ScopedWriteFault noRoom("Caches.idx", tv::WriteStep::Create, EACCES);
        EXPECT_EQ(tv::BuildCacheIndex(), -3);
    }
    EXPECT_FALSE(Exists("Caches.idx"));
    ASSERT_TRUE(tv::FindCacheByWaypoint("gc2", r));
    EXPECT_EQ(r.RecNo, 1);
}

TEST_F(CacheDbTest, CorruptIndexNeverCrashesAndNeverReadsPastTheDatabase) {
    WriteDb({Rec("GC1"), Rec("GC2"), Rec("GC3")});
    std::string idx = IdxEntry("GC3", 2) + IdxEntry("GC1", 0) + IdxEntry("GC9", 77) + IdxEntry("GCNEG", -5);
    std::string shortKey = IdxEntry("GC2", 1);
    shortKey[0] = 3;  // a key of another length never matches
    idx += shortKey + "trailing";
    dir.write("Caches.idx", idx);
    TCacheRec r;
    ASSERT_TRUE(tv::FindCacheByWaypoint("GC3", r));  // unsorted file still searchable
    EXPECT_EQ(r.RecNo, 2);
    ASSERT_TRUE(tv::FindCacheByWaypoint("GC1", r));
    EXPECT_FALSE(tv::FindCacheByWaypoint("GC9", r));
    EXPECT_EQ(r, TCacheRec{});
    EXPECT_FALSE(tv::FindCacheByWaypoint("GCNEG", r));
    // An index that cannot belong to the database is rebuilt on the way.
    EXPECT_TRUE(tv::FindCacheByWaypoint("GC2", r));
    // So is one that looks right but hands out another cache's record.
    dir.write("Caches.idx", IdxEntry("GC1", 1) + IdxEntry("GC2", 0) + IdxEntry("GC3", 2));
    tv::CacheIndexList.Clear();
    ASSERT_TRUE(tv::FindCacheByWaypoint("GC1", r));
    EXPECT_EQ(r.RecNo, 0);
}

// ---- Lookup ------------------------------------------------------------------

TEST_F(CacheDbTest, LookupWithAndWithoutIndex) {
    WriteDb({Rec("GC2"), Rec("gc1"), Rec("GC10")});
    TCacheRec r;
    // No index at all: a scan, case-insensitive like the index.
    ASSERT_TRUE(tv::FindCacheByWaypoint("GC1", r));
    EXPECT_EQ(r.RecNo, 1);
    EXPECT_EQ(r.Waypoint, "gc1");

    ASSERT_EQ(tv::BuildCacheIndex(), 0);
    ASSERT_TRUE(tv::FindCacheByWaypoint("gc1", r));
    EXPECT_EQ(r.RecNo, 1);
    EXPECT_EQ(r.Name, "Cache gc1");
    ASSERT_TRUE(tv::FindCacheByWaypoint("GC10", r));
    EXPECT_EQ(r.RecNo, 2);

    TCacheRec untouched = Rec("ZZ", "keep me");
    untouched.RecNo = 55;
    r = untouched;
    EXPECT_FALSE(tv::FindCacheByWaypoint("", r));
    EXPECT_EQ(r, untouched);
    EXPECT_FALSE(tv::FindCacheByWaypoint("GC3", r));
    EXPECT_EQ(r, TCacheRec{});
    EXPECT_FALSE(tv::FindCacheByWaypoint("GC12345678901234567", r));

    fs::remove(dir.path() / "Caches.idx");
    tv::CacheIndexList.Clear();
    ASSERT_TRUE(tv::FindCacheByWaypoint("GC10", r));
    EXPECT_EQ(r.RecNo, 2);
    r = untouched;
    EXPECT_FALSE(tv::FindCacheByWaypoint("GC3", r));
    EXPECT_EQ(r, TCacheRec{});
}

// A national database is larger than one read chunk: every record is read,
// indexed and found, the last ones as well as the first.
TEST_F(CacheDbTest, LargeGeneratedDatabase) {
    constexpr int kCount = 5000;
    std::vector<TCacheRec> recs;
    recs.reserve(kCount);
    std::mt19937 rng(42);
    std::vector<int> ids(kCount);
    for (int i = 0; i < kCount; ++i) ids[i] = i;
    std::shuffle(ids.begin(), ids.end(), rng);
    for (int i = 0; i < kCount; ++i) {
        std::string wp = "GC" + std::to_string(ids[i] * 7 + 1);
        if (i % 3 == 0) wp[0] = 'g';
        recs.push_back(tvtest::CacheRecord(wp, "Cache " + wp, 48.5, 11.25));
    }
    tvtest::WriteCaches(dir, recs);
    ASSERT_EQ(tv::BuildCacheIndex(), 0);
    const std::string idx = Idx();
    ASSERT_EQ(idx.size(), kCount * 24u);
    for (std::size_t i = 24; i < idx.size(); i += 24)
        ASSERT_LT(idx.compare(i - 23, 16, idx, i + 1, 16), 0) << "entry " << i / 24;

    tv::CacheIndexList.Clear();
    TCacheRec r;
    for (int i = 0; i < kCount; i += 37) {
        ASSERT_TRUE(tv::FindCacheByWaypoint(recs[i].Waypoint.view(), r)) << i;
        ASSERT_EQ(r.RecNo, i);
        ASSERT_EQ(r.Waypoint, recs[i].Waypoint);
    }
    ASSERT_TRUE(tv::FindCacheByWaypoint(recs.back().Waypoint.view(), r));
    EXPECT_EQ(r.RecNo, kCount - 1);
    EXPECT_EQ(tv::CacheIndexList.Count(), static_cast<std::size_t>(kCount));
    EXPECT_FALSE(tv::FindCacheByWaypoint("GC2", r));  // 2 is no id * 7 + 1

    ASSERT_TRUE(tv::ReadCacheDB());
    ASSERT_EQ(tv::CacheDBList->Count(), kCount);
    EXPECT_EQ(fakes.pump.pumps, kCount / 100);
    const int last = tv::CacheDBList->IndexOf(recs.back().Waypoint.view());
    ASSERT_EQ(last, kCount - 1);
    EXPECT_EQ(tv::CacheDBList->At(last).Name, recs.back().Name);
}

// ---- Append, store, delete -------------------------------------------------

TEST_F(CacheDbTest, AppendCreatesTheDatabaseAndNeverAddsACodeTwice) {
    EXPECT_TRUE(tv::AppendCacheRec(Rec("GC1")));
    EXPECT_EQ(Bin().size(), 296u);
    EXPECT_FALSE(tv::AppendCacheRec(Rec("gc1")));
    EXPECT_EQ(Bin().size(), 296u);
    EXPECT_TRUE(tv::AppendCacheRec(Rec("GC2")));
    EXPECT_EQ(Bin().size(), 592u);

    // With the index loaded, a code appended in this run is known at once.
    ASSERT_EQ(tv::BuildCacheIndex(), 0);
    TCacheRec r;
    ASSERT_TRUE(tv::FindCacheByWaypoint("GC2", r));
    EXPECT_TRUE(tv::AppendCacheRec(Rec("GC7")));
    EXPECT_FALSE(tv::AppendCacheRec(Rec("GC7")));
    EXPECT_EQ(Codes(), (std::vector<std::string>{"GC1", "GC2", "GC7"}));
    ASSERT_TRUE(tv::FindCacheByWaypoint("gc7", r));
    EXPECT_EQ(r.RecNo, 2);
    EXPECT_EQ(r.Name, "Cache GC7");
}

TEST_F(CacheDbTest, StoreOverwritesInPlaceOrAppends) {
    EXPECT_TRUE(tv::StoreCacheRec(Rec("GC1")));  // no database yet: created
    WriteDb({Rec("GC1"), Rec("GC2"), Rec("GC3")});
    ASSERT_EQ(tv::BuildCacheIndex(), 0);
    TCacheRec changed = Rec("gc2", "renamed");
    changed.ChangeMark = 'D';
    ASSERT_TRUE(tv::StoreCacheRec(changed));
    EXPECT_EQ(Bin().size(), 3u * 296u);
    TCacheRec r;
    ASSERT_TRUE(tv::FindCacheByWaypoint("GC2", r));
    EXPECT_EQ(r.Name, "renamed");
    EXPECT_EQ(r.ChangeMark, 'D');
    EXPECT_EQ(r.RecNo, 1);
    EXPECT_EQ(tv::DecodeCacheRecs(Bin())[2].Name, "Cache GC3");

    ASSERT_TRUE(tv::StoreCacheRec(Rec("GC4")));
    EXPECT_EQ(Codes(), (std::vector<std::string>{"GC1", "gc2", "GC3", "GC4"}));
    EXPECT_TRUE(fakes.messages.shown.empty());
}

// A record written in place whose write fails after half of it went out is
// put back byte for byte (a new name beside the old difficulty is no record).
TEST_F(CacheDbTest, TornInPlaceWriteLeavesTheOldRecord) {
    WriteDb({Rec("GC1"), Rec("GC2"), Rec("GC3")});
    std::string before = Bin();
    before[296 + 295] = 'x';  // a byte no record field covers: only a copy of the bytes keeps it
    dir.write("Caches.bin", before);
    ASSERT_EQ(tv::BuildCacheIndex(), 0);
    TCacheRec changed = Rec("GC2", "renamed");
    changed.Difficulty = "5";
    {
        tvtest::ScopedWriteFault torn("Caches.bin", tv::WriteStep::Torn, EIO);
        const auto stored = tv::StoreCacheRec(changed);
        ASSERT_FALSE(stored);
        EXPECT_EQ(stored.error().code, EIO);
        EXPECT_EQ(stored.error().message, "Fehler beim Update der CacheDB.");
    }
    EXPECT_EQ(Bin(), before);

    ASSERT_TRUE(tv::StoreCacheRec(changed));
    const auto bytes = tv::EncodeCacheRec(changed);
    EXPECT_EQ(Bin(), before.substr(0, 296) + std::string(bytes.begin(), bytes.end()) + before.substr(592));
    EXPECT_TRUE(fakes.messages.shown.empty());

    // When the old bytes cannot be put back either, the text names the cache.
    tvtest::ScopedWriteFault restore("Caches.bin", {tv::WriteStep::Torn, tv::WriteStep::Restore}, EIO);
    const auto damaged = tv::StoreCacheRec(Rec("GC2", "again"));
    ASSERT_FALSE(damaged);
    EXPECT_EQ(damaged.error().code, EIO);
    EXPECT_EQ(damaged.error().message,
              tv::W("Fehler beim Update der CacheDB.\r\nDer Datensatz des Caches GC2 (again) konnte weder "
                    "geschrieben noch wiederhergestellt werden und ist möglicherweise beschädigt."));
}

TEST_F(CacheDbTest, StoreReportsAnUnopenableDatabase) {
    fs::create_directory(dir.path() / "Caches.bin");
    const auto stored = tv::StoreCacheRec(Rec("GC1"));
    ASSERT_FALSE(stored);
    EXPECT_EQ(stored.error().code, EISDIR);
    EXPECT_EQ(stored.error().message, "Kann Datei " + dir.str() + "Caches.bin nicht lesen.");
    EXPECT_TRUE(fakes.messages.shown.empty());
}

TEST_F(CacheDbTest, DeleteRemovesEveryRecordOfTheCodeAndReindexes) {
    WriteDb({Rec("GC1"), Rec("GC5"), Rec("GC2"), Rec("GC5")});
    ASSERT_EQ(tv::BuildCacheIndex(), 0);
    ASSERT_TRUE(tv::DeleteCacheFromDB("GC5"));
    EXPECT_EQ(Codes(), (std::vector<std::string>{"GC1", "GC2"}));
    EXPECT_EQ(Idx(), IdxEntry("GC1", 0) + IdxEntry("GC2", 1));
    TCacheRec r;
    ASSERT_TRUE(tv::FindCacheByWaypoint("GC2", r));
    EXPECT_EQ(r.RecNo, 1);
    EXPECT_FALSE(tv::FindCacheByWaypoint("GC5", r));
    EXPECT_EQ(tv::CacheDBList, nullptr);
    EXPECT_EQ(fakes.progress.actions, (std::vector<std::string>{"Cache-DB wird gelesen"}));
    EXPECT_FALSE(fakes.progress.visible);
    EXPECT_FALSE(Exists("Caches.bin.tmp"));
}

TEST_F(CacheDbTest, FailedDeleteKeepsTheOldDatabase) {
    WriteDb({Rec("GC1"), Rec("GC5"), Rec("GC2")});
    const std::string before = Bin();
    {
        tvtest::ScopedWriteFault full("Caches.bin");
        const auto deleted = tv::DeleteCacheFromDB("GC5");
        ASSERT_FALSE(deleted);
        EXPECT_EQ(deleted.error().code, ENOSPC);
        EXPECT_EQ(deleted.error().message, "Fehler beim Update der CacheDB.");
    }
    EXPECT_EQ(Bin(), before);
    // No temporary file is left.
    EXPECT_EQ(tv::ListFolder(dir.str()), (std::vector<std::string>{"Caches.bin", "Trailvane.lock"}));

    fs::remove(dir.path() / "Caches.bin");
    const auto missing = tv::DeleteCacheFromDB("GC5");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().message, "Fehler beim Lesen der Datei " + dir.str() + "Caches.bin");
    EXPECT_FALSE(Exists("Caches.bin"));
    EXPECT_TRUE(fakes.messages.shown.empty());
}

// ---- National list lines ----------------------------------------------------

TEST(CacheDbLine, FullAndShortLines) {
    TCacheRec r;
    const std::string full =
        R"(4711 "Schatz &amp; Co" 2004 7 3 48.12345 11.54321 "TRADITIONAL CACHE" "Regular" GC1A2B 0 1.5 2)";
    ASSERT_EQ(tv::ParseCacheDBLine(full, r), 0);
    EXPECT_EQ(r.Id, 4711);
    EXPECT_EQ(r.Name, "Schatz & Co");
    EXPECT_EQ(r.Hidden, 38171.0);
    EXPECT_EQ(r.Lat, 48.12345);
    EXPECT_EQ(r.Lon, 11.54321);
    EXPECT_EQ(r.CacheType, "TRADITIONAL CACHE");
    EXPECT_EQ(r.Size, "Regular");
    EXPECT_EQ(r.Waypoint, "GC1A2B");
    EXPECT_EQ(r.Difficulty, "1.5");
    EXPECT_EQ(r.Terrain, "2");
    const auto bytes = tv::EncodeCacheRec(r);
    for (std::size_t i = 220; i < 296; ++i) ASSERT_EQ(bytes[i], 0) << i;

    TCacheRec s;
    ASSERT_EQ(tv::ParseCacheDBLine(full + " trailing words", s), 0);
    EXPECT_EQ(s, r);

    const std::string head = R"(4711 "Schatz" 2004 7 3 48.1 11.5 "TRADITIONAL CACHE" "Regular" GC1A2B)";
    ASSERT_EQ(tv::ParseCacheDBLine(head + " 0", r), 1);
    EXPECT_EQ(r.Difficulty, "0.0");
    EXPECT_EQ(r.Terrain, "0.0");
    ASSERT_EQ(tv::ParseCacheDBLine(head + " 0 1.5", r), 1);
    EXPECT_EQ(r.Difficulty, "1.5");
    EXPECT_EQ(r.Terrain, "0.0");
    ASSERT_EQ(tv::ParseCacheDBLine(head + " 0 1.5 2   \r", r), 0);
    EXPECT_EQ(r.Terrain, "2");
    ASSERT_EQ(tv::ParseCacheDBLine(head, r), 1);

    // Extra blanks between fields, a one-digit date, a negative longitude,
    // overlong texts cut to their fields.
    const std::string loose = "12  \"" + std::string(130, 'n') + "\"   1999 12 31  -33.5 -70.25 \"" +
                              std::string(25, 'T') + "\" \"Micro\" GC12345678901234567 x 5 4.5";
    ASSERT_EQ(tv::ParseCacheDBLine(loose, r), 0);
    EXPECT_EQ(r.Name.size(), 120u);
    EXPECT_EQ(r.Hidden, *tv::DayCountFromDate(1999, 12, 31));
    EXPECT_EQ(r.Lon, -70.25);
    EXPECT_EQ(r.CacheType, std::string(20, 'T'));
    EXPECT_EQ(r.Waypoint, "GC12345678901234");
    EXPECT_EQ(r.Terrain, "4.5");
}

TEST(CacheDbLine, TextBeforeAQuoteStaysInTheLine) {
    // Cutting a quoted field keeps what stood before it in the line.
    TCacheRec r;
    ASSERT_EQ(tv::ParseCacheDBLine("4711 2004\"Name &lt;1&gt;\" 7 3 48.5 11.5 \"T\" \"S\" GC1 x 1.5 2", r), 0);
    EXPECT_EQ(r.Name, "Name <1>");
    EXPECT_EQ(r.Hidden, *tv::DayCountFromDate(2004, 7, 3));
    EXPECT_EQ(r.Lat, 48.5);
    EXPECT_EQ(r.CacheType, "T");
    EXPECT_EQ(r.Waypoint, "GC1");
    EXPECT_EQ(r.Terrain, "2");

    ASSERT_EQ(tv::ParseCacheDBLine("4711 \"N\" 2004 7 3 48.5 11.5 x\"T\" \"S\" GC1 y 1 2", r), 0);
    EXPECT_EQ(r.CacheType, "T");
    EXPECT_EQ(r.Size, "S");
    EXPECT_EQ(r.Waypoint, "x");
    EXPECT_EQ(r.Difficulty, "y");
    EXPECT_EQ(r.Terrain, "1");

    // A name without its closing quote is not cut: the quote is read as the year.
    EXPECT_EQ(tv::ParseCacheDBLine("4711 \"Name 2004 7 3 48.5 11.5 \"T\" \"S\" GC1 x 1.5 2", r), -1);
}

// The line rules spelt out step by step on whole strings, for comparison.
int ReferenceParse(std::string_view lineIn, TCacheRec& rec) {
    rec = TCacheRec{};
    if (!lineIn.empty() && lineIn.front() == '#') return -1;
    const std::size_t blank = lineIn.find(' ');
    if (blank == std::string_view::npos) return -1;
    const auto id = tv::ParseInt(lineIn.substr(0, blank));
    if (!id) return -1;
    rec.Id = *id;
    std::string line(lineIn.substr(blank + 1)), text, t[6];
    tv::CutBetweenInner(line, text, "\"", "\"");
    tv::DecodeHtmlEntities(text);
    tv::TrimLeadingBlanks(line);
    rec.Name = text;
    for (int i = 0; i < 5; ++i) tv::NextToken(line, t[i]);
    auto num = [](const std::string& x) { return !x.empty() && x.size() <= 4 && x.find_first_not_of("0123456789") == std::string::npos; };
    if (!num(t[0]) || !num(t[1]) || !num(t[2])) return -1;
    const auto hidden = tv::DayCountFromDate(std::stoi(t[0]), std::stoi(t[1]), std::stoi(t[2]));
    const auto lat = tv::ParseFloat(t[3], '.'), lon = tv::ParseFloat(t[4], '.');
    if (!hidden || !lat || !lon) return -1;
    rec.Hidden = *hidden;
    rec.Lat = *lat;
    rec.Lon = *lon;
    for (auto* field : {&rec.CacheType, &rec.Size}) {
        text.clear();
        tv::CutBetweenInner(line, text, "\"", "\"");
        tv::TrimLeadingBlanks(line);
        *field = text;
    }
    tv::NextToken(line, t[0]);
    if (t[0].empty()) return -1;
    rec.Waypoint = t[0];
    tv::NextToken(line, t[0]);
    int result = 0;
    if (!tv::NextToken(line, t[1])) t[1] = "0.0", result = 1;
    if (!tv::NextToken(line, t[2])) t[2] = "0.0", result = 1;
    rec.Difficulty = t[1];
    rec.Terrain = t[2];
    return result;
}

TEST(CacheDbLine, AgreesWithTheStepByStepRulesOnRandomLines) {
    std::mt19937 rng(11);
    const std::vector<std::string> pieces = {" ", "  ", "\"", "\"Name\"", "&amp;", "&lt;", "2004", "7", "3", "48.5",
                                             "-11.25", "\"Traditional Cache\"", "\"Regular\"", "GC1AB", "x", "1.5",
                                             "2", "\t", "\r", "abc"};
    const std::string good = "4711 \"N &amp; M\" 2004 7 3 48.5 11.5 \"T\" \"S\" GC1 x 1.5 2";
    for (int round = 0; round < 20000; ++round) {
        std::string line;
        if (round % 2 == 0) {
            // A good line with one piece put in somewhere.
            line = good;
            line.insert(rng() % (line.size() + 1), pieces[rng() % pieces.size()]);
        } else {
            line = "4711";
            for (int k = rng() % 16; k >= 0; --k) line += (rng() % 2 ? " " : "") + pieces[rng() % pieces.size()];
        }
        TCacheRec got, want;
        const int r = tv::ParseCacheDBLine(line, got);
        ASSERT_EQ(r, ReferenceParse(line, want)) << line;
        if (r >= 0) {
            ASSERT_EQ(tv::EncodeCacheRec(got), tv::EncodeCacheRec(want)) << line;
        }
    }
}

// ---- Large database ---------------------------------------------------------

// ---- Bulk helpers and Finds.bin ---------------------------------------------

TEST_F(CacheDbTest, WholeFileHelpersAndFinds) {
    const std::string path = dir.str() + "Other.bin";
    ASSERT_TRUE(tv::AppendCacheFile(path, {Rec("GC1")}));
    ASSERT_TRUE(tv::AppendCacheFile(path, {Rec("GC2"), Rec("GC3")}));
    auto all = tv::ReadCacheFile(path);
    ASSERT_TRUE(all);
    ASSERT_EQ(all->size(), 3u);
    EXPECT_EQ((*all)[2], Rec("GC3"));
    ASSERT_TRUE(tv::WriteCacheFile(path, {Rec("GC9")}));
    EXPECT_EQ(tvtest::ReadFileBytes(path), tv::EncodeCacheRecs({Rec("GC9")}));
    auto missing = tv::ReadCacheFile(dir.str() + "none.bin");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().code, ENOENT);

    tv::TFoundList finds;
    tv::TFoundRec f;
    f.Waypoint = "GC1";
    f.FoundDate = "03.07.2004";
    finds.AddFound(f);
    f.Waypoint = "GC2";
    finds.AddFound(f);
    ASSERT_EQ(tv::FindsBinPath(), dir.str() + "Finds.bin");
    ASSERT_TRUE(tv::WriteFoundFile(tv::FindsBinPath(), finds));
    EXPECT_EQ(dir.read("Finds.bin").size(), 880u);
    tv::TFoundList back;
    EXPECT_EQ(back.LoadFromFile(tv::FindsBinPath()), 2);
    EXPECT_EQ(back.At(1), f);

    const std::string before = dir.read("Finds.bin");
    tv::TFoundRec g;
    g.Waypoint = "GC3";
    finds.AddFound(g);
    tvtest::ScopedWriteFault full("Finds.bin");
    auto failed = tv::WriteFoundFile(tv::FindsBinPath(), finds);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().code, ENOSPC);
    EXPECT_EQ(dir.read("Finds.bin"), before);
    EXPECT_FALSE(Exists("Finds.bin.tmp"));
}

// ---- Crashes and a second process ---------------------------------------------

class CacheDbCrashTest : public CacheDbTest {
protected:
    // What the children reported for each code "GC<i>".
    enum : char { kNone, kWritten, kDeleting, kDeleted };
    static constexpr int kCodes = 16384;
    char* state =
        static_cast<char*>(::mmap(nullptr, kCodes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    ~CacheDbCrashTest() override { ::munmap(state, kCodes); }
    static std::string Code(int i) { return "GC" + std::to_string(i); }
    void Base(int n) {
        std::vector<TCacheRec> recs;
        for (int i = 0; i < n; ++i) recs.push_back(Rec(Code(i))), state[i] = kWritten;
        WriteDb(recs);
    }
    // As the next run finds it: whole records, each code once, nothing
    // reported written lost, nothing reported deleted back, every lookup right.
    void Check() {
        std::set<std::string> codes;
        for (const TCacheRec& r : tv::DecodeCacheRecs(Bin()))
            EXPECT_TRUE(r.Name == "Cache " + r.Waypoint.str() && codes.insert(r.Waypoint.str()).second) << r.Name.str();
        for (int i = 0; i < kCodes; ++i)
            if (state[i] == kWritten || state[i] == kDeleted) {
                EXPECT_EQ(codes.count(Code(i)), state[i] == kWritten ? 1u : 0u) << i;
            }
        tv::CacheIndexList.Clear();
        TCacheRec r;
        for (const auto& c : codes) EXPECT_TRUE(tv::FindCacheByWaypoint(c, r) && r.Waypoint.str() == c) << c;
    }
    // 50 children run `work` on the folder, each killed at a random moment.
    template <typename Work>
    void KillAtRandom(Work work) {
        for (int kill = 0; kill < 50 && !HasFailure(); ++kill) {
            tvtest::Child pid = tvtest::Spawn([&] { return work(), 0; });
            ::usleep(2000 + static_cast<unsigned>(::random()) % 40000);
            tvtest::Reap(pid, true);
            Check();
        }
    }
};

// A code appended by a run killed before it rebuilt the index, or before it
// reported the append, is found by the next run and not appended again.
TEST_F(CacheDbCrashTest, KilledDeletesAndAppendsLeaveAWholeDatabase) {
    Base(2000);
    KillAtRandom([&] {
        for (int i = 0; i < kCodes; ++i)
            if (state[i] == kWritten && (state[i] = kDeleting, tv::DeleteCacheFromDB(Code(i)))) state[i] = kDeleted;
    });
    KillAtRandom([&] {
        for (int i = 0; i < kCodes; ++i)
            if (state[i] == kNone && tv::AppendCacheRec(Rec(Code(i))) && (state[i] = kWritten, i % 3 == 0))
                tv::BuildCacheIndex();
    });
    // The program's start clears away the copies that killed rewrites left.
    ASSERT_TRUE(tv::TakeWorkFolder(dir.str()).ok());
    tv::ReleaseWorkFolder();
    EXPECT_EQ(tv::ListFolder(dir.str()), (std::vector<std::string>{"Caches.bin", "Caches.idx", "Trailvane.lock"}));
}

TEST_F(CacheDbCrashTest, TwoProcessesRewritingAndAppendingLoseNothing) {
    Base(500);
    auto writer = [&](int from) {
        for (int i = from; i < from + 60; ++i) {
            if (tv::AppendCacheRec(Rec(Code(i)))) state[i] = kWritten;
            if (i % 3 == 0) (void)tv::DeleteCacheFromDB("GCNONE");
        }
        return tv::BuildCacheIndex();
    };
    tvtest::Child x = tvtest::Spawn([&] { return writer(1000); }), y = tvtest::Spawn([&] { return writer(2000); });
    EXPECT_EQ(tvtest::Reap(x) + tvtest::Reap(y), 0);
    EXPECT_EQ(std::count(state, state + kCodes, kWritten), 620);
    Check();
}

TEST_F(CacheDbCrashTest, FailedAppendCutsTheFileBack) {
    Base(3);
    const std::string before = Bin();
    int writes = 0;
    // The second piece fails: the first is on the disk by then.
    tv::SetWriteFaultHook([&](const std::string&, tv::WriteStep) { return ++writes > 1 ? ENOSPC : 0; });
    const auto appended = tv::AppendCacheFile(dir.str() + "Caches.bin", std::vector<TCacheRec>(600, Rec("GCF")));
    tv::SetWriteFaultHook(nullptr);
    EXPECT_EQ(appended.error().code, ENOSPC);
    EXPECT_EQ(Bin(), before);
}

}  // namespace
