// The help page as the program opens it: copied into a new program folder at
// start and shown in headless Chromium from disk, with its umlauts as written
// and nothing that runs.
#include <gtest/gtest.h>

#include <string>

#include "core/app_paths.h"
#include "support/browser.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

TEST(HelpPageBrowser, OpensFromTheProgramFolderWithItsUmlauts) {
    if (!tvtest::HaveChromium()) GTEST_SKIP() << "chromium not installed";
    tvtest::TempDir prog, scratch;
    const std::string previous = ProgramDir();
    SetProgramDir(prog.str());
    ASSERT_TRUE(PrepareProgramDir().ok());
    const std::string path = DocumentationPath();
    SetProgramDir(previous);

    const std::string dom = tvtest::DumpDom(scratch.path(), path);
    ASSERT_FALSE(dom.empty());
    // Read as UTF-8: an umlaut read as Windows-1252 would come out as two
    // characters ("Ã¶" for "ö").
    EXPECT_NE(dom.find("<h1>Trailvane – Hilfe</h1>"), std::string::npos);
    EXPECT_NE(dom.find(">Höchstens 50 Beschreibungen je Durchgang</h3>"), std::string::npos);
    EXPECT_NE(dom.find("Größe"), std::string::npos);
    EXPECT_EQ(dom.find("Ã"), std::string::npos);
    EXPECT_EQ(dom.find("<script"), std::string::npos);
}

}  // namespace
}  // namespace tv
