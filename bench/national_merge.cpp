// Conversion of a national list of 500,000 lines into a new cache database,
// and the merge of another 500,000-line list (half of it known, half new)
// into a database of 500,000 caches, index rebuild included.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "acquire/national_db.h"
#include "bench/bench_data.h"
#include "core/cache_db.h"
#include "core/proc_settings.h"

namespace {

namespace fs = std::filesystem;
constexpr int kLines = 500000;

std::string Code(int n) {
    static const char digits[] = "0123456789ABCDEFGHJKMNPQRTVWXYZ";
    std::string s;
    do {
        s.insert(s.begin(), digits[n % 31]);
        n /= 31;
    } while (n > 0);
    return "GC" + s;
}

std::string ListText(int from, int count) {
    std::string out;
    out.reserve(static_cast<std::size_t>(count) * 120);
    for (int i = from; i < from + count; ++i) {
        const double lat = 47.3 + (i % 5000) * 0.001;
        const double lon = 6.0 + (i / 5000 % 100) * 0.08;
        out += std::to_string(1000000 + i) + " \"Bench cache number " + std::to_string(i) + "\" 2005 6 " +
               std::to_string(1 + i % 28) + " " + std::to_string(lat) + " " + std::to_string(lon) +
               " \"Traditional Cache\" \"Regular\" " + Code(i) + " x 2.5 1.5\r\n";
    }
    return out;
}

struct Folder {
    tvbench::WorkFolder work{"national-bench"};
    const std::string dir = work.str();
    Folder() {
        tv::ProcSettings.HomeLat = 49.5;
        tv::ProcSettings.HomeLong = 10.75;
        std::ofstream(dir + "first.txt", std::ios::binary) << ListText(0, kLines);
        // Half known (the second half of the first list), half new.
        std::ofstream(dir + "second.txt", std::ios::binary) << ListText(kLines / 2, kLines);
    }
};

Folder& Data() {
    static Folder f;
    return f;
}

int Convert(const std::string& list, const std::string& dest) {
    tv::NationalDbConverter c;
    c.SetSourceName(Data().dir + list);
    c.SetDestName(dest);
    return c.ConverteHTTP(false);
}

void BM_ConvertNewDatabase(benchmark::State& state) {
    const std::string dest = Data().dir + "Caches.bin";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(dest);
        state.ResumeTiming();
        if (Convert("first.txt", dest) != kLines) state.SkipWithError("conversion failed");
    }
    state.counters["lines/s"] = benchmark::Counter(kLines, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ConvertNewDatabase)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MergeIntoDatabase(benchmark::State& state) {
    const std::string dest = Data().dir + "Caches.bin";
    const std::string base = Data().dir + "base.bin";
    fs::remove(dest);
    if (Convert("first.txt", dest) != kLines) state.SkipWithError("conversion failed");
    fs::copy_file(dest, base, fs::copy_options::overwrite_existing);
    int added = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(base, dest, fs::copy_options::overwrite_existing);
        tv::BuildCacheIndex();
        state.ResumeTiming();
        tv::NationalDbConverter c;
        c.SetSourceName(Data().dir + "second.txt");
        c.SetDestName(dest);
        if (c.ConverteHTTP(false) != kLines) state.SkipWithError("merge failed");
        added = c.GetNewCount();
    }
    if (added != kLines / 2) state.SkipWithError("wrong number of new caches");
    state.counters["new"] = added;
    state.counters["lines/s"] = benchmark::Counter(kLines, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_MergeIntoDatabase)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
