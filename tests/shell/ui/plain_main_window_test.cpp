#include "shell/ui/plain_main_window.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "core/app_paths.h"
#include "core/proc_settings.h"
#include "core/settings_file.h"
#include "platform/fakes.h"
#include "shell/startup.h"
#include "support/temp_dir.h"

namespace tv {

namespace {

void CollectActions(const QMenu* menu, const std::string& path, std::vector<std::pair<std::string, bool>>& out) {
    for (QAction* a : menu->actions()) {
        if (a->isSeparator()) continue;
        const std::string name = path + "/" + a->text().toStdString();
        if (a->menu())
            CollectActions(a->menu(), name, out);
        else
            out.emplace_back(name, a->isEnabled());
    }
}

}  // namespace

class PlainMainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDir_ = ProgramDir();
        SetProgramDir(dir.str());
        ProcSettings = TProcSettings{};
        StartProgram();
    }
    void TearDown() override {
        SetIniWriteFailureHandler(nullptr);
        SetProgramDir(previousDir_);
    }
    tvtest::TempDir dir;
    platform::ScopedFakes fakes;

private:
    std::string previousDir_;
};

TEST_F(PlainMainWindowTest, ShowsTitleAndMenusAndSavesOnClose) {
    PlainMainWindow w;
    w.show();
    EXPECT_EQ(w.windowTitle(), "Trailvane");
    EXPECT_EQ(ProcSettings.DBAutoloadInterval, -1);  // loaded when shown

    QStringList menus;
    std::vector<std::pair<std::string, bool>> items;
    for (QAction* a : w.menuBar()->actions()) {
        menus << a->text();
        CollectActions(a->menu(), a->text().toStdString(), items);
    }
    EXPECT_EQ(menus, (QStringList{"Datei", "Ansicht", "Cache-Datenbank", "Waypoints", "Ausgabe", "Tools", "Hilfe"}));
    int enabled = 0;
    for (const auto& [name, on] : items) {
        if (on) {
            ++enabled;
            EXPECT_EQ(name, "Datei/Beenden");  // nothing else pretends to work yet
        }
    }
    EXPECT_EQ(enabled, 1);
    EXPECT_GE(items.size(), 30u);

    w.move(30, 40);
    w.resize(900, 700);
    EXPECT_TRUE(w.close());
    const std::string conf = dir.read("tq.conf");
    EXPECT_NE(conf.find("\r\nMain_Width=900\r\nMain_Height=700\r\n"), std::string::npos) << conf;
    EXPECT_NE(conf.find("\r\nGPX_GPXInit=<gpx xmlns="), std::string::npos);
    EXPECT_NE(conf.find("\r\nRadius=15\r\n"), std::string::npos);
    EXPECT_TRUE(fakes.messages.shown.empty());

    w.shutdown();
    EXPECT_NE(dir.read("tq.conf").find("\r\n[MainForm]\r\nPosX="), std::string::npos);
}

TEST_F(PlainMainWindowTest, StoredRectangleOnlyAboveTheMinimumSize) {
    ASSERT_TRUE(WriteSettingBool("Main_MemWinSize", true));
    ASSERT_TRUE(WriteSettingInt("Main_Width", 500));
    ASSERT_TRUE(WriteSettingInt("Main_Height", 401));
    PlainMainWindow w;
    const int width = w.width();
    w.show();
    EXPECT_EQ(w.width(), width);
    EXPECT_EQ(w.height(), 401);
    w.close();
}

TEST_F(PlainMainWindowTest, BeendenEndsTheLoopWithoutSaving) {
    PlainMainWindow w;
    w.show();
    const std::string before = dir.read("tq.conf");
    QTimer::singleShot(0, w.actBeenden, &QAction::trigger);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_EQ(dir.read("tq.conf"), before);
    EXPECT_TRUE(w.isVisible());
    w.hide();
}

}  // namespace tv
