#include "core/proc_settings.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "core/app_paths.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace tv {

namespace fs = std::filesystem;

class ProcSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDir_ = ProgramDir();
        SetProgramDir(dir.str());
        ProcSettings = TProcSettings{};
    }
    void TearDown() override { SetProgramDir(previousDir_); }
    void file(const std::string& program) { dir.write("tq.conf", "[Program]\r\n" + program); }
    std::string conf() const { return dir.read("tq.conf"); }
    bool has(const std::string& line) const { return conf().find("\r\n" + line + "\r\n") != std::string::npos; }

    tvtest::TempDir dir;
    platform::ScopedFakes fakes;

private:
    std::string previousDir_;
};

TEST_F(ProcSettingsTest, ZeroAndDamagedValuesFallBack) {
    file("HomeLat=0\r\nHomeLong=abc\r\nRadius=0\r\nHTMLMaxWidth=-3\r\nMain_ColumnToSort=7\r\nMain_SortDir=5\r\n"
         "CacheDBPrimary=77\r\nNrOfAdditionalHomes=1000000000\r\nShowMessages=2\r\nUseZippedDB=0\r\n"
         "Main_MemColSize=0\r\nMain_Col1Width=10\r\nMain_Col2Width=20\r\nMain_Col3Width=30\r\nWorkDir=\r\n");
    LoadProcSettings(500);
    const TProcSettings& s = ProcSettings;
    EXPECT_EQ(s.HomeLat, 49.5);
    EXPECT_EQ(s.HomeLong, 10.75);
    EXPECT_EQ(s.Radius, 50.0);
    EXPECT_EQ(s.HTMLMaxWidth, 640);
    EXPECT_EQ(s.Main_ColumnToSort, 2);
    EXPECT_EQ(s.Main_SortDir, 1);
    EXPECT_EQ(s.CacheDBPrimary, 77);  // kept; users of it check it against the table
    EXPECT_EQ(ValidCacheDBPrimary(s, 40), 0);
    EXPECT_EQ(s.AddHomeTxt.size(), 500u);
    EXPECT_TRUE(s.ShowMessages);
    EXPECT_TRUE(s.UseZippedDB);
    EXPECT_EQ(s.Main_Col1Width, 73);
    EXPECT_EQ(s.Main_Col2Width, 307);
    EXPECT_EQ(s.WorkDir, dir.path().string());
    // No download address is built in: the program has no server of its own.
    EXPECT_EQ(s.CacheDBUrl, "");
    EXPECT_EQ(s.ArchiveUrl, "");
    EXPECT_EQ(s.UpdateURL, "");

    file("Main_MemColSize=1\r\nMain_Col1Width=10\r\nMain_Col2Width=20\r\nMain_Col3Width=30\r\nCacheDBPrimary=3\r\n"
         "UseCacheDB45=1\r\nUseCacheDB2=1\r\nMain_ColumnToSort=-1\r\n");
    LoadProcSettings(500);
    EXPECT_EQ(ProcSettings.Main_Col1Width, 10);
    EXPECT_EQ(ProcSettings.Main_Col2Width, 20);
    EXPECT_EQ(ProcSettings.Main_Col3Width, 30);
    EXPECT_EQ(ProcSettings.Main_ColumnToSort, 0);
    EXPECT_EQ(ValidCacheDBPrimary(ProcSettings, 40), 3);
    EXPECT_TRUE(UsesCacheDB(ProcSettings, 2, 40));
    EXPECT_FALSE(UsesCacheDB(ProcSettings, 45, 40));  // beyond the table
    EXPECT_FALSE(UsesCacheDB(ProcSettings, 3, 40));
}

TEST_F(ProcSettingsTest, AFileHoldingTheProxyPasswordIsPrivate) {
    file("");
    const auto path = dir.path() / "tq.conf";
    fs::permissions(path, fs::perms(0644));
    LoadProcSettings(500);
    ProcSettings.ProxyPass = "geheim";
    ASSERT_TRUE(SaveProcSettings(false));
    EXPECT_TRUE(has("ProxyPass=geheim"));
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0600));
}

TEST_F(ProcSettingsTest, SaveThenLoadGivesTheSameRecordAndKeepsOtherKeys) {
    file("LoadMapKind=2\r\nCrDescKeepOld=1\r\nIdxSaveOpts=1\r\n");
    dir.write("tq.conf", conf() + "\r\n[ListExport]\r\nFormat=3\r\n");
    TProcSettings& s = ProcSettings;
    s.WorkDir = "/data/geo";
    s.OutDir = "/data/out/";
    s.OfflineCacheDir = "/data/offline";
    s.CacheDBUrl = "http://127.0.0.1:8080/db/";
    s.ArchiveUrl = "http://127.0.0.1:8080/a.php";
    s.Template = "/data/t.html";
    s.DBAutoloadInterval = 14;
    s.UseProxy = true;
    s.ProxyServer = "http://proxy:3128";
    s.ProxyAuth = true;
    s.ProxyUser = "ich";
    s.ProxyPass = "p=a;s#s \"w\"";
    s.HomeLat = 48.123456789;
    s.HomeLong = -0.000001;
    s.Radius = 33.3;
    s.HTMLMaxWidth = 800;
    s.AddHomeLat = {"49.12346", "-1.00000"};
    s.AddHomeLon = {"8.00000", "179.99999"};
    s.AddHomeTxt = {"B\xFCro", "Ferien = Meer"};
    for (int k = 0; k < 50; ++k) s.UseCacheDB[static_cast<size_t>(k)] = k % 3 == 0 ? 1 : 0;
    s.CacheDBCount = 17;
    s.CacheDBPrimary = 5;
    s.ShowMessages = true;
    s.ShowTooltips = true;
    s.Username = "Sp\xE4her";
    s.UpdateURL = "http://127.0.0.1:8080/v.txt";
    s.LXM = 2006;
    s.GPX_XMLInit = "<?xml version='1.0'?>";
    s.GPX_GPXInit = "<gpx a=\"1\" b='=2'>";
    s.Main_ColumnToSort = 2;
    s.Main_SortDir = 1;
    s.Main_Left = -5;
    s.Main_Top = 7;
    s.Main_Width = 1024;
    s.Main_Height = 768;
    s.Main_MemWinSize = true;
    s.Main_MemColSize = true;
    s.Main_Col1Width = 80;
    s.Main_Col2Width = 400;
    s.Main_Col3Width = 61;
    const TProcSettings saved = s;
    ASSERT_TRUE(SaveProcSettings(false));

    ProcSettings = TProcSettings{};
    ProcSettings.UseZippedDB = false;
    LoadProcSettings(999);
    EXPECT_TRUE(ProcSettings == saved);

    // Keys of other windows stay where they were; the order of the save is kept.
    const std::string text = conf();
    EXPECT_EQ(text.rfind("[Program]\r\nLoadMapKind=2\r\nCrDescKeepOld=1\r\nIdxSaveOpts=1\r\nMain_ColumnToSort=2\r\n"
                         "Main_SortDir=1\r\nMain_Left=-5\r\n", 0),
              0u);
    EXPECT_NE(text.find("\r\n[ListExport]\r\nFormat=3\r\n"), std::string::npos);
    EXPECT_TRUE(has("ProxyPass=p=a;s#s \"w\""));
    EXPECT_TRUE(has("HomeLong=-1E-6"));
    EXPECT_TRUE(has("UseCacheDB50=0"));
    EXPECT_TRUE(has("UseCacheDB49=1"));
    EXPECT_TRUE(has("Main_Col3Width=61"));

    // Widths not to be remembered leave the stored ones as they are.
    ProcSettings.Main_MemColSize = false;
    ProcSettings.Main_Col1Width = 90;
    ProcSettings.Main_Col3Width = 87;
    ASSERT_TRUE(SaveProcSettings(false));
    EXPECT_TRUE(has("Main_MemColSize=0"));
    EXPECT_TRUE(has("Main_Col1Width=80"));
    EXPECT_TRUE(has("Main_Col3Width=61"));
}

// Removing an additional home renumbers the rest and leaves no key of the
// last number behind; "AddHomeTxt10" is no home 1.
TEST_F(ProcSettingsTest, RemovedHomeLeavesNoNumberedKey) {
    file("AddHomeTxt10=alt\r\n");
    TProcSettings& s = ProcSettings;
    s.AddHomeLat = {"48.10000", "49.20000", "-33.30000"};
    s.AddHomeLon = {"11.40000", "8.50000", "151.60000"};
    s.AddHomeTxt = {"Eins", "Zwei", "Drei"};
    ASSERT_TRUE(SaveProcSettings(true));
    EXPECT_TRUE(has("AddHomeTxt3=Drei"));
    EXPECT_FALSE(has("AddHomeTxt10=alt"));

    for (auto* v : {&s.AddHomeLat, &s.AddHomeLon, &s.AddHomeTxt}) v->erase(v->begin() + 1);
    ASSERT_TRUE(SaveProcSettings(true));
    EXPECT_TRUE(has("NrOfAdditionalHomes=2"));
    EXPECT_TRUE(has("AddHomeTxt2=Drei"));
    EXPECT_TRUE(has("AddHomeLat2=-33.3"));
    EXPECT_TRUE(has("AddHomeLon2=151.6"));
    EXPECT_TRUE(has("AddHomeTxt1=Eins"));
    const std::string text = conf();
    for (const char* key : {"AddHomeLat3", "AddHomeLon3", "AddHomeTxt3"})
        EXPECT_EQ(text.find(key), std::string::npos) << key;

    LoadProcSettings(500);
    EXPECT_EQ(ProcSettings.AddHomeTxt, (std::vector<std::string>{"Eins", "Drei"}));
    EXPECT_EQ(ProcSettings.AddHomeLat, (std::vector<std::string>{"48.10000", "-33.30000"}));
}

}  // namespace tv
