#include "core/unzip.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/unique_fd.h"
#include "core/unzip_decoders.h"
#include "platform/services.h"
#include "platform/text_encoding.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kEocdSize = 22;
constexpr std::size_t kEocdWindow = 4096;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::uint64_t kMaxDirectorySize = 2147483631;
constexpr std::size_t kStoredBlock = 32768;
constexpr std::size_t kDecoderBlock = 4096;
constexpr std::uint16_t kUtf8NameFlag = 0x0800;
constexpr auto kBusyTimeout = std::chrono::milliseconds(30000);

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool ReadAt(int fd, void* buffer, std::size_t size, std::uint64_t offset) {
    return ReadFullyAt(fd, buffer, size, static_cast<long long>(offset));
}

std::int64_t FileSize(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

// The running mark shared by all extractions of the process.
struct BusyMark {
    bool running = false;
    std::chrono::steady_clock::time_point lifeSign{};
};
BusyMark& Busy() {
    static BusyMark mark;
    return mark;
}

int Ratio(std::int64_t packed, std::int64_t unpacked) {
    if (packed > 21474836) {
        packed /= 100;
        unpacked /= 100;
    }
    if (unpacked <= 0) return 0;
    return static_cast<int>(100 - packed * 100 / unpacked);
}

// '*' any run of characters (folders included), '?' one character.
bool MaskMatches(const std::string& mask, const std::string& name) {
    return mask.empty() || mask == "*.*" || WildcardMatch(name, mask);
}

// Packed data of one entry, handed out in blocks. After each block the event
// pump runs (a sign of life for the busy mark) and the cancel hook is asked
// whenever the percentage read changed.
class ArchiveInput final : public zip::InputBlocks {
public:
    ArchiveInput(int fd, std::uint64_t offset, std::uint64_t size, std::size_t block,
                 const std::function<bool()>& cancel)
        : fd_(fd), offset_(offset), size_(size), buffer_(block), cancel_(cancel) {}

    int next(const std::uint8_t*& data, std::size_t& size) override {
        size = 0;
        if (read_ >= size_) return 0;
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(buffer_.size(), size_ - read_));
        if (!ReadAt(fd_, buffer_.data(), n, offset_ + read_)) return kZipReadError;
        read_ += n;
        data = buffer_.data();
        size = n;
        platform::pump().pump();
        Busy().lifeSign = std::chrono::steady_clock::now();
        const int percent = static_cast<int>(read_ * 100 / size_);
        if (percent != lastPercent_) {
            lastPercent_ = percent;
            if (cancel_ && cancel_()) return kZipUserStop;
        }
        return 0;
    }

private:
    int fd_;
    std::uint64_t offset_, size_, read_ = 0;
    std::vector<std::uint8_t> buffer_;
    const std::function<bool()>& cancel_;
    int lastPercent_ = -1;
};

// Unpacked bytes: counted against the declared size, CRC-summed and written
// in blocks of up to 32768 bytes.
class FileOutput final : public zip::OutputBytes {
public:
    FileOutput(AtomicFileWriter& out, std::uint64_t limit, const std::function<void(std::int64_t)>& blockWritten)
        : out_(out), limit_(limit), blockWritten_(blockWritten) {}

    int put(const std::uint8_t* data, std::size_t size) override {
        if (size > limit_ - total_) return kZipArchiveError;  // more data than the entry declares
        total_ += size;
        while (size > 0) {
            const std::size_t n = std::min(size, buffer_.size() - used_);
            std::memcpy(buffer_.data() + used_, data, n);
            used_ += n;
            data += n;
            size -= n;
            if (used_ == buffer_.size()) {
                if (const int rc = flush(); rc != 0) return rc;
            }
        }
        return 0;
    }

    int flush() {
        if (!out_.Write(buffer_.data(), used_)) return kZipWriteError;
        crc_ = static_cast<std::uint32_t>(::crc32(crc_, buffer_.data(), static_cast<uInt>(used_)));
        if (used_ && blockWritten_) blockWritten_(static_cast<std::int64_t>(used_));
        used_ = 0;
        return 0;
    }

    std::uint64_t total() const { return total_; }
    std::uint32_t crc() const { return crc_; }

private:
    AtomicFileWriter& out_;
    std::uint64_t limit_, total_ = 0;
    std::uint32_t crc_ = 0;
    std::array<std::uint8_t, kStoredBlock> buffer_{};
    std::size_t used_ = 0;
    const std::function<void(std::int64_t)>& blockWritten_;
};

// Creates the folders of `relative` below `target` one by one. A part that
// exists as a symbolic link or a file is refused, so nothing lands outside.
bool MakeFolders(const std::string& target, const std::string& relative) {
    std::error_code ec;
    fs::create_directories(FsPath(target), ec);
    if (!fs::is_directory(FsPath(target), ec)) return false;
    std::string path = target;
    std::size_t start = 0;
    while (start < relative.size()) {
        std::size_t slash = relative.find('/', start);
        if (slash == std::string::npos) break;  // the last part is the file itself
        // Without a trailing '/', so that a symbolic link is seen as one.
        path += relative.substr(start, slash - start);
        const auto st = fs::symlink_status(FsPath(path), ec);
        if (st.type() == fs::file_type::not_found) {
            if (!fs::create_directory(FsPath(path), ec) && !fs::is_directory(fs::symlink_status(FsPath(path), ec))) return false;
        } else if (st.type() != fs::file_type::directory) {
            return false;
        }
        path += '/';
        start = slash + 1;
    }
    return true;
}

// The local time of a DOS date and time; -1 when it names no time.
long long DosTime(std::uint16_t date, std::uint16_t time) {
    std::tm tm{};
    tm.tm_year = ((date >> 9) & 0x7F) + 80;
    tm.tm_mon = ((date >> 5) & 0x0F) - 1;
    tm.tm_mday = date & 0x1F;
    tm.tm_hour = (time >> 11) & 0x1F;
    tm.tm_min = (time >> 5) & 0x3F;
    tm.tm_sec = (time & 0x1F) * 2;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    return t == static_cast<std::time_t>(-1) ? -1 : static_cast<long long>(t);
}

struct EntryContext {
    const TZipCursor& entry;
    std::string target;
    std::string outputPath;
    std::string relativePath;
    const UnzipOptions& options;
    std::function<void(std::int64_t)> blockWritten;
};

int ExtractEntry(const std::string& archiveName, EntryContext& ctx) {
    const TZipCursor& e = ctx.entry;
    BusyMark& busy = Busy();
    const auto now = std::chrono::steady_clock::now();
    if (busy.running && now - busy.lifeSign < kBusyTimeout) return kZipBusy;
    busy.running = true;
    busy.lifeSign = now;
    struct Release {
        ~Release() { Busy().running = false; }
    } release;

    UniqueFd archive(::open(FsName(archiveName).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (archive.get() < 0) return kZipExtractOpenError;
    std::uint8_t local[kLocalHeaderSize];
    if (!ReadAt(archive.get(), local, sizeof local, e.localHeaderOffset)) return kZipReadError;
    if (Le32(local) != 0x04034B50) return kZipArchiveError;
    const std::uint16_t flags = Le16(local + 6);
    std::uint16_t method = Le16(local + 8);
    const std::uint64_t dataOffset =
        static_cast<std::uint64_t>(e.localHeaderOffset) + kLocalHeaderSize + Le16(local + 26) + Le16(local + 28);
    if (method != 0 && method != 1 && method != 6 && method != 8) return kZipMethodError;
    if ((flags & 1) || (e.flags & 1)) return kZipEncrypted;
    // Sizes and CRC always come from the central directory: it holds them even
    // when the local header defers them to a data descriptor.
    if (method == 0 && e.packedSize != e.unpackedSize) return kZipArchiveError;

    if (ctx.relativePath.empty()) return kZipWriteError;
    if (!MakeFolders(ctx.target, ctx.relativePath)) return kZipWriteError;
    if (ctx.relativePath.back() == '/') {  // a folder entry
        std::error_code ec;
        const auto st = fs::symlink_status(FsPath(ctx.outputPath), ec);
        if (st.type() == fs::file_type::not_found && !fs::create_directory(FsPath(ctx.outputPath), ec)) return kZipWriteError;
        return fs::is_directory(fs::symlink_status(FsPath(ctx.outputPath), ec)) ? 0 : kZipWriteError;
    }
    // Written beside the final name and renamed over it only when complete,
    // so a failure keeps an older file. A link at the final name is replaced,
    // never written through: it could point out of the target folder.
    AtomicWriteOptions writeOptions;
    writeOptions.newFileMode = 0644;
    writeOptions.followLink = false;
    writeOptions.modificationTime = DosTime(e.dosDate, e.dosTime);
    AtomicFileWriter out(ctx.outputPath, writeOptions);
    if (!out.ok()) return kZipWriteError;

    ArchiveInput in(archive.get(), dataOffset, e.packedSize, method == 0 ? kStoredBlock : kDecoderBlock,
                    ctx.options.cancelRequested);
    FileOutput sink(out, e.unpackedSize, ctx.blockWritten);
    int rc = 0;
    // An empty file: some writers leave out even the end marker of the packed data.
    if (e.packedSize == 0 && e.unpackedSize == 0) method = 0;
    switch (method) {
        case 0: rc = zip::CopyStored(in, sink); break;
        case 1: rc = zip::Unshrink(in, sink, e.unpackedSize); break;
        case 6: rc = zip::Explode(in, sink, flags, e.unpackedSize); break;
        default: rc = zip::Inflate(in, sink); break;
    }
    if (rc == 0) rc = sink.flush();
    if (rc == 0 && sink.total() != e.unpackedSize) rc = kZipArchiveError;
    if (rc == 0 && sink.crc() != e.crc32) rc = kZipCrcError;
    if (rc == 0 && !out.Commit()) rc = kZipWriteError;
    return rc;
}

}  // namespace

TZipCursor::~TZipCursor() { ZipClose(*this); }

bool IsZipFile(const std::string& fileName) {
    if (fileName.find('.') == std::string::npos || fileName.find(".exe") != std::string::npos) return false;
    std::error_code ec;
    if (fs::is_directory(FsPath(fileName), ec)) return false;
    UniqueFd fd(::open(FsName(fileName).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return false;
    std::uint8_t head[4];
    return ReadAt(fd.get(), head, sizeof head, 0) && Le32(head) == 0x04034B50;
}

void ZipClose(TZipCursor& cursor) {
    if (cursor.fd >= 0) ::close(cursor.fd);
    cursor.fd = -1;
    std::string().swap(cursor.directory);
    cursor.position = 0;
}

int ZipFindNext(TZipCursor& c) {
    const std::size_t remaining = c.position <= c.directory.size() ? c.directory.size() - c.position : 0;
    const auto* p = reinterpret_cast<const std::uint8_t*>(c.directory.data()) + c.position;
    if (c.fd < 0 || remaining < kCentralHeaderSize || Le32(p) != 0x02014B50) {
        ZipClose(c);
        return kZipNoMoreEntries;
    }
    const std::size_t nameLength = Le16(p + 28);
    const std::size_t whole = kCentralHeaderSize + nameLength + Le16(p + 30) + Le16(p + 32);
    if (whole > remaining) {
        ZipClose(c);
        return kZipNoMoreEntries;
    }
    c.flags = Le16(p + 8);
    c.method = Le16(p + 10);
    c.dosTime = Le16(p + 12);
    c.dosDate = Le16(p + 14);
    c.crc32 = Le32(p + 16);
    c.packedSize = Le32(p + 20);
    c.unpackedSize = Le32(p + 24);
    c.attributes = p[5] == 0 ? p[38] : 0;
    c.localHeaderOffset = Le32(p + 42);
    c.name.assign(reinterpret_cast<const char*>(p) + kCentralHeaderSize, nameLength);
    std::replace(c.name.begin(), c.name.end(), '\\', '/');
    c.nameUnrepresentable = false;
    if (c.flags & kUtf8NameFlag) {
        auto exact = Utf8ToCp1252Exact(c.name);
        c.nameUnrepresentable = !exact;
        c.name = exact ? std::move(*exact) : Utf8ToCp1252(c.name);
    }
    c.position += whole;
    return 0;
}

int ZipFindFirst(const std::string& archiveName, TZipCursor& c) {
    ZipClose(c);
    UniqueFd fd(::open(FsName(archiveName).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return kZipOpenError;
    const std::int64_t size = FileSize(fd.get());
    if (size <= 0) return kZipOpenError;
    const auto fileSize = static_cast<std::uint64_t>(size);

    // Find the end record, searching backwards window by window.
    std::vector<std::uint8_t> window(std::min<std::uint64_t>(kEocdWindow, fileSize));
    std::uint64_t start = fileSize - window.size();
    std::int64_t eocd = -1;
    for (;;) {
        if (!ReadAt(fd.get(), window.data(), window.size(), start)) return kZipOpenError;
        if (window.size() >= kEocdSize) {
            for (std::size_t i = window.size() - kEocdSize + 1; i-- > 0;) {
                if (Le32(window.data() + i) == 0x06054B50) {
                    eocd = static_cast<std::int64_t>(start + i);
                    break;
                }
            }
        }
        if (eocd >= 0) break;
        if (start == 0 || window.size() <= kEocdSize) return kZipOpenError;
        start -= std::min<std::uint64_t>(start, window.size() - kEocdSize);
    }
    std::uint8_t record[kEocdSize];
    if (!ReadAt(fd.get(), record, sizeof record, static_cast<std::uint64_t>(eocd))) return kZipOpenError;
    const std::uint64_t directoryOffset = Le32(record + 16);
    const auto end = static_cast<std::uint64_t>(eocd);
    // The directory lies between its offset and the end record; anything else
    // is a damaged archive, and its size is bounded by the file itself.
    if (directoryOffset > end || end - directoryOffset < kCentralHeaderSize ||
        end - directoryOffset > kMaxDirectorySize)
        return kZipDirectoryError;
    c.directory.resize(static_cast<std::size_t>(end - directoryOffset));
    if (!ReadAt(fd.get(), c.directory.data(), c.directory.size(), directoryOffset)) {
        ZipClose(c);
        return kZipOpenError;
    }
    c.fd = fd.release();
    c.position = 0;
    return ZipFindNext(c);
}

std::int64_t ZipTotalSizes(const std::string& archiveName, std::int64_t& packed) {
    packed = 0;
    if (archiveName.empty()) return 0;
    if (!IsZipFile(archiveName)) {
        std::error_code ec;
        const auto size = fs::file_size(FsPath(archiveName), ec);
        packed = ec ? 0 : static_cast<std::int64_t>(size);
        return packed;
    }
    std::int64_t unpacked = 0;
    TZipCursor c;
    for (int rc = ZipFindFirst(archiveName, c); rc == 0; rc = ZipFindNext(c)) {
        packed += c.packedSize;
        unpacked += c.unpackedSize;
    }
    return unpacked;
}

std::string ZipSafeEntryPath(const std::string& entryName) {
    if (entryName.empty() || entryName.find('\0') != std::string::npos) return {};
    std::string name = entryName;
    std::replace(name.begin(), name.end(), '\\', '/');
    if (name.front() == '/') return {};
    if (name.size() >= 2 && name[1] == ':' &&
        ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
        return {};
    std::string result;
    std::string part;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = name.find('/', start);
        part = name.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (part == "..") return {};
        if (!part.empty() && part != ".") {
            if (!result.empty()) result += '/';
            result += part;
        }
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    if (result.empty()) return {};
    // A name ending in a separator (or "/.") is a folder entry.
    if (part.empty() || part == ".") result += '/';
    return result;
}

int UnzipFiles(const std::string& archiveName, const std::string& targetDir, const std::string& mask,
               const UnzipOptions& options) {
    if (archiveName.empty() || targetDir.empty()) return kZipEmptyName;
    std::string target = targetDir;
    if (target.back() != '/') target += '/';
    if (!IsZipFile(archiveName)) return kZipNotAnArchive;
    TZipCursor c;
    if (ZipFindFirst(archiveName, c) != 0) return kZipDirectoryError;

    TZipReport report;
    const auto send = [&](std::int64_t value, int status) {
        report.status = status;
        if (options.report) options.report(value, report);
    };
    if (options.report) {
        std::int64_t packed = 0;
        const std::int64_t unpacked = ZipTotalSizes(archiveName, packed);
        report.packedSize = packed;
        report.unpackedSize = unpacked;
        report.ratio = Ratio(packed, unpacked);
        send(unpacked, kZipReportRunStart);
    }

    std::error_code sizeError;
    const auto archiveSize = static_cast<std::int64_t>(fs::file_size(FsPath(archiveName), sizeError));
    const std::int64_t allowed = std::min(options.maxTotalBytes, kZipMaxRatio * (sizeError ? 0 : archiveSize) + (16 << 20));
    std::int64_t unpackedSoFar = 0;

    int extracted = 0;
    int rc = 0;
    do {
        if (!MaskMatches(mask, c.name)) continue;
        // Declared sizes bound what an entry may write, so their sum bounds the run.
        unpackedSoFar += c.unpackedSize;
        if (unpackedSoFar > allowed) {
            send(kZipTooLarge, kZipReportStopped);
            ZipClose(c);
            return kZipTooLarge;
        }
        report.name = c.name;
        report.packedSize = c.packedSize;
        report.unpackedSize = c.unpackedSize;
        report.ratio = Ratio(c.packedSize, c.unpackedSize);
        send(0, kZipReportEntryStart);
        EntryContext ctx{c, target, {}, c.nameUnrepresentable ? std::string() : ZipSafeEntryPath(c.name), options, {}};
        ctx.outputPath = target + ctx.relativePath;
        if (options.report) ctx.blockWritten = [&](std::int64_t n) { send(n, kZipReportBlock); };
        std::error_code ec;
        if (!ctx.relativePath.empty() && ctx.relativePath.back() != '/' && options.overwrite &&
            fs::exists(fs::symlink_status(FsPath(ctx.outputPath), ec)) && !options.overwrite(ctx.outputPath)) {
            send(0, kZipReportBlock);
            continue;
        }
        const int result = ExtractEntry(archiveName, ctx);
        if (result == 0) {
            ++extracted;
            send(0, kZipReportEntryDone);
            continue;
        }
        switch (result) {
            case kZipCrcError:
            case kZipWriteError:
            case kZipMethodError:
            case kZipEncrypted: send(result, kZipReportEntryFailed); break;
            case kZipNoMoreEntries:
            case kZipNotAnArchive: break;
            default:
                send(result, kZipReportStopped);
                ZipClose(c);
                return result;
        }
    } while ((rc = ZipFindNext(c)) == 0);
    ZipClose(c);
    report = TZipReport{};
    send(extracted, kZipReportRunEnd);
    return extracted;
}

std::string ZipErrorText(int code) {
    switch (code) {
        case kZipCrcError: return W("Prüfsummenfehler: die entpackten Daten sind beschädigt.");
        case kZipWriteError: return W("Die Zieldatei kann nicht angelegt oder geschrieben werden (oder ihr Name zeigt aus dem Zielordner heraus).");
        case kZipReadError: return W("Lesefehler im Archiv (Daten fehlen oder sind abgeschnitten).");
        case kZipArchiveError: return W("Das Archiv ist beschädigt.");
        case kZipUserStop: return W("Entpacken abgebrochen.");
        case kZipMethodError: return W("Die Kompressionsmethode wird nicht unterstützt.");
        case kZipEncrypted: return W("Der Eintrag ist verschlüsselt.");
        case kZipBusy: return W("Es wird bereits ein anderes Archiv entpackt.");
        case kZipDirectoryError: return W("Das Inhaltsverzeichnis des Archivs kann nicht gelesen werden.");
        case kZipNoMoreEntries: return W("Keine weiteren Einträge im Archiv.");
        case kZipOpenError: return W("Das Archiv kann nicht geöffnet oder gelesen werden.");
        case kZipNotAnArchive: return W("Die Datei ist kein ZIP-Archiv.");
        case kZipExtractOpenError: return W("Das Archiv kann zum Entpacken nicht geöffnet werden.");
        case kZipEmptyName: return W("Archivname oder Zielordner fehlt.");
        case kZipTooLarge:
            return W("Das Archiv würde ungewöhnlich viel mehr Daten entpacken, als es selbst groß ist; es wird nicht "
                     "entpackt.");
        default: return W("Unbekannter Fehler beim Entpacken.");
    }
}

std::string UpperShortStr(const std::string& text) {
    std::string result = text;
    for (char& ch : result) {
        const auto b = static_cast<unsigned char>(ch);
        if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7)) {
            ch = static_cast<char>(b - 0x20);
        } else if (b == 0x9A || b == 0x9C || b == 0x9E) {  // š œ ž
            ch = static_cast<char>(b - 0x10);
        } else if (b == 0xFF) {  // ÿ
            ch = static_cast<char>(0x9F);
        }
    }
    return result;
}

}  // namespace tv
