// The finds loader and the database-from-pages window offscreen: their
// buttons reach the logic and the protocol shows what it did.
#include <gtest/gtest.h>
#include <QButtonGroup>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <QPlainTextEdit>
#include <QTest>

#include "acquire/ui/frm_gccom2db.h"
#include "acquire/ui/frm_load_finds.h"
#include "core/cache_db.h"
#include "core/proc_settings.h"
#include "platform/ui/qt_text.h"
#include "support/fakes.h"
#include "support/http_test_server.h"
#include "support/records.h"

namespace tv {
namespace {

std::string ListPage(int page, bool next) {
    std::string p = "<input type=\"hidden\" name=\"__VIEWSTATE\" value=\"P" + std::to_string(page) + "\" />";
    p += "Total Records: <b>21</b><table>";
    p += "<tr><td><a href=\"/seek/cache_details.aspx?guid=" + std::to_string(page) + "\"><b>N</b></a> (GC" +
         std::to_string(page) + "A)</td><td>7 Nov 07</td></tr>";
    if (next) p += "<tr><td>&lt; Prev. <a href=\"javascript:__doPostBack('pgrTop$_ctl2','')\">Next</a></td></tr>";
    return p + "</table>";
}

class FindsWindows : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = ProcSettings.Username;
        ProcSettings.Username = "Tester";
        srv_.serve("/seek/nearest.aspx", ListPage(1, true));
        srv_.route("POST", "/seek/nearest.aspx", [](const httplib::Request&, httplib::Response& r) {
            r.set_content(ListPage(2, false), "text/html");
        });
        srv_.start();
    }
    void TearDown() override { ProcSettings.Username = saved_; }
    std::string protocol(const QPlainTextEdit* memo) const { return FromQ(memo->toPlainText()); }

    tvtest::HttpTestServer srv_;
    tvtest::WorkFolder work_;
    platform::ScopedFakes fakes_;
    std::string saved_;
};

TEST_F(FindsWindows, LoadCancelledBetweenPagesThenRunToTheEnd) {
    TfrmLoadFinds w;
    w.Site.host = srv_.base().substr(7);
    w.show();
    w.btnLoad->click();
    ASSERT_TRUE(w.Timer->isActive());
    EXPECT_FALSE(w.btnClose->isEnabled());
    w.reject();  // closing is refused while the load runs
    EXPECT_TRUE(w.isVisible());
    w.btnCancel->click();
    EXPECT_TRUE(w.btnLoad->isEnabled() && !w.Timer->isActive());
    EXPECT_NE(protocol(w.mmProt).find("*** Abbruch durch Benutzer ***"), std::string::npos);
    EXPECT_EQ(work_.read("Finds.bin"), "");

    w.Timer->setInterval(0);
    w.btnLoad->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.btnClose->isEnabled(); }, 5000));
    EXPECT_NE(protocol(w.mmProt).find("Neu gefunden wurden 2 Finds"), std::string::npos);
    EXPECT_EQ(DecodeFoundRecs(work_.read("Finds.bin")).size(), 2u);
}

TEST_F(FindsWindows, DatabaseFromPagesStartAndFolderPicker) {
    tvtest::TempDir pages;
    pages.write("GC5AB.html",
                "<body><span id=\"CacheName\">Neu</span>"
                "<span id=\"LatLon\">N 50\xB0 00.000 E 008\xB0 00.000</span></body>");
    TfrmGCCom2DB w;
    w.show();
    w.rgSrc->button(1)->click();
    EXPECT_TRUE(w.edDir->isVisible());
    w.btnStart->click();
    ASSERT_EQ(fakes_.messages.shown.size(), 1u);
    EXPECT_EQ(fakes_.messages.shown[0].text, "Kein Suchverzeichnis festgelegt.");

    fakes_.files.folderAnswers.push_back(pages.str());
    w.btnSearch->click();
    EXPECT_EQ(FromQ(w.edDir->text()), pages.str());
    w.btnStart->click();
    EXPECT_NE(protocol(w.mmProt).find("GC5AB: Neu (Neu)"), std::string::npos);
}

}  // namespace
}  // namespace tv
