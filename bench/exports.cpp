// The eight export formats writing 100,000 caches into a file, each timed
// twice: the writer alone from a list already in memory (BM_Export), and the
// whole run as the user starts it (BM_ExportWhole: the work list read, every
// code looked up in Caches.bin through its index file, the records written).
// Beside them gpsbabel writing the formats it knows (GPX, .loc, .wpt, CSV)
// from the same caches, whole as well (reading our 100,000-cache GPX file and
// writing the format, one process each), and gpsbabel reading that GPX file
// alone (all points dropped after reading, an empty GPX written), so that
// gpsbabel's writer share is its whole time minus its reading time.
// Every case is timed by the wall clock; the "CPU" column is this process's
// CPU time, which for the gpsbabel cases leaves out the child, whose CPU time
// per run is given as "child_cpu_ms" instead.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/cache_db.h"
#include "core/file_procs.h"
#include "exchange/export_run.h"

#include "bench/bench_data.h"
#include "exchange/export_formats.h"
#include "exchange/export_sink.h"
#include "platform/text_encoding.h"

namespace {

constexpr int kCaches = 100000;

using tv::ExportList;

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
BENCHMARK(BM_Export)->DenseRange(0, 7)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole run of the dialog for the work-list source: WPList.txt holds
// every code in list order, Caches.bin the records in another order (sorted
// by code) with its index file beside it, as the program keeps them. The
// in-memory index is dropped before each run, so each run reads Caches.idx.
void BM_ExportWhole(benchmark::State& state) {
    tvbench::WorkFolder work("exports-whole");
    ExportList sorted = Caches();
    std::sort(sorted.begin(), sorted.end(),
              [](const tv::TCacheRec& a, const tv::TCacheRec& b) { return a.Waypoint.view() < b.Waypoint.view(); });
    std::string list;
    for (const tv::TCacheRec& r : Caches()) list += r.Waypoint.str() + "\r\n";
    if (!tv::WriteCacheFile(work.str() + "Caches.bin", sorted).ok() || tv::BuildCacheIndex() != 0 ||
        !tv::WriteFileAtomic(work.str() + "WPList.txt", list))
        return state.SkipWithError("no database");
    tv::ExportRequest q;
    q.options = tv::DefaultExportOptions();
    q.options.format = static_cast<int>(state.range(0));
    q.options.xml = {"<loc>",
                     "<waypoint><name id=\"#WAYPOINT#\">#CACHENAME_INT#</name><coord lat=\"#LAT#\" lon=\"#LON#\"/>"
                     "</waypoint>",
                     "</loc>"};
    q.source = tv::ExportSource::WorkList;
    q.context = Context(work.str());
    const tv::ExportFormat* format = tv::FindExportFormat(q.options.format);
    q.outPath = work.str() + "out." + format->extension;
    for (auto _ : state) {
        tv::CacheIndexList.Clear();
        const tv::ExportResult r = tv::RunExport(q);
        if (r.written != kCaches || r.readError != 0 || r.writeError != 0) state.SkipWithError("export failed");
    }
    state.SetLabel(format->extension);
    state.SetItemsProcessed(state.iterations() * kCaches);
}
BENCHMARK(BM_ExportWhole)->DenseRange(0, 7)->Unit(benchmark::kMillisecond)->UseRealTime();

// User and system CPU time of the finished child processes (the shell and
// gpsbabel), in seconds.
double ChildCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Our GPX file of the caches, as gpsbabel reads it.
std::string WriteGpxInput(const tvbench::WorkFolder& work) {
    tv::ExportOptions o = tv::DefaultExportOptions();
    o.gpx.outputHome = false;
    tv::FileSink sink(work.str() + "in.gpx");
    tv::FindExportFormat(tv::kFmtGpx)->write(Caches(), o, Context(work.str()), sink);
    sink.Close();
    return work.str() + "in.gpx";
}

void BM_Gpsbabel(benchmark::State& state) {
    static const char* const kOut[] = {"gpx", "geo", "ozi", "unicsv"};
    if (std::system("command -v gpsbabel >/dev/null 2>&1") != 0) return state.SkipWithError("no gpsbabel");
    tvbench::WorkFolder work("exports-babel");
    const std::string in = WriteGpxInput(work);
    const std::string cmd = std::string("gpsbabel -i gpx -f ") + in + " -o " + kOut[state.range(0)] + " -F " +
                            work.str() + "out >/dev/null 2>&1";
    const double cpu0 = ChildCpuSeconds();
    for (auto _ : state)
        if (std::system(cmd.c_str()) != 0) state.SkipWithError("gpsbabel failed");
    state.counters["child_cpu_ms"] = (ChildCpuSeconds() - cpu0) * 1000.0 / static_cast<double>(state.iterations());
    state.SetLabel(kOut[state.range(0)]);
    state.SetItemsProcessed(state.iterations() * kCaches);
}
BENCHMARK(BM_Gpsbabel)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// gpsbabel's reading alone: the same GPX file read, every point dropped by the
// nuke filter, an empty GPX file written.
void BM_GpsbabelReadOnly(benchmark::State& state) {
    if (std::system("command -v gpsbabel >/dev/null 2>&1") != 0) return state.SkipWithError("no gpsbabel");
    tvbench::WorkFolder work("exports-babel-read");
    const std::string in = WriteGpxInput(work);
    state.counters["gpx_mb"] = static_cast<double>(std::filesystem::file_size(in)) / 1e6;
    const std::string cmd = "gpsbabel -i gpx -f " + in + " -x nuketypes,waypoints,tracks,routes -o gpx -F " +
                            work.str() + "out >/dev/null 2>&1";
    const double cpu0 = ChildCpuSeconds();
    for (auto _ : state)
        if (std::system(cmd.c_str()) != 0) state.SkipWithError("gpsbabel failed");
    state.counters["child_cpu_ms"] = (ChildCpuSeconds() - cpu0) * 1000.0 / static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations() * kCaches);
}
BENCHMARK(BM_GpsbabelReadOnly)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
