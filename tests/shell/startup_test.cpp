#include "shell/startup.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/app_paths.h"
#include "core/cachedb_table.h"
#include "core/file_procs.h"
#include "core/ini_file.h"
#include "core/proc_settings.h"
#include "core/settings_file.h"
#include "core/work_lock.h"
#include "shell/settings_edit.h"
#include "support/child_process.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace tv {

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDir_ = ProgramDir();
        ProcSettings = TProcSettings{};
    }
    void TearDown() override {
        SetIniWriteFailureHandler(nullptr);
        SetProgramDir(previousDir_);
    }
    tvtest::TempDir dir;
    platform::ScopedFakes fakes;

private:
    std::string previousDir_;
};

TEST(SettingsDatabaseList, ShowsTheGermanCountryNames) {
    const auto table = TCacheDBTable::Parse(
        "[CacheDB]\r\nGCDatabaseCount=2\r\nDB_CountryID1=9\r\nDB_Filename1=austria.txt\r\nDB_CName1=Austria\r\n"
        "DB_CNameDE1=\xD6sterreich\r\nDB_CountryID2=4\r\nDB_Filename2=nl.txt\r\nDB_CName2=Netherlands\r\n");
    EXPECT_EQ(DatabaseListTexts(table), (std::vector<std::string>{"\xD6sterreich (austria.txt)", "Netherlands (nl.txt)"}));
}

TEST_F(StartupTest, FirstStartCreatesTheFolderAndTheSettingsFile) {
    SetProgramDir(dir.str() + "new/trailvane");
    StartProgram();
    EXPECT_FALSE(ConfigExisted);
    EXPECT_EQ(dir.read("new/trailvane/tq.conf").rfind("[Program]\r\nLatestStart=03.02.2007 09:05:07\r\nWorkDir=", 0),
              0u);
    EXPECT_TRUE(fakes.messages.shown.empty());
    StartProgram();
    EXPECT_TRUE(ConfigExisted);
}

TEST_F(StartupTest, UnwritableSettingsFileIsShownOnceAndTheRunGoesOn) {
    dir.write("blocked", "a file where the program folder should be");
    SetProgramDir(dir.str() + "blocked");
    StartProgram();
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].kind, platform::MsgKind::Error);
    EXPECT_EQ(fakes.messages.shown[0].text.rfind("Fehler beim Schreiben der Einstellungsdatei " + dir.str() +
                                                     "blocked/tq.conf",
                                                 0),
              0u)
        << fakes.messages.shown[0].text;

    LoadProcSettings(500);
    ProcSettings.Radius = 7;
    EXPECT_FALSE(SaveProcSettings(false));
    EXPECT_EQ(fakes.messages.shown.size(), 1u);

    // Other INI files are their callers' business: no box.
    TIniFile other(dir.str() + "blocked/Persinfo.txt");
    EXPECT_FALSE(other.writeString("GC1", "Z0", "x"));
    EXPECT_EQ(fakes.messages.shown.size(), 1u);
}

TEST_F(StartupTest, CancelKeepsTheFirstStartsValuesAndRereadsAnEarlierFile) {
    SetProgramDir(dir.str());
    const bool existed = ConfigExisted;
    ConfigExisted = false;  // no tq.conf of an earlier run
    ProcSettings.OutDir = "/probed/ausgabe";
    ProcSettings.ShowTooltips = true;
    EXPECT_FALSE(FinishSettingsCommand(nullptr, {}));
    EXPECT_EQ(ProcSettings.OutDir, "/probed/ausgabe");
    EXPECT_TRUE(ProcSettings.ShowTooltips);
    EXPECT_EQ(LastSettingsOutcome(), SettingsOutcome::Cancelled);
    ConfigExisted = true;
    dir.write("tq.conf", "[Program]\r\nOutDir=/stored\r\n");
    EXPECT_FALSE(FinishSettingsCommand(nullptr, {}));
    EXPECT_EQ(ProcSettings.OutDir, "/stored");
    ConfigExisted = existed;
}

TEST_F(StartupTest, SecondProgramOnTheWorkFolderIsRefusedAndWritesNothing) {
    SetProgramDir(dir.str());
    tvtest::Child first = tvtest::HoldFolder(dir.str());
    EXPECT_FALSE(TakeWorkFolderAtStart());
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].text, WorkFolderBusyText(dir.str()));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "tq.conf"));

    // Nor can a running program move to that folder.
    SettingsFormData form = FormFromSettings(ProcSettings, CacheDBTable());
    form.workDir = dir.str();
    EXPECT_FALSE(FinishSettingsCommand(&form, {}));
    EXPECT_EQ(fakes.messages.shown.back().text, WorkFolderBusyText(dir.str()));

    // The lock ends with the program that held it, however it ends.
    tvtest::Reap(first, true);
    EXPECT_TRUE(TakeWorkFolderAtStart());
    EXPECT_EQ(HeldWorkFolder(), dir.str());
    ReleaseWorkFolder();
}

// A killed page write leaves ".GC....html.NNN.tmp" in the description folder;
// taking the folders at start removes it there as in the work folder, and
// keeps the file of a writer still at work.
TEST_F(StartupTest, LeftoversOfKilledWritesGoFromTheWorkAndTheDescriptionFolder) {
    namespace fs = std::filesystem;
    SetProgramDir(dir.str() + "prog");
    const std::string work = dir.str() + "work/", out = dir.str() + "out/";
    fs::create_directories(dir.path() / "prog");
    fs::create_directories(work);
    fs::create_directories(out);
    ASSERT_TRUE(WriteSettingStr("WorkDir", work));
    ASSERT_TRUE(WriteSettingStr("OutDir", out));
    dir.write("work/.Caches.bin.4711.tmp", "x");
    dir.write("out/.GC1ABC.html.12345678.tmp", "<html>half");
    dir.write("out/.GC2.html.7.tmp", "");
    for (const char* keep : {"out/GC1ABC.html", "out/.GC1ABC.html.tmp", "out/.GC1ABC.html.123456789.tmp",
                             "out/GC1ABC.html.1234.tmp"})
        dir.write(keep, "k");
    AtomicFileWriter live(out + "GC3.html");
    ASSERT_TRUE(live.Write("<html>"));
    const auto names = [&out] {
        std::vector<std::string> v;
        for (const auto& e : fs::directory_iterator(out)) v.push_back(e.path().filename().string());
        std::sort(v.begin(), v.end());
        return v;
    };
    ASSERT_EQ(names().size(), 7u);

    EXPECT_TRUE(TakeWorkFolderAtStart());
    EXPECT_FALSE(fs::exists(work + ".Caches.bin.4711.tmp"));
    std::vector<std::string> left = names();
    ASSERT_EQ(left.size(), 5u);
    EXPECT_EQ(left[0], ".GC1ABC.html.123456789.tmp");
    EXPECT_EQ(left[1], ".GC1ABC.html.tmp");
    EXPECT_EQ(left[2].substr(0, 10), ".GC3.html.");
    EXPECT_EQ(left[3], "GC1ABC.html");
    EXPECT_EQ(left[4], "GC1ABC.html.1234.tmp");
    EXPECT_TRUE(live.Commit());
    EXPECT_EQ(tvtest::ReadFileBytes(out + "GC3.html"), "<html>");
    ReleaseWorkFolder();
}

}  // namespace tv
