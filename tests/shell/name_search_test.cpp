// The name search over a cache database file: loading with the wait window,
// case-insensitive search over name + code, single and multiple picks.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/cache_rec.h"
#include "core/str_util.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "shell/name_search.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

using tvtest::WriteCaches;

TCacheRec Rec(const std::string& name, const std::string& code) {
    TCacheRec r = tvtest::CacheRecord(code, name);
    r.CacheType = "TRADITIONAL CACHE";
    return r;
}

std::vector<std::string> Entries(const NameSearchModel& m) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < m.resultCount(); ++i) out.push_back(m.entryText(i));
    return out;
}

class NameSearch : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = WriteCaches(dir_, {Rec(W("Alte Mühle"), "GC1AB"), Rec("Xyz", "GC777"), Rec(W("MÜHLENWEG"), "gc5x")});
        ASSERT_TRUE(model_.load(path_, fakes_.progress).ok());
    }
    tvtest::TempDir dir_;
    platform::ScopedFakes fakes_;
    std::string path_;
    NameSearchModel model_;
};

TEST_F(NameSearch, LoadsEveryRecordBehindTheWaitWindow) {
    EXPECT_TRUE(model_.loaded());
    EXPECT_EQ(model_.cacheCount(), 3u);
    ASSERT_EQ(fakes_.progress.actions.size(), 1u);
    EXPECT_EQ(fakes_.progress.actions[0], "Cacheliste wird gelesen");
    EXPECT_EQ(fakes_.progress.minimum, 0);
    EXPECT_EQ(fakes_.progress.maximum, 3);
    EXPECT_EQ(fakes_.progress.position, 3);
    EXPECT_FALSE(fakes_.progress.visible);
}

TEST_F(NameSearch, SearchesNameAndCodeAsOneTextIgnoringCase) {
    EXPECT_FALSE(NameSearchModel::canSearch("ab"));
    EXPECT_TRUE(NameSearchModel::canSearch("abc"));

    ASSERT_TRUE(model_.search("hleGC1"));
    EXPECT_EQ(Entries(model_), std::vector<std::string>{W("Alte Mühle [GC1AB]")});

    // Umlauts fold as well: "müh" finds both spellings, in file order.
    ASSERT_TRUE(model_.search(W("müh")));
    EXPECT_EQ(Entries(model_), (std::vector<std::string>{W("Alte Mühle [GC1AB]"), W("MÜHLENWEG [gc5x]")}));
    // An ASCII-only fold would miss this one.
    ASSERT_TRUE(model_.search(W("MÜHLE")));
    EXPECT_EQ(model_.resultCount(), 2u);

    ASSERT_TRUE(model_.search("gc7"));
    EXPECT_EQ(Entries(model_), std::vector<std::string>{"Xyz [GC777]"});
    ASSERT_TRUE(model_.search("nothing"));
    EXPECT_EQ(model_.resultCount(), 0u);
}

TEST_F(NameSearch, SinglePickKeepsOneCode) {
    model_.MultiSelect = false;
    ASSERT_TRUE(model_.search("GC"));
    ASSERT_EQ(model_.resultCount(), 3u);
    EXPECT_TRUE(model_.onCheck(0, true).empty());
    EXPECT_EQ(model_.marked(), std::vector<std::string>{"GC1AB"});
    const auto changed = model_.onCheck(1, true);
    EXPECT_EQ(changed, std::vector<std::size_t>{0});
    EXPECT_FALSE(model_.ticked(0));
    EXPECT_TRUE(model_.ticked(1));
    EXPECT_EQ(model_.marked(), std::vector<std::string>{"GC777"});
    EXPECT_EQ(model_.markedText(), "1 Caches markiert");
    // Unticking the one pick empties the marks.
    EXPECT_TRUE(model_.onCheck(1, false).empty());
    EXPECT_TRUE(model_.marked().empty());
    EXPECT_EQ(model_.markedText(), "0 Caches markiert");
}

TEST_F(NameSearch, MultiPickKeepsMarksAcrossSearches) {
    ASSERT_TRUE(model_.search("GC"));
    model_.onCheck(0, true);
    model_.onCheck(2, true);
    EXPECT_EQ(model_.marked(), (std::vector<std::string>{"GC1AB", "GC5X"}));
    EXPECT_EQ(model_.markedText(), "2 Caches markiert");

    // A new search ticks what is marked (the lower-case code included).
    ASSERT_TRUE(model_.search(W("mühle")));
    ASSERT_EQ(model_.resultCount(), 2u);
    EXPECT_TRUE(model_.ticked(0));
    EXPECT_TRUE(model_.ticked(1));
    model_.onCheck(0, false);
    EXPECT_EQ(model_.marked(), std::vector<std::string>{"GC5X"});
    ASSERT_TRUE(model_.search("xyz"));
    EXPECT_FALSE(model_.ticked(0));
    model_.clearMarked();
    EXPECT_TRUE(model_.marked().empty());
}

TEST(NameSearchLoad, HitsStayWithinOneCacheAndAgreeWithAPerCacheSearch) {
    NameSearchModel m;
    std::mt19937 rng(7);
    const std::string alphabet = W("aAäÄgc1 ");
    auto text = [&](std::size_t maxLen) {
        std::string t(rng() % (maxLen + 1), ' ');
        for (char& c : t) c = alphabet[rng() % alphabet.size()];
        return t;
    };
    std::vector<std::string> names, codes;
    for (int i = 0; i < 400; ++i) {
        names.push_back(text(12));
        codes.push_back(text(4));
        m.addCache(names.back(), codes.back());
    }
    for (int round = 0; round < 300; ++round) {
        const std::string pattern = text(4);
        ASSERT_TRUE(m.search(pattern));
        std::vector<std::string> want;
        for (std::size_t k = 0; k < names.size(); ++k)
            if (UpperCaseCp1252(names[k] + codes[k]).find(UpperCaseCp1252(pattern)) != std::string::npos)
                want.push_back(SearchEntry(names[k], codes[k]));
        ASSERT_EQ(Entries(m), want) << pattern;
    }
}

TEST(NameSearchLoad, DuplicateCodesFollowTheClickedEntry) {
    tvtest::TempDir dir;
    platform::ScopedFakes fakes;
    NameSearchModel m;
    ASSERT_TRUE(m.load(WriteCaches(dir, {Rec("Brunnen alt", "GC1"), Rec("Brunnen neu", "GC1")}), fakes.progress).ok());
    ASSERT_TRUE(m.search("brunnen"));
    EXPECT_EQ(m.onCheck(1, true), std::vector<std::size_t>{0});
    EXPECT_TRUE(m.ticked(0));
    EXPECT_EQ(m.marked(), std::vector<std::string>{"GC1"});
    EXPECT_EQ(m.onCheck(0, false), std::vector<std::size_t>{1});
    EXPECT_TRUE(m.marked().empty());
}

TEST(NameSearchLoad, MissingFileIsAReadErrorWithThePath) {
    tvtest::TempDir dir;
    platform::ScopedFakes fakes;
    NameSearchModel m;
    const std::string path = dir.str() + "Caches.bin";
    const auto r = m.load(path, fakes.progress);
    ASSERT_FALSE(r.ok());
    EXPECT_NE(r.error().code, 0);
    EXPECT_EQ(r.error().message, "Fehler beim Lesen der Datei " + path);
    EXPECT_EQ(m.cacheCount(), 0u);
    ASSERT_TRUE(m.search("abc"));
    EXPECT_EQ(m.resultCount(), 0u);
}

TEST(NameSearchLoad, ProgressEveryHundredRecordsAndCancel) {
    tvtest::TempDir dir;
    platform::ScopedFakes fakes;
    std::vector<TCacheRec> recs;
    for (int i = 0; i < 250; ++i) recs.push_back(Rec("Cache " + std::to_string(i), "GC" + std::to_string(1000 + i)));
    // A trailing partial record is no record.
    const std::string path = dir.write("Caches.bin", EncodeCacheRecs(recs) + std::string(17, 'x')).string();

    NameSearchModel m;
    std::vector<int> positions;
    fakes.pump.onPump = [&] { positions.push_back(fakes.progress.position); };
    ASSERT_TRUE(m.load(path, fakes.progress).ok());
    EXPECT_EQ(m.cacheCount(), 250u);
    EXPECT_EQ(fakes.progress.maximum, 250);
    EXPECT_EQ(positions, (std::vector<int>{100, 200}));
    ASSERT_TRUE(m.search("cache 24"));
    EXPECT_EQ(m.resultCount(), 11u);  // 24 and 240..249
    EXPECT_EQ(m.entryText(0), "Cache 24 [GC1024]");
    EXPECT_EQ(m.entryCode(1), "GC1240");

    int polls = 0;
    const auto r = m.load(path, fakes.progress, [&] { return ++polls == 2; });
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().code, -1);
    EXPECT_FALSE(m.loaded());
    EXPECT_EQ(m.cacheCount(), 0u);
    EXPECT_FALSE(fakes.progress.visible);
}

}  // namespace
}  // namespace tv
