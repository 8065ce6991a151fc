#include "acquire/http_client.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include <curl/curl.h>
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

// A redirect to a local file is refused on every way in: a download keeps
// the old file, a postback gets no answer, and the file's bytes never arrive.
TEST(HttpClient, RedirectToALocalFileIsRefusedForDownloadsAndPostbacks) {
    tv::platform::ScopedFakes fakes;
    tvtest::TempDir dir;
    const auto secret = dir.write("secret.txt", "geheim");
    HttpTestServer srv;
    srv.redirect("/pic", "file://" + secret.string());
    srv.route("POST", "/form", [&](const httplib::Request&, httplib::Response& r) {
        r.status = 302;
        r.set_header("Location", "file://" + secret.string());
    });
    srv.redirect("/list", "ftp://127.0.0.1:1/list.txt", 301);
    srv.start();
    HttpClient c;
    const auto old = dir.write("pic.jpg", "old picture");
    auto f = c.getToFile(srv.url("/pic"), old.string());
    ASSERT_FALSE(f.ok());
    EXPECT_EQ(f.error().code, tv::kHttpErrAddress) << f.error().message;
    EXPECT_EQ(tvtest::ReadFileBytes(old), "old picture");
    f = c.getToFile(srv.url("/list"), old.string());
    ASSERT_FALSE(f.ok());
    EXPECT_EQ(f.error().code, tv::kHttpErrAddress) << f.error().message;
    EXPECT_EQ(tvtest::ReadFileBytes(old), "old picture");

    const auto p = c.postForm(srv.url("/form"), "a=b", "application/x-www-form-urlencoded");
    ASSERT_FALSE(p.ok()) << *p;
    EXPECT_EQ(p.error().code, tv::kHttpErrAddress) << p.error().message;
    EXPECT_EQ(srv.requestCount(), 3u);
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

// Every failure the user meets is one German sentence; curl's English text
// stays out of it.
TEST(HttpClient, FailuresAreToldInGermanWithoutCurlsText) {
    const std::string url = "https://maps.example.test:8443/x";
    struct Case {
        CURLcode curl;
        int code;
        std::string text;
    };
    const Case cases[] = {
        {CURLE_COULDNT_RESOLVE_HOST, tv::kHttpErrConnect,
         "Der Server \"maps.example.test\" wurde nicht gefunden. Bitte die Adresse und die Internetverbindung "
         "prüfen."},
        {CURLE_COULDNT_CONNECT, tv::kHttpErrConnect,
         "Der Server \"maps.example.test\" hat die Verbindung abgelehnt oder ist nicht erreichbar."},
        {CURLE_COULDNT_RESOLVE_PROXY, tv::kHttpErrConnect,
         "Der Proxy-Server wurde nicht gefunden. Bitte die Proxy-Einstellungen prüfen (Menü: Datei / "
         "Grundeinstellungen / Proxy)."},
        {CURLE_OPERATION_TIMEDOUT, tv::kHttpErrTimeout,
         "Zeitüberschreitung: der Server antwortet nicht (weniger als 1 Byte/s über 60 s, keine Verbindung nach "
         "30 s oder länger als 3600 s insgesamt)."},
        {CURLE_PEER_FAILED_VERIFICATION, tv::kHttpErrCertificate,
         "Das Zertifikat des Servers \"maps.example.test\" ist ungültig oder nicht vertrauenswürdig; die sichere "
         "Verbindung wurde nicht aufgebaut."},
        {CURLE_SSL_CONNECT_ERROR, tv::kHttpErrCertificate,
         "Die sichere Verbindung (https) zum Server \"maps.example.test\" konnte nicht aufgebaut werden."},
        {CURLE_RECV_ERROR, tv::kHttpErrTransfer, "Die Verbindung zum Server \"maps.example.test\" wurde unterbrochen."},
        {CURLE_BAD_CONTENT_ENCODING, tv::kHttpErrTransfer, "Übertragungsfehler (Fehler 61 der Netzwerkbibliothek)."},
    };
    for (const Case& c : cases) {
        const tv::Error e = tv::HttpTransferError(c.curl, url);
        EXPECT_EQ(e.code, c.code) << c.curl;
        EXPECT_EQ(e.message, tv::W(c.text)) << c.curl;
        EXPECT_EQ(e.message.find(curl_easy_strerror(c.curl)), std::string::npos) << c.curl;
    }
    EXPECT_EQ(tv::HttpStatusText(404), tv::W("Der Server meldet einen Fehler: HTTP 404 (Datei nicht gefunden)."));
    EXPECT_EQ(tv::HttpStatusText(418), "Der Server meldet einen Fehler: HTTP 418.");
    EXPECT_EQ(tv::HttpStatusText(407), tv::W("Der Proxy-Server verlangt eine Anmeldung (HTTP 407). Bitte "
                                             "Benutzername und Passwort prüfen (Menü: Datei / Grundeinstellungen / "
                                             "Proxy)."));

    // A real refused connection and a real error status, end to end.
    tv::platform::ScopedFakes fakes;
    HttpTestServer srv;
    srv.serve("/gone", "<html>Gone</html>", "text/html", 410);
    srv.start();
    HttpClient client;
    auto gone = client.getText(srv.url("/gone"));
    ASSERT_FALSE(gone.ok());
    EXPECT_EQ(gone.error().message, tv::W("Der Server meldet einen Fehler: HTTP 410 (nicht mehr vorhanden)."));
    const std::string closed = srv.url("/x");
    srv.stop();
    auto refused = client.getText(closed);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().code, tv::kHttpErrConnect);
    EXPECT_EQ(refused.error().message,
              tv::W("Der Server \"127.0.0.1\" hat die Verbindung abgelehnt oder ist nicht erreichbar."));
}

// The hint at the connection and the proxy stands only where no server
// answered; an answer with an error status is told by its status alone.
TEST(HttpClient, DownloadFailureHintsAtTheConnectionOnlyWithoutAnAnswer) {
    const std::string head = tv::W(
        "Folgende Ladeoperation vom Internet ist fehlgeschlagen:\r\n"
        "Quelle: http://db.example.test/a.zip\r\nZiel: /w/db.tmp.zip\r\n"
        "Fehlermeldung: ");
    const std::string hint = tv::W(
        "\r\n\r\nMögliche Fehlerursachen: Keine Internetverbindung oder falsch "
        "konfigurierte Proxyeinstellungen.");
    auto text = [](const tv::Error& e) {
        return tv::DownloadFailedText("http://db.example.test/a.zip", "/w/db.tmp.zip", e);
    };
    const tv::Error notFound{404, tv::HttpStatusText(404)};
    EXPECT_EQ(text(notFound), head + tv::W("Der Server meldet einen Fehler: HTTP 404 (Datei nicht gefunden)."));
    EXPECT_EQ(text({500, tv::HttpStatusText(500)}),
              head + "Der Server meldet einen Fehler: HTTP 500 (interner Serverfehler).");
    for (int code : {tv::kHttpErrCancelled, tv::kHttpErrCertificate, tv::kHttpErrFile, tv::kHttpErrTooLarge})
        EXPECT_EQ(text({code, "x"}), head + "x") << code;
    EXPECT_EQ(text({tv::kHttpErrConnect, "x"}), head + "x" + hint);
    EXPECT_EQ(text({tv::kHttpErrTimeout, "x"}), head + "x" + hint);
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

}  // namespace
