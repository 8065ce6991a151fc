// The two steps of the batch run that this folder provides, driven the way
// the main window drives them: auto-start timer on, window shown modally,
// state byte read (and set back) afterwards. The index must link exactly the
// pages the description step wrote.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <string>
#include <vector>

#include "core/app_paths.h"
#include "core/cache_db.h"
#include "core/proc_settings.h"
#include "pages/ui/frm_create_descr.h"
#include "pages/ui/frm_index.h"
#include "support/fakes.h"
#include "platform/ui/modal_host.h"
#include "support/ui/fake_modal_host.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

// Shows `d` modally with its timer started and lets the timer run it.
int RunUnattended(QDialog& d, QTimer* autoLoad) {
    autoLoad->start();
    platform::ScopedFakeModalHost modal;
    modal.host.script.push_back([&](QDialog&) {
        QElapsedTimer t;
        t.start();
        while (d.isVisible() && t.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return 2;
    });
    return platform::modalHost().exec(d, nullptr);
}

TEST(BatchWindows, DescriptionsThenIndex) {
    tvtest::TempDir prog, work, out;
    platform::ScopedFakes fakes;
    SetProgramDir(prog.str());
    ProcSettings = TProcSettings{};
    ProcSettings.WorkDir = work.str();
    ProcSettings.OutDir = out.str();
    ProcSettings.Template = prog.str() + "template.html";
    ProcSettings.ShowMessages = true;
    prog.write("template.html", "<html><!-- #CACHENAME# --></html>\r\n");
    CacheIndexList.Clear();
    std::vector<TCacheRec> recs(2);
    recs[0].Waypoint = "GC1";
    recs[0].Name = "Erster";
    recs[1].Waypoint = "GC2";
    recs[1].Name = "Zweiter";
    work.write("Caches.bin", EncodeCacheRecs(recs));
    work.write("WPList.txt", "GC1\r\nGC2\r\nGC3\r\n");
    for (const char* wp : {"GC1", "GC2", "GC3"}) out.write(std::string(wp) + ".html", "<html><body></body></html>");

    TfrmCreateDescr descr;
    TfrmIndex index;
    index.cbShow->setChecked(false);
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(RunUnattended(descr, descr.AutoLoad), 1);
        ASSERT_EQ(descr.State, 2);
        descr.State = 0;  // as the batch does after reading it
        EXPECT_EQ(RunUnattended(index, index.AutoLoad), 1);
        ASSERT_EQ(index.State, 2);
    }
    EXPECT_TRUE(fakes.messages.shown.empty());  // unattended: no box
    const std::string page = out.read("index.html");
    for (const char* wp : {"GC1", "GC2", "GC3"})
        EXPECT_FALSE(out.read(std::string(wp) + "_converted.html").empty()) << wp;
    for (const char* wp : {"GC1", "GC2"})
        EXPECT_NE(page.find(std::string("<td><a href=\"./") + wp + "_converted.html\" target=\"_cache\">" + wp),
                  std::string::npos)
            << wp;
    EXPECT_NE(page.find(">Erster</a>"), std::string::npos);
    // GC3 is not in the database: its page was written, but it has no table row.
    EXPECT_EQ(page.find("GC3_converted"), std::string::npos);
    CacheIndexList.Clear();
    ProcSettings = TProcSettings{};
}

}  // namespace
}  // namespace tv
