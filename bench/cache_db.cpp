// The cache database at national scale: 500,000 caches generated as national
// list lines, parsed, written to Caches.bin in a temporary work folder, then
// indexed, loaded and looked up.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_data.h"
#include "core/cache_db.h"
#include "core/proc_settings.h"

namespace {

constexpr int kCaches = 500000;
constexpr int kLookups = 100000;

struct Database {
    tvbench::WorkFolder folder{"cachedb-bench"};
    const std::filesystem::path& dir = folder.path();
    std::vector<std::string> lines;
    std::vector<std::string> codes;

    Database() {
        std::mt19937 rng(7);
        std::uniform_real_distribution<double> lat(47.3, 55.0), lon(5.9, 15.0);
        const char* types[] = {"TRADITIONAL CACHE", "MULTI-CACHE", "UNKNOWN CACHE", "LETTERBOX HYBRID"};
        const char* sizes[] = {"Micro", "Small", "Regular", "Large", "Other"};
        lines.reserve(kCaches);
        codes.reserve(kCaches);
        char buf[64];
        for (int i = 0; i < kCaches; ++i) {
            codes.push_back(tvbench::ScatteredWaypointCode(i));
            std::string l = std::to_string(100000 + i) + " \"Cache Nr. " + std::to_string(i) + " &amp; Co\" " +
                            std::to_string(2000 + i % 20) + " " + std::to_string(1 + i % 12) + " " +
                            std::to_string(1 + i % 28) + " ";
            std::snprintf(buf, sizeof buf, "%.5f %.5f", lat(rng), lon(rng));
            l += buf;
            l += std::string(" \"") + types[i % 4] + "\" \"" + sizes[i % 5] + "\" " + codes.back() + " x " +
                 std::to_string(1 + i % 5) + " " + (i % 2 ? "1.5" : "3");
            lines.push_back(std::move(l));
        }
        std::vector<tv::TCacheRec> recs(kCaches);
        for (int i = 0; i < kCaches; ++i) tv::ParseCacheDBLine(lines[i], recs[i]);
        std::string bytes = tv::EncodeCacheRecs(recs);
        std::ofstream(dir / "Caches.bin", std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        tv::BuildCacheIndex();
    }
};

Database& Db() {
    static Database db;
    return db;
}

void BM_ParseLines(benchmark::State& state) {
    auto& db = Db();
    tv::TCacheRec rec;
    for (auto _ : state) {
        for (const auto& l : db.lines) benchmark::DoNotOptimize(tv::ParseCacheDBLine(l, rec));
    }
    state.SetItemsProcessed(state.iterations() * kCaches);
}
BENCHMARK(BM_ParseLines)->Unit(benchmark::kMillisecond);

void BM_RawRead(benchmark::State& state) {
    auto& db = Db();
    const auto path = db.dir / "Caches.bin";
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary);
        std::string bytes(std::filesystem::file_size(path), '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_RawRead)->Unit(benchmark::kMillisecond);

void BM_BuildCacheIndex(benchmark::State& state) {
    Db();
    for (auto _ : state) benchmark::DoNotOptimize(tv::BuildCacheIndex());
    state.SetItemsProcessed(state.iterations() * kCaches);
}
BENCHMARK(BM_BuildCacheIndex)->Unit(benchmark::kMillisecond);

void BM_LoadCacheIndex(benchmark::State& state) {
    Db();
    for (auto _ : state) {
        tv::LoadCacheIndex();
        benchmark::DoNotOptimize(tv::CacheIndexList.Count());
    }
    state.SetItemsProcessed(state.iterations() * kCaches);
}
BENCHMARK(BM_LoadCacheIndex)->Unit(benchmark::kMillisecond);

void BM_FindCacheByWaypoint(benchmark::State& state) {
    auto& db = Db();
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> pick(0, kCaches - 1);
    std::vector<std::string> keys;
    keys.reserve(kLookups);
    for (int i = 0; i < kLookups; ++i) keys.push_back(db.codes[pick(rng)]);
    tv::TCacheRec rec;
    tv::LoadCacheIndex();
    for (auto _ : state) {
        int found = 0;
        for (const auto& k : keys) found += tv::FindCacheByWaypoint(k, rec);
        if (found != kLookups) state.SkipWithError("lookup missed");
    }
    state.SetItemsProcessed(state.iterations() * kLookups);
}
BENCHMARK(BM_FindCacheByWaypoint)->Unit(benchmark::kMillisecond);

void BM_ReadCacheDB(benchmark::State& state) {
    Db();
    for (auto _ : state) {
        if (!tv::ReadCacheDB() || !tv::CacheDBList || tv::CacheDBList->Count() != kCaches)
            state.SkipWithError("incomplete read");
        tv::FreeCacheDB();
    }
    state.SetItemsProcessed(state.iterations() * kCaches);
}
BENCHMARK(BM_ReadCacheDB)->Unit(benchmark::kMillisecond);

}  // namespace
