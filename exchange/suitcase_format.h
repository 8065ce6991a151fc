#pragma once
// The suitcase ("Carry.tq"): one user's data carried to another copy of the
// program in one binary file, read and written by copies on Windows too, so
// the layout never changes (no header, no version):
//
//   i32 N + N x 296 cache records (raw, Caches.bin order)
//   i32 N + N x String[12] work list
//   i32 N + N x 440 find records
//   i32 N + N x String[12] ignore list
//   i32 L + L bytes: the lines of Persinfo.txt, each ended by CR LF
//   i32 N + N page entries:
//     String[12] waypoint | f64 day count of the page file | String[255] subfolder
//     blob page | blob meta | String[255] map name | blob map
//     i32 M + M x (String[255] picture name | blob picture)
//
// Little-endian; String[n] = length byte + n bytes; blob = i32 size + bytes.
// A suitcase comes from someone else: every count, size and length is checked
// against what the file still holds before it is used.
#include <cstdint>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/cache_rec.h"
#include "core/file_procs.h"
#include "core/result.h"

namespace tv {

inline constexpr std::size_t kSuitcaseCodeField = 12;
inline constexpr std::size_t kSuitcaseNameField = 255;

// ---- writing ------------------------------------------------------------------

struct SuitcaseExportParams {
    std::string workDir;  // Caches.bin, WPList.txt, Finds.bin, WPignore.txt, Persinfo.txt
    std::string outDir;   // the description folder
    bool cacheDb = false, workList = false, finds = false, ignoreList = false, notes = false;
    bool descriptions = false, descrSubdirs = false;
    // The progress text of each page ("Schreibe Cache: " ...).
    std::function<void(const std::string& action)> progress;
};

// Writes the suitcase through a temporary file, so an older suitcase of that
// name survives a failure. Returns the summary lines (each ended by CR LF) of
// the sections written, or the error (the target then stays as it was). A
// target that is a file of the program is refused before anything is written
// (ProgramFileRefusal, code kErrProgramFile).
Result<std::string> WriteSuitcase(const std::string& target, const SuitcaseExportParams& params);

// The picture file names a suitcase carries for a ".meta" file's lines: one per group of three
// lines when the count is a whole number of groups, else none. Each is the
// group's first line after its number and '#', without any folder part.
std::vector<std::string> MetaPictureNames(const std::vector<std::string>& metaLines);

// The pages of the description folder that go into a suitcase: the folder's
// "GC*.html" (case ignored) without "_CONVERTED" pages, then with `subdirs`
// those of each first-level folder not starting with '.', as
// "subfolder/name". Names in listing order.
std::vector<std::string> ListSuitcasePages(const std::string& outDir, bool subdirs);

// Day count (days since 30.12.1899, local time) of a file's modification
// time, and setting a file's modification time from one.
std::optional<double> FileDateTime(const std::string& path);
bool SetFileDateTime(const std::string& path, double dayCount);

// ---- reading ------------------------------------------------------------------

// Where one carried file lies in the suitcase.
struct SuitcaseBlob {
    std::int64_t pos = 0;   // offset of its first byte
    std::int32_t size = 0;  // 0: no file
};
// A page entry as read and checked when the suitcase was opened: its texts,
// and where its files lie.
struct SuitcasePageEntry {
    std::string waypoint;
    double date = 0;
    std::string subfolder;
    SuitcaseBlob page, meta;
    std::string mapName;
    SuitcaseBlob map;
    std::vector<std::pair<std::string, SuitcaseBlob>> pictures;  // carried name, file
};

struct SuitcaseContents {
    std::vector<CacheRecBytes> caches;  // raw, as carried
    std::vector<std::string> workList;
    std::vector<TFoundRec> finds;
    std::vector<std::string> ignoreList;
    std::vector<std::string> notes;  // lines of Persinfo.txt
    std::int32_t pageCount = 0;
    std::vector<SuitcasePageEntry> pages;  // pageCount entries
};

// The error kinds that the stream-error box names.
inline constexpr const char* kReadErrorKind = "EReadError";
inline constexpr const char* kWriteErrorKind = "EWriteError";
inline constexpr const char* kCreateErrorKind = "EFCreateError";
inline constexpr const char* kOpenErrorKind = "EFOpenError";

struct StreamError {
    std::string kind;     // one of the kinds above
    std::string file;     // the file concerned
    std::string message;  // Windows-1252
};

class SuitcaseReader {
public:
    // Opens the file, reads the five list sections and walks every page
    // entry, checking each count and size against what the file still holds;
    // afterwards the reader stands at the first page entry. False when any
    // part is damaged: the error's message names the section or the entry.
    bool Open(const std::string& path);
    const SuitcaseContents& contents() const { return contents_; }
    const StreamError& error() const { return error_; }
    const std::string& path() const { return path_; }

    // Primitive reads for the page entries; each false (with error() set)
    // when the file does not hold what is asked for.
    bool ReadI32(std::int32_t& v);
    bool ReadF64(double& v);
    // String[n]: a length above n is clamped to n.
    bool ReadShortString(std::size_t n, std::string& s);
    // A blob's size: 0 <= size <= what the file still holds.
    bool ReadBlobSize(std::int32_t& size);
    bool Skip(std::int64_t bytes);
    // Copies `bytes` bytes into the writer.
    bool CopyTo(std::int64_t bytes, AtomicFileWriter& out);
    // Reads a carried file's bytes. False (with error() set, its message
    // naming `what`) when the suitcase no longer holds it whole.
    bool LoadBlob(const SuitcaseBlob& blob, std::string& bytes, const std::string& what);
    std::int64_t Remaining();

private:
    bool ReadBytes(char* buf, std::size_t n);
    bool Fail(std::string message);
    bool ReadCodeList(std::vector<std::string>& list);
    bool ReadPageEntries();
    bool ReadBlob(SuitcaseBlob& blob);

    std::ifstream in_;
    std::string path_;
    std::int64_t size_ = 0;
    std::string where_;  // the part being read, for error messages (Windows-1252)
    SuitcaseContents contents_;
    StreamError error_;
};

// "Streamingfehler \"kind\" aufgetreten.\r\nDateiname: file\r\nException: message".
std::string StreamErrorText(const StreamError& e);

}  // namespace tv
