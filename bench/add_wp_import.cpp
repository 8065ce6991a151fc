// Additional-waypoint import of a 50 MB WPTS file (about 100,000 waypoints
// of a pocket query's companion file) into an empty store, from the file as
// the window imports a file too big for its memo. The file is written to the
// temporary folder once, in blocks; peak memory is measured from outside:
//
//   /usr/bin/time -v build/rel/bench/add_wp_import
//
// Figures (Release build, shared build machine) are in the closing notes of
// the change that made the import stream.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "exchange/add_wp_import.h"

namespace {

const std::string& WptsFile() {
    static const std::string path = [] {
        const std::string p = (std::filesystem::temp_directory_path() / "tv_bench_50mb_wpts.gpx").string();
        FILE* f = std::fopen(p.c_str(), "wb");
        if (!f) return p;
        std::string block = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<gpx xmlns=\"http://www.topografix.com/GPX/1/0\">\r\n";
        std::size_t written = 0;
        for (int i = 0; written < 50u * 1024 * 1024; ++i) {
            const std::string code = std::to_string(100000 + i);
            block += "<wpt lat=\"48." + std::to_string(i % 100000) + "\" lon=\"9." + std::to_string(i % 7777) +
                     "\">\r\n  <time>2010-05-01T07:00:00</time>\r\n  <name>PK" + code + "</name>\r\n  <cmt>Parken am "
                     "Waldrand, Gr\xC3\xB6\xC3\x9F" "e Parkbucht & Wanderweg, Stra\xDF" "e " + code +
                     "</cmt>\r\n  <desc>GC" + code + " Parking Area</desc>\r\n  <url>http://www.wpts.test/"
                     "seek/wpt.aspx?WID=" + code + "</url>\r\n  <urlname>GC" + code +
                     " Parkplatz</urlname>\r\n  <sym>Parking Area</sym>\r\n  <type>Waypoint|Parking Area</type>\r\n"
                     "</wpt>\r\n";
            if (block.size() > (1 << 20)) {
                written += std::fwrite(block.data(), 1, block.size(), f);
                block.clear();
            }
        }
        block += "</gpx>\r\n";
        std::fwrite(block.data(), 1, block.size(), f);
        std::fclose(f);
        return p;
    }();
    return path;
}

void BM_AddWpImportFile_50MB(benchmark::State& state) {
    const std::string& gpx = WptsFile();
    const std::string store = (std::filesystem::temp_directory_path() / "tv_bench_CacheWaypoints.bin").string();
    int found = 0;
    for (auto _ : state) {
        std::filesystem::remove(store);
        const auto r = tv::ImportAddWaypointsFile(gpx, store);
        found = r.ok() ? r->after : -1;
        benchmark::DoNotOptimize(found);
    }
    state.counters["waypoints"] = found;
    state.counters["file_mb"] = static_cast<double>(std::filesystem::file_size(gpx)) / (1024.0 * 1024.0);
    std::filesystem::remove(store);
}

}  // namespace

BENCHMARK(BM_AddWpImportFile_50MB)->Unit(benchmark::kMillisecond)->Iterations(1);
