#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "core/work_lock.h"
#include "support/temp_dir.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Set in the copy of this test binary that the test below runs: "fail:" or
// "hang:", then the folder its holder locks.
constexpr const char* kProbeVariable = "TV_HOLDER_PROBE";
constexpr const char* kFailure = "fails on purpose while its holder runs";

// What arrives through `fd` until no process holds its other end open; false
// when `until` passes first.
bool ReadToEnd(int fd, std::string& out, Clock::time_point until) {
    char buf[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n == 0;
        out.append(buf, static_cast<std::size_t>(n));
    }
}

// This test binary run on the test below alone, as the test run runs it:
// its output into a pipe, `probe` telling the test what to do.
struct ProbeRun {
    tvtest::Child run;
    int output = -1;
    ~ProbeRun() {
        if (output >= 0) ::close(output);
    }
};

void StartProbe(const std::string& probe, ProbeRun& p) {
    // Everything the child needs is made before the fork.
    std::vector<std::string> env{std::string(kProbeVariable) + "=" + probe};
    for (char** e = environ; *e != nullptr; ++e)
        if (std::strncmp(*e, "GTEST_", 6) != 0) env.emplace_back(*e);  // no report file of the outer run
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string self = "/proc/self/exe", filter = "--gtest_filter=" + std::string(::testing::UnitTest::GetInstance()
                                                                                        ->current_test_info()
                                                                                        ->test_suite_name()) +
                                                   "." + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    char* argv[] = {self.data(), filter.data(), nullptr};
    int pipeFds[2];
    ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
    p.run = tvtest::Spawn([&] {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::dup2(pipeFds[1], STDERR_FILENO);
        ::execve(self.c_str(), argv, envp.data());
        return 127;
    });
    ::close(pipeFds[1]);
    p.output = pipeFds[0];
}

// Kills a holder the test could not see ending (its pid in the folder), so
// that not even a failing run of this test leaves one behind.
struct HolderSweep {
    std::string dir;
    ~HolderSweep() {
        if (tv::FolderWriteLock(dir, 0).ok()) return;
        std::ifstream in(dir + "holder");
        pid_t pid = 0;
        if (in >> pid && pid > 0) ::kill(pid, SIGKILL);
    }
};

}  // namespace

// A test whose assertion fails while the process it forked holds the work
// folder ends in seconds, and so does the test run: the holder ends with
// the test (its guard kills it), or with the test process when that is
// killed, and nothing keeps the run's output open.
TEST(ChildProcess, FailingTestEndsWithItsForkedHolderInSeconds) {
    if (const char* probe = std::getenv(kProbeVariable)) {
        // The copy run by the test: the failing test with its holder.
        const std::string mode = std::string(probe).substr(0, 5), dir = std::string(probe).substr(5);
        tvtest::Child holder = tvtest::HoldFolder(dir);
        std::ofstream(dir + "holder") << holder.pid();
        while (mode == "hang:") ::pause();
        ASSERT_EQ(holder.pid(), 0) << kFailure;
        return;
    }

    // Within the test process: the failed assertion leaves the scope, and
    // the holder is gone.
    static std::string folder;
    static pid_t holderPid = 0;
    tvtest::TempDir here;
    folder = here.str();
    EXPECT_FATAL_FAILURE(
        {
            tvtest::Child holder = tvtest::HoldFolder(folder);
            holderPid = holder.pid();
            ASSERT_FALSE(tv::FolderWriteLock(folder, 0).ok()) << "the holder does not hold";
            ASSERT_EQ(holder.pid(), 0) << kFailure;
        },
        kFailure);
    EXPECT_TRUE(tv::FolderWriteLock(folder, 0).ok());
    EXPECT_EQ(::kill(holderPid, 0), -1);  // killed and reaped

    // A test run whose test fails, and one killed while its test hangs.
    for (const std::string mode : {"fail:", "hang:"}) {
        SCOPED_TRACE(mode);
        tvtest::TempDir dir;
        HolderSweep sweep{dir.str()};
        const auto started = Clock::now();
        const auto until = started + 20s;
        ProbeRun p;
        StartProbe(mode + dir.str(), p);
        ASSERT_GE(p.output, 0);
        if (mode == "hang:") {
            while (Clock::now() < until && tv::FolderWriteLock(dir.str(), 0).ok()) ::usleep(2000);
            ASSERT_FALSE(tv::FolderWriteLock(dir.str(), 0).ok()) << "the holder never took the folder";
            EXPECT_EQ(p.run.Reap(true), -SIGKILL);
        }
        std::string output;
        EXPECT_TRUE(ReadToEnd(p.output, output, until)) << "the run's output is still open:\n" << output;
        if (mode == "fail:") {
            EXPECT_EQ(p.run.Reap(false, 30), 1) << output;  // gtest's exit code for a failed test
            EXPECT_NE(output.find(kFailure), std::string::npos) << output;
        }
        // The holder's lock ends with the holder.
        EXPECT_TRUE(tv::FolderWriteLock(dir.str(), 5000).ok());
        EXPECT_LT(Clock::now() - started, 20s);
    }
}
