// Writing 200 offline description pages from 200 distinct stored listing
// pages of about 1 MB each (long description and many logs, each page with
// its own name, texts and log rows), with the shipped template. Every page
// is written through the atomic writer (the file is flushed to the disk
// before the rename and the folder after it: two fsyncs per page), so the
// wall time includes the disk.
//
// Clocks: "Time" and "bytes_per_second" are wall time; "wall_ms_per_mb" is
// the same by the wall clock, "cpu_ms_per_mb" the CPU time of the process
// (user and system) for the same work, which leaves out the waits for the
// disk.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <time.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/proc_settings.h"
#include "pages/description_generator.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kHost = "gc.test";
constexpr int kPages = 200;

// The stored page of cache number `n`: about `bytes` long, its texts and
// log rows numbered by `n`.
std::string MakePage(std::size_t bytes, int n) {
    const std::string no = std::to_string(n);
    std::string page =
        "<html>\r\n<body>\r\n<span id=\"CacheName\">Grosser Cache " + no + "</span>\r\n"
        "<span id=\"CacheOwner\"><b><font size=\"2\">by Ich [<a href=\"p\">profile</a>]</font></b></span>\r\n"
        "<span id=\"DateHidden\">11/5/2007</span><span id=\"Difficulty\">**1/2</span>\r\n"
        "<span id=\"lnkDetails\"><strong>12</strong> user(s) watching this cache.</span>\r\n"
        "<span id=\"ShortDescription\"><p>Kurz <b>und</b> gut.</p></span>\r\n"
        "<BLOCKQUOTE><span id=\"LongDescription\">";
    for (int k = 0; page.size() < bytes / 3; ++k)
        page += "<p style=\"color: red\">Absatz " + std::to_string(k) + " von Cache " + no +
                " mit <font face=\"x\">Markup</font>, <img src=\"a" + std::to_string(k % 7) +
                ".jpg\"> und <a href=\"http://x.test/" + no + "\">Link</a>.<br>Zweite Zeile.</p>\r\n";
    page +=
        "</span></BLOCKQUOTE>\r\n<strong>Additional Hints</strong><br>\r\n"
        "<span id=\"Hints\" class=\"displayMe\">Hagre qrz Fgrva [Notfall]</span>\r\n"
        "<span id=\"NumVisits\"><b>500 Logs</b></span>\r\n"
        "<span id=\"CacheLogs\">\r\n<table width=\"90%\">\r\n";
    const char* icons[] = {"icon_smile.gif", "icon_sad.gif", "icon_note.gif", "icon_camera.gif"};
    for (int i = n * 100000; page.size() < bytes; ++i) {
        page += "<tr><td class=\"Log\"><strong><img src='http://" + std::string(kHost) + "/images/icons/" +
                icons[i % 4] + "' align='absmiddle'>&nbsp;November 7, 2007 by <a name=\"" + std::to_string(i) +
                "\"><a href=\"http://" + kHost + "/profile/?guid=" + std::to_string(i) + "\">Finder " +
                std::to_string(i) + "</a></strong> (12 found)<br>Danke fuer den schoenen Cache, wir hatten viel "
                "Spass bei der Suche.<br><br>[<a href=\"log.aspx?LUID=" + std::to_string(i) +
                "\">visit log</a>]</td></tr>\r\n";
    }
    page += "</table>\r\n</span>\r\n</body>\r\n</html>\r\n";
    return page;
}

void BM_Write200Descriptions(benchmark::State& state) {
    char name[] = "/tmp/tv-description-bench-XXXXXX";
    const char* made = mkdtemp(name);
    if (!made) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string dir = std::string(made) + "/";
    tv::ProcSettings.WorkDir = dir;
    std::vector<std::string> codes;
    double inputBytes = 0;
    for (int i = 1; i <= kPages; ++i) {
        codes.push_back("GC" + std::to_string(i));
        const std::string page = MakePage(1 << 20, i);
        std::ofstream out(dir + codes.back() + ".html", std::ios::binary);
        out << page;
        inputBytes += static_cast<double>(page.size());
    }
    tv::DescriptionRunParams p;
    p.waypoints = codes;
    p.templateText = tv::LoadDescriptionTemplate(std::string(TV_SOURCE_DATA_DIR) + "/template.html");
    p.outDir = dir;
    p.workDir = dir;
    p.site.host = kHost;
    p.options.maxLogs = "";
    p.options.hints = tv::kHintsRot13;
    p.home = tv::DescriptionHome{"HOME", 48.0, 8.0};
    double written = 0;
    double wall = 0, cpu = 0;
    const auto cpuSeconds = [] {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
    };
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        const double c0 = cpuSeconds();
        tv::DescriptionGenerator gen(p);
        const tv::DescriptionRunResult r = gen.run();
        cpu += cpuSeconds() - c0;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (r.converted != kPages) state.SkipWithError("not every page was written");
        written = 0;
        for (const std::string& code : codes) written += static_cast<double>(fs::file_size(dir + code + "_converted.html"));
    }
    // Milliseconds per MB of stored listing page.
    const double mb = inputBytes / 1e6 * static_cast<double>(state.iterations());
    state.counters["wall_ms_per_mb"] = wall * 1000.0 / mb;
    state.counters["cpu_ms_per_mb"] = cpu * 1000.0 / mb;
    state.counters["pages"] = kPages;
    state.counters["input_mb"] = inputBytes / 1e6;
    state.counters["converted_mb"] = written / 1e6;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(inputBytes));
    fs::remove_all(dir);
}
BENCHMARK(BM_Write200Descriptions)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
