#pragma once
// Fetches one address as text, keeps it, and saves it line by line with CR LF
// (the archive list "WParchived.txt" comes this way). The engine behind the
// window "Load from URL".
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "acquire/http_client.h"
#include "core/result.h"

namespace tv {

inline constexpr std::string_view kUrlLoaderAgent = "Mozilla/3.0 (compatible; Indy Library)";

// The proxy as the loader holds it: an empty address clears host, user and
// password; otherwise a leading "http://" is cut, the text before ':' is the
// host and the number after it the port (80 without ':'); user and password
// are kept only with `useCredentials`.
struct UrlLoaderProxy {
    std::string host;
    int port = 0;
    std::string user;
    std::string password;
};
UrlLoaderProxy ParseUrlLoaderProxy(const std::string& address, bool useCredentials, const std::string& user,
                                   const std::string& password);

// Saves the text with every line ended by CR LF (line breaks CR LF, LF or a
// lone CR; a final break adds no line), through a temporary file and a
// rename. The number of lines, or nothing when the file could not be written
// (the old file then stays).
std::optional<int> SaveLinesCrLf(std::string_view text, const std::string& path);

// "<received> / <expected>"
std::string ByteProgressText(std::int64_t received, std::int64_t expected);

class UrlLoader {
public:
    UrlLoader();

    void SetURL(std::string url) { url_ = std::move(url); }
    void SetDestFile(std::string path) { dest_ = std::move(path); }
    void SetMemoryOnly(bool flag) { memoryOnly_ = flag; }
    void SetProxy(const std::string& address, bool useCredentials, const std::string& user,
                  const std::string& password) {
        proxy_ = ParseUrlLoaderProxy(address, useCredentials, user, password);
    }

    const std::string& URL() const { return url_; }
    const std::string& DestFile() const { return dest_; }
    bool MemoryOnly() const { return memoryOnly_; }
    const UrlLoaderProxy& Proxy() const { return proxy_; }

    // Status texts ("Begin download", "Downloading", "Ready") and byte counts
    // while the transfer runs.
    std::function<void(const std::string& status)> onStatus;
    std::function<void(std::int64_t received, std::int64_t expected)> onBytes;

    // Downloads; unless memory-only, saves the lines to the destination and
    // sets the line count. A failure (no answer, status >= 400, file not
    // written) saves nothing, keeps an older destination file and leaves the
    // line count at 0.
    Result<void> Download();

    const std::string& Text() const { return text_; }
    int LineCount() const { return lineCount_; }
    std::int64_t Received() const { return received_; }
    std::int64_t Expected() const { return expected_; }
    HttpClient& Http() { return http_; }

private:
    void Status(const std::string& text);

    HttpClient http_;
    std::string url_, dest_;
    bool memoryOnly_ = false;
    UrlLoaderProxy proxy_;
    std::string text_;
    int lineCount_ = 0;
    std::int64_t received_ = 0, expected_ = 0;
};

}  // namespace tv
