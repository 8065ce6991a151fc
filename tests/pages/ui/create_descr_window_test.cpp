// The description window offscreen, with the platform fakes and the scripted
// modal host: runs over the work list and the folder, the auto-start timer
// and the state byte, cancel, and the options in the settings.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app_paths.h"
#include "core/cache_db.h"
#include "core/html_escape.h"
#include "core/proc_settings.h"
#include "core/settings_file.h"
#include "pages/description_run.h"
#include "pages/ui/frm_create_descr.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "support/ui/fake_modal_host.h"
#include "platform/ui/qt_text.h"
#include "support/temp_dir.h"
#include "support/ui/wait_closed.h"

namespace tv {
namespace {

namespace fs = std::filesystem;
using Codes = std::vector<std::string>;

std::string StoredPage(const std::string& longDescription) {
    return "<html><body>\r\n<span id=\"LongDescription\">" + longDescription + "</span>\r\n</body></html>\r\n";
}

using tvtest::WaitUntilClosed;

class CreateDescrWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetProgramDir(prog.str());
        ProcSettings = TProcSettings{};
        ProcSettings.WorkDir = work.str();
        ProcSettings.OutDir = out.str();
        ProcSettings.Template = prog.str() + "template.html";
        ProcSettings.ShowMessages = true;
        prog.write("template.html", "<!-- #WAYPOINTNAME# -->:<!-- #LONGDESCRIPTION# -->\r\n");
        CacheIndexList.Clear();
        std::vector<TCacheRec> recs;
        for (const char* wp : {"GC1", "GC2", "GC3"}) {
            TCacheRec r;
            r.Waypoint = wp;
            recs.push_back(r);
        }
        work.write("Caches.bin", EncodeCacheRecs(recs));
        work.write("WPList.txt", "GC1\r\nGC2\r\nGC3\r\n");
        out.write("GC1.html", StoredPage("eins <img src=a.jpg>"));
        out.write("GC2.html", StoredPage("zwei"));
    }
    void TearDown() override {
        CacheIndexList.Clear();
        ProcSettings = TProcSettings{};
    }
    int exec(QDialog& d, platform::FakeModalHost::Step step) {
        modal.host.script.push_back(std::move(step));
        return platform::modalHost().exec(d, nullptr);
    }
    Codes Texts() const {
        Codes t;
        for (const auto& s : fakes.messages.shown) t.push_back(s.text);
        return t;
    }

    tvtest::TempDir prog, work, out;
    platform::ScopedFakes fakes;
    platform::ScopedFakeModalHost modal;
};

TEST_F(CreateDescrWindowTest, RunOverTheWorkList) {
    TfrmCreateDescr w;
    EXPECT_EQ(frmCreateDescr, &w);
    EXPECT_EQ(w.State, 0);
    std::vector<int> states;
    fakes.pump.onPump = [&] { states.push_back(w.State); };
    const int result = exec(w, [&](QDialog&) {
        EXPECT_EQ(w.WaypointList, (Codes{"GC1", "GC2", "GC3"}));
        EXPECT_EQ(w.paAnz->text(), ToQ(W("Die Arbeitsliste enthält 3 Wegpunkte.")));
        EXPECT_EQ(w.edTemplate->text(), ToQ(ProcSettings.Template));
        EXPECT_FALSE(w.cbHome->isEnabled());
        w.btnStart->click();
        EXPECT_FALSE(w.isVisible());
        return 0;
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(w.State, 2);
    EXPECT_FALSE(states.empty());
    for (int s : states) EXPECT_EQ(s, 1);
    EXPECT_EQ(out.read("GC1_converted.html"), html::WithPagePolicy("GC1:eins \r\n"));
    EXPECT_EQ(out.read("GC2_converted.html"), html::WithPagePolicy("GC2:zwei\r\n"));
    EXPECT_EQ(w.lblWP->text(), QString("Fertig."));
    EXPECT_EQ(w.pb->value(), 0);
    EXPECT_EQ(w.RemovedContentList, "GC1(1/0)");
    EXPECT_EQ(Texts(), (Codes{W("2 Cachebeschreibungen konvertiert,\r\n1 Caches übersprungen."),
                              RemovedContentWarning("GC1(1/0)")}));
}

TEST_F(CreateDescrWindowTest, RunOverTheFolder) {
    out.write("gc3.HTML", StoredPage("drei"));
    out.write("GC9.html", StoredPage("unbekannt"));
    out.write("GC2_x.html", StoredPage("x"));
    TfrmCreateDescr w;
    exec(w, [&](QDialog&) {
        w.rgConvWhich->button(1)->click();
        EXPECT_EQ(w.WaypointList, (Codes{"GC1", "GC2", "gc3"}));
        EXPECT_EQ(w.paAnz->text(), ToQ(W("Das Ausgabeverzeichnis enthält 3 Cachebeschreibungen.")));
        w.cbKeepOld->setChecked(true);
        w.btnStart->click();
        return 0;
    });
    EXPECT_EQ(out.read("gc3_converted.html"), html::WithPagePolicy("GC3:drei\r\n"));
    EXPECT_FALSE(fs::exists(out.path() / "GC9_converted.html"));
    EXPECT_EQ(fakes.messages.shown.front().text, W("3 Cachebeschreibungen konvertiert,\r\n0 Caches übersprungen."));

    // One page only: the singular; none: the error box.
    fs::remove(out.path() / "GC1.html");
    fs::remove(out.path() / "gc3.HTML");
    exec(w, [&](QDialog&) {
        w.rgConvWhich->button(1)->click();
        EXPECT_EQ(w.paAnz->text(), ToQ(W("Das Ausgabeverzeichnis enthält 1 Cachebeschreibung.")));
        fs::remove(out.path() / "GC2.html");
        fakes.messages.shown.clear();
        w.rgConvWhich->button(1)->click();
        EXPECT_EQ(Texts(), Codes{W("Das Ausgabeverzeichnis enthält keine Cachebeschreibungen.")});
        return 2;
    });
}

TEST_F(CreateDescrWindowTest, AutoStartStateByteAndBoxes) {
    TfrmCreateDescr w;
    int stateWhileRunning = -1;
    fakes.pump.onPump = [&] { stateWhileRunning = w.State; };
    w.AutoLoad->start();
    exec(w, [&](QDialog&) {
        EXPECT_EQ(w.State, 0);
        WaitUntilClosed(w);
        return 0;
    });
    EXPECT_EQ(stateWhileRunning, 1);
    EXPECT_EQ(w.State, 2);
    EXPECT_EQ(w.result(), 1);
    EXPECT_FALSE(w.AutoRun);
    EXPECT_TRUE(fs::exists(out.path() / "GC2_converted.html"));
    // ShowMessages is on, but a timer run shows neither box.
    EXPECT_TRUE(fakes.messages.shown.empty());

    // The batch sets the byte back; the next run by hand shows both boxes.
    w.State = 0;
    exec(w, [&](QDialog&) {
        w.btnStart->click();
        return 0;
    });
    EXPECT_EQ(w.State, 2);
    EXPECT_EQ(fakes.messages.shown.size(), 2u);

    // Closing without a run also gives 2.
    w.State = 0;
    exec(w, [&](QDialog&) {
        w.btnCancel->click();
        return 0;
    });
    EXPECT_EQ(w.State, 2);
    EXPECT_EQ(w.result(), 2);
}

TEST_F(CreateDescrWindowTest, CancelDuringTheRun) {
    out.write("GC3.html", StoredPage("drei"));
    TfrmCreateDescr w;
    int peak = 0;
    fakes.pump.onPump = [&] {
        peak = std::max(peak, w.pb->value());
        if (w.Running() && !w.Cancelled) w.btnCancel->click();
    };
    exec(w, [&](QDialog&) {
        w.btnStart->click();
        return 0;
    });
    EXPECT_TRUE(w.Cancelled);
    EXPECT_EQ(peak, 3);
    EXPECT_TRUE(fs::exists(out.path() / "GC1_converted.html"));
    EXPECT_FALSE(fs::exists(out.path() / "GC2_converted.html"));
    EXPECT_EQ(fakes.messages.shown.front().text, W("1 Cachebeschreibungen konvertiert,\r\n0 Caches übersprungen."));
    EXPECT_EQ(w.result(), 1);
    EXPECT_EQ(w.State, 2);
}

TEST_F(CreateDescrWindowTest, MissingTemplateAndWorkList) {
    fs::remove(work.path() / "WPList.txt");
    TfrmCreateDescr w;
    int stateAfterRun = -1;
    exec(w, [&](QDialog&) {
        EXPECT_EQ(Texts(), Codes{W("Die Arbeitsliste enthält keine Waypoints.")});
        EXPECT_EQ(w.paAnz->text(), ToQ(W("Die Arbeitsliste enthält 0 Wegpunkte.")));
        w.edTemplate->setText(ToQ(prog.str() + "fehlt.html"));
        w.btnStart->click();
        return 0;
    });
    stateAfterRun = w.State;
    EXPECT_EQ(Texts(), (Codes{W("Die Arbeitsliste enthält keine Waypoints."),
                              "Templatedatei nicht gefunden:\r\n" + prog.str() + "fehlt.html"}));
    EXPECT_EQ(stateAfterRun, 2);  // closed, never running
    EXPECT_TRUE(w.TemplateText.empty());
}

TEST_F(CreateDescrWindowTest, OptionsRoundTripAndSaveSwitch) {
    ProcSettings.AddHomeTxt = {"Arbeit"};
    ProcSettings.AddHomeLat = {"48.5"};
    ProcSettings.AddHomeLon = {"8.5"};
    {
        TfrmCreateDescr w;
        exec(w, [&](QDialog&) {
            EXPECT_TRUE(w.cbHome->isEnabled());
            w.cbKeepOld->setChecked(true);
            w.cbLogs->setChecked(false);
            EXPECT_FALSE(w.cbMaxLog->isEnabled());
            w.cbMaxLog->setEditText("7");
            w.cbBoldLogs->setChecked(false);
            w.cbCacheimages->setChecked(false);
            w.rgImageKind->button(0)->setChecked(true);
            w.rgHints->button(2)->setChecked(true);
            w.cbHome->setCurrentIndex(1);
            w.edTemplate->setText("/anderes/template.html");
            for (QCheckBox* cb :
                 {w.cbBody, w.cbBGColor, w.cbImg, w.cbStyle, w.cbHREF, w.cbFont, w.cbTables, w.cbRemoveAll, w.cbSpan})
                cb->setChecked(!cb->isChecked());
            w.lbMaps->setCurrentRow(4);  // MapQuest to the top
            for (int i = 0; i < 4; ++i) w.btnUp->click();
            EXPECT_FALSE(w.btnUp->isEnabled());
            EXPECT_TRUE(w.btnDown->isEnabled());
            w.rgResizeMap->button(1)->setChecked(true);
            return 2;
        });
    }
    const DescrWindowOptions saved = [&] {
        TfrmCreateDescr w;
        DescrWindowOptions o;
        exec(w, [&](QDialog&) {
            o = w.OptionsFromControls();
            EXPECT_EQ(w.lbMaps->item(0)->text(), QString("MapQuest"));
            EXPECT_EQ(w.cbHome->currentIndex(), 1);
            EXPECT_FALSE(w.cbMaxLog->isEnabled());
            EXPECT_FALSE(w.gbImageKind->isEnabled());
            w.cbSaveOptions->setChecked(false);
            w.cbKeepOld->setChecked(false);
            return 2;
        });
        return o;
    }();
    EXPECT_TRUE(saved.descr.keepOld);
    EXPECT_EQ(saved.descr.maxLogs, "7");
    EXPECT_EQ(saved.descr.hints, 2);
    EXPECT_EQ(saved.descr.resizeMap, 1);
    EXPECT_EQ(saved.templateFile, "/anderes/template.html");
    EXPECT_TRUE(saved.descr.clean.span);
    EXPECT_FALSE(saved.descr.clean.body);
    EXPECT_EQ(saved.descr.mapOrder,
              (Codes{"MapQuest", "MultiMap", "MapPoint", "Stadtplandienst (Karte)", "Stadtplandienst (Luftbild)"}));

    // Saving switched off: only the switch changed in the file.
    EXPECT_EQ(IniFile().readString("Program", "CrDescSaveOpts"), "0");
    EXPECT_EQ(IniFile().readString("Program", "CrDescKeepOld"), "1");
    TfrmCreateDescr w;
    exec(w, [&](QDialog&) {
        EXPECT_FALSE(w.cbSaveOptions->isChecked());
        EXPECT_FALSE(w.cbKeepOld->isChecked());  // the window's own default, not the stored value
        return 2;
    });
}

}  // namespace
}  // namespace tv
