// Conversion of a national list into a new cache database (records and
// index), beside the same list loaded into SQLite through its C API (one
// transaction, prepared insert of the same fields, then an index on the
// code), at 50,000, 500,000 and 1,000,000 lines; and the merge of a
// 500,000-line list (half of it known, half new) into a database of 500,000
// caches, index rebuild included. Both conversions read the list the same
// way: in blocks of 1 MiB with read(), split into lines as they come, so
// neither holds the whole list in memory. Each case reports the peak
// resident memory the process reached while it ran ("peak_rss_mb": the
// kernel's high-water mark, reset before each run, so the resident set left
// by earlier cases is part of it) and how far that peak rose above the
// resident set at the start of the run ("mb_above_start"). Times are wall
// times.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "acquire/national_db.h"
#include "bench/bench_data.h"
#include "core/cache_db.h"
#include "core/proc_settings.h"

namespace {

namespace fs = std::filesystem;
constexpr int kMergeLines = 500000;

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
    std::map<int, std::string> lists;  // line count -> file
    Folder() {
        tv::ProcSettings.HomeLat = 49.5;
        tv::ProcSettings.HomeLong = 10.75;
        // Half known (the second half of the first list), half new.
        std::ofstream(dir + "second.txt", std::ios::binary) << ListText(kMergeLines / 2, kMergeLines);
    }
    const std::string& List(int lines) {
        auto& name = lists[lines];
        if (name.empty()) {
            name = dir + "list" + std::to_string(lines) + ".txt";
            std::ofstream(name, std::ios::binary) << ListText(0, lines);
        }
        return name;
    }
};

Folder& Data() {
    static Folder f;
    return f;
}

int Convert(const std::string& list, const std::string& dest) {
    tv::NationalDbConverter c;
    c.SetSourceName(list);
    c.SetDestName(dest);
    return c.ConverteHTTP(false);
}

void BM_ConvertNewDatabase(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    const std::string& list = Data().List(lines);
    const std::string dest = Data().dir + "Caches.bin";
    double peak = 0, above = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(dest);
        fs::remove(Data().dir + "Caches.idx");
        tvbench::ResetPeakRss();
        const double start = tvbench::RssMb();
        state.ResumeTiming();
        if (Convert(list, dest) != lines) state.SkipWithError("conversion failed");
        // What the program does after every conversion; the index was written with the records.
        if (tv::BuildCacheIndex() != 0) state.SkipWithError("no index");
        peak = std::max(peak, tvbench::PeakRssMb());
        above = std::max(above, tvbench::PeakRssMb() - start);
    }
    state.counters["lines/s"] = benchmark::Counter(lines, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["list_mb"] = static_cast<double>(fs::file_size(list)) / 1e6;
    state.counters["peak_rss_mb"] = peak;
    state.counters["mb_above_start"] = above;
}
BENCHMARK(BM_ConvertNewDatabase)->Arg(50000)->Arg(500000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The reference: the same fields of the same list into SQLite, one
// transaction, then an index on the code. Fields are split as the list
// format says (id, quoted name, date, position, quoted type and size, code,
// one dropped token, difficulty, terrain), without entity decoding.
// Calls `line(text)` for every line of the file (CR LF or LF), reading it in
// blocks of 1 MiB as the converter does; false on a read error.
template <typename Fn>
bool ForEachLine(const std::string& path, Fn&& line) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::vector<char> buf(1u << 20);
    std::string carry;
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0) break;
        std::string_view rest(buf.data(), static_cast<std::size_t>(n));
        for (std::size_t eol; (eol = rest.find('\n')) != std::string_view::npos; rest.remove_prefix(eol + 1)) {
            std::string_view l = rest.substr(0, eol);
            if (!carry.empty()) {
                carry.append(l);
                l = carry;
            }
            if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
            line(l);
            carry.clear();
        }
        carry.append(rest);
    }
    if (ok && !carry.empty()) line(std::string_view(carry));
    ::close(fd);
    return ok;
}

bool SqliteImport(const std::string& list, const std::string& dbPath, int& rows) {
    sqlite3* db = nullptr;
    if (sqlite3_open(dbPath.c_str(), &db) != SQLITE_OK) return false;
    bool ok = sqlite3_exec(db,
                           "CREATE TABLE caches(id INTEGER, name TEXT, hidden TEXT, lat REAL, lon REAL, type TEXT, "
                           "size TEXT, code TEXT, diff TEXT, terr TEXT); BEGIN;",
                           nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* ins = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "INSERT INTO caches VALUES(?,?,?,?,?,?,?,?,?,?)", -1, &ins, nullptr) == SQLITE_OK;
    rows = 0;
    // A failed insert sets `ok` and makes the rest of the lines pass by.
    const bool read = ok && ForEachLine(list, [&](std::string_view line) {
        if (!ok || line.empty() || line.front() == '#') return;
        auto token = [&line]() {
            while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
            const std::size_t b = line.find(' ');
            const std::string_view t = line.substr(0, b);
            line = b == std::string_view::npos ? std::string_view() : line.substr(b + 1);
            return t;
        };
        auto quoted = [&line]() {
            const std::size_t a = line.find('"');
            const std::size_t b = a == std::string_view::npos ? a : line.find('"', a + 1);
            if (b == std::string_view::npos) return std::string_view();
            const std::string_view t = line.substr(a + 1, b - a - 1);
            line = line.substr(b + 1);
            return t;
        };
        const std::string_view id = token();
        const std::string_view name = quoted();
        const std::string_view y = token(), m = token(), d = token();
        const std::string_view lat = token(), lon = token();
        const std::string_view type = quoted(), size = quoted();
        const std::string_view code = token();
        token();
        const std::string_view diff = token(), terr = token();
        long long idv = 0;
        std::from_chars(id.data(), id.data() + id.size(), idv);
        double la = 0, lo = 0;
        std::from_chars(lat.data(), lat.data() + lat.size(), la);
        std::from_chars(lon.data(), lon.data() + lon.size(), lo);
        const std::string hidden = std::string(y) + "-" + std::string(m) + "-" + std::string(d);
        sqlite3_bind_int64(ins, 1, idv);
        sqlite3_bind_text(ins, 2, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
        sqlite3_bind_text(ins, 3, hidden.data(), static_cast<int>(hidden.size()), SQLITE_TRANSIENT);
        sqlite3_bind_double(ins, 4, la);
        sqlite3_bind_double(ins, 5, lo);
        sqlite3_bind_text(ins, 6, type.data(), static_cast<int>(type.size()), SQLITE_STATIC);
        sqlite3_bind_text(ins, 7, size.data(), static_cast<int>(size.size()), SQLITE_STATIC);
        sqlite3_bind_text(ins, 8, code.data(), static_cast<int>(code.size()), SQLITE_STATIC);
        sqlite3_bind_text(ins, 9, diff.data(), static_cast<int>(diff.size()), SQLITE_STATIC);
        sqlite3_bind_text(ins, 10, terr.data(), static_cast<int>(terr.size()), SQLITE_STATIC);
        ok = sqlite3_step(ins) == SQLITE_DONE;
        sqlite3_reset(ins);
        ++rows;
    });
    ok = ok && read;
    sqlite3_finalize(ins);
    ok = ok && sqlite3_exec(db, "COMMIT; CREATE INDEX caches_code ON caches(code);", nullptr, nullptr, nullptr) ==
                   SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

void BM_SqliteReference(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    const std::string& list = Data().List(lines);
    const std::string dbPath = Data().dir + "reference.sqlite";
    double peak = 0, above = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(dbPath);
        tvbench::ResetPeakRss();
        const double start = tvbench::RssMb();
        state.ResumeTiming();
        int rows = 0;
        if (!SqliteImport(list, dbPath, rows) || rows != lines) state.SkipWithError("SQLite import failed");
        peak = std::max(peak, tvbench::PeakRssMb());
        above = std::max(above, tvbench::PeakRssMb() - start);
    }
    state.counters["lines/s"] = benchmark::Counter(lines, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["peak_rss_mb"] = peak;
    state.counters["mb_above_start"] = above;
}
BENCHMARK(BM_SqliteReference)->Arg(50000)->Arg(500000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MergeIntoDatabase(benchmark::State& state) {
    const std::string dest = Data().dir + "Caches.bin";
    const std::string base = Data().dir + "base.bin";
    fs::remove(dest);
    if (Convert(Data().List(kMergeLines), dest) != kMergeLines) state.SkipWithError("conversion failed");
    fs::copy_file(dest, base, fs::copy_options::overwrite_existing);
    int added = 0;
    double peak = 0, above = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(base, dest, fs::copy_options::overwrite_existing);
        tv::BuildCacheIndex();
        tvbench::ResetPeakRss();
        const double start = tvbench::RssMb();
        state.ResumeTiming();
        tv::NationalDbConverter c;
        c.SetSourceName(Data().dir + "second.txt");
        c.SetDestName(dest);
        if (c.ConverteHTTP(false) != kMergeLines) state.SkipWithError("merge failed");
        added = c.GetNewCount();
        tv::BuildCacheIndex();
        peak = std::max(peak, tvbench::PeakRssMb());
        above = std::max(above, tvbench::PeakRssMb() - start);
    }
    if (added != kMergeLines / 2) state.SkipWithError("wrong number of new caches");
    state.counters["new"] = added;
    state.counters["lines/s"] = benchmark::Counter(kMergeLines, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["peak_rss_mb"] = peak;
    state.counters["mb_above_start"] = above;
}
BENCHMARK(BM_MergeIntoDatabase)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
