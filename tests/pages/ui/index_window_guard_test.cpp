// The index window shows the refusal of a file of the program at once,
// without the question about the folder, and writes nothing.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <string>
#include <vector>

#include "pages/ui/frm_index.h"
#include "platform/ui/modal_host.h"
#include "platform/ui/qt_text.h"
#include "support/fakes.h"
#include "support/program_folders.h"
#include "support/ui/fake_modal_host.h"

namespace tv {
namespace {

TEST(IndexWindowGuard, ShowsTheRefusalAndStaysOpen) {
    platform::ScopedFakes fakes;
    platform::ScopedFakeModalHost modal;
    for (const bool pagesInWork : {true, false}) {
        tvtest::ProgramFolders f(pagesInWork);
        const std::string db = tvtest::ReadFileBytes(f.work() + "Caches.bin");
        // The bare name lies in the pages' folder; elsewhere the user names the work folder.
        const std::string typed = pagesInWork ? "Caches.bin" : f.work() + "Caches.bin";
        fakes.messages.shown.clear();
        TfrmIndex w;
        modal.host.script.push_back([&](QDialog&) {
            w.edIndexFilename->setText(ToQ(typed));
            w.btnOK->click();
            EXPECT_TRUE(w.isVisible());
            w.btnCancel->click();
            return 0;
        });
        platform::modalHost().exec(w, nullptr);
        EXPECT_EQ(fakes.messages.texts(),
                  std::vector<std::string>{tvtest::RefusalText(f.work() + "Caches.bin", "Indexdatei")});
        EXPECT_EQ(tvtest::ReadFileBytes(f.work() + "Caches.bin"), db);
        EXPECT_TRUE(fakes.shell.opened.empty());
    }
}

}  // namespace
}  // namespace tv
