#include "exchange/suitcase_merge.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <filesystem>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "core/cache_db.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/ini_file.h"
#include "core/program_files.h"
#include "core/str_util.h"
#include "core/unique_fd.h"
#include "core/work_lock.h"
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
    suitcase.erase(std::unique(suitcase.begin(), suitcase.end(),
                               [](const CacheRecBytes& a, const CacheRecBytes& b) { return !KeyLess(a, b); }),
                   suitcase.end());
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
    std::unordered_set<std::string> carried;
    std::erase_if(suitcase, [&carried](const TFoundRec& f) { return !carried.insert(FoldListKey(f.Waypoint.view())).second; });
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
                                    const NotesMixer& mixer, NotesMergeCounts* counts) {
    NotesMergeCounts tally;
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
    auto section = [](const std::string& w, const std::vector<std::string>& values) {
        std::vector<std::string> lines{"[" + w + "]"};
        for (std::size_t k = 0; k < values.size(); ++k) lines.push_back("Z" + std::to_string(k) + "=" + values[k]);
        return lines;
    };
    std::vector<std::string> out;
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
        const std::vector<std::string> mine = localLines(w);
        const std::vector<std::string> kept = section(w, mine);
        if (at == suitcase.size()) {
            out.insert(out.end(), kept.begin(), kept.end());
            continue;
        }
        std::size_t end = at + 1;
        while (end < suitcase.size() && (suitcase[end].empty() || suitcase[end][0] != '[')) ++end;
        std::vector<std::string> theirs;  // the Z lines right after the header
        for (std::size_t k = at + 1; k < end && !suitcase[k].empty() && suitcase[k][0] == 'Z'; ++k)
            theirs.push_back(suitcase[k]);
        std::vector<std::string> merged{"[" + w + "]"};
        if (policy == NotesPolicy::TakeSuitcase) {
            merged.insert(merged.end(), theirs.begin(), theirs.end());
        } else if (policy == NotesPolicy::KeepLocal) {
            merged = kept;
        } else {
            std::vector<std::string> text{kLocalNotesHeader};
            for (const std::string& v : mine) text.push_back(v);
            text.push_back(kSuitcaseNotesHeader);
            for (const std::string& z : theirs) {
                const auto eq = z.find('=');
                text.push_back(eq == std::string::npos ? std::string() : z.substr(eq + 1));
            }
            if (policy == NotesPolicy::Ask && mixer) text = mixer(w, std::move(text));
            merged = section(w, text);
        }
        if (merged != kept) ++tally.changed;
        out.insert(out.end(), merged.begin(), merged.end());
        suitcase.erase(suitcase.begin() + static_cast<std::ptrdiff_t>(at),
                       suitcase.begin() + static_cast<std::ptrdiff_t>(end));
    }
    for (const std::string& line : suitcase)
        if (headerOf(line)) ++tally.added;
    out.insert(out.end(), suitcase.begin(), suitcase.end());
    if (counts) *counts = tally;
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
    if (name.size() <= waypoint.size() + 1) return {};
    if (UpperCaseAscii(name.substr(0, waypoint.size() + 1)) != UpperCaseAscii(waypoint) + "_") return {};
    const std::string_view rest = std::string_view(name).substr(waypoint.size() + 1);
    const auto dot = rest.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return {};
    for (char c : rest.substr(0, dot))
        if (!IsAsciiAlnum(c)) return {};
    const std::string ext = UpperCaseAscii(rest.substr(dot + 1));
    if (ext != "JPG" && ext != "JPEG" && ext != "GIF" && ext != "PNG" && ext != "BMP") return {};
    return name;
}

namespace {

namespace fs = std::filesystem;

// The staging folders of the description folder `out` ('/' at the end):
// beside it ("" for a folder without a parent to name) and inside it.
std::string StagingBeside(const std::string& out) {
    const std::string folder = WithoutTrailingSlash(out);
    const auto slash = folder.find_last_of('/');
    if (slash == std::string::npos || slash + 1 >= folder.size()) return {};
    return folder.substr(0, slash + 1) + "." + folder.substr(slash + 1) + ".Aktenkoffer.tmp/";
}
std::string StagingInside(const std::string& out) { return out + ".Aktenkoffer.tmp/"; }

}  // namespace

void RemoveLeftoverSuitcaseStaging(const std::string& outDir) {
    const std::string out = WithTrailingSlash(outDir);
    const std::string beside = StagingBeside(out);
    if (!beside.empty()) RemoveLeftoverFolder(beside);
    RemoveLeftoverFolder(StagingInside(out));
}

namespace {

// The pages of a suitcase written into a staging folder first and moved into
// the description folder only once every entry has arrived whole. The staging
// folder lies beside the description folder (inside it, hidden, where its
// parent takes no folder or lies on another disk), so that the move is a
// rename; whatever a killed run left there goes at the next start of the
// program (RemoveLeftoverSuitcaseStaging) or before the next run.
class PageStage {
public:
    PageStage(SuitcaseReader& r, const std::string& outDir, PagePolicy policy,
              const std::function<void(const std::string&)>& log)
        : r_(r), out_(WithTrailingSlash(outDir)), policy_(policy), log_(log) {}
    ~PageStage() { Clear(); }
    PageStage(const PageStage&) = delete;
    PageStage& operator=(const PageStage&) = delete;

    void Log(const std::string& text) {
        if (log_) log_("INF: frmSuitcase.ProcessCaches: " + text);
    }

    // Reads every entry into the staging folder. False at the first failure
    // (error set); the description folder is untouched either way.
    bool Stage(PageEntriesResult& res, const std::function<void(int)>& step) {
        const auto& pages = r_.contents().pages;
        Log("Number of caches = " + Num(static_cast<long long>(pages.size())));
        if (pages.empty()) return true;
        if (!MakeFolder()) return false;
        for (std::size_t k = 0; k < pages.size(); ++k) {
            if (step) step(static_cast<int>(k + 1));
            if (!Entry(pages[k], k, res)) return false;
        }
        return true;
    }

    // Moves the staged files into the description folder. False (error set)
    // when a move fails; the files moved before it stay.
    bool MoveIn() {
        if (!moves_.empty()) {
            // One flush for every staged file, before any of them is moved in.
            const int fd = ::open(FsName(folder_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd < 0 || ::syncfs(fd) != 0) {
                error_ = StreamError{kWriteErrorKind, folder_, SysErrorMessage(errno ? errno : EIO)};
                if (fd >= 0) ::close(fd);
                return false;
            }
            ::close(fd);
        }
        for (const auto& [from, to] : moves_) {
            std::error_code ec;
            fs::rename(FsPath(from), FsPath(to), ec);
            if (ec) {
                error_ = StreamError{kWriteErrorKind, to, SysErrorMessage(ec.value())};
                return false;
            }
            Log("Creating file: " + to);
        }
        if (!moves_.empty()) {
            const int fd = ::open(FsName(out_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd >= 0) {
                ::fsync(fd);
                ::close(fd);
            }
        }
        moves_.clear();
        Clear();
        Log("All cache processed successfully");
        return true;
    }

    std::optional<StreamError> error_;

private:
    // A new empty staging folder, marked as at work while this run lives.
    bool Fresh(const std::string& folder) {
        std::error_code ec;
        fs::remove_all(FsPath(folder), ec);
        if (ec || !fs::create_directory(FsPath(folder), ec) || ec) return false;
        marked_ = UniqueFd(::open(FsName(folder).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (marked_.ok()) MarkWriteAtWork(marked_.get());
        return true;
    }

    bool MakeFolder() {
        struct stat outSt {}, stageSt {};
        if (::stat(FsName(out_).c_str(), &outSt) != 0) {
            error_ = StreamError{kCreateErrorKind, out_, SysErrorMessage(errno ? errno : ENOENT)};
            return false;
        }
        const std::string beside = StagingBeside(out_);
        if (!beside.empty() && Fresh(beside) && ::stat(FsName(beside).c_str(), &stageSt) == 0 &&
            stageSt.st_dev == outSt.st_dev) {
            folder_ = beside;
            return true;
        }
        if (!beside.empty()) {
            std::error_code ec;
            fs::remove_all(FsPath(beside), ec);
        }
        const std::string inside = StagingInside(out_);
        if (!Fresh(inside)) {
            error_ = StreamError{kCreateErrorKind, inside, SysErrorMessage(errno ? errno : EACCES)};
            return false;
        }
        folder_ = inside;
        return true;
    }

    void Clear() {
        if (folder_.empty()) return;
        std::error_code ec;
        fs::remove_all(FsPath(folder_), ec);
        folder_.clear();
        marked_.reset();
    }

    // A carried file into the staging folder, to go to `name` in the
    // description folder. The staged files are made durable together, once
    // all have arrived.
    bool Put(const SuitcaseBlob& blob, const std::string& name, const std::string& what,
             std::optional<double> date = std::nullopt) {
        if (!r_.LoadBlob(blob, bytes_, what)) return false;
        const std::string staged = folder_ + name;
        errno = 0;
        const int fd = ::open(FsName(staged).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            error_ = StreamError{kCreateErrorKind, staged, SysErrorMessage(errno ? errno : EIO)};
            return false;
        }
        std::size_t done = 0;
        while (done < bytes_.size()) {
            const ssize_t n = ::write(fd, bytes_.data() + done, bytes_.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        const int err = done < bytes_.size() ? (errno ? errno : ENOSPC) : 0;
        if (::close(fd) != 0 || err != 0) {
            error_ = StreamError{kWriteErrorKind, staged, SysErrorMessage(err ? err : (errno ? errno : EIO))};
            return false;
        }
        if (date) SetFileDateTime(staged, *date);
        // A file of that name in any case is replaced, so that no second copy appears.
        moves_.emplace_back(staged, ResolveFileNoCase(out_, name));
        return true;
    }

    bool Entry(const SuitcasePageEntry& e, std::size_t k, PageEntriesResult& res) {
        const std::string& wp = e.waypoint;
        Log("Processing waypoint " + wp);
        Log("Outdir was: " + (e.subfolder.empty() ? std::string("[ROOT]") : e.subfolder));
        Log("Cache description length = " + Num(e.page.size) + " bytes");
        bool take = true;
        if (!IsCarriedWaypoint(wp) || e.page.size == 0) {
            Log("Invalid waypoint: " + wp + " - skipping");
            take = false;
        } else if (!staged_.insert(UpperCaseAscii(wp)).second) {
            // A page carried twice arrives once, as its first entry.
            Log("Skipping: " + wp);
            return true;
        }
        bool existed = false;
        if (take) {
            const std::string page = ResolveFileNoCase(out_, wp + ".html");
            existed = IsRegularFile(page);
            if (existed && policy_ != PagePolicy::Replace) {
                const auto localDate = FileDateTime(page);
                if (policy_ == PagePolicy::KeepLocal || (localDate && *localDate > e.date)) take = false;
            }
            if (!take) Log("Cache will be skipped due to user options");
        }
        if (!take) {
            ++res.discarded;
            res.skipped.push_back(wp);
            return true;
        }
        const std::string entry = "Cachebeschreibung " + Num(static_cast<long long>(k + 1)) + " (" + wp + ")";
        if (!Put(e.page, wp + ".html", entry, e.date)) return false;
        if (e.meta.size > 0 && !Put(e.meta, wp + ".meta", entry, e.date)) return false;
        Log("Map name is: " + e.mapName);
        auto carried = [&](const std::string& name, const SuitcaseBlob& blob, const char* what) {
            if (blob.size == 0) return true;
            const std::string file = CarriedFileName(wp, name);
            if (file.empty()) {
                // Only the names the packing side makes arrive; a page or a
                // script under a picture's entry never does.
                Log(std::string("Skipping ") + what + ": " + name);
                ++res.filesSkipped;
                return true;
            }
            return Put(blob, file, entry);
        };
        if (!carried(e.mapName, e.map, "map file")) return false;
        Log("Cache has " + Num(static_cast<long long>(e.pictures.size())) + " images");
        for (const auto& [name, blob] : e.pictures)
            if (!carried(name, blob, "image")) return false;
        (existed ? res.replaced : res.added)++;
        res.taken.push_back(wp);
        Log("Cache " + wp + " processed successfully");
        return true;
    }

    SuitcaseReader& r_;
    std::string out_;
    PagePolicy policy_;
    const std::function<void(const std::string&)>& log_;
    std::string folder_;
    UniqueFd marked_;  // the staging folder, open while this run stages into it
    std::vector<std::pair<std::string, std::string>> moves_;  // staged -> final path
    std::string bytes_;  // the file being staged
    std::unordered_set<std::string> staged_;
};

StreamError StageError(const PageStage& stage, const SuitcaseReader& reader) {
    return stage.error_ ? *stage.error_ : reader.error();
}

}  // namespace

PageEntriesResult ProcessPageEntries(SuitcaseReader& reader, const std::string& outDir, PagePolicy policy,
                                     const std::function<void(const std::string&)>& log,
                                     const std::function<void(int)>& step) {
    PageEntriesResult res;
    PageStage stage(reader, outDir, policy, log);
    if (!stage.Stage(res, step) || !stage.MoveIn()) {
        PageEntriesResult failed;
        failed.error = StageError(stage, reader);
        return failed;
    }
    return res;
}

// ---- the whole commit -------------------------------------------------------------------

namespace {

// The raw records of a database file (none when it is missing); an error
// (with the errno) when it exists but cannot be read.
Result<std::vector<CacheRecBytes>> ReadCacheRecords(const std::string& path) {
    std::vector<CacheRecBytes> out;
    const auto bytes = ReadProgramFileIfPresent(path);
    if (!bytes) {
        const int code = bytes.error().code;
        return Error{code, FormatSysErrorText(code, ReadErrorText(path), SysErrorMessage(code))};
    }
    if (!*bytes) return out;
    const std::string& data = **bytes;
    out.resize(data.size() / TCacheRec::kSize);
    for (std::size_t k = 0; k < out.size(); ++k)
        std::memcpy(out[k].data(), data.data() + k * TCacheRec::kSize, TCacheRec::kSize);
    return out;
}

// A text list's bytes: each line ended by CR LF.
std::string Lines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += l + "\r\n";
    return out;
}

std::string CodeOfRecord(const CacheRecBytes& rec) {
    const std::size_t len = std::min<std::size_t>(rec[194], 16);
    return std::string(reinterpret_cast<const char*>(rec.data()) + 195, len);
}

// One store's new contents, written to a temporary file before anything is
// replaced.
enum class Store { WorkList, IgnoreList, Finds, Notes, NewCodes, Database };
struct PendingStore {
    Store store;
    std::string what;  // the error text's start
    std::unique_ptr<AtomicFileWriter> out;
};

// The files that the pages of `c` arrive as in the description folder `outDir`.
std::vector<std::string> CarriedPagePaths(const SuitcaseContents& c, const std::string& outDir) {
    const std::string out = WithTrailingSlash(outDir);
    std::vector<std::string> paths;
    auto add = [&](const std::string& name, const SuitcaseBlob& blob) {
        if (!name.empty() && blob.size > 0) paths.push_back(out + name);
    };
    for (const SuitcasePageEntry& e : c.pages) {
        if (!IsCarriedWaypoint(e.waypoint) || e.page.size == 0) continue;
        add(e.waypoint + ".html", e.page);
        add(e.waypoint + ".meta", e.meta);
        add(CarriedFileName(e.waypoint, e.mapName), e.map);
        for (const auto& [name, blob] : e.pictures) add(CarriedFileName(e.waypoint, name), blob);
    }
    return paths;
}

}  // namespace

Result<std::vector<CacheRecBytes>> ReadLocalCacheDb(const std::string& workDir) {
    return ReadCacheRecords(ResolveFileNoCase(WithTrailingSlash(workDir), "Caches.bin"));
}

SuitcaseCommitResult CommitSuitcase(SuitcaseReader& reader, const Result<std::vector<CacheRecBytes>>& localDb,
                                    const SuitcaseCommitParams& p) {
    SuitcaseCommitResult r;
    const SuitcaseContents& c = reader.contents();
    const std::string work = WithTrailingSlash(p.workDir);
    // The list of new codes is written after the database and the pages: named
    // after a file of the program or a page the suitcase brings, it would
    // replace that file, even the database just merged.
    if (p.getDb && p.saveNewCodes && !p.newCodesFile.empty())
        if (auto refused =
                ProgramFileRefusal(p.newCodesFile, work, TargetRole::CodeList,
                                   p.getPages ? CarriedPagePaths(c, p.outDir) : std::vector<std::string>{})) {
            r.newCodesRefused = true;
            r.errors.push_back(WriteFailureText(*refused));
            return r;
        }
    auto action = [&p](const char* text) {
        if (p.action) p.action(W(text));
    };
    // A failure before the stores are replaced leaves every file as it was.
    auto fail = [&](std::string text) {
        SuitcaseCommitResult failed;
        failed.pagesStopped = r.pagesStopped;
        failed.refused = r.refused;
        failed.errors = r.errors;
        failed.errors.push_back(std::move(text));
        if (p.action) p.action({});
        return failed;
    };

    // A database that could not be read is never merged as if it were empty.
    if (p.getDb && !localDb) return fail(localDb.error().message);

    // Codes that cannot name a file stay out of every store.
    RefusedCodes& unsafe = r.refused;
    std::vector<CacheRecBytes> caches;
    std::vector<std::string> workList, ignoreList;
    std::vector<TFoundRec> finds;
    if (p.getDb)
        for (const CacheRecBytes& rec : c.caches)
            if (unsafe.Admit(CodeOfRecord(rec))) caches.push_back(rec);
    auto codes = [&unsafe](const std::vector<std::string>& in, std::vector<std::string>& out) {
        for (const std::string& code : in)
            if (!code.empty() && unsafe.Admit(code)) out.push_back(code);
    };
    if (p.getWorkList) codes(c.workList, workList);
    if (p.getIgnoreList) codes(c.ignoreList, ignoreList);
    if (p.getFinds)
        for (const TFoundRec& f : c.finds)
            if (unsafe.Admit(f.Waypoint.str())) finds.push_back(f);

    // 1. The pages, read whole into the staging folder.
    std::optional<PageStage> stage;
    PageEntriesResult pages;
    if (p.getPages) {
        action("Verarbeite Cachebeschreibungen");
        stage.emplace(reader, p.outDir, p.pages, p.log);
        if (!stage->Stage(pages, p.step)) {
            r.pagesStopped = true;
            return fail(StreamErrorText(StageError(*stage, reader)));
        }
    }

    // 2. The new contents of the lists, the finds and the notes.
    std::vector<PendingStore> stores;
    // The error text names the real cause: the failing step's errno.
    auto pendingWith = [&](Store store, const std::string& path, const std::function<void(AtomicFileWriter&)>& fill,
                           std::string what) -> std::optional<std::string> {
        auto out = std::make_unique<AtomicFileWriter>(path);
        if (out->ok()) fill(*out);
        if (!out->ok()) {
            const int code = out->error() ? out->error() : EIO;
            return FormatSysErrorText(code, what, SysErrorMessage(code));
        }
        stores.push_back({store, std::move(what), std::move(out)});
        return std::nullopt;
    };
    auto pending = [&](Store store, const std::string& path, const std::string& bytes, std::string what) {
        return pendingWith(store, path, [&bytes](AtomicFileWriter& w) { w.Write(bytes); }, std::move(what));
    };
    auto readList = [&](const std::string& path, std::vector<std::string>& lines) -> std::optional<std::string> {
        // A missing list is empty; one that is there but cannot be read stops the merge.
        auto read = ReadTextListIfPresent(path);
        if (!read) return FormatSysErrorText(read.error().code, read.error().message, SysErrorMessage(read.error().code));
        lines = std::move(*read);
        return std::nullopt;
    };
    CodeListMergeResult wl, il;
    const std::string wlPath = ResolveFileNoCase(work, "WPList.txt");
    bool wlChanged = false;
    if (p.getWorkList || (p.getPages && p.insertWorkList)) {
        std::vector<std::string> lines;
        if (auto e = readList(wlPath, lines)) return fail(*e);
        wl.lines = std::move(lines);
        if (p.getWorkList) {
            wl = MergeCodeList(std::move(wl.lines), workList);
            wlChanged = wl.added > 0;
        }
        if (p.getPages && p.insertWorkList) {
            action("Arbeitsliste wird upgedated");
            CodeListMergeResult taken = MergeCodeList(std::move(wl.lines), pages.taken);
            wl.lines = std::move(taken.lines);
            wlChanged = wlChanged || taken.added > 0;
        }
    }
    if (p.getIgnoreList) {
        const std::string path = ResolveFileNoCase(work, "WPignore.txt");
        std::vector<std::string> lines;
        if (auto e = readList(path, lines)) return fail(*e);
        il = MergeCodeList(std::move(lines), ignoreList);
        if (il.added > 0)
            if (auto e = pending(Store::IgnoreList, path, Lines(il.lines), WriteErrorText(path))) return fail(*e);
    }
    if (wlChanged)
        if (auto e = pending(Store::WorkList, wlPath, Lines(wl.lines), WriteErrorText(wlPath))) return fail(*e);
    FindsMergeResult fm;
    if (p.getFinds) {
        action("Fundliste wird aktualisiert");
        const std::string path = ResolveFileNoCase(work, "Finds.bin");
        std::optional<std::string> bytes = std::string();
        if (IsRegularFile(path)) bytes = ReadWholeFile(path);
        if (!bytes) return fail(W("Fehler beim Öffnen der Fundliste (Finds.bin)."));
        fm = MergeFinds(DecodeFoundRecs(*bytes), finds, p.finds);
        action("Fundliste wird geschrieben");
        if (auto e = pending(Store::Finds, path, EncodeFoundRecs(fm.records), WriteErrorText(path))) return fail(*e);
    }
    NotesMergeCounts notes;
    if (p.getNotes) {
        action("Notizen werden upgedated");
        const std::string path = ResolveFileNoCase(work, "Persinfo.txt");
        std::optional<std::string> text = std::string();
        if (IsRegularFile(path)) text = ReadWholeFile(path);
        if (!text) return fail(ReadErrorText(path));
        if (auto e = pending(Store::Notes, path, Lines(MergeNotes(*text, c.notes, p.notes, p.mixer, &notes)),
                             W("Fehler beim Schreiben der Persönlichen Informationen in Datei ") + work + "Persinfo.txt"))
            return fail(*e);
    }

    // 3. The database, merged against the file as it is now: no other change
    // of it may come between reading it and replacing it.
    std::optional<FolderWriteLock> lock;
    CacheMergeResult db;
    bool dbWritten = false;
    if (p.getDb) {
        action("Datenbank wird upgedated");
        const std::string dbError = W("Fehler beim Schreiben der Cache-Datenbank Caches.bin");
        lock.emplace(work);
        if (!lock->ok()) return fail(FormatSysErrorText(lock->error(), dbError, SysErrorMessage(lock->error())));
        const std::string bin = ResolveFileNoCase(work, "Caches.bin");
        auto current = ReadCacheRecords(bin);
        if (!current) return fail(current.error().message);
        db = MergeCacheDb(std::move(*current), std::move(caches), p.keepLocalDb);
        if (db.added + db.changed > 0) {
            action("Datenbank wird geschrieben");
            if (p.saveNewCodes && !p.newCodesFile.empty())
                if (auto e = pending(Store::NewCodes, p.newCodesFile, Lines(db.newCodes), WriteErrorText(p.newCodesFile)))
                    return fail(*e);
            action("Cache-Datenbank wird geschrieben");
            auto fill = [&db](AtomicFileWriter& w) {
                std::string chunk;
                for (std::size_t k = 0; k < db.records.size() && w.ok(); k += 2048) {
                    chunk.clear();
                    for (std::size_t i = k; i < std::min(k + 2048, db.records.size()); ++i)
                        chunk.append(reinterpret_cast<const char*>(db.records[i].data()), TCacheRec::kSize);
                    w.Write(chunk);
                }
            };
            if (auto e = pendingWith(Store::Database, bin, fill, dbError)) return fail(*e);
            dbWritten = true;
        }
    }

    // 4. Everything has arrived whole: the pages move in, the stores are replaced.
    if (stage && !stage->MoveIn()) {
        r.pagesStopped = true;
        return fail(StreamErrorText(StageError(*stage, reader)));
    }
    // The database first, then the lists, finds and notes.
    std::stable_partition(stores.begin(), stores.end(),
                          [](const PendingStore& s) { return s.store == Store::Database; });
    std::unordered_set<Store> failed;
    for (PendingStore& s : stores)
        if (!s.out->Commit()) {
            const int code = s.out->error() ? s.out->error() : EIO;
            r.errors.push_back(FormatSysErrorText(code, s.what, SysErrorMessage(code)));
            failed.insert(s.store);
        }
    if (dbWritten && !failed.count(Store::Database)) BuildCacheIndex();
    lock.reset();

    if (!failed.count(Store::Database)) {
        r.dbAdded = db.added;
        r.dbChanged = db.changed;
        r.dbDiscarded = db.discarded;
    }
    if (p.getWorkList && !failed.count(Store::WorkList)) {
        r.wlAdded = wl.added;
        r.wlPresent = wl.present;
    }
    if (!failed.count(Store::IgnoreList)) {
        r.ilAdded = il.added;
        r.ilPresent = il.present;
    }
    if (!failed.count(Store::Finds)) {
        r.findsAdded = fm.added;
        r.findsUpdated = fm.updated;
    }
    if (!failed.count(Store::Notes)) {
        r.notesAdded = notes.added;
        r.notesChanged = notes.changed;
    }
    r.pagesAdded = pages.added;
    r.pagesReplaced = pages.replaced;
    r.pagesDiscarded = pages.discarded;
    r.filesSkipped = pages.filesSkipped;
    r.taken = std::move(pages.taken);
    r.skipped = std::move(pages.skipped);
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
    t += "Notizen: " +
         (r.notesAdded + r.notesChanged == 0
              ? none
              : Num(r.notesAdded) + W(" neue Einträge, ") + Num(r.notesChanged) + W(" geänderte Einträge")) +
         "\r\n";
    t += "Cache-Beschreibungen: " +
         (!pagesChecked || r.pagesAdded + r.pagesReplaced == 0
              ? none
              : Num(r.pagesAdded) + " neue, " + Num(r.pagesReplaced) + " ersetzte, " + Num(r.pagesDiscarded) +
                    " verworfene Beschreibungen.") +
         "\r\n";
    if (r.filesSkipped > 0)
        t += "Bilder und Karten: " + Num(r.filesSkipped) + W(" Dateien übersprungen (unzulässiger Dateiname)\r\n");
    if (r.refused.count() > 0) t += r.refused.Text() + "\r\n";
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
