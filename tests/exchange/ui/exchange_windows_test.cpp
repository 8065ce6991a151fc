// The database CSV export and the additional-waypoint import offscreen: the
// controls reach the logic and the results reach the screen.
#include <gtest/gtest.h>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include <QCheckBox>
#include <filesystem>
#include <string>

#include "../export_cases.h"
#include "core/addwp_db.h"
#include "core/app_paths.h"
#include "exchange/export_run.h"
#include "exchange/ui/frm_db_export.h"
#include "exchange/ui/frm_gpx_imp_add_wp.h"
#include "platform/ui/qt_text.h"
#include "support/fakes.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

TEST(ExchangeWindows, DatabaseDumpWritesTheTickedColumns) {
    tvtest::WorkFolder dir;
    platform::ScopedFakes fakes;
    dir.writeCaches({tvtest::CacheRecord("GC1")});
    TfrmDBExport w;
    w.show();
    for (QCheckBox* cb : w.findChildren<QCheckBox*>()) cb->setChecked(cb == w.cbWaypoint || cb == w.cbHeadline);
    fakes.files.saveAnswers.push_back(dir.str() + "out.csv");
    w.btnStart->click();
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(dir.read("out.csv"), "\"Waypoint\"\r\n\"GC1\"\r\n");
    EXPECT_TRUE(fakes.messages.shown.empty());
}

TEST(ExchangeWindows, DatabaseDumpNeverWritesOverAFileOfTheProgram) {
    tvtest::WorkFolder work;
    tvtest::TempDir program;
    platform::ScopedFakes fakes;
    const std::string previous = ProgramDir();
    SetProgramDir(program.str());
    work.writeCaches({tvtest::CacheRecord("GC1")});
    TfrmDBExport w;
    w.show();
    for (const char* name : tvtest::kProgramFiles) {
        for (const std::string& dir : {work.str(), program.str()}) {
            if (!std::filesystem::exists(dir + name)) std::ofstream(dir + name, std::ios::binary) << "keep";
            const std::string before = tvtest::ReadFileBytes(dir + name);
            const std::string target = dir + tvtest::UpperAscii(name);
            fakes.messages.shown.clear();
            fakes.files.saveAnswers.push_back(target);
            w.btnStart->click();
            EXPECT_EQ(fakes.messages.texts(), std::vector<std::string>{ProgramFileText(target)});
            EXPECT_EQ(tvtest::ReadFileBytes(dir + name), before) << target;
            EXPECT_TRUE(w.isVisible());
        }
    }
    SetProgramDir(previous);
}

TEST(ExchangeWindows, AdditionalWaypointsFromTheEditedText) {
    tvtest::WorkFolder dir;
    platform::ScopedFakes fakes;
    const std::string file =
        dir.write("gc31j2h_wpts.gpx", tvtest::ReadFileBytes(tvtest::Fixture("../data/real/cgeo/gc31j2h_wpts.gpx")));
    TfrmGPXImpAddWP w;
    w.FileName = file;
    w.show();
    EXPECT_EQ(w.GroupBox1->title(), ToQ("Importdatei: " + file + " (32 Zeilen, 2 Waypointdefinitionen)"));

    // A bad number leaves the text for mending.
    const QString text = w.mmSrc->toPlainText();
    w.mmSrc->setPlainText(QString(text).replace("49.317517", "4x"));
    w.btnStart->click();
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_TRUE(w.mmSrc->toPlainText().contains("4x"));
    EXPECT_TRUE(w.btnStart->isEnabled());

    w.mmSrc->setPlainText(
        QString(text).replace("49.317517", "47.9").replace(U("Station 1<"), ToQ("\xC3\xA0\xC2\xA0<")));
    w.btnStart->click();
    TAddWPList store;
    ASSERT_EQ(LoadAddWaypoints(store), 2);
    EXPECT_EQ(store.At(0).Lat, 47.9);
    EXPECT_EQ(store.At(1).Description.str(), "\xE0\xA0");
    EXPECT_TRUE(w.mmSrc->toPlainText().contains("Waypoints nach Einlesen: 2"));
    EXPECT_FALSE(w.btnStart->isEnabled());
}

}  // namespace
}  // namespace tv
