#pragma once
// One program per work folder. The running program holds an exclusive lock
// on the file "Trailvane.lock" in its work folder; a second program on the
// same folder is refused before it writes anything, since two of them would
// rewrite the cache database under each other.
//
// Every change of the cache database takes the same lock for its duration
// (FolderWriteLock), so that processes that use the database functions
// without being the program (tools, tests) never interleave two rewrites.
// Within one process the lock is re-entrant, and free where the program
// already holds the folder. The locks are released by the system when a
// process ends in any way, so a crash never leaves a folder locked.
#include <string>

#include "core/result.h"

namespace tv {

inline constexpr const char* kWorkLockFileName = "Trailvane.lock";
// Error code of a folder another program holds.
inline constexpr int kWorkFolderBusy = -20;

// The message for a work folder that another program holds.
std::string WorkFolderBusyText(const std::string& dir);

// Takes the program's lock on `dir` (a folder path, '/' at the end or not)
// and keeps it until ReleaseWorkFolder or the next successful call, which
// moves it. kWorkFolderBusy (with WorkFolderBusyText) when another process
// holds the folder: the lock held so far stays as it was. Another error (a
// folder that does not exist or cannot take a file) also keeps the old lock.
Result<void> TakeWorkFolder(const std::string& dir);
void ReleaseWorkFolder();
// The folder the program holds ('/' at the end), or "" when none.
std::string HeldWorkFolder();

// Exclusive lock on the folder for one change of its database. Waits for
// another process's change to end, up to `waitMs` (a change takes
// milliseconds; a folder that another program holds for its whole run does
// not become free), then gives up: ok() false.
class FolderWriteLock {
public:
    explicit FolderWriteLock(const std::string& dir, int waitMs = 20000);
    ~FolderWriteLock();
    FolderWriteLock(const FolderWriteLock&) = delete;
    FolderWriteLock& operator=(const FolderWriteLock&) = delete;

    bool ok() const { return held_; }
    // 0, or the errno of the failure (EWOULDBLOCK when the wait ran out).
    int error() const { return error_; }

private:
    bool held_ = false;
    int error_ = 0;
    int slot_ = -1;
};

}  // namespace tv
