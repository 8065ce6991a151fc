// Caches along a route at national scale: 500,000 caches spread over Germany
// against a route of 10,000 points (about 1,000 km), 3 km either side. The
// grid search is what the window runs; the full test of every cache at every
// sample is the reference it must equal (run with a shorter route, it grows
// with samples x caches).
//
// Reading an overlay route (*.ovl) of 100,000 points: see BM_OverlayRoute.
//
// Release build, one core of the build machine: the grid search takes about
// 120 ms (4,755 caches found; the grid is built inside the timing); testing
// every cache takes 5.5 s for just 100 route points, so about 9 minutes for
// the whole route.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "geo/route_files.h"
#include "geo/route_search.h"

namespace {

const std::vector<tv::RouteIndexEntry>& Caches() {
    static const std::vector<tv::RouteIndexEntry> caches = [] {
        std::mt19937 rng(42);
        std::uniform_real_distribution<double> lat(47.3, 55.0), lon(5.9, 15.0);
        std::vector<tv::RouteIndexEntry> v(500000);
        for (std::size_t i = 0; i < v.size(); ++i) {
            v[i].code = "GC" + std::to_string(100000 + i);
            v[i].lat = lat(rng);
            v[i].lon = lon(rng);
            v[i].recNo = static_cast<std::int32_t>(i);
        }
        return v;
    }();
    return caches;
}

// A winding route from the south-west to the north-east, 100 m per point.
std::vector<tv::LatLon> Route(int points) {
    std::vector<tv::LatLon> r;
    for (int i = 0; i < points; ++i) {
        const double t = static_cast<double>(i) / 10000.0;
        r.push_back({47.6 + 6.5 * t + 0.05 * std::sin(i / 300.0), 7.6 + 6.0 * t + 0.05 * std::cos(i / 250.0)});
    }
    return r;
}

void Run(benchmark::State& state, bool prefilter, int points) {
    tv::RouteSearchParams p;
    p.index = &Caches();
    p.route = Route(points);
    p.maxDistKm = 3.0;
    p.home = tv::LatLon{49.5, 10.75};
    p.usePrefilter = prefilter;
    std::size_t hits = 0;
    for (auto _ : state) {
        const auto r = tv::SearchAlongRoute(p);
        hits = r.hits.size();
        benchmark::DoNotOptimize(hits);
    }
    state.counters["caches_found"] = static_cast<double>(hits);
}

// An overlay file of `points` points in one [Symbol 1] section, as the
// route window reads it: every point looks up two keys of that section.
std::string OverlayText(int points) {
    std::string text = "[Symbol 1]\r\nTyp=3\r\nPunkte=" + std::to_string(points) + "\r\n";
    for (int i = 0; i < points; ++i) {
        const double t = static_cast<double>(i) / points;
        text += "XKoord" + std::to_string(i) + "=" + std::to_string(7.6 + 6.0 * t) + "\r\n";
        text += "YKoord" + std::to_string(i) + "=" + std::to_string(47.6 + 6.5 * t) + "\r\n";
    }
    return text;
}

void BM_OverlayRoute(benchmark::State& state) {
    const std::string text = OverlayText(static_cast<int>(state.range(0)));
    std::size_t points = 0;
    for (auto _ : state) {
        const tv::RouteReadResult r = tv::ReadOverlayRoute(text);
        points = r.points.size();
        benchmark::DoNotOptimize(points);
    }
    state.counters["points_read"] = static_cast<double>(points);
}

void BM_RouteGrid_10000Points(benchmark::State& state) { Run(state, true, 10000); }
void BM_RouteEveryCache_100Points(benchmark::State& state) { Run(state, false, 100); }

}  // namespace

BENCHMARK(BM_OverlayRoute)->Arg(40000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RouteGrid_10000Points)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RouteEveryCache_100Points)->Unit(benchmark::kMillisecond)->Iterations(1);
