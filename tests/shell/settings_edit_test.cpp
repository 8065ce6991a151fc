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
        hooks.listClientWidth = [this] {
            calls += "w";
            return 600;
        };
        hooks.reselectHome = [this] { calls += "h"; };
        hooks.rebuildTree = [this] { calls += "t" + ProcSettings.OutDir; };
        hooks.applyShowHints = [this] { calls += "s"; };
    }
    void TearDown() override { SetProgramDir(previousDir_); }
    std::string conf() const { return dir.read("tq.conf"); }
    SettingsFormData form() const { return FormFromSettings(ProcSettings, Table(5)); }

    tvtest::TempDir dir;
    platform::ScopedFakes fakes;
    SettingsCommandHooks hooks;
    std::string calls;

private:
    std::string previousDir_;
};

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

}  // namespace
}  // namespace tv
