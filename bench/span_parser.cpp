// Parsing a large stored listing page: every section through the reader and
// the cleaning, the logs flattened as the description generator does.
#include <benchmark/benchmark.h>

#include <string>

#include "acquire/span_parser.h"

namespace {

constexpr const char* kHost = "127.0.0.1:8089";

// A listing page of about `bytes` bytes, most of it `logs` log rows with
// icons, links and markup, the way the listing site writes them.
std::string MakePage(std::size_t bytes, int logs) {
    std::string page =
        "<html><body>\r\n<span id=\"CacheName\">Grosser Cache</span>\r\n"
        "<span id=\"CacheOwner\"><b><font size=\"2\">by Ich [<a href=\"p\">profile</a>]</font></b></span>\r\n"
        "<span id=\"DateHidden\">11/5/2007</span><span id=\"Difficulty\">**1/2</span>\r\n"
        "<span id=\"LatLon\"><font><strong>N 48\xC2\xB0 12.345 E 011\xC2\xB0 34.567</strong></font><br /></span>\r\n"
        "<span id=\"lnkDetails\"><strong>12</strong> user(s) watching this cache.</span>\r\n"
        "<BLOCKQUOTE><span id=\"LongDescription\">";
    const std::string para =
        "<p>Ein langer Absatz der Beschreibung mit <b>Markup</b> und <span>Spannen</span>.</p>\r\n";
    while (page.size() < bytes / 3) page += para;
    page +=
        "</span></BLOCKQUOTE>\r\n<strong>Additional Hints</strong><br>\r\n"
        "<span id=\"Hints\" class=\"displayMe\">Hagre qrz Fgrva</span>\r\n"
        "<span id=\"Images\"><a href=\"http://127.0.0.1:8090/c/1.jpg\">Bild</a>Text</span>\r\n"
        "<span id=\"CacheLogs\">\r\n<table width=\"90%\">\r\n";
    const char* icons[] = {"icon_smile.gif", "icon_sad.gif", "icon_note.gif", "big_smile.gif"};
    const std::size_t logBudget = bytes - page.size();
    std::string text;
    for (int i = 0; i < logs; ++i) {
        std::string row = "<tr><td class=\"Log\"><strong><img src='http://" + std::string(kHost) + "/images/icons/" +
                          icons[i % 4] + "' align='absmiddle'>&nbsp;November 7, 2007 by <a name=\"" +
                          std::to_string(i) + "\"><a href=\"http://" + kHost + "/profile/?guid=" + std::to_string(i) +
                          "\">Finder " + std::to_string(i) + "</a></strong> (12 found)<br>";
        text.clear();
        while (text.size() + row.size() < logBudget / static_cast<std::size_t>(logs))
            text += "Schoener Cache, <i>danke</i> fuer das Legen! <br>";
        row += text + "[<a href=\"log.aspx?LUID=" + std::to_string(i) + "\">visit log</a>]</td></tr>\r\n";
        page += row;
    }
    page += "</table>\r\n</span>\r\n</body></html>\r\n";
    return page;
}

void BM_ParseListingPage(benchmark::State& state) {
    const std::string page = MakePage(static_cast<std::size_t>(state.range(0)), 1000);
    int found = 0;
    for (auto _ : state) {
        tv::LogCounts counts;
        tv::SpanReader reader(page);
        std::string id, text;
        while (reader.Next(id, text)) tv::ParseCacheSection(id, text, kHost, counts);
        found = counts.LogCountFound;
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
    state.counters["page_bytes"] = static_cast<double>(page.size());
    state.counters["found_logs"] = found;
}
BENCHMARK(BM_ParseListingPage)->Arg(750'000)->Arg(1'500'000)->Arg(3'000'000)->Unit(benchmark::kMillisecond);

void BM_FlattenLogs(benchmark::State& state) {
    std::string page = MakePage(3'000'000, 1000);
    tv::SpanReader reader(page);
    std::string id, text, logs;
    tv::LogCounts counts;
    while (reader.Next(id, text))
        if (tv::ParseCacheSection(id, text, kHost, counts) && id == "CacheLogs") logs = text;
    for (auto _ : state) benchmark::DoNotOptimize(tv::FlattenSectionHTML(logs));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(logs.size()));
}
BENCHMARK(BM_FlattenLogs)->Unit(benchmark::kMillisecond);

// 3 MB of section openers nested in each other: must stay linear.
void BM_HostileNestedOpeners(benchmark::State& state) {
    std::string page = "<span id=\"CacheName\">";
    while (page.size() < 3'000'000) page += "<span id=\"x\"><span>";
    while (page.size() < 4'000'000) page += "</span>";
    for (auto _ : state) {
        tv::SpanReader reader(page);
        std::string id, text;
        int n = 0;
        while (reader.Next(id, text)) ++n;
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_HostileNestedOpeners)->Unit(benchmark::kMillisecond);

}  // namespace
