#include "core/settings_file.h"

#include <algorithm>
#include <clocale>
#include <locale>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "core/app_paths.h"
#include "core/file_procs.h"
#include "core/proc_settings.h"
#include "support/fakes.h"
#include "support/temp_dir.h"
#include "support/write_fault.h"

namespace tv {

// A fresh program folder, the fake clock at 03.02.2007 09:05:07 and an empty
// settings record for each test.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDir_ = ProgramDir();
        SetProgramDir(dir.str());
        ProcSettings = TProcSettings{};
        ConfigExisted = false;
    }
    void TearDown() override {
        SetIniWriteFailureHandler(nullptr);
        SetProgramDir(previousDir_);
    }
    std::string conf() const { return dir.read("tq.conf"); }
    std::string folder() const { return dir.path().string(); }

    tvtest::TempDir dir;
    platform::ScopedFakes fakes;

private:
    std::string previousDir_;
};

TEST_F(SettingsTest, FirstStartWritesTheDefaultsOnceSecondStartKeepsUserValues) {
    ASSERT_TRUE(StartSettingsFile());
    EXPECT_FALSE(ConfigExisted);
    const std::string f = folder();
    EXPECT_EQ(conf(), "[Program]\r\nLatestStart=03.02.2007 09:05:07\r\nWorkDir=" + f + "\r\nOutDir=" + f +
                          "\r\nTemplate=" + f +
                          "/template.html\r\nDBAutoloadInterval=-1\r\nRadius=15\r\nHTMLMaxWidth=640\r\n"
                          "NrOfAdditionalHomes=0\r\nCacheDBPrimary=3\r\nCacheDBCount=0\r\n"
                          "CacheDBUrl=\r\n");  // no server of our own: the user sets it

    ASSERT_TRUE(WriteSettingFloat("Radius", 33));
    fakes.clock.time = {2024, 12, 24, 18, 0, 1, 0};
    ASSERT_TRUE(StartSettingsFile());
    EXPECT_TRUE(ConfigExisted);
    EXPECT_EQ(ReadSettingStr("LatestStart"), "24.12.2024 18:00:01");
    EXPECT_EQ(ReadSettingFloat("Radius"), 33);
    EXPECT_EQ(ReadSettingInt("CacheDBPrimary"), 3);

    // The record then sees the first-start values, not its own fallbacks.
    LoadProcSettings(600);
    EXPECT_EQ(ProcSettings.Radius, 33);
    EXPECT_EQ(ProcSettings.DBAutoloadInterval, -1);
    EXPECT_EQ(ProcSettings.CacheDBPrimary, 3);
    EXPECT_EQ(ProcSettings.WorkDir, f);
}

TEST_F(SettingsTest, ValueWithALineBreakCannotInjectAKey) {
    ASSERT_TRUE(WriteSettingStr("WorkDir", "/x"));
    ASSERT_TRUE(WriteSettingStr("Username", "a\r\nWorkDir=/evil"));
    EXPECT_EQ(ReadSettingStr("WorkDir"), "/x");
    EXPECT_EQ(ReadSettingStr("Username"), "a  WorkDir=/evil");
    EXPECT_EQ(conf(), "[Program]\r\nWorkDir=/x\r\nUsername=a  WorkDir=/evil\r\n");
}

TEST_F(SettingsTest, FloatsIgnoreTheProcessLocale) {
    // A C++ global locale with ',' catches stream formatting; the C locale
    // (strtod, printf) is switched too when German is installed.
    struct Comma : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
    };
    std::locale previous = std::locale::global(std::locale(std::locale::classic(), new Comma));
    std::string oldC = std::setlocale(LC_ALL, nullptr);
    bool german = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "de_DE@euro"})
        if (std::setlocale(LC_ALL, name)) {
            german = true;
            break;
        }
    std::ostringstream probe;
    probe << 1.5;
    EXPECT_EQ(probe.str(), "1,5");  // the locale really is in effect

    ASSERT_TRUE(WriteSettingFloat("HomeLat", 48.5));
    dir.write("tq.conf", conf() + "HomeLong=10.75\r\nRadius=1e-05\r\n");
    EXPECT_EQ(ReadSettingFloat("HomeLat"), 48.5);
    LoadProcSettings(600);
    EXPECT_EQ(ProcSettings.HomeLat, 48.5);
    EXPECT_EQ(ProcSettings.HomeLong, 10.75);
    EXPECT_DOUBLE_EQ(ProcSettings.Radius, 1e-5);
    ASSERT_TRUE(SaveProcSettings(false));
    const std::string text = conf();

    std::setlocale(LC_ALL, oldC.c_str());
    std::locale::global(previous);
    EXPECT_NE(text.find("\r\nHomeLat=48.5\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nHomeLong=10.75\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nRadius=0.00001\r\n"), std::string::npos);
    if (!german) GTEST_SKIP() << "no German C locale installed; checked with the C++ locale only";
}

TEST_F(SettingsTest, FailedWriteOfTheSettingsFileIsVisible) {
    dir.write("prog", "a file, not a folder");
    SetProgramDir(dir.str() + "prog/");
    int calls = 0;
    SetIniWriteFailureHandler([&](const std::string&, const Error&) { ++calls; });
    EXPECT_FALSE(StartSettingsFile());
    EXPECT_EQ(calls, 1);  // one rewrite for the whole start-up
    EXPECT_FALSE(WriteSettingInt("Radius", 1));
    ProcSettings.Radius = 3;
    EXPECT_FALSE(SaveProcSettings(false));
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(dir.read("prog"), "a file, not a folder");
}

TEST_F(SettingsTest, ShippedFilesAreCopiedButNeverOverwrittenSaveTheHelpPage) {
    tvtest::TempDir data;
    data.write("template.html", "<new>");
    data.write("CacheDB.conf", "table");
    data.write("maps/borders.bin", "b");
    SetProgramDir(dir.str() + "home/trailvane");
    dir.write("home/trailvane/template.html", "<mine>");
    ASSERT_TRUE(CopyShippedData(data.str(), ProgramDir()).ok());
    EXPECT_EQ(dir.read("home/trailvane/template.html"), "<mine>");
    EXPECT_EQ(dir.read("home/trailvane/CacheDB.conf"), "table");
    EXPECT_EQ(dir.read("home/trailvane/maps/borders.bin"), "b");

    // The help page of an older version gives way to the shipped one; a
    // help page in a sub-folder is the user's like any other file.
    data.write("Dokumentation.html", "<p>neu</p>");
    data.write("maps/Dokumentation.html", "<p>neu</p>");
    dir.write("home/trailvane/Dokumentation.html", "<p>old</p>");
    dir.write("home/trailvane/maps/Dokumentation.html", "<p>mine</p>");
    ASSERT_TRUE(CopyShippedData(data.str(), ProgramDir()).ok());
    EXPECT_EQ(dir.read("home/trailvane/Dokumentation.html"), "<p>neu</p>");
    EXPECT_EQ(dir.read("home/trailvane/maps/Dokumentation.html"), "<p>mine</p>");
    EXPECT_EQ(dir.read("home/trailvane/template.html"), "<mine>");

    // A help page that cannot be refreshed and a folder that cannot be made
    // are both told, and a deleted template comes back all the same.
    data.write("Dokumentation.html", "<p>neuer</p>");
    std::filesystem::remove(dir.path() / "home/trailvane/template.html");
    std::filesystem::remove_all(dir.path() / "home/trailvane/maps");
    dir.write("home/trailvane/maps", "a file where the folder belongs");
    {
        tvtest::ScopedWriteFault full("Dokumentation.html", WriteStep::Create);
        const Result<void> copied = CopyShippedData(data.str(), ProgramDir());
        ASSERT_FALSE(copied.ok());
        const std::vector<std::string> lines = SplitTextLines(copied.error().message);
        const std::string help = "Fehler beim Kopieren nach " + ProgramDir() + "Dokumentation.html";
        EXPECT_NE(std::find(lines.begin(), lines.end(), help), lines.end()) << copied.error().message;
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
            return l.rfind("Fehler beim Kopieren nach " + ProgramDir() + "maps/borders.bin (", 0) == 0;
        })) << copied.error().message;
    }
    EXPECT_EQ(dir.read("home/trailvane/Dokumentation.html"), "<p>neu</p>");
    EXPECT_EQ(dir.read("home/trailvane/template.html"), "<new>");
    std::filesystem::remove(dir.path() / "home/trailvane/maps");

    SetProgramDir(dir.str() + "fresh/deep");
    ASSERT_TRUE(PrepareProgramDir().ok());
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "fresh/deep"));
}

}  // namespace tv
