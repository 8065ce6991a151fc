#include "shell/startup.h"

#include <string>

#include <gtest/gtest.h>

#include "core/app_paths.h"
#include "core/cachedb_table.h"
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
    const pid_t first = tvtest::HoldFolder(dir.str());
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

}  // namespace tv
