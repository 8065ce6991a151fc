#include "exchange/suitcase_merge.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <unordered_map>
#include <unordered_set>

#include "core/cache_db.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/ini_file.h"
#include "core/str_util.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

bool KeyLess(const CacheRecBytes& a, const CacheRecBytes& b) {
    return CacheKeyOfRecord(a.data()) < CacheKeyOfRecord(b.data());
}

std::optional<double> FoundDay(const ShortStr<10>& text) {
    const std::string_view s = text.view();
    if (s.size() != 10 || s[2] != '.' || s[5] != '.') return std::nullopt;
    int v[3] = {0, 0, 0};
    const std::pair<int, int> parts[3] = {{0, 2}, {3, 2}, {6, 4}};
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < parts[i].second; ++k) {
            const char c = s[static_cast<std::size_t>(parts[i].first + k)];
            if (c < '0' || c > '9') return std::nullopt;
            v[i] = v[i] * 10 + (c - '0');
        }
    return DayCountFromDate(v[2], v[1], v[0]);
}

std::string Num(long long n) { return std::to_string(n); }

}  // namespace

CacheMergeResult MergeCacheDb(std::vector<CacheRecBytes> local, std::vector<CacheRecBytes> suitcase, bool keepLocal) {
    std::stable_sort(local.begin(), local.end(), KeyLess);
    std::stable_sort(suitcase.begin(), suitcase.end(), KeyLess);
    CacheMergeResult r;
    r.records.reserve(local.size() + suitcase.size());
    std::size_t i = 0, j = 0;
    while (i < local.size() || j < suitcase.size()) {
        if (j == suitcase.size() || (i < local.size() && KeyLess(local[i], suitcase[j]))) {
            r.records.push_back(local[i++]);
        } else if (i == local.size() || KeyLess(suitcase[j], local[i])) {
            const TCacheRec rec = DecodeCacheRec(suitcase[j].data());
            r.newCodes.push_back(rec.Waypoint.str());
            r.records.push_back(suitcase[j++]);
            ++r.added;
        } else {
            if (keepLocal) {
                r.records.push_back(local[i]);
                ++r.discarded;
            } else {
                r.records.push_back(suitcase[j]);
                ++r.changed;
            }
            ++i;
            ++j;
        }
    }
    return r;
}

CodeListMergeResult MergeCodeList(std::vector<std::string> local, const std::vector<std::string>& suitcase) {
    CodeListMergeResult r;
    std::unordered_set<std::string> known;
    for (const std::string& l : local) known.insert(FoldListKey(l));
    for (const std::string& s : suitcase) {
        // A carried entry becomes one line of a list file: no line breaks.
        if (s.empty() || std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 32; }))
            continue;
        if (known.insert(FoldListKey(s)).second) {
            local.push_back(s);
            ++r.added;
        } else {
            ++r.present;
        }
    }
    r.lines = std::move(local);
    return r;
}

FindsMergeResult MergeFinds(const std::vector<TFoundRec>& local, std::vector<TFoundRec> suitcase, FindsPolicy policy) {
    FindsMergeResult r;
    std::unordered_map<std::string, std::deque<std::size_t>> byCode;
    for (std::size_t k = 0; k < suitcase.size(); ++k) byCode[FoldListKey(suitcase[k].Waypoint.view())].push_back(k);
    std::vector<bool> used(suitcase.size(), false);
    for (const TFoundRec& rec : local) {
        auto it = byCode.find(FoldListKey(rec.Waypoint.view()));
        if (it == byCode.end() || it->second.empty()) {
            r.records.push_back(rec);
            continue;
        }
        const std::size_t k = it->second.front();
        it->second.pop_front();
        used[k] = true;
        bool takeSuitcase = policy == FindsPolicy::TakeSuitcase;
        if (policy == FindsPolicy::NewerDate) {
            const auto mine = FoundDay(rec.FoundDate), theirs = FoundDay(suitcase[k].FoundDate);
            takeSuitcase = !mine || (theirs && *mine <= *theirs);
        }
        if (takeSuitcase) {
            r.records.push_back(suitcase[k]);
            ++r.updated;
        } else {
            r.records.push_back(rec);
        }
    }
    for (std::size_t k = 0; k < suitcase.size(); ++k)
        if (!used[k]) {
            r.records.push_back(suitcase[k]);
            ++r.added;
        }
    return r;
}

std::vector<std::string> MergeNotes(const std::string& localText, std::vector<std::string> suitcase, NotesPolicy policy,
                                    const NotesMixer& mixer) {
    const IniDocument local = IniDocument::Parse(localText);
    auto headerOf = [](const std::string& line) -> std::optional<std::string> {
        const std::string_view t = TrimBlanks(line);
        if (t.size() < 2 || t.front() != '[' || t.back() != ']') return std::nullopt;
        return std::string(TrimBlanks(t.substr(1, t.size() - 2)));
    };
    auto localLines = [&local](const std::string& w) {
        std::vector<std::string> values;
        for (int k = 0;; ++k) {
            const auto v = local.getVerbatim(w, "Z" + std::to_string(k));
            if (!v || *v == "#@#@#@") break;
            values.push_back(*v);
        }
        return values;
    };
    std::vector<std::string> out;
    auto put = [&out](const std::string& w, const std::vector<std::string>& values) {
        out.push_back("[" + w + "]");
        for (std::size_t k = 0; k < values.size(); ++k) out.push_back("Z" + std::to_string(k) + "=" + values[k]);
    };
    for (const std::string& w : local.sections()) {
        if (w.empty()) continue;
        std::size_t at = suitcase.size();
        for (std::size_t k = 0; k < suitcase.size(); ++k) {
            const auto h = headerOf(suitcase[k]);
            if (h && SameTextCp1252(*h, w)) {
                at = k;
                break;
            }
        }
        if (at == suitcase.size()) {
            put(w, localLines(w));
            continue;
        }
        std::size_t end = at + 1;
        while (end < suitcase.size() && (suitcase[end].empty() || suitcase[end][0] != '[')) ++end;
        std::vector<std::string> theirs;  // the Z lines right after the header
        for (std::size_t k = at + 1; k < end && !suitcase[k].empty() && suitcase[k][0] == 'Z'; ++k)
            theirs.push_back(suitcase[k]);
        if (policy == NotesPolicy::TakeSuitcase) {
            out.push_back("[" + w + "]");
            out.insert(out.end(), theirs.begin(), theirs.end());
        } else if (policy == NotesPolicy::KeepLocal) {
            put(w, localLines(w));
        } else {
            std::vector<std::string> text{kLocalNotesHeader};
            for (const std::string& v : localLines(w)) text.push_back(v);
            text.push_back(kSuitcaseNotesHeader);
            for (const std::string& z : theirs) {
                const auto eq = z.find('=');
                text.push_back(eq == std::string::npos ? std::string() : z.substr(eq + 1));
            }
            if (policy == NotesPolicy::Ask && mixer) text = mixer(w, std::move(text));
            put(w, text);
        }
        suitcase.erase(suitcase.begin() + static_cast<std::ptrdiff_t>(at),
                       suitcase.begin() + static_cast<std::ptrdiff_t>(end));
    }
    out.insert(out.end(), suitcase.begin(), suitcase.end());
    return out;
}

// ---- page entries ---------------------------------------------------------------------

bool IsCarriedWaypoint(const std::string& waypoint) {
    return waypoint.size() > 2 && waypoint.size() <= kSuitcaseCodeField && waypoint.compare(0, 2, "GC") == 0 &&
           IsSafeWaypointCode(waypoint);
}

std::string CarriedFileName(const std::string& waypoint, const std::string& carried) {
    const auto sep = carried.find_last_of("\\/");
    const std::string name = sep == std::string::npos ? carried : carried.substr(sep + 1);
    if (name.size() <= waypoint.size() + 1 || name.find("..") != std::string::npos) return {};
    if (UpperCaseAscii(name.substr(0, waypoint.size() + 1)) != waypoint + "_") return {};
    for (char c : name)
        if (static_cast<unsigned char>(c) < 32 || c == ':' || c == 0x7F) return {};
    return name;
}

namespace {

class PageRun {
public:
    PageRun(SuitcaseReader& r, const std::string& outDir, PagePolicy policy,
            const std::function<void(const std::string&)>& log)
        : r_(r), out_(WithTrailingSlash(outDir)), policy_(policy), log_(log) {}

    void Log(const std::string& text) {
        if (log_) log_("INF: frmSuitcase.ProcessCaches: " + text);
    }

    // A blob written under `name` in the folder, or skipped; false on a stream error.
    bool Blob(std::int32_t size, const std::string& name, bool take, const char* what,
              std::optional<double> date = std::nullopt) {
        if (!take || name.empty() || size == 0) {
            if (!name.empty() && size > 0) Log(std::string("Skipping ") + what + ": " + out_ + name);
            return r_.Skip(size);
        }
        const std::string path = ResolveFileNoCase(out_, name);
        Log(std::string("Creating ") + what + ": " + path);
        AtomicFileWriter w(path);
        if (!w.ok()) return Fail(kCreateErrorKind, path);
        if (!r_.CopyTo(size, w)) return false;
        if (!w.Commit()) return Fail(kWriteErrorKind, path);
        if (date) SetFileDateTime(path, *date);
        return true;
    }

    bool Fail(const char* kind, const std::string& file) {
        error_ = StreamError{kind, file, SysErrorMessage(errno ? errno : EIO)};
        return false;
    }

    bool Entry(PageEntriesResult& res) {
        std::string wp, sub, mapName;
        double date = 0;
        std::int32_t pageSize = 0, metaSize = 0, mapSize = 0, pictures = 0;
        if (!r_.ReadShortString(kSuitcaseCodeField, wp) || !r_.ReadF64(date) ||
            !r_.ReadShortString(kSuitcaseNameField, sub) || !r_.ReadBlobSize(pageSize))
            return false;
        Log("Processing waypoint " + wp);
        Log("Outdir was: " + (sub.empty() ? std::string("[ROOT]") : sub));
        Log("Cache description length = " + Num(pageSize) + " bytes");
        bool take = true;
        if (!IsCarriedWaypoint(wp) || pageSize == 0) {
            Log("Invalid waypoint: " + wp + " - skipping");
            take = false;
        }
        bool existed = false;
        if (take) {
            const std::string page = ResolveFileNoCase(out_, wp + ".html");
            existed = IsRegularFile(page);
            if (existed && policy_ != PagePolicy::Replace) {
                const auto localDate = FileDateTime(page);
                if (policy_ == PagePolicy::KeepLocal || (localDate && *localDate > date)) take = false;
            }
            if (!take) Log("Cache will be skipped due to user options");
        }
        if (!Blob(pageSize, take ? wp + ".html" : "", take, "cache description file", date)) return false;
        if (!r_.ReadBlobSize(metaSize)) return false;
        if (!Blob(metaSize, take ? wp + ".meta" : "", take, "meta file", date)) return false;
        if (!r_.ReadShortString(kSuitcaseNameField, mapName) || !r_.ReadBlobSize(mapSize)) return false;
        Log("Map name is: " + mapName);
        const std::string map = CarriedFileName(wp, mapName);
        if (take && mapSize > 0 && map.empty()) Log("Skipping map file: " + mapName);
        if (!Blob(mapSize, map, take, "map file")) return false;
        if (!r_.ReadI32(pictures)) return false;
        if (pictures < 0 || static_cast<std::int64_t>(pictures) * 260 > r_.Remaining())
            return r_.Skip(-1);  // sets the read error
        Log("Cache has " + Num(pictures) + " images");
        for (std::int32_t k = 0; k < pictures; ++k) {
            std::string name;
            std::int32_t size = 0;
            if (!r_.ReadShortString(kSuitcaseNameField, name) || !r_.ReadBlobSize(size)) return false;
            const std::string pic = CarriedFileName(wp, name);
            if (take && size > 0 && pic.empty()) Log("Skipping image: " + name);
            if (!Blob(size, pic, take, "image")) return false;
        }
        if (take) {
            (existed ? res.replaced : res.added)++;
            res.taken.push_back(wp);
        } else {
            ++res.discarded;
            res.skipped.push_back(wp);
        }
        Log("Cache " + wp + " processed successfully");
        return true;
    }

    std::optional<StreamError> error_;

private:
    SuitcaseReader& r_;
    std::string out_;
    PagePolicy policy_;
    const std::function<void(const std::string&)>& log_;
};

}  // namespace

PageEntriesResult ProcessPageEntries(SuitcaseReader& reader, const std::string& outDir, PagePolicy policy,
                                     const std::function<void(const std::string&)>& log,
                                     const std::function<void(int)>& step) {
    PageEntriesResult res;
    PageRun run(reader, outDir, policy, log);
    const std::int32_t n = reader.contents().pageCount;
    run.Log("Number of caches = " + Num(n));
    for (std::int32_t k = 0; k < n; ++k) {
        if (step) step(k + 1);
        if (!run.Entry(res)) {
            res.error = run.error_ ? *run.error_ : reader.error();
            return res;
        }
    }
    run.Log("All cache processed successfully");
    return res;
}

// ---- the whole commit -------------------------------------------------------------------

std::optional<std::vector<CacheRecBytes>> ReadLocalCacheDb(const std::string& workDir) {
    std::vector<CacheRecBytes> out;
    const auto path = FindFileNoCase(workDir, "Caches.bin");
    if (!path) return out;
    const auto bytes = ReadWholeFile(*path);
    if (!bytes) return std::nullopt;
    out.resize(bytes->size() / TCacheRec::kSize);
    for (std::size_t k = 0; k < out.size(); ++k)
        std::memcpy(out[k].data(), bytes->data() + k * TCacheRec::kSize, TCacheRec::kSize);
    return out;
}

SuitcaseCommitResult CommitSuitcase(SuitcaseReader& reader, const std::optional<std::vector<CacheRecBytes>>& localDb,
                                    const SuitcaseCommitParams& p) {
    SuitcaseCommitResult r;
    const SuitcaseContents& c = reader.contents();
    const std::string work = WithTrailingSlash(p.workDir);
    auto action = [&p](const char* text) {
        if (p.action) p.action(W(text));
    };

    if (p.getDb && localDb) {
        action("Datenbank wird upgedated");
        CacheMergeResult m = MergeCacheDb(*localDb, c.caches, p.keepLocalDb);
        r.dbAdded = m.added;
        r.dbChanged = m.changed;
        r.dbDiscarded = m.discarded;
        if (m.added + m.changed > 0) {
            action("Datenbank wird geschrieben");
            if (p.saveNewCodes && !p.newCodesFile.empty() && !WriteTextList(p.newCodesFile, m.newCodes))
                r.errors.push_back(WriteErrorText(p.newCodesFile));
            action("Cache-Datenbank wird geschrieben");
            const std::string bin = ResolveFileNoCase(work, "Caches.bin");
            AtomicFileWriter w(bin);
            for (const CacheRecBytes& rec : m.records) w.Write({reinterpret_cast<const char*>(rec.data()), rec.size()});
            if (w.ok() && w.Commit()) {
                BuildCacheIndex();
            } else {
                r.errors.push_back(FormatSysErrorText(EIO, W("Fehler beim Schreiben der Cache-Datenbank Caches.bin"),
                                                      SysErrorMessage(EIO)));
                r.dbAdded = r.dbChanged = r.dbDiscarded = 0;
            }
        }
    }

    auto mergeList = [&](const char* file, const std::vector<std::string>& theirs, int& added, int& present) {
        std::vector<std::string> lines;
        const std::string path = ResolveFileNoCase(work, file);
        if (IsRegularFile(path) && !ReadTextList(path, lines)) {
            r.errors.push_back(ReadErrorText(path));
            return;
        }
        CodeListMergeResult m = MergeCodeList(std::move(lines), theirs);
        if (!WriteTextList(path, m.lines)) {
            r.errors.push_back(WriteErrorText(path));
            return;
        }
        added = m.added;
        present = m.present;
    };
    if (p.getWorkList) mergeList("WPList.txt", c.workList, r.wlAdded, r.wlPresent);

    if (p.getFinds) {
        action("Fundliste wird aktualisiert");
        const std::string path = ResolveFileNoCase(work, "Finds.bin");
        std::optional<std::string> bytes = std::string();
        if (IsRegularFile(path)) bytes = ReadWholeFile(path);
        if (!bytes) {
            r.errors.push_back(W("Fehler beim Öffnen der Fundliste (Finds.bin)."));
        } else {
            FindsMergeResult m = MergeFinds(DecodeFoundRecs(*bytes), c.finds, p.finds);
            action("Fundliste wird geschrieben");
            if (WriteFileAtomic(path, EncodeFoundRecs(m.records))) {
                r.findsAdded = m.added;
                r.findsUpdated = m.updated;
            } else {
                r.errors.push_back(WriteErrorText(path));
            }
        }
    }

    if (p.getIgnoreList) mergeList("WPignore.txt", c.ignoreList, r.ilAdded, r.ilPresent);

    if (p.getNotes) {
        action("Notizen werden upgedated");
        const std::string path = ResolveFileNoCase(work, "Persinfo.txt");
        std::optional<std::string> text = std::string();
        if (IsRegularFile(path)) text = ReadWholeFile(path);
        if (!text) {
            r.errors.push_back(ReadErrorText(path));
        } else if (!WriteTextList(path, MergeNotes(*text, c.notes, p.notes, p.mixer))) {
            r.errors.push_back(W("Fehler beim Schreiben der Persönlichen Informationen in Datei ") + work +
                               "Persinfo.txt");
        }
    }

    if (p.getPages) {
        action("Verarbeite Cachebeschreibungen");
        PageEntriesResult m = ProcessPageEntries(reader, p.outDir, p.pages, p.log, p.step);
        r.pagesAdded = m.added;
        r.pagesReplaced = m.replaced;
        r.pagesDiscarded = m.discarded;
        r.taken = m.taken;
        r.skipped = m.skipped;
        if (m.error) {
            r.pagesStopped = true;
            r.errors.push_back(StreamErrorText(*m.error));
        } else if (p.insertWorkList) {
            action("Arbeitsliste wird upgedated");
            const std::string path = ResolveFileNoCase(work, "WPList.txt");
            std::vector<std::string> lines;
            if (IsRegularFile(path) && !ReadTextList(path, lines)) {
                r.errors.push_back(ReadErrorText(path));
            } else {
                CodeListMergeResult wl = MergeCodeList(std::move(lines), m.taken);
                if (wl.added > 0 && !WriteTextList(path, wl.lines)) r.errors.push_back(WriteErrorText(path));
            }
        }
    }
    if (p.action) p.action({});
    return r;
}

std::string CommitResultText(const SuitcaseCommitResult& r, bool findsChecked, bool pagesChecked) {
    const std::string none = W("keine Änderung");
    auto list = [&](int added, int present) {
        return added == 0 ? none : Num(added) + W(" neue Einträge, ") + Num(present) + " waren bereits vorhanden";
    };
    std::string t = W("Folgende Änderungen wurden auf dieser TQ-Instanz durchgeführt:\r\n\r\n");
    t += "Arbeitsliste: " + list(r.wlAdded, r.wlPresent) + "\r\n";
    t += "Ignoreliste: " + list(r.ilAdded, r.ilPresent) + "\r\n";
    t += "Cache-Datenbank: " +
         (r.dbAdded + r.dbChanged == 0
              ? none
              : Num(r.dbAdded) + W(" neue Einträge, ") + Num(r.dbChanged) + W(" geänderte Einträge, ") +
                    Num(r.dbDiscarded) + W(" Datensätze verworfen")) +
         "\r\n";
    t += "Eigene Funde: " +
         (!findsChecked || r.findsAdded + r.findsUpdated == 0
              ? none
              : Num(r.findsAdded) + W(" neue Einträge, ") + Num(r.findsUpdated) + W(" aktualisierte Einträge.")) +
         "\r\n";
    t += "Cache-Beschreibungen: " +
         (!pagesChecked || r.pagesAdded + r.pagesReplaced == 0
              ? none
              : Num(r.pagesAdded) + " neue, " + Num(r.pagesReplaced) + " ersetzte, " + Num(r.pagesDiscarded) +
                    " verworfene Beschreibungen.") +
         "\r\n";
    return t;
}

std::vector<std::string> SuitcaseSummaryLines(const std::vector<std::string>& taken,
                                              const std::vector<std::string>& skipped,
                                              const std::function<std::string(const std::string&)>& cacheName) {
    auto line = [&cacheName](const std::string& wp) {
        std::string name = cacheName ? cacheName(wp) : std::string();
        return (wp + ": " + (name.empty() ? "?" : name)).substr(0, 138);
    };
    std::vector<std::string> out;
    if (taken.empty()) out.push_back(W("*** Es wurden keine Cachebeschreibungen übertragen ***"));
    for (const std::string& wp : taken) out.push_back(line(wp));
    if (!skipped.empty()) {
        out.push_back("*** Folgende Cachebeschreibungen wurden verworfen ***");
        for (const std::string& wp : skipped) out.push_back(line(wp));
    }
    return out;
}

}  // namespace tv
