#include "core/file_procs.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <system_error>

#include "core/cache_rec.h"
#include "core/debug_log.h"
#include "core/fs_name.h"
#include "core/proc_settings.h"
#include "core/unique_fd.h"
#include "platform/services.h"
#include "platform/text_encoding.h"

namespace tv {

namespace fs = std::filesystem;

namespace {

unsigned char FoldAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c; }

bool SameCharNoCase(char a, char b) {
    return FoldAscii(static_cast<unsigned char>(a)) == FoldAscii(static_cast<unsigned char>(b));
}

bool LessNoCase(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = FoldAscii(static_cast<unsigned char>(a[i]));
        const unsigned char y = FoldAscii(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

bool KindFits(const fs::directory_entry& entry, EntryKind kind) {
    std::error_code ec;
    const bool realDir = entry.symlink_status(ec).type() == fs::file_type::directory;
    if (ec) return false;
    switch (kind) {
        case EntryKind::Files: return !realDir && !entry.is_directory(ec);
        case EntryKind::Folders: return realDir;
        case EntryKind::All: return true;
    }
    return false;
}

int IoCodeFromErrno(int err) {
    switch (err) {
        case ENOENT: return kIoFileNotFound;
        case ENOTDIR: return kIoPathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR: return kIoAccessDenied;
        case ENOSPC:
        case EDQUOT:
        case EFBIG: return kIoWriteError;
        default: return err != 0 ? err : kIoWriteError;
    }
}

// Writes all bytes; false with errno set.
bool WriteAll(int fd, const char* data, std::size_t size) {
    const int err = WriteFully(fd, data, size);
    errno = err;
    return err == 0;
}

std::string ParentOf(const std::string& file) {
    const auto slash = file.rfind('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}

std::string NameOf(const std::string& file) {
    const auto slash = file.rfind('/');
    return slash == std::string::npos ? file : file.substr(slash + 1);
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
    std::size_t total = 0;
    for (const auto& l : lines) total += l.size() + 2;
    std::string out;
    out.reserve(total);
    for (const auto& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

}  // namespace

// ---- names and folders ------------------------------------------------------

// '*' / '?' matching with a single backtrack point (linear for every mask).
bool WildcardMatch(std::string_view name, std::string_view mask) {
    std::size_t n = 0, m = 0;
    std::size_t starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && (mask[m] == '?' || SameCharNoCase(mask[m], name[n]))) {
            ++m;
            ++n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

bool MatchesMask(std::string_view name, std::string_view mask) {
    if (mask.empty()) return false;
    if (mask == "*" || mask == "*.*") return true;
    if (WildcardMatch(name, mask)) return true;
    if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*" && name.find('.') == std::string_view::npos)
        return WildcardMatch(name, mask.substr(0, mask.size() - 2));
    return false;
}

std::string ReadErrorText(std::string_view path) { return "Fehler beim Lesen der Datei " + std::string(path); }

std::string WriteErrorText(std::string_view path) { return "Fehler beim Schreiben der Datei " + std::string(path); }

std::string WithTrailingSlash(std::string_view folder) {
    std::string out = WithoutTrailingSlash(folder);
    if (!out.empty() && out != "/") out += '/';
    return out;
}

std::string WithoutTrailingSlash(std::string_view folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.remove_suffix(1);
    return std::string(folder);
}

std::vector<std::string> ListFolder(const std::string& folder, std::string_view mask, EntryKind kind,
                                    std::vector<std::string>* skipped) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : FsPath(folder), ec);
    if (ec) return names;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        const fs::path fsName = it->path().filename();
        std::optional<std::string> name = ProgramPath(fsName);
        if (!name) {
            const std::string& onDisk = fsName.native();
            if (!MatchesMask(onDisk, mask) || !KindFits(*it, kind)) continue;
            if (skipped)
                skipped->push_back(onDisk);
            else
                DebugLog(UnrepresentableNameText(onDisk));
            continue;
        }
        if (MatchesMask(*name, mask) && KindFits(*it, kind)) names.push_back(std::move(*name));
    }
    std::sort(names.begin(), names.end(), LessNoCase);
    return names;
}

std::optional<std::string> FindFileNoCase(const std::string& folder, std::string_view name) {
    if (name.empty() || name.find('/') != std::string_view::npos || name == "." || name == "..") return std::nullopt;
    const std::string dir = WithTrailingSlash(folder);
    const std::string exact = dir + std::string(name);
    std::error_code ec;
    if (fs::exists(fs::symlink_status(FsPath(exact), ec))) return exact;
    for (const std::string& entry : ListFolder(folder, "*", EntryKind::All)) {
        if (entry.size() == name.size() && std::equal(entry.begin(), entry.end(), name.begin(), SameCharNoCase))
            return dir + entry;
    }
    return std::nullopt;
}

std::string ResolveFileNoCase(const std::string& folder, std::string_view name) {
    if (auto found = FindFileNoCase(folder, name)) return *found;
    return WithTrailingSlash(folder) + std::string(name);
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(FsName(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<platform::DateTime> FileModificationTime(const std::string& path) {
    struct stat st {};
    if (::stat(FsName(path).c_str(), &st) != 0) return std::nullopt;
    return platform::LocalDateTime(st.st_mtime);
}

// ---- whole files and text lists ---------------------------------------------

int FileKindError(unsigned mode) {
    if (S_ISREG(mode)) return 0;
    if (S_ISDIR(mode)) return EISDIR;
    if (S_ISFIFO(mode) || S_ISSOCK(mode)) return ESPIPE;
    return ENODEV;
}

long long HoldableBytes() {
    static const long long bytes = [] {
        const long pages = ::sysconf(_SC_PHYS_PAGES), size = ::sysconf(_SC_PAGESIZE);
        return pages > 0 && size > 0 ? static_cast<long long>(pages) * size / 4 : (1LL << 30);
    }();
    return bytes;
}

int UnusableFileError(const struct stat& st) {
    if (const int kind = FileKindError(st.st_mode)) return kind;
    return st.st_size > HoldableBytes() ? EFBIG : 0;
}

Result<OpenedFile> OpenProgramFile(const std::string& path, int flags, unsigned mode) {
    return OpenProgramFile(FsPath(path), path, flags, mode);
}

Result<OpenedFile> OpenProgramFile(const std::filesystem::path& path, const std::string& shownPath, int flags,
                                   unsigned mode) {
    const auto fail = [&](int code) { return Error{code, ReadErrorText(shownPath)}; };
    if (path.empty()) return fail(ENOENT);
    // Non-blocking, so that a pipe without a writer opens at once and is
    // refused by its kind below; a device is never opened at all.
    struct stat st {};
    errno = 0;
    if (::stat(path.c_str(), &st) == 0) {
        if (const int kind = FileKindError(st.st_mode)) return fail(kind);
    } else if (errno != ENOENT || !(flags & O_CREAT)) {
        return fail(errno != 0 ? errno : ENOENT);
    }
    UniqueFd fd(::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, mode));
    if (!fd.ok()) return fail(errno != 0 ? errno : EIO);
    // Judged again on what was opened: the name may lead elsewhere by now.
    if (::fstat(fd.get(), &st) != 0) return fail(errno != 0 ? errno : EIO);
    if (const int unusable = UnusableFileError(st)) return fail(unusable);
    const int now = ::fcntl(fd.get(), F_GETFL);
    if (now >= 0) ::fcntl(fd.get(), F_SETFL, now & ~O_NONBLOCK);
    return OpenedFile{std::move(fd), static_cast<long long>(st.st_size)};
}

namespace {

Result<std::string> ReadOpened(Result<OpenedFile> file, const std::string& shownPath) {
    if (!file) return file.error();
    std::string bytes(static_cast<std::size_t>(file->size), '\0');
    errno = 0;
    const long long got = ReadUpTo(file->fd.get(), bytes.data(), bytes.size());
    if (got < 0) return Error{errno != 0 ? errno : EIO, ReadErrorText(shownPath)};
    // A file that shrank meanwhile gives what it still held.
    bytes.resize(static_cast<std::size_t>(got));
    return bytes;
}

}  // namespace

Result<std::string> ReadProgramFile(const std::string& file) {
    return ReadOpened(OpenProgramFile(file), file);
}

FileStream OpenProgramStream(const std::string& path) {
    Result<OpenedFile> file = OpenProgramFile(path);
    if (!file) {
        errno = file.error().code;
        return FileStream(nullptr, &std::fclose);
    }
    FileStream stream(::fdopen(file->fd.get(), "rb"), &std::fclose);
    if (stream) file->fd.release();
    return stream;
}

std::optional<std::string> ReadWholeFile(const std::string& file) { return ReadFsFile(FsPath(file)); }

std::optional<std::string> ReadFsFile(const std::filesystem::path& file) {
    Result<std::string> r = ReadOpened(OpenProgramFile(file, file.string()), file.string());
    if (!r) return std::nullopt;
    return std::move(*r);
}

namespace {

std::mutex& FaultMutex() {
    static std::mutex m;
    return m;
}
WriteFaultHook& FaultHook() {
    static WriteFaultHook hook;
    return hook;
}

int InjectedFault(const std::string& target, WriteStep step) {
    std::lock_guard<std::mutex> lock(FaultMutex());
    return FaultHook() ? FaultHook()(target, step) : 0;
}

// The file a chain of links ends at (the path itself when it is no link);
// nothing when a link names a file the program cannot name.
std::optional<std::string> ResolveLinks(std::string path) {
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(FsName(path).c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        char buf[4096];
        const ssize_t n = ::readlink(FsName(path).c_str(), buf, sizeof buf);
        if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buf) return path;
        const std::optional<std::string> link = ProgramPath(fs::path(std::string(buf, static_cast<std::size_t>(n))));
        if (!link) return std::nullopt;
        path = (*link)[0] == '/' ? *link : ParentOf(path) + *link;
    }
    return path;
}

// Makes a finished rename survive a crash; where the folder cannot be
// synced the rename stands anyway.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.empty() ? "." : FsName(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

int InjectedWriteFault(const std::string& target, WriteStep step) { return InjectedFault(target, step); }

void SetWriteFaultHook(WriteFaultHook hook) {
    std::lock_guard<std::mutex> lock(FaultMutex());
    FaultHook() = std::move(hook);
}

AtomicFileWriter::AtomicFileWriter(std::string target, AtomicWriteOptions options)
    : target_(std::move(target)), options_(options) {
    std::optional<std::string> resolved = options_.followLink ? ResolveLinks(target_) : target_;
    // Replacing the link instead would leave the file it names unchanged.
    if (!resolved) error_ = EILSEQ;
    if (resolved) target_ = std::move(*resolved);
    if (error_ != 0 || (error_ = InjectedFault(target_, WriteStep::Create)) != 0) {
        createFailed_ = true;
        return;
    }
    struct stat old {};
    errno = 0;
    const bool exists = ::stat(FsName(target_).c_str(), &old) == 0;
    // Only a file is replaced: a rename over a folder, a pipe or a device
    // would destroy what it is, not write into it. A target that cannot even
    // be looked at (a loop of links, a folder without access) is no missing
    // file either.
    if (!exists && errno != ENOENT) error_ = errno != 0 ? errno : EIO;
    if ((exists && (error_ = FileKindError(old.st_mode)) != 0) || error_ != 0) {
        createFailed_ = true;
        return;
    }
    const bool replacesFile = exists;
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    // A short name, so that a long target name still leaves room for it.
    const std::string stem = ParentOf(target_) + "." + NameOf(target_).substr(0, 40) + ".";
    for (int attempt = 0; attempt < 50 && fd_ < 0; ++attempt) {
        const unsigned tag = (seed ^ static_cast<unsigned>(::getpid()) * 2654435761u) + counter++ * 40503u;
        temp_ = stem + std::to_string(tag % 100000000u) + ".tmp";
        fd_ = ::open(FsName(temp_).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, options_.newFileMode);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
        error_ = errno != 0 ? errno : EEXIST;
        createFailed_ = true;
        temp_.clear();
        return;
    }
    if (replacesFile) ::fchmod(fd_, old.st_mode & 07777);
    // Held until the file is renamed or removed.
    MarkWriteAtWork(fd_);
}

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

bool AtomicFileWriter::Write(std::string_view bytes) {
    if (!ok()) return false;
    if (bytes.empty()) return true;
    if ((error_ = InjectedFault(target_, WriteStep::Write)) != 0) return false;
    errno = 0;
    if (!WriteAll(fd_, bytes.data(), bytes.size())) error_ = errno != 0 ? errno : ENOSPC;
    return error_ == 0;
}

bool AtomicFileWriter::Commit() {
    if (!ok()) {
        Discard();
        return false;
    }
    if (options_.modificationTime >= 0) {
        const struct timespec times[2] = {{static_cast<time_t>(options_.modificationTime), 0},
                                          {static_cast<time_t>(options_.modificationTime), 0}};
        ::futimens(fd_, times);
    }
    // Some special file systems cannot sync; the data is written all the same.
    if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) error_ = errno;
    if (::close(fd_) != 0 && error_ == 0) error_ = errno != 0 ? errno : EIO;
    fd_ = -1;
    if (error_ == 0 && ::rename(FsName(temp_).c_str(), FsName(target_).c_str()) != 0) error_ = errno != 0 ? errno : EIO;
    if (error_ != 0) {
        Discard();
        return false;
    }
    temp_.clear();
    SyncFolder(ParentOf(target_));
    return true;
}

void AtomicFileWriter::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(FsName(temp_).c_str());
    temp_.clear();
}

int RemoveLeftoverTempFiles(const std::string& folder) {
    int removed = 0;
    // The names AtomicFileWriter gives: "." stem "." up to 8 digits ".tmp".
    for (const std::string& name : ListFolder(folder, ".*.tmp")) {
        const std::size_t end = name.size() - 4, dot = name.rfind('.', end - 1);
        if (dot == 0 || dot == std::string::npos || end - dot - 1 < 1 || end - dot - 1 > 8) continue;
        if (name.find_first_not_of("0123456789", dot + 1) != end) continue;
        // A folder that several programs write into, like a shared
        // description folder, keeps the files of the writers at work.
        if (RemoveLeftoverFile(WithTrailingSlash(folder) + name)) ++removed;
    }
    return removed;
}

// The mark is an exclusive lock on the open file: another process cannot
// take it while the writer lives, and neither can another descriptor of
// this process.
void MarkWriteAtWork(int fd) { ::flock(fd, LOCK_EX | LOCK_NB); }

namespace {

// The descriptor of `path` with the mark taken, so that no writer can set
// it before the removal; -1 when a writer at work holds it (or it is gone).
UniqueFd TakeLeftover(const std::string& path, int flags) {
    UniqueFd fd(::open(FsName(path).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | flags));
    if (fd.ok() && ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) fd.reset();
    return fd;
}

}  // namespace

bool RemoveLeftoverFile(const std::string& path) {
    const UniqueFd fd = TakeLeftover(path, 0);
    return fd.ok() && ::unlink(FsName(path).c_str()) == 0;
}

bool RemoveLeftoverFolder(const std::string& path) {
    const std::string folder = WithoutTrailingSlash(path);
    const UniqueFd fd = TakeLeftover(folder, O_DIRECTORY);
    // Still the folder that was opened, not one a new writer made since.
    struct stat opened {}, now {};
    if (!fd.ok() || ::fstat(fd.get(), &opened) != 0 || ::lstat(FsName(folder).c_str(), &now) != 0 ||
        opened.st_dev != now.st_dev || opened.st_ino != now.st_ino)
        return false;
    std::error_code ec;
    std::filesystem::remove_all(FsPath(folder), ec);
    return !ec;
}

bool WriteFileAtomic(const std::string& file, std::string_view bytes) {
    AtomicFileWriter writer(file);
    writer.Write(bytes);
    return writer.Commit();
}

std::vector<std::string> SplitTextLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

bool ReadTextList(const std::string& file, std::vector<std::string>& lines) {
    lines.clear();
    auto bytes = ReadWholeFile(file);
    if (!bytes) {
        const auto other = FindFileNoCase(ParentOf(file), NameOf(file));
        if (other && *other != file) bytes = ReadWholeFile(*other);
    }
    if (!bytes) return false;
    lines = SplitTextLines(*bytes);
    return true;
}

bool WriteTextList(const std::string& file, const std::vector<std::string>& lines) {
    return WriteFileAtomic(file, JoinCrLf(lines));
}

Result<std::string> ReadProgramFileNoCase(const std::string& file) {
    auto bytes = ReadProgramFile(file);
    if (!bytes && MissingFileError(bytes.error().code)) {
        const auto other = FindFileNoCase(ParentOf(file), NameOf(file));
        if (other && *other != file) return ReadProgramFile(*other);
    }
    return bytes;
}

Result<std::vector<std::string>> ReadTextListChecked(const std::string& file) {
    const auto bytes = ReadProgramFileNoCase(file);
    if (!bytes) return bytes.error();
    return SplitTextLines(*bytes);
}

Result<std::vector<std::string>> ReadTextListIfPresent(const std::string& file) {
    auto lines = ReadTextListChecked(file);
    if (!lines && MissingFileError(lines.error().code)) return std::vector<std::string>();
    return lines;
}

Result<std::optional<std::string>> ReadProgramFileIfPresent(const std::string& file) {
    auto bytes = ReadProgramFile(file);
    if (bytes) return std::optional<std::string>(std::move(*bytes));
    if (MissingFileError(bytes.error().code)) return std::optional<std::string>();
    return bytes.error();
}

bool SaveTextToFile(std::string_view text, const std::string& file) { return WriteTextList(file, SplitTextLines(text)); }

// ---- copy and delete --------------------------------------------------------

int CopyFileBlockwise(const std::string& source, const std::string& destination) {
    // Neither open waits on a pipe without a writer or reader; a pipe is no
    // file to copy from.
    const int in = ::open(FsName(source).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (in < 0) return IoCodeFromErrno(errno);
    struct stat srcStat {};
    int refused = 0;
    if (::fstat(in, &srcStat) != 0)
        refused = IoCodeFromErrno(errno);
    else if (S_ISDIR(srcStat.st_mode))
        refused = kIoAccessDenied;
    else if (FileKindError(srcStat.st_mode) == ESPIPE)
        refused = ESPIPE;
    if (refused != 0) {
        ::close(in);
        return refused;
    }
    ::fcntl(in, F_SETFL, ::fcntl(in, F_GETFL) & ~O_NONBLOCK);
    // Open without truncating first: when the destination turns out to be the
    // source itself, nothing has been destroyed yet.
    const int out = ::open(FsName(destination).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
    if (out >= 0) ::fcntl(out, F_SETFL, ::fcntl(out, F_GETFL) & ~O_NONBLOCK);
    if (out < 0) {
        const int code = IoCodeFromErrno(errno);
        ::close(in);
        return code;
    }
    struct stat dstStat {};
    if (::fstat(out, &dstStat) != 0) {
        const int code = IoCodeFromErrno(errno);
        ::close(in);
        ::close(out);
        return code;
    }
    if (dstStat.st_dev == srcStat.st_dev && dstStat.st_ino == srcStat.st_ino) {
        ::close(in);
        ::close(out);
        return kIoSameFile;
    }
    const bool regular = S_ISREG(dstStat.st_mode);
    int code = 0;
    if (regular && ::ftruncate(out, 0) != 0) code = IoCodeFromErrno(errno);
    char block[2048];
    while (code == 0) {
        const ssize_t r = ::read(in, block, sizeof block);
        if (r < 0) {
            if (errno == EINTR) continue;
            code = errno == EIO ? kIoReadError : IoCodeFromErrno(errno);
            break;
        }
        if (r == 0) break;
        if (!WriteAll(out, block, static_cast<std::size_t>(r))) code = IoCodeFromErrno(errno);
    }
    ::close(in);
    if (::close(out) != 0 && code == 0) code = IoCodeFromErrno(errno);
    // A partial copy must not look like a good one; devices are left alone.
    if (code != 0 && regular) ::unlink(FsName(destination).c_str());
    return code;
}

void LoadFoundCodes(std::vector<std::string>& list, const std::string& workDir, int* error) {
    list.clear();
    if (error) *error = 0;
    const auto file = FindFileNoCase(workDir, "Finds.bin");
    if (!file) return;
    const int code = ForEachRecordOf(*file, TFoundRec::kSize, [&](const unsigned char* rec, long long) {
        list.push_back(DecodeFoundRec(rec).Waypoint.str());
        return true;
    });
    if (error) *error = code;
}

void LoadFoundCodes(std::vector<std::string>& list, int* error) { LoadFoundCodes(list, GetWorkDir(), error); }

bool DeleteFileChecked(const std::string& file) {
    std::error_code ec;
    if (fs::symlink_status(FsPath(file), ec).type() == fs::file_type::directory) return false;
    return fs::remove(FsPath(file), ec) && !ec;
}

void DeleteCacheFiles(const std::string& folder) {
    auto& pump = platform::pump();
    pump.setBusy(true);
    pump.pump();
    const std::string dir = WithTrailingSlash(folder);
    for (const std::string& name : ListFolder(dir, "GC*.*", EntryKind::Files)) DeleteFileChecked(dir + name);
    for (const std::string& name : ListFolder(dir, "index.html", EntryKind::Files)) DeleteFileChecked(dir + name);
    pump.setBusy(false);
    pump.pump();
}

void DeleteCacheFilesTree(const std::string& folder) {
    const std::string dir = WithTrailingSlash(folder);
    DeleteCacheFiles(dir);
    for (const std::string& name : ListFolder(dir, "*", EntryKind::Folders)) {
        if (name.empty() || name[0] == '.') continue;
        const std::string sub = dir + name;
        DeleteCacheFiles(sub + "/");
        std::error_code ec;
        fs::remove(FsPath(sub), ec);  // only an empty folder goes
    }
}

int DeleteFilesByMask(const std::string& folder, std::string_view mask) {
    if (mask.find('/') != std::string_view::npos) return 0;
    const std::string dir = WithTrailingSlash(folder);
    const auto names = ListFolder(dir, mask, EntryKind::Files);
    for (const std::string& name : names) DeleteFileChecked(dir + name);
    return static_cast<int>(names.size());
}

// ---- folder picker ----------------------------------------------------------

TFolderBrowser::TFolderBrowser() : Title(W("Bitte Ordner auswählen!")) {}

bool TFolderBrowser::Execute() {
    const auto chosen = platform::fileDialogs().chooseFolder(Title, InitialDir);
    if (!chosen || chosen->empty()) return false;
    Folder = WithoutTrailingSlash(*chosen);
    return true;
}

}  // namespace tv
