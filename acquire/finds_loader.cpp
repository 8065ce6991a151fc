#include "acquire/finds_loader.h"

#include <cerrno>
#include <charconv>
#include <algorithm>
#include <filesystem>
#include <unordered_map>

#include "acquire/http_client.h"
#include "acquire/span_parser.h"
#include "core/cache_db.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/number_format.h"
#include "core/proc_settings.h"
#include "core/str_util.h"
#include "platform/services.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// Position just after the next `marker` from `pos`, or npos.
std::size_t After(std::string_view text, std::string_view marker, std::size_t pos) {
    const std::size_t p = FindNoCase(text, marker, pos);
    return p == npos ? npos : p + marker.size();
}

constexpr std::size_t kNameChars = 80;
constexpr const char* kNotInDatabase = "*** nicht in Datenbank gefunden ***";

void TakeDatabaseData(TFoundRec& find, const TCacheRec& cache) {
    find.Lat = cache.Lat;
    find.Lon = cache.Lon;
    find.Name = cache.Name.view().substr(0, kNameChars);
    find.CacheType = cache.CacheType;
}

std::string ListLine(const TFoundRec& r) { return r.Waypoint.str() + ": " + r.Name.str(); }

}  // namespace

std::string EncodeUserName(std::string_view cp1252) { return PercentEncode(Cp1252ToUtf8(cp1252), "-_.~", true, true); }

std::string BuildFindsUrl(const ListingSite& site, std::string_view userName) {
    return "http://" + site.host + "/seek/nearest.aspx?ul=" + EncodeUserName(userName) + "&submit4=Find";
}

std::optional<int> ParseTotalRecords(std::string_view page) {
    const std::size_t marker = FindNoCase(page, "TOTAL RECORDS", 0);
    if (marker == npos) return std::nullopt;
    const std::size_t open = FindNoCase(page, "<b>", marker + 1);
    if (open == npos) return std::nullopt;
    const std::size_t close = FindNoCase(page, "</b>", open + 3);
    if (close == npos) return std::nullopt;
    const std::string_view digits = TrimBlanks(page.substr(open + 3, close - open - 3));
    int total = 0;
    const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), total);
    if (ec != std::errc() || ptr != digits.data() + digits.size() || total < 0) return std::nullopt;
    return total;
}

int FindsPageCount(int total) { return total <= 0 ? 0 : (total - 1) / kFindsPerPage + 1; }

std::vector<FindRow> ParseFindRows(std::string_view page) {
    std::vector<FindRow> rows;
    std::size_t pos = 0;
    for (;;) {
        pos = After(page, "seek/cache_details", pos);
        if (pos == npos) break;
        pos = After(page, ">", pos);
        if (pos == npos) break;
        pos = After(page, ">", pos);
        if (pos == npos) break;
        pos = After(page, "(GC", pos);
        if (pos == npos) break;
        const std::size_t close = page.find(')', pos);
        if (close == npos) break;
        FindRow row;
        row.code = "GC";
        // Kept whole (at most 64 bytes): a code too long for the record is
        // refused by the loader, never cut into another cache's code.
        row.code.append(page.substr(pos, std::min<std::size_t>(close - pos, 62)));
        pos = After(page, "/TD>", close + 1);
        if (pos == npos) break;
        pos = After(page, ">", pos);
        if (pos == npos) break;
        std::size_t end = page.find('<', pos);
        if (end == npos) break;
        row.dateText = std::string(page.substr(pos, std::min<std::size_t>(end - pos, 20)));
        rows.push_back(std::move(row));
        pos = end;
    }
    return rows;
}

std::string FoundDateText(std::chrono::year_month_day d) {
    return TwoDigits(static_cast<int>(static_cast<unsigned>(d.day()))) + "." +
           TwoDigits(static_cast<int>(static_cast<unsigned>(d.month()))) + "." +
           std::string(4 - std::min<std::size_t>(4, IntText(static_cast<int>(d.year())).size()), '0') +
           IntText(static_cast<int>(d.year()));
}

bool IsFindDate(std::chrono::year_month_day d) {
    return d.ok() && d.year() >= std::chrono::year{1} && d.year() <= std::chrono::year{9999};
}

FindsMerge MergeFinds(const std::vector<TFoundRec>& fileRecords, const std::vector<TFoundRec>& loaded,
                      const CacheLookup& lookup, bool updateExisting) {
    FindsMerge out;
    // A code listed twice (the list runs newest first) counts once.
    std::unordered_map<std::string, std::size_t> firstOf;
    std::vector<bool> used(loaded.size(), false);
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        if (loaded[i].Waypoint.empty() || !firstOf.emplace(FoldListKey(loaded[i].Waypoint.view()), i).second)
            used[i] = true;
    }
    out.records.reserve(fileRecords.size() + loaded.size());
    out.protocol.emplace_back("---------- Alte Liste: ----------");
    for (const TFoundRec& fileRec : fileRecords) {
        TFoundRec r = fileRec;
        const auto it = firstOf.find(FoldListKey(r.Waypoint.view()));
        if (it != firstOf.end() && !used[it->second]) {
            used[it->second] = true;
            if (updateExisting) {
                r.FoundDate = loaded[it->second].FoundDate;
                TCacheRec cache;
                if (lookup && lookup(r.Waypoint.view(), cache)) TakeDatabaseData(r, cache);
            }
        }
        out.records.push_back(r);
        out.protocol.push_back(ListLine(r));
    }
    out.kept = static_cast<int>(fileRecords.size());
    out.protocol.emplace_back("---------- Hinzu kommen: ----------");
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        if (used[i]) continue;
        TFoundRec r;
        r.Waypoint = loaded[i].Waypoint;
        r.FoundDate = loaded[i].FoundDate;
        TCacheRec cache;
        if (lookup && lookup(r.Waypoint.view(), cache))
            TakeDatabaseData(r, cache);
        else
            r.Name = kNotInDatabase;
        out.records.push_back(r);
        out.protocol.push_back(ListLine(r));
        ++out.appended;
    }
    out.protocol.emplace_back("-------------------------------------------------");
    out.protocol.push_back("Bereits vorhanden waren " + IntText(out.kept) + " Finds");
    out.protocol.push_back("Neu gefunden wurden " + IntText(out.appended) + " Finds");
    return out;
}

Result<std::vector<TFoundRec>> ReadFindsFile(const std::string& path) {
    const auto bytes = ReadProgramFileIfPresent(path);
    if (!bytes) return bytes.error();
    return *bytes ? DecodeFoundRecs(**bytes) : std::vector<TFoundRec>{};
}

Result<FindsMerge> SaveFinds(const std::string& path, const std::vector<TFoundRec>& loaded, const CacheLookup& lookup,
                             bool updateExisting) {
    auto old = ReadFindsFile(path);
    if (!old) return old.error();
    FindsMerge merge = MergeFinds(*old, loaded, lookup, updateExisting);
    if (!WriteFileAtomic(path, EncodeFoundRecs(merge.records))) return Error{EIO, WriteErrorText(path)};
    return merge;
}

// ---- FindsLoad ----------------------------------------------------------------------

FindsLoad::FindsLoad() : loader_(std::make_unique<TListLoader>()) {}

void FindsLoad::line(const std::string& text) {
    if (protocol) protocol(text);
}

void FindsLoad::stamped(const std::string& text) {
    const platform::DateTime t = platform::clock().now();
    line(TwoDigits(t.hour) + ":" + TwoDigits(t.minute) + ":" + TwoDigits(t.second) + " " + text);
}

void FindsLoad::Start(const FindsLoadParams& params) {
    params_ = params;
    if (params_.workDir.empty()) params_.workDir = GetWorkDir();
    params_.workDir = WithTrailingSlash(params_.workDir);
    if (!params_.lookup) params_.lookup = DatabaseLookup();
    pageNo_ = total_ = pageCount_ = 0;
    stop_ = cancel_ = false;
    loaded_.clear();
    refused_ = RefusedCodes{};
    state_ = State::Loading;
    loader_->PageCopyDir = params_.workDir;
    loader_->SetDebug(params_.debug);
    const bool proxy = params_.proxy.use && !params_.proxy.server.empty();
    loader_->SetProxy(proxy ? params_.proxy.server : std::string(), params_.proxy.auth, params_.proxy.user,
                      params_.proxy.pass);
    url_ = BuildFindsUrl(params_.site, params_.userName);
}

void FindsLoad::Cancel() {
    cancel_ = true;
    loader_->Cancel();
    if (state_ == State::Loading || state_ == State::Failed) state_ = State::Cancelled;
    line("*** Abbruch durch Benutzer ***");
}

void FindsLoad::fail(const std::string& text) {
    stamped(text);
    pageNo_ = -1;
    cancel_ = true;
    state_ = State::Failed;
}

bool FindsLoad::LoadOnePage() {
    if (state_ != State::Loading) return false;
    if (cancel_) {
        state_ = State::Cancelled;
        return false;
    }
    ++pageNo_;
    // A page is announced only when it is asked for: after the pager's last
    // page no request follows.
    if (pageNo_ == 1 || (!loader_->ViewState.empty() && loader_->HasNext)) stamped("Lade Seite #" + IntText(pageNo_));
    int code = 0;
    bool lastPageReached = false;
    if (pageNo_ == 1) {
        code = loader_->GetFirstPage(url_);
    } else {
        auto r = loader_->GetNextPage();
        if (!r) {
            if (cancel_) return false;
            fail("Fehler: " + r.error().message + " - Abbruch!");
            return false;
        }
        code = *r;
        // The pager ran out before the announced count: the list ends here.
        if (code == TListLoader::kNoNextControl) lastPageReached = true;
    }
    if (cancel_) {
        state_ = State::Cancelled;
        return false;
    }
    if (params_.debug && code == 0) {
        const std::string name = "finds" + IntText(pageNo_) + ".html";
        WriteDebugLog("INF: frmLoadFinds.LoadOnePage: Saving finds-page as: " + name);
        loader_->SavePage(params_.workDir + name);
    }
    if (lastPageReached) {
        --pageNo_;
    } else if (code != 0) {
        fail("Fehler #" + IntText(code) + " - Abbruch!");
        return false;
    } else {
        parsePage(loader_->PageText);
        if (state_ != State::Loading) return false;
    }
    if (lastPageReached || stop_ || pageNo_ >= pageCount_) {
        stamped("Fertig.");
        save();
        return false;
    }
    return true;
}

void FindsLoad::parsePage(const std::string& page) {
    if (pageNo_ == 1) {
        const auto total = ParseTotalRecords(page);
        if (!total) {
            fail(W("Die Seite hat nicht das erwartete Format (keine Anzahl der Funde gefunden) - Abbruch!"));
            return;
        }
        total_ = *total;
        pageCount_ = FindsPageCount(total_);
        stamped(W("Found-Datensätze: ") + IntText(total_));
        stamped("Seiten gesamt: " + IntText(pageCount_));
    }
    const std::vector<FindRow> rows = ParseFindRows(page);
    if (rows.empty() && pageNo_ <= pageCount_) {
        fail("Seite #" + IntText(pageNo_) + W(" enthält keine Fundzeilen im erwarteten Format - Abbruch!"));
        return;
    }
    for (const FindRow& row : rows) {
        bool bad = false;
        const auto d = ParseLogDate(row.dateText, params_.today, &bad);
        if (bad || !IsFindDate(d)) {
            // A garbled date must neither be stored nor end the load.
            stamped("Fehlerhaftes Datumsformat: " + row.dateText);
            continue;
        }
        if (!params_.loadAll && std::chrono::sys_days{d} < std::chrono::sys_days{params_.minDate}) {
            stop_ = true;
            stamped("Minimaldatum erreicht, Ladevorgang wird beendet.");
            break;
        }
        // Only codes that may name a file enter Finds.bin.
        if (!refused_.Admit(row.code)) continue;
        TFoundRec find;
        find.Waypoint = row.code;
        find.FoundDate = FoundDateText(d);
        loaded_.push_back(find);
    }
}

void FindsLoad::save() {
    const std::string path = ResolveFileNoCase(params_.workDir, "Finds.bin");
    auto merge = SaveFinds(path, loaded_, params_.lookup);
    if (!merge) {
        line(merge.error().message);
        state_ = State::Failed;
        return;
    }
    for (const std::string& l : merge->protocol) line(l);
    if (refused_.count() > 0) line(refused_.Text());
    state_ = State::Saved;
}

}  // namespace tv
