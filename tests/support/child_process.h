#pragma once
// Other processes for tests of two programs, or a crash, on one folder. A
// forked child never returns into the test framework: it ends with _exit.
//
// A child ends with its test however the test ends: the Child that owns it
// kills and reaps it when it goes out of scope (a failed ASSERT leaves the
// test early), and it dies with the test process (killed by a time limit,
// crashed). Otherwise a child left running would keep the test run's output
// open, and the run would wait for it until its own time limit.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cerrno>
#include <functional>
#include <string>
#include <thread>
#include <utility>

#include "core/work_lock.h"

namespace tvtest {

// How long Reap waits for a child that is not killed before it kills it.
inline constexpr int kReapSeconds = 120;

class Child {
public:
    Child() = default;
    explicit Child(pid_t pid) : pid_(pid) {}
    Child(Child&& other) noexcept : pid_(std::exchange(other.pid_, -1)) {}
    Child& operator=(Child&& other) noexcept {
        if (this != &other) {
            End();
            pid_ = std::exchange(other.pid_, -1);
        }
        return *this;
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() { End(); }

    pid_t pid() const { return pid_; }

    // Waits for the child to end, killed first when asked, else killed when
    // it has not ended within `seconds`; its exit code, or -signal (-1 when
    // there is no child, or it was reaped before).
    int Reap(bool kill = false, int seconds = kReapSeconds) {
        if (pid_ <= 0) return -1;
        const pid_t pid = std::exchange(pid_, -1);
        if (kill) ::kill(pid, SIGKILL);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        auto pause = std::chrono::microseconds(200);
        int status = 0;
        for (;;) {
            const pid_t r = ::waitpid(pid, &status, WNOHANG);
            if (r == pid) break;
            if (r < 0 && errno != EINTR) return -1;
            if (r == 0 && std::chrono::steady_clock::now() >= until) {
                ::kill(pid, SIGKILL);
                while (::waitpid(pid, &status, 0) < 0)
                    if (errno != EINTR) return -1;
                break;
            }
            std::this_thread::sleep_for(pause);
            if (pause < std::chrono::milliseconds(10)) pause *= 2;
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    }

private:
    void End() {
        if (pid_ > 0) Reap(true);
    }
    pid_t pid_ = -1;
};

// Reaps the child, killed first when asked; its exit code, or -signal.
inline int Reap(Child& child, bool kill = false) { return child.Reap(kill); }

// Runs `body` in a forked child that dies with this process. With `quiet`,
// the child writes nothing into the test run's output.
inline Child Spawn(const std::function<int()>& body, bool quiet = false) {
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // The test's thread is the parent meant here: the tests fork from
        // the main thread, which lives as long as the process.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);  // the test process is gone already
        if (quiet) {
            const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
        }
        ::_exit(body());
    }
    return Child(pid);
}

// A child holding the program's lock on the folder until it is reaped.
inline Child HoldFolder(const std::string& dir) {
    Child holder = Spawn(
        [&] {
            if (!tv::TakeWorkFolder(dir).ok()) return 1;
            for (;;) ::pause();
        },
        true);
    // Held once a change of this process cannot get the lock any more.
    for (int wait = 0; wait < 5000 && tv::FolderWriteLock(dir, 0).ok(); ++wait) ::usleep(1000);
    return holder;
}

}  // namespace tvtest
