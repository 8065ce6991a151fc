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
        QString(text).replace("49.317517", "47.9").replace(U("Station 1<"), U("\xC3\xA0\xC2\xA0<")));
    w.btnStart->click();
    TAddWPList store;
    ASSERT_EQ(LoadAddWaypoints(store), 2);
    EXPECT_EQ(store.At(0).Lat, 47.9);
    EXPECT_EQ(store.At(1).Description.str(), "\xE0\xA0");
    EXPECT_TRUE(w.mmSrc->toPlainText().contains("Waypoints nach Einlesen: 2"));
    EXPECT_FALSE(w.btnStart->isEnabled());
}

// The memo shows the file in its own encoding; what is typed there reads
// back as typed. A big file is shown in part and imported whole.
TEST(ExchangeWindows, AdditionalWaypointsInTheFilesEncodingAndBigFilesInPart) {
    tvtest::WorkFolder dir;
    platform::ScopedFakes fakes;
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<gpx>\r\n";
    const std::string file = dir.write(
        "GC1WPTS.GPX", head + "<wpt lat=\"1\" lon=\"2\"><name>PK1</name><desc>Gr\xC3\xB6\xC3\x9F" "e</desc></wpt>\r\n"
                       "<wpt lat=\"1\" lon=\"2\"><name>PK2</name><desc>Stra\xDF" "e & Weg</desc></wpt>\r\n</gpx>\r\n");
    TfrmGPXImpAddWP w;
    w.FileName = file;
    w.show();
    EXPECT_TRUE(w.mmSrc->toPlainText().contains(U("Gr\xC3\xB6\xC3\x9F" "e")));
    EXPECT_TRUE(w.mmSrc->toPlainText().contains(U("Stra\xC3\x9F" "e & Weg")));
    EXPECT_FALSE(w.mmSrc->isReadOnly());
    w.mmSrc->setPlainText(w.mmSrc->toPlainText().replace(U("Gr\xC3\xB6\xC3\x9F" "e"), U("M\xC3\xBChle")));
    w.btnStart->click();
    EXPECT_TRUE(fakes.messages.shown.empty());
    TAddWPList store;
    ASSERT_EQ(LoadAddWaypoints(store), 2);
    EXPECT_EQ(store.At(0).Description.str(), "M\xFChle");
    EXPECT_EQ(store.At(1).Description.str(), "Stra\xDF" "e & Weg");

    std::string big = head;
    while (big.size() <= kAddWpMemoBytes)
        big += "<wpt lat=\"1\" lon=\"2\"><name>ST" + std::to_string(big.size()) + "</name><cmt>" +
               std::string(200, 'x') + "</cmt></wpt>\r\n";
    big += "<wpt lat=\"3\" lon=\"4\"><name>ZZLAST</name></wpt>\r\n</gpx>\r\n";
    TfrmGPXImpAddWP b;
    b.FileName = dir.write("BIGWPTS.GPX", big);
    b.show();
    EXPECT_TRUE(b.mmSrc->isReadOnly());
    EXPECT_FALSE(b.mmSrc->toPlainText().contains("ZZLAST"));
    EXPECT_TRUE(b.GroupBox1->title().contains(U("eingelesen wird die ganze Datei")));
    b.btnStart->click();
    EXPECT_TRUE(b.mmSrc->toPlainText().contains("ZZLAST"));
    TAddWPList after;
    LoadAddWaypoints(after);
    EXPECT_EQ(after.At(after.Count() - 1).CacheCode.str(), "GCLAST");
    EXPECT_EQ(static_cast<std::uint64_t>(after.Count()), 2 + SummarizeAddWpFile(b.FileName).definitions);
}

}  // namespace
}  // namespace tv
