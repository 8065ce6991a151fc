// Whole-page passes of the string utilities over a 3 MB listing-like page.
#include <benchmark/benchmark.h>

#include <string>

#include "core/str_util.h"

namespace {

const std::string& Page() {
    static const std::string page = [] {
        const std::string block =
            "<tr><td class=\"Log\"><img src=\"/images/icons/icon_smile.gif\" alt=\"\"><B>Finder&amp;Co</B>"
            "<font size=\"2\">03.02.2007</font><br>Sch\xC3\xB6ner Cache, danke &#246;&#228;&#252;!<BR>"
            "<!-- log id 12345 --><script type=\"text/javascript\">var x = 1;</script>"
            "<span id=\"Text\">Lorem ipsum dolor sit amet, consectetur adipiscing elit &quot;x&quot;.</span>"
            "<br /></td></tr>\r\n";
        std::string s;
        s.reserve(3 * 1024 * 1024 + block.size());
        while (s.size() < 3 * 1024 * 1024) s += block;
        return s;
    }();
    return page;
}

void BM_ReplaceAllNoCase(benchmark::State& state) {
    for (auto _ : state) {
        std::string t = Page();
        benchmark::DoNotOptimize(tv::ReplaceAllNoCase(t, "<br>", "\r\n"));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(Page().size()));
}

void BM_RemoveAllNoCase(benchmark::State& state) {
    for (auto _ : state) {
        std::string t = Page();
        benchmark::DoNotOptimize(tv::RemoveAllNoCase(t, "&nbsp;"));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(Page().size()));
}

// The "remove every span" loops of the page cleaners.
void BM_RemoveAllBetweenTags(benchmark::State& state) {
    for (auto _ : state) {
        std::string t = Page();
        benchmark::DoNotOptimize(tv::RemoveAllBetween(t, "<", ">"));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(Page().size()));
}

void BM_RemoveAllBetweenScripts(benchmark::State& state) {
    for (auto _ : state) {
        std::string t = Page();
        benchmark::DoNotOptimize(tv::RemoveAllBetween(t, "<script", "</script>"));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(Page().size()));
}

void BM_FixUtf8AndEntities(benchmark::State& state) {
    for (auto _ : state) {
        std::string t = Page();
        tv::FixUtf8Chars(t);
        tv::DecodeHtmlEntities(t);
        benchmark::DoNotOptimize(t.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(Page().size()));
}

void BM_FastPosNoCaseAbsent(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(tv::FastPosNoCase(Page(), "<div id=\"nothere\">", 1));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(Page().size()));
}

}  // namespace

BENCHMARK(BM_ReplaceAllNoCase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveAllNoCase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveAllBetweenTags)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveAllBetweenScripts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FixUtf8AndEntities)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FastPosNoCaseAbsent)->Unit(benchmark::kMillisecond);
