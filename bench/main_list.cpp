// The main window's list at national scale: a folder of 5,000 converted
// pages against a 500,000-record cache database. Measures building the rows
// (folder listing, one index look-up and one distance per page) and sorting
// them by distance, as a folder change does.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_data.h"
#include "core/cache_db.h"
#include "core/proc_settings.h"
#include "shell/main_list.h"

namespace {

constexpr int kCaches = 500000;
constexpr int kPages = 5000;

using tvbench::ScatteredWaypointCode;

struct Fixture {
    tvbench::WorkFolder work{"mainlist-bench"};
    const std::filesystem::path& dir = work.path();
    std::string folder;

    Fixture() {
        std::mt19937 rng(11);
        std::uniform_real_distribution<double> lat(47.3, 55.0), lon(5.9, 15.0);
        const char* types[] = {"TRADITIONAL CACHE", "MULTI-CACHE", "UNKNOWN CACHE", "EARTHCACHE"};
        std::vector<tv::TCacheRec> recs(kCaches);
        for (int i = 0; i < kCaches; ++i) {
            tv::TCacheRec& r = recs[static_cast<std::size_t>(i)];
            r.Waypoint = ScatteredWaypointCode(i);
            r.Name = "Cache Nr. " + std::to_string(i);
            r.CacheType = types[i % 4];
            r.Lat = lat(rng);
            r.Lon = lon(rng);
        }
        const std::string bytes = tv::EncodeCacheRecs(recs);
        std::ofstream(dir / "Caches.bin", std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        tv::BuildCacheIndex();

        // 5,000 pages: most of them in the database, every 50th not.
        folder = dir.string() + "/out/";
        std::filesystem::create_directories(folder);
        std::uniform_int_distribution<int> pick(0, kCaches - 1);
        for (int p = 0; p < kPages; ++p) {
            const std::string code = p % 50 == 0 ? "GCZZ" + std::to_string(p) : ScatteredWaypointCode(pick(rng));
            std::ofstream(folder + code + "_converted.html") << "x";
        }
    }
};

Fixture& Fix() {
    static Fixture f;
    return f;
}

void BM_FillListForFolder(benchmark::State& state) {
    Fixture& f = Fix();
    tv::CacheIndexList.Clear();
    std::size_t rows = 0;
    for (auto _ : state) {
        const tv::CacheLookup lookup = tv::DatabaseLookup();
        std::vector<tv::CacheRow> r = tv::BuildCacheRows(f.folder, lookup, {49.5, 10.75});
        std::sort(r.begin(), r.end(), [](const tv::CacheRow& a, const tv::CacheRow& b) {
            return tv::CompareRows(a, b, tv::kColDistance, false) < 0;
        });
        rows = r.size();
        benchmark::DoNotOptimize(r.data());
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_FillListForFolder)->Unit(benchmark::kMillisecond);

// The first folder change of a run also loads the index (500,000 entries).
void BM_FillListWithIndexLoad(benchmark::State& state) {
    Fixture& f = Fix();
    for (auto _ : state) {
        tv::CacheIndexList.Clear();
        const tv::CacheLookup lookup = tv::DatabaseLookup();
        std::vector<tv::CacheRow> r = tv::BuildCacheRows(f.folder, lookup, {49.5, 10.75});
        benchmark::DoNotOptimize(r.data());
    }
}
BENCHMARK(BM_FillListWithIndexLoad)->Unit(benchmark::kMillisecond);

}  // namespace
