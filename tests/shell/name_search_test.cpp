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

std::vector<std::string> Entries(const NameSearchModel& m) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < m.resultCount(); ++i) out.push_back(m.entryText(i));
    return out;
}

class NameSearch : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = WriteCaches(dir_, {tvtest::CacheRecord("GC1AB", W("Alte Mühle"), 0, 0, "TRADITIONAL CACHE"),
                                   tvtest::CacheRecord("GC777", "Xyz", 0, 0, "TRADITIONAL CACHE"),
                                   tvtest::CacheRecord("gc5x", W("MÜHLENWEG"), 0, 0, "TRADITIONAL CACHE")});
        ASSERT_TRUE(model_.load(path_, fakes_.progress).ok());
    }
    tvtest::TempDir dir_;
    platform::ScopedFakes fakes_;
    std::string path_;
    NameSearchModel model_;
};

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

}  // namespace
}  // namespace tv
