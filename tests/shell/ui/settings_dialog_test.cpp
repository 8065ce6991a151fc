// The settings dialog offscreen: the record reaches the controls and every
// control reaches tq.conf.
#include <gtest/gtest.h>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <QTest>

#include "core/app_paths.h"
#include "core/cachedb_table.h"
#include "core/proc_settings.h"
#include "geo/ui/frm_coord_input.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "support/ui/fake_modal_host.h"
#include "platform/ui/qt_text.h"
#include "shell/ui/frm_settings.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

class SettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDir_ = ProgramDir();
        SetProgramDir(dir.str());
        std::string table = "[CacheDB]\r\nGCDatabaseCount=5\r\n";
        const char* names[] = {"Austria", "Switzerland", "Germany", "Liechtenstein", "Luxembourg"};
        for (int i = 1; i <= 5; ++i) {
            const std::string n = std::to_string(i);
            table += "DB_CountryID" + n + "=" + n + "\r\nDB_Filename" + n + "=l" + n + ".txt\r\nDB_CName" + n + "=" +
                     names[i - 1] + "\r\nDB_CNameDE" + n + "=L" + n + "\r\n";
        }
        dir.write("CacheDB.conf", table);
        ASSERT_EQ(ReadCacheDBConf(), 5);
        dir.write("tq.conf", "[Program]\r\nWorkDir=" + dir.str() + "work\r\nOutDir=" + dir.str() +
                                 "out\r\nUseCacheDB2=1\r\nCacheDBPrimary=0\r\nDBAutoloadInterval=3\r\n"
                                 "NrOfAdditionalHomes=3\r\nAddHomeLat1=1\r\nAddHomeLon1=2\r\nAddHomeTxt1=Eins\r\n"
                                 "AddHomeLat2=-3\r\nAddHomeLon2=4\r\nAddHomeTxt2=Zwei\r\nAddHomeLat3=5\r\n"
                                 "AddHomeLon3=6\r\nAddHomeTxt3=Drei\r\nHomeLat=49.5\r\nHomeLong=10.75\r\n");
        ProcSettings = TProcSettings{};
        LoadProcSettings(600);
        hooks.listClientWidth = [] { return 600; };
        hooks.reselectHome = [this] { calls += "h"; };
        hooks.rebuildTree = [this] { calls += "t"; };
        hooks.applyShowHints = [this] { calls += "s"; };
        dlg.CoordInput = &coord;
    }
    void TearDown() override {
        CacheDBTable() = TCacheDBTable{};
        SetProgramDir(previousDir_);
    }
    std::string conf() const { return dir.read("tq.conf"); }
    bool has(const std::string& line) const { return conf().find("\r\n" + line + "\r\n") != std::string::npos; }
    // Runs the settings command with `step` working the dialog.
    bool Run(std::function<int(TfrmSettings&)> step) {
        modal.host.script.push_front([step](QDialog& d) { return step(static_cast<TfrmSettings&>(d)); });
        return RunSettingsCommand(dlg, nullptr, hooks);
    }

    tvtest::TempDir dir;
    platform::ScopedFakes fakes;
    platform::ScopedFakeModalHost modal;
    SettingsCommandHooks hooks;
    std::string calls;
    TfrmCoordInput coord;
    TfrmSettings dlg;

private:
    std::string previousDir_;
};

TEST_F(SettingsDialogTest, ShowsTheRecordAndSavesEveryControl) {
    const bool confirmed = Run([&](TfrmSettings& d) {
        EXPECT_EQ(d.tsDatabase->clbDatabases->item(1)->text(), QStringLiteral("L2 (l2.txt)"));  // the German name
        EXPECT_EQ(d.tsDatabase->cbPrimaryDB->itemText(4), QStringLiteral("L5 (l5.txt)"));
        EXPECT_EQ(d.tsDatabase->clbDatabases->item(1)->checkState(), Qt::Checked);
        EXPECT_EQ(d.tsDatabase->clbDatabases->item(0)->checkState(), Qt::Unchecked);
        EXPECT_EQ(d.tsDatabase->cbPrimaryDB->currentIndex(), 2);
        EXPECT_EQ(d.tsDatabase->rbLoadCacheDB->checkedId(), 0);  // interval 3: "einem Tag"
        EXPECT_EQ(d.tsHomes->lblLatitude->text(), U("N 49° 30.000"));

        d.tsPaths->edTemplate->setText(U("/t/vorlage.html"));
        d.tsDatabase->clbDatabases->item(0)->setCheckState(Qt::Checked);
        d.tsDatabase->clbDatabases->item(1)->setCheckState(Qt::Unchecked);
        d.tsDatabase->clbDatabases->item(4)->setCheckState(Qt::Checked);
        d.tsDatabase->cbPrimaryDB->setCurrentIndex(4);
        d.tsDatabase->rbLoadCacheDB->button(2)->setChecked(true);
        d.tsOutput->edMaxWidth->setText(U("800"));
        d.tsProxy->cbProxy->setChecked(true);
        d.tsProxy->edProxy->setText(U("proxy:3128"));
        d.tsProxy->cbProxyAuth->setChecked(true);
        d.tsProxy->edProxyUser->setText(U("ich"));
        d.tsProxy->edProxyPass->setText(U("=;#geheim"));
        d.tsMisc->edUsername->setText(U("Späher"));
        d.tsMisc->cbShowInfo->setChecked(true);
        d.tsMisc->edGPXInittag->setText(U("<gpx y>"));
        d.tsMisc->cbMemorizeColSize->setChecked(true);
        // The two addresses the commands read are edited here.
        EXPECT_FALSE(d.tsProxy->edUpdateURL->isReadOnly());
        EXPECT_FALSE(d.tsDatabase->edArchiveUrl->isReadOnly());
        QTest::keyClicks(d.tsProxy->edUpdateURL, U("http://127.0.0.1:8/v.txt"));
        QTest::keyClicks(d.tsDatabase->edArchiveUrl, U("http://127.0.0.1:8/a.txt"));
        QTest::mouseClick(d.btnOK, Qt::LeftButton);
        EXPECT_FALSE(d.isVisible());
        return 0;
    });
    EXPECT_TRUE(confirmed);
    EXPECT_TRUE(ProcSettings.SettingsConfirmed);
    EXPECT_EQ(calls, "hts");
    EXPECT_EQ(fakes.messages.shown.size(), 1u);

    for (const char* line : {"Template=/t/vorlage.html",
                             "UseCacheDB1=1",
                             "UseCacheDB5=1",
                             "CacheDBCount=2",
                             "CacheDBPrimary=5",
                             "DBAutoloadInterval=14",
                             "HTMLMaxWidth=800",
                             "UseProxy=1",
                             "ProxyAuth=1",
                             "ProxyPass==;#geheim",
                             "Username=Sp\xE4her",
                             "ShowMessages=1",
                             "GPX_GPXInit=<gpx y>",
                             "Main_MemColSize=1",
                             "UpdateURL=http://127.0.0.1:8/v.txt",
                             "ArchiveUrl=http://127.0.0.1:8/a.txt",
                             "NrOfAdditionalHomes=3"})
        EXPECT_TRUE(has(line)) << line;

}

}  // namespace
}  // namespace tv
