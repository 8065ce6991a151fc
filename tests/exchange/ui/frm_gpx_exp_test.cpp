// The export window offscreen: its controls reach the run, the results reach
// the message boxes, and refused runs keep it open.
#include "exchange/ui/frm_gpx_exp.h"

#include <gtest/gtest.h>
#include <QButtonGroup>
#include <QCheckBox>
#include <QPushButton>
#include <filesystem>

#include "../export_cases.h"
#include "core/app_paths.h"
#include "core/cache_db.h"
#include "core/proc_settings.h"
#include "exchange/export_run.h"
#include "platform/ui/modal_result.h"
#include "support/fakes.h"
#include "support/records.h"
#include "support/ui/fake_modal_host.h"

namespace tv {
namespace {

class ExportWindow : public ::testing::Test {
protected:
    void SetUp() override {
        tvtest::WriteExportWork(work);
        ProcSettings.ShowMessages = true;
    }
    void TearDown() override { ProcSettings = TProcSettings{}; }
    int exec(platform::FakeModalHost::Step step) {
        modal.host.script.push_back(std::move(step));
        return platform::modalHost().exec(w, nullptr);
    }

    tvtest::WorkFolder work;
    platform::ScopedFakes fakes;
    platform::ScopedFakeModalHost modal;
    TfrmGPXExp w;
};

TEST_F(ExportWindow, ChosenFormatAndListReachTheFileAndTheCountIsShown) {
    fakes.files.saveAnswers.push_back(work.str() + "export");
    const int result = exec([&](QDialog&) {
        w.rgFormat->button(kFmtGpx)->click();
        w.rgWhat->button(2)->click();
        w.cbOutputHome->click();
        w.OK->click();
        return 0;
    });
    EXPECT_EQ(result, mrOk);
    ExportRequest req;
    req.options = DefaultExportOptions();
    req.options.format = kFmtGpx;
    req.options.gpx.outputHome = false;
    req.source = ExportSource::Database;
    req.outPath = work.str() + "expected.gpx";
    req.context = ExportContextFromSettings(0);
    ASSERT_EQ(RunExport(req).written, 4);
    EXPECT_EQ(work.read("export.gpx"), work.read("expected.gpx"));
    EXPECT_EQ(fakes.messages.texts(), std::vector<std::string>{W("4 Datensätze geschrieben.")});
}

TEST_F(ExportWindow, RefusedRunsKeepTheWindowOpen) {
    const std::string worklist = work.read("WPList.txt");
    work.write("old.gpx", "alt");
    fakes.files.saveAnswers = {work.str() + "WPList.txt", work.str() + "old"};
    fakes.messages.answers = {platform::MsgResult::Ok, platform::MsgResult::Ok, platform::MsgResult::No};
    exec([&](QDialog& d) {
        w.rgFormat->button(kFmtXml)->click();
        w.OK->click();  // no template in the work folder
        EXPECT_TRUE(fakes.files.titles.empty());
        w.rgFormat->button(kFmtGpx)->click();
        w.OK->click();  // onto the work list
        w.OK->click();  // "old" + ".gpx" exists: asked, and not replaced
        EXPECT_TRUE(d.isVisible());
        return mrCancel;
    });
    EXPECT_EQ(fakes.messages.texts(), (std::vector<std::string>{
                           W("Keine XML-Vorlage gewählt!"), ProgramFileText(work.str() + "WPList.txt"),
                           W("Die Datei ") + work.str() + W("old.gpx existiert bereits. Überschreiben?")}));
    EXPECT_EQ(fakes.messages.shown.back().defaultButton, platform::MsgDefault::No);  // Enter keeps the file
    EXPECT_EQ(work.read("WPList.txt"), worklist);
    EXPECT_EQ(work.read("old.gpx"), "alt");
}

TEST_F(ExportWindow, SaveDialogOffersEveryFormatWithTheChosenOneSelected) {
    exec([&](QDialog&) {
        w.rgFormat->button(kFmtCsv)->click();
        w.OK->click();  // the file dialog is cancelled
        return mrCancel;
    });
    EXPECT_EQ(fakes.files.lastFilter,
              W("Top50 Overlaydateien (*.ovl);;Waypointdatei für EasyGPS (*.loc);;"
                "CSV-Dateien für Tabellenkalkulation (*.csv);;RealMaps-Serie3-Overlay (*.txt);;"
                "OziExplorer (*.wpt);;GPX-Dateien (*.gpx);;XML-Dateien (*.xml);;Magellan-Dateien (*.gs);;"
                "Alle Dateien (*)"));
    EXPECT_EQ(fakes.files.lastSelectedFilter, W("CSV-Dateien für Tabellenkalkulation (*.csv)"));
}

TEST_F(ExportWindow, NeverWritesOverAFileOfTheProgram) {
    tvtest::TempDir program;
    const std::string previous = ProgramDir();
    SetProgramDir(program.str());
    std::vector<std::string> targets, expected;
    for (const char* name : tvtest::kProgramFiles) {
        for (const std::string& dir : {work.str(), program.str()}) {
            const std::string target = dir + tvtest::UpperAscii(name);
            if (!std::filesystem::exists(dir + name)) std::ofstream(dir + name, std::ios::binary) << "keep";
            targets.push_back(target);
            expected.push_back(ProgramFileText(target));
        }
    }
    std::vector<std::string> before;
    for (const std::string& t : targets) before.push_back(tvtest::ReadFileBytes(t));
    for (const std::string& t : targets) fakes.files.saveAnswers.push_back(t);
    // Typed without the extension the format adds: refused without asking to replace.
    fakes.files.saveAnswers.push_back(work.str() + "German_Towns");
    expected.push_back(ProgramFileText(work.str() + "German_Towns.csv"));
    targets.push_back(work.str() + "german_towns.csv");
    before.push_back(tvtest::ReadFileBytes(targets.back()));
    exec([&](QDialog& d) {
        w.rgFormat->button(kFmtCsv)->click();
        for (std::size_t i = 0; i < targets.size(); ++i) w.OK->click();
        EXPECT_TRUE(d.isVisible());
        return mrCancel;
    });
    EXPECT_EQ(fakes.messages.texts(), expected);
    for (std::size_t i = 0; i < targets.size(); ++i) EXPECT_EQ(tvtest::ReadFileBytes(targets[i]), before[i]) << targets[i];
    SetProgramDir(previous);
}

}  // namespace
}  // namespace tv
