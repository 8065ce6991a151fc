// The database CSV export over a national database: 500,000 records in
// Caches.bin written as CSV with the default columns.
#include "exchange/db_csv_export.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/bench_data.h"
#include "core/cache_rec.h"
#include "core/file_procs.h"

namespace {

constexpr int kCaches = 500000;

void BM_DbCsvExport(benchmark::State& state) {
    tvbench::WorkFolder folder("dbcsv-bench");
    std::vector<tv::TCacheRec> recs(kCaches);
    for (int i = 0; i < kCaches; ++i) {
        tv::TCacheRec& r = recs[static_cast<std::size_t>(i)];
        r.Waypoint = tvbench::ScatteredWaypointCode(i);
        r.Name = "Cache Nr. " + std::to_string(i) + " \"am Turm\"";
        r.Hidden = 38000 + i % 5000;
        r.Lat = 47.3 + (i % 7700) * 0.001;
        r.Lon = 5.9 + (i % 9100) * 0.001;
        r.CacheType = "TRADITIONAL CACHE";
        r.Size = "Regular";
        r.Difficulty = "1.5";
        r.Terrain = "2";
        r.CountryId = 79;
        r.Distance = static_cast<float>(i % 800) / 3.0f;
    }
    const std::string dir = folder.str();
    if (!tv::WriteFileAtomic(dir + "Caches.bin", tv::EncodeCacheRecs(recs))) state.SkipWithError("no database");
    const tv::TCacheDBTable countries =
        tv::TCacheDBTable::Parse("[CacheDB]\r\nGCDatabaseCount=1\r\nDB_CountryID1=79\r\nDB_CNameDE1=Deutschland\r\n");
    for (auto _ : state) {
        const auto n = tv::ExportCachesCsv(dir + "Caches.bin", dir + "GCrecords.csv", {}, true, countries);
        if (!n.ok() || *n != kCaches) state.SkipWithError("export failed");
    }
    state.SetItemsProcessed(state.iterations() * kCaches);
}
BENCHMARK(BM_DbCsvExport)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
