// The name search at national scale: reading 500,000 records of
// "Caches.bin" and searching all names and codes, with the memory it takes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_data.h"
#include "core/cache_rec.h"
#include "support/fakes.h"
#include "shell/name_search.h"

namespace {

constexpr int kCaches = 500000;

const std::string& DatabaseFile() {
    static const std::string path = [] {
        const auto file = std::filesystem::temp_directory_path() / "tv_name_search_bench_Caches.bin";
        std::vector<tv::TCacheRec> recs(kCaches);
        const char* words[] = {"Alte M\xFChle", "Waldweg", "Schatz am See", "Br\xFC" "cke", "Burgblick", "Quelle"};
        for (int i = 0; i < kCaches; ++i) {
            recs[static_cast<std::size_t>(i)].Name =
                std::string(words[i % 6]) + " Nr. " + std::to_string(i) + " im Landkreis " + std::to_string(i % 400);
            recs[static_cast<std::size_t>(i)].Waypoint = "GC" + std::to_string(100000 + i);
        }
        const std::string bytes = tv::EncodeCacheRecs(recs);
        std::FILE* f = std::fopen(file.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return file.string();
    }();
    return path;
}

// "mb_above_start": the peak resident set while loading, above the resident
// set before the first load.
void BM_LoadDatabase(benchmark::State& state) {
    tv::platform::ScopedFakes fakes;
    const std::string& file = DatabaseFile();  // written before the timing starts
    tvbench::ResetPeakRss();
    const double before = tvbench::RssMb();
    for (auto _ : state) {
        tv::NameSearchModel m;
        auto r = m.load(file, fakes.progress);
        benchmark::DoNotOptimize(r.ok());
        benchmark::DoNotOptimize(m.cacheCount());
    }
    state.counters["mb_above_start"] = tvbench::PeakRssMb() - before;
}
BENCHMARK(BM_LoadDatabase)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Search(benchmark::State& state) {
    tv::platform::ScopedFakes fakes;
    tv::NameSearchModel m;
    (void)m.load(DatabaseFile(), fakes.progress);
    const char* pattern = state.range(0) == 0 ? "m\xFChle nr. 4711" : "GC1";
    for (auto _ : state) {
        m.search(pattern);
        benchmark::DoNotOptimize(m.resultCount());
    }
    state.counters["results"] = static_cast<double>(m.resultCount());
}
BENCHMARK(BM_Search)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
