#include "core/work_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "core/file_procs.h"
#include "core/fs_name.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

// A folder this process has locked: by the program for its run, by database
// changes for theirs, or both. The folder is known by its device and inode,
// so two spellings of one folder share the lock instead of waiting for
// each other.
struct Slot {
    dev_t dev = 0;
    ino_t ino = 0;
    int fd = -1;      // -1: the lock file could not be opened; nothing is held
    int changes = 0;  // FolderWriteLocks alive
    bool program = false;
    std::string dir;
};

std::mutex& TableMutex() {
    static std::mutex m;
    return m;
}
std::vector<Slot>& Table() {
    static std::vector<Slot> slots;
    return slots;
}

int FindSlot(dev_t dev, ino_t ino) {
    auto& t = Table();
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i].fd == -2 || t[i].dev != dev || t[i].ino != ino) continue;
        // A folder removed since keeps its slot while the program holds it,
        // but a new folder given the same inode is another folder.
        struct stat now {};
        if (::stat(FsName(t[i].dir).c_str(), &now) == 0 && now.st_dev == dev && now.st_ino == ino)
            return static_cast<int>(i);
    }
    return -1;
}

int NewSlot(Slot s) {
    auto& t = Table();
    for (std::size_t i = 0; i < t.size(); ++i)
        if (t[i].fd == -2) {
            t[i] = std::move(s);
            return static_cast<int>(i);
        }
    t.push_back(std::move(s));
    return static_cast<int>(t.size() - 1);
}

void DropIfUnused(int i) {
    Slot& s = Table()[static_cast<std::size_t>(i)];
    if (s.program || s.changes > 0) return;
    if (s.fd >= 0) ::close(s.fd);  // releases the lock
    s = Slot{};
    s.fd = -2;  // free
}

// Opens the folder's lock file; -1 with errno when that is impossible.
int OpenLockFile(const std::string& dir) {
    const std::string path = FsName(WithTrailingSlash(dir) + kWorkLockFileName);
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    // A lock needs no write access: a read-only lock file of another user still locks.
    if (fd < 0 && (errno == EACCES || errno == EROFS)) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    return fd;
}

// Tries the exclusive lock for up to `waitMs`; 0 or the errno.
int LockWithin(int fd, int waitMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    auto pause = std::chrono::microseconds(200);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return errno;
        if (std::chrono::steady_clock::now() >= until) return EWOULDBLOCK;
        std::this_thread::sleep_for(pause);
        if (pause < std::chrono::milliseconds(5)) pause *= 2;
    }
}

bool FolderId(const std::string& dir, struct stat& st) {
    return ::stat(FsName(WithTrailingSlash(dir)).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string WorkFolderBusyText(const std::string& dir) {
    return W("Das Arbeitsverzeichnis ") + WithoutTrailingSlash(dir) +
           W(" wird bereits von einem anderen laufenden Trailvane benutzt.\r\n\r\nZwei Programme auf einem "
             "Arbeitsverzeichnis würden sich gegenseitig die Cache-Datenbank zerstören. Bitte das andere Programm "
             "beenden oder ein anderes Arbeitsverzeichnis wählen.");
}

Result<void> TakeWorkFolder(const std::string& dir) {
    struct stat st {};
    if (!FolderId(dir, st)) {
        const int code = errno != 0 ? errno : ENOTDIR;
        return Error{code, W("Das Arbeitsverzeichnis ") + WithoutTrailingSlash(dir) + W(" ist nicht vorhanden.")};
    }
    std::lock_guard<std::mutex> guard(TableMutex());
    auto& t = Table();
    int at = FindSlot(st.st_dev, st.st_ino);
    if (at < 0 || t[static_cast<std::size_t>(at)].fd < 0) {
        errno = 0;
        const int fd = OpenLockFile(dir);
        if (fd < 0) {
            const int code = errno != 0 ? errno : EACCES;
            return Error{code, W("Die Sperrdatei im Arbeitsverzeichnis ") + WithoutTrailingSlash(dir) +
                                   W(" kann nicht angelegt werden.")};
        }
        // A change of another process ends within moments; a program holds on.
        const int err = LockWithin(fd, 1000);
        if (err != 0) {
            ::close(fd);
            if (err == EWOULDBLOCK) return Error{kWorkFolderBusy, WorkFolderBusyText(dir)};
            return Error{err,
                         W("Das Arbeitsverzeichnis ") + WithoutTrailingSlash(dir) + W(" kann nicht gesperrt werden.")};
        }
        if (at < 0) {
            at = NewSlot(Slot{st.st_dev, st.st_ino, fd, 0, false, WithTrailingSlash(dir)});
        } else {
            t[static_cast<std::size_t>(at)].fd = fd;
        }
    }
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (static_cast<int>(i) == at || !t[i].program) continue;
        t[i].program = false;
        DropIfUnused(static_cast<int>(i));
    }
    t[static_cast<std::size_t>(at)].program = true;
    t[static_cast<std::size_t>(at)].dir = WithTrailingSlash(dir);
    // No writer can be at work in the folder now: what temporary files are
    // there were left by a crash.
    RemoveLeftoverTempFiles(dir);
    return {};
}

void ReleaseWorkFolder() {
    std::lock_guard<std::mutex> guard(TableMutex());
    auto& t = Table();
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (!t[i].program) continue;
        t[i].program = false;
        DropIfUnused(static_cast<int>(i));
    }
}

std::string HeldWorkFolder() {
    std::lock_guard<std::mutex> guard(TableMutex());
    for (const Slot& s : Table())
        if (s.program) return s.dir;
    return {};
}

FolderWriteLock::FolderWriteLock(const std::string& dir, int waitMs) {
    struct stat st {};
    // Without a folder there is nothing to change and nothing to protect.
    if (!FolderId(dir, st)) {
        held_ = true;
        return;
    }
    std::lock_guard<std::mutex> guard(TableMutex());
    auto& t = Table();
    int at = FindSlot(st.st_dev, st.st_ino);
    if (at < 0) {
        errno = 0;
        const int fd = OpenLockFile(dir);
        // A folder that cannot take a lock file still keeps its database
        // usable; only two writers at once are not excluded there.
        if (fd >= 0) {
            error_ = LockWithin(fd, waitMs);
            if (error_ != 0) {
                ::close(fd);
                return;
            }
        }
        at = NewSlot(Slot{st.st_dev, st.st_ino, fd, 0, false, WithTrailingSlash(dir)});
    }
    ++t[static_cast<std::size_t>(at)].changes;
    slot_ = at;
    held_ = true;
}

FolderWriteLock::~FolderWriteLock() {
    if (slot_ < 0) return;
    std::lock_guard<std::mutex> guard(TableMutex());
    --Table()[static_cast<std::size_t>(slot_)].changes;
    DropIfUnused(slot_);
}

}  // namespace tv
