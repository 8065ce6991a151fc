// The eight export formats writing 100,000 caches into a file, and gpsbabel
// writing the formats it knows (GPX, .loc, .wpt, CSV) from the same caches
// (read from our GPX file). The gpsbabel figures include its reading of the
// GPX input, which cannot be separated from its writing.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "bench/bench_data.h"
#include "exchange/export_formats.h"
#include "exchange/export_sink.h"
#include "platform/text_encoding.h"

namespace {

constexpr int kCaches = 100000;

const tv::ExportList& Caches() {
    static const tv::ExportList list = [] {
        tv::ExportList l;
        const char* types[] = {"Traditional Cache", "Multi-cache", "Unknown Cache", "Earthcache"};
        const char* sizes[] = {"Micro", "Small", "Regular", "Large"};
        for (int i = 0; i < kCaches; ++i) {
            tv::TCacheRec r;
            r.Id = i;
            r.Waypoint = tvbench::ScatteredWaypointCode(i);
            r.Name = tv::W("Schöne Aussicht über dem Tal Nr. ") + std::to_string(i);
            r.Lat = 47.0 + (i % 5000) * 0.001;
            r.Lon = 6.0 + (i / 5000) * 0.05;
            r.CacheType = types[i % 4];
            r.Size = sizes[i % 4];
            r.Difficulty = "1.5";
            r.Terrain = "3";
            r.Hidden = 38000 + i % 3000;
            l.push_back(r);
        }
        return l;
    }();
    return list;
}

tv::ExportContext Context(const std::string& work) {
    tv::ExportContext c;
    c.workDir = work;
    c.homeLat = 49.45;
    c.homeLon = 11.08;
    c.distanceRef = {49.45, 11.08};
    return c;
}

void BM_Export(benchmark::State& state) {
    tvbench::WorkFolder work("exports-bench");
    const tv::ExportFormat* format = tv::FindExportFormat(static_cast<int>(state.range(0)));
    tv::ExportOptions o = tv::DefaultExportOptions();
    o.xml = {"<loc>",
             "<waypoint><name id=\"#WAYPOINT#\">#CACHENAME_INT#</name><coord lat=\"#LAT#\" lon=\"#LON#\"/>"
             "</waypoint>",
             "</loc>"};
    const tv::ExportContext ctx = Context(work.str());
    for (auto _ : state) {
        tv::FileSink sink(work.str() + "out." + format->extension);
        benchmark::DoNotOptimize(format->write(Caches(), o, ctx, sink));
        if (sink.Close() != 0) state.SkipWithError("write failed");
    }
    state.SetLabel(format->extension);
    state.SetItemsProcessed(state.iterations() * kCaches);
}
BENCHMARK(BM_Export)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);

void BM_Gpsbabel(benchmark::State& state) {
    static const char* const kOut[] = {"gpx", "geo", "ozi", "unicsv"};
    if (std::system("command -v gpsbabel >/dev/null 2>&1") != 0) return state.SkipWithError("no gpsbabel");
    tvbench::WorkFolder work("exports-babel");
    tv::ExportOptions o = tv::DefaultExportOptions();
    o.gpx.outputHome = false;
    {
        tv::FileSink sink(work.str() + "in.gpx");
        tv::FindExportFormat(tv::kFmtGpx)->write(Caches(), o, Context(work.str()), sink);
        sink.Close();
    }
    const std::string cmd = std::string("gpsbabel -i gpx -f ") + work.str() + "in.gpx -o " + kOut[state.range(0)] +
                            " -F " + work.str() + "out >/dev/null 2>&1";
    for (auto _ : state)
        if (std::system(cmd.c_str()) != 0) state.SkipWithError("gpsbabel failed");
    state.SetLabel(kOut[state.range(0)]);
    state.SetItemsProcessed(state.iterations() * kCaches);
}
BENCHMARK(BM_Gpsbabel)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

}  // namespace
