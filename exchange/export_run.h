#pragma once
// One export run: the list is built from the work list, a directory list,
// the own finds or the whole database, then written by the format's writer
// into a file that replaces the target only when everything was written.
#include <string>
#include <vector>

#include "core/program_files.h"
#include "exchange/export_formats.h"

namespace tv {

// A loader's list and its read error (0 none; ENOENT for a missing file, the
// list then empty; else the system's cause, also for a database the codes
// are looked up in that exists but cannot be read).
struct LoadedList {
    ExportList records;
    int error = 0;
    std::string path;  // the file that failed
};

// Codes of a list file, one per line, each looked up as written (empty lines
// and unknown codes skipped, duplicates kept). A missing file is looked up
// ignoring case ("WPlist.txt").
LoadedList LoadWpList(const std::string& path);
// The finds of "Finds.bin": the database record of each find, or a stub with
// the find's name + " (n/a)" and "?" for type, size, difficulty and terrain;
// FoundDate from the find's date text (01.01.1900 when it is no date).
LoadedList LoadFinds(const std::string& path);
// Every record of the cache database file in file order.
LoadedList LoadCacheDb(const std::string& path);

struct ExportRequest {
    ExportOptions options;
    ExportSource source = ExportSource::WorkList;
    std::string listFile;  // the directory list of a directory export
    std::string outPath;
    ExportContext context;
};

struct ExportResult {
    int listCount = 0;  // caches in the list
    int written = 0;    // caches the writer wrote
    int readError = 0;
    std::string readPath;
    bool readStopped = false;  // the list's file exists but could not be read: nothing was written
    int writeError = 0;   // first error number of creating, writing or closing, or of the refusal
    std::string refusal;  // why the target was refused (ProgramFileRefusal): nothing was read or written
};

// Refuses a target that is a file of the program (ProgramFileRefusal, the
// directory list among the inputs) before anything is read or written.
ExportResult RunExport(const ExportRequest& request);

// The context of the settings: work folder, homes, GPX header lines, the
// listing site, the national table's country names and the clock. The
// distance reference is the home (`home` 0) or additional home `home`.
ExportContext ExportContextFromSettings(int home);

// "N Datensätze geschrieben."
std::string WrittenCountText(int count);

}  // namespace tv
