#include "acquire/national_db.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
#include "core/work_lock.h"
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

// The records of a conversion on their way to disk: the database itself
// through the atomic writer, or the merge's scratch file "Caches.bin.tmp",
// which only this run reads back, written plainly and without a flush to
// the disk (nothing is lost when it is cut short).
class RecordSink {
public:
    RecordSink(const std::string& path, bool scratch) : path_(path) {
        if (scratch) {
            errno = 0;
            error_ = InjectedWriteFault(path, WriteStep::Create);
            const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
            scratch_.emplace(error_ != 0 ? -1 : ::open(FsName(path).c_str(), flags, 0644));
            ok_ = opened_ = scratch_->ok();
            if (!ok_ && error_ == 0) error_ = ErrnoOr(EIO);
            // A program starting on the folder meanwhile keeps it (the merge
            // that reads it back holds the folder's write lock instead).
            if (opened_) MarkWriteAtWork(scratch_->get());
        } else {
            atomic_.emplace(path);
            ok_ = atomic_->ok();
            if (!ok_) error_ = atomic_->error() != 0 ? atomic_->error() : EIO;
        }
    }
    ~RecordSink() {
        // A cut scratch file is no use to anyone.
        if (scratch_ && opened_ && !committed_) {
            scratch_->Close();
            ::unlink(FsName(path_).c_str());
        }
    }
    RecordSink(const RecordSink&) = delete;
    RecordSink& operator=(const RecordSink&) = delete;
    bool ok() const { return ok_; }
    // 0, or the errno of the first failure.
    int error() const { return error_; }
    bool Write(std::string_view bytes) {
        if (!ok_) return false;
        if (atomic_) return Failed(atomic_->Write(bytes) ? 0 : atomic_->error());
        if (const int fault = InjectedWriteFault(path_, WriteStep::Write); fault != 0) return Failed(fault);
        for (std::size_t done = 0; done < bytes.size();) {
            errno = 0;
            const ssize_t w = ::write(scratch_->get(), bytes.data() + done, bytes.size() - done);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return Failed(w == 0 ? ENOSPC : ErrnoOr(EIO));
            done += static_cast<std::size_t>(w);
        }
        return true;
    }
    bool Commit() {
        if (!ok_) return false;
        if (atomic_) return Failed(atomic_->Commit() ? 0 : atomic_->error());
        errno = 0;
        committed_ = scratch_->Close() == 0;
        return Failed(committed_ ? 0 : ErrnoOr(EIO));
    }

private:
    // Notes the errno of a failure; true for 0 (no failure).
    bool Failed(int code) {
        if (code == 0) return true;
        error_ = code;
        return ok_ = false;
    }

    std::string path_;
    std::optional<AtomicFileWriter> atomic_;
    std::optional<FdGuard> scratch_;
    int error_ = 0;
    bool ok_ = false;
    bool opened_ = false;  // the scratch file is ours to remove
    bool committed_ = false;
};

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

// ---------------------------------------------------------------------------
// Lines

namespace {

// Splits `bytes` into list lines; `line` carries an unfinished line from one
// piece of the stream to the next. Lines that lie whole in `bytes` reach
// `emit` as views into it, without a copy.
template <typename Emit>
void SplitLines(std::string& line, std::string_view bytes, Emit&& emit) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    auto flush = [&](std::string_view run) {
        // An empty line (a blank line, the end after a final line break, or
        // the break right after a cut at 513 characters) is not a line.
        if (line.empty()) {
            if (!run.empty()) emit(run);
        } else {
            line.append(run);
            emit(std::string_view(line));
            line.clear();
        }
    };
    std::size_t i = 0;
    while (i < n) {
        const std::size_t room = kNationalLineMax - line.size();
        std::size_t j = i;
        const std::size_t stop = std::min(n, i + room);
        while (j < stop && b[j] >= 32) ++j;
        const std::string_view run(bytes.data() + i, j - i);
        if (j - i == room) {  // the line is full
            flush(run);
            i = j;
            continue;
        }
        if (j == n) {
            line.append(run);
            return;
        }
        const unsigned char c = b[j];
        if (c == '\r') {
            if (line.empty() && j + 1 < n && b[j + 1] == '\n') {
                flush(run);
                i = j + 2;
            } else {
                line.append(run);
                i = j + 1;
            }
        } else if (c == '\t') {
            line.append(run);
            line.push_back(' ');
            if (line.size() >= kNationalLineMax) flush({});
            i = j + 1;
        } else {
            flush(run);
            i = j + 1;
        }
    }
}

}  // namespace

void NationalLineSplitter::Emit() {
    if (!line_.empty()) onLine_(line_);
    line_.clear();
}

void NationalLineSplitter::Feed(std::string_view bytes) {
    SplitLines(line_, bytes, [&](std::string_view l) { onLine_(l); });
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

std::string MergeScratchPath(const std::string& database) { return database + ".tmp"; }

void NationalDbConverter::Action(const std::string& text) {
    if (events_.action) events_.action(text);
}

void NationalDbConverter::Progress(int n) {
    if (events_.progress) events_.progress(n);
    platform::pump().pump();
}

int NationalDbConverter::ConverteHTTP(bool ShowNearest) {
    converted_ = incomplete_ = failed_ = newCount_ = 0;
    refused_ = RefusedCodes{};
    errorFile_.clear();
    errorCode_ = 0;
    Action("Cache-Datenbank wird eingelesen.");
    const LatLon home = home_ ? *home_ : LatLon{ProcSettings.HomeLat, ProcSettings.HomeLong};
    const std::int32_t country = LookupCountryByFile(BaseName(source_));

    struct stat st {};
    const bool merge = ::stat(FsName(dest_).c_str(), &st) == 0;
    // The merge appends to the database in place: only to a regular file,
    // never into a folder, a pipe (whose open would wait for a reader) or a
    // device, nor into a file too large to be a database.
    if (merge) {
        if (const auto db = OpenProgramFile(dest_); !db) {
            errorFile_ = dest_;
            errorCode_ = db.error().code;
            return kConvOutputError;
        }
    }
    const std::string outPath = merge ? MergeScratchPath(dest_) : dest_;
    // A new database of the work folder gets its index from the entries
    // gathered while its records are written.
    const bool indexHere = !merge && dest_ == CacheBinPath();
    std::vector<TCacheIndexList::Entry> entries;
    const int r = Convert(outPath, country, home, indexHere ? &entries : nullptr);
    if (r < 0) return r;
    if (indexHere) {
        SortIndexEntries(entries);
        WriteCacheIndexEntries(std::move(entries));
    }
    if (merge && !Merge(outPath, home, ShowNearest)) return kConvMergeError;
    return converted_;
}

int NationalDbConverter::Convert(const std::string& outPath, std::int32_t country, LatLon home,
                                 std::vector<TCacheIndexList::Entry>* entries) {
    const auto source = OpenProgramFile(source_);
    if (!source) {
        errorFile_ = source_;
        errorCode_ = source.error().code;
        return kConvSourceError;
    }
    const int in = source->fd.get();
    long long left = source->size;  // never more than the list held when opened
    // A new database is written beside the target and renamed over it at the
    // end, so that a failed conversion never leaves a cut database behind.
    RecordSink out(outPath, outPath != dest_);
    auto outFailed = [&](int result) {
        errorFile_ = outPath;
        errorCode_ = out.error();
        return result;
    };
    if (!out.ok()) return outFailed(kConvOutputError);

    std::string pending;
    pending.reserve(kWriteBlock + kRec);
    bool writeFailed = false;
    std::int32_t written = 0;
    if (entries) entries->reserve(static_cast<std::size_t>(source->size) / 80 + 16);
    TCacheRec rec;
    std::string code;
    auto onLine = [&](std::string_view line) {
        const int r = ParseCacheDBLine(line, rec, &code);
        if (r < 0) {
            ++failed_;
            if (DebugMode) {
                WriteDebugLog("ERR: frmGCDBReader.ConverteHTTP: malformed line found:");
                WriteDebugLog(line);
            }
        } else if (refused_.Admit(code)) {
            // (A code that is no safe code is counted and skipped: codes name
            // files later on, and one cut to 16 characters is another cache's.)
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
            auto* raw = reinterpret_cast<unsigned char*>(pending.data() + at);
            EncodeCacheRec(rec, raw);
            if (entries) entries->push_back({CacheKeyOfRecord(raw), written});
            ++written;
            if (pending.size() >= kWriteBlock) {
                if (!out.Write(pending)) writeFailed = true;
                pending.clear();
            }
        }
        const int sum = converted_ + incomplete_ + failed_ + refused_.count();
        if (sum % 100 == 0) Progress(sum);
    };

    std::string carry;
    std::vector<char> buf(kReadBlock);
    while (left > 0) {
        const ssize_t n = ReadSome(in, buf.data(), static_cast<std::size_t>(std::min<long long>(left, buf.size())));
        if (n < 0) {
            errorFile_ = source_;
            errorCode_ = ErrnoOr(EIO);
            return kConvReadError;
        }
        if (n == 0) break;
        left -= n;
        SplitLines(carry, std::string_view(buf.data(), static_cast<std::size_t>(n)), onLine);
        if (writeFailed) return outFailed(kConvWriteError);
    }
    if (!carry.empty()) onLine(carry);
    Progress(converted_ + incomplete_ + failed_ + refused_.count());
    if (!pending.empty() && !out.Write(pending)) writeFailed = true;
    if (writeFailed || !out.Commit()) return outFailed(kConvWriteError);
    return converted_;
}

bool NationalDbConverter::Merge(const std::string& tmpPath, LatLon home, bool showNearest) {
    Action(W("Cache-Datenbanken werden zusammengeführt."));
    newCount_ = 0;
    // No other change of the database may come between reading its codes and
    // appending the new records. A merge cut short leaves whole records (a cut
    // last one is overwritten by the next write) and the index is rebuilt on
    // use, so running it again completes it.
    FolderWriteLock lock(dest_.substr(0, dest_.find_last_of('/') + 1));
    if (!lock.ok()) {
        ShowSysError(lock.error(), W("Fehler beim Schreiben auf Datei ") + dest_);
        return false;
    }

    errno = 0;
    FdGuard tmp(::open(FsName(tmpPath).c_str(), O_RDONLY | O_CLOEXEC));
    const int tmpError = ErrnoOr(EIO);
    // Never waits on a pipe put there meanwhile; only a regular file is written.
    Result<OpenedFile> opened = OpenProgramFile(dest_, O_WRONLY);
    if (!tmp.ok() || !opened) {
        ShowSysError(!opened ? opened.error().code : tmpError, W("Fehler beim Schreiben auf Datei ") + dest_);
        return false;
    }
    FdGuard db(opened->fd.release());
    const off_t oldSize = static_cast<off_t>(opened->size);
    // A trailing partial record is not a record: the first new one replaces it.
    const off_t start = oldSize / static_cast<off_t>(kRec) * static_cast<off_t>(kRec);
    const long long oldCount = static_cast<long long>(start / static_cast<off_t>(kRec));
    off_t at = start;

    // The codes of the database, compared as its index compares them: from
    // its index when that covers every record, else from the records.
    const bool workDb = dest_ == CacheBinPath();
    std::optional<std::vector<TCacheIndexList::Entry>> oldEntries;
    if (workDb) oldEntries = ReadMatchingIndexEntries(GetWorkDir() + "Caches.idx", oldCount);
    // The entries read stand in for the index in memory until the new one is
    // written (a lookup in between would load it again).
    if (oldEntries) CacheIndexList.Clear();
    KeySet known;
    auto isKnown = [&](const CacheKey& key) {
        if (oldEntries) {
            const auto it = std::lower_bound(
                oldEntries->begin(), oldEntries->end(), key,
                [](const TCacheIndexList::Entry& e, const CacheKey& k) { return std::memcmp(e.key.data(), k.data(), 16) < 0; });
            if (it != oldEntries->end() && it->key == key) return true;
        }
        // Codes repeated within the list are taken once, like codes known before.
        return !known.insert(key).second;
    };
    if (!oldEntries) {
        known.reserve(static_cast<std::size_t>(oldCount) + 1024);
        FdGuard rd(::open(FsName(dest_).c_str(), O_RDONLY | O_CLOEXEC));
        errno = 0;
        if (!rd.ok() || !ForEachRaw(rd.get(), [&](const unsigned char* raw) { known.insert(CacheKeyOfRecord(raw)); })) {
            ShowSysError(ErrnoOr(EIO), W("Fehler beim Schreiben auf Datei ") + dest_);
            return false;
        }
    }

    std::string pending;
    pending.reserve(kWriteBlock + kRec);
    int errCode = 0;
    int position = 0;
    int added = 0;
    std::vector<TCacheIndexList::Entry> newEntries;
    std::optional<TCacheRec> nearest;
    double nearestKm = std::numeric_limits<double>::infinity();
    double nearestBearing = 0.0;

    auto flush = [&] {
        if (errCode == 0 && !pending.empty()) {
            errno = 0;
            if (const int fault = InjectedWriteFault(dest_, WriteStep::Write); fault != 0)
                errCode = fault;
            else if (PwriteAll(db.get(), pending.data(), pending.size(), at))
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
        const CacheKey key = CacheKeyOfRecord(raw);
        if (isKnown(key)) return;
        const auto recNo = static_cast<std::int32_t>(oldCount + added);
        if (showNearest) {
            TCacheRec rec = DecodeCacheRec(raw);
            double km = 0.0, bearing = 0.0;
            // Caches whose distance cannot be computed take no part in the choice.
            if (CalcDistanceBearing(km, bearing, home.lat, home.lon, rec.Lat, rec.Lon) && km < nearestKm) {
                nearestKm = km;
                nearestBearing = bearing;
                rec.RecNo = recNo;
                nearest = rec;
            }
        }
        if (oldEntries) newEntries.push_back({key, recNo});
        pending.append(reinterpret_cast<const char*>(raw), kRec);
        ++added;
        if (pending.size() >= kWriteBlock) flush();
    });
    if (!readOk && errCode == 0) errCode = ErrnoOr(EIO);
    flush();
    Progress(position);
    if (errCode == 0 && db.Close() != 0) errCode = ErrnoOr(EIO);
    KeySet().swap(known);

    if (errCode != 0) {
        // The database goes back to what it was, so that nothing half-merged stays.
        const int undone = db.ok() ? ::ftruncate(db.get(), oldSize) : ::truncate(FsName(dest_).c_str(), oldSize);
        if (undone != 0) DebugLog("ERR: frmGCDBReader.ConverteHTTP: database could not be cut back after a failed merge");
        db.Close();
        // Whole records that could not be cut back are in the database for good.
        struct stat now {};
        if (undone != 0 && ::stat(FsName(dest_).c_str(), &now) == 0 && now.st_size > start)
            newCount_ = static_cast<int>(std::min<off_t>((now.st_size - start) / static_cast<off_t>(kRec), added));
        ShowSysError(errCode, W("Fehler beim Schreiben auf Datei ") + dest_);
        BuildCacheIndex();
        return false;
    }
    if (added == 0) return true;
    if (oldEntries && oldSize == start) {
        // The old index and the new entries, each in index order, merged
        // from the back into the old index's own storage.
        SortIndexEntries(newEntries);
        std::vector<TCacheIndexList::Entry> all = std::move(*oldEntries);
        oldEntries.reset();
        std::size_t i = all.size(), j = newEntries.size();
        all.resize(i + j);
        for (std::size_t k = all.size(); j > 0;) {
            const auto& a = all[i > 0 ? i - 1 : 0];
            const auto& b = newEntries[j - 1];
            if (i > 0 && CacheIndexLess(b.key, b.recNo, a.key, a.recNo))
                all[--k] = all[--i];
            else
                all[--k] = newEntries[--j];
        }
        std::vector<TCacheIndexList::Entry>().swap(newEntries);
        if (WriteCacheIndexEntries(std::move(all)) != 0) BuildCacheIndex();
    } else {
        BuildCacheIndex();
    }
    newCount_ = added;

    if (showNearest && nearest) {
        const auto answer = platform::messages().show(platform::MsgKind::Confirmation,
                                                      NearestQuestionText(added, nearestKm, nearestBearing),
                                                      platform::MsgButtons::YesNo);
        if (answer == platform::MsgResult::Yes && events_.showDetails) events_.showDetails(*nearest);
    }
    return true;
}

}  // namespace tv
