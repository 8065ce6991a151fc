#pragma once
// Blocking HTTP client on libcurl, used by every download of the program.
//
// Rules every caller can rely on:
// - only http:// and https:// addresses, also when a server redirects;
// - redirects are followed (at most 10);
// - cookies live in memory for the lifetime of one client and are sent back;
// - a proxy is used only when the settings say so, never from the environment;
// - an answer with status >= 400 is a failure (its body is not delivered);
// - connecting gives up after 30 s, a transfer slower than 1 byte/s for 60 s
//   is aborted, and so is one that takes longer than an hour altogether (a
//   server trickling a few bytes a second would otherwise hold it for ever);
// - an address with a control byte is refused whole (never cut at the byte);
// - files have a size limit: a picture above 25 MB or a list above 2 GB
//   stops the transfer;
// - during a transfer the user interface keeps processing its events
//   (platform::pump()) and the progress callback may cancel.
// Errors come back as values with German messages, one for each kind of
// failure (host not found, connection refused, time-out, certificate, HTTP
// status ...); curl's English detail goes to the debug log only.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/result.h"

namespace tv {

namespace detail {
struct HttpSink;
}

// Error codes of HttpClient failures. An answer with status >= 400 uses the
// status itself as its code (404, 407, 500 ...).
inline constexpr int kHttpErrCancelled = -1;   // progress callback or cancel()
inline constexpr int kHttpErrAddress = -2;     // empty address or not http/https
inline constexpr int kHttpErrConnect = -3;     // host or proxy unknown, no connection
inline constexpr int kHttpErrTimeout = -4;     // connect time-out or stalled transfer
inline constexpr int kHttpErrTransfer = -5;    // any other transfer failure
inline constexpr int kHttpErrFile = -6;        // target file cannot be written
inline constexpr int kHttpErrTooLarge = -7;    // answer above the size limit
inline constexpr int kHttpErrCertificate = -8; // https: certificate refused or no secure connection

// The German message of an answer with status >= 400 ("Der Server meldet
// einen Fehler: HTTP 404 (Datei nicht gefunden)."). The server's own reason
// phrase goes to the debug log only.
std::string HttpStatusText(int status);

// The box of a failed download of `url` into `dest`: the addresses and the
// error's message, and only when no server answered (no connection, time-out)
// the hint that the Internet connection or the proxy settings may be at
// fault. An answer with an HTTP status names the status and nothing more.
std::string DownloadFailedText(const std::string& url, const std::string& dest, const Error& error);

// Largest files getToFile stores: pictures and maps, and everything else
// (the national lists).
inline constexpr std::int64_t kMaxPictureBytes = 25LL * 1024 * 1024;
inline constexpr std::int64_t kMaxListBytes = 2LL * 1024 * 1024 * 1024;

// Proxy as the settings describe it: the address is "host:port", optionally
// preceded by "http://"; without a port 80 is used. User name and password are
// sent only when `auth` is set.
struct ProxyConfig {
    bool use = false;
    std::string server;
    bool auth = false;
    std::string user;
    std::string pass;
};

// The proxy of the program's settings: used when "UseProxy" is set and a
// server is named, with the settings' credentials.
ProxyConfig ProxyFromSettings();

struct ProxyAddress {
    std::string host;
    int port = 80;
};

// "http://127.0.0.1:8080" -> {"127.0.0.1", 8080}; "proxy" -> {"proxy", 80}. A port
// that is not a number in 1..65535 gives 80.
ProxyAddress ParseProxyServer(const std::string& text);

// Percent-encodes every byte except ASCII letters, the bytes of `keep` and,
// with `digits`, the digits; a blank becomes '+' with `blankAsPlus`.
std::string PercentEncode(std::string_view bytes, std::string_view keep, bool digits, bool blankAsPlus);
// Percent-encodes every byte except ASCII letters, digits and "-._~", for a
// value inserted into a query.
std::string UrlEncode(const std::string& value);

// Limits of a transfer; tests shorten them.
struct HttpTimeouts {
    long connectSeconds = 30;
    long lowSpeedBytesPerSecond = 1;
    long lowSpeedSeconds = 60;
    long totalSeconds = 3600;
};

// The one translation of a libcurl failure (its CURLcode) into a German
// message and one of the codes above, for the address `url`.
Error HttpTransferError(int curlCode, const std::string& url, const HttpTimeouts& t = {});

class HttpClient {
public:
    // Called during a transfer with the bytes received so far and the
    // expected total (0 while unknown). Returning false cancels the transfer.
    using ProgressFn = std::function<bool(std::int64_t received, std::int64_t total)>;

    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    void setUserAgent(std::string agent) { userAgent_ = std::move(agent); }
    void setAccept(std::string accept) { accept_ = std::move(accept); }
    // Applied before each request; calling it again replaces the proxy.
    void setProxy(const ProxyConfig& proxy) { proxy_ = proxy; }
    const ProxyConfig& proxy() const { return proxy_; }
    void setProgress(ProgressFn fn) { progress_ = std::move(fn); }
    void setTimeouts(const HttpTimeouts& t) { timeouts_ = t; }
    // Largest text answer getText/postForm accept (default 64 MiB).
    void setMaxTextBytes(std::size_t bytes) { maxTextBytes_ = bytes; }

    // Stops the running transfer at its next progress event; may be called
    // from an event handler run by the pump or from another thread. The flag
    // is cleared when the next request starts.
    void cancel() { cancelled_ = true; }

    Result<std::string> getText(const std::string& url);
    // Stores the answer in `path`. The body goes to a temporary file beside it
    // that replaces `path` only on success, so a failure leaves no empty or
    // partial file and keeps an older one. An answer above `maxBytes` fails
    // with kHttpErrTooLarge.
    Result<void> getToFile(const std::string& url, const std::string& path, std::int64_t maxBytes = kMaxListBytes);
    // POST with `body` sent as is under `contentType`
    // (e.g. "application/x-www-form-urlencoded").
    Result<std::string> postForm(const std::string& url, const std::string& body,
                                 const std::string& contentType = "application/x-www-form-urlencoded");

    // Status of the last answer (0 when none arrived) and the address it came
    // from after redirects.
    int lastStatus() const { return lastStatus_; }
    const std::string& lastUrl() const { return lastUrl_; }
    // The cookies held, one line each in the Netscape cookie-file format.
    std::vector<std::string> cookies() const;
    void clearCookies();

private:
    Result<void> perform(const std::string& url, const std::string* postBody, const std::string& contentType,
                         detail::HttpSink& sink);

    void* curl_ = nullptr;  // CURL*, one handle per client so cookies and connections persist
    std::string userAgent_ = "Mozilla/6.0 (compatible; Indy Library)";
    std::string accept_ = "text/html, */*";
    ProxyConfig proxy_;
    ProgressFn progress_;
    HttpTimeouts timeouts_;
    std::size_t maxTextBytes_ = 64u * 1024u * 1024u;
    std::atomic<bool> cancelled_{false};
    int lastStatus_ = 0;
    std::string lastUrl_;
};

}  // namespace tv
