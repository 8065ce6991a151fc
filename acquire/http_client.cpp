#include "acquire/http_client.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include <curl/curl.h>

#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/number_format.h"
#include "core/proc_settings.h"
#include "platform/services.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    std::size_t i = 0;
    for (; prefix[i] != '\0'; ++i) {
        if (i >= text.size()) return false;
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

// The host of an address for a message ("http://127.0.0.1:8080/x" -> "127.0.0.1").
std::string HostOf(const std::string& url) {
    std::size_t from = url.find("://");
    from = from == std::string::npos ? 0 : from + 3;
    std::size_t to = url.find_first_of("/?#", from);
    std::string host = url.substr(from, to == std::string::npos ? std::string::npos : to - from);
    if (const auto at = host.rfind('@'); at != std::string::npos) host.erase(0, at + 1);
    if (!host.empty() && host.front() != '[')
        if (const auto colon = host.find(':'); colon != std::string::npos) host.erase(colon);
    return host;
}

constexpr const char* kProxyPath = "(Menü: Datei / Grundeinstellungen / Proxy)";

}  // namespace

// The one translation of curl's failures into German. Curl's own texts are
// English: they go to the debug log only (the caller logs them).
Error HttpTransferError(int curlCode, const std::string& url, const HttpTimeouts& t) {
    const std::string host = HostOf(url);
    const auto code = static_cast<CURLcode>(curlCode);
    switch (code) {
    case CURLE_ABORTED_BY_CALLBACK:
        return {kHttpErrCancelled, W("Der Ladevorgang wurde abgebrochen.")};
    case CURLE_UNSUPPORTED_PROTOCOL:
        return {kHttpErrAddress, W("Nicht unterstützte Adresse (nur http und https sind erlaubt): ") + url};
    case CURLE_URL_MALFORMAT:
        return {kHttpErrAddress, W("Ungültige Adresse: ") + url};
    case CURLE_COULDNT_RESOLVE_PROXY:
        return {kHttpErrConnect, W("Der Proxy-Server wurde nicht gefunden. Bitte die Proxy-Einstellungen prüfen ") +
                                     W(kProxyPath) + "."};
    case CURLE_COULDNT_RESOLVE_HOST:
        return {kHttpErrConnect, W("Der Server \"") + host +
                                     W("\" wurde nicht gefunden. Bitte die Adresse und die Internetverbindung "
                                       "prüfen.")};
    case CURLE_COULDNT_CONNECT:
        return {kHttpErrConnect, W("Der Server \"") + host +
                                     W("\" hat die Verbindung abgelehnt oder ist nicht erreichbar.")};
    case CURLE_OPERATION_TIMEDOUT:
        return {kHttpErrTimeout, W("Zeitüberschreitung: der Server antwortet nicht (weniger als ") +
                                     IntText(t.lowSpeedBytesPerSecond) + W(" Byte/s über ") +
                                     IntText(t.lowSpeedSeconds) + W(" s, keine Verbindung nach ") +
                                     IntText(t.connectSeconds) + W(" s oder länger als ") + IntText(t.totalSeconds) +
                                     " s insgesamt)."};
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return {kHttpErrCertificate, W("Das Zertifikat des Servers \"") + host +
                                         W("\" ist ungültig oder nicht vertrauenswürdig; die sichere Verbindung "
                                           "wurde nicht aufgebaut.")};
    case CURLE_SSL_CONNECT_ERROR:
        return {kHttpErrCertificate,
                W("Die sichere Verbindung (https) zum Server \"") + host + W("\" konnte nicht aufgebaut werden.")};
    case CURLE_GOT_NOTHING:
        return {kHttpErrTransfer, W("Der Server \"") + host + W("\" hat keine Antwort gesendet.")};
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
        return {kHttpErrTransfer, W("Die Verbindung zum Server \"") + host + W("\" wurde unterbrochen.")};
    case CURLE_PARTIAL_FILE:
        return {kHttpErrTransfer, W("Die Übertragung brach vorzeitig ab; die Datei ist unvollständig.")};
    case CURLE_TOO_MANY_REDIRECTS:
        return {kHttpErrTransfer, W("Zu viele Weiterleitungen beim Laden von ") + url};
    case CURLE_WRITE_ERROR:
        return {kHttpErrFile, W("Die Zieldatei konnte nicht geschrieben werden.")};
    default:
        return {kHttpErrTransfer, W("Übertragungsfehler (Fehler ") + IntText(curlCode) +
                                      W(" der Netzwerkbibliothek).")};
    }
}

namespace {

// An address for a message: control bytes shown as %XX, so that the text
// neither breaks nor ends early where the address held one.
std::string ShownAddress(std::string_view url) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : url) {
        if (c < 0x20 || c == 0x7F) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool HasControlByte(std::string_view url) {
    for (unsigned char c : url)
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}

// "25 MB", "2 GB".
std::string SizeText(std::int64_t bytes) {
    constexpr std::int64_t kMB = 1024 * 1024;
    if (bytes % (1024 * kMB) == 0) return IntText(bytes / (1024 * kMB)) + " GB";
    if (bytes % kMB == 0) return IntText(bytes / kMB) + " MB";
    return IntText(bytes) + " Byte";
}

}  // namespace

std::string HttpStatusText(int status) {
    const char* meaning = nullptr;
    switch (status) {
    case 400: meaning = "ungültige Anfrage"; break;
    case 401: meaning = "Anmeldung erforderlich"; break;
    case 403: meaning = "Zugriff verweigert"; break;
    case 404: meaning = "Datei nicht gefunden"; break;
    case 410: meaning = "nicht mehr vorhanden"; break;
    case 429: meaning = "zu viele Anfragen"; break;
    case 500: meaning = "interner Serverfehler"; break;
    case 502: meaning = "fehlerhaftes Gateway"; break;
    case 503: meaning = "Dienst nicht verfügbar"; break;
    case 504: meaning = "Zeitüberschreitung am Gateway"; break;
    default: break;
    }
    if (status == 407)
        return W("Der Proxy-Server verlangt eine Anmeldung (HTTP 407). Bitte Benutzername und Passwort prüfen ") +
               W(kProxyPath) + ".";
    std::string text = W("Der Server meldet einen Fehler: HTTP ") + IntText(status);
    if (meaning != nullptr) text += W(" (") + W(meaning) + ")";
    return text + ".";
}

std::string DownloadFailedText(const std::string& url, const std::string& dest, const Error& error) {
    std::string text = W("Folgende Ladeoperation vom Internet ist fehlgeschlagen:") + "\r\nQuelle: " + url +
                       "\r\nZiel: " + dest + "\r\nFehlermeldung: " + error.message;
    if (error.code == kHttpErrConnect || error.code == kHttpErrTimeout)
        text += "\r\n\r\n" + W("Mögliche Fehlerursachen: Keine Internetverbindung oder falsch konfigurierte "
                               "Proxyeinstellungen.");
    return text;
}

ProxyConfig ProxyFromSettings() {
    ProxyConfig pc;
    if (ProcSettings.UseProxy && !ProcSettings.ProxyServer.empty()) {
        pc.use = true;
        pc.server = ProcSettings.ProxyServer;
        pc.auth = ProcSettings.ProxyAuth;
        pc.user = ProcSettings.ProxyUser;
        pc.pass = ProcSettings.ProxyPass;
    }
    return pc;
}

ProxyAddress ParseProxyServer(const std::string& text) {
    std::string s = text;
    if (StartsWithNoCase(s, "http://")) s.erase(0, 7);
    ProxyAddress a;
    auto colon = s.find(':');
    if (colon == std::string::npos) {
        a.host = s;
        return a;
    }
    a.host = s.substr(0, colon);
    std::string portText = s.substr(colon + 1);
    while (!portText.empty() && portText.back() == '/') portText.pop_back();
    int port = 0;
    auto r = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (r.ec == std::errc() && r.ptr == portText.data() + portText.size() && port > 0 && port <= 65535) a.port = port;
    return a;
}

std::string PercentEncode(std::string_view bytes, std::string_view keep, bool digits, bool blankAsPlus) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (digits && c >= '0' && c <= '9') ||
                           (c != 0 && keep.find(ch) != std::string_view::npos);
        if (plain) {
            out += ch;
        } else if (c == ' ' && blankAsPlus) {
            out += '+';
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string UrlEncode(const std::string& value) { return PercentEncode(value, "-._~", true, false); }

// Where the body of an answer goes.
namespace detail {
struct HttpSink {
    std::string* text = nullptr;
    std::size_t maxText = 0;
    AtomicFileWriter* file = nullptr;
    std::int64_t maxFile = 0;
    std::int64_t written = 0;
    bool tooLarge = false;
    bool writeFailed = false;
    std::string statusLine;  // of the last answer, for the error message
    std::string location;    // its Location header: the target of a refused redirect
};
}  // namespace detail
using detail::HttpSink;

namespace {

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<HttpSink*>(user);
    size_t n = size * count;
    if (sink->file != nullptr) {
        // Counted here too: a chunked answer announces no length.
        if (sink->written + static_cast<std::int64_t>(n) > sink->maxFile) {
            sink->tooLarge = true;
            return 0;
        }
        sink->written += static_cast<std::int64_t>(n);
        if (!sink->file->Write(data, n)) {
            sink->writeFailed = true;
            return 0;
        }
        return n;
    }
    if (sink->text->size() + n > sink->maxText) {
        sink->tooLarge = true;
        return 0;
    }
    sink->text->append(data, n);
    return n;
}

size_t ReadHeader(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<HttpSink*>(user);
    size_t n = size * count;
    std::string line(data, n);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    if (line.compare(0, 5, "HTTP/") == 0) {
        sink->statusLine = line;
        sink->location.clear();
    } else if (line.size() > 9 && StartsWithNoCase(line, "location:")) {
        std::size_t v = 9;
        while (v < line.size() && (line[v] == ' ' || line[v] == '\t')) ++v;
        sink->location = line.substr(v);
    }
    return n;
}

struct ProgressContext {
    std::atomic<bool>* cancelled;
    const HttpClient::ProgressFn* fn;
};

int OnProgress(void* user, curl_off_t dltotal, curl_off_t dlnow, curl_off_t, curl_off_t) {
    auto* ctx = static_cast<ProgressContext*>(user);
    platform::pump().pump();
    if (*ctx->cancelled) return 1;
    if (*ctx->fn && !(*ctx->fn)(static_cast<std::int64_t>(dlnow), static_cast<std::int64_t>(dltotal))) return 1;
    return *ctx->cancelled ? 1 : 0;
}

}  // namespace

HttpClient::HttpClient() {
    GlobalInit();
    curl_ = curl_easy_init();
    auto* c = static_cast<CURL*>(curl_);
    if (c == nullptr) return;
    // An empty file name switches the in-memory cookie engine on.
    curl_easy_setopt(c, CURLOPT_COOKIEFILE, "");
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, WriteBody);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, ReadHeader);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, OnProgress);
}

HttpClient::~HttpClient() {
    if (curl_ != nullptr) curl_easy_cleanup(static_cast<CURL*>(curl_));
}

Result<void> HttpClient::perform(const std::string& url, const std::string* postBody, const std::string& contentType,
                                 HttpSink& sink) {
    lastStatus_ = 0;
    lastUrl_.clear();
    cancelled_ = false;
    if (!StartsWithNoCase(url, "http://") && !StartsWithNoCase(url, "https://"))
        return Error{kHttpErrAddress,
                     W("Nicht unterstützte Adresse (nur http und https sind erlaubt): ") + ShownAddress(url)};
    // curl takes the address as a C string: a NUL would cut it, other control
    // bytes have no place in an address either.
    if (HasControlByte(url))
        return Error{kHttpErrAddress, W("Ungültige Adresse (Steuerzeichen): ") + ShownAddress(url)};
    auto* c = static_cast<CURL*>(curl_);
    if (c == nullptr) return Error{kHttpErrTransfer, W("Die Netzwerkbibliothek konnte nicht gestartet werden.")};

    // The handle is reused (not reset) so that its cookies and connections
    // stay; every option that differs between requests is set here.
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, timeouts_.connectSeconds);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, timeouts_.lowSpeedBytesPerSecond);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, timeouts_.lowSpeedSeconds);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, timeouts_.totalSeconds);
    // A file answer that announces its size is refused before its body.
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(sink.file != nullptr ? sink.maxFile : 0));
    curl_easy_setopt(c, CURLOPT_USERAGENT, userAgent_.c_str());

    // The proxy comes from the settings only: an empty proxy text stops curl
    // from reading http_proxy and friends, an empty no-proxy list stops it
    // from reading no_proxy.
    std::string proxyUrl;
    if (proxy_.use && !proxy_.server.empty()) {
        ProxyAddress a = ParseProxyServer(proxy_.server);
        proxyUrl = "http://" + a.host + ":" + IntText(a.port);
    }
    curl_easy_setopt(c, CURLOPT_PROXY, proxyUrl.c_str());
    curl_easy_setopt(c, CURLOPT_NOPROXY, "");
    if (!proxyUrl.empty() && proxy_.auth) {
        curl_easy_setopt(c, CURLOPT_PROXYUSERNAME, proxy_.user.c_str());
        curl_easy_setopt(c, CURLOPT_PROXYPASSWORD, proxy_.pass.c_str());
        curl_easy_setopt(c, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
    } else {
        curl_easy_setopt(c, CURLOPT_PROXYUSERNAME, nullptr);
        curl_easy_setopt(c, CURLOPT_PROXYPASSWORD, nullptr);
    }

    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, ("Accept: " + accept_).c_str());
    if (postBody != nullptr) {
        headers = curl_slist_append(headers, ("Content-Type: " + contentType).c_str());
        headers = curl_slist_append(headers, "Expect:");
        curl_easy_setopt(c, CURLOPT_POST, 1L);
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(postBody->size()));
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, postBody->data());
    } else {
        curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
    }
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);

    curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &sink);

    ProgressContext ctx{&cancelled_, &progress_};
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &ctx);

    char detail[CURL_ERROR_SIZE] = {0};
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, detail);

    platform::pump().pump();  // lets the window repaint before the connection is made
    CURLcode rc = curl_easy_perform(c);
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(headers);

    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    lastStatus_ = static_cast<int>(status);
    char* effective = nullptr;
    if (curl_easy_getinfo(c, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective != nullptr)
        lastUrl_ = effective;
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, nullptr);
    if (progress_) progress_(0, 0);

    if (rc == CURLE_HTTP_RETURNED_ERROR || (rc == CURLE_OK && status >= 400)) {
        DebugLog("ERR: HTTP " + ShownAddress(url) + ": " +
                 (sink.statusLine.empty() ? IntText(status) : sink.statusLine));
        return Error{static_cast<int>(status), HttpStatusText(static_cast<int>(status))};
    }
    if ((rc == CURLE_WRITE_ERROR && sink.tooLarge) || rc == CURLE_FILESIZE_EXCEEDED) {
        if (sink.file != nullptr)
            return Error{kHttpErrTooLarge, W("Die Datei ist größer als ") + SizeText(sink.maxFile) +
                                               W(" und wird nicht geladen: ") + ShownAddress(url)};
        return Error{kHttpErrTooLarge, W("Die Antwort des Servers ist zu groß.")};
    }
    if (rc != CURLE_OK) {
        if (cancelled_) return Error{kHttpErrCancelled, W("Der Ladevorgang wurde abgebrochen.")};
        // The refused address is the redirect's target, not the one asked for.
        if ((rc == CURLE_UNSUPPORTED_PROTOCOL || rc == CURLE_URL_MALFORMAT) && !sink.location.empty())
            return Error{kHttpErrAddress, W("Weiterleitung abgelehnt (nur http und https sind erlaubt): ") +
                                              ShownAddress(sink.location)};
        DebugLog("ERR: HTTP " + ShownAddress(url) + ": curl " + IntText(static_cast<int>(rc)) + " " +
                 curl_easy_strerror(rc) + (detail[0] != '\0' ? std::string(" (") + detail + ")" : std::string()));
        return HttpTransferError(rc, url, timeouts_);
    }
    return {};
}

Result<std::string> HttpClient::getText(const std::string& url) {
    std::string body;
    HttpSink sink;
    sink.text = &body;
    sink.maxText = maxTextBytes_;
    auto r = perform(url, nullptr, {}, sink);
    if (!r) return r.error();
    return body;
}

Result<std::string> HttpClient::postForm(const std::string& url, const std::string& body,
                                         const std::string& contentType) {
    std::string answer;
    HttpSink sink;
    sink.text = &answer;
    sink.maxText = maxTextBytes_;
    auto r = perform(url, &body, contentType, sink);
    if (!r) return r.error();
    return answer;
}

Result<void> HttpClient::getToFile(const std::string& url, const std::string& path, std::int64_t maxBytes) {
    // The old file stays until the whole answer is on the disk.
    AtomicFileWriter out(path);
    if (out.createFailed()) return Error{kHttpErrFile, W("Die Datei kann nicht angelegt werden: ") + path};
    HttpSink sink;
    sink.file = &out;
    sink.maxFile = maxBytes;
    auto r = perform(url, nullptr, {}, sink);
    if (!r) return r;
    if (!out.Commit()) return Error{kHttpErrFile, W("Die Datei kann nicht geschrieben werden: ") + path};
    return {};
}

std::vector<std::string> HttpClient::cookies() const {
    std::vector<std::string> out;
    curl_slist* list = nullptr;
    if (curl_ != nullptr && curl_easy_getinfo(static_cast<CURL*>(curl_), CURLINFO_COOKIELIST, &list) == CURLE_OK) {
        for (curl_slist* p = list; p != nullptr; p = p->next) out.emplace_back(p->data);
        curl_slist_free_all(list);
    }
    return out;
}

void HttpClient::clearCookies() {
    if (curl_ != nullptr) curl_easy_setopt(static_cast<CURL*>(curl_), CURLOPT_COOKIELIST, "ALL");
}

}  // namespace tv
