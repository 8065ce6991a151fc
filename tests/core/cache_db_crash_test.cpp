#include "core/cache_db.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/file_procs.h"
#include "core/proc_settings.h"
#include "support/child_process.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace {

using tv::TCacheRec;

TCacheRec Rec(const std::string& wp) {
    TCacheRec r;
    r.Waypoint = wp;
    r.Name = "Cache " + wp;
    return r;
}

// Children write what they did to a log, one line per step ("a" appended,
// "D" delete begun, "d" deleted, each followed by the code).
class CacheDbCrashTest : public ::testing::Test {
protected:
    void SetUp() override {
        tv::ProcSettings.WorkDir = dir.str();
        tv::CacheIndexList.Clear();
    }
    void TearDown() override {
        tv::CacheIndexList.Clear();
        tv::ProcSettings.WorkDir.clear();
    }
    void Base(int n) {
        std::vector<TCacheRec> recs;
        for (int i = 0; i < n; ++i) recs.push_back(Rec("GCB" + std::to_string(i)));
        dir.write("Caches.bin", tv::EncodeCacheRecs(recs));
        ASSERT_EQ(tv::BuildCacheIndex(), 0);
    }
    void Note(char step, const std::string& code) const {
        const std::string line = step + code + "\n";
        const int fd = ::open((dir.str() + "log").c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (::write(fd, line.data(), line.size()) < 0) ::_exit(3);
        ::close(fd);
    }
    std::set<std::string> Noted(char step) const {
        std::set<std::string> codes;
        for (const auto& line : tv::SplitTextLines(dir.read("log")))
            if (line[0] == step) codes.insert(line.substr(1));
        return codes;
    }
    // The database as the next run finds it: whole records, each code once,
    // nothing reported written lost, and every lookup right.
    void Check(int baseCount) {
        std::set<std::string> codes;
        for (const TCacheRec& r : tv::DecodeCacheRecs(dir.read("Caches.bin"))) {
            EXPECT_EQ(r.Name.str(), "Cache " + r.Waypoint.str());
            EXPECT_TRUE(codes.insert(r.Waypoint.str()).second) << "twice: " << r.Waypoint.str();
        }
        const auto begun = Noted('D');
        for (int i = 0; i < baseCount; ++i) {
            const std::string c = "GCB" + std::to_string(i);
            if (!begun.count(c)) EXPECT_TRUE(codes.count(c)) << "lost: " << c;
        }
        for (const auto& c : Noted('a')) EXPECT_TRUE(codes.count(c)) << "lost: " << c;
        for (const auto& c : Noted('d')) EXPECT_FALSE(codes.count(c)) << "back: " << c;
        tv::CacheIndexList.Clear();
        TCacheRec r;
        for (const auto& c : codes) EXPECT_TRUE(tv::FindCacheByWaypoint(c, r) && r.Waypoint.str() == c) << c;
        for (const auto& c : Noted('d')) EXPECT_FALSE(tv::FindCacheByWaypoint(c, r)) << c;
    }
    // 50 children run `work` on the folder, each killed at a random moment.
    void KillAtRandom(int baseCount, const std::function<void(int)>& work) {
        std::mt19937 random(21);
        for (int kill = 0; kill < 50 && !HasFailure(); ++kill) {
            const int from = static_cast<int>(Noted('a').size() + Noted('D').size());
            const pid_t pid = tvtest::Spawn([&] {
                work(from);
                return 0;
            });
            std::this_thread::sleep_for(std::chrono::microseconds(2000 + random() % 40000));
            EXPECT_EQ(tvtest::Reap(pid, true), -SIGKILL);
            Check(baseCount);
        }
    }

    tvtest::TempDir dir;
    tv::platform::ScopedFakes fakes;
};

TEST_F(CacheDbCrashTest, KilledDeletesLeaveAWholeDatabase) {
    Base(800);
    KillAtRandom(800, [&](int i) {
        for (;; ++i) {
            const std::string c = "GCB" + std::to_string(i);
            Note('D', c);
            if (tv::DeleteCacheFromDB(c)) Note('d', c);
        }
    });
}

// A code appended by a run killed before it rebuilt the index, or before it
// could report the append, is found by the next run and not appended again.
TEST_F(CacheDbCrashTest, KilledAppendsLeaveAWholeDatabase) {
    Base(300);
    KillAtRandom(300, [&](int i) {
        for (;; ++i) {
            if (tv::AppendCacheRec(Rec("GCA" + std::to_string(i)))) Note('a', "GCA" + std::to_string(i));
            if (i % 3 == 0) tv::BuildCacheIndex();
        }
    });
}

TEST_F(CacheDbCrashTest, TwoProcessesRewritingAndAppendingLoseNothing) {
    Base(500);
    auto writer = [&](const std::string& prefix) {
        return [&, prefix] {
            for (int i = 0; i < 60; ++i) {
                if (tv::AppendCacheRec(Rec(prefix + std::to_string(i)))) Note('a', prefix + std::to_string(i));
                if (i % 3 == 0 && !tv::DeleteCacheFromDB("GCNONE")) return 1;
            }
            return tv::BuildCacheIndex() == 0 ? 0 : 1;
        };
    };
    const pid_t x = tvtest::Spawn(writer("GCX")), y = tvtest::Spawn(writer("GCY"));
    EXPECT_EQ(tvtest::Reap(x), 0);
    EXPECT_EQ(tvtest::Reap(y), 0);
    EXPECT_EQ(Noted('a').size(), 120u);
    Check(500);
}

TEST_F(CacheDbCrashTest, FailedAppendCutsTheFileBack) {
    Base(3);
    const std::string before = dir.read("Caches.bin") + "cut";  // a partial record is no record
    dir.write("Caches.bin", before);
    int writes = 0;
    tv::SetWriteFaultHook([&](const std::string&, tv::WriteStep) { return ++writes > 1 ? ENOSPC : 0; });
    const auto appended = tv::AppendCacheFile(dir.str() + "Caches.bin", std::vector<TCacheRec>(600, Rec("GCF")));
    tv::SetWriteFaultHook(nullptr);
    ASSERT_FALSE(appended);
    EXPECT_EQ(appended.error().code, ENOSPC);
    EXPECT_EQ(writes, 2);
    EXPECT_EQ(dir.read("Caches.bin"), before.substr(0, 3 * TCacheRec::kSize));
}

}  // namespace
