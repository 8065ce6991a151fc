// The main window reaches the GPX import: the menu item with the chosen file,
// and a GPX file dropped on the window.
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <gtest/gtest.h>

#include "exchange/ui/frm_gpx_imp.h"
#include "platform/ui/qt_text.h"
#include "shell/ui/app_windows.h"
#include "shell/ui/frm_main.h"
#include "shell/ui/main_wiring.h"
#include "support/fakes.h"
#include "support/started_program.h"
#include "support/temp_dir.h"
#include "support/ui/fake_modal_host.h"

namespace tv {
namespace {

TEST(GpxImportMenu, MenuAndDropOpenTheImport) {
    tvtest::TempDir dir;
    tvtest::StartedProgram program(dir.str());
    platform::ScopedFakes fakes;
    platform::ScopedFakeModalHost modal;
    AppWindows windows;
    MainWiring wiring(windows);
    auto* gpx = windows.get<TfrmGPXImp>(Win::frmGPXImp);
    ASSERT_NE(gpx, nullptr);
    std::vector<std::string> files;
    modal.host.onExec = [&](QDialog& d) {
        if (&d == gpx) files.push_back(gpx->FileName);
        return QDialog::Rejected;
    };

    const std::string chosen = dir.write("pq.gpx", "<gpx/>").string();
    fakes.files.openAnswers.push_back(chosen);
    TfrmMain* main = windows.frmMain();
    ASSERT_TRUE(main->menus.mnuGPXImport->isEnabled());
    main->menus.mnuGPXImport->trigger();

    const std::string dropped = dir.write("drop.GPX", "<gpx/>").string();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(ToQ(dropped))});
    ASSERT_TRUE(static_cast<bool>(main->FilesDropped));
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(main, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(main, &drop);
    EXPECT_EQ(files, (std::vector<std::string>{chosen, dropped}));
}

}  // namespace
}  // namespace tv
