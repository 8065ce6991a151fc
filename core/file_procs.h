#pragma once
// Shared file operations: DOS wildcard matching, case-insensitive look-up,
// sorted folder listings, whole-file and text-list reading and atomic
// writing, the block copy, the clearing of description folders, and the
// folder picker.
//
// Paths use '/'; a folder argument may or may not end in '/'. Windows
// semantics are kept where the program relies on them: masks and name
// look-ups ignore ASCII letter case, "*.*" matches every name, and folder
// listings come sorted by name.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "core/unique_fd.h"
#include "platform/services.h"

namespace tv {

// ---- names and folders ------------------------------------------------------

// DOS wildcard match of a file name (no folder part) against a mask, ignoring
// ASCII case: '*' matches any run (also empty), '?' exactly one character.
// A mask ending in ".*" also matches a name without a dot ("GC*.*" matches
// "GC123"); "*" and "*.*" match every name. An empty mask matches nothing.
bool MatchesMask(std::string_view name, std::string_view mask);
// The plain matcher below MatchesMask: '*' any run (also empty, '/'
// included), '?' one character, ASCII case ignored, no special masks.
bool WildcardMatch(std::string_view name, std::string_view mask);

// The user's texts for a file that cannot be read or written:
// "Fehler beim Lesen der Datei " / "Fehler beim Schreiben der Datei " + path.
std::string ReadErrorText(std::string_view path);
std::string WriteErrorText(std::string_view path);

// The folder with exactly one trailing '/' ("" stays "").
std::string WithTrailingSlash(std::string_view folder);
// The folder without trailing '/' ("/" stays "/", "" stays "").
std::string WithoutTrailingSlash(std::string_view folder);

enum class EntryKind {
    Files,    // anything that is not a directory, nor a link to one
    Folders,  // real directories; links to directories are left out
    All,
};
// Names (not paths) of the folder's entries of the given kind matching the
// mask, sorted by name ignoring ASCII case (ties by bytes). A folder that
// cannot be read gives an empty list. Names Windows-1252 cannot hold are left
// out rather than mangled; `skipped` (when given) receives those of them that
// fit mask and kind, as they are on disk (UTF-8), for the caller to report;
// without it they go to the debug log.
std::vector<std::string> ListFolder(const std::string& folder, std::string_view mask = "*",
                                    EntryKind kind = EntryKind::Files, std::vector<std::string>* skipped = nullptr);

// The path of the entry called `name` in `folder`, matching the name exactly
// or else ignoring ASCII case (the first by ListFolder order). Nothing when
// there is none or `name` holds a '/'.
std::optional<std::string> FindFileNoCase(const std::string& folder, std::string_view name);
// FindFileNoCase, or folder + name when no such entry exists yet.
std::string ResolveFileNoCase(const std::string& folder, std::string_view name);

// Whether the path names a regular file (or a link to one).
bool IsRegularFile(const std::string& path);

// Local modification time of a file (or folder); nothing when it has none.
std::optional<platform::DateTime> FileModificationTime(const std::string& path);

// ---- whole files and text lists ---------------------------------------------

// A file opened for reading, with the size it had when it was opened.
struct OpenedFile {
    UniqueFd fd;
    long long size = 0;
};

// The one way the program opens its own files (stores, lists, settings,
// templates, map data) for reading. Links are followed; the open never waits
// (a named pipe without a writer); only a regular file is taken. Errors carry
// the system's cause and ReadErrorText(path): ENOENT for a missing file,
// EISDIR for a folder, ESPIPE for a pipe or socket, ENODEV for a device, EFBIG
// for a file larger than the program could hold in memory (HoldableBytes).
// A reader never reads or reserves more than `size`.
// The writers in place (O_RDWR, O_WRONLY, O_APPEND, O_CREAT with `mode` for
// a missing file) open the same way and get the same refusals.
Result<OpenedFile> OpenProgramFile(const std::string& path, int flags = O_RDONLY, unsigned mode = 0644);
Result<OpenedFile> OpenProgramFile(const std::filesystem::path& path, const std::string& shownPath,
                                   int flags = O_RDONLY, unsigned mode = 0644);
// The errno that refuses a file of this st_mode (0 for a regular file).
int FileKindError(unsigned mode);
// The errno that refuses a file of this kind and size (0 for a regular file
// the program can hold).
int UnusableFileError(const struct stat& st);
// Whether an errno of OpenProgramFile means that there is no such file (the
// name, or a folder on its way, is missing), which readers take as empty.
inline bool MissingFileError(int code) { return code == ENOENT || code == ENOTDIR; }
// The largest file the program takes in: a quarter of the machine's memory.
long long HoldableBytes();

// The file's bytes (at most the size it had when opened), or the error of
// OpenProgramFile or of the read.
Result<std::string> ReadProgramFile(const std::string& file);
// A file opened as OpenProgramFile opens it, as a stream for reading; null
// (errno set) when it cannot be opened.
using FileStream = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
FileStream OpenProgramStream(const std::string& path);
// Calls each(const unsigned char* record, long long recordNumber) for every
// whole record of the opened file, from its current position up to the size
// it had when opened, while `each` returns true; a trailing partial record is
// no record. 0, or the errno of a failed read.
template <typename Fn>
int ForEachRecord(const OpenedFile& file, std::size_t recSize, Fn&& each);
// ForEachRecord over the file as OpenProgramFile opens it: 0 for a missing
// file (no records), else the errno of the open or of a read.
template <typename Fn>
int ForEachRecordOf(const std::string& path, std::size_t recSize, Fn&& each);
// The file's bytes; nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& file);
// The same for a name as it is on disk (a folder's name Windows-1252 may lack).
std::optional<std::string> ReadFsFile(const std::filesystem::path& file);

// Every whole-file rewrite goes through AtomicFileWriter: the bytes go to a
// new file of a unique name in the target's folder (created exclusively, so
// no other file or link is ever written into), are flushed to the disk, and
// the file is renamed over the target only when all of it worked. Until then
// the old file stays as it was; a failure removes the temporary file.
//
// The target's permission bits are kept; a new file gets `newFileMode` less
// the umask. A target that is a symbolic link is written through: the file
// it points to is replaced and the link stays. Only a regular file is
// replaced (or a missing one created): a target that is, or leads to, a
// folder, a pipe or a device fails at once with FileKindError's cause, and
// nothing is renamed over it.

struct AtomicWriteOptions {
    unsigned newFileMode = 0666;
    // False: a link at the target is replaced by the file instead (for
    // archive entries, which must never write outside their folder).
    bool followLink = true;
    // Modification time (seconds since the epoch) of the new file; -1 keeps
    // the time of writing.
    long long modificationTime = -1;
};

class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::string target, AtomicWriteOptions options = {});
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // False once anything failed (later writes are ignored).
    bool ok() const { return fd_ >= 0 && error_ == 0; }
    bool Write(std::string_view bytes);
    bool Write(const void* data, std::size_t size) {
        return Write(std::string_view(static_cast<const char*>(data), size));
    }
    // Flushes, closes and renames over the target; true when all of it worked.
    bool Commit();

    // 0 or the errno of the first failure.
    int error() const { return error_; }
    // True when the temporary file could not even be created.
    bool createFailed() const { return createFailed_; }
    // The file that is replaced (the link's file when writing through one).
    const std::string& target() const { return target_; }

private:
    void Discard();

    std::string target_, temp_;
    AtomicWriteOptions options_;
    int fd_ = -1;
    int error_ = 0;
    bool createFailed_ = false;
};

// Removes from the folder the temporary files of AtomicFileWriters whose
// process was killed before the rename (a killed rewrite of the database
// leaves a copy of its whole size). A writer holds a lock on its temporary
// file while it lives, so the files of writers still at work (of another
// process too) stay. The number removed.
int RemoveLeftoverTempFiles(const std::string& folder);

// The same rule for the scratch files and folders of other writers: a writer
// marks the file or folder it has open at `fd` as at work until it closes
// the descriptor (the system drops the mark when the process dies in any
// way). A file or folder without the mark was left by a killed writer.
void MarkWriteAtWork(int fd);
// Removes the file unless a writer at work marked it; true when removed.
bool RemoveLeftoverFile(const std::string& path);
// Removes the folder with all it holds unless a writer at work marked it; a
// link is left alone. True when removed.
bool RemoveLeftoverFolder(const std::string& path);

// The whole file in one go through AtomicFileWriter; false on any failure
// (the old file stays as it was).
bool WriteFileAtomic(const std::string& file, std::string_view bytes);

// Test seam: a full disk or a folder without room for a new file. While a
// hook is set, it is asked at each step of every AtomicFileWriter with the
// target's path; a non-zero errno makes that step fail with it. Torn and
// Restore are asked by the writers of records in place only: a write that
// fails after part of its bytes went out, as a disk failing in the middle
// does, and the write of the old bytes back after such a failure.
enum class WriteStep { Create, Write, Torn, Restore };
using WriteFaultHook = std::function<int(const std::string& target, WriteStep step)>;
void SetWriteFaultHook(WriteFaultHook hook);
// The hook's answer for a write that does not go through AtomicFileWriter
// (appends in place): 0, or the errno the step fails with.
int InjectedWriteFault(const std::string& target, WriteStep step);

// The lines of a text: split at CR LF, LF or a lone CR; a final line break
// adds no empty line, an empty text gives no lines.
std::vector<std::string> SplitTextLines(std::string_view text);

// Reads a text list, one entry per line (LF or CR LF). A missing file is
// looked up ignoring case in its folder ("WPlist.txt" for "WPList.txt").
// False, with `lines` empty, when no file can be read.
bool ReadTextList(const std::string& file, std::vector<std::string>& lines);
// Writes the lines, each ended by CR LF, atomically; false on failure (the
// old file is kept).
bool WriteTextList(const std::string& file, const std::vector<std::string>& lines);
// The lines of a text list for a command that must tell a list it cannot
// read from one that is not there: the file is looked up as ReadTextList
// does; the error is OpenProgramFile's or the read's, with the system's
// cause (ENOENT when no file of that name exists).
Result<std::vector<std::string>> ReadTextListChecked(const std::string& file);
// ReadProgramFile; for a missing file, the file of its folder of that name
// ignoring case ("WPlist.txt" for "WPList.txt"), as ReadTextList looks it up.
Result<std::string> ReadProgramFileNoCase(const std::string& file);
// The lines of a text list that a command adds to and writes back: a missing
// list (MissingFileError) has none; one that is there but cannot be read is
// ReadTextListChecked's error, so that it is never replaced by the new lines
// alone.
Result<std::vector<std::string>> ReadTextListIfPresent(const std::string& file);
// A program file's bytes where a missing file means "nothing there yet":
// nullopt when it is missing, else the bytes or the error of ReadProgramFile.
Result<std::optional<std::string>> ReadProgramFileIfPresent(const std::string& file);

// Writes the text with every line ended by CR LF (line breaks as in the text:
// CR LF, LF or CR), atomically; an empty text gives an empty file.
bool SaveTextToFile(std::string_view text, const std::string& file);

// ---- copy and delete --------------------------------------------------------

// I/O codes of CopyFileBlockwise (as the program reports them).
inline constexpr int kIoFileNotFound = 2;
inline constexpr int kIoPathNotFound = 3;
inline constexpr int kIoAccessDenied = 5;
inline constexpr int kIoSameFile = 32;    // source and destination are one file
inline constexpr int kIoReadError = 100;
inline constexpr int kIoWriteError = 101; // disk full or short write

// Copies the file in blocks of 2048 bytes. 0 on success, else the first I/O
// error code (above, or the system's error number for other failures). No
// open waits on a pipe: a pipe as the source is refused with ESPIPE, one
// without a reader as the destination with ENXIO. A destination that is the
// source itself (by any spelling or link) is refused
// before anything is written; after a failed copy a regular destination file
// is removed, so no partial copy is left behind.
int CopyFileBlockwise(const std::string& source, const std::string& destination);

// Waypoint codes of the records of "Finds.bin" in the work folder, in file
// order; the list is emptied first; a missing file leaves it empty. `error`
// (when given) receives 0 or the errno of a file that is there but could not
// be read (the codes read before a read error stay in the list).
void LoadFoundCodes(std::vector<std::string>& list, const std::string& workDir, int* error = nullptr);
void LoadFoundCodes(std::vector<std::string>& list, int* error = nullptr);  // in GetWorkDir()

// True when the file was removed.
bool DeleteFileChecked(const std::string& file);

// Deletes the folder's files matching "GC*.*" and its "index.html" (both
// ignoring case), with the busy cursor; subfolders and other files stay.
// Failures are ignored.
void DeleteCacheFiles(const std::string& folder);
// DeleteCacheFiles on the folder and on each direct subfolder (links and
// hidden "." folders are left alone), then removes the subfolders that are
// empty afterwards.
void DeleteCacheFilesTree(const std::string& folder);
// Deletes the folder's files (not folders) matching the mask and returns how
// many matched. A mask holding '/' matches nothing.
int DeleteFilesByMask(const std::string& folder, std::string_view mask);

// ---- templates ---------------------------------------------------------------

template <typename Fn>
int ForEachRecord(const OpenedFile& file, std::size_t recSize, Fn&& each) {
    constexpr std::size_t kBlockRecords = 4096;
    std::vector<unsigned char> buf(recSize * kBlockRecords);
    long long left = file.size, recNo = 0;
    while (left > 0) {
        const std::size_t want = static_cast<std::size_t>(std::min<long long>(left, static_cast<long long>(buf.size())));
        errno = 0;
        const long long got = ReadUpTo(file.fd.get(), buf.data(), want);
        if (got < 0) return errno != 0 ? errno : EIO;
        const std::size_t whole = static_cast<std::size_t>(got) / recSize;
        for (std::size_t i = 0; i < whole; ++i)
            if (!each(static_cast<const unsigned char*>(buf.data() + i * recSize), recNo++)) return 0;
        // A file that shrank meanwhile ends here.
        if (static_cast<std::size_t>(got) < want) return 0;
        left -= got;
    }
    return 0;
}

template <typename Fn>
int ForEachRecordOf(const std::string& path, std::size_t recSize, Fn&& each) {
    const Result<OpenedFile> file = OpenProgramFile(path);
    if (!file) return MissingFileError(file.error().code) ? 0 : file.error().code;
    return ForEachRecord(*file, recSize, std::forward<Fn>(each));
}

// ---- folder picker ----------------------------------------------------------

// The folder chooser of the platform layer. Execute() shows it with Title,
// starting at InitialDir; true when a folder was chosen, which Folder then
// holds (without a trailing '/'). A cancel leaves Folder as it was.
class TFolderBrowser {
public:
    TFolderBrowser();

    std::string Folder;
    std::string Title;          // default "Bitte Ordner auswählen!" (Windows-1252)
    bool IncludeFiles = false;  // show files as well as folders
    bool NewDialogStyle = false;
    std::string InitialDir;

    bool Execute();
};

}  // namespace tv
