#include "core/cache_db.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/number_format.h"
#include "core/proc_settings.h"
#include "core/str_util.h"
#include "platform/services.h"
#include "platform/text_encoding.h"

namespace tv {

TCacheIndexList CacheIndexList;
std::unique_ptr<TCacheList> CacheDBList;

namespace {

constexpr std::size_t kRec = TCacheRec::kSize;
constexpr std::size_t kIdxEntry = 24;
constexpr std::size_t kChunkRecs = 4096;  // records per read when streaming a file

// ---- Error reporting --------------------------------------------------------

// The one place where this file shows an I/O error to the user.
void ShowIoError(int code, const std::string& text) { ShowSysError(code, text); }

int ErrnoOr(int fallback) { return errno != 0 ? errno : fallback; }

// ---- POSIX file helpers -----------------------------------------------------

class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }
    // Closes and reports the close's result (0 or errno).
    int Close() {
        if (fd_ < 0) return 0;
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc == 0 ? 0 : ErrnoOr(EIO);
    }

private:
    int fd_ = -1;
};

Fd OpenRead(const std::string& path) {
    errno = 0;
    return Fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
}

// Reads up to n bytes from the current position; returns the count read
// (less than n only at end of file) or -1 with errno set.
ssize_t ReadUpTo(int fd, void* buf, std::size_t n) {
    std::size_t got = 0;
    auto* p = static_cast<char*>(buf);
    while (got < n) {
        const ssize_t r = ::read(fd, p + got, n - got);
        if (r < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    return static_cast<ssize_t>(got);
}

// Writes all n bytes at the current position (or at `offset` when >= 0);
// 0 or errno (ENOSPC when the system wrote nothing without saying why).
int WriteAll(int fd, const void* buf, std::size_t n, off_t offset = -1) {
    const auto* p = static_cast<const char*>(buf);
    std::size_t done = 0;
    while (done < n) {
        errno = 0;
        const ssize_t w = offset >= 0 ? ::pwrite(fd, p + done, n - done, offset + static_cast<off_t>(done))
                                      : ::write(fd, p + done, n - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            return ErrnoOr(EIO);
        }
        if (w == 0) return ErrnoOr(ENOSPC);
        done += static_cast<std::size_t>(w);
    }
    return 0;
}

// Number of whole records in an open file; -1 with errno on failure.
long long RecordCount(int fd, std::size_t recSize) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return -1;
    return static_cast<long long>(st.st_size) / static_cast<long long>(recSize);
}

// Streams the whole records of a file in chunks: `each(const unsigned char*
// rec, long long recNo)` for every record. A trailing partial record is not a
// record. Returns 0 or the errno of a failed read.
template <typename Fn>
int ForEachRecord(int fd, std::size_t recSize, Fn&& each) {
    std::vector<unsigned char> buf(recSize * kChunkRecs);
    long long recNo = 0;
    for (;;) {
        errno = 0;
        const ssize_t got = ReadUpTo(fd, buf.data(), buf.size());
        if (got < 0) return ErrnoOr(EIO);
        const std::size_t whole = static_cast<std::size_t>(got) / recSize;
        for (std::size_t i = 0; i < whole; ++i) {
            if (!each(buf.data() + i * recSize, recNo++)) return 0;
        }
        if (static_cast<std::size_t>(got) < buf.size()) return 0;
    }
}

// A whole-file replacement: writes go to `path` + ".tmp"; Commit() flushes,
// closes and renames it over `path`; anything else removes the temporary
// file and leaves `path` as it was.
class AtomicFile {
public:
    explicit AtomicFile(std::string path) : path_(std::move(path)), tmp_(path_ + ".tmp") {
        errno = 0;
        fd_ = ::open(tmp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd_ < 0) openError_ = error_ = ErrnoOr(EACCES);
    }
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile() {
        if (fd_ >= 0) ::close(fd_);
        if (openError_ == 0 && !committed_) ::unlink(tmp_.c_str());
    }
    // 0 or the errno of the failed creation of the temporary file.
    int openError() const { return openError_; }

    // 0 or errno; after the first error nothing more is written.
    int Write(const void* data, std::size_t n) {
        if (error_ != 0) return error_;
        if (n == 0) return 0;
        error_ = WriteAll(fd_, data, n);
        return error_;
    }
    int Commit(bool sync) {
        if (error_ != 0) return error_;
        errno = 0;
        if (sync && ::fsync(fd_) != 0) return error_ = ErrnoOr(EIO);
        const int rc = ::close(fd_);
        fd_ = -1;
        if (rc != 0) return error_ = ErrnoOr(EIO);
        errno = 0;
        if (::rename(tmp_.c_str(), path_.c_str()) != 0) return error_ = ErrnoOr(EIO);
        committed_ = true;
        return 0;
    }

private:
    std::string path_, tmp_;
    int fd_ = -1;
    int error_ = 0;
    int openError_ = 0;
    bool committed_ = false;
};

Result<void> ErrorResult(int code, std::string message) { return Error{code, std::move(message)}; }

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
            dirFd_ = ::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            if (dirFd_ < 0) return -1;
        }
        struct stat st {};
        if (::fstatat(dirFd_, "Caches.bin", &st, 0) != 0) {
            Reset();
            return -1;
        }
        if (fd_ >= 0 && st.st_dev == dev_ && st.st_ino == ino_) return fd_;
        Reset();
        fd_ = ::openat(dirFd_, "Caches.bin", O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) return -1;
        struct stat opened {};
        if (::fstat(fd_, &opened) != 0) {
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
    Fd fd = OpenRead(CacheBinPath());
    if (!fd.ok()) return false;
    bool found = false;
    ForEachRecord(fd.get(), kRec, [&](const unsigned char* raw, long long recNo) {
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
int ParseCacheDBRest(std::string line, TCacheRec& rec) {

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
std::optional<int> ParseCacheDBRestFast(std::string_view line, TCacheRec& rec) {
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

int ParseCacheDBLine(std::string_view lineIn, TCacheRec& rec) {
    rec = TCacheRec{};
    if (!lineIn.empty() && lineIn.front() == '#') return -1;
    const std::size_t blank = lineIn.find(' ');
    if (blank == std::string_view::npos) return -1;
    if (!ParseInt32(lineIn.substr(0, blank), rec.Id)) return -1;
    const std::string_view rest = lineIn.substr(blank + 1);
    if (const auto fast = ParseCacheDBRestFast(rest, rec)) return *fast;
    const std::int32_t id = rec.Id;
    rec = TCacheRec{};
    rec.Id = id;
    return ParseCacheDBRest(std::string(rest), rec);
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
    errno = 0;
    Fd fd(::open(FsName(idxPath).c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.ok()) return std::nullopt;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || st.st_size != static_cast<off_t>(recordCount) * static_cast<off_t>(kIdxEntry))
        return std::nullopt;
    std::vector<TCacheIndexList::Entry> entries;
    entries.reserve(static_cast<std::size_t>(recordCount));
    std::vector<bool> seen(static_cast<std::size_t>(recordCount), false);
    bool good = true;
    const int err = ForEachRecord(fd.get(), kIdxEntry, [&](const unsigned char* raw, long long) {
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
        ::unlink(FsName(idxPath).c_str());
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
    Fd bin = OpenRead(dir + "Caches.bin");
    if (!bin.ok()) return -1;

    SyncIndexFolder(dir);
    Reader().Forget();
    std::vector<TCacheIndexList::Entry> entries;
    const long long count = RecordCount(bin.get(), kRec);
    if (count > 0) entries.reserve(static_cast<std::size_t>(count));
    const int readErr = ForEachRecord(bin.get(), kRec, [&](const unsigned char* raw, long long recNo) {
        entries.push_back({CacheKeyOfRecord(raw), static_cast<std::int32_t>(recNo)});
        return true;
    });
    bin.Close();
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
        AtomicFile out(idxPath);
        if (out.openError() != 0) {
            result = -3;
        } else if (out.Write(bytes.data(), bytes.size()) != 0 || out.Commit(false) != 0) {
            result = -4;
        }
    }
    if (result != 0) {
        // An index that no longer matches Caches.bin is worse than none:
        // without it, lookups scan.
        ::unlink(idxPath.c_str());
        return result;
    }
    // The same entries the next lookup would load from the file.
    CacheIndexList.Assign(std::move(entries));
    return 0;
}

void LoadCacheIndex() {
    const std::string dir = GetWorkDir();
    CacheIndexList.Clear();
    CacheIndexList.SetDir(dir);
    Reader().Forget();
    Fd fd = OpenRead(dir + "Caches.idx");
    if (!fd.ok()) return;
    std::vector<TCacheIndexList::Entry> entries;
    const long long count = RecordCount(fd.get(), kIdxEntry);
    if (count > 0) entries.reserve(static_cast<std::size_t>(count));
    ForEachRecord(fd.get(), kIdxEntry, [&](const unsigned char* raw, long long) {
        // A key of another length can never equal a 16-character lookup key.
        if (raw[0] != 16) return true;
        TCacheIndexList::Entry e;
        std::memcpy(e.key.data(), raw + 1, 16);
        std::memcpy(&e.recNo, raw + 20, 4);
        entries.push_back(e);
        return true;
    });
    CacheIndexList.Assign(std::move(entries));
}

bool FindCacheByWaypoint(std::string_view code, TCacheRec& rec) {
    if (code.empty()) return false;
    const std::string dir = GetWorkDir();
    SyncIndexFolder(dir);
    if (CacheIndexList.empty()) LoadCacheIndex();
    const auto key = MakeCacheKey(code);
    if (CacheIndexList.empty()) {
        // Without an index: compare the stored codes as the index would.
        if (!key) {
            rec = TCacheRec{};
            return false;
        }
        return ScanFor([&](const unsigned char* raw) { return CompareKeys(CacheKeyOfRecord(raw), *key) == 0; }, rec);
    }
    const std::optional<std::int32_t> recNo = key ? CacheIndexList.Find(*key) : std::nullopt;
    rec = TCacheRec{};
    if (!recNo) return false;
    TCacheRec found;
    if (!ReadRecordAt(dir, *recNo, found)) return false;
    rec = found;
    return true;
}

bool ScanCacheDB(std::string_view code, TCacheRec& rec) {
    return ScanFor([&](const unsigned char* raw) { return SameStoredCode(raw, code); }, rec);
}

bool AppendCacheRec(const TCacheRec& rec) {
    TCacheRec scratch;
    if (FindCacheByWaypoint(rec.Waypoint.view(), scratch)) return false;
    const std::string dir = GetWorkDir();
    errno = 0;
    Fd fd(::open((dir + "Caches.bin").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!fd.ok()) return false;
    const long long recNo = RecordCount(fd.get(), kRec);
    if (recNo < 0 || recNo > INT32_MAX) return false;
    // A trailing partial record is overwritten, as the file holds whole records only.
    const auto bytes = EncodeCacheRec(rec);
    if (WriteAll(fd.get(), bytes.data(), bytes.size(), static_cast<off_t>(recNo) * static_cast<off_t>(kRec)) != 0)
        return false;
    if (fd.Close() != 0) return false;
    // A loaded index learns the new code, so one run never appends it twice.
    const auto key = MakeCacheKey(rec.Waypoint.view());
    SyncIndexFolder(dir);
    if (key && !CacheIndexList.empty()) CacheIndexList.Add(*key, static_cast<std::int32_t>(recNo));
    return true;
}

bool StoreCacheRec(const TCacheRec& rec) {
    const std::string dir = GetWorkDir();
    const std::string path = dir + "Caches.bin";
    errno = 0;
    Fd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (!fd.ok()) {
        const int code = ErrnoOr(EIO);
        // No database yet: the record becomes its first one.
        if (code == ENOENT) return AppendCacheRec(rec);
        ShowIoError(code, W("Kann Datei ") + path + W(" nicht lesen."));
        return false;
    }
    TCacheRec scratch;
    if (!FindCacheByWaypoint(rec.Waypoint.view(), scratch)) {
        fd.Close();
        return AppendCacheRec(rec);
    }
    const auto bytes = EncodeCacheRec(rec);
    int code = WriteAll(fd.get(), bytes.data(), bytes.size(),
                        static_cast<off_t>(scratch.RecNo) * static_cast<off_t>(kRec));
    if (code == 0) code = fd.Close();
    if (code != 0) {
        ShowIoError(code, W("Fehler beim Update der CacheDB."));
        return false;
    }
    return true;
}

bool ReadCacheDB() {
    CacheDBList = std::make_unique<TCacheList>();
    const std::string path = CacheBinPath();
    auto& progress = platform::progress();
    Fd fd = OpenRead(path);
    int code = fd.ok() ? 0 : ErrnoOr(ENOENT);
    if (fd.ok()) {
        const long long count = RecordCount(fd.get(), kRec);
        if (count > 0) {
            progress.setRange(0, static_cast<int>(std::min<long long>(count, INT32_MAX)));
            CacheDBList->Reserve(static_cast<std::size_t>(count));
        }
    }
    progress.setAction(W("Cache-DB wird gelesen"));
    if (fd.ok()) {
        code = ForEachRecord(fd.get(), kRec, [&](const unsigned char* raw, long long recNo) {
            TCacheRec r = DecodeCacheRec(raw);
            CacheDBList->AddCache(r.Waypoint.view(), r);
            const long long n = recNo + 1;
            if (n % 100 == 0) {
                progress.setPosition(static_cast<int>(std::min<long long>(n, INT32_MAX)));
                platform::pump().pump();
            }
            return true;
        });
        const int closeCode = fd.Close();
        if (code == 0) code = closeCode;
    }
    progress.hide();
    if (code != 0) {
        ShowIoError(code, ReadErrorText(path));
        return false;
    }
    return true;
}

void FreeCacheDB() { CacheDBList.reset(); }

bool DeleteCacheFromDB(std::string_view code) {
    if (!ReadCacheDB()) {
        // The old file stays: whatever could not be read would be lost.
        FreeCacheDB();
        return false;
    }
    const std::string path = CacheBinPath();
    int err = 0;
    {
        AtomicFile out(path);
        err = out.openError();
        std::vector<unsigned char> buf;
        buf.reserve(kRec * kChunkRecs);
        for (const auto& e : *CacheDBList) {
            if (err != 0) break;
            if (e.rec.Waypoint == code) continue;
            buf.resize(buf.size() + kRec);
            EncodeCacheRec(e.rec, buf.data() + buf.size() - kRec);
            if (buf.size() >= kRec * kChunkRecs) {
                err = out.Write(buf.data(), buf.size());
                buf.clear();
            }
        }
        if (err == 0) err = out.Write(buf.data(), buf.size());
        if (err == 0) err = out.Commit(true);
    }
    FreeCacheDB();
    if (err != 0) {
        ShowIoError(err, W("Fehler beim Update der CacheDB."));
        return false;
    }
    BuildCacheIndex();
    return true;
}

// ---------------------------------------------------------------------------
// Bulk helpers

Result<std::vector<TCacheRec>> ReadCacheFile(const std::string& path) {
    Fd fd = OpenRead(path);
    if (!fd.ok()) {
        const int code = ErrnoOr(ENOENT);
        return Error{code, ReadErrorText(path)};
    }
    std::vector<TCacheRec> recs;
    const long long count = RecordCount(fd.get(), kRec);
    if (count > 0) recs.reserve(static_cast<std::size_t>(count));
    const int code = ForEachRecord(fd.get(), kRec, [&](const unsigned char* raw, long long) {
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
    AtomicFile out(path);
    int err = out.openError();
    if (err == 0) err = out.Write(bytes.data(), bytes.size());
    if (err == 0) err = out.Commit(true);
    if (err != 0) return ErrorResult(err, WriteErrorText(path));
    return {};
}

}  // namespace

Result<void> WriteCacheFile(const std::string& path, const std::vector<TCacheRec>& recs) {
    return WriteRecordsAtomic<TCacheRec, std::vector<TCacheRec>, &EncodeCacheRec>(path, recs, recs.size());
}

Result<void> AppendCacheFile(const std::string& path, const std::vector<TCacheRec>& recs) {
    errno = 0;
    Fd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!fd.ok()) return ErrorResult(ErrnoOr(EACCES), WriteErrorText(path));
    const long long n = RecordCount(fd.get(), kRec);
    if (n < 0) return ErrorResult(ErrnoOr(EIO), WriteErrorText(path));
    std::string bytes = EncodeCacheRecs(recs);
    int err = WriteAll(fd.get(), bytes.data(), bytes.size(), static_cast<off_t>(n) * static_cast<off_t>(kRec));
    if (err == 0) err = fd.Close();
    if (err != 0) return ErrorResult(err, WriteErrorText(path));
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
