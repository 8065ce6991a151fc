// The cache-database commands with their windows: a loader window for the
// download, the converter window, "Load from URL" for the archive list, and
// the status-bar label.
#include <gtest/gtest.h>

#include <QLabel>
#include <QWidget>
#include <ctime>
#include <map>

#include "acquire/ui/frm_load_url.h"
#include "core/app_paths.h"
#include "core/cachedb_table.h"
#include "core/debug_log.h"
#include "core/proc_settings.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "support/ui/fake_modal_host.h"
#include "platform/ui/qt_text.h"
#include "shell/ui/cachedb_menu.h"
#include "support/file_time.h"
#include "support/http_test_server.h"
#include "support/temp_dir.h"
#include "support/zip_build.h"

namespace tv {
namespace {

using tvtest::TodayText;

class CacheDbMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedSettings_ = ProcSettings;
        savedTable_ = CacheDBTable();
        savedProgramDir_ = ProgramDir();
        SetProgramDir(prog_.str());
        ArchiveList.Clear();
        CacheDBTable() = TCacheDBTable::Parse(
            "[CacheDB]\nGCDatabaseCount=3\nDB_CountryID3=79\nDB_Filename3=germany.txt\n");
        srv_.start();
        ProcSettings = TProcSettings{};
        ProcSettings.WorkDir = work_.str();
        ProcSettings.CacheDBUrl = srv_.url("/db/");
        ProcSettings.CacheDBPrimary = 3;
        ProcSettings.UseZippedDB = true;
        ProcSettings.ShowMessages = true;
    }
    void TearDown() override {
        ProcSettings = savedSettings_;
        CacheDBTable() = savedTable_;
        SetProgramDir(savedProgramDir_);
        ArchiveList.Clear();
    }

    tvtest::TempDir prog_, work_;
    tvtest::HttpTestServer srv_;
    platform::ScopedFakes fakes_;
    platform::ScopedFakeModalHost modal_;
    QWidget main_;
    QLabel status_;

private:
    TProcSettings savedSettings_;
    TCacheDBTable savedTable_;
    std::string savedProgramDir_;
};

TEST_F(CacheDbMenuTest, PrimaryDownloadWithWindows) {
    std::string list;
    for (int i = 1; i <= 3; ++i)
        list += std::to_string(i) + " \"C\" 2004 7 3 48.0 9.0 \"Traditional Cache\" \"Regular\" GC" +
                std::to_string(i) + " x 1 1\r\n";
    srv_.serve("/db/germany.txt.zip", tvtest::BuildZip({{"germany.txt", list}}), "application/zip");
    CacheDbMenu menu(&main_, &status_);
    menu.mnuReadCacheDBClick();
    EXPECT_EQ(srv_.requestsTo("/db/germany.txt.zip").size(), 1u);
    EXPECT_EQ(FromQ(status_.text()), "Stand der Cache-DB: " + TodayText() + W(", 3 Einträge. Keine Archivliste gefunden."));
    ASSERT_EQ(fakes_.messages.shown.size(), 1u);
    EXPECT_EQ(fakes_.messages.shown[0].text, W("germany.txt:\r\n3 Datensätze wurden konvertiert"));

    // A failed download is reported by the loader; the status stays.
    srv_.route("GET", "/db/germany.txt.zip", [](const httplib::Request&, httplib::Response& r) { r.status = 404; });
    status_.setText("unchanged");
    menu.mnuReadCacheDBClick();
    EXPECT_EQ(status_.text(), QStringLiteral("unchanged"));
    ASSERT_EQ(fakes_.messages.shown.size(), 2u);
    EXPECT_EQ(fakes_.messages.shown[1].kind, platform::MsgKind::Error);
}

}  // namespace
}  // namespace tv
