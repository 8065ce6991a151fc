// The index page of a description folder of 10,000 converted descriptions:
// listing the folder, looking every cache up in the database (Caches.bin of
// 10,000 records with its index), building, sorting and writing the table.
#include "pages/index_page.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/cache_db.h"
#include "core/proc_settings.h"

namespace {

constexpr int kCaches = 10000;

struct Folder {
    std::filesystem::path work, out;

    Folder() {
        char tmpl[] = "/tmp/tv-index-bench-XXXXXX";
        const std::filesystem::path root = ::mkdtemp(tmpl);
        work = root / "work";
        out = root / "out";
        std::filesystem::create_directories(work);
        std::filesystem::create_directories(out);
        tv::ProcSettings.WorkDir = work.string() + "/";
        tv::ProcSettings.HomeLat = 49.5;
        tv::ProcSettings.HomeLong = 10.75;
        std::mt19937 rng(11);
        std::uniform_real_distribution<double> lat(47.3, 55.0), lon(5.9, 15.0), day(36000, 40000);
        const char* types[] = {"TRADITIONAL CACHE", "MULTI-CACHE", "UNKNOWN CACHE", "LETTERBOX HYBRID"};
        const char* sizes[] = {"Micro", "Small", "Regular", "Large", ""};
        std::vector<tv::TCacheRec> recs;
        recs.reserve(kCaches);
        for (int i = 0; i < kCaches; ++i) {
            tv::TCacheRec r;
            r.Waypoint = "GC" + std::to_string(100000 + i * 7);
            r.Name = "Cache Nr. " + std::to_string(i) + " & <Co>";
            r.Hidden = day(rng);
            r.Lat = lat(rng);
            r.Lon = lon(rng);
            r.CacheType = types[i % 4];
            r.Size = sizes[i % 5];
            r.Difficulty = i % 2 ? "1.5" : "3";
            r.Terrain = "2";
            recs.push_back(r);
            std::ofstream(out / (r.Waypoint.str() + "_converted.html")) << "x";
        }
        if (!tv::WriteCacheFile(work.string() + "/Caches.bin", recs).ok()) std::abort();
        tv::BuildCacheIndex();
    }
    ~Folder() { std::filesystem::remove_all(work.parent_path()); }
};

void BM_IndexPage10000(benchmark::State& state) {
    static Folder folder;
    const std::string dir = folder.out.string() + "/";
    for (auto _ : state) {
        tv::CacheIndexList.Clear();  // the index is loaded again each time, as after a start
        tv::IndexPageParams p;
        p.codes = tv::ListConvertedCodes(dir);
        p.options.sort = static_cast<int>(state.range(0));
        p.home = tv::IndexHomeFor(tv::ProcSettings, 0);
        if (!tv::WriteIndexPage(dir + "index.html", folder.work.string() + "/", p)) state.SkipWithError("write failed");
        benchmark::DoNotOptimize(p.codes.size());
    }
    state.SetItemsProcessed(state.iterations() * kCaches);
}
BENCHMARK(BM_IndexPage10000)->Arg(tv::kSortDistance)->Arg(tv::kSortName)->Unit(benchmark::kMillisecond);

}  // namespace
