// A pocket query of 10,000 caches (about 70 MB: descriptions and logs as
// real queries carry them) imported into an empty database, against gpsbabel
// converting the same file to unicsv. The second case prints the ratio of the
// mean times; "peak_MiB" is this process's peak memory after the import.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/bench_data.h"
#include "core/cache_db.h"
#include "exchange/gpx_import.h"

namespace {

constexpr int kCaches = 10000;

std::string Filler(int i, std::size_t bytes) {
    std::string s;
    while (s.size() < bytes)
        s += "Ein sch&#246;ner Weg &amp; ein Stra\xC3\x9F" "enschild, Nummer " + std::to_string(i) + ". ";
    return s;
}

struct PocketQuery {
    tvbench::WorkFolder folder{"gpx-bench"};
    std::string path = folder.str() + "pq.gpx";

    PocketQuery() {
        std::ofstream f(path, std::ios::binary);
        f << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<gpx xmlns=\"http://www.topografix.com/GPX/1/0\" "
             "version=\"1.0\" creator=\"bench\">\r\n  <name>Bench</name>\r\n";
        for (int i = 0; i < kCaches; ++i) {
            const std::string code = tvbench::ScatteredWaypointCode(i);
            char coords[64];
            std::snprintf(coords, sizeof coords, "lat=\"%.6f\" lon=\"%.6f\"", 47.3 + (i % 700) * 0.01,
                          5.9 + (i / 700) * 0.6);
            f << "  <wpt " << coords << ">\r\n    <time>2008-01-09T08:00:00Z</time>\r\n    <name>" << code
              << "</name>\r\n    <urlname>Cache " << i << " &amp; Co</urlname>\r\n    <sym>Geocache</sym>\r\n"
              << "    <groundspeak:cache id=\"" << 100000 + i
              << "\" available=\"True\" archived=\"False\" xmlns:groundspeak=\"http://www.groundspeak.com/cache/1/0\">\r\n"
              << "      <groundspeak:name>Cache " << i << "</groundspeak:name>\r\n"
              << "      <groundspeak:placed_by>Owner " << i % 97 << "</groundspeak:placed_by>\r\n"
              << "      <groundspeak:type>Traditional Cache</groundspeak:type>\r\n"
              << "      <groundspeak:container>Small</groundspeak:container>\r\n"
              << "      <groundspeak:difficulty>2</groundspeak:difficulty>\r\n"
              << "      <groundspeak:terrain>1.5</groundspeak:terrain>\r\n"
              << "      <groundspeak:country>Germany</groundspeak:country>\r\n"
              << "      <groundspeak:short_description html=\"False\">" << Filler(i, 200)
              << "</groundspeak:short_description>\r\n"
              << "      <groundspeak:long_description html=\"True\">&lt;p&gt;" << Filler(i, 2000)
              << "&lt;/p&gt;</groundspeak:long_description>\r\n"
              << "      <groundspeak:encoded_hints>Unter dem Stein</groundspeak:encoded_hints>\r\n"
              << "      <groundspeak:logs>\r\n";
            for (int k = 0; k < 5; ++k)
                f << "        <groundspeak:log id=\"" << i * 5 + k << "\">\r\n"
                  << "          <groundspeak:date>2011-07-2" << k << "T19:00:00</groundspeak:date>\r\n"
                  << "          <groundspeak:type>Found it</groundspeak:type>\r\n"
                  << "          <groundspeak:finder id=\"1\">Finder " << k << "</groundspeak:finder>\r\n"
                  << "          <groundspeak:text encoded=\"False\">" << Filler(k, 400)
                  << "</groundspeak:text>\r\n        </groundspeak:log>\r\n";
            f << "      </groundspeak:logs>\r\n    </groundspeak:cache>\r\n  </wpt>\r\n";
        }
        f << "</gpx>\r\n";
    }
};

PocketQuery& Query() {
    static PocketQuery q;
    return q;
}

double g_importSeconds = 0.0;
double g_importCpu = 0.0;

// User and system CPU seconds of this process or of its finished children.
double CpuSeconds(int who) {
    rusage ru{};
    getrusage(who, &ru);
    return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

void BM_GpxImport(benchmark::State& state) {
    PocketQuery& q = Query();
    int imported = 0;
    double seconds = 0.0;
    const double cpu0 = CpuSeconds(RUSAGE_SELF);
    for (auto _ : state) {
        std::filesystem::remove(q.folder.str() + "Caches.bin");
        std::filesystem::remove(q.folder.str() + "Caches.idx");
        tv::CacheIndexList.Clear();
        const auto t0 = std::chrono::steady_clock::now();
        tv::GpxImportSession s(tv::GpxImportParams{q.path, tv::LatLon{49.5, 10.75}, [](std::string_view) { return 0; }});
        const tv::GpxPass1Result& r = s.pass1();
        std::vector<std::string> lines;
        for (const auto& e : r.entries) lines.push_back(tv::GpxListLine(e));
        imported = s.pass2(lines, tv::GpxPass2Options{}).added;
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    g_importSeconds = seconds / static_cast<double>(state.iterations());
    g_importCpu = (CpuSeconds(RUSAGE_SELF) - cpu0) / static_cast<double>(state.iterations());
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    state.counters["caches"] = imported;
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(q.path)) / 1e6;
    state.counters["peak_MiB"] = static_cast<double>(ru.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_GpxImport)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_GpsbabelUnicsv(benchmark::State& state) {
    const std::string cmd = "gpsbabel -i gpx -f '" + Query().path + "' -o unicsv -F /dev/null";
    double seconds = 0.0;
    const double cpu0 = CpuSeconds(RUSAGE_CHILDREN);
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        if (std::system(cmd.c_str()) != 0) state.SkipWithError("gpsbabel failed");
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    seconds /= static_cast<double>(state.iterations());
    const double cpu = (CpuSeconds(RUSAGE_CHILDREN) - cpu0) / static_cast<double>(state.iterations());
    state.counters["import_to_gpsbabel"] = seconds > 0 ? g_importSeconds / seconds : 0.0;
    // The same in CPU time, which a busy machine disturbs less.
    state.counters["cpu_ratio"] = cpu > 0 ? g_importCpu / cpu : 0.0;
}
BENCHMARK(BM_GpsbabelUnicsv)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
