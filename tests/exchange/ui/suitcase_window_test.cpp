// The suitcase window offscreen: packing and loading reach the logic through
// the fake file dialogs, and the results reach the boxes and labels.
#include <gtest/gtest.h>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include <filesystem>
#include <string>

#include "core/proc_settings.h"
#include "exchange/ui/frm_suitcase.h"
#include "platform/text_encoding.h"
#include "platform/ui/qt_text.h"
#include "support/fakes.h"
#include "support/program_folders.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

using tvtest::CacheRecord;

TEST(SuitcaseWindow, PackLoadAndCommit) {
    tvtest::WorkFolder dir;
    platform::ScopedFakes fakes;
    dir.writeCaches({CacheRecord("GC1", "Eins")});
    dir.write("WPList.txt", "GC5\r\n");
    dir.write("GC1.html", "page");
    ProcSettings.ShowMessages = true;
    {
        TfrmSuitcase w(dir.str() + "tq.conf");
        w.show();
        w.cbExpCacheDB->setChecked(true);
        w.cbExpWorklist->setChecked(true);
        fakes.files.saveAnswers.push_back(dir.str() + "pack");
        w.btnSave->click();
        EXPECT_EQ(w.result(), QDialog::Accepted);
        ASSERT_EQ(fakes.messages.shown.size(), 1u);
        EXPECT_NE(fakes.messages.shown[0].text.find("1 Arbeitslisten-Eintr"), std::string::npos);
    }
    ProcSettings.ShowMessages = false;
    ASSERT_TRUE(std::filesystem::exists(dir.path() / "pack.tq"));
    EXPECT_NE(tvtest::ReadFileBytes(dir.path() / "tq.conf").find("ExpCacheDB=1"), std::string::npos);

    // On another PC: a damaged file first, which leaves the tab as it was.
    tvtest::WorkFolder other;
    other.write("bad.tq", std::string(3, 'x'));
    std::filesystem::copy_file(dir.path() / "pack.tq", other.path() / "pack.tq");
    // A choice the suitcase does not offer (it holds no finds) keeps its stored value.
    other.write("tq.conf", "[Suitcase]\r\nDoubleFinds=2\r\n");
    TfrmSuitcase w(other.str() + "tq.conf");
    w.show();
    w.PageControl1->setCurrentWidget(w.tsImp);
    fakes.files.openAnswers.push_back(other.str() + "bad.tq");
    w.btnLoad->click();
    EXPECT_EQ(fakes.messages.shown.back().kind, platform::MsgKind::Error);
    EXPECT_TRUE(w.gbBeforeRead->isVisible());
    EXPECT_TRUE(w.btnLoad->isEnabled());

    fakes.files.openAnswers.push_back(other.str() + "pack.tq");
    w.btnLoad->click();
    EXPECT_TRUE(w.gbAfterRead->isVisible());
    EXPECT_FALSE(w.cbGetNotes->isVisible());
    w.rgFoundlist->button(0)->setChecked(true);  // disabled: not saved
    w.btnCommit->click();
    EXPECT_NE(fakes.messages.shown.back().text.find(W("Cache-Datenbank: 1 neue Einträge")), std::string::npos);
    EXPECT_EQ(other.read("WPList.txt"), "GC5\r\nGC1\r\n");
    EXPECT_EQ(other.read("GC1.html"), "page");
    EXPECT_TRUE(w.DescriptionsTaken);
    const std::string conf = other.read("tq.conf");
    EXPECT_NE(conf.find("DoubleFinds=2"), std::string::npos);
    EXPECT_NE(conf.find("ExpNotes=1"), std::string::npos);
    EXPECT_EQ(other.read("Caches.bin"), dir.read("Caches.bin"));
}

// Packing over a file of the program and a list of new codes named after one
// end in the message naming it; nothing is written and the window stays open.
TEST(SuitcaseWindow, RefusesTheFilesOfTheProgram) {
    platform::ScopedFakes fakes;
    tvtest::TempDir other;
    {
        tvtest::ProgramFolders f(true);
        const auto before = f.Snapshot();
        TfrmSuitcase w(f.work() + "tq.conf");
        w.show();
        w.cbExpCacheDB->setChecked(true);
        fakes.files.saveAnswers.push_back(f.work() + "Caches.bin");
        w.btnSave->click();
        EXPECT_EQ(fakes.messages.texts(),
                  std::vector<std::string>{tvtest::RefusalText(f.work() + "Caches.bin", "Aktenkofferdatei")});
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(f.Snapshot(), before);
        fakes.files.saveAnswers.push_back(other.str() + "pack.tq");
        w.btnSave->click();
    }
    tvtest::ProgramFolders f(false);
    // A stored name of the list; the dialog refuses another one at once.
    const std::string list = f.work() + "WPList.txt";
    other.write("tq.conf", "[Suitcase]\r\nNewWPFilename=" + list + "\r\n");
    const auto before = f.Snapshot();
    TfrmSuitcase w(other.str() + "tq.conf");
    w.show();
    fakes.messages.shown.clear();
    fakes.files.saveAnswers.push_back(f.work() + "Caches.bin");
    w.btnFilename->click();
    EXPECT_EQ(fakes.messages.texts(),
              std::vector<std::string>{tvtest::RefusalText(f.work() + "Caches.bin", "Wegpunktliste")});
    EXPECT_EQ(FromQ(w.paFilename->text()), list);
    w.PageControl1->setCurrentWidget(w.tsImp);
    fakes.files.openAnswers.push_back(other.str() + "pack.tq");
    w.btnLoad->click();
    ASSERT_TRUE(w.cbGetDB->isChecked());
    fakes.messages.shown.clear();
    w.btnCommit->click();
    EXPECT_EQ(fakes.messages.texts(), std::vector<std::string>{tvtest::RefusalText(list, "Wegpunktliste")});
    EXPECT_TRUE(w.btnCommit->isEnabled());
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(f.Snapshot(), before);
}

}  // namespace
}  // namespace tv
