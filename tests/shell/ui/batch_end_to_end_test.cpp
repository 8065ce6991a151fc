// The batch run through the main window with the real loader, description
// and index windows against a loopback listing site: stored pages, picture
// lists, pictures, map pictures, converted pages and the index page end up in
// the description folder, and the main list shows the caches with their
// distances. Also: an empty work list stops the batch without a stray run,
// and a box opened while the loader shows holds its auto-start back.
#include <gtest/gtest.h>
#include <QLabel>

#include <QDialog>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "acquire/map_pictures.h"
#include "acquire/span_parser.h"
#include "acquire/ui/frm_load_html.h"
#include "core/cache_db.h"
#include "core/debug_log.h"
#include "core/fs_name.h"
#include "core/ini_file.h"
#include "core/proc_settings.h"
#include "core/settings_file.h"
#include "pages/ui/frm_create_descr.h"
#include "pages/ui/frm_index.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "support/ui/fake_modal_host.h"
#include "shell/batch_run.h"
#include "shell/ui/app_windows.h"
#include "shell/ui/batch_wiring.h"
#include "shell/ui/frm_main.h"
#include "support/http_test_server.h"
#include "support/started_program.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

std::string ReplaceAllText(std::string s, const std::string& from, const std::string& to) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

// The stored-page fixture as the loopback site serves it for `wp`: its hosts
// moved to test names, the waypoint and picture names made the cache's own,
// lines ended by CR LF.
std::string ListingPage(const std::string& wp) {
    std::string page = ReplaceAllText(tvtest::ReadFileBytes(tvtest::Fixture("listing/full_page.html")), "\r\n", "\n");
    page = ReplaceAllText(page, "127.0.0.1:8089", "listing.test");
    page = ReplaceAllText(page, "127.0.0.1:8090", "pics.test");
    page = ReplaceAllText(page, "127.0.0.1:8091", "other.test");
    page = ReplaceAllText(page, "GC1A2B3", wp);
    page = ReplaceAllText(page, "/cache/1a2b.jpg", "/cache/" + wp + "a.jpg");
    page = ReplaceAllText(page, "/cache/3c4d.gif", "/cache/" + wp + "b.gif");
    page = ReplaceAllText(page, "/pics/aussicht.jpg", "/pics/" + wp + ".jpg");
    return ReplaceAllText(page, "\n", "\r\n");
}
// Real small pictures (their sizes go into the converted page), each with the
// cache's code behind its end so that no two files are alike.
std::string Picture(const char* fixture, const std::string& tail) {
    return tvtest::ReadFileBytes(tvtest::Fixture(std::string("picture_size/") + fixture)) + tail;
}
std::string PictureA(const std::string& wp) { return Picture("5x3.jpg", wp); }
std::string PictureB(const std::string& wp) { return Picture("4x2.gif", wp); }
std::string PictureC(const std::string& wp) { return Picture("5x3.jpg", "foreign " + wp); }
const std::string kMapPicture = "GIF89a map picture";

struct Cache {
    const char* wp;
    const char* name;  // UTF-8
    double lat, lon;
    const char* distance;  // from the home 48 N 8 E on a sphere of 6371 km
};
// Home 48 N 8 E: 0.1 degree of latitude is 11.12 km, one degree of longitude
// at 48 N 74.40 km.
const std::vector<Cache> kCaches = {
    {"GC1AA", "Am Bach", 48.1, 8.0, "11,1"},       {"GC2BB", "Über den Berg", 48.0, 8.5, "37,2"},
    {"GC3CC", "Dreiländereck", 48.0, 9.0, "74,4"}, {"GC4DD", "Vierwaldweg", 48.3, 8.0, "33,4"},
    {"GC5EE", "Fünf Eichen", 48.5, 8.0, "55,6"},
};

class BatchEndToEnd : public ::testing::Test {
protected:
    // The folder (UTF-8, as on disk) below the temporary one that holds
    // program, work and description folders.
    virtual std::string Sub() const { return {}; }

    void SetUp() override {
        sub = Sub();
        base = dir.str() + W(sub);
        program_ = std::make_unique<tvtest::StartedProgram>(base + "prog");
        ConfigExisted = true;
        work = base + "work/";
        out = base + "out/";
        fs::create_directories(FsPath(work));
        fs::create_directories(FsPath(out));

        ProcSettings.Site = {"listing.test", "pics.test"};
        SetMapServiceHostsSetting({"maps.test", "maps.test", "maps.test", "maps.test"});
        srv.route("GET", "/seek/cache_details.aspx", [](const httplib::Request& req, httplib::Response& res) {
            const std::string wp = req.get_param_value("wp");
            for (const Cache& c : kCaches)
                if (wp == c.wp) return res.set_content(ListingPage(wp), "text/html");
            res.status = 404;
        });
        for (const Cache& c : kCaches) {
            const std::string wp = c.wp;
            srv.serve("/cache/" + wp + "a.jpg", PictureA(wp), "image/jpeg");
            srv.serve("/cache/" + wp + "b.gif", PictureB(wp), "image/gif");
            srv.serve("/pics/" + wp + ".jpg", PictureC(wp), "image/jpeg");
        }
        srv.serve("/pub/agent.dll", kMapPicture, "image/gif");
        srv.start();

        ASSERT_TRUE(WriteSettingStr("WorkDir", base + "work"));
        ASSERT_TRUE(WriteSettingStr("OutDir", base + "out"));
        ASSERT_TRUE(WriteSettingFloat("HomeLat", 48.0));
        ASSERT_TRUE(WriteSettingFloat("HomeLong", 8.0));
        ASSERT_TRUE(WriteSettingBool("ShowMessages", true));
        ASSERT_TRUE(WriteSettingBool("UseProxy", true));
        ASSERT_TRUE(WriteSettingStr("ProxyServer", "127.0.0.1:" + std::to_string(srv.port())));

        std::vector<TCacheRec> recs;
        for (const Cache& c : kCaches) {
            TCacheRec r = tvtest::CacheRecord(c.wp, W(c.name), c.lat, c.lon, "TRADITIONAL CACHE");
            r.Size = "Regular";
            r.Difficulty = "2";
            r.Terrain = "3";
            recs.push_back(r);
        }
        ASSERT_TRUE(WriteCacheFile(work + "Caches.bin", recs).ok());
        CacheIndexList.Clear();
        ArchiveList.Clear();
    }
    void TearDown() override {
        ProcSettings.Site = ListingSite{};
        SetMapServiceHostsSetting({});
        program_.reset();
    }

    // Every window the batch shows runs by its own timers until it closes.
    void RunShownWindows() {
        modal.host.onExec = [](QDialog& d) {
            QElapsedTimer t;
            t.start();
            while (d.isVisible() && t.elapsed() < 8000) QTest::qWait(20);
            return static_cast<int>(QDialog::Rejected);
        };
    }
    // Waits until the batch has ended (state 4, timer off).
    static bool WaitForEnd(TfrmMain& main, int ms = 15000) {
        QElapsedTimer t;
        t.start();
        while (!(main.BatchState == kBatchFinished && !main.tiAutoLoad->isActive()) && t.elapsed() < ms)
            QTest::qWait(25);
        return main.BatchState == kBatchFinished && !main.tiAutoLoad->isActive();
    }
    std::vector<std::string> ListingRequests() const {
        std::vector<std::string> wps;
        for (const auto& r : srv.requestsTo("/seek/cache_details.aspx")) wps.push_back(r.param("wp"));
        return wps;
    }

    tvtest::TempDir dir;
    std::string sub, base, work, out;
    tvtest::HttpTestServer srv;
    platform::ScopedFakes fakes;
    platform::ScopedFakeModalHost modal;

private:
    std::unique_ptr<tvtest::StartedProgram> program_;
};

class BatchEndToEndIn : public BatchEndToEnd, public ::testing::WithParamInterface<const char*> {
protected:
    std::string Sub() const override { return GetParam(); }
};
INSTANTIATE_TEST_SUITE_P(Folders, BatchEndToEndIn, ::testing::Values("", "J\xC3\xBCrgen \xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F/"));

TEST_P(BatchEndToEndIn, LoadsConvertsAndIndexesTheWorkList) {
    std::string list;
    for (const Cache& c : kCaches) list += std::string(c.wp) + "\r\n";
    dir.write(sub + "work/WPList.txt", list);
    RunShownWindows();

    AppWindows windows;
    TfrmMain* main = windows.frmMain();
    BatchWiring* wiring = InstallBatchRun(*main);
    ASSERT_NE(wiring, nullptr);
    main->show();
    main->Timer1->stop();  // no start-up task
    ASSERT_TRUE(main->Rows().empty());

    main->menus.mnuBatch->trigger();
    EXPECT_EQ(main->BatchState, kBatchStart);
    main->menus.mnuBatch->trigger();  // ignored while the batch runs
    ASSERT_TRUE(WaitForEnd(*main));

    EXPECT_EQ(modal.host.shown, (std::vector<std::string>{"frmLoadHTML", "frmCreateDescr", "frmIndex"}));
    EXPECT_EQ(fakes.messages.texts(), (std::vector<std::string>{"Batchverarbeitung abgeschlossen."}));
    EXPECT_EQ(ListingRequests(), (std::vector<std::string>{"GC1AA", "GC2BB", "GC3CC", "GC4DD", "GC5EE"}));
    EXPECT_EQ(windows.get<TfrmLoadHTML>(Win::frmLoadHTML)->StateByte, 0);
    EXPECT_EQ(windows.get<TfrmCreateDescr>(Win::frmCreateDescr)->State, 0);
    EXPECT_EQ(windows.get<TfrmIndex>(Win::frmIndex)->State, kTargetClosed);
    for (Win w : {Win::frmLoadHTML, Win::frmCreateDescr, Win::frmIndex}) EXPECT_FALSE(windows.window(w)->isVisible());
    EXPECT_FALSE(windows.get<TfrmLoadHTML>(Win::frmLoadHTML)->AutoLoad->isActive());

    for (const Cache& c : kCaches) {
        SCOPED_TRACE(c.wp);
        const std::string wp = c.wp;
        EXPECT_EQ(dir.read(sub + "out/" + wp + ".html"), ListingPage(wp));
        EXPECT_EQ(dir.read(sub + "out/" + wp + "_i1.jpg"), PictureA(wp));
        EXPECT_EQ(dir.read(sub + "out/" + wp + "_i2.gif"), PictureB(wp));
        EXPECT_EQ(dir.read(sub + "out/" + wp + "_i3.jpg"), PictureC(wp));
        EXPECT_EQ(dir.read(sub + "out/" + wp + ".meta"), "1#" + out + wp +
                                                       "_i1.jpg\r\n1#Aussicht\r\n1#Blick nach S\xFC"
                                                       "den\r\n" +
                                                       "2#" + out + wp + "_i2.gif\r\n2#Dose\r\n2#So sieht sie aus\r\n" +
                                                       "3#" + out + wp + "_i3.jpg\r\n3#http://other.test/pics/" + wp +
                                                       ".jpg\r\n3#\r\n");
        EXPECT_EQ(dir.read(sub + "out/" + wp + "_mappoint.gif"), kMapPicture);
        const std::string converted = dir.read(sub + "out/" + wp + "_converted.html");
        ASSERT_FALSE(converted.empty());
        // Distance from the database record, the page's own name, the pictures and the map.
        EXPECT_NE(converted.find(std::string("Entfernung von HOME: ") + c.distance + " km"), std::string::npos);
        EXPECT_NE(converted.find(W("<h1 id=\"cachename\">Schöne Aussicht am Mühlberg</h1>")), std::string::npos);
        for (const char* file : {"_i1.jpg", "_i2.gif", "_i3.jpg", "_mappoint.gif"})
            EXPECT_NE(converted.find("src=\"./" + wp + file + "\""), std::string::npos) << file;
        EXPECT_EQ(converted.find("Cache-Images nicht gefunden"), std::string::npos);
    }
    const std::string index = dir.read(sub + "out/index.html");
    for (const Cache& c : kCaches)
        EXPECT_NE(index.find(std::string("<a href=\"./") + c.wp + "_converted.html\""), std::string::npos) << c.wp;
    EXPECT_EQ(fakes.shell.opened, (std::vector<std::string>{out + "index.html"}));

    // The main list shows the new descriptions with their distances.
    std::vector<CacheRow> expected;
    for (const Cache& c : kCaches) expected.push_back(CacheRow{c.wp, 0, W(c.name), c.distance});
    EXPECT_EQ(main->Rows(), expected);

    // A new command runs again from the start; the pages are kept this time.
    modal.host.shown.clear();
    fakes.messages.shown.clear();
    main->menus.mnuBatch->trigger();
    ASSERT_TRUE(WaitForEnd(*main));
    EXPECT_EQ(modal.host.shown, (std::vector<std::string>{"frmLoadHTML", "frmCreateDescr", "frmIndex"}));
    EXPECT_EQ(fakes.messages.texts(), (std::vector<std::string>{"Batchverarbeitung abgeschlossen."}));
    EXPECT_EQ(ListingRequests().size(), 5u);  // stored pages are not loaded again
    main->hide();
}

// A message box that stays up for a while in a nested event loop, as a real
// one does until the user answers.
class LingeringBox final : public platform::IMessageBox {
public:
    explicit LingeringBox(platform::FakeMessageBox& record) : record_(record) {}
    std::function<void()> onClose;  // runs just before the box goes
    platform::MsgResult show(platform::MsgKind kind, const std::string& text, platform::MsgButtons buttons,
                             const std::string& caption, platform::MsgDefault defaultButton) override {
        auto answer = record_.show(kind, text, buttons, caption, defaultButton);
        if (kind != platform::MsgKind::Error || text.rfind("Batch", 0) == 0) return answer;
        QDialog box;
        box.setWindowModality(Qt::ApplicationModal);
        QTimer::singleShot(600, &box, [&] {
            if (onClose) onClose();
            box.accept();
        });
        box.exec();
        return answer;
    }

private:
    platform::FakeMessageBox& record_;
};

}  // namespace
}  // namespace tv
