#include "shell/startup.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "acquire/national_db.h"
#include "core/app_paths.h"
#include "core/cachedb_table.h"
#include "core/file_procs.h"
#include "core/ini_file.h"
#include "core/proc_settings.h"
#include "core/settings_file.h"
#include "core/work_lock.h"
#include "exchange/suitcase_format.h"
#include "exchange/suitcase_merge.h"
#include "shell/settings_edit.h"
#include "support/child_process.h"
#include "support/fakes.h"
#include "support/temp_dir.h"
#include "support/write_fault.h"

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

    // A help page of an older version that cannot be replaced is told.
    dir.write("new/trailvane/Dokumentation.html", "<p>alt</p>");
    {
        tvtest::ScopedWriteFault full("Dokumentation.html", WriteStep::Create);
        StartProgram();
    }
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].kind, platform::MsgKind::Error);
    const std::string& text = fakes.messages.shown[0].text;
    EXPECT_EQ(text.rfind("Fehler beim Kopieren nach " + dir.str() + "new/trailvane/Dokumentation.html\n", 0), 0u)
        << text;
    EXPECT_NE(text.find("Fehlercode: 28"), std::string::npos) << text;
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

// Killed writes leave more than the temporary files of the work folder:
// tq.conf's beside the program, the staging folders of a suitcase merge
// (beside the description folder and inside it), the scratch file of a list
// conversion. The next start removes each of them, and keeps those that a
// write still at work holds.
TEST_F(StartupTest, LeftoversBesideTheProgramAndOfMergesGoAtTheNextStart) {
    namespace fs = std::filesystem;
    SetProgramDir(dir.str() + "prog");
    const std::string prog = dir.str() + "prog/", work = dir.str() + "work/", out = dir.str() + "pages/";
    for (const std::string& d : {prog, work, out}) fs::create_directories(d);
    ASSERT_TRUE(WriteSettingStr("WorkDir", work));
    ASSERT_TRUE(WriteSettingStr("OutDir", out));
    const std::string beside = dir.str() + ".pages.Aktenkoffer.tmp/", inside = out + ".Aktenkoffer.tmp/";
    dir.write("prog/.tq.conf.31415926.tmp", "[Program]\r\nWork");
    dir.write("work/Caches.bin.tmp", std::string(TCacheRec::kSize, 'r'));
    dir.write(".pages.Aktenkoffer.tmp/GC1.html", "<html>staged");
    dir.write("pages/.Aktenkoffer.tmp/GC2_map.gif", "GIF");
    AtomicFileWriter live(prog + "tq.conf");
    ASSERT_TRUE(live.Write(dir.read("prog/tq.conf")));

    EXPECT_TRUE(TakeWorkFolderAtStart());
    std::vector<std::string> left = ListFolder(prog);
    std::sort(left.begin(), left.end());
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0].rfind(".tq.conf.", 0), 0u);  // the live one
    EXPECT_NE(left[0], ".tq.conf.31415926.tmp");
    EXPECT_EQ(left[1], "tq.conf");
    EXPECT_FALSE(fs::exists(work + "Caches.bin.tmp"));
    EXPECT_FALSE(fs::exists(beside));
    EXPECT_FALSE(fs::exists(inside));
    EXPECT_TRUE(live.Commit());
    ReleaseWorkFolder();

    // A start while a list conversion writes its scratch file.
    ProcSettings.WorkDir = work;
    dir.write("work/Caches.bin", "");
    dir.write("work/list.txt", "1 \"Cache GC7\" 2004 7 3 48.0 9.0 \"Traditional Cache\" \"Regular\" GC7 x 1.5 2\r\n");
    NationalDbConverter conv;
    conv.SetSourceName(work + "list.txt");
    conv.SetDestName(work + "Caches.bin");
    conv.SetHome({48.0, 8.0});
    int starts = 0;
    conv.Events().progress = [&](int) {
        if (starts++ > 0) return;
        EXPECT_TRUE(TakeWorkFolderAtStart());
        EXPECT_TRUE(fs::exists(work + "Caches.bin.tmp"));
    };
    EXPECT_EQ(conv.ConverteHTTP(false), 1);
    EXPECT_EQ(conv.GetNewCount(), 1);
    ReleaseWorkFolder();

    // A start while a suitcase merge stages its pages.
    tvtest::TempDir other;
    other.write("GC7.html", "<html>carried");
    SuitcaseExportParams pack;
    pack.workDir = pack.outDir = other.str();
    pack.descriptions = true;
    ASSERT_TRUE(WriteSuitcase(other.str() + "Carry.tq", pack).ok());
    SuitcaseReader suitcase;
    ASSERT_TRUE(suitcase.Open(other.str() + "Carry.tq"));
    starts = 0;
    const PageEntriesResult merged =
        ProcessPageEntries(suitcase, out, PagePolicy::Replace, [&](const std::string& line) {
            if (line.find("Processing waypoint") == std::string::npos || starts++ > 0) return;
            EXPECT_TRUE(TakeWorkFolderAtStart());
            EXPECT_TRUE(fs::exists(beside));
        });
    EXPECT_EQ(starts, 1);
    EXPECT_FALSE(merged.error);
    EXPECT_EQ(dir.read("pages/GC7.html"), "<html>carried");
    EXPECT_FALSE(fs::exists(beside));
    ReleaseWorkFolder();
}

}  // namespace tv
