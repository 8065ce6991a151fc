#include "acquire/finds_loader.h"

#include <gtest/gtest.h>

#include <map>

#include "core/cache_db.h"
#include "core/file_procs.h"
#include "platform/text_encoding.h"
#include "support/fakes.h"
#include "support/http_test_server.h"
#include "support/records.h"
#include "support/temp_dir.h"
#include "support/write_fault.h"

namespace {

using namespace std::chrono;

std::string Row(const std::string& code, const std::string& date) {
    return "<tr><td><a href=\"http://L/seek/cache_details.aspx?guid=1\"><b>Name</b></a> (" + code + ")</td><td>" +
           date + "</td></tr>\r\n";
}

tv::TFoundRec Find(const char* code, const char* date, const char* name = "") {
    tv::TFoundRec f;
    f.Waypoint = code;
    f.FoundDate = date;
    f.Name = name;
    return f;
}

TEST(FindsText, UrlTotalsRowsAndDates) {
    EXPECT_EQ(tv::EncodeUserName("Die F\xFC\x63hse"), "Die+F%C3%BCchse");
    EXPECT_EQ(tv::EncodeUserName("A&B#1+%\xDF"), "A%26B%231%2B%25%C3%9F");

    EXPECT_EQ(tv::ParseTotalRecords("Total Records: <b>45</b> - Page: <b>1</b> of <b>3</b>"), 45);
    EXPECT_EQ(tv::ParseTotalRecords("no count"), std::nullopt);
    EXPECT_EQ(tv::FindsPageCount(40), 2);

    const auto rows = tv::ParseFindRows(Row("GC12345", "7 Nov 07") + Row("GC1234567890ABCDEFGH", "Today"));
    ASSERT_EQ(rows.size(), 2u);
    // A code too long for the record comes out whole (the loader refuses it).
    EXPECT_EQ(rows[0].code + "|" + rows[0].dateText + "|" + rows[1].code, "GC12345|7 Nov 07|GC1234567890ABCDEFGH");
}

TEST(FindsMerge, FileOrderKeptDatesTakenNewAppendedOnce) {
    std::map<std::string, tv::TCacheRec> db;
    db["GC2"] = tvtest::CacheRecord("GC2", std::string(100, 'n'), 48.5, 11.25);
    db["GC2"].CacheType = "Traditional Cache";
    db["GC3"] = tvtest::CacheRecord("GC3", "Dritter", 50.0, 8.0);
    auto lookup = [&db](std::string_view code, tv::TCacheRec& rec) {
        auto it = db.find(std::string(code));
        if (it == db.end()) return false;
        rec = it->second;
        return true;
    };
    const std::vector<tv::TFoundRec> file{Find("GC1", "01.01.2007", "Erster"), Find("GC2", "02.02.2007", "alt")};
    const std::vector<tv::TFoundRec> loaded{Find("gc2", "03.03.2008"), Find("GC3", "04.03.2008"),
                                            Find("GC3", "01.01.2008"), Find("GC4", "05.03.2008")};
    const tv::FindsMerge m = tv::MergeFinds(file, loaded, lookup);

    tv::TFoundRec gc2 = Find("GC2", "03.03.2008", std::string(80, 'n').c_str());
    gc2.Lat = 48.5;
    gc2.Lon = 11.25;
    gc2.CacheType = "Traditional Cache";
    tv::TFoundRec gc3 = Find("GC3", "04.03.2008", "Dritter");
    gc3.Lat = 50.0;
    gc3.Lon = 8.0;
    const std::vector<tv::TFoundRec> expected{file[0], gc2, gc3,
                                              Find("GC4", "05.03.2008", "*** nicht in Datenbank gefunden ***")};
    EXPECT_EQ(tv::EncodeFoundRecs(m.records), tv::EncodeFoundRecs(expected));
    EXPECT_EQ(m.kept, 2);
    EXPECT_EQ(m.appended, 2);
    EXPECT_EQ(m.protocol.front(), "---------- Alte Liste: ----------");
    EXPECT_EQ(m.protocol[1], "GC1: Erster");
    EXPECT_EQ(m.protocol[m.protocol.size() - 2], "Bereits vorhanden waren 2 Finds");
    EXPECT_EQ(m.protocol.back(), "Neu gefunden wurden 2 Finds");
}

// A finds file that cannot be rewritten is reported and stays as it was,
// whether the disk is full or the new file cannot even be created.
TEST(FindsSave, FailedWriteIsReportedAndKeepsTheOldFile) {
    tvtest::TempDir dir;
    const std::string before = tv::EncodeFoundRecs({Find("GC1", "01.01.2007", "alt")});
    const std::string path = dir.write("Finds.bin", before).string();
    const auto none = [](std::string_view, tv::TCacheRec&) { return false; };
    for (const tv::WriteStep step : {tv::WriteStep::Write, tv::WriteStep::Create}) {
        tvtest::ScopedWriteFault full("Finds.bin", step);
        const auto r = tv::SaveFinds(path, {Find("GC2", "02.02.2008")}, none);
        ASSERT_FALSE(r);
        EXPECT_EQ(r.error().message, "Fehler beim Schreiben der Datei " + path);
        EXPECT_EQ(dir.read("Finds.bin"), before);
    }
    const auto r = tv::SaveFinds(path, {Find("GC2", "02.02.2008")}, none);
    ASSERT_TRUE(r);
    EXPECT_EQ(tv::DecodeFoundRecs(dir.read("Finds.bin")).size(), 2u);
}

// The "nearest" list of 45 finds on three pages, served through the loopback
// server acting as the proxy of a listing host that does not exist.
class FindsLoadRun : public ::testing::Test {
protected:
    void SetUp() override {
        pages_ = {pageOf(1, {Row("GC100", "2 Mar 08"), Row("GC101", "1 Mar 08")}, true),
                  pageOf(2, {Row("GC102", "28 Feb 08"), Row("GC100", "1 Jan 08")}, true),
                  pageOf(3, {Row("GC103", "3 Feb 08")}, false)};
        srv_.route("GET", "/seek/nearest.aspx", [this](const httplib::Request&, httplib::Response& r) {
            r.set_header("Set-Cookie", "ASP.NET_SessionId=s1; path=/");
            served_ = 0;
            r.set_content(pages_[0], "text/html");
        });
        // Like the site, the server answers a postback only when it carries
        // the pager control and the view state of the page it served last.
        srv_.route("POST", "/seek/nearest.aspx", [this](const httplib::Request& q, httplib::Response& r) {
            if (postStatus_ != 200) {
                r.status = postStatus_;
                return;
            }
            if (q.get_param_value("__EVENTTARGET") != "pgrTop$_ctl" + std::to_string(7 + served_) ||
                q.get_param_value("__VIEWSTATE") != "V" + std::to_string(1 + served_)) {
                ++badPostbacks_;
                r.status = 400;
                return;
            }
            served_ = std::min(served_ + 1, pages_.size() - 1);
            r.set_content(pages_[served_], "text/html");
        });
        srv_.start();
        params_.site.host = "finds.invalid";
        params_.userName = "Die F\xFC\x63hse";
        params_.proxy = {true, srv_.base(), true, "user", "pw"};
        params_.today = year_month_day{year{2008}, month{3}, day{10}};
        params_.workDir = work_.str();
        params_.lookup = [](std::string_view, tv::TCacheRec&) { return false; };
        load_.protocol = [this](const std::string& l) { lines_.push_back(l); };
    }

    std::string pageOf(int n, const std::vector<std::string>& rows, bool next) const {
        std::string p = "<input type=\"hidden\" name=\"__VIEWSTATE\" value=\"V" + std::to_string(n) + "\" />";
        p += "Total Records: <b>45</b> - Page: <b>" + std::to_string(n) + "</b> of <b>3</b><table>";
        for (const auto& r : rows) p += r;
        // Each page names its own "Next" control (7 on page 1, 8 on page 2, ...).
        p += next ? "<tr><td>&lt; Prev. <a href=\"javascript:__doPostBack('pgrTop$_ctl" + std::to_string(6 + n) +
                        "','')\">Next</a></td></tr>"
                  : "<tr><td>&lt; Prev. Next</td></tr>";
        return p + "</table>";
    }

    int run() {
        load_.Start(params_);
        int pages = 0;
        while (load_.LoadOnePage()) ++pages;
        return pages + 1;
    }

    bool logged(const std::string& part) const {
        for (const auto& l : lines_)
            if (l.find(part) != std::string::npos) return true;
        return false;
    }

    std::vector<std::string> pages_;
    std::size_t served_ = 0;  // the page the server answered last
    int badPostbacks_ = 0;
    int postStatus_ = 200;
    tvtest::HttpTestServer srv_;
    tvtest::WorkFolder work_;
    tv::platform::ScopedFakes fakes_;
    tv::FindsLoadParams params_;
    tv::FindsLoad load_;
    std::vector<std::string> lines_;
};

TEST_F(FindsLoadRun, ThreePagesThroughProxyMergedWithoutDuplicates) {
    const std::string finds = work_.str() + "Finds.bin";
    ASSERT_TRUE(tv::WriteFileAtomic(finds, tv::EncodeFoundRecs({Find("GC101", "01.01.2007", "alt")})));
    EXPECT_EQ(run(), 3);
    ASSERT_EQ(load_.state(), tv::FindsLoad::State::Saved);

    const auto req = srv_.requests();
    ASSERT_EQ(req.size(), 3u);
    EXPECT_EQ(req[0].method, "GET");
    EXPECT_EQ(req[0].target, "http://finds.invalid/seek/nearest.aspx?ul=Die+F%C3%BCchse&submit4=Find");
    for (std::size_t i = 1; i < 3; ++i)
        EXPECT_TRUE(req[i].method == "POST" && req[i].target == req[0].target &&
                    req[i].header("Cookie") == "ASP.NET_SessionId=s1" &&
                    !req[i].header("Proxy-Authorization").empty() &&
                    req[i].header("Content-Type") == "application/x-www-form-urlencoded");
    EXPECT_EQ(req[1].body, "__EVENTTARGET=pgrTop$_ctl7&__EVENTARGUMENT=&__VIEWSTATE=V%31");
    EXPECT_EQ(req[2].body, "__EVENTTARGET=pgrTop$_ctl8&__EVENTARGUMENT=&__VIEWSTATE=V%32");
    EXPECT_EQ(badPostbacks_, 0);

    const auto stored = tv::DecodeFoundRecs(tvtest::ReadFileBytes(finds));
    std::vector<std::string> codes;
    for (const auto& f : stored) codes.push_back(f.Waypoint.str() + "@" + f.FoundDate.str());
    EXPECT_EQ(codes, (std::vector<std::string>{"GC101@01.03.2008", "GC100@02.03.2008", "GC102@28.02.2008",
                                               "GC103@03.02.2008"}));
    EXPECT_TRUE(logged("09:05:07 Fertig."));
}

TEST_F(FindsLoadRun, PagerEndingEarlyAnnouncesNoPageItDoesNotLoad) {
    pages_[1] = pageOf(2, {Row("GC102", "28 Feb 08")}, false);  // 45 announced, the pager ends on page 2
    run();
    EXPECT_EQ(load_.state(), tv::FindsLoad::State::Saved);
    EXPECT_EQ(srv_.requestCount(), 2u);
    EXPECT_TRUE(logged("Lade Seite #2"));
    EXPECT_FALSE(logged("Lade Seite #3"));
    EXPECT_TRUE(logged("Fertig."));
    EXPECT_EQ(tv::DecodeFoundRecs(work_.read("Finds.bin")).size(), 3u);
}

// A pager that runs out before the announced page count ends the list there;
// a page without a view state cannot be followed and fails the load.
TEST_F(FindsLoadRun, PagerEndAndMissingViewState) {
    pages_[1] = pageOf(2, {Row("GC102", "28 Feb 08")}, false);
    EXPECT_EQ(run(), 3);
    EXPECT_EQ(load_.state(), tv::FindsLoad::State::Saved);
    EXPECT_EQ(srv_.requestCount(), 2u);
    EXPECT_EQ(tv::DecodeFoundRecs(work_.read("Finds.bin")).size(), 3u);
    EXPECT_TRUE(logged("Fertig."));

    const std::string before = work_.read("Finds.bin");
    srv_.clearLog();
    lines_.clear();
    pages_[1] = pageOf(2, {Row("GC102", "28 Feb 08")}, true);
    pages_[1].erase(0, pages_[1].find("Total"));  // no __VIEWSTATE field
    run();
    EXPECT_EQ(load_.state(), tv::FindsLoad::State::Failed);
    EXPECT_EQ(srv_.requestCount(), 2u);
    EXPECT_TRUE(logged("Fehler #-1 - Abbruch!"));
    EXPECT_EQ(work_.read("Finds.bin"), before);
    EXPECT_EQ(badPostbacks_, 0);
}

// Finds.bin that cannot be rewritten: the load fails with the file's name and
// the old finds stay.
TEST_F(FindsLoadRun, FailedWriteOfTheFindsFileFailsTheLoad) {
    const std::string before = tv::EncodeFoundRecs({Find("GC1", "01.01.2007")});
    work_.write("Finds.bin", before);
    {
        tvtest::ScopedWriteFault full("Finds.bin");
        run();
    }
    EXPECT_EQ(load_.state(), tv::FindsLoad::State::Failed);
    EXPECT_TRUE(logged("Fehler beim Schreiben der Datei " + work_.str() + "Finds.bin"));
    EXPECT_FALSE(logged("Neu gefunden"));
    EXPECT_EQ(work_.read("Finds.bin"), before);
}

// Row codes that could not name a file, or would be cut to the record's 16
// characters, never reach Finds.bin; each is named once in the protocol.
TEST_F(FindsLoadRun, UnsafeRowCodesAreSkippedAndNamedOnce) {
    pages_ = {pageOf(1, {Row("GC../../x", "2 Mar 08"), Row("GC1/2", "2 Mar 08"), Row("GC\x01X", "2 Mar 08"),
                         Row("GC100", "2 Mar 08"), Row("GC1/2", "1 Mar 08"), Row("GC123456789ABCDEF", "1 Mar 08"),
                         Row("GC123456789ABCDE", "1 Mar 08")},
                     false)};
    run();
    ASSERT_EQ(load_.state(), tv::FindsLoad::State::Saved);
    std::vector<std::string> codes;
    for (const auto& f : tv::DecodeFoundRecs(work_.read("Finds.bin"))) codes.push_back(f.Waypoint.str());
    EXPECT_EQ(codes, (std::vector<std::string>{"GC100", "GC123456789ABCDE"}));
    EXPECT_EQ(load_.refused().count(), 5);
    EXPECT_TRUE(logged(tv::W("5 Einträge mit ungültigem Wegpunktcode übersprungen: GC../../x, GC1/2, GC?X, "
                             "GC123456789ABCDEF")));
}

TEST_F(FindsLoadRun, MinimumDateStopsWithoutFurtherPostback) {
    params_.loadAll = false;
    params_.minDate = year_month_day{year{2008}, month{3}, day{1}};
    pages_[0] = pageOf(1, {Row("GC100", "2 Mar 08"), Row("GC101", "1 Mar 08"), Row("GC102", "28 Feb 08")}, true);
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(srv_.requestCount(), 1u);
    EXPECT_EQ(load_.loaded().size(), 2u);
    EXPECT_TRUE(logged("Minimaldatum erreicht"));
    EXPECT_EQ(tv::DecodeFoundRecs(work_.read("Finds.bin")).size(), 2u);
}

TEST_F(FindsLoadRun, FailuresStoreNothingBadDatesAreSkipped) {
    const std::string before = tv::EncodeFoundRecs({Find("GC1", "01.01.2007")});
    work_.write("Finds.bin", before);

    postStatus_ = 500;
    run();
    EXPECT_EQ(load_.state(), tv::FindsLoad::State::Failed);
    EXPECT_TRUE(logged("Fehler: "));
    EXPECT_EQ(work_.read("Finds.bin"), before);

    // A page of another layout: a clear message, nothing stored.
    lines_.clear();
    pages_[0] = "<html><body>Wartungsarbeiten</body></html>";
    run();
    EXPECT_EQ(load_.state(), tv::FindsLoad::State::Failed);
    EXPECT_TRUE(logged("nicht das erwartete Format"));

    // A garbled date is reported and skipped, never stored as tomorrow.
    postStatus_ = 200;
    pages_[0] = pageOf(1, {Row("GC100", "7 Foo 07"), Row("GC101", "1 Mar 08"), Row("GC102", "9999999 days ago")}, true);
    lines_.clear();
    load_.Start(params_);
    ASSERT_TRUE(load_.LoadOnePage());
    EXPECT_TRUE(logged("Fehlerhaftes Datumsformat: 7 Foo 07"));
    EXPECT_TRUE(logged("Fehlerhaftes Datumsformat: 9999999 days ago"));
    EXPECT_EQ(load_.loaded().size(), 1u);
    load_.Cancel();
    EXPECT_FALSE(load_.LoadOnePage());

    params_.proxy = {};
    params_.site.host = "127.0.0.1:1";
    lines_.clear();
    run();
    EXPECT_TRUE(logged("Fehler #-1 - Abbruch!"));
}

}  // namespace
