#include "acquire/list_loader.h"

#include <charconv>

#include "acquire/http_client.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/number_format.h"
#include "core/proc_settings.h"
#include "core/str_util.h"
#include "platform/services.h"

namespace tv {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// Characters before "Next" in which the pager's control name must stand.
constexpr std::size_t kNextWindow = 30;

}  // namespace

std::string FormUrlEncode(std::string_view bytes) { return PercentEncode(bytes, "*@._-", false, true); }

std::string ExtractViewState(std::string_view page) {
    // Without the field, a later VALUE= of any other input must not be taken.
    const std::size_t field = FindNoCase(page, "\"__VIEWSTATE\"", 0);
    if (field == npos) return {};
    const std::size_t value = FindNoCase(page, "VALUE=", field + 1);
    if (value == npos) return {};
    std::size_t start = value + 6;
    if (start < page.size() && page[start] == '"') ++start;  // the opening quote
    const std::size_t end = page.find('"', start);
    if (end == npos) return {};
    return FormUrlEncode(page.substr(start, end - start));
}

int FindNextControl(std::string_view page) {
    const std::string upper = UpperCaseAscii(page);
    std::string_view cell;
    bool found = false;
    for (std::size_t k = 0;;) {
        const std::size_t p = upper.find("PREV.", k);
        if (p == npos) break;
        const std::size_t e = upper.find("</TD>", p);
        if (e == npos) break;
        cell = page.substr(p, e - p);
        if (cell.find("Next") != npos) {
            found = true;
            break;
        }
        k = e;
    }
    if (!found) return -1;
    const std::size_t next = cell.find("Next");
    // A "Next" that close to "Prev." has no link of its own around it.
    if (next + 1 < kNextWindow) return -1;
    const std::size_t take = next < kNextWindow ? next : kNextWindow;
    const std::string before = UpperCaseAscii(cell.substr(next - take, take));
    const std::size_t ctl = before.find("$_CTL");
    if (ctl == npos) return -1;
    const char* first = before.data() + ctl + 5;
    const char* last = before.data() + before.size();
    int n = -1;
    const auto [ptr, ec] = std::from_chars(first, last, n);
    if (ec != std::errc() || ptr == first || n < 0) return -1;
    return n;
}

std::string BuildPostBody(int nextCtl, std::string_view viewState) {
    std::string body = "__EVENTTARGET=pgrTop$_ctl" + IntText(nextCtl) + "&__EVENTARGUMENT=&__VIEWSTATE=";
    body.append(viewState);
    return body;
}

TListLoader::TListLoader() {
    HTTP.setProgress([this](std::int64_t received, std::int64_t total) {
        if (total > 0 && BytesTotal != total) {
            BytesTotal = total;
            log("INF: TListLoader.HTTPWorkBegin: have to load " + IntText(total) + " bytes");
        }
        if (OnProgress) OnProgress(received, total);
        platform::pump().pump();
        return true;
    });
}

void TListLoader::log(const std::string& line) const {
    if (Debug) WriteDebugLog(line);
}

void TListLoader::SetProxy(const std::string& Address, bool UseCredentials, const std::string& User,
                           const std::string& Password) {
    initializeHTTP(Address, UseCredentials, User, Password);
}

void TListLoader::initializeHTTP(const std::string& Address, bool UseCredentials, const std::string& User,
                                 const std::string& Password) {
    log("INF: TListLoader.initializeHTTP: startproc");
    ProxyConfig proxy;
    if (Address.empty()) {
        log("INF: TListLoader.initializeHTTP: no proxy required");
    } else {
        proxy.use = true;
        proxy.server = Address;
        proxy.auth = UseCredentials;
        if (UseCredentials) {
            proxy.user = User;
            proxy.pass = Password;
        }
        const ProxyAddress a = ParseProxyServer(Address);
        log("INF: TListLoader.initializeHTTP: proxy set: " + a.host + ", Port: " + IntText(a.port));
    }
    HTTP.setProxy(proxy);
}

void TListLoader::takePage() {
    if (PageText.empty()) return;
    SavePage((PageCopyDir.empty() ? GetWorkDir() : WithTrailingSlash(PageCopyDir)) + "find.html");
    ViewState = ExtractViewState(PageText);
    NextCtl = FindNextControl(PageText);
    HasNext = NextCtl >= 0;
}

int TListLoader::GetFirstPage(const std::string& url) {
    URL = url;
    PageText.clear();
    HasNext = false;
    BytesTotal = 0;
    log("INF: TListLoader.GetFirstPage: Get \"" + URL + "\"");
    auto page = HTTP.getText(URL);
    if (!page) {
        log("ERR: TListLoader.GetFirstPage: " + page.error().message);
        return -1;
    }
    log("INF: TListLoader.GetFirstPage: loaded successfully");
    PageText = std::move(*page);
    HasNext = true;
    takePage();
    return 0;
}

Result<int> TListLoader::GetNextPage() {
    if (ViewState.empty()) return kNoViewState;
    if (!HasNext) return kNoNextControl;
    BytesTotal = 0;
    auto page = HTTP.postForm(URL, BuildPostBody(NextCtl, ViewState), "application/x-www-form-urlencoded");
    if (!page) {
        log("ERR: TListLoader.GetNextPage: " + page.error().message);
        return page.error();
    }
    PageText = std::move(*page);
    takePage();
    return 0;
}

bool TListLoader::SavePage(const std::string& fileName) const { return WriteFileAtomic(fileName, PageText); }

}  // namespace tv
