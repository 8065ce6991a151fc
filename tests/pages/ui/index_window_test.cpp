// The index window offscreen, with the platform fakes and the scripted modal
// host: manual and timer-started runs, the state byte, the folder override,
// the question before writing elsewhere and the saved options.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app_paths.h"
#include "core/cache_db.h"
#include "core/html_escape.h"
#include "core/proc_settings.h"
#include "core/settings_file.h"
#include "pages/index_page.h"
#include "pages/ui/frm_index.h"
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

TCacheRec Cache(const char* wp, const char* name, double lat) {
    TCacheRec r;
    r.Waypoint = wp;
    r.Name = name;
    r.Hidden = *DayCountFromDate(2007, 5, 1);
    r.Lat = lat;
    r.Lon = 8.0;
    r.CacheType = "TRADITIONAL CACHE";
    r.Size = "Small";
    r.Difficulty = "2";
    r.Terrain = "2";
    return r;
}

using tvtest::WaitUntilClosed;

class IndexWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetProgramDir(prog.str());
        ProcSettings = TProcSettings{};
        ProcSettings.WorkDir = work.str();
        ProcSettings.OutDir = out.str();
        ProcSettings.HomeLat = 48.0;
        ProcSettings.HomeLong = 8.0;
        CacheIndexList.Clear();
        work.write("Caches.bin", EncodeCacheRecs({Cache("GC1", "Eins", 48.2), Cache("GC2", "Zwei", 48.1),
                                                  Cache("GC3", "Drei", 48.3)}));
        for (const char* name : {"GC1.html", "GC1_converted.html", "GC2_converted.html", "GC3_converted.html"})
            out.write(name, "x");
    }
    void TearDown() override {
        CacheIndexList.Clear();
        ProcSettings = TProcSettings{};
    }
    int exec(QDialog& d, platform::FakeModalHost::Step step) {
        modal.host.script.push_back(std::move(step));
        return platform::modalHost().exec(d, nullptr);
    }
    // What the window must have written for these options.
    std::string Expected(const std::string& folder, const IndexOptions& o) {
        IndexPageParams p;
        p.codes = ListConvertedCodes(folder);
        p.options = o;
        p.home = IndexHomeFor(ProcSettings, o.home);
        return RenderIndexPage(p);
    }

    tvtest::TempDir prog, work, out;
    platform::ScopedFakes fakes;
    platform::ScopedFakeModalHost modal;
};

TEST_F(IndexWindowTest, ManualRunWritesOpensAndCloses) {
    TfrmIndex w;
    EXPECT_EQ(frmIndex, &w);
    EXPECT_EQ(w.State, 0);
    int stateDuringShow = -1;
    const int result = exec(w, [&](QDialog&) {
        stateDuringShow = w.State;
        EXPECT_EQ(w.DescriptionList, (std::vector<std::string>{"GC1", "GC2", "GC3"}));
        EXPECT_EQ(w.edIndexFilename->text(), ToQ(out.str() + "index.html"));
        EXPECT_EQ(w.lblOutDir->text(), ToQ(W("Das Ausgabeverzeichnis enthält 3 konvertierte Cachebeschreibungen.")));
        EXPECT_EQ(w.lblDate->text(), ToQ("Eine Indexdatei ist bislang nicht vorhanden."));
        EXPECT_TRUE(w.btnOK->isEnabled());
        EXPECT_FALSE(w.cbHome->isEnabled());  // no additional home
        EXPECT_EQ(w.rgSort->checkedId(), kSortDistance);
        w.rgSort->button(kSortName)->click();
        w.btnOK->click();
        return 0;
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(stateDuringShow, 0);
    EXPECT_EQ(w.State, 2);
    IndexOptions o;
    o.sort = kSortName;
    o.fileName = out.str() + "index.html";
    EXPECT_EQ(out.read("index.html"), html::WithPagePolicy(Expected(out.str(), o)));
    EXPECT_EQ(fakes.shell.opened, std::vector<std::string>{out.str() + "index.html"});
    EXPECT_TRUE(fakes.messages.shown.empty());

    // Shown again: the date of the file; the options came back.
    exec(w, [&](QDialog&) {
        EXPECT_TRUE(w.lblDate->text().startsWith(QString::fromUtf8("Letztes Änderungsdatum der Indexdatei: ")));
        EXPECT_EQ(w.rgSort->checkedId(), kSortName);
        w.btnCancel->click();
        return 0;
    });
    EXPECT_EQ(w.State, 2);
}

TEST_F(IndexWindowTest, TimerStartedRunSetsStateOnClose) {
    TfrmIndex w;
    w.cbShow->setChecked(false);
    w.AutoLoad->start();
    exec(w, [&](QDialog&) {
        EXPECT_EQ(w.State, 0);
        WaitUntilClosed(w);
        return 0;
    });
    EXPECT_FALSE(w.AutoLoad->isActive());
    EXPECT_EQ(w.State, 2);
    EXPECT_EQ(w.result(), 1);
    EXPECT_FALSE(out.read("index.html").empty());
    EXPECT_TRUE(fakes.shell.opened.empty());

    // The batch sets the byte back; cancelling sets it to 2 again.
    w.State = 0;
    exec(w, [&](QDialog&) {
        w.btnCancel->click();
        return 0;
    });
    EXPECT_EQ(w.State, 2);
    EXPECT_EQ(w.result(), 2);
}

TEST_F(IndexWindowTest, OptionsAreSavedOnlyWhenTheBoxIsTicked) {
    TfrmIndex w;
    exec(w, [&](QDialog&) {
        w.cbSaveOptions->setChecked(false);
        w.cbKoord->setChecked(false);
        w.rgSort->button(kSortType)->click();
        w.btnCancel->click();
        return 0;
    });
    EXPECT_EQ(prog.read("tq.conf"), "[Program]\r\nIdxSaveOpts=0\r\n");
    EXPECT_TRUE(fs::exists(out.path()) && !fs::exists(out.path() / "index.html"));

    TfrmIndex again;
    exec(again, [&](QDialog&) {
        EXPECT_FALSE(again.cbSaveOptions->isChecked());
        EXPECT_TRUE(again.cbKoord->isChecked());
        EXPECT_EQ(again.rgSort->checkedId(), kSortDistance);
        again.cbSaveOptions->setChecked(true);
        again.cbKoord->setChecked(false);
        again.cbSparversion->click();
        EXPECT_FALSE(again.cbHidden->isEnabled());
        EXPECT_FALSE(again.gbSort->isEnabled());
        return 0;
    });
    TfrmIndex third;
    exec(third, [&](QDialog&) {
        EXPECT_TRUE(third.cbSaveOptions->isChecked());
        EXPECT_FALSE(third.cbKoord->isChecked());
        EXPECT_TRUE(third.cbSparversion->isChecked());
        EXPECT_FALSE(third.cbHidden->isEnabled());
        third.cbSparversion->click();
        EXPECT_TRUE(third.cbHidden->isEnabled());
        return 0;
    });
}

TEST_F(IndexWindowTest, FolderOverride) {
    tvtest::TempDir other;
    other.write("GC2_converted.html", "x");
    ProcSettings.AddHomeTxt = {"Arbeit"};
    ProcSettings.AddHomeLat = {"48.5"};
    ProcSettings.AddHomeLon = {"8.5"};
    prog.write("tq.conf", "[Program]\r\nIdxAddWhich=0\r\nIdxHome=5\r\n");
    TfrmIndex w;
    w.FolderOverride = other.str();
    exec(w, [&](QDialog&) {
        EXPECT_FALSE(w.gbWhich->isEnabled());
        EXPECT_EQ(w.rgWhich->checkedId(), 1);
        EXPECT_EQ(w.edIndexFilename->text(), ToQ(other.str() + "index.html"));
        EXPECT_EQ(w.DescriptionList, std::vector<std::string>{"GC2"});
        EXPECT_EQ(w.cbHome->count(), 2);
        EXPECT_EQ(w.cbHome->currentIndex(), 0);  // a stored home that is not there
        EXPECT_TRUE(w.cbHome->isEnabled());
        w.cbShow->setChecked(false);
        w.btnOK->click();
        return 0;
    });
    EXPECT_TRUE(w.FolderOverride.empty());
    EXPECT_FALSE(other.read("index.html").empty());
    EXPECT_FALSE(fs::exists(out.path() / "index.html"));
    // Neither the work-list choice nor the other folder's file name is kept.
    EXPECT_EQ(IniFile().readString("Program", "IdxAddWhich"), "0");
    EXPECT_FALSE(IniFile().valueExists("Program", "IdxFilename"));

    // Without the override the window is back at the description folder.
    exec(w, [&](QDialog&) {
        EXPECT_TRUE(w.gbWhich->isEnabled());
        EXPECT_EQ(w.rgWhich->checkedId(), 0);
        EXPECT_EQ(w.DescriptionList.size(), 3u);
        EXPECT_EQ(w.edIndexFilename->text(), ToQ(out.str() + "index.html"));
        return 0;
    });
}

TEST_F(IndexWindowTest, OtherFolderAskedFirst) {
    tvtest::TempDir elsewhere;
    TfrmIndex w;
    fakes.messages.answers = {platform::MsgResult::No};
    exec(w, [&](QDialog&) {
        w.edIndexFilename->setText(ToQ(elsewhere.str() + "index.html"));
        w.btnOK->click();
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(w.State, 0);
        return 2;
    });
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].buttons, platform::MsgButtons::YesNo);
    EXPECT_EQ(fakes.messages.shown[0].text, OtherFolderQuestion(out.str()));
    EXPECT_FALSE(fs::exists(elsewhere.path() / "index.html"));
    EXPECT_EQ(w.State, 2);

    // Yes, into a folder that does not exist: the write fails, one error box,
    // the old state of the disk stays and the window closes.
    fakes.messages.answers = {platform::MsgResult::Yes};
    exec(w, [&](QDialog&) {
        w.edIndexFilename->setText(ToQ(elsewhere.str() + "nope/index.html"));
        w.btnOK->click();
        EXPECT_FALSE(w.isVisible());
        return 0;
    });
    ASSERT_EQ(fakes.messages.shown.size(), 3u);
    EXPECT_EQ(fakes.messages.shown[2].kind, platform::MsgKind::Error);
    EXPECT_EQ(
        fakes.messages.shown[2].text.rfind("Fehler beim Schreiben der Datei " + elsewhere.str() + "nope/index.html", 0),
        0u);
    EXPECT_TRUE(fakes.shell.opened.empty());
    EXPECT_EQ(w.State, 2);
}

TEST_F(IndexWindowTest, WorkListOnlyAndAMissingList) {
    TfrmIndex w;
    exec(w, [&](QDialog&) {
        w.rgWhich->button(0)->click();
        w.btnOK->click();
        return 0;
    });
    // No WPList.txt: one box for the whole page, and a table without rows.
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_NE(fakes.messages.shown[0].text.find("WPList.txt"), std::string::npos);
    EXPECT_EQ(out.read("index.html").find("<tr>\r\n"), std::string::npos);

    work.write("WPList.txt", "gc3\r\n");
    exec(w, [&](QDialog&) {
        EXPECT_EQ(w.rgWhich->checkedId(), 0);
        w.btnOK->click();
        return 0;
    });
    EXPECT_EQ(fakes.messages.shown.size(), 1u);
    const std::string page = out.read("index.html");
    EXPECT_NE(page.find(">GC3</a>"), std::string::npos);
    EXPECT_EQ(page.find(">GC1</a>"), std::string::npos);
}

TEST_F(IndexWindowTest, EmptyFolder) {
    tvtest::TempDir empty;
    ProcSettings.OutDir = empty.str();
    TfrmIndex w;
    w.AutoLoad->start();
    exec(w, [&](QDialog&) {
        EXPECT_FALSE(w.btnOK->isEnabled());
        EXPECT_FALSE(w.cbShow->isEnabled());
        EXPECT_EQ(w.lblOutDir->text(), ToQ(W("Das Ausgabeverzeichnis enthält 0 konvertierte Cachebeschreibungen.")));
        WaitUntilClosed(w);
        return 0;
    });
    ASSERT_GE(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].kind, platform::MsgKind::Warning);
    EXPECT_EQ(fakes.messages.shown[0].text, NoConvertedPagesText(empty.str()));
    // The timer still writes the (empty) page, as the batch expects.
    EXPECT_NE(empty.read("index.html").find("</table>\r\n</body></html>\r\n"), std::string::npos);
    EXPECT_EQ(w.State, 2);
}

}  // namespace
}  // namespace tv
