#include "core/cache_db.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/number_format.h"
#include "core/proc_settings.h"
#include "core/str_util.h"
#include "core/unique_fd.h"
#include "core/work_lock.h"
#include "platform/services.h"
#include "platform/text_encoding.h"

namespace tv {

TCacheIndexList CacheIndexList;
std::unique_ptr<TCacheList> CacheDBList;

namespace {

constexpr std::size_t kRec = TCacheRec::kSize;
constexpr std::size_t kIdxEntry = 24;
constexpr std::size_t kChunkRecs = 4096;  // records per write when streaming a file

int ErrnoOr(int fallback) { return errno != 0 ? errno : fallback; }

// Number of whole records of an opened file.
long long RecordCount(const OpenedFile& file, std::size_t recSize) {
    return file.size / static_cast<long long>(recSize);
}

// Number of whole records in a file open for update; -1 with errno on failure.
long long RecordCount(int fd, std::size_t recSize) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return -1;
    return static_cast<long long>(st.st_size) / static_cast<long long>(recSize);
}

// Opens the database for update (created when missing with `create`) as
// the program opens its files: a write never goes into a pipe or a device
// that stands in its place, nor adds to records no look-up can see. -1 with
// errno on failure.
UniqueFd OpenForUpdate(const std::string& path, bool create) {
    Result<OpenedFile> file = OpenProgramFile(path, O_RDWR | (create ? O_CREAT : 0));
    if (file) return std::move(file->fd);
    errno = file.error().code;
    return UniqueFd();
}

Result<void> ErrorResult(int code, std::string message) { return Error{code, std::move(message)}; }

// The folder part of a path, with its '/' ("" for a bare name: the current folder).
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

// ---- Keys ---------------------------------------------------------------------

// Unsigned byte order of the 16 key bytes, compared as two big-endian words.
inline std::uint64_t KeyWord(const CacheKey& k, std::size_t at) {
    std::uint64_t w;
    std::memcpy(&w, k.data() + at, 8);
    return __builtin_bswap64(w);
}
int CompareKeys(const CacheKey& a, const CacheKey& b) {
    const std::uint64_t a0 = KeyWord(a, 0), b0 = KeyWord(b, 0);
    if (a0 != b0) return a0 < b0 ? -1 : 1;
    const std::uint64_t a1 = KeyWord(a, 8), b1 = KeyWord(b, 8);
    return a1 == b1 ? 0 : (a1 < b1 ? -1 : 1);
}

bool SameStoredCode(const unsigned char* rec, std::string_view code) {
    std::size_t len = rec[194];
    if (len > 16) len = 16;
    return len == code.size() && std::memcmp(rec + 195, code.data(), len) == 0;
}

// ---- Numbers --------------------------------------------------------------------

bool ParseInt32(std::string_view s, std::int32_t& out) {
    const auto v = ParseInt(s);
    if (!v) return false;
    out = *v;
    return true;
}

// A decimal number with '.' as separator.
bool ParseDotDouble(std::string_view s, double& out) {
    const auto v = ParseFloat(s, '.');
    if (!v) return false;
    out = *v;
    return true;
}

bool ParseDateNumber(std::string_view s, int& out) {
    if (s.empty() || s.size() > 4) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out, 10);
    return r.ec == std::errc();
}

// ---- Work folder state --------------------------------------------------------

// The in-memory index belongs to one work folder; a change of folder drops it.
void SyncIndexFolder(const std::string& dir) {
    if (CacheIndexList.Dir() != dir) {
        CacheIndexList.Clear();
        CacheIndexList.SetDir(dir);
    }
}

// Lookups read one record by position. Opening the file for each of them
// costs more than the read, so the last file stays open while the path still
// names the same file (a rewrite renames a new file over it).
class RecordReader {
public:
    ~RecordReader() { Forget(); }
    void Reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    // Drops the folder too; every index load or rebuild starts afresh.
    void Forget() {
        Reset();
        if (dirFd_ >= 0) ::close(dirFd_);
        dirFd_ = -1;
        dir_.clear();
    }
    // `dir` is the work folder; the file is dir + "Caches.bin". The folder is
    // held open too, so each check resolves one name only.
    int FdFor(const std::string& dir) {
        if (dirFd_ < 0 || dir != dir_) {
            Reset();
            if (dirFd_ >= 0) ::close(dirFd_);
            dir_ = dir;
            dirFd_ = ::open(FsName(dir).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            if (dirFd_ < 0) return -1;
        }
        struct stat st {};
        if (::fstatat(dirFd_, "Caches.bin", &st, 0) != 0 || FileKindError(st.st_mode) != 0) {
            Reset();
            return -1;
        }
        if (fd_ >= 0 && st.st_dev == dev_ && st.st_ino == ino_) return fd_;
        Reset();
        // Never waiting on a pipe that took the file's place since.
        fd_ = ::openat(dirFd_, "Caches.bin", O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd_ < 0) return -1;
        struct stat opened {};
        if (::fstat(fd_, &opened) != 0 || FileKindError(opened.st_mode) != 0) {
            Reset();
            return -1;
        }
        dev_ = opened.st_dev;
        ino_ = opened.st_ino;
        return fd_;
    }

private:
    int fd_ = -1;
    int dirFd_ = -1;
    std::string dir_;
    dev_t dev_ = 0;
    ino_t ino_ = 0;
};

RecordReader& Reader() {
    static RecordReader reader;
    return reader;
}

// The Caches.bin that the in-memory index answers for: the file (device and
// inode) and how many of its records it covers. Records appended behind that
// count, by this process or another, are learnt from the file before a
// lookup; another file (a rewrite renamed over it) or a shorter one makes the
// index load afresh.
struct IndexBasis {
    bool valid = false;
    dev_t dev = 0;
    ino_t ino = 0;
    long long recs = 0;
};
IndexBasis& Basis() {
    static IndexBasis basis;
    return basis;
}

bool StatIn(const std::string& dir, const char* name, struct stat& st) {
    return ::stat(FsName(dir + name).c_str(), &st) == 0;
}

bool NewerThan(const struct stat& a, const struct stat& b) {
    if (a.st_mtim.tv_sec != b.st_mtim.tv_sec) return a.st_mtim.tv_sec > b.st_mtim.tv_sec;
    return a.st_mtim.tv_nsec > b.st_mtim.tv_nsec;
}

// Whether Caches.idx was written for Caches.bin as it is now: one entry per
// record and not older than the database. An index left behind by a change
// that was cut off (a crash between the change and the rebuild) fails this.
bool IndexFileFits(const struct stat& bin, const struct stat& idx) {
    return idx.st_size % static_cast<off_t>(kIdxEntry) == 0 &&
           idx.st_size / static_cast<off_t>(kIdxEntry) == bin.st_size / static_cast<off_t>(kRec) &&
           !NewerThan(bin, idx);
}

// Reads record `recNo` of dir + "Caches.bin". False on any failure.
bool ReadRecordAt(const std::string& dir, std::int32_t recNo, TCacheRec& rec) {
    if (recNo < 0) return false;
    const int fd = Reader().FdFor(dir);
    if (fd < 0) return false;
    unsigned char buf[kRec];
    const off_t off = static_cast<off_t>(recNo) * static_cast<off_t>(kRec);
    std::size_t got = 0;
    while (got < kRec) {
        const ssize_t r = ::pread(fd, buf + got, kRec - got, off + static_cast<off_t>(got));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        got += static_cast<std::size_t>(r);
    }
    rec = DecodeCacheRec(buf);
    rec.RecNo = recNo;
    return true;
}

// Scan of Caches.bin with `match(raw record)`; the first match is decoded.
template <typename Match>
bool ScanFor(Match&& match, TCacheRec& rec) {
    rec = TCacheRec{};
    const Result<OpenedFile> file = OpenProgramFile(CacheBinPath());
    if (!file) return false;
    bool found = false;
    ForEachRecord(*file, kRec, [&](const unsigned char* raw, long long recNo) {
        if (!match(raw)) return true;
        rec = DecodeCacheRec(raw);
        rec.RecNo = static_cast<std::int32_t>(recNo);
        found = true;
        return false;
    });
    return found;
}

}  // namespace

// ---------------------------------------------------------------------------
// Keys and the in-memory index

std::optional<CacheKey> MakeCacheKey(std::string_view code) {
    if (code.size() > 16) return std::nullopt;
    CacheKey k;
    for (std::size_t i = 0; i < 16; ++i) {
        char c = i < code.size() ? code[i] : ' ';
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        k[i] = c;
    }
    return k;
}

bool CacheIndexLess(const CacheKey& ka, std::int32_t ra, const CacheKey& kb, std::int32_t rb) {
    const int c = CompareKeys(ka, kb);
    if (c != 0) return c < 0;
    char ta[16], tb[16];
    const auto ea = std::to_chars(ta, ta + sizeof ta, ra).ptr;
    const auto eb = std::to_chars(tb, tb + sizeof tb, rb).ptr;
    return std::lexicographical_compare(ta, ea, tb, eb, [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
}

CacheKey CacheKeyOfRecord(const unsigned char* raw) {
    const std::size_t len = std::min<std::size_t>(raw[194], 16);
    return *MakeCacheKey(std::string_view(reinterpret_cast<const char*>(raw + 195), len));
}

std::size_t CacheKeyHash::operator()(const CacheKey& k) const noexcept {
    std::uint64_t h = 1469598103934665603ULL;
    for (char c : k) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ULL;
    }
    return static_cast<std::size_t>(h);
}

void TCacheIndexList::Clear() {
    sorted_.clear();
    sorted_.shrink_to_fit();
    added_.clear();
}

void TCacheIndexList::Assign(std::vector<Entry> entries) {
    added_.clear();
    const auto keyLess = [](const Entry& a, const Entry& b) { return CompareKeys(a.key, b.key) < 0; };
    bool strictlyAscending = true;
    for (std::size_t i = 1; i < entries.size() && strictlyAscending; ++i)
        strictlyAscending = keyLess(entries[i - 1], entries[i]);
    if (!strictlyAscending) {
        // Stable, so equal keys stay in read order; then the last of each run wins.
        std::stable_sort(entries.begin(), entries.end(), keyLess);
        std::size_t out = 0;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (i + 1 < entries.size() && CompareKeys(entries[i].key, entries[i + 1].key) == 0) continue;
            entries[out++] = entries[i];
        }
        entries.resize(out);
    }
    sorted_ = std::move(entries);
}

void TCacheIndexList::Add(const CacheKey& key, std::int32_t recNo) { added_[key] = recNo; }

std::optional<std::int32_t> TCacheIndexList::Find(const CacheKey& key) const {
    if (!added_.empty()) {
        auto it = added_.find(key);
        if (it != added_.end()) return it->second;
    }
    auto it = std::lower_bound(sorted_.begin(), sorted_.end(), key,
                               [](const Entry& e, const CacheKey& k) { return CompareKeys(e.key, k) < 0; });
    if (it != sorted_.end() && CompareKeys(it->key, key) == 0) return it->recNo;
    return std::nullopt;
}

std::string CacheBinPath() { return GetWorkDir() + "Caches.bin"; }
std::string CacheIdxPath() { return GetWorkDir() + "Caches.idx"; }
std::string FindsBinPath() { return GetWorkDir() + "Finds.bin"; }

// ---------------------------------------------------------------------------
// National list lines

void TrimLeadingBlanks(std::string& line) {
    std::size_t i = 0;
    while (i < line.size() && line[i] == ' ') ++i;
    line.erase(0, i);
}

bool NextToken(std::string& line, std::string& token) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string::npos) {
        token = TrimRightCtl(line);
        line.clear();
    } else {
        token.assign(line, 0, blank);
        line.erase(0, blank + 1);
        TrimLeadingBlanks(line);
    }
    return !token.empty();
}

namespace {

// The general parse of the text after the id, for lines the fast one leaves
// alone: text before a quoted field, or a quote without its partner.
int ParseCacheDBRest(std::string line, TCacheRec& rec, std::string* code) {

    std::string text;
    CutBetweenInner(line, text, "\"", "\"");
    DecodeHtmlEntities(text);
    TrimLeadingBlanks(line);
    rec.Name = text;

    std::string year, month, day;
    NextToken(line, year);
    NextToken(line, month);
    NextToken(line, day);
    int y = 0, m = 0, d = 0;
    if (!ParseDateNumber(year, y) || !ParseDateNumber(month, m) || !ParseDateNumber(day, d)) return -1;
    const auto hidden = DayCountFromDate(y, m, d);
    if (!hidden) return -1;
    rec.Hidden = *hidden;

    std::string lat, lon;
    NextToken(line, lat);
    NextToken(line, lon);
    if (!ParseDotDouble(lat, rec.Lat) || !ParseDotDouble(lon, rec.Lon)) return -1;

    text.clear();
    CutBetweenInner(line, text, "\"", "\"");
    TrimLeadingBlanks(line);
    rec.CacheType = text;
    text.clear();
    CutBetweenInner(line, text, "\"", "\"");
    TrimLeadingBlanks(line);
    rec.Size = text;

    std::string wp, dropped;
    NextToken(line, wp);
    // A record without a code could never be looked up or told apart.
    if (wp.empty()) return -1;
    rec.Waypoint = wp;
    if (code) *code = wp;
    NextToken(line, dropped);

    int result = 0;
    std::string diff, terr;
    if (!NextToken(line, diff)) {
        diff = "0.0";
        result = 1;
    }
    rec.Difficulty = diff;
    if (!NextToken(line, terr)) {
        terr = "0.0";
        result = 1;
    }
    rec.Terrain = terr;
    return result;
}

// The tokenizer of NextToken over a view: no copies, no erasing in front.
std::string_view NextTokenView(std::string_view& line) {
    // Tokens are short: a plain loop beats a library search here.
    std::size_t blank = 0;
    while (blank < line.size() && line[blank] != ' ') ++blank;
    std::string_view token;
    if (blank == line.size()) {
        std::size_t n = line.size();
        while (n > 0 && static_cast<unsigned char>(line[n - 1]) <= 32) --n;
        token = line.substr(0, n);
        line = {};
    } else {
        token = line.substr(0, blank);
        line.remove_prefix(blank + 1);
        while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    }
    return token;
}

// Cuts the next quoted text out of `line` when only blanks stand before it
// and its closing quote is there: `text` is what lies between the quotes and
// `line` the rest without leading blanks. False for anything else.
bool CutQuotedView(std::string_view& line, std::string_view& text) {
    const std::size_t open = line.find('"');
    if (open == std::string_view::npos) return false;
    for (std::size_t i = 0; i < open; ++i)
        if (line[i] != ' ') return false;
    const std::size_t close = line.find('"', open + 1);
    if (close == std::string_view::npos) return false;
    text = line.substr(open + 1, close - open - 1);
    line.remove_prefix(close + 1);
    while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    return true;
}

// The usual line, read over the caller's bytes. Nothing when the line needs
// the general parse (its result is then that parse's).
std::optional<int> ParseCacheDBRestFast(std::string_view line, TCacheRec& rec, std::string* code) {
    std::string_view text;
    if (!CutQuotedView(line, text)) return std::nullopt;
    if (text.find('&') == std::string_view::npos) {
        rec.Name = text;
    } else {
        std::string name(text);
        DecodeHtmlEntities(name);
        rec.Name = name;
    }

    const std::string_view year = NextTokenView(line);
    const std::string_view month = NextTokenView(line);
    const std::string_view day = NextTokenView(line);
    int y = 0, m = 0, d = 0;
    if (!ParseDateNumber(year, y) || !ParseDateNumber(month, m) || !ParseDateNumber(day, d)) return -1;
    const auto hidden = DayCountFromDate(y, m, d);
    if (!hidden) return -1;
    rec.Hidden = *hidden;

    const std::string_view lat = NextTokenView(line);
    const std::string_view lon = NextTokenView(line);
    if (!ParseDotDouble(lat, rec.Lat) || !ParseDotDouble(lon, rec.Lon)) return -1;

    // Type and size: a line whose quotes are not where they belong takes the
    // general parse from the start, which cuts them as it always did.
    std::string_view type, size;
    if (!CutQuotedView(line, type) || !CutQuotedView(line, size)) return std::nullopt;
    rec.CacheType = type;
    rec.Size = size;

    const std::string_view wp = NextTokenView(line);
    // A record without a code could never be looked up or told apart.
    if (wp.empty()) return -1;
    rec.Waypoint = wp;
    if (code) code->assign(wp);
    NextTokenView(line);

    int result = 0;
    std::string_view diff = NextTokenView(line);
    if (diff.empty()) {
        diff = "0.0";
        result = 1;
    }
    rec.Difficulty = diff;
    std::string_view terr = NextTokenView(line);
    if (terr.empty()) {
        terr = "0.0";
        result = 1;
    }
    rec.Terrain = terr;
    return result;
}

}  // namespace

int ParseCacheDBLine(std::string_view lineIn, TCacheRec& rec, std::string* code) {
    rec = TCacheRec{};
    if (!lineIn.empty() && lineIn.front() == '#') return -1;
    const std::size_t blank = lineIn.find(' ');
    if (blank == std::string_view::npos) return -1;
    if (!ParseInt32(lineIn.substr(0, blank), rec.Id)) return -1;
    const std::string_view rest = lineIn.substr(blank + 1);
    if (const auto fast = ParseCacheDBRestFast(rest, rec, code)) return *fast;
    const std::int32_t id = rec.Id;
    rec = TCacheRec{};
    rec.Id = id;
    return ParseCacheDBRest(std::string(rest), rec, code);
}

// ---------------------------------------------------------------------------
// Database operations

namespace {

// What Caches.bin and Caches.idx looked like when the index in memory was
// written from entries gathered with the records (file times are coarse, so
// this only spares the one rebuild that follows at once).
struct IndexStamp {
    std::string dir;
    struct stat bin {};
    struct stat idx {};
    bool valid = false;
};
IndexStamp& LastIndexStamp() {
    static IndexStamp s;
    return s;
}

bool SameFileState(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// An index that no longer matches Caches.bin is worse than none: without it,
// lookups scan. Only a file goes; whatever else stands in its place (a pipe,
// a folder) is left as it is, and lookups take it for no index.
void RemoveStaleIndex(const std::string& idxPath) {
    struct stat st {};
    if (::stat(FsName(idxPath).c_str(), &st) == 0 && FileKindError(st.st_mode) == 0)
        ::unlink(FsName(idxPath).c_str());
}

void RememberIndexStamp(const std::string& dir) {
    IndexStamp& s = LastIndexStamp();
    s.dir = dir;
    s.valid = ::stat(FsName(dir + "Caches.bin").c_str(), &s.bin) == 0 &&
              ::stat(FsName(dir + "Caches.idx").c_str(), &s.idx) == 0;
}

}  // namespace

bool CacheIndexIsCurrent(const std::string& dir) {
    const IndexStamp& s = LastIndexStamp();
    if (!s.valid || s.dir != dir || CacheIndexList.Dir() != dir || CacheIndexList.empty()) return false;
    struct stat bin {}, idx {};
    return ::stat(FsName(dir + "Caches.bin").c_str(), &bin) == 0 &&
           ::stat(FsName(dir + "Caches.idx").c_str(), &idx) == 0 && SameFileState(bin, s.bin) &&
           SameFileState(idx, s.idx);
}

std::optional<std::vector<TCacheIndexList::Entry>> ReadMatchingIndexEntries(const std::string& idxPath,
                                                                            long long recordCount) {
    if (recordCount < 0 || recordCount > INT32_MAX) return std::nullopt;
    const Result<OpenedFile> file = OpenProgramFile(idxPath);
    if (!file || file->size != recordCount * static_cast<long long>(kIdxEntry)) return std::nullopt;
    std::vector<TCacheIndexList::Entry> entries;
    entries.reserve(static_cast<std::size_t>(recordCount));
    std::vector<bool> seen(static_cast<std::size_t>(recordCount), false);
    bool good = true;
    const int err = ForEachRecord(*file, kIdxEntry, [&](const unsigned char* raw, long long) {
        TCacheIndexList::Entry e;
        std::memcpy(e.key.data(), raw + 1, 16);
        std::memcpy(&e.recNo, raw + 20, 4);
        if (raw[0] != 16 || e.recNo < 0 || e.recNo >= recordCount || seen[static_cast<std::size_t>(e.recNo)] ||
            (!entries.empty() && !CacheIndexLess(entries.back().key, entries.back().recNo, e.key, e.recNo))) {
            good = false;
            return false;
        }
        seen[static_cast<std::size_t>(e.recNo)] = true;
        entries.push_back(e);
        return true;
    });
    if (err != 0 || !good || static_cast<long long>(entries.size()) != recordCount) return std::nullopt;
    return entries;
}

void SortIndexEntries(std::vector<TCacheIndexList::Entry>& entries) {
    // Record numbers are unique, so ties of the key only need the decimal
    // order of the numbers; a plain key sort first keeps that rare case cheap.
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        const int c = CompareKeys(a.key, b.key);
        return c != 0 ? c < 0 : CacheIndexLess(a.key, a.recNo, b.key, b.recNo);
    });
}

int WriteCacheIndexEntries(std::vector<TCacheIndexList::Entry> sorted) {
    const std::string dir = GetWorkDir();
    SyncIndexFolder(dir);
    Reader().Forget();
    CacheIndexList.Clear();
    LastIndexStamp().valid = false;
    const std::string idxPath = dir + "Caches.idx";
    int result = 0;
    {
        AtomicFileWriter out(idxPath);
        if (!out.ok()) {
            result = -3;
        } else {
            std::string bytes;
            constexpr std::size_t kBlock = 8192;
            bytes.reserve(kBlock * kIdxEntry);
            for (std::size_t i = 0; i < sorted.size() && result == 0; ++i) {
                char e[kIdxEntry] = {};
                e[0] = 16;
                std::memcpy(e + 1, sorted[i].key.data(), 16);
                std::memcpy(e + 20, &sorted[i].recNo, 4);
                bytes.append(e, kIdxEntry);
                if (bytes.size() >= kBlock * kIdxEntry) {
                    if (!out.Write(bytes)) result = -4;
                    bytes.clear();
                }
            }
            if (result == 0 && !bytes.empty() && !out.Write(bytes)) result = -4;
            if (result == 0 && !out.Commit()) result = -4;
        }
    }
    if (result != 0) {
        RemoveStaleIndex(idxPath);
        return result;
    }
    CacheIndexList.Assign(std::move(sorted));
    RememberIndexStamp(dir);
    return 0;
}

int BuildCacheIndex() {
    const std::string dir = GetWorkDir();
    // The index was just written together with the database: the rebuild
    // its callers run next has nothing to do. Only that one call is spared.
    const bool current = CacheIndexIsCurrent(dir);
    LastIndexStamp().valid = false;
    if (current) return 0;
    // The index is written for the file read here: no change of Caches.bin
    // may come in between.
    FolderWriteLock lock(dir);
    if (!lock.ok()) return -3;
    Result<OpenedFile> bin = OpenProgramFile(dir + "Caches.bin");
    if (!bin) return -1;

    SyncIndexFolder(dir);
    Reader().Forget();
    Basis().valid = false;
    struct stat binSt {};
    const bool binKnown = ::fstat(bin->fd.get(), &binSt) == 0;
    std::vector<TCacheIndexList::Entry> entries;
    // Record numbers are 32-bit: a larger file cannot be indexed.
    const long long count = RecordCount(*bin, kRec);
    if (count > INT32_MAX) return -2;
    entries.reserve(static_cast<std::size_t>(count));
    const int readErr = ForEachRecord(*bin, kRec, [&](const unsigned char* raw, long long recNo) {
        entries.push_back({CacheKeyOfRecord(raw), static_cast<std::int32_t>(recNo)});
        return true;
    });
    bin->fd.Close();
    CacheIndexList.Clear();
    if (readErr != 0) return -2;

    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return CacheIndexLess(a.key, a.recNo, b.key, b.recNo);
    });

    const std::string idxPath = dir + "Caches.idx";
    std::string bytes(entries.size() * kIdxEntry, '\0');
    for (std::size_t i = 0; i < entries.size(); ++i) {
        char* e = bytes.data() + i * kIdxEntry;
        e[0] = 16;
        std::memcpy(e + 1, entries[i].key.data(), 16);
        std::memcpy(e + 20, &entries[i].recNo, 4);
    }
    int result = 0;
    {
        AtomicFileWriter out(idxPath);
        if (out.createFailed()) {
            result = -3;
        } else if (!out.Write(bytes) || !out.Commit()) {
            result = -4;
        }
    }
    if (result != 0) {
        RemoveStaleIndex(idxPath);
        return result;
    }
    // The same entries the next lookup would load from the file.
    const long long covered = static_cast<long long>(entries.size());
    CacheIndexList.Assign(std::move(entries));
    if (binKnown) Basis() = IndexBasis{true, binSt.st_dev, binSt.st_ino, covered};
    return 0;
}

void LoadCacheIndex() {
    const std::string dir = GetWorkDir();
    CacheIndexList.Clear();
    CacheIndexList.SetDir(dir);
    Reader().Forget();
    Basis().valid = false;
    // Known before the read: a change after it makes the index look stale, never fresh.
    struct stat binSt {};
    struct stat idxSt {};
    const bool fits =
        StatIn(dir, "Caches.bin", binSt) && StatIn(dir, "Caches.idx", idxSt) && IndexFileFits(binSt, idxSt);
    // An index that cannot be read is as good as none: lookups scan.
    const Result<OpenedFile> file = OpenProgramFile(dir + "Caches.idx");
    if (!file) return;
    std::vector<TCacheIndexList::Entry> entries;
    entries.reserve(static_cast<std::size_t>(RecordCount(*file, kIdxEntry)));
    ForEachRecord(*file, kIdxEntry, [&](const unsigned char* raw, long long) {
        // A key of another length can never equal a 16-character lookup key.
        if (raw[0] != 16) return true;
        TCacheIndexList::Entry e;
        std::memcpy(e.key.data(), raw + 1, 16);
        std::memcpy(&e.recNo, raw + 20, 4);
        entries.push_back(e);
        return true;
    });
    CacheIndexList.Assign(std::move(entries));
    if (fits) Basis() = IndexBasis{true, binSt.st_dev, binSt.st_ino, binSt.st_size / static_cast<off_t>(kRec)};
}

namespace {

// Learns the codes of records [from, to) of Caches.bin, appended after the
// index was read. Codes the index knows keep their record.
void LearnAppended(const std::string& dir, long long from, long long to) {
    const int fd = Reader().FdFor(dir);
    if (fd < 0) return;
    std::vector<unsigned char> buf(kRec * 256);
    for (long long at = from; at < to;) {
        const long long n = std::min<long long>(to - at, 256);
        const std::size_t want = static_cast<std::size_t>(n) * kRec;
        std::size_t got = 0;
        while (got < want) {
            const off_t off = static_cast<off_t>(at) * static_cast<off_t>(kRec) + static_cast<off_t>(got);
            const ssize_t r = ::pread(fd, buf.data() + got, want - got, off);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return;  // shorter than it was a moment ago: the next lookup loads afresh
            got += static_cast<std::size_t>(r);
        }
        for (long long i = 0; i < n; ++i) {
            const CacheKey key = CacheKeyOfRecord(buf.data() + static_cast<std::size_t>(i) * kRec);
            if (!CacheIndexList.Find(key)) CacheIndexList.Add(key, static_cast<std::int32_t>(at + i));
        }
        at += n;
        Basis().recs = at;
    }
}

// Makes the in-memory index answer for Caches.bin as it is now (or leaves it
// empty, for a scan, when there is no usable index).
void EnsureCurrentIndex(const std::string& dir) {
    struct stat bin {};
    if (!StatIn(dir, "Caches.bin", bin)) return;
    const long long recs = static_cast<long long>(bin.st_size / static_cast<off_t>(kRec));
    IndexBasis& b = Basis();
    if (!CacheIndexList.empty() && b.valid && b.dev == bin.st_dev && b.ino == bin.st_ino && recs >= b.recs) {
        if (recs > b.recs) LearnAppended(dir, b.recs, recs);
        return;
    }
    struct stat idx {};
    // A Caches.idx that cannot be loaded (a folder or a pipe in its place, or
    // one too large to hold) is as good as none: lookups scan.
    if (!StatIn(dir, "Caches.idx", idx) || UnusableFileError(idx) != 0) {
        CacheIndexList.Clear();
        b.valid = false;
        return;
    }
    if (!IndexFileFits(bin, idx)) {
        BuildCacheIndex();
        return;
    }
    LoadCacheIndex();
}

}  // namespace

void PrepareCacheIndex() {
    if (!CacheIndexList.empty() && CacheIndexList.Dir() == GetWorkDir()) return;
    LoadCacheIndex();
    std::error_code ec;
    if (CacheIndexList.empty() && std::filesystem::file_size(FsPath(CacheBinPath()), ec) >= TCacheRec::kSize && !ec &&
        BuildCacheIndex() == 0)
        LoadCacheIndex();
}

CacheLookup DatabaseLookup() {
    PrepareCacheIndex();
    return [](std::string_view code, TCacheRec& rec) { return FindCacheByWaypoint(code, rec); };
}

bool FindCacheByWaypoint(std::string_view code, TCacheRec& rec) {
    if (code.empty()) return false;
    const std::string dir = GetWorkDir();
    SyncIndexFolder(dir);
    EnsureCurrentIndex(dir);
    const auto key = MakeCacheKey(code);
    const auto scan = [&] {
        // Without an index: compare the stored codes as the index would.
        if (!key) {
            rec = TCacheRec{};
            return false;
        }
        return ScanFor([&](const unsigned char* raw) { return CompareKeys(CacheKeyOfRecord(raw), *key) == 0; }, rec);
    };
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (CacheIndexList.empty()) return scan();
        const std::optional<std::int32_t> recNo = key ? CacheIndexList.Find(*key) : std::nullopt;
        rec = TCacheRec{};
        if (!recNo) return false;
        TCacheRec found;
        // The record must carry the code looked up: an index written for
        // another state of the file would hand out another cache.
        if (ReadRecordAt(dir, *recNo, found)) {
            const auto foundKey = MakeCacheKey(found.Waypoint.view());
            if (foundKey && CompareKeys(*foundKey, *key) == 0) {
                rec = found;
                return true;
            }
        }
        if (attempt == 0) {
            DebugLog("ERR: FindCacheByWaypoint: Caches.idx does not fit Caches.bin, rebuilt");
            if (BuildCacheIndex() != 0) CacheIndexList.Clear();
        }
    }
    return scan();
}

bool ScanCacheDB(std::string_view code, TCacheRec& rec) {
    return ScanFor([&](const unsigned char* raw) { return SameStoredCode(raw, code); }, rec);
}

bool AppendCacheRec(const TCacheRec& rec) {
    const std::string dir = GetWorkDir();
    // The look-up and the write are one step: no other process may append
    // the same code or move the records in between.
    FolderWriteLock lock(dir);
    if (!lock.ok()) return false;
    TCacheRec scratch;
    if (FindCacheByWaypoint(rec.Waypoint.view(), scratch)) return false;
    UniqueFd fd = OpenForUpdate(dir + "Caches.bin", true);
    if (!fd.ok()) return false;
    const long long recNo = RecordCount(fd.get(), kRec);
    if (recNo < 0 || recNo > INT32_MAX) return false;
    // A trailing partial record is overwritten, as the file holds whole records only.
    const auto bytes = EncodeCacheRec(rec);
    if (InjectedWriteFault(dir + "Caches.bin", WriteStep::Write) != 0 ||
        WriteFully(fd.get(), bytes.data(), bytes.size(), recNo * static_cast<long long>(kRec)) != 0)
        return false;
    if (fd.Close() != 0) return false;
    // A loaded index learns the new code at the next look-up, so one run never
    // appends it twice.
    return true;
}

Result<void> StoreCacheRec(const TCacheRec& rec) {
    const std::string dir = GetWorkDir();
    const std::string path = dir + "Caches.bin";
    FolderWriteLock lock(dir);
    if (!lock.ok()) return ErrorResult(lock.error(), W("Fehler beim Update der CacheDB."));
    const auto appended = [&]() -> Result<void> {
        if (AppendCacheRec(rec)) return {};
        return ErrorResult(ErrnoOr(EIO), W("Fehler beim Update der CacheDB."));
    };
    UniqueFd fd = OpenForUpdate(path, false);
    if (!fd.ok()) {
        const int code = ErrnoOr(EIO);
        // No database yet: the record becomes its first one.
        if (code == ENOENT) return appended();
        return ErrorResult(code, W("Kann Datei ") + path + W(" nicht lesen."));
    }
    TCacheRec scratch;
    if (!FindCacheByWaypoint(rec.Waypoint.view(), scratch)) {
        fd.Close();
        return appended();
    }
    // A slot written over keeps every record where it was: an index that fit
    // the file before still fits it, and keeps a time that says so.
    struct stat binSt {};
    struct stat idxSt {};
    const bool indexFits = ::fstat(fd.get(), &binSt) == 0 && StatIn(dir, "Caches.idx", idxSt) &&
                           IndexFileFits(binSt, idxSt);
    const auto bytes = EncodeCacheRec(rec);
    const InPlaceWrite written =
        OverwriteRecordInPlace(fd.get(), path, bytes, scratch.RecNo * static_cast<long long>(kRec));
    int code = written.code;
    if (code == 0) code = fd.Close();
    if (code != 0) return ErrorResult(code, RecordUpdateFailedText(rec, written.damaged));
    if (indexFits) ::utimensat(AT_FDCWD, FsName(dir + "Caches.idx").c_str(), nullptr, 0);
    return {};
}

InPlaceWrite OverwriteRecordInPlace(int fd, const std::string& path, const CacheRecBytes& bytes, long long offset) {
    CacheRecBytes old{};
    errno = 0;
    if (!ReadFullyAt(fd, old.data(), old.size(), offset)) return {ErrnoOr(EIO)};
    InPlaceWrite r;
    r.code = InjectedWriteFault(path, WriteStep::Write);
    if (r.code != 0) return r;
    r.code = InjectedWriteFault(path, WriteStep::Torn);
    if (r.code != 0)
        (void)WriteFully(fd, bytes.data(), bytes.size() / 2, offset);  // the half that went out
    else
        r.code = WriteFully(fd, bytes.data(), bytes.size(), offset);
    if (r.code == 0) return r;
    int restore = InjectedWriteFault(path, WriteStep::Restore);
    if (restore == 0) restore = WriteFully(fd, old.data(), old.size(), offset);
    if (restore != 0) {
        r.damaged = true;
        DebugLog("ERR: " + path + ": record at " + std::to_string(offset) +
                 " could not be restored after a failed write");
    }
    return r;
}

std::string RecordUpdateFailedText(const TCacheRec& rec, bool damaged) {
    std::string text = "Fehler beim Update der CacheDB.";
    if (damaged)
        text += W("\r\nDer Datensatz des Caches ") + rec.Waypoint.str() + " (" + rec.Name.str() +
                W(") konnte weder geschrieben noch wiederhergestellt werden und ist möglicherweise beschädigt.");
    return text;
}

Result<void> ReadCacheDB() {
    CacheDBList = std::make_unique<TCacheList>();
    const std::string path = CacheBinPath();
    auto& progress = platform::progress();
    Result<OpenedFile> file = OpenProgramFile(path);
    int code = file ? 0 : file.error().code;
    if (file) {
        const long long count = RecordCount(*file, kRec);
        if (count > 0) {
            progress.setRange(0, static_cast<int>(std::min<long long>(count, INT32_MAX)));
            CacheDBList->Reserve(static_cast<std::size_t>(count));
        }
    }
    progress.setAction(W("Cache-DB wird gelesen"));
    if (file) {
        code = ForEachRecord(*file, kRec, [&](const unsigned char* raw, long long recNo) {
            TCacheRec r = DecodeCacheRec(raw);
            CacheDBList->AddCache(r.Waypoint.view(), r);
            const long long n = recNo + 1;
            if (n % 100 == 0) {
                progress.setPosition(static_cast<int>(std::min<long long>(n, INT32_MAX)));
                platform::pump().pump();
            }
            return true;
        });
        const int closeCode = file->fd.Close();
        if (code == 0) code = closeCode;
    }
    progress.hide();
    if (code != 0) return ErrorResult(code, ReadErrorText(path));
    return {};
}

void FreeCacheDB() { CacheDBList.reset(); }

Result<void> DeleteCacheFromDB(std::string_view code) {
    // Read, rewrite and re-index as one step: a record another process
    // appended in between would be lost with the rewrite.
    FolderWriteLock lock(GetWorkDir());
    if (!lock.ok()) return ErrorResult(lock.error(), W("Fehler beim Update der CacheDB."));
    if (Result<void> read = ReadCacheDB(); !read) {
        // The old file stays: whatever could not be read would be lost.
        FreeCacheDB();
        return read;
    }
    const std::string path = CacheBinPath();
    int err = 0;
    {
        AtomicFileWriter out(path);
        std::vector<unsigned char> buf;
        buf.reserve(kRec * kChunkRecs);
        for (const auto& e : *CacheDBList) {
            if (!out.ok()) break;
            if (e.rec.Waypoint == code) continue;
            buf.resize(buf.size() + kRec);
            EncodeCacheRec(e.rec, buf.data() + buf.size() - kRec);
            if (buf.size() >= kRec * kChunkRecs) {
                out.Write(buf.data(), buf.size());
                buf.clear();
            }
        }
        out.Write(buf.data(), buf.size());
        out.Commit();
        err = out.error();
    }
    FreeCacheDB();
    if (err != 0) return ErrorResult(err, W("Fehler beim Update der CacheDB."));
    BuildCacheIndex();
    return {};
}

// ---------------------------------------------------------------------------
// Bulk helpers

Result<std::vector<TCacheRec>> ReadCacheFile(const std::string& path) {
    const Result<OpenedFile> file = OpenProgramFile(path);
    if (!file) return file.error();
    std::vector<TCacheRec> recs;
    recs.reserve(static_cast<std::size_t>(RecordCount(*file, kRec)));
    const int code = ForEachRecord(*file, kRec, [&](const unsigned char* raw, long long) {
        recs.push_back(DecodeCacheRec(raw));
        return true;
    });
    if (code != 0) return Error{code, ReadErrorText(path)};
    return recs;
}

namespace {

template <typename Rec, typename Range, void (*Enc)(const Rec&, unsigned char*)>
Result<void> WriteRecordsAtomic(const std::string& path, const Range& recs, std::size_t count) {
    std::string bytes(count * Rec::kSize, '\0');
    std::size_t i = 0;
    for (const Rec& r : recs) Enc(r, reinterpret_cast<unsigned char*>(bytes.data()) + (i++) * Rec::kSize);
    AtomicFileWriter out(path);
    out.Write(bytes);
    if (!out.Commit()) return ErrorResult(out.error(), WriteErrorText(path));
    return {};
}

}  // namespace

Result<void> WriteCacheFile(const std::string& path, const std::vector<TCacheRec>& recs) {
    FolderWriteLock lock(FolderOf(path));
    if (!lock.ok()) return ErrorResult(lock.error(), WriteErrorText(path));
    return WriteRecordsAtomic<TCacheRec, std::vector<TCacheRec>, &EncodeCacheRec>(path, recs, recs.size());
}

Result<void> AppendCacheFile(const std::string& path, const std::vector<TCacheRec>& recs) {
    FolderWriteLock lock(FolderOf(path));
    if (!lock.ok()) return ErrorResult(lock.error(), WriteErrorText(path));
    UniqueFd fd = OpenForUpdate(path, true);
    if (!fd.ok()) return ErrorResult(ErrnoOr(EACCES), WriteErrorText(path));
    const long long n = RecordCount(fd.get(), kRec);
    if (n < 0) return ErrorResult(ErrnoOr(EIO), WriteErrorText(path));
    const long long start = n * static_cast<long long>(kRec);
    const std::string bytes = EncodeCacheRecs(recs);
    constexpr std::size_t kPiece = kRec * 256;
    int err = 0;
    for (std::size_t at = 0; at < bytes.size() && err == 0; at += kPiece) {
        err = InjectedWriteFault(path, WriteStep::Write);
        if (err == 0)
            err = WriteFully(fd.get(), bytes.data() + at, std::min(kPiece, bytes.size() - at),
                             start + static_cast<long long>(at));
    }
    if (err != 0) {
        // What was appended before the failure goes again: a half-appended
        // batch, ending in a cut record, is no database anyone wrote.
        if (::ftruncate(fd.get(), static_cast<off_t>(start)) != 0)
            DebugLog("ERR: AppendCacheFile: " + path + " could not be cut back after a failed write");
        return ErrorResult(err, WriteErrorText(path));
    }
    err = fd.Close();
    if (err != 0) {
        ::truncate(FsName(path).c_str(), static_cast<off_t>(start));
        return ErrorResult(err, WriteErrorText(path));
    }
    return {};
}

Result<void> WriteFoundFile(const std::string& path, const TFoundList& list) {
    struct Recs {
        const TFoundList& l;
        struct It {
            std::vector<TFoundList::Entry>::const_iterator i;
            const TFoundRec& operator*() const { return i->rec; }
            It& operator++() {
                ++i;
                return *this;
            }
            bool operator!=(const It& o) const { return i != o.i; }
        };
        It begin() const { return {l.Entries().begin()}; }
        It end() const { return {l.Entries().end()}; }
    };
    return WriteRecordsAtomic<TFoundRec, Recs, &EncodeFoundRec>(path, Recs{list},
                                                                static_cast<std::size_t>(list.Count()));
}

}  // namespace tv
