#pragma once
// The folders a writer of a file the user names must keep: a work folder with
// the database and the lists, a program folder with the settings, the town
// list and the description template, and a description folder of its own or
// the work folder itself. While it lives these are the program's folders.
#include <map>
#include <string>
#include <vector>

#include "support/records.h"
#include "support/temp_dir.h"

namespace tvtest {

// The shipped files and the work folder's stores, there or not, that no user-named file may replace (but "WPnew.txt").
inline const char* const kGuardedFiles[] = {"CacheDB.conf", "Dokumentation.html", "borders.bin", "german_towns.csv",
    "gmtemplate.html", "template.html", "tq.conf", "Caches.bin", "Caches.idx", "Finds.bin", "CacheWaypoints.bin",
    "WPList.txt", "WPignore.txt", "WParchived.txt", "WPclipboard.txt", "dirlist.txt", "Persinfo.txt", "Buddies.txt",
    "WPtpl.txt", "Trailvane.lock", "debug.log"};

class ProgramFolders {
public:
    // The caches GC1 and GC2 in the database, both in the work list, and the
    // stored page of GC1 with its picture list GC1.meta, the picture
    // GC1_i1.jpg it names, and its converted page in the description folder.
    explicit ProgramFolders(bool pagesInWorkFolder);
    ~ProgramFolders();
    ProgramFolders(const ProgramFolders&) = delete;
    ProgramFolders& operator=(const ProgramFolders&) = delete;

    const std::string& work() const { return work_; }
    const std::string& program() const { return program_; }
    const std::string& out() const { return out_; }

    // Every entry below the three folders with its bytes ("<dir>" for a
    // folder), keyed "work/...", "program/..." and "out/..." (the last only
    // while the pages have their own folder).
    std::map<std::string, std::string> Snapshot() const;

private:
    WorkFolder workDir_;
    TempDir programDir_, outDir_;
    std::string work_, program_, out_;
    std::string previousProgramDir_, previousOutDir_, previousTemplate_;
};

// The message for a refused target, written out as the user reads it.
std::string RefusalText(const std::string& path, const std::string& as);
// The message for a link `path` that leads to `file` of the program.
std::string LinkedRefusalText(const std::string& path, const std::string& file, const std::string& as);
// The message for a target whose name cannot be resolved.
std::string UnresolvableText(const std::string& path, const std::string& as);

// Links in `dir` that lead to `file`: "d" to its folder, "l1" to "d/" + its
// name, and "l<k>" to "l<k-1>" up to `fileLinks`. The path of the last one:
// with 40 file links one link more than the system follows in one lookup,
// while following them one by one still arrives at `file`.
std::string LinkChainTo(const TempDir& dir, const std::string& file, int fileLinks);

// A stored page of GC3 as a link farm keeps it: "GC3.html", "GC3.meta" and
// "GC3_i1.jpg" in `out` are links to files of other names in the folder
// `farm` (made here). The six paths: the links, then the files.
std::vector<std::string> LinkFarmPage(const std::string& out, const std::string& farm);

}  // namespace tvtest
