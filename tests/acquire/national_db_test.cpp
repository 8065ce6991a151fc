#include "acquire/national_db.h"

#include <cstdlib>
#include <cstring>
#include <set>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/cache_db.h"
#include "core/cachedb_table.h"
#include "core/proc_settings.h"
#include "support/child_process.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using tv::W;

std::string Line(int id, const std::string& code, double lat, double lon, const std::string& tail = " x 1.5 2") {
    return std::to_string(id) + " \"Cache " + code + " &amp; more\" 2004 7 3 " + std::to_string(lat) + " " +
           std::to_string(lon) + " \"Traditional Cache\" \"Regular\" " + code + tail;
}

std::int32_t I32At(const std::string& bytes, std::size_t off) {
    std::int32_t v;
    std::memcpy(&v, bytes.data() + off, 4);
    return v;
}
float F32At(const std::string& bytes, std::size_t off) {
    float v;
    std::memcpy(&v, bytes.data() + off, 4);
    return v;
}

class NationalDb : public ::testing::Test {
protected:
    void SetUp() override {
        savedSettings_ = tv::ProcSettings;
        savedTable_ = tv::CacheDBTable();
        tv::ProcSettings = tv::TProcSettings{};
        tv::ProcSettings.WorkDir = work_.str();
        tv::ProcSettings.HomeLat = 48.0;
        tv::ProcSettings.HomeLong = 8.0;
        tv::CacheDBTable() = tv::TCacheDBTable::Parse(
            "[CacheDB]\nGCDatabaseCount=3\nDB_CountryID1=79\nDB_Filename1=germany.txt\n"
            "DB_CountryID2=227\nDB_Filename2=austria.txt\nDB_CountryID3=81\nDB_Filename3=other.txt\n");
    }
    void TearDown() override {
        tv::ProcSettings = savedSettings_;
        tv::CacheDBTable() = savedTable_;
    }

    int Convert(const std::string& listName, const std::string& listBytes, bool showNearest = false) {
        const auto src = work_.write(listName, listBytes);
        conv_ = tv::NationalDbConverter{};
        conv_.Events().showDetails = [this](const tv::TCacheRec& r) { details_.push_back(r); };
        conv_.SetSourceName(src.string());
        conv_.SetDestName(Bin());
        return conv_.ConverteHTTP(showNearest);
    }
    std::string Bin() const { return work_.str() + "Caches.bin"; }
    std::string Idx() const { return work_.str() + "Caches.idx"; }

    tvtest::TempDir work_;
    tv::platform::ScopedFakes fakes_;
    tv::NationalDbConverter conv_;
    std::vector<tv::TCacheRec> details_;

private:
    tv::TProcSettings savedSettings_;
    tv::TCacheDBTable savedTable_;
};

// A merge killed at any moment leaves whole records, loses none and keeps
// lookups right; running it again completes it.
TEST_F(NationalDb, KilledMergesLeaveAWholeDatabaseAndTheNextOneCompletesIt) {
    std::string base, list;
    for (int i = 0; i < 2000; ++i) base += Line(i, "GC" + std::to_string(i), 48.0, 9.0) + "\n";
    for (int i = 1000; i < 40000; ++i) list += Line(i, "GC" + std::to_string(i), 48.0, 9.0) + "\n";
    ASSERT_EQ(Convert("germany.txt", base), 2000);
    work_.write("austria.txt", list);
    auto merge = [this] {
        conv_ = tv::NationalDbConverter{};
        conv_.SetSourceName(work_.str() + "austria.txt");
        conv_.SetDestName(Bin());
        return conv_.ConverteHTTP(false);
    };
    auto check = [this](int atLeast) {
        std::set<std::string> codes;
        for (const tv::TCacheRec& r : tv::DecodeCacheRecs(tvtest::ReadFileBytes(Bin())))
            ASSERT_TRUE(r.Name == "Cache " + r.Waypoint.str() + " & more" && codes.insert(r.Waypoint.str()).second)
                << r.Waypoint.str();
        for (int i = 0; i < atLeast; ++i) ASSERT_EQ(codes.count("GC" + std::to_string(i)), 1u) << i;
        tv::CacheIndexList.Clear();
        tv::TCacheRec r;
        for (const char* c : {"GC0", "GC1999"}) EXPECT_TRUE(tv::FindCacheByWaypoint(c, r) && r.Waypoint.str() == c);
        if (codes.size() > 2000) {
            const std::string last = *codes.rbegin();
            EXPECT_TRUE(tv::FindCacheByWaypoint(last, r) && r.Waypoint.str() == last) << last;
        }
    };
    for (int kill = 0; kill < 50 && !HasFailure(); ++kill) {
        tvtest::Child pid = tvtest::Spawn([&] { return merge() < 0; });
        ::usleep(static_cast<unsigned>(::random()) % 60000);
        tvtest::Reap(pid, true);
        check(2000);
    }
    EXPECT_GE(merge(), 0);
    check(40000);
}

TEST_F(NationalDb, DirectConversionOfMixedLines) {
    const std::string list = "# comment line\r\n" + Line(1001, "GC1", 48.0, 9.0) + "\r\n\r\n" +
                             Line(1002, "GC2", 48.5, 8.0, " x") + "\r\nnot a cache line\r\n";
    EXPECT_EQ(Convert("germany.txt", list), 1);
    EXPECT_EQ(conv_.GetFailedCount(), 2);
    EXPECT_EQ(conv_.GetIncompleteCount(), 1);
    EXPECT_EQ(conv_.GetNewCount(), 0);
    EXPECT_FALSE(fs::exists(Bin() + ".tmp"));

    const std::string bin = tvtest::ReadFileBytes(Bin());
    ASSERT_EQ(bin.size(), 2 * tv::TCacheRec::kSize);
    const auto recs = tv::DecodeCacheRecs(bin);
    EXPECT_EQ(recs[0].Waypoint, "GC1");
    EXPECT_EQ(recs[0].Name, "Cache GC1 & more");
    EXPECT_EQ(recs[0].Difficulty, "1.5");
    EXPECT_EQ(recs[1].Waypoint, "GC2");
    EXPECT_EQ(recs[1].Terrain, "0.0");
    for (std::size_t r = 0; r < 2; ++r) {
        const std::size_t base = r * tv::TCacheRec::kSize;
        EXPECT_EQ(I32At(bin, base + 220), 79);
        EXPECT_EQ(static_cast<unsigned char>(bin[base + 228]), 1);
    }
    EXPECT_NEAR(F32At(bin, 224), 74.40, 0.01);                            // one degree east at 48 N
    EXPECT_NEAR(F32At(bin, tv::TCacheRec::kSize + 224), 55.60, 0.01);     // half a degree north

    // The same list with LF only and TABs for blanks gives the same bytes.
    fs::remove(Bin());
    std::string lf = list;
    for (std::size_t p; (p = lf.find("\r\n")) != std::string::npos;) lf.replace(p, 2, "\n");
    for (std::size_t p; (p = lf.find(" 2004 ")) != std::string::npos;) lf.replace(p, 6, "\t2004\t");
    EXPECT_EQ(Convert("germany.txt", lf), 1);
    EXPECT_EQ(tvtest::ReadFileBytes(Bin()), bin);
}

TEST_F(NationalDb, MergeAppendsOnlyNewCachesOnce) {
    ASSERT_EQ(Convert("germany.txt", Line(1, "GC1", 48.0, 9.0) + "\n" + Line(2, "GC2", 48.5, 8.0) + "\n"), 2);
    ASSERT_EQ(tv::BuildCacheIndex(), 0);
    const std::string before = tvtest::ReadFileBytes(Bin());

    // gc2 is known (any case); GC3 comes twice; GC4 is farther than GC3.
    const std::string list = Line(2, "gc2", 48.5, 8.0) + "\n" + Line(3, "GC3", 48.0, 9.0) + "\n" +
                             Line(3, "GC3", 48.0, 9.0) + "\n" + Line(4, "GC4", 50.0, 8.0) + "\n";
    fakes_.messages.answers.push_back(tv::platform::MsgResult::Yes);
    EXPECT_EQ(Convert("austria.txt", list, true), 4);
    EXPECT_EQ(conv_.GetNewCount(), 2);
    EXPECT_TRUE(fs::exists(Bin() + ".tmp"));

    const std::string after = tvtest::ReadFileBytes(Bin());
    ASSERT_EQ(after.size(), before.size() + 2 * tv::TCacheRec::kSize);
    EXPECT_EQ(after.substr(0, before.size()), before);
    const auto recs = tv::DecodeCacheRecs(after);
    EXPECT_EQ(recs[2].Waypoint, "GC3");
    EXPECT_EQ(recs[2].CountryId, 227);
    EXPECT_EQ(recs[3].Waypoint, "GC4");
    EXPECT_EQ(tvtest::ReadFileBytes(Idx()).size(), 4u * 24u);

    ASSERT_EQ(fakes_.messages.shown.size(), 1u);
    EXPECT_EQ(fakes_.messages.shown[0].buttons, tv::platform::MsgButtons::YesNo);
    EXPECT_EQ(fakes_.messages.shown[0].text,
              W("Es wurden 2 neue Caches in die Datenbank eingefügt.\r\n\r\nDer nächstgelegene der neuen Caches "
                "liegt von den hinterlegten Home-Koordinaten in 74.4 km Entfernung in Richtung 90 Grad.\r\n\r\n"
                "Detailansicht dieses Caches zeigen?"));
    ASSERT_EQ(details_.size(), 1u);
    EXPECT_EQ(details_[0].Waypoint, "GC3");
    EXPECT_EQ(details_[0].RecNo, 2);

    tv::TCacheRec found;
    ASSERT_TRUE(tv::FindCacheByWaypoint("gc3", found));
    EXPECT_EQ(found.RecNo, 2);
    ASSERT_TRUE(tv::FindCacheByWaypoint("GC4", found));
    EXPECT_EQ(found.RecNo, 3);
}

TEST_F(NationalDb, IndexesWrittenWithTheRecordsEqualARebuild) {
    // Twelve records, GC7 at 9 and 10 (decimal tie order), mixed case.
    std::string list;
    for (int i = 0; i < 12; ++i) {
        const std::string code = i == 9 || i == 10 ? "GC7" : (i % 2 ? "gc" : "GC") + std::to_string(100 - i);
        list += Line(i, code, 48.0, 9.0) + "\n";
    }
    auto rebuilt = [this] {
        fs::remove(Idx());
        EXPECT_EQ(tv::BuildCacheIndex(), 0);
        return tvtest::ReadFileBytes(Idx());
    };
    ASSERT_EQ(Convert("germany.txt", list), 12);
    const std::string written = tvtest::ReadFileBytes(Idx());
    EXPECT_EQ(written.size(), 12u * 24u);
    EXPECT_EQ(tv::BuildCacheIndex(), 0);  // nothing changed: the rebuild keeps it
    EXPECT_EQ(rebuilt(), written);

    // Merged into through the index, and without one: the same database and index.
    const std::string more = Line(20, "gc7", 48.0, 9.0) + "\n" + Line(21, "GC5", 48.0, 9.0) + "\n" +
                             Line(22, "gc55", 48.0, 9.0) + "\n" + Line(23, "GC5", 48.0, 9.0) + "\n";
    const std::string base = tvtest::ReadFileBytes(Bin());
    ASSERT_EQ(Convert("germany.txt", more), 4);
    EXPECT_EQ(conv_.GetNewCount(), 2);
    const std::string merged = tvtest::ReadFileBytes(Bin());
    const std::string mergedIdx = tvtest::ReadFileBytes(Idx());
    EXPECT_EQ(rebuilt(), mergedIdx);

    work_.write("Caches.bin", base);
    fs::remove(Idx());
    ASSERT_EQ(Convert("germany.txt", more), 4);
    EXPECT_EQ(tvtest::ReadFileBytes(Bin()), merged);
    EXPECT_EQ(tvtest::ReadFileBytes(Idx()), mergedIdx);

    // An index that misses records (one appended behind its back) is not trusted.
    work_.write("Caches.bin", base);
    tv::TCacheRec extra = tv::DecodeCacheRecs(base)[0];
    extra.Waypoint = "GC5";
    fs::remove(Idx());
    ASSERT_EQ(tv::BuildCacheIndex(), 0);
    work_.write("Caches.bin", base + tv::EncodeCacheRecs({extra}));
    ASSERT_EQ(Convert("germany.txt", more), 4);
    EXPECT_EQ(conv_.GetNewCount(), 1);  // gc55 only: GC5 is in the database
    EXPECT_EQ(tvtest::ReadFileBytes(Idx()), rebuilt());
}

TEST_F(NationalDb, FailuresKeepTheDatabase) {
    conv_.SetSourceName(work_.str() + "missing.txt");
    conv_.SetDestName(Bin());
    EXPECT_EQ(conv_.ConverteHTTP(false), tv::kConvSourceError);
    EXPECT_FALSE(fs::exists(Bin()));

    work_.write("germany.txt", Line(1, "GC1", 48.0, 9.0) + "\n");
    conv_.SetSourceName(work_.str() + "germany.txt");
    conv_.SetDestName(work_.str() + "no/such/folder/Caches.bin");
    EXPECT_EQ(conv_.ConverteHTTP(false), tv::kConvOutputError);

    ASSERT_EQ(Convert("germany.txt", Line(1, "GC1", 48.0, 9.0) + "\n"), 1);
    const std::string bin = tvtest::ReadFileBytes(Bin());
    // A folder in place of the list is no list: it is not opened.
    fs::create_directory(work_.path() / "folder.txt");
    conv_.SetSourceName(work_.str() + "folder.txt");
    conv_.SetDestName(Bin());
    EXPECT_EQ(conv_.ConverteHTTP(true), tv::kConvSourceError);
    EXPECT_EQ(conv_.GetErrorCode(), EISDIR);
    EXPECT_EQ(tvtest::ReadFileBytes(Bin()), bin);
    EXPECT_FALSE(fs::exists(Bin() + ".tmp"));  // no cut scratch file stays
    EXPECT_TRUE(fakes_.messages.shown.empty());
}

}  // namespace
