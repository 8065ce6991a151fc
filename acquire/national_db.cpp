#include "acquire/national_db.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_set>
#include <vector>

#include "core/cache_db.h"
#include "core/cachedb_table.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/number_format.h"
#include "core/proc_settings.h"
#include "platform/services.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

constexpr std::size_t kRec = TCacheRec::kSize;
constexpr std::size_t kReadBlock = 1u << 20;
constexpr std::size_t kWriteBlock = kRec * 4096;

// Closes its descriptor when it goes out of scope.
class FdGuard {
public:
    explicit FdGuard(int fd) : fd_(fd) {}
    ~FdGuard() { Close(); }
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }
    int Close() {
        int r = 0;
        if (fd_ >= 0) r = ::close(fd_);
        fd_ = -1;
        return r;
    }

private:
    int fd_;
};

// read() that retries on EINTR; -1 on error.
ssize_t ReadSome(int fd, char* buf, std::size_t n) {
    for (;;) {
        const ssize_t r = ::read(fd, buf, n);
        if (r < 0 && errno == EINTR) continue;
        return r;
    }
}

// errno of the last call, or `fallback` when it left none.
int ErrnoOr(int fallback) { return errno != 0 ? errno : fallback; }

bool PwriteAll(int fd, const char* buf, std::size_t n, off_t offset) {
    while (n > 0) {
        const ssize_t w = ::pwrite(fd, buf, n, offset);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            if (w == 0) errno = EIO;
            return false;
        }
        buf += w;
        n -= static_cast<std::size_t>(w);
        offset += w;
    }
    return true;
}

using KeySet = std::unordered_set<CacheKey, CacheKeyHash>;

// Calls `each(raw record)` for every whole record of the file; a trailing
// partial record is ignored. False on a read error (errno set).
template <typename Fn>
bool ForEachRaw(int fd, Fn&& each) {
    std::vector<char> buf(kRec * 4096);
    std::size_t have = 0;
    for (;;) {
        const ssize_t r = ReadSome(fd, buf.data() + have, buf.size() - have);
        if (r < 0) return false;
        if (r == 0) return true;
        have += static_cast<std::size_t>(r);
        const std::size_t whole = have / kRec * kRec;
        for (std::size_t off = 0; off < whole; off += kRec)
            each(reinterpret_cast<const unsigned char*>(buf.data() + off));
        std::memmove(buf.data(), buf.data() + whole, have - whole);
        have -= whole;
    }
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

// ---------------------------------------------------------------------------
// Lines

void NationalLineSplitter::Emit() {
    // An empty line (a blank line, the end after a final line break, or the
    // break right after a cut at 513 characters) is not a line of the list.
    if (!line_.empty()) onLine_(line_);
    line_.clear();
}

void NationalLineSplitter::Feed(std::string_view bytes) {
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\r') continue;
        if (c == '\t') {
            line_.push_back(' ');
        } else if (c >= 32) {
            line_.push_back(ch);
        } else {
            Emit();
            continue;
        }
        if (line_.size() >= kNationalLineMax) Emit();
    }
}

void NationalLineSplitter::Finish() { Emit(); }

std::vector<std::string> SplitNationalLines(std::string_view bytes) {
    std::vector<std::string> lines;
    NationalLineSplitter s([&](std::string_view l) { lines.emplace_back(l); });
    s.Feed(bytes);
    s.Finish();
    return lines;
}

std::int32_t LookupCountryByFile(std::string_view fileName) {
    const std::string wanted = FoldListKey(fileName);
    std::int32_t id = 0;
    for (const TCacheDBEntry& e : CacheDBTable().Entries())
        if (FoldListKey(e.FileName) == wanted) id = e.CountryID;
    return id;
}

std::string NearestQuestionText(int newCount, double distanceKm, double bearing) {
    return "Es wurden " + std::to_string(newCount) + W(" neue Caches in die Datenbank eingefügt.") + "\r\n\r\n" +
           W("Der nächstgelegene der neuen Caches liegt von den hinterlegten Home-Koordinaten in ") +
           FormatFixed(distanceKm, 15, 1) + " km Entfernung in Richtung " + FormatFixed(bearing, 15, 0) +
           " Grad.\r\n\r\nDetailansicht dieses Caches zeigen?";
}

// ---------------------------------------------------------------------------
// Converter

void NationalDbConverter::Action(const std::string& text) {
    if (events_.action) events_.action(text);
}

void NationalDbConverter::Progress(int n) {
    if (events_.progress) events_.progress(n);
    platform::pump().pump();
}

int NationalDbConverter::ConverteHTTP(bool ShowNearest) {
    converted_ = incomplete_ = failed_ = newCount_ = 0;
    Action("Cache-Datenbank wird eingelesen.");
    const LatLon home = home_ ? *home_ : LatLon{ProcSettings.HomeLat, ProcSettings.HomeLong};
    const std::int32_t country = LookupCountryByFile(BaseName(source_));

    struct stat st {};
    const bool merge = ::stat(FsName(dest_).c_str(), &st) == 0;
    const std::string outPath = merge ? dest_ + ".tmp" : dest_;
    const int r = Convert(outPath, country, home);
    if (r < 0) return r;
    if (merge) Merge(outPath, home, ShowNearest);
    return converted_;
}

int NationalDbConverter::Convert(const std::string& outPath, std::int32_t country, LatLon home) {
    FdGuard in(::open(FsName(source_).c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.ok()) return kConvSourceError;
    // Written beside the target and renamed over it at the end, so that a
    // failed conversion never leaves a cut database behind.
    AtomicFileWriter out(outPath);
    if (!out.ok()) return kConvOutputError;

    std::string pending;
    pending.reserve(kWriteBlock + kRec);
    bool writeFailed = false;
    TCacheRec rec;
    NationalLineSplitter splitter([&](std::string_view line) {
        const int r = ParseCacheDBLine(line, rec);
        if (r < 0) {
            ++failed_;
            if (DebugMode) {
                WriteDebugLog("ERR: frmGCDBReader.ConverteHTTP: malformed line found:");
                WriteDebugLog(line);
            }
        } else {
            if (r > 0)
                ++incomplete_;
            else
                ++converted_;
            double km = 0.0, bearing = 0.0;
            // A distance that cannot be computed is stored as 0.
            if (!CalcDistanceBearing(km, bearing, home.lat, home.lon, rec.Lat, rec.Lon)) km = 0.0;
            rec.Distance = static_cast<float>(km);
            rec.CountryId = country;
            rec.InDB = 1;
            const std::size_t at = pending.size();
            pending.resize(at + kRec);
            EncodeCacheRec(rec, reinterpret_cast<unsigned char*>(pending.data() + at));
            if (pending.size() >= kWriteBlock) {
                if (!out.Write(pending)) writeFailed = true;
                pending.clear();
            }
        }
        const int sum = converted_ + incomplete_ + failed_;
        if (sum % 100 == 0) Progress(sum);
    });

    std::vector<char> buf(kReadBlock);
    for (;;) {
        const ssize_t n = ReadSome(in.get(), buf.data(), buf.size());
        if (n < 0) return kConvReadError;
        if (n == 0) break;
        splitter.Feed(std::string_view(buf.data(), static_cast<std::size_t>(n)));
        if (writeFailed) return kConvWriteError;
    }
    splitter.Finish();
    Progress(converted_ + incomplete_ + failed_);
    if (!pending.empty() && !out.Write(pending)) writeFailed = true;
    if (writeFailed || !out.Commit()) return kConvWriteError;
    return converted_;
}

void NationalDbConverter::Merge(const std::string& tmpPath, LatLon home, bool showNearest) {
    Action(W("Cache-Datenbanken werden zusammengeführt."));
    newCount_ = 0;

    // The codes of the database, compared as its index compares them.
    KeySet known;
    {
        struct stat st {};
        if (::stat(FsName(dest_).c_str(), &st) == 0) known.reserve(static_cast<std::size_t>(st.st_size) / kRec + 1024);
        FdGuard db(::open(FsName(dest_).c_str(), O_RDONLY | O_CLOEXEC));
        errno = 0;
        if (!db.ok() || !ForEachRaw(db.get(), [&](const unsigned char* raw) { known.insert(CacheKeyOfRecord(raw)); })) {
            ShowSysError(ErrnoOr(EIO), W("Fehler beim Schreiben auf Datei ") + dest_);
            return;
        }
    }

    FdGuard tmp(::open(FsName(tmpPath).c_str(), O_RDONLY | O_CLOEXEC));
    errno = 0;
    FdGuard db(::open(FsName(dest_).c_str(), O_WRONLY | O_CLOEXEC));
    struct stat st {};
    if (!tmp.ok() || !db.ok() || ::fstat(db.get(), &st) != 0) {
        ShowSysError(ErrnoOr(EIO), W("Fehler beim Schreiben auf Datei ") + dest_);
        return;
    }
    const off_t oldSize = st.st_size;
    // A trailing partial record is not a record: the first new one replaces it.
    const off_t start = oldSize / static_cast<off_t>(kRec) * static_cast<off_t>(kRec);
    off_t at = start;

    std::string pending;
    pending.reserve(kWriteBlock + kRec);
    int errCode = 0;
    int position = 0;
    int added = 0;
    std::optional<TCacheRec> nearest;
    double nearestKm = std::numeric_limits<double>::infinity();
    double nearestBearing = 0.0;

    auto flush = [&] {
        if (errCode == 0 && !pending.empty()) {
            errno = 0;
            if (PwriteAll(db.get(), pending.data(), pending.size(), at))
                at += static_cast<off_t>(pending.size());
            else
                errCode = ErrnoOr(EIO);
        }
        pending.clear();
    };

    errno = 0;
    const bool readOk = ForEachRaw(tmp.get(), [&](const unsigned char* raw) {
        if (++position % 100 == 0) Progress(position);
        if (errCode != 0) return;
        // Codes repeated within the list are taken once, like codes known before.
        if (!known.insert(CacheKeyOfRecord(raw)).second) return;
        if (showNearest) {
            TCacheRec rec = DecodeCacheRec(raw);
            double km = 0.0, bearing = 0.0;
            // Caches whose distance cannot be computed take no part in the choice.
            if (CalcDistanceBearing(km, bearing, home.lat, home.lon, rec.Lat, rec.Lon) && km < nearestKm) {
                nearestKm = km;
                nearestBearing = bearing;
                rec.RecNo = static_cast<std::int32_t>(start / static_cast<off_t>(kRec)) + added;
                nearest = rec;
            }
        }
        pending.append(reinterpret_cast<const char*>(raw), kRec);
        ++added;
        if (pending.size() >= kWriteBlock) flush();
    });
    if (!readOk && errCode == 0) errCode = ErrnoOr(EIO);
    flush();
    Progress(position);
    if (errCode == 0 && db.Close() != 0) errCode = ErrnoOr(EIO);

    if (errCode != 0) {
        // The database goes back to what it was, so that nothing half-merged stays.
        const int undone = db.ok() ? ::ftruncate(db.get(), oldSize) : ::truncate(FsName(dest_).c_str(), oldSize);
        if (undone != 0) DebugLog("ERR: frmGCDBReader.ConverteHTTP: database could not be cut back after a failed merge");
        db.Close();
        ShowSysError(errCode, W("Fehler beim Schreiben auf Datei ") + dest_);
        BuildCacheIndex();
        return;
    }
    if (added == 0) return;
    BuildCacheIndex();
    newCount_ = added;

    if (showNearest && nearest) {
        const auto answer = platform::messages().show(platform::MsgKind::Confirmation,
                                                      NearestQuestionText(added, nearestKm, nearestBearing),
                                                      platform::MsgButtons::YesNo);
        if (answer == platform::MsgResult::Yes && events_.showDetails) events_.showDetails(*nearest);
    }
}

}  // namespace tv
