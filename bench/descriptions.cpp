// Writing 200 offline description pages from stored listing pages of about
// 1 MB each (long description and many logs), with the shipped template.
#include <benchmark/benchmark.h>
#include <stdlib.h>

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

std::string MakePage(std::size_t bytes) {
    std::string page =
        "<html>\r\n<body>\r\n<span id=\"CacheName\">Grosser Cache</span>\r\n"
        "<span id=\"CacheOwner\"><b><font size=\"2\">by Ich [<a href=\"p\">profile</a>]</font></b></span>\r\n"
        "<span id=\"DateHidden\">11/5/2007</span><span id=\"Difficulty\">**1/2</span>\r\n"
        "<span id=\"lnkDetails\"><strong>12</strong> user(s) watching this cache.</span>\r\n"
        "<span id=\"ShortDescription\"><p>Kurz <b>und</b> gut.</p></span>\r\n"
        "<BLOCKQUOTE><span id=\"LongDescription\">";
    const std::string para =
        "<p style=\"color: red\">Ein langer Absatz mit <font face=\"x\">Markup</font>, <img src=\"a.jpg\"> und "
        "<a href=\"http://x.test/\">Link</a>.<br>Zweite Zeile.</p>\r\n";
    while (page.size() < bytes / 3) page += para;
    page +=
        "</span></BLOCKQUOTE>\r\n<strong>Additional Hints</strong><br>\r\n"
        "<span id=\"Hints\" class=\"displayMe\">Hagre qrz Fgrva [Notfall]</span>\r\n"
        "<span id=\"NumVisits\"><b>500 Logs</b></span>\r\n"
        "<span id=\"CacheLogs\">\r\n<table width=\"90%\">\r\n";
    const char* icons[] = {"icon_smile.gif", "icon_sad.gif", "icon_note.gif", "icon_camera.gif"};
    for (int i = 0; page.size() < bytes; ++i) {
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
    const std::string page = MakePage(1 << 20);
    {
        std::ofstream out(dir + "GC1.html", std::ios::binary);
        out << page;
    }
    std::vector<std::string> codes{"GC1"};
    for (int i = 2; i <= kPages; ++i) {
        codes.push_back("GC" + std::to_string(i));
        fs::create_hard_link(dir + "GC1.html", dir + codes.back() + ".html");
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
    std::size_t written = 0;
    double seconds = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        tv::DescriptionGenerator gen(p);
        const tv::DescriptionRunResult r = gen.run();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (r.converted != kPages) state.SkipWithError("not every page was written");
        written = fs::file_size(dir + "GC1_converted.html");
    }
    // Milliseconds per MB of stored listing page, by the wall clock.
    const double mb = static_cast<double>(page.size()) / 1e6 * kPages * static_cast<double>(state.iterations());
    state.counters["ms_per_mb"] = seconds * 1000.0 / mb;
    state.counters["pages"] = kPages;
    state.counters["page_bytes"] = static_cast<double>(page.size());
    state.counters["converted_bytes"] = static_cast<double>(written);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kPages *
                            static_cast<std::int64_t>(page.size()));
    fs::remove_all(dir);
}
BENCHMARK(BM_Write200Descriptions)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
