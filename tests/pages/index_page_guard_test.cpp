// The index page is never written over a file of the program or a listing
// page stored beside it, whether it is named with a folder or resolved in the
// pages' folder (which may be the work folder), nor under a name that cannot
// be resolved.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/program_files.h"
#include "pages/index_page.h"
#include "support/program_folders.h"

namespace tv {
namespace {

IndexPageParams FolderPage(const tvtest::ProgramFolders& f) {
    IndexPageParams p;
    p.codes = ListConvertedCodes(f.out());
    p.home = IndexHomeFor(ProcSettings, 0);
    return p;
}

TEST(IndexPageGuard, RefusesEveryFileOfTheProgramAndWritesNothing) {
    for (const bool pagesInWork : {false, true}) {
        tvtest::ProgramFolders f(pagesInWork);
        tvtest::TempDir links;
        // Chosen in the dialog with its folder, and typed as a bare name
        // (which lies in the pages' folder); a page kept by a link farm too.
        std::vector<std::string> typed = tvtest::LinkFarmPage(f.out(), f.program() + "farm/");
        const auto before = f.Snapshot();
        typed.insert(typed.end(), {"GC1.html", "gc1.meta", "GC1_i1.jpg"});
        for (const char* name : tvtest::kGuardedFiles) {
            typed.push_back(f.work() + name);
            typed.push_back(f.program() + name);
            if (pagesInWork) typed.push_back(name);
        }
        for (const std::string& entry : typed) {
            const std::string file = IndexFilePath(entry, f.out());
            const Result<void> r = WriteIndexPage(file, f.work(), FolderPage(f));
            ASSERT_FALSE(r.ok()) << entry;
            EXPECT_EQ(r.error().code, kErrProgramFile);
            EXPECT_EQ(r.error().message, tvtest::RefusalText(file, "Indexdatei"));
        }
        const std::string chain = tvtest::LinkChainTo(links, f.work() + "Caches.bin", 40);
        const Result<void> r = WriteIndexPage(chain, f.work(), FolderPage(f));
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(r.error().message, tvtest::UnresolvableText(chain, "Indexdatei"));
        EXPECT_EQ(f.Snapshot(), before);

        // Its own name in the pages' folder is written, and written again; so
        // are names like the stored pages' in a folder of the user's.
        for (const std::string& index :
             {IndexFilePath("index.html", f.out()), links.str() + "GCliste.html", links.str() + "Touren.meta"}) {
            for (int run = 0; run < 2; ++run) ASSERT_TRUE(WriteIndexPage(index, f.work(), FolderPage(f)).ok()) << run;
            EXPECT_NE(tvtest::ReadFileBytes(index).find("GC1_converted.html"), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace tv
