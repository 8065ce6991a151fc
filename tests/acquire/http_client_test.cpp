#include "acquire/http_client.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "core/proc_settings.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "support/http_test_server.h"
#include "support/temp_dir.h"

namespace {

using tv::HttpClient;
using tvtest::HttpTestServer;

std::string BinaryBytes(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + 7) & 0xFF);
    return s;
}

// Restores an environment variable on scope exit.
struct ScopedEnv {
    std::string name;
    std::string old;
    bool had;
    ScopedEnv(const char* n, const std::string& value) : name(n) {
        const char* o = std::getenv(n);
        had = o != nullptr;
        if (had) old = o;
        setenv(n, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (had)
            setenv(name.c_str(), old.c_str(), 1);
        else
            unsetenv(name.c_str());
    }
};

TEST(HttpClient, GetTextIsByteExactAndSendsOurHeaders) {
    tv::platform::ScopedFakes fakes;
    HttpTestServer srv;
    std::string body = BinaryBytes(3000) + "\r\n\x00\xFF" + "end";
    srv.serve("/page", body, "application/octet-stream");
    srv.start();
    HttpClient c;
    auto r = c.getText(srv.url("/page?wp=GC1&x=%7C"));
    ASSERT_TRUE(r.ok()) << r.error().message;
    EXPECT_EQ(*r, body);
    EXPECT_EQ(c.lastStatus(), 200);
    auto reqs = srv.requests();
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].target, "/page?wp=GC1&x=%7C");
    EXPECT_EQ(reqs[0].param("x"), "|");
    EXPECT_EQ(reqs[0].header("User-Agent"), "Mozilla/6.0 (compatible; Indy Library)");
    EXPECT_EQ(reqs[0].header("Accept"), "text/html, */*");
    EXPECT_GT(fakes.pump.pumps, 0);  // the user interface kept running
}

TEST(HttpClient, FollowsRedirectsButOnlyToHttp) {
    tv::platform::ScopedFakes fakes;
    HttpTestServer srv;
    srv.redirect("/old", "/mid", 301);
    srv.redirect("/mid", "/new", 302);
    srv.serve("/new", "arrived");
    srv.redirect("/evil", "file:///etc/passwd");
    srv.redirect("/ftp", "ftp://127.0.0.1/x");
    srv.start();
    HttpClient c;
    auto r = c.getText(srv.url("/old"));
    ASSERT_TRUE(r.ok()) << r.error().message;
    EXPECT_EQ(*r, "arrived");
    EXPECT_EQ(c.lastUrl(), srv.url("/new"));
    EXPECT_EQ(srv.requestCount(), 3u);

    for (const char* path : {"/evil", "/ftp"}) {
        auto bad = c.getText(srv.url(path));
        ASSERT_FALSE(bad.ok()) << path;
        EXPECT_EQ(bad.error().code, tv::kHttpErrAddress) << path << ": " << bad.error().message;
        // The message names the refused target.
        const std::string target = path == std::string("/evil") ? "file:///etc/passwd" : "ftp://127.0.0.1/x";
        EXPECT_NE(bad.error().message.find(target), std::string::npos) << bad.error().message;
    }
    // Other schemes are refused before any connection.
    srv.clearLog();
    // A control byte is refused, not cut off with what follows it.
    const std::string withNul = srv.url("/new") + std::string("\0/../x", 6);
    for (const std::string& url : {std::string("file:///etc/passwd"), std::string("ftp://127.0.0.1/"), std::string(),
                                   std::string("127.0.0.1/x"), withNul, srv.url("/new\r\nX: y")}) {
        auto bad = c.getText(url);
        ASSERT_FALSE(bad.ok());
        EXPECT_EQ(bad.error().code, tv::kHttpErrAddress);
        EXPECT_FALSE(bad.error().message.empty());
    }
    EXPECT_EQ(srv.requestCount(), 0u);
}

TEST(HttpClient, KeepsCookiesPerClient) {
    tv::platform::ScopedFakes fakes;
    HttpTestServer srv;
    srv.route("GET", "/login", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Set-Cookie", "session=abc123; Path=/");
        res.set_content("ok", "text/plain");
    });
    srv.route("GET", "/check", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content(req.get_header_value("Cookie"), "text/plain");
    });
    srv.start();
    HttpClient c;
    ASSERT_TRUE(c.getText(srv.url("/login")).ok());
    auto r = c.getText(srv.url("/check"));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(*r, "session=abc123");
    ASSERT_EQ(c.cookies().size(), 1u);

    HttpClient other;
    auto r2 = other.getText(srv.url("/check"));
    ASSERT_TRUE(r2.ok());
    EXPECT_EQ(*r2, "");

    c.clearCookies();
    auto r3 = c.getText(srv.url("/check"));
    ASSERT_TRUE(r3.ok());
    EXPECT_EQ(*r3, "");
}

TEST(HttpClient, PostsFormWithContentType) {
    tv::platform::ScopedFakes fakes;
    HttpTestServer srv;
    srv.route("POST", "/form", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content("got " + req.get_param_value("__EVENTTARGET"), "text/html");
    });
    srv.start();
    HttpClient c;
    std::string body = "__EVENTTARGET=" + tv::UrlEncode("a$b c") + "&__VIEWSTATE=" + tv::UrlEncode("x/y+z=");
    auto r = c.postForm(srv.url("/form"), body);
    ASSERT_TRUE(r.ok()) << r.error().message;
    EXPECT_EQ(*r, "got a$b c");
    auto reqs = srv.requests();
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].method, "POST");
    EXPECT_EQ(reqs[0].body, "__EVENTTARGET=a%24b%20c&__VIEWSTATE=x%2Fy%2Bz%3D");
    EXPECT_EQ(reqs[0].header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(reqs[0].param("__VIEWSTATE"), "x/y+z=");

    auto r2 = c.postForm(srv.url("/form"), "<x/>", "text/xml");
    ASSERT_TRUE(r2.ok());
    EXPECT_EQ(srv.requests().at(1).header("Content-Type"), "text/xml");
}

TEST(HttpClient, ErrorStatusIsAFailureAndKeepsTheOldFile) {
    tv::platform::ScopedFakes fakes;
    tvtest::TempDir dir;
    HttpTestServer srv;
    srv.serve("/missing", "<html>Not here</html>", "text/html", 404);
    srv.serve("/broken", "oops", "text/plain", 500);
    srv.start();
    HttpClient c;
    auto r = c.getText(srv.url("/missing"));
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().code, 404);
    EXPECT_NE(r.error().message.find("404"), std::string::npos);
    EXPECT_EQ(c.lastStatus(), 404);

    auto old = dir.write("pic.jpg", "old picture");
    auto f = c.getToFile(srv.url("/broken"), old.string());
    ASSERT_FALSE(f.ok());
    EXPECT_EQ(f.error().code, 500);
    EXPECT_EQ(tvtest::ReadFileBytes(old), "old picture");

    auto fresh = dir.path() / "new.gif";
    ASSERT_FALSE(c.getToFile(srv.url("/missing"), fresh.string()).ok());
    EXPECT_FALSE(std::filesystem::exists(fresh));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // no leftovers
}

TEST(HttpClient, GetToFileStoresBytesAndReportsProgress) {
    tv::platform::ScopedFakes fakes;
    tvtest::TempDir dir;
    HttpTestServer srv;
    std::string body = BinaryBytes(200000);
    srv.serve("/big.bin", body, "application/octet-stream");
    srv.start();
    HttpClient c;
    std::int64_t lastReceived = 0, lastTotal = 0;
    int calls = 0;
    c.setProgress([&](std::int64_t received, std::int64_t total) {
        ++calls;
        if (received > 0) {
            lastReceived = received;
            lastTotal = total;
        }
        return true;
    });
    auto dest = dir.path() / "big.bin";
    dir.write("big.bin", "previous");
    auto r = c.getToFile(srv.url("/big.bin"), dest.string());
    ASSERT_TRUE(r.ok()) << r.error().message;
    EXPECT_EQ(tvtest::ReadFileBytes(dest), body);
    EXPECT_GT(calls, 0);
    EXPECT_EQ(lastReceived, 200000);
    EXPECT_EQ(lastTotal, 200000);

    auto bad = c.getToFile(srv.url("/big.bin"), (dir.path() / "no/such/folder/x.bin").string());
    ASSERT_FALSE(bad.ok());
    EXPECT_EQ(bad.error().code, tv::kHttpErrFile);
}

// A body that arrives in pieces with pauses, so a transfer can be cancelled
// or time out in its middle.
void SlowBody(HttpTestServer& srv, const std::string& path, std::chrono::milliseconds pause, bool stallFirst = false) {
    srv.route("GET", path, [&srv, pause, stallFirst](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("application/octet-stream",
                                         [&srv, pause, stallFirst](size_t offset, httplib::DataSink& sink) {
                                             if (offset >= 10 * 1024) {
                                                 sink.done();
                                                 return true;
                                             }
                                             if ((offset > 0 || stallFirst) && !srv.sleepUnlessStopped(pause)) return false;
                                             std::string piece(1024, 'x');
                                             return sink.write(piece.data(), piece.size());
                                         });
    });
}

TEST(HttpClient, CancelFromProgressOrFromThePump) {
    tv::platform::ScopedFakes fakes;
    tvtest::TempDir dir;
    HttpTestServer srv;
    SlowBody(srv, "/slow", std::chrono::milliseconds(100));
    srv.start();

    HttpClient c;
    c.setProgress([](std::int64_t received, std::int64_t) { return received == 0; });
    auto dest = dir.path() / "x.bin";
    auto t0 = std::chrono::steady_clock::now();
    auto r = c.getToFile(srv.url("/slow"), dest.string());
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().code, tv::kHttpErrCancelled);
    EXPECT_EQ(r.error().message, tv::W("Der Ladevorgang wurde abgebrochen."));
    EXPECT_FALSE(std::filesystem::exists(dest));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(900));

    // A cancel button handled while the pump runs stops the transfer too; the
    // next request starts afresh.
    HttpClient c2;
    int pumps = 0;
    fakes.pump.onPump = [&] {
        if (++pumps == 3) c2.cancel();
    };
    auto r2 = c2.getText(srv.url("/slow"));
    ASSERT_FALSE(r2.ok());
    EXPECT_EQ(r2.error().code, tv::kHttpErrCancelled);
    fakes.pump.onPump = nullptr;
    srv.serve("/quick", "fine");
    auto r3 = c2.getText(srv.url("/quick"));
    ASSERT_TRUE(r3.ok()) << r3.error().message;
    EXPECT_EQ(*r3, "fine");
}

TEST(HttpClient, StalledTransferIsAborted) {
    tv::platform::ScopedFakes fakes;
    HttpTestServer srv;
    SlowBody(srv, "/stall", std::chrono::milliseconds(4000), true);
    srv.start();
    HttpClient c;
    tv::HttpTimeouts t;
    t.lowSpeedSeconds = 1;
    c.setTimeouts(t);
    auto t0 = std::chrono::steady_clock::now();
    auto r = c.getText(srv.url("/stall"));
    auto took = std::chrono::steady_clock::now() - t0;
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().code, tv::kHttpErrTimeout) << r.error().message;
    EXPECT_LT(took, std::chrono::milliseconds(3500));
}

TEST(HttpClient, TricklingTransferEndsAtTheOverallLimit) {
    tv::platform::ScopedFakes fakes;
    HttpTestServer srv;
    srv.route("GET", "/trickle", [&srv](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("text/plain", [&srv](size_t, httplib::DataSink& sink) {
            return srv.sleepUnlessStopped(std::chrono::milliseconds(100)) && sink.write("ab", 2);
        });
    });
    srv.start();
    HttpClient c;
    c.setTimeouts({30, 1, 60, 1});
    auto r = c.getText(srv.url("/trickle"));
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().code, tv::kHttpErrTimeout) << r.error().message;
}

// Announced or counted while it arrives, a file above its limit is refused.
TEST(HttpClient, FilesAboveTheirLimitStopWithAMessage) {
    tv::platform::ScopedFakes fakes;
    tvtest::TempDir dir;
    HttpTestServer srv;
    srv.serve("/known", std::string(5000, 'a'), "application/octet-stream");
    SlowBody(srv, "/chunked", std::chrono::milliseconds(0));
    srv.route("GET", "/list", [](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(static_cast<size_t>(tv::kMaxListBytes) + 1, "text/plain",
                                 [](size_t, size_t, httplib::DataSink& sink) { return sink.write("c", 1); });
    });
    srv.start();
    HttpClient c;
    const auto dest = dir.path() / "f.bin";
    for (const char* path : {"/known", "/chunked"}) {
        auto r = c.getToFile(srv.url(path), dest.string(), 4096);
        ASSERT_FALSE(r.ok()) << path;
        EXPECT_EQ(r.error().message, tv::W("Die Datei ist größer als 4096 Byte und wird nicht geladen: ") + srv.url(path));
        EXPECT_FALSE(std::filesystem::exists(dest));
    }
    ASSERT_TRUE(c.getToFile(srv.url("/known"), dest.string(), 5000).ok());
    auto big = c.getToFile(srv.url("/list"), (dir.path() / "list.txt").string());
    EXPECT_EQ(big.error().message, tv::W("Die Datei ist größer als 2 GB und wird nicht geladen: ") + srv.url("/list"));
}

TEST(HttpClient, ConnectionRefusedIsAFailureWithGermanText) {
    tv::platform::ScopedFakes fakes;
    int port;
    {
        HttpTestServer srv;
        srv.start();
        port = srv.port();
    }
    HttpClient c;
    auto r = c.getText("http://127.0.0.1:" + std::to_string(port) + "/x");
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().code, tv::kHttpErrConnect);
    EXPECT_EQ(r.error().message.rfind(tv::W("Keine Verbindung zum Server möglich"), 0), 0u);
}

TEST(HttpClient, ProxyTakenFromTheSettingsOnlyWithAServer) {
    const tv::TProcSettings saved = tv::ProcSettings;
    tv::ProcSettings.UseProxy = true;
    tv::ProcSettings.ProxyServer = "proxy.test:3128";
    tv::ProcSettings.ProxyAuth = true;
    tv::ProcSettings.ProxyUser = "u";
    tv::ProcSettings.ProxyPass = "p";
    tv::ProxyConfig pc = tv::ProxyFromSettings();
    EXPECT_TRUE(pc.use);
    EXPECT_EQ(pc.server, "proxy.test:3128");
    EXPECT_TRUE(pc.auth);
    EXPECT_EQ(pc.user, "u");
    EXPECT_EQ(pc.pass, "p");
    tv::ProcSettings.ProxyServer.clear();
    EXPECT_FALSE(tv::ProxyFromSettings().use);
    tv::ProcSettings.ProxyServer = "proxy.test:3128";
    tv::ProcSettings.UseProxy = false;
    pc = tv::ProxyFromSettings();
    EXPECT_FALSE(pc.use);
    EXPECT_EQ(pc.server, "");
    tv::ProcSettings = saved;
}

TEST(HttpClient, ProxyFromSettingsWithCredentials) {
    tv::platform::ScopedFakes fakes;
    HttpTestServer proxy;
    proxy.serve("/seek/cache_details.aspx", "via proxy");
    proxy.start();
    HttpClient c;
    tv::ProxyConfig pc;
    pc.use = true;
    pc.server = "http://127.0.0.1:" + std::to_string(proxy.port());
    pc.auth = true;
    pc.user = "u";
    pc.pass = "p";
    c.setProxy(pc);
    auto r = c.getText("http://listing.invalid/seek/cache_details.aspx?wp=GC1");
    ASSERT_TRUE(r.ok()) << r.error().message;
    EXPECT_EQ(*r, "via proxy");
    auto reqs = proxy.requests();
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].target, "http://listing.invalid/seek/cache_details.aspx?wp=GC1");
    EXPECT_EQ(reqs[0].header("Proxy-Authorization"), "Basic dTpw");

    // Credentials only when the settings ask for them; port 80 when none given.
    pc.auth = false;
    pc.server = "127.0.0.1:" + std::to_string(proxy.port());
    c.setProxy(pc);
    ASSERT_TRUE(c.getText("http://listing.invalid/seek/cache_details.aspx?wp=GC2").ok());
    EXPECT_EQ(proxy.requests().at(1).header("Proxy-Authorization"), "");
}

TEST(HttpClient, EnvironmentProxyIsIgnored) {
    tv::platform::ScopedFakes fakes;
    HttpTestServer target, envProxy;
    target.serve("/x", "direct");
    envProxy.fallback([](const httplib::Request&, httplib::Response& res) { res.set_content("proxied", "text/plain"); });
    target.start();
    envProxy.start();
    ScopedEnv e1("http_proxy", envProxy.base());
    ScopedEnv e2("HTTP_PROXY", envProxy.base());
    ScopedEnv e3("no_proxy", "");
    HttpClient c;
    auto r = c.getText(target.url("/x"));
    ASSERT_TRUE(r.ok()) << r.error().message;
    EXPECT_EQ(*r, "direct");
    EXPECT_EQ(envProxy.requestCount(), 0u);
}

TEST(HttpClient, TextAnswerAboveLimitIsRefused) {
    tv::platform::ScopedFakes fakes;
    HttpTestServer srv;
    srv.serve("/big", std::string(5000, 'a'));
    srv.start();
    HttpClient c;
    c.setMaxTextBytes(4096);
    auto r = c.getText(srv.url("/big"));
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().code, tv::kHttpErrTooLarge);
}

TEST(HttpHelpers, ProxyServerText) {
    struct Case {
        const char* text;
        const char* host;
        int port;
    } cases[] = {{"http://proxy:8080", "proxy", 8080}, {"proxy", "proxy", 80},       {"HTTP://p.lan:3128/", "p.lan", 3128},
                 {"proxy:", "proxy", 80},              {"proxy:99999", "proxy", 80}, {"10.0.0.1:81", "10.0.0.1", 81}};
    for (const auto& c : cases) {
        auto a = tv::ParseProxyServer(c.text);
        EXPECT_EQ(a.host, c.host) << c.text;
        EXPECT_EQ(a.port, c.port) << c.text;
    }
}

TEST(HttpHelpers, UrlEncodeKeepsOnlyUnreserved) {
    EXPECT_EQ(tv::UrlEncode("GC1AB"), "GC1AB");
    EXPECT_EQ(tv::UrlEncode("|48.1,11.5|4|Cache|"), "%7C48.1%2C11.5%7C4%7CCache%7C");
    EXPECT_EQ(tv::UrlEncode(std::string("a b&\xE4~-._")), "a%20b%26%E4~-._");
}

}  // namespace
