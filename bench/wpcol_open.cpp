// Opening the waypoint collections on a large work list: 100,000 lines of
// "WPlist.txt" against a 200,000-record cache database. Measures what the
// window does before it shows the list (reading the database copy, reading
// the four lists with a database look-up per line), once for a work folder
// that has no Caches.idx yet and once with the index in place.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_data.h"
#include "core/cache_db.h"
#include "core/proc_settings.h"
#include "exchange/wp_collection.h"

namespace {

constexpr int kCaches = 200000;
constexpr int kLines = 100000;

using tvbench::ScatteredWaypointCode;

struct Fixture {
    tvbench::WorkFolder work{"wpcol-bench"};
    const std::filesystem::path& dir = work.path();

    Fixture() {
        std::mt19937 rng(5);
        std::uniform_real_distribution<double> lat(47.3, 55.0), lon(5.9, 15.0);
        std::vector<tv::TCacheRec> recs(kCaches);
        for (int i = 0; i < kCaches; ++i) {
            tv::TCacheRec& r = recs[static_cast<std::size_t>(i)];
            r.Waypoint = ScatteredWaypointCode(i);
            r.Name = "Cache Nr. " + std::to_string(i);
            r.CacheType = "TRADITIONAL CACHE";
            r.Lat = lat(rng);
            r.Lon = lon(rng);
        }
        const std::string bytes = tv::EncodeCacheRecs(recs);
        std::ofstream(dir / "Caches.bin", std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        // Distinct codes (the work list drops repeats): most in the database,
        // every 20th not.
        std::ofstream list(dir / "WPlist.txt", std::ios::binary);
        for (int i = 0; i < kLines; ++i)
            list << (i % 20 == 0 ? "GCZZ" + std::to_string(i) : ScatteredWaypointCode(i * 2)) << "\r\n";
    }
};

Fixture& Fix() {
    static Fixture f;
    return f;
}

enum class Part { Both, DBCopy, Lists };

void Open(benchmark::State& state, bool withIndex, Part part = Part::Both) {
    Fixture& f = Fix();
    std::size_t known = 0;
    for (auto _ : state) {
        state.PauseTiming();
        tv::CacheIndexList.Clear();
        std::error_code ec;
        if (withIndex)
            tv::BuildCacheIndex();
        else
            std::filesystem::remove(f.dir / "Caches.idx", ec);
        tv::CacheIndexList.Clear();
        state.ResumeTiming();

        tv::WaypointCollection col;
        if (part != Part::Lists && !col.ReadDBCopy(f.work.str() + "Caches.bin")) state.SkipWithError("database not read");
        if (part != Part::DBCopy) col.LoadLists(f.work.str());
        known = 0;
        for (const tv::WpEntry& e : col.List(tv::kWorkList)) known += e.rec.Name.str() != "?";
        benchmark::DoNotOptimize(known);
    }
    state.counters["lines"] = kLines;
    state.counters["known"] = static_cast<double>(known);
}

void BM_OpenWithoutIndex(benchmark::State& state) { Open(state, false); }
BENCHMARK(BM_OpenWithoutIndex)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_OpenWithIndex(benchmark::State& state) { Open(state, true); }
BENCHMARK(BM_OpenWithIndex)->Unit(benchmark::kMillisecond)->Iterations(3);

// The two parts of opening on their own: the copy of the database, and the
// lists with their look-ups (the index built first, as above).
void BM_ReadDBCopyOnly(benchmark::State& state) { Open(state, false, Part::DBCopy); }
BENCHMARK(BM_ReadDBCopyOnly)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LoadListsWithoutIndex(benchmark::State& state) { Open(state, false, Part::Lists); }
BENCHMARK(BM_LoadListsWithoutIndex)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
