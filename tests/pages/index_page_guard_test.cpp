// The index page is never written over a file of the program, whether it is
// named with a folder or resolved in the pages' folder while that is the work
// folder.
#include <gtest/gtest.h>

#include <string>

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
        const auto before = f.Snapshot();
        for (const char* name : tvtest::kGuardedFiles) {
            // Chosen in the dialog with its folder, and typed as a bare name
            // (which lies in the pages' folder, here the work folder).
            std::vector<std::string> typed = {f.work() + name, f.program() + name};
            if (pagesInWork) typed.push_back(name);
            for (const std::string& entry : typed) {
                const std::string file = IndexFilePath(entry, f.out());
                const Result<void> r = WriteIndexPage(file, f.work(), FolderPage(f));
                ASSERT_FALSE(r.ok()) << entry;
                EXPECT_EQ(r.error().code, kErrProgramFile);
                EXPECT_EQ(r.error().message, tvtest::RefusalText(file, "Indexdatei"));
            }
        }
        EXPECT_EQ(f.Snapshot(), before);

        // Its own name in the pages' folder is written.
        const std::string index = IndexFilePath("index.html", f.out());
        ASSERT_TRUE(WriteIndexPage(index, f.work(), FolderPage(f)).ok());
        EXPECT_NE(tvtest::ReadFileBytes(index).find("GC1_converted.html"), std::string::npos);
    }
}

}  // namespace
}  // namespace tv
