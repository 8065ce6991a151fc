// The start-up task with fake services and hooks: maintainer marker, first
// start with the forced settings dialog, database check with the age
// reminder, and the once-a-year greeting.
#include "shell/startup_task.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app_paths.h"
#include "core/cache_rec.h"
#include "core/ini_file.h"
#include "core/proc_settings.h"
#include "core/settings_file.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "shell/cachedb_commands.h"
#include "shell/settings_edit.h"
#include "support/file_time.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

namespace fs = std::filesystem;
using platform::MsgKind;
using platform::MsgResult;


class StartupTaskTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDir_ = ProgramDir();
        SetProgramDir(dir.str());
        ProcSettings = TProcSettings{};
        ProcSettings.WorkDir = dir.str() + "work";
        fs::create_directories(dir.path() / "work");
        ConfigExisted = true;
        fakes.clock.time = {2007, 6, 1, 10, 0, 0, 0};
    }
    void TearDown() override {
        ConfigExisted = true;
        ProcSettings = TProcSettings{};
        SetProgramDir(previousDir_);
    }

    // Hooks that log what ran.
    StartupHooks Hooks() {
        StartupHooks h;
        h.showSplash = [this] { log.push_back("splash"); };
        h.hideErrortracker = [this] { log.push_back("hide"); };
        h.settingsCommand = [this] {
            log.push_back("settings");
            ProcSettings.SettingsConfirmed = ++settingsRuns >= confirmOnRun;
        };
        h.applyShowHints = [this] { log.push_back("hints"); };
        h.checkCacheDBVersion = [this] {
            log.push_back("check");
            return databaseValid;
        };
        h.updateStatusBar = [this] { log.push_back("status"); };
        h.primaryDownload = [this] { log.push_back("download"); };
        h.showGreeting = [this] { log.push_back("greeting"); };
        return h;
    }

    // A database of one record whose file is dated noon of that day.
    void WriteDatabase(int year, int month, int day) {
        const std::string bin = tvtest::WriteCaches(dir, {tvtest::CacheRecord("GC1")}, "work/Caches.bin");
        tvtest::SetLocalFileTime(bin, year, month, day);
    }

    tvtest::TempDir dir;
    platform::ScopedFakes fakes;
    std::vector<std::string> log;
    int settingsRuns = 0;
    int confirmOnRun = 1;
    bool databaseValid = true;

private:
    std::string previousDir_;
};

TEST_F(StartupTaskTest, FirstStartForcesTheSettingsDialogUntilConfirmed) {
    ConfigExisted = false;
    confirmOnRun = 3;
    ProcSettings.OutDir = "/old/out";
    StartupTask task(Hooks());
    task.FirstStart();
    EXPECT_EQ(settingsRuns, 3);
    ASSERT_EQ(fakes.messages.shown.size(), 3u);
    EXPECT_EQ(fakes.messages.shown[0].kind, MsgKind::Information);
    EXPECT_EQ(fakes.messages.shown[0].text.rfind("Dies ist der erste Programmstart des Trailvanes.\r\n\r\n", 0), 0u);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(fakes.messages.shown[i].kind, MsgKind::Warning);
        EXPECT_EQ(fakes.messages.shown[i].text,
                  W("Bitte einmalig den Dialog der Programmeinstellungen mit \"OK\" bestätigen, damit die "
                    "Einstellungen gespeichert werden!"));
    }
    EXPECT_TRUE(ProcSettings.ShowMessages);
    EXPECT_TRUE(ProcSettings.ShowTooltips);
    EXPECT_EQ(ProcSettings.OutDir, dir.str() + "work/ausgabe");  // the probe worked
    EXPECT_TRUE(fs::is_directory(dir.path() / "work/ausgabe"));
    EXPECT_FALSE(fs::exists(dir.path() / "work/ausgabe/testfile"));
    EXPECT_FALSE(task.NoDialog());
}

TEST_F(StartupTaskTest, FirstStartThatCannotSaveNeverTrapsTheUser) {
    ConfigExisted = false;
    StartupHooks h = Hooks();
    h.settingsCommand = [this] {
        ++settingsRuns;
        ProcSettings.SettingsConfirmed = false;
        NoteSettingsOutcome(SettingsOutcome::SaveFailed);
    };
    std::string status;
    bool quit = false;
    h.showStatus = [&](const std::string& text) { status = text; };
    h.quit = [&] { quit = true; };
    // Yes: run on with the settings in memory, said in the status bar.
    fakes.messages.answers = {MsgResult::Ok, MsgResult::Yes};
    StartupTask(h).FirstStart();
    EXPECT_EQ(settingsRuns, 1);
    ASSERT_EQ(fakes.messages.shown.size(), 2u);
    EXPECT_EQ(fakes.messages.shown[1].buttons, platform::MsgButtons::YesNo);
    EXPECT_NE(status.find("Programmende"), std::string::npos);
    EXPECT_FALSE(quit);
    // No: the program ends.
    fakes.messages.answers = {MsgResult::Ok, MsgResult::No};
    status.clear();
    StartupTask(h).FirstStart();
    EXPECT_EQ(settingsRuns, 2);
    EXPECT_TRUE(quit);
    EXPECT_TRUE(status.empty());
}


TEST_F(StartupTaskTest, AgeReminderBoundaries) {
    EXPECT_EQ(DatabaseAgeToRemind(7, 1007, 1000), 7);
    EXPECT_EQ(DatabaseAgeToRemind(7, 1006, 1000), std::nullopt);
    EXPECT_EQ(DatabaseAgeToRemind(0, 5000, 1000), std::nullopt);
    EXPECT_EQ(DatabaseAgeToRemind(-1, 5000, 1000), std::nullopt);
    EXPECT_EQ(DatabaseAgeToRemind(1, 1001, 1000), 1);
    EXPECT_EQ(DatabaseAgeToRemind(1, 1000, 1000), std::nullopt);

    ProcSettings.DBAutoloadInterval = 7;
    fakes.clock.time = {2007, 6, 8, 0, 30, 0, 0};
    WriteDatabase(2007, 6, 2);  // 6 days
    StartupTask(Hooks()).Run();
    EXPECT_TRUE(fakes.messages.shown.empty());
    EXPECT_EQ(log, (std::vector<std::string>{"hide", "splash", "hints", "check", "status"}));

    WriteDatabase(2007, 6, 1);  // 7 days
    fakes.messages.answers = {MsgResult::Yes};
    log.clear();
    StartupTask task(Hooks());
    task.Run();
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].kind, MsgKind::Confirmation);
    EXPECT_EQ(fakes.messages.shown[0].text,
              "Alter der Cache-Datenbank: 7 Tage.\r\nLaut den Grundeinstellungen sollte die Cache-Datenbank neu "
              "geladen werden. Soll dies jetzt geschehen?\r\n(Diese Erinnerungsmeldung kann in den Grundeinstellungen "
              "unter \"Cache-Datenbank\" abgeschaltet werden, indem \"Update-Erinnerung nach\" auf \"nie erinnern\" "
              "gesetzt wird.)");
    EXPECT_EQ(log, (std::vector<std::string>{"hide", "splash", "hints", "check", "status", "download", "status"}));
    EXPECT_TRUE(task.NoDialog());  // the reminder does not stop the greeting

    ProcSettings.DBAutoloadInterval = -1;
    StartupTask(Hooks()).Run();
    EXPECT_EQ(fakes.messages.shown.size(), 1u);
}

// No database yet: the download is offered only when there is an address to
// load it from; without one the user is told where to enter it.
TEST_F(StartupTaskTest, MissingDatabaseOffersTheDownloadOnlyWithAnAddress) {
    StartupTask(Hooks()).CheckDatabase();
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].kind, MsgKind::Information);
    EXPECT_EQ(fakes.messages.shown[0].text,
              W("Es wurde keine Cache-Datenbank gefunden. Die Cache-Datenbank ist Voraussetzung für das Arbeiten "
                "mit diesem Programm.\r\n\r\n") +
                  NoCacheDBUrlText());
    EXPECT_EQ(log, (std::vector<std::string>{"status"}));

    log.clear();
    fakes.messages.shown.clear();
    ProcSettings.CacheDBUrl = "http://127.0.0.1:9/db/";
    fakes.messages.answers = {MsgResult::Yes};
    StartupTask(Hooks()).CheckDatabase();
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].kind, MsgKind::Confirmation);
    EXPECT_EQ(log, (std::vector<std::string>{"download", "status"}));
}

}  // namespace
}  // namespace tv
