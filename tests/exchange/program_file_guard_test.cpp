// The writers of files the user names refuse the program's own files in the
// work and the program folder, the listing pages it stored and names they
// cannot resolve, whether the pages have their own folder or live in the
// work folder: the message names the file, and nothing of the action is
// written.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/app_paths.h"
#include "core/cachedb_table.h"
#include "core/program_files.h"
#include "exchange/db_csv_export.h"
#include "exchange/export_run.h"
#include "exchange/suitcase_format.h"
#include "exchange/suitcase_merge.h"
#include "export_cases.h"
#include "support/child_process.h"
#include "support/program_folders.h"

namespace tv {
namespace {

using tvtest::ProgramFolders;
using tvtest::RefusalText;

// Calls `write` with each guarded file of the work and the program folder as
// its target, in both layouts, with the page of GC1, its .meta and its
// picture in the description folder, with links to files of the program not
// there yet, and with a name through more links than the system follows that
// leads to the database; checks that it was refused
// with the message naming it as `as` and that no file changed. `write`
// answers the error code and message.
template <typename Write>
void ExpectEveryProgramFileRefused(const std::string& as, Write write) {
    for (const bool pagesInWork : {false, true}) {
        ProgramFolders f(pagesInWork);
        tvtest::TempDir links;
        std::vector<std::pair<std::string, std::string>> targets;
        for (const char* name : tvtest::kGuardedFiles)
            for (const std::string& dir : {f.work(), f.program()})
                targets.emplace_back(dir + name, RefusalText(dir + name, as));
        for (const char* name : {"GC1.html", "GC1.meta", "gc1_i1.jpg"})
            targets.emplace_back(f.out() + name, RefusalText(f.out() + name, as));
        // A page kept by a link farm, by the links' names and the files' own.
        for (const std::string& page : tvtest::LinkFarmPage(f.out(), f.program() + "farm/"))
            targets.emplace_back(page, RefusalText(page, as));
        const auto before = f.Snapshot();
        std::filesystem::create_symlink(f.work() + "Finds.bin", links.path() / "f1");
        std::filesystem::create_symlink("f1", links.path() / "liste.gpx");
        std::filesystem::create_symlink(f.program() + "neu.xtp", links.path() / "t");
        for (const auto& [link, file] : {std::pair{links.str() + "liste.gpx", f.work() + "Finds.bin"},
                                         std::pair{links.str() + "t", f.program() + "neu.xtp"}})
            targets.emplace_back(link, tvtest::LinkedRefusalText(link, file, as));
        const std::string chain = tvtest::LinkChainTo(links, f.work() + "Caches.bin", 40);
        targets.emplace_back(chain, tvtest::UnresolvableText(chain, as));
        for (const auto& [target, message] : targets) {
            const Error e = write(f, target);
            EXPECT_EQ(e.code, kErrProgramFile) << target;
            EXPECT_EQ(e.message, message);
        }
        EXPECT_EQ(f.Snapshot(), before) << (pagesInWork ? "pages in the work folder" : "pages in their own folder");
    }
}

ExportRequest WorkListGpx(const ProgramFolders& f, const std::string& target) {
    ExportRequest req;
    req.options = DefaultExportOptions();
    req.options.format = kFmtGpx;
    req.source = ExportSource::WorkList;
    req.context = tvtest::ExportTestContext(f.work());
    req.outPath = target;
    return req;
}

TEST(ProgramFileGuard, ExportRefusesBeforeReadingOrWriting) {
    ExpectEveryProgramFileRefused("Exportdatei", [](const ProgramFolders& f, const std::string& target) {
        const ExportResult r = RunExport(WorkListGpx(f, target));
        EXPECT_EQ(r.listCount, 0);
        return Error{r.writeError, r.refusal};
    });
    ProgramFolders f(false);
    // A new file beside the stored pages.
    const ExportResult r = RunExport(WorkListGpx(f, f.out() + "liste.gpx"));
    EXPECT_EQ(r.written, 2);
    EXPECT_EQ(r.writeError, 0);
    EXPECT_TRUE(r.refusal.empty());
}

TEST(ProgramFileGuard, DatabaseDumpRefusesBeforeWriting) {
    auto dump = [](const ProgramFolders& f, const std::string& target) {
        return ExportCachesCsv(f.work() + "Caches.bin", target, CsvColumns{}, true, CacheDBTable());
    };
    ExpectEveryProgramFileRefused("Exportdatei", [&dump](const ProgramFolders& f, const std::string& target) {
        const Result<int> r = dump(f, target);
        return r.ok() ? Error{} : r.error();
    });
    ProgramFolders f(false);
    const Result<int> r = dump(f, f.out() + "GCrecords.csv");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(*r, 2);
}

SuitcaseExportParams Everything(const ProgramFolders& f) {
    SuitcaseExportParams p;
    p.workDir = f.work();
    p.outDir = f.out();
    p.cacheDb = p.workList = p.finds = p.ignoreList = p.notes = p.descriptions = true;
    return p;
}

TEST(ProgramFileGuard, SuitcaseRefusesBeforeWriting) {
    ExpectEveryProgramFileRefused("Aktenkofferdatei", [](const ProgramFolders& f, const std::string& target) {
        const Result<std::string> r = WriteSuitcase(target, Everything(f));
        return r.ok() ? Error{} : r.error();
    });
    ProgramFolders f(false);
    const Result<std::string> r = WriteSuitcase(f.out() + "Carry.tq", Everything(f));
    ASSERT_TRUE(r.ok());
    EXPECT_NE(r->find("2 Datens"), std::string::npos);
    EXPECT_EQ(WriteSuitcase(f.out() + "neu/Carry.tq", Everything(f)).error().code, ENOENT);
}

// A suitcase from another PC with two caches this PC lacks and one work-list entry.
class NewCodes {
public:
    NewCodes() {
        tvtest::WriteCaches(pc_, {tvtest::CacheRecord("GC7", "Sieben"), tvtest::CacheRecord("GC8", "Acht")});
        pc_.write("WPList.txt", "GC7\r\n");
        pc_.write("GC7.html", "<html>GC7</html>");
        SuitcaseExportParams p;
        p.workDir = p.outDir = pc_.str();
        p.cacheDb = p.workList = p.descriptions = true;
        // Packed there, where the work folder is the program folder too.
        const std::string previous = ProgramDir();
        SetProgramDir(pc_.str());
        EXPECT_TRUE(WriteSuitcase(pc_.str() + "Carry.tq", p).ok());
        SetProgramDir(previous);
    }
    SuitcaseCommitResult Commit(const ProgramFolders& f, const std::string& list) {
        SuitcaseReader reader;
        EXPECT_TRUE(reader.Open(pc_.str() + "Carry.tq"));
        SuitcaseCommitParams p;
        p.workDir = f.work();
        p.outDir = f.out();
        p.getDb = p.getWorkList = p.getPages = true;
        p.keepLocalDb = false;
        p.saveNewCodes = true;
        p.newCodesFile = list;
        return CommitSuitcase(reader, ReadLocalCacheDb(f.work()), p);
    }

private:
    tvtest::TempDir pc_;
};

TEST(ProgramFileGuard, SuitcaseMergeChecksTheListOfNewCodesBeforeCommittingAnything) {
    NewCodes suitcase;
    ExpectEveryProgramFileRefused("Wegpunktliste", [&suitcase](const ProgramFolders& f, const std::string& target) {
        const SuitcaseCommitResult r = suitcase.Commit(f, target);
        EXPECT_TRUE(r.newCodesRefused);
        EXPECT_EQ(r.dbAdded + r.wlAdded, 0);
        return r.errors.size() == 1 ? Error{kErrProgramFile, r.errors[0]} : Error{};
    });
    // The program's own list of new codes, and a list of the user's elsewhere.
    for (const bool pagesInWork : {false, true}) {
        ProgramFolders f(pagesInWork);
        SuitcaseCommitResult r = suitcase.Commit(f, f.work() + "WPnew.txt");
        EXPECT_TRUE(r.errors.empty());
        EXPECT_FALSE(r.newCodesRefused);
        EXPECT_EQ(r.dbAdded, 2);
        EXPECT_EQ(tvtest::ReadFileBytes(f.work() + "WPnew.txt"), "GC7\r\nGC8\r\n");
        EXPECT_EQ(tvtest::ReadFileBytes(f.work() + "WPList.txt"), "GC1\r\nGC2\r\nGC7\r\n");
        EXPECT_EQ(tvtest::ReadFileBytes(f.work() + "Caches.bin").size(), 4 * TCacheRec::kSize);
    }
    ProgramFolders f(false);
    const SuitcaseCommitResult r = suitcase.Commit(f, f.out() + "neu.txt");
    EXPECT_TRUE(r.errors.empty());
    EXPECT_EQ(tvtest::ReadFileBytes(f.out() + "neu.txt"), "GC7\r\nGC8\r\n");
    // Not over a page it brings, nor through a link from the list's place to the database.
    ProgramFolders g(false);
    std::filesystem::create_symlink("Caches.bin", g.work() + "WPnew.txt");
    for (const std::string& list : {g.out() + "GC7.html", g.work() + "WPnew.txt"})
        EXPECT_TRUE(suitcase.Commit(g, list).newCodesRefused) << list;
}

// The description, work and program folders mounted a second time, in a
// mount namespace of a child of its own: through the second paths the same
// files are refused. The child reports what was written or let through, or
// why it could not mount, on a pipe.
TEST(ProgramFileGuard, FoldersMountedASecondTimeAreTheSameFolders) {
    NewCodes suitcase;
    ProgramFolders f(false);
    tvtest::TempDir second;
    std::filesystem::remove(f.program() + "tq.conf");
    const std::string desc = second.str() + "desc/", work = second.str() + "work/", prog = second.str() + "prog/";
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    tvtest::Child child = tvtest::Spawn([&] {
        ::close(report[0]);
        std::string said;
        const auto done = [&](int code) {
            (void)!::write(report[1], said.data(), said.size());
            return code;
        };
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            said = std::string("no mount namespace: ") + std::strerror(errno);
            return done(77);
        }
        for (const auto& [from, to] :
             {std::pair{f.out(), desc}, std::pair{f.work(), work}, std::pair{f.program(), prog}})
            if (!std::filesystem::create_directory(to) || ::mount(from.c_str(), to.c_str(), nullptr, MS_BIND, nullptr))
                return said = "bind mount " + to + ": " + std::strerror(errno), done(77);
        const auto before = f.Snapshot();
        for (const std::string& target : {desc + "GC1.html", desc + "gc1.META", desc + "GC1_i1.jpg", work + "Finds.bin",
                                          work + "neu.xtp", prog + "tq.conf"})
            if (RunExport(WorkListGpx(f, target)).refusal != RefusalText(target, "Exportdatei")) said += target + "\n";
        const SuitcaseCommitResult r = suitcase.Commit(f, desc + "GC7.html");
        if (!r.newCodesRefused || r.errors.empty()) said += "list of new codes over " + desc + "GC7.html\n";
        if (f.Snapshot() != before) said += "written\n";
        return done(said.empty() ? 0 : 1);
    });
    ::close(report[1]);
    std::string said;
    char buf[512];
    for (ssize_t n; (n = ::read(report[0], buf, sizeof buf)) > 0;) said.append(buf, static_cast<std::size_t>(n));
    ::close(report[0]);
    const int code = child.Reap();
    if (code == 77) GTEST_SKIP() << said;
    EXPECT_EQ(code, 0);
    EXPECT_EQ(said, "");
}

}  // namespace
}  // namespace tv
