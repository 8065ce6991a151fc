#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "core/work_lock.h"
#include "support/temp_dir.h"

// A test whose assertion fails while the process it forked holds the work
// folder ends in seconds, and so does the test run: the holder ends with the
// test (its guard kills it), or with the test process when a time limit
// kills that, and it never holds the run's output open.
TEST(ChildProcess, FailingTestEndsWithItsForkedHolderInSeconds) {
    const auto started = std::chrono::steady_clock::now();
    static std::string folder;  // the statement below sees no locals
    static pid_t holderPid = 0;
    tvtest::TempDir dir;
    folder = dir.str();
    EXPECT_FATAL_FAILURE(
        {
            tvtest::Child holder = tvtest::HoldFolder(folder);
            holderPid = holder.pid();
            ASSERT_FALSE(tv::FolderWriteLock(folder, 0).ok()) << "the holder does not hold";
            ASSERT_EQ(holder.pid(), 0) << "fails on purpose";
        },
        "fails on purpose");
    EXPECT_TRUE(tv::FolderWriteLock(folder, 0).ok());
    EXPECT_EQ(::kill(holderPid, 0), -1);  // killed and reaped

    // A test process with its output into a pipe, killed while it hangs.
    int output[2];
    ASSERT_EQ(::pipe2(output, O_CLOEXEC), 0);
    tvtest::Child test = tvtest::Spawn([&] {
        ::dup2(output[1], STDOUT_FILENO);
        ::dup2(output[1], STDERR_FILENO);
        ::close(output[0]);
        ::close(output[1]);
        tvtest::Child holder = tvtest::HoldFolder(folder);
        const pid_t pid = holder.pid();
        if (::write(STDOUT_FILENO, &pid, sizeof pid) != sizeof pid) return 1;
        for (;;) ::pause();
    });
    ::close(output[1]);
    // Not even a failing run of this test leaves a holder behind.
    struct Sweep {
        pid_t pid = 0;
        ~Sweep() {
            if (pid > 0 && !tv::FolderWriteLock(folder, 0).ok()) ::kill(pid, SIGKILL);
        }
    } sweep;
    pollfd out{output[0], POLLIN, 0};
    ASSERT_TRUE(::poll(&out, 1, 10000) == 1 && ::read(output[0], &sweep.pid, sizeof(pid_t)) == sizeof(pid_t));
    ASSERT_FALSE(tv::FolderWriteLock(folder, 0).ok()) << "the holder never took the folder";
    EXPECT_EQ(test.Reap(true), -SIGKILL);
    // The end of the output: no process keeps it open.
    char byte = 0;
    EXPECT_TRUE(::poll(&out, 1, 10000) == 1 && ::read(output[0], &byte, 1) == 0);
    ::close(output[0]);
    EXPECT_TRUE(tv::FolderWriteLock(folder, 5000).ok());  // the holder is gone
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
}
