#pragma once
// Other processes for tests of two programs, or a crash, on one folder. A
// forked child never returns into the test framework: it ends with _exit.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "core/work_lock.h"

namespace tvtest {

inline pid_t Spawn(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    return pid;
}

// Reaps the child, killed first when asked; its exit code, or -signal.
inline int Reap(pid_t pid, bool kill = false) {
    if (kill) ::kill(pid, SIGKILL);
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

// A child holding the program's lock on the folder until it is reaped.
inline pid_t HoldFolder(const std::string& dir) {
    const pid_t pid = Spawn([&] {
        if (!tv::TakeWorkFolder(dir).ok()) return 1;
        for (;;) ::pause();
    });
    // Held once a change of this process cannot get the lock any more.
    for (int wait = 0; wait < 5000 && tv::FolderWriteLock(dir, 0).ok(); ++wait) ::usleep(1000);
    return pid;
}

}  // namespace tvtest
