#include "acquire/url_loader.h"

#include "core/file_procs.h"
#include "platform/services.h"
#include "platform/text_encoding.h"

namespace tv {

UrlLoaderProxy ParseUrlLoaderProxy(const std::string& address, bool useCredentials, const std::string& user,
                                   const std::string& password) {
    UrlLoaderProxy p;
    if (address.empty()) return p;
    std::string rest = address;
    if (rest.compare(0, 7, "http://") == 0) rest.erase(0, 7);
    const std::size_t colon = rest.find(':');
    if (colon == std::string::npos) {
        p.host = rest;
        p.port = 80;
    } else {
        p.host = rest.substr(0, colon);
        p.port = ParseProxyServer(rest).port;
    }
    if (useCredentials) {
        p.user = user;
        p.password = password;
    }
    return p;
}

std::optional<int> SaveLinesCrLf(std::string_view text, const std::string& path) {
    const auto lines = SplitTextLines(text);
    if (!WriteTextList(path, lines)) return std::nullopt;
    return static_cast<int>(lines.size());
}

std::string ByteProgressText(std::int64_t received, std::int64_t expected) {
    return std::to_string(received) + " / " + std::to_string(expected);
}

UrlLoader::UrlLoader() {
    http_.setUserAgent(std::string(kUrlLoaderAgent));
    http_.setAccept("text/html, */*");
}

void UrlLoader::Status(const std::string& text) {
    if (onStatus) onStatus(text);
    platform::pump().pump();
}

Result<void> UrlLoader::Download() {
    lineCount_ = 0;
    text_.clear();
    received_ = expected_ = 0;
    ProxyConfig pc;
    if (!proxy_.host.empty()) {
        pc.use = true;
        pc.server = proxy_.host + ":" + std::to_string(proxy_.port);
        pc.auth = !proxy_.user.empty() || !proxy_.password.empty();
        pc.user = proxy_.user;
        pc.pass = proxy_.password;
    }
    http_.setProxy(pc);
    bool started = false;
    http_.setProgress([this, &started](std::int64_t received, std::int64_t total) {
        if (!started) {
            started = true;
            expected_ = total;
            Status("Begin download");
            if (onBytes) onBytes(0, expected_);
        }
        // The client reports (0, 0) once more when it is done.
        if (total > 0) expected_ = total;
        if (received > received_) received_ = received;
        if (onBytes) onBytes(received_, expected_);
        Status("Downloading");
        return true;
    });
    auto answer = http_.getText(url_);
    http_.setProgress({});
    Status("Ready");
    if (!answer) return answer.error();
    received_ = static_cast<std::int64_t>(answer->size());
    if (!memoryOnly_) {
        const auto count = SaveLinesCrLf(*answer, dest_);
        if (!count) return Error{kHttpErrFile, WriteErrorText(dest_)};
        lineCount_ = *count;
    }
    text_ = std::move(*answer);
    return {};
}

}  // namespace tv
