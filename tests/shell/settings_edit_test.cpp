// The settings dialog's logic: reminder items, national databases, homes,
// checks before OK, and the round trip of every setting through tq.conf.
#include "shell/settings_edit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/app_paths.h"
#include "core/cachedb_table.h"
#include "core/settings_file.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "shell/startup_task.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

TCacheDBTable Table(int count) {
    std::string ini = "[CacheDB]\r\nGCDatabaseCount=" + std::to_string(count) + "\r\n";
    for (int i = 1; i <= count; ++i) {
        const std::string n = std::to_string(i);
        ini += "DB_CountryID" + n + "=" + n + "\r\nDB_Filename" + n + "=land" + n + ".txt\r\nDB_CName" + n +
               "=Country" + n + "\r\nDB_CNameDE" + n + "=Land" + n + "\r\n";
    }
    return TCacheDBTable::Parse(ini);
}

TEST(SettingsReminder, IntervalItemsBothWays) {
    const int expected[][3] = {{7, 1, 7}, {14, 2, 14}, {28, 3, 28}, {-1, 4, -1}, {3, 0, 1}, {0, 0, 1}, {1, 0, 1}};
    for (const auto& e : expected) {
        EXPECT_EQ(IntervalToIndex(e[0]), e[1]) << e[0];
        EXPECT_EQ(IndexToInterval(IntervalToIndex(e[0])), e[2]) << e[0];
    }
    EXPECT_EQ(IndexToInterval(-1), -1);
    EXPECT_EQ(IndexToInterval(5), -1);
}

TEST(SettingsDatabases, TicksPrimaryAndTakeBack) {
    TProcSettings s;
    s.UseCacheDB[1] = 1;
    s.UseCacheDB[40] = 1;  // beyond the table: not shown, cleared on OK
    s.CacheDBPrimary = 0;
    s.CacheDBCount = 2;
    SettingsFormData f = FormFromSettings(s, Table(5));
    ASSERT_EQ(f.databaseTexts.size(), 5u);
    EXPECT_EQ(f.databaseTexts[0], "Country1 (land1.txt)");
    EXPECT_EQ(f.databaseTicked, (std::vector<bool>{false, true, false, false, false}));
    EXPECT_EQ(f.primaryIndex, 2);
    f.workDir = "/w";
    f.outDir = "/o";
    ASSERT_TRUE(ApplyForm(f, s));
    EXPECT_EQ(s.CacheDBPrimary, 3);
    EXPECT_EQ(s.CacheDBCount, 1);
    for (size_t k = 0; k < 50; ++k) EXPECT_EQ(s.UseCacheDB[k], k == 1 ? 1 : 0) << k;

    f.databaseTicked = {true, false, false, false, true};
    f.primaryIndex = 4;
    ASSERT_TRUE(ApplyForm(f, s));
    EXPECT_EQ(s.CacheDBCount, 2);
    EXPECT_EQ(s.CacheDBPrimary, 5);
    for (size_t k = 0; k < 50; ++k) EXPECT_EQ(s.UseCacheDB[k], k == 0 || k == 4 ? 1 : 0) << k;

    // A small table: nothing preselected and the primary is kept.
    s.CacheDBPrimary = 0;
    f = FormFromSettings(s, Table(2));
    EXPECT_EQ(f.primaryIndex, -1);
    f.workDir = "/w";
    f.outDir = "/o";
    ASSERT_TRUE(ApplyForm(f, s));
    EXPECT_EQ(s.CacheDBPrimary, 0);
    // A primary beyond the table is not shown and stays as it was.
    s.CacheDBPrimary = 9;
    EXPECT_EQ(FormFromSettings(s, Table(5)).primaryIndex, -1);
    EXPECT_EQ(PrimaryIndex(5, 5), 4);
    EXPECT_EQ(PrimaryIndex(6, 5), -1);
    EXPECT_EQ(PrimaryIndex(0, 3), 2);
}

TEST(SettingsHomes, AddChangeRemoveWithErrors) {
    HomesEditor h;
    EXPECT_EQ(h.Add(49.1234567, 8.5, "Arbeit"), HomeEdit::Ok);
    ASSERT_EQ(h.Count(), 1);
    EXPECT_EQ(h.Entries()[0].lat, "49.12346");
    EXPECT_EQ(h.Entries()[0].lon, "8.50000");
    EXPECT_EQ(h.Entries()[0].name, "Arbeit");
    EXPECT_EQ(h.Add(1, 1, "Arbeit"), HomeEdit::NameExists);
    EXPECT_EQ(h.Add(1, 1, "ARBEIT"), HomeEdit::NameExists);
    EXPECT_EQ(h.Add(1, 1, ""), HomeEdit::NoName);
    EXPECT_EQ(HomeEditMessage(HomeEdit::NoName),
              W("Kein Name für das Koordinatenpaar angegeben - Eingabe wird verworfen!"));
    EXPECT_EQ(HomeEditMessage(HomeEdit::NameExists),
              W("Der vergebene Name für das Koordinatenpaar existiert schon - Eingabe wird verworfen!"));
    EXPECT_EQ(h.Add(-33.5, -70.25, W("Ämter")), HomeEdit::Ok);
    EXPECT_EQ(h.Add(0, 0, "zelt"), HomeEdit::Ok);
    EXPECT_EQ(h.Entries()[1].lat, "-33.50000");

    // Renaming onto another home's name is allowed; the two stay apart.
    EXPECT_EQ(h.Change(2, 1, 2, "Arbeit"), HomeEdit::Ok);
    EXPECT_EQ(h.Change(2, 1, 2, ""), HomeEdit::NoName);
    EXPECT_EQ(h.Change(-1, 1, 2, "x"), HomeEdit::NoSelection);
    EXPECT_EQ(h.Change(3, 1, 2, "x"), HomeEdit::NoSelection);
    EXPECT_EQ(h.SortedOrder(), (std::vector<int>{0, 2, 1}));  // "Arbeit", "Arbeit", "Ämter" (0xC4 after 'A')
    EXPECT_EQ(h.Remove(2), HomeEdit::Ok);
    EXPECT_EQ(h.Remove(-1), HomeEdit::NoSelection);
    ASSERT_EQ(h.Count(), 2);
    EXPECT_EQ(h.Entries()[0].lat, "49.12346");  // the first "Arbeit" is the one kept
    TProcSettings s;
    h.WriteTo(s);
    EXPECT_EQ(s.AddHomeTxt, (std::vector<std::string>{"Arbeit", W("Ämter")}));
    EXPECT_EQ(s.AddHomeLon, (std::vector<std::string>{"8.50000", "-70.25000"}));
}

TEST(SettingsChecks, EqualFoldersAndBadWidthChangeNothing) {
    tvtest::TempDir dir;
    std::filesystem::create_directories(dir.path() / "a" / "b");
    TProcSettings s;
    s.HTMLMaxWidth = 640;
    s.WorkDir = "/old";
    SettingsFormData f = FormFromSettings(s, Table(0));
    f.workDir = dir.str() + "a/b";
    f.outDir = dir.str() + "a/b/";
    auto r = ApplyForm(f, s);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().code, kSameFolders);
    EXPECT_EQ(r.error().message, SameFoldersError());
    EXPECT_EQ(s.WorkDir, "/old");
    f.outDir = dir.str() + "a/./c/../b";
    EXPECT_EQ(ValidateForm(f).error().code, kSameFolders);
    std::filesystem::create_directory_symlink(dir.path() / "a" / "b", dir.path() / "link");
    f.outDir = dir.str() + "link";
    EXPECT_EQ(ValidateForm(f).error().code, kSameFolders);
    EXPECT_TRUE(SameFolder("/x/y", "/x/y//"));
    EXPECT_FALSE(SameFolder("/x/y", "/x/yz"));

    f.outDir = dir.str() + "a";
    EXPECT_TRUE(ValidateForm(f));
    for (const char* bad : {"12a", "", " 12", "-5", "+5", "123456", "1.5"}) {
        f.maxWidth = bad;
        r = ApplyForm(f, s);
        ASSERT_FALSE(r) << bad;
        EXPECT_EQ(r.error().code, kBadMaxWidth);
        EXPECT_EQ(s.HTMLMaxWidth, 640);
        EXPECT_EQ(s.WorkDir, "/old");  // nothing taken back before the check
    }
    f.maxWidth = "01024";
    ASSERT_TRUE(ApplyForm(f, s));
    EXPECT_EQ(s.HTMLMaxWidth, 1024);
    EXPECT_EQ(s.WorkDir, dir.str() + "a/b");
    EXPECT_EQ(SameFoldersWarning().substr(0, 9), "Warnung! ");
    EXPECT_NE(SameFoldersWarning().find("\r\nUm dies zu vermeiden"), std::string::npos);
}

// ---- through tq.conf -----------------------------------------------------------

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDir_ = ProgramDir();
        SetProgramDir(dir.str());
        ProcSettings = TProcSettings{};
        dir.write("tq.conf",
                  "[Program]\r\nWorkDir=" + dir.str() + "work\r\nOutDir=" + dir.str() +
                      "out\r\nNrOfAdditionalHomes=3\r\nAddHomeLat1=1\r\nAddHomeLon1=2\r\nAddHomeTxt1=Eins\r\n"
                      "AddHomeLat2=3\r\nAddHomeLon2=4\r\nAddHomeTxt2=Zwei\r\nAddHomeLat3=5\r\nAddHomeLon3=6\r\n"
                      "AddHomeTxt3=Drei\r\nHTMLMaxWidth=700\r\n\r\n[MainForm]\r\nLeft=3\r\n");
        LoadProcSettings(600);
        previousExisted_ = ConfigExisted;
        ConfigExisted = true;
        hooks.listClientWidth = [this] {
            calls += "w";
            return 600;
        };
        hooks.reselectHome = [this] { calls += "h"; };
        hooks.rebuildTree = [this] { calls += "t" + ProcSettings.OutDir; };
        hooks.applyShowHints = [this] { calls += "s"; };
    }
    void TearDown() override {
        SetProgramDir(previousDir_);
        ConfigExisted = previousExisted_;
    }
    std::string conf() const { return dir.read("tq.conf"); }
    bool has(const std::string& line) const { return conf().find("\r\n" + line + "\r\n") != std::string::npos; }
    SettingsFormData form() const { return FormFromSettings(ProcSettings, Table(5)); }

    bool previousExisted_ = false;
    tvtest::TempDir dir;
    platform::ScopedFakes fakes;
    SettingsCommandHooks hooks;
    std::string calls;

private:
    std::string previousDir_;
};

TEST_F(SettingsFileTest, EverySettingRoundTripsThroughTheFile) {
    SettingsFormData f = form();
    f.workDir = dir.str() + "w2";
    f.outDir = dir.str() + "o2";
    f.offlineCacheDir = dir.str() + "off";
    f.templateFile = dir.str() + "t.htm";
    f.dbUrl = "http://127.0.0.1:1/db/";
    f.zipped = false;
    f.databaseTicked = {false, true, true, false, false};
    f.primaryIndex = 1;
    f.intervalIndex = 3;
    f.homeLat = -33.5;
    f.homeLong = -70.25;
    ASSERT_EQ(f.homes.Add(48.5, 9.25, W("Hütte")), HomeEdit::Ok);
    f.maxWidth = "99999";
    f.useProxy = true;
    f.proxyServer = "proxy:3128";
    f.proxyAuth = true;
    f.proxyUser = "ich";
    f.proxyPass = "=;#x";
    f.updateUrl = "http://127.0.0.1:1/v.txt";
    f.username = W("Späher");
    f.showHints = true;
    f.showInfo = true;
    f.xmlInit = "<?xml a=\"1\"?>";
    f.gpxInit = "<gpx b='2'>";
    f.memWinSize = true;
    f.memColSize = true;

    EXPECT_TRUE(FinishSettingsCommand(&f, hooks));
    EXPECT_TRUE(ProcSettings.SettingsConfirmed);
    EXPECT_EQ(calls, "ht" + dir.str() + "o2s");
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].text, W("Geänderte Konfiguration wurde gespeichert"));
    EXPECT_EQ(fakes.messages.shown[0].kind, platform::MsgKind::Information);
    EXPECT_TRUE(has("ProxyPass==;#x"));
    EXPECT_TRUE(has("NrOfAdditionalHomes=4"));
    EXPECT_TRUE(has("AddHomeTxt4=H\xFCtte"));
    EXPECT_TRUE(has("Left=3"));  // other sections stay

    ProcSettings = TProcSettings{};
    LoadProcSettings(600);
    const SettingsFormData back = FormFromSettings(ProcSettings, Table(5));
    EXPECT_EQ(back.workDir, f.workDir);
    EXPECT_EQ(back.outDir, f.outDir);
    EXPECT_EQ(back.offlineCacheDir, f.offlineCacheDir);
    EXPECT_EQ(back.templateFile, f.templateFile);
    EXPECT_EQ(back.dbUrl, f.dbUrl);
    EXPECT_TRUE(back.zipped);  // always on after loading
    EXPECT_TRUE(has("UseZippedDB=0"));
    EXPECT_EQ(back.databaseTicked, f.databaseTicked);
    EXPECT_EQ(back.primaryIndex, 1);
    EXPECT_EQ(back.intervalIndex, 3);
    EXPECT_EQ(ProcSettings.DBAutoloadInterval, 28);
    EXPECT_EQ(back.homeLat, -33.5);
    EXPECT_EQ(back.homeLong, -70.25);
    ASSERT_EQ(back.homes.Count(), 4);
    EXPECT_EQ(back.homes.Entries()[3].lat, "48.50000");
    EXPECT_EQ(back.homes.Entries()[3].lon, "9.25000");
    EXPECT_EQ(back.homes.Entries()[3].name, W("Hütte"));
    EXPECT_EQ(back.homes.Entries()[0].name, "Eins");
    EXPECT_EQ(back.maxWidth, "99999");
    EXPECT_EQ(back.useProxy, true);
    EXPECT_EQ(back.proxyServer, f.proxyServer);
    EXPECT_EQ(back.proxyAuth, true);
    EXPECT_EQ(back.proxyUser, f.proxyUser);
    EXPECT_EQ(back.proxyPass, "=;#x");
    EXPECT_EQ(back.updateUrl, f.updateUrl);
    EXPECT_EQ(back.username, f.username);
    EXPECT_TRUE(back.showHints);
    EXPECT_TRUE(back.showInfo);
    EXPECT_EQ(back.xmlInit, f.xmlInit);
    EXPECT_EQ(back.gpxInit, f.gpxInit);
    EXPECT_TRUE(back.memWinSize);
    EXPECT_TRUE(back.memColSize);
}

TEST_F(SettingsFileTest, RemovedHomeLeavesTheFileOnlyWithOk) {
    const std::string before = conf();
    SettingsFormData f = form();
    ASSERT_EQ(f.homes.Remove(2), HomeEdit::Ok);
    ASSERT_EQ(f.homes.Add(7, 8, "Neu"), HomeEdit::Ok);
    f.homeLat = 50;
    f.homeLong = 9;
    // Cancel: the file is untouched and the record is read back from it.
    ProcSettings.HomeLat = 50;  // a change already made elsewhere in memory
    EXPECT_FALSE(FinishSettingsCommand(nullptr, hooks));
    EXPECT_EQ(conf(), before);
    EXPECT_EQ(calls, "ws");
    EXPECT_FALSE(ProcSettings.SettingsConfirmed);
    EXPECT_EQ(ProcSettings.HomeLat, 49.5);
    EXPECT_EQ(ProcSettings.AddHomeTxt, (std::vector<std::string>{"Eins", "Zwei", "Drei"}));
    EXPECT_TRUE(fakes.messages.shown.empty());

    // Cancel at the first start: no earlier tq.conf, the probed values stay.
    ConfigExisted = false;
    ProcSettings.OutDir = "/probed/ausgabe";
    ProcSettings.ShowTooltips = true;
    EXPECT_FALSE(FinishSettingsCommand(nullptr, hooks));
    EXPECT_EQ(ProcSettings.OutDir, "/probed/ausgabe");
    EXPECT_TRUE(ProcSettings.ShowTooltips);
    EXPECT_EQ(LastSettingsOutcome(), SettingsOutcome::Cancelled);
    ConfigExisted = true;

    // OK after removing the last of three.
    f = form();
    ASSERT_EQ(f.homes.Remove(2), HomeEdit::Ok);
    calls.clear();
    EXPECT_TRUE(FinishSettingsCommand(&f, hooks));
    EXPECT_TRUE(fakes.messages.shown.empty());  // ShowMessages is off
    EXPECT_TRUE(has("NrOfAdditionalHomes=2"));
    EXPECT_TRUE(has("AddHomeTxt2=Zwei"));
    const std::string after = conf();
    for (const char* gone : {"AddHomeLat3", "AddHomeLon3", "AddHomeTxt3"})
        EXPECT_EQ(after.find(gone), std::string::npos) << gone;
    EXPECT_EQ(ProcSettings.AddHomeTxt.size(), 2u);
}

TEST_F(SettingsFileTest, InvalidFormIsNeitherSavedNorConfirmed) {
    const std::string before = conf();
    SettingsFormData f = form();
    f.maxWidth = "12a";
    f.username = "changed";
    ProcSettings.SettingsConfirmed = true;
    EXPECT_FALSE(FinishSettingsCommand(&f, hooks));
    EXPECT_FALSE(ProcSettings.SettingsConfirmed);
    EXPECT_EQ(conf(), before);
    EXPECT_EQ(ProcSettings.Username, "");
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].kind, platform::MsgKind::Error);
}

TEST_F(SettingsFileTest, FailedSaveIsNotAConfirmation) {
    SettingsFormData f = form();
    f.username = "neu";
    // A folder in place of tq.conf: the rewrite cannot replace it.
    std::filesystem::remove(dir.path() / "tq.conf");
    std::filesystem::create_directory(dir.path() / "tq.conf");
    std::filesystem::create_directory(dir.path() / "tq.conf" / "keep");
    EXPECT_FALSE(FinishSettingsCommand(&f, hooks));
    EXPECT_FALSE(ProcSettings.SettingsConfirmed);
    EXPECT_EQ(ProcSettings.Username, "neu");  // in effect until the program ends
    ASSERT_FALSE(fakes.messages.shown.empty());
    EXPECT_EQ(fakes.messages.shown.back().kind, platform::MsgKind::Error);
    EXPECT_NE(fakes.messages.shown.back().text.find("tq.conf"), std::string::npos);
}

TEST_F(SettingsFileTest, FirstStartLoopEndsOnlyWithASavedOk) {
    const bool existed = ConfigExisted;
    ConfigExisted = false;
    int shown = 0;
    StartupHooks startup;
    startup.settingsCommand = [&] {
        ++shown;
        SettingsFormData f = form();
        if (shown == 2) f.maxWidth = "12a";
        if (shown == 3) f.username = "fertig";
        FinishSettingsCommand(shown == 1 ? nullptr : &f, hooks);
    };
    StartupTask task(startup);
    task.FirstStart();
    ConfigExisted = existed;
    EXPECT_EQ(shown, 3);
    EXPECT_TRUE(ProcSettings.SettingsConfirmed);
    EXPECT_TRUE(has("Username=fertig"));
    int warnings = 0;
    for (const auto& m : fakes.messages.shown)
        if (m.kind == platform::MsgKind::Warning) ++warnings;
    EXPECT_EQ(warnings, 2);
}

}  // namespace
}  // namespace tv
