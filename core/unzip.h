#pragma once
// ZIP archive reader: recognition, a central-directory cursor, size totals and
// extraction of the entries matching a mask into a folder. Methods stored (0),
// shrunk (1), imploded (6) and deflated (8); no encryption, no ZIP64.
//
// Results are the program's numeric codes (kept exact, callers compare them);
// ZipErrorText turns a code into a German message for a box or the log.
// Entry names never leave the target folder: absolute names, drive letters,
// ".." parts and NUL bytes are refused (-2), folders below the target that are
// symbolic links are not followed, and no symbolic link is ever created.
#include <cstdint>
#include <functional>
#include <string>

namespace tv {

// Error codes (negative results).
inline constexpr int kZipCrcError = -1;         // data does not match the entry's CRC-32 (output deleted)
inline constexpr int kZipWriteError = -2;       // output cannot be created or written, or unsafe name
inline constexpr int kZipReadError = -3;        // read error in the archive (also: data cut short)
inline constexpr int kZipArchiveError = -4;     // local header without signature, corrupt packed data
inline constexpr int kZipUserStop = -5;         // the cancel hook asked to stop
inline constexpr int kZipMethodError = -6;      // compression method not supported
inline constexpr int kZipEncrypted = -7;        // entry is encrypted
inline constexpr int kZipBusy = -8;             // another extraction is still in progress
inline constexpr int kZipDirectoryError = -9;   // the central directory cannot be read
inline constexpr int kZipNoMoreEntries = -10;   // no more entries
inline constexpr int kZipOpenError = -11;       // archive cannot be opened/read while searching its directory
inline constexpr int kZipNotAnArchive = -12;    // the file is not a ZIP archive
inline constexpr int kZipExtractOpenError = -14;  // archive cannot be opened for extraction
inline constexpr int kZipTooLarge = -15;        // the entries would unpack to more than the archive may give
inline constexpr int kZipEmptyName = -500;      // archive name or target folder empty

// Report statuses passed to the report hook.
inline constexpr int kZipReportRunStart = -1004;   // value: total unpacked size; sizes are the totals
inline constexpr int kZipReportEntryStart = -1000;
inline constexpr int kZipReportBlock = -1001;      // value: bytes written in this block (also: entry skipped)
inline constexpr int kZipReportEntryDone = -1002;
inline constexpr int kZipReportEntryFailed = -1003;  // value: the error code
inline constexpr int kZipReportRunEnd = -1005;
inline constexpr int kZipReportStopped = -100;     // value: the error code that stopped the run

// Central-directory cursor. Lives from ZipFindFirst to ZipClose (or until
// ZipFindNext meets the end); closes itself when destroyed.
struct TZipCursor {
    TZipCursor() = default;
    ~TZipCursor();
    TZipCursor(const TZipCursor&) = delete;
    TZipCursor& operator=(const TZipCursor&) = delete;

    int fd = -1;               // the open archive, -1 when closed
    std::string directory;     // the whole central directory
    std::size_t position = 0;  // offset of the next central header in `directory`

    // Current entry. The name is kept whole, with '\' turned into '/'.
    std::string name;
    std::uint32_t packedSize = 0;
    std::uint32_t unpackedSize = 0;
    std::uint32_t localHeaderOffset = 0;
    std::uint32_t crc32 = 0;
    std::uint16_t dosDate = 0;
    std::uint16_t dosTime = 0;
    std::uint8_t attributes = 0;  // DOS attribute byte when made on MS-DOS, else 0
    std::uint16_t method = 0;
    std::uint16_t flags = 0;  // general-purpose flags of the central header
    // A name flagged as UTF-8 is turned into Windows-1252 like every name the
    // program keeps; when it cannot be, `name` shows it with '?' and the
    // entry is never written (a write error) rather than under a garbled name.
    bool nameUnrepresentable = false;
};

// True when the name contains '.' but not ".exe" (case counts), is not a
// folder, and the file starts with "PK\3\4".
bool IsZipFile(const std::string& fileName);

// Opens the archive and reads its first entry: 0, or -11, -9, -10.
int ZipFindFirst(const std::string& archiveName, TZipCursor& cursor);
// Next entry: 0, or -10 when there are no more (the cursor is closed then).
int ZipFindNext(TZipCursor& cursor);
// Closes the archive and frees the directory; a closed cursor is left alone.
void ZipClose(TZipCursor& cursor);

// Total unpacked size of all entries; `packed` receives the total packed size.
// A file that is not a ZIP archive gives its own size for both, an empty name 0.
std::int64_t ZipTotalSizes(const std::string& archiveName, std::int64_t& packed);

struct TZipReport {
    std::string name;  // entry name (empty for run start and end)
    std::int64_t packedSize = 0;
    std::int64_t unpackedSize = 0;
    int ratio = 0;  // 100 - packed * 100 / unpacked; 0 when unpacked is 0
    int status = 0;  // one of the kZipReport... statuses
};

struct UnzipOptions {
    // Progress: `value` is the byte count, error code or total as the status says.
    std::function<void(std::int64_t value, const TZipReport& report)> report;
    // Asked when the output file exists; false skips the entry.
    std::function<bool(const std::string& outputFile)> overwrite;
    // Polled while packed data is read (after window events ran); true stops with -5.
    std::function<bool()> cancelRequested;
    // Most bytes one archive may unpack to; besides, no archive unpacks to more
    // than kZipMaxRatio times its own size plus 16 MB (a packed "bomb" of a
    // megabyte would otherwise fill the disk). Beyond either: -15.
    std::int64_t maxTotalBytes = std::int64_t{2} << 30;
};

inline constexpr std::int64_t kZipMaxRatio = 100;

// Extracts the entries whose names match `mask` ("*" and "?", ASCII letters
// without regard to case; "" and "*.*" match all) below `targetDir`. Returns
// the number of entries extracted, or a negative code. Per-entry faults -1, -2,
// -6 and -7 are reported and skipped; -3, -4, -5, -8, -9, -11, -14 and -15 stop the run.
// Between input blocks the platform event pump runs.
int UnzipFiles(const std::string& archiveName, const std::string& targetDir, const std::string& mask,
               const UnzipOptions& options = {});

// The path relative to the target folder that an entry name is extracted to
// ('\' and '/' both separate folders; "." and empty parts dropped), or "" when
// the name is unsafe: absolute, with a drive letter, a ".." part or a NUL byte.
std::string ZipSafeEntryPath(const std::string& entryName);

// German message (Windows-1252) for one of the codes above.
std::string ZipErrorText(int code);

// The text upper-cased (Windows-1252 letters; 'ß' and 'ÿ'... stay as the code page allows).
std::string UpperShortStr(const std::string& text);

}  // namespace tv
