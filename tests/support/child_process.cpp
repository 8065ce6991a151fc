#include "support/child_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/work_lock.h"

namespace tvtest {

pid_t Spawn(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    return pid;
}

int Reap(pid_t pid, bool kill) {
    if (kill) ::kill(pid, SIGKILL);
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

pid_t HoldFolder(const std::string& dir) {
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    const pid_t pid = Spawn([&] {
        if (!tv::TakeWorkFolder(dir).ok() || ::write(ready[1], "1", 1) != 1) return 1;
        for (;;) ::pause();
    });
    ::close(ready[1]);
    char c = 0;
    const bool held = ::read(ready[0], &c, 1) == 1;
    ::close(ready[0]);
    if (!held) Reap(pid);
    return held ? pid : -1;
}

}  // namespace tvtest
