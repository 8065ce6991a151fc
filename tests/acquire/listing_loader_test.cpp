#include "acquire/listing_loader.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "acquire/map_pictures.h"
#include "acquire/span_parser.h"
#include "core/app_paths.h"
#include "core/cache_db.h"
#include "core/proc_settings.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "support/http_test_server.h"
#include "support/file_time.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using tv::W;
using tvtest::HttpTestServer;

// Loader runs against a fake listing site, picture servers and a map service,
// all played by one loopback server reached as the proxy of the settings.
class LoaderRun : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = tv::ProcSettings;
        savedProgramDir_ = tv::ProgramDir();
        tv::SetProgramDir(prog_.str());
        tv::ProcSettings = tv::TProcSettings{};
        tv::ProcSettings.WorkDir = work_.str();
        tv::ProcSettings.OutDir = out_.str();
        tv::ProcSettings.Site = {"listing.test", "pics.test"};
        params_.site = tv::ProcSettings.Site;
        loader_.setSite(tv::ProcSettings.Site);
        tv::SetMapServiceHostsSetting({"maps.test", "maps.test", "maps.test", "maps.test"});

        srv_.route("GET", "/seek/cache_details.aspx", [this](const httplib::Request& req, httplib::Response& res) {
            auto wp = req.get_param_value("wp");
            auto it = pages_.find(wp);
            if (it == pages_.end()) {
                res.status = 404;
                res.set_content("<html>Not found</html>", "text/html");
                return;
            }
            res.set_content(it->second, "text/html");
        });
        srv_.serve("/pub/agent.dll", "GIF89a-map", "image/gif");
        srv_.start();
        tv::ProcSettings.UseProxy = true;
        tv::ProcSettings.ProxyServer = "http://127.0.0.1:" + std::to_string(srv_.port());

        loader_.events().protocol = [this](const std::string& line) { protocol_.push_back(line); };
        loader_.events().clearProtocol = [this] { protocol_.clear(); };
        loader_.beginShow();
        params_.workDir = work_.str();
        params_.outDir = out_.str();
        params_.options.loadImages = false;
        params_.options.loadMap = false;
    }
    void TearDown() override {
        tv::ProcSettings = saved_;
        tv::SetProgramDir(savedProgramDir_);
        tv::SetMapServiceHostsSetting({});
    }

    static void AddCache(const char* wp, const char* name) {
        tv::TCacheRec rec;
        rec.Waypoint = wp;
        rec.Name = name;
        rec.Lat = 48.123456789;
        rec.Lon = 11.5;
        ASSERT_TRUE(tv::AppendCacheRec(rec));
    }
    void AddFinds(std::initializer_list<const char*> codes) {
        tv::TFoundList list;
        for (const char* c : codes) {
            tv::TFoundRec r;
            r.Waypoint = c;
            list.AddFound(r);
        }
        ASSERT_TRUE(tv::WriteFoundFile(work_.str() + "Finds.bin", list).ok());
    }
    // Sets the file's time to noon `days` days before the fake clock's date.
    void SetAgeDays(const fs::path& file, int days) {
        const auto& today = fakes_.clock.time;
        tvtest::SetLocalFileTime(file.string(), today.year, today.month, today.day - days);
    }
    std::vector<tvtest::RecordedRequest> ListingRequests() const {
        return srv_.requestsTo("/seek/cache_details.aspx");
    }
    int Count(const std::string& line) const {
        return static_cast<int>(std::count(protocol_.begin(), protocol_.end(), line));
    }
    int CountPrefix(const std::string& prefix) const {
        return static_cast<int>(std::count_if(protocol_.begin(), protocol_.end(),
                                              [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
    }

    tv::platform::ScopedFakes fakes_;
    tvtest::TempDir prog_, work_, out_;
    tv::TProcSettings saved_;
    std::string savedProgramDir_;
    std::map<std::string, std::string> pages_;
    HttpTestServer srv_;
    tv::ListingLoader loader_;
    tv::LoaderRunParams params_;
    std::vector<std::string> protocol_;
};

TEST_F(LoaderRun, StoresPagesWithCrLfThroughTheProxyAndKeepsCookies) {
    AddCache("GC1", "Sch&#246;ner &amp; Blick");
    pages_["GC1"] = "a\nb";
    pages_["GC2"] = "<html>\r\nzwei\rdrei";
    srv_.route("GET", "/seek/cache_details.aspx", [this](const httplib::Request& req, httplib::Response& res) {
        res.set_header("Set-Cookie", "ASP.NET_SessionId=xyz; Path=/");
        res.set_content(pages_[req.get_param_value("wp")], "text/html");
    });
    tv::ProcSettings.ProxyAuth = true;
    tv::ProcSettings.ProxyUser = "u";
    tv::ProcSettings.ProxyPass = "p";
    params_.workList = {"GC1", "GC2"};
    params_.options.loadMap = true;
    params_.options.mapKind = 1;
    auto r = loader_.run(params_);

    auto reqs = ListingRequests();
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(reqs[0].target, "http://listing.test/seek/cache_details.aspx?wp=GC1&Submit6=Find&log=y");
    EXPECT_EQ(reqs[1].target, "http://listing.test/seek/cache_details.aspx?wp=GC2&Submit6=Find&log=y");
    EXPECT_EQ(reqs[0].header("User-Agent"), "Mozilla/6.0 (compatible; Indy Library)");
    EXPECT_EQ(reqs[0].header("Proxy-Authorization"), "Basic dTpw");
    EXPECT_EQ(reqs[0].header("Cookie"), "");
    EXPECT_EQ(reqs[1].header("Cookie"), "ASP.NET_SessionId=xyz");
    EXPECT_EQ(out_.read("GC1.html"), "a\r\nb\r\n");
    EXPECT_EQ(out_.read("GC2.html"), "<html>\r\nzwei\r\ndrei\r\n");

    EXPECT_EQ(r.counters.loaded, 2);
    EXPECT_EQ(r.counters.errors, 0);
    EXPECT_FALSE(loader_.errorFlag());
    EXPECT_FALSE(r.aborted);
    // Names from the cache database, cleaned; "?" when absent.
    EXPECT_EQ(Count(W("Lade GC1 (Schöner & Blick)")), 1);
    EXPECT_EQ(Count("Lade GC2 (?)"), 1);
    // The map only for the cache the database knows.
    auto maps = srv_.requestsTo("/pub/agent.dll");
    ASSERT_EQ(maps.size(), 1u);
    EXPECT_EQ(maps[0].target.rfind("http://maps.test/pub/agent.dll?qscr=mrdt&CenP=48.12345,11.5", 0), 0u);
    EXPECT_EQ(out_.read("GC1_mappoint.gif"), "GIF89a-map");
    ASSERT_GE(protocol_.size(), 2u);
    EXPECT_EQ(protocol_.front(), "Ladevorgang gestartet um 09.05.07");
    EXPECT_EQ(protocol_.back(), "Ladevorgang beendet um 09.05.07");
    EXPECT_EQ(Count("Der Ladevorgang wurde abgeschlossen."), 1);
}

TEST_F(LoaderRun, SkipRulesAndUnsafeCodes) {
    pages_["GC1"] = pages_["GC2"] = pages_["GC3"] = pages_["GC4"] = pages_["GC5"] = "new";
    out_.write("GC1.html", "old page\r\n");
    AddFinds({"GC1"});
    work_.write("WParchived.txt", "A;GC2\r\nD;GC3\r\n");
    work_.write("WPignore.txt", "gc4\r\n");
    params_.workList = {"GC1", "GC2", "GC3", "GC4", "../x", "GC5"};
    auto r = loader_.run(params_);

    EXPECT_EQ(Count(W("überspringe GC1 (bereits vorhanden)")), 1);
    EXPECT_EQ(Count(W("überspringe GC1 (bereits gefunden)")), 1);
    EXPECT_EQ(Count(W("überspringe GC2 (in Archivliste)")), 1);
    EXPECT_EQ(Count(W("überspringe GC3 (in Archivliste)")), 1);
    EXPECT_EQ(Count(W("überspringe GC4 (in Ignore-Liste)")), 1);
    EXPECT_EQ(Count(W("überspringe ../x (ungültiger Waypoint)")), 1);
    EXPECT_EQ(r.counters.existing, 1);
    EXPECT_EQ(r.counters.found, 1);
    EXPECT_EQ(r.counters.archived, 2);
    EXPECT_EQ(r.counters.ignored, 1);
    EXPECT_EQ(r.counters.skipped, 5);
    EXPECT_EQ(r.counters.loaded, 1);
    auto reqs = ListingRequests();
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].param("wp"), "GC5");
    EXPECT_EQ(out_.read("GC1.html"), "old page\r\n");
    EXPECT_FALSE(fs::exists(out_.path().parent_path() / "x.html"));

    // Unticked lists exclude nothing; "always" replaces the stored page.
    srv_.clearLog();
    protocol_.clear();
    params_.options.excludeFinds = params_.options.excludeIgnored = params_.options.excludeArchived = false;
    params_.options.overwrite = 1;
    params_.workList = {"GC1", "GC2", "GC3", "GC4"};
    auto r2 = loader_.run(params_);
    EXPECT_EQ(r2.counters.loaded, 4);
    EXPECT_EQ(r2.counters.skipped, 0);
    EXPECT_EQ(out_.read("GC1.html"), "new\r\n");
}

TEST_F(LoaderRun, AgeRuleInWholeDays) {
    pages_["GC1"] = pages_["GC2"] = "fresh";
    SetAgeDays(out_.write("GC1.html", "15 days"), 15);
    SetAgeDays(out_.write("GC2.html", "14 days"), 14);
    params_.options.overwrite = 2;
    params_.options.age = "14";
    params_.workList = {"GC1", "GC2"};
    auto r = loader_.run(params_);
    EXPECT_EQ(out_.read("GC1.html"), "fresh\r\n");
    EXPECT_EQ(out_.read("GC2.html"), "14 days");
    EXPECT_EQ(r.counters.existing, 1);
    EXPECT_EQ(r.counters.loaded, 1);
    EXPECT_EQ(Count(W("überspringe GC2 (bereits vorhanden)")), 1);

    // An empty age counts as one day.
    SetAgeDays(out_.write("GC1.html", "1 day"), 1);
    SetAgeDays(out_.write("GC2.html", "2 days"), 2);
    params_.options.age = "";
    loader_.run(params_);
    EXPECT_EQ(out_.read("GC1.html"), "1 day");
    EXPECT_EQ(out_.read("GC2.html"), "fresh\r\n");
}

// At most 50 pages per run; the codes after the 50th are neither fetched nor
// counted. A "QUIRK" file in the work folder lifts the limit.
TEST_F(LoaderRun, FiftyPagesPerRun) {
    for (int i = 1; i <= 52; ++i) {
        params_.workList.push_back("GC" + std::to_string(i));
        pages_[params_.workList.back()] = "page";
    }
    auto r = loader_.run(params_);
    EXPECT_EQ(r.counters.loaded, 50);
    EXPECT_EQ(r.counters.skipped, 0);
    auto reqs = ListingRequests();
    ASSERT_EQ(reqs.size(), 50u);
    EXPECT_EQ(reqs.back().param("wp"), "GC50");
    EXPECT_TRUE(fs::exists(out_.path() / "GC50.html"));
    EXPECT_FALSE(fs::exists(out_.path() / "GC51.html"));

    srv_.clearLog();
    work_.write("QUIRK", "");
    params_.options.overwrite = 1;
    r = loader_.run(params_);
    EXPECT_EQ(r.counters.loaded, 52);
    EXPECT_EQ(ListingRequests().size(), 52u);
}

TEST_F(LoaderRun, EmptyAnswerAndUnwritableFolderAreErrors) {
    pages_["GC1"] = "";
    pages_["GC2"] = "page";
    out_.write("GC1.html", "kept\r\n");
    params_.options.overwrite = 1;
    params_.options.loadMap = true;
    AddCache("GC1", "x");
    params_.workList = {"GC1"};
    auto r = loader_.run(params_);
    EXPECT_EQ(r.counters.errors, 1);
    EXPECT_TRUE(loader_.errorFlag());
    EXPECT_EQ(out_.read("GC1.html"), "kept\r\n");
    EXPECT_TRUE(srv_.requestsTo("/pub/agent.dll").empty());  // no map for a failed page

    params_.outDir = out_.str() + "missing/folder/";
    params_.workList = {"GC2"};
    auto r2 = loader_.run(params_);
    EXPECT_EQ(r2.counters.errors, 1);
    EXPECT_EQ(Count("Fehler beim Laden von GC2"), 1);
}

std::string PictureRoute(HttpTestServer& srv, const std::string& path, const std::string& bytes) {
    srv.serve(path, bytes, "image/jpeg");
    return bytes;
}

const char* kPicturePage =
    "<html>\r\n<head><title>GC1</title></head>\r\n<span id=\"Images\"><a href=\"http://pics.test/head.gif\">H</a>h</span>\r\n"
    "<BODY>\r\n<SCRIPT>var s='<span id=\"Images\"><a href=\"http://pics.test/evil.jpg\">E</a>x</span>';"
    "</script>\r\n<span id=\"CacheName\">Testcache</span>\r\n"
    "<BLOCKQUOTE><span id=\"LongDescription\"><p>Text</p>\r\n"
    "<script type=\"text/javascript\">document.write('<img src=\"http://other.test/s.gif\">');</script>\r\n"
    "<img src=\"http://other.test/x.JPG\">\r\n<IMG SRC='http://pics.test/cache/y.jpg'>\r\n"
    "<img  src= \"http://other.test/x.JPG\" width=\"2\">\r\n<img src=\"../up.gif\">\r\n"
    "<img src=\"http://listing.test/images/attributes/dogs.gif\">\r\n<img src=\"http://other.test/page.html\">\r\n"
    "<img src=\"http://other.test/pic.php?id=5.png&x=y\">\r\n"
    "</span></BLOCKQUOTE>\r\n"
    "<p><strong>Additional Hints</strong><br>\r\n<span id=\"Hints\" class=\"displayMe\">Abc</span></p>\r\n"
    "<span id=\"Images\"><font size=\"2\"><img src=\"http://listing.test/images/icons/camera.gif\">"
    "<a href=\"http://pics.test/cache/1a.jpg\" target=\"_blank\">Aussicht</a>Blick nach S\xFC"
    "den&nbsp;<br><img src=\"http://listing.test/images/icons/camera.gif\">"
    "<a href=\"http://pics.test/cache/2b.gif\">Do\r\nse</a>So sieht\r\nsie aus<br></font></span>\r\n"
    "</BODY></html>";

TEST_F(LoaderRun, PicturesAndMetaFile) {
    pages_["GC1"] = kPicturePage;
    auto p1 = PictureRoute(srv_, "/cache/1a.jpg", "JPEG-1");
    auto p2 = PictureRoute(srv_, "/cache/2b.gif", "GIF-2");
    auto p3 = PictureRoute(srv_, "/x.JPG", "JPEG-3");
    std::string png("\x89PNG\r\n\x1A\n....", 12);
    PictureRoute(srv_, "/pic.php", png);
    params_.options.loadImages = true;
    params_.workList = {"GC1"};
    loader_.run(params_);

    const std::string dir = out_.str();
    EXPECT_EQ(out_.read("GC1_i1.jpg"), p1);
    EXPECT_EQ(out_.read("GC1_i2.gif"), p2);
    EXPECT_EQ(out_.read("GC1_i3.JPG"), p3);
    // An address ending in "y" gets its extension from the picture's bytes.
    EXPECT_EQ(out_.read("GC1_i4.png"), png);
    std::string expected = "1#" + dir + "GC1_i1.jpg\r\n1#Aussicht\r\n1#Blick nach S\xFC" "den\r\n" +
                           "2#" + dir + "GC1_i2.gif\r\n2#Do se\r\n2#So sieht sie aus\r\n" +
                           "3#" + dir + "GC1_i3.JPG\r\n3#http://other.test/x.JPG\r\n3#\r\n" +
                           "4#" + dir + "GC1_i4.png\r\n4#http://other.test/pic.php?id=5.png&x=y\r\n4#\r\n";
    EXPECT_EQ(out_.read("GC1.meta"), expected);
    EXPECT_EQ(Count(W("lade zugehöriges Bild #1: Aussicht")), 1);
    EXPECT_EQ(Count("lade Fremdserver-Bild #3: http://other.test/x.JPG"), 1);
    // Scripts, the picture host, "..", attribute icons and non-pictures are left out.
    for (const char* path : {"/evil.jpg", "/cache/y.jpg", "/s.gif", "/head.gif", "/up.gif", "/images/attributes/dogs.gif",
                             "/page.html"})
        EXPECT_TRUE(srv_.requestsTo(path).empty()) << path;
    EXPECT_EQ(srv_.requestsTo("/x.JPG").size(), 1u);

    // Without foreign pictures: two pictures, six lines.
    params_.options.overwrite = 1;
    params_.options.remoteImages = false;
    loader_.run(params_);
    auto meta = out_.read("GC1.meta");
    EXPECT_EQ(std::count(meta.begin(), meta.end(), '\n'), 6);
    EXPECT_EQ(meta.rfind("2#So sieht sie aus\r\n"), meta.size() - 20);
}

TEST_F(LoaderRun, UnattendedRunCountsFailedPicturesWithoutBoxes) {
    pages_["GC1"] = "<body><span id=\"Images\"><a href=\"http://pics.test/gone.jpg\">T</a>C<br>"
                    "<a href=\"http://pics.test/huge.jpg\">H</a>C<br></span></body>";
    srv_.serve("/huge.jpg", std::string(static_cast<std::size_t>(tv::kMaxPictureBytes) + 1, 'x'), "image/jpeg");
    params_.options.loadImages = true;
    params_.workList = {"GC1"};
    params_.unattended = true;
    EXPECT_EQ(loader_.run(params_).failedPictures, 2);
    EXPECT_TRUE(fakes_.messages.shown.empty());
    EXPECT_EQ(CountPrefix(W("Bild nicht geladen: http://pics.test/huge.jpg (Die Datei ist größer als 25 MB")), 1);
    EXPECT_EQ(Count("2 Bilder oder Karten konnten nicht geladen werden."), 1);
    EXPECT_FALSE(fs::exists(out_.path() / "GC1_i2.jpg"));
}

}  // namespace
