#pragma once
// Reads a paged list of the listing site's server-side form: the first page
// by GET, every further page by posting the form back with the view state of
// the page before and the number of its pager's "Next" control.
//
// The loader does not bound the paging itself: a last page that still offers
// "Next" would be posted forever, so callers stop after the page count they
// expect.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "acquire/http_client.h"
#include "core/result.h"

namespace tv {

// Form-urlencoding as the site's postbacks expect it: A-Z, a-z and "*@._-"
// stay, a blank becomes "+", every other byte (digits included) "%XX" in
// upper-case hex.
std::string FormUrlEncode(std::string_view bytes);

// The value of the page's hidden "__VIEWSTATE" field, form-urlencoded; empty
// when the page has no such field (then no postback can follow).
std::string ExtractViewState(std::string_view page);

// The number of the pager control "pgrTop$_ctl<n>" behind the "Next" link of
// the pager cell that starts with "Prev."; -1 when the page offers no "Next"
// link (the last page shows "Next" as plain text).
int FindNextControl(std::string_view page);

// "__EVENTTARGET=pgrTop$_ctl<n>&__EVENTARGUMENT=&__VIEWSTATE=<viewState>";
// the view state is already encoded and is not encoded again.
std::string BuildPostBody(int nextCtl, std::string_view viewState);

class TListLoader {
public:
    static constexpr int kNoViewState = -1;
    static constexpr int kNoNextControl = -2;

    TListLoader();
    TListLoader(const TListLoader&) = delete;
    TListLoader& operator=(const TListLoader&) = delete;

    // An empty address means no proxy. User and password are sent only with
    // `UseCredentials`.
    void SetProxy(const std::string& Address, bool UseCredentials, const std::string& User,
                  const std::string& Password);
    void SetDebug(bool on) { Debug = on; }

    // 0, or -1 when the request failed (the reason goes to the debug log).
    int GetFirstPage(const std::string& url);
    // 0, kNoViewState or kNoNextControl (no request is made then); a failed
    // postback comes back as the client's error.
    Result<int> GetNextPage();
    // Writes PageText byte for byte; false when that failed.
    bool SavePage(const std::string& fileName) const;

    // Stops the running request (from an event handler run during it).
    void Cancel() { HTTP.cancel(); }

    std::string ViewState;
    HttpClient HTTP;
    bool Debug = false;
    std::string URL;
    bool HasNext = false;
    int NextCtl = 0;
    std::string PageText;
    std::int64_t BytesTotal = 0;
    // Told of the bytes received and expected (0 while unknown) during a request.
    std::function<void(std::int64_t received, std::int64_t total)> OnProgress;
    // Where the diagnostic copy "find.html" of every page read goes; empty:
    // the work folder.
    std::string PageCopyDir;

private:
    void initializeHTTP(const std::string& Address, bool UseCredentials, const std::string& User,
                        const std::string& Password);
    void takePage();
    void log(const std::string& line) const;
};

}  // namespace tv
