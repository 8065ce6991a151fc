// The program-file guard beside a plain listing of the description folder
// it protects: 20,000 stored pages (page, .meta, two pictures each), kept as
// files of their own (one page's files links to files elsewhere) or as a
// link farm (every file a link to a file of another folder). The guard runs
// once for each file a user names.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "bench_data.h"
#include "core/program_files.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPages = 20000;
// The page whose real files the guard is asked about.
constexpr int kAsked = kPages / 2;

struct Pages {
    tvbench::WorkFolder work{"guard"};
    std::string out, farm;

    // `linked`: every page is kept by links; else only the asked one.
    explicit Pages(bool linked) : out(work.str() + "out/"), farm(work.str() + "farm/") {
        fs::create_directories(out);
        fs::create_directories(farm);
        for (int i = 0; i < kPages; ++i) {
            const std::string code = tvbench::ScatteredWaypointCode(i);
            const std::string meta =
                "1#" + code + "_i1.jpg\r\n1#Dose\r\n1#am Baum\r\n2#" + code + "_i2.jpg\r\n2#Versteck\r\n2#von oben\r\n";
            for (const auto& [name, bytes] :
                 {std::pair{code + ".html", std::string("<html></html>")}, std::pair{code + ".meta", meta},
                  std::pair{code + "_i1.jpg", code}, std::pair{code + "_i2.jpg", code}}) {
                if (!linked && i != kAsked) {
                    std::ofstream(out + name) << bytes;
                    continue;
                }
                // Real files under names of their own, as annex tools keep them.
                std::ofstream(farm + "k" + name) << bytes;
                fs::create_symlink(farm + "k" + name, out + name);
            }
        }
        std::ofstream(work.str() + "liste.gpx") << "<gpx/>";
    }
    std::string AskedPicture() const { return farm + "k" + tvbench::ScatteredWaypointCode(kAsked) + "_i2.jpg"; }
};

const Pages& Folder(bool linked) {
    static const Pages files(false), farm(true);
    const Pages& p = linked ? farm : files;
    tv::ProcSettings.OutDir = p.out;
    return p;
}

// Arg 0: pages as files of their own; 1: a link farm.
void BM_ListDescriptionFolder(benchmark::State& state) {
    const Pages& p = Folder(state.range(0) != 0);
    for (auto _ : state) {
        std::size_t n = 0;
        for (const auto& entry : fs::directory_iterator(p.out)) n += entry.path().native().size() > 0;
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_ListDescriptionFolder)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A stored picture named by the path of its real file behind a link: refused.
void BM_GuardRealFileBehindLink(benchmark::State& state) {
    const Pages& p = Folder(state.range(0) != 0);
    for (auto _ : state)
        if (!tv::ProgramFileRefusal(p.AskedPicture(), p.work.str(), tv::TargetRole::Export))
            state.SkipWithError("not refused");
}
BENCHMARK(BM_GuardRealFileBehindLink)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// An existing export of the user's, written again: the whole folder is
// looked through and nothing found.
void BM_GuardExistingExport(benchmark::State& state) {
    const Pages& p = Folder(state.range(0) != 0);
    for (auto _ : state)
        if (tv::ProgramFileRefusal(p.work.str() + "liste.gpx", p.work.str(), tv::TargetRole::Export))
            state.SkipWithError("refused");
}
BENCHMARK(BM_GuardExistingExport)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A new name beside the pages.
void BM_GuardNewName(benchmark::State& state) {
    const Pages& p = Folder(state.range(0) != 0);
    for (auto _ : state)
        if (tv::ProgramFileRefusal(p.out + "neu.gpx", p.work.str(), tv::TargetRole::Export))
            state.SkipWithError("refused");
}
BENCHMARK(BM_GuardNewName)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
