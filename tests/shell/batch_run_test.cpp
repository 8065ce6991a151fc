// The batch run's state machine over scripted windows: the order of the
// steps, the state bytes read and set back, the timer switched off around
// every window, the loader's error stop and the closing boxes.
#include "shell/batch_run.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/proc_settings.h"
#include "support/fakes.h"

namespace tv {
namespace {

struct FakeTimer final : IBatchTimer {
    bool on = false;
    bool enabled() const override { return on; }
    void setEnabled(bool o) override { on = o; }
};

// A window that behaves like the real ones: closing sets its state byte to 2.
struct FakeTarget final : IBatchTarget {
    FakeTarget(std::string n, std::vector<std::string>& l, FakeTimer& t) : name(std::move(n)), log(l), timer(t) {}
    std::string name;
    std::vector<std::string>& log;
    FakeTimer& timer;
    int byte = 0;
    bool error = false;
    bool armed = false;
    bool closeSetsState = true;
    std::function<void()> whileShown;

    void armAutoStart() override {
        armed = true;
        log.push_back("arm " + name);
    }
    int showModal() override {
        log.push_back(std::string("show ") + name + (armed ? "" : " unarmed") + (timer.on ? " timer-on" : ""));
        armed = false;
        if (whileShown) whileShown();
        if (closeSetsState) byte = kTargetClosed;
        return 1;
    }
    int state() const override { return byte; }
    void setState(int s) override { byte = s; }
    bool errorFlag() const override { return error; }
};

class BatchRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = ProcSettings;
        ProcSettings = TProcSettings{};
        ProcSettings.ShowMessages = true;
        run.onFinished = [this] { ++finished; };
    }
    void TearDown() override { ProcSettings = saved_; }

    // Ticks while the timer runs (at most `limit` times).
    void TickWhileOn(int limit = 10) {
        for (int i = 0; i < limit && timer.on; ++i) run.tick();
    }

    platform::ScopedFakes fakes;
    std::vector<std::string> log;
    FakeTimer timer;
    FakeTarget loader{"loader", log, timer}, descr{"descr", log, timer}, index{"index", log, timer};
    int state = 4;  // the main window's field, as a previous batch left it
    BatchRun run{loader, descr, index, timer, state};
    int finished = 0;

private:
    TProcSettings saved_;
};

const std::vector<std::string> kFullRun = {"arm loader", "show loader", "arm descr",
                                           "show descr", "arm index",   "show index"};

TEST_F(BatchRunTest, RunsTheThreeWindowsInOrderAndEndsInStateFour) {
    EXPECT_TRUE(run.command());
    EXPECT_EQ(state, kBatchStart);
    EXPECT_TRUE(timer.on);
    EXPECT_TRUE(run.running());
    EXPECT_TRUE(log.empty());  // nothing happens before the first tick

    run.tick();
    EXPECT_EQ(state, kBatchLoading);
    EXPECT_TRUE(timer.on);
    run.tick();
    EXPECT_EQ(state, kBatchDescriptions);
    EXPECT_EQ(loader.byte, 0);  // read and set back
    run.tick();
    EXPECT_EQ(state, kBatchIndex);
    EXPECT_EQ(descr.byte, 0);
    EXPECT_TRUE(fakes.messages.shown.empty());
    run.tick();
    EXPECT_EQ(state, kBatchFinished);
    EXPECT_FALSE(timer.on);
    EXPECT_FALSE(run.running());
    EXPECT_EQ(index.byte, kTargetClosed);  // left as it is

    // Every window was armed just before it was shown, with the batch timer off.
    EXPECT_EQ(log, kFullRun);
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].text, "Batchverarbeitung abgeschlossen.");
    EXPECT_EQ(fakes.messages.shown[0].kind, platform::MsgKind::Information);
    EXPECT_EQ(finished, 1);

    // A stray tick after the end does nothing.
    run.tick();
    EXPECT_EQ(log.size(), kFullRun.size());
    EXPECT_EQ(finished, 1);
}

TEST_F(BatchRunTest, LoaderErrorStopsBeforeTheDescriptions) {
    for (bool messages : {true, false}) {
        SCOPED_TRACE(messages);
        ProcSettings.ShowMessages = messages;
        log.clear();
        fakes.messages.shown.clear();
        finished = 0;
        loader.error = true;
        run.command();
        TickWhileOn();
        EXPECT_EQ(log, (std::vector<std::string>{"arm loader", "show loader"}));
        EXPECT_EQ(state, kBatchFinished);
        EXPECT_FALSE(timer.on);
        EXPECT_EQ(loader.byte, kTargetClosed);  // not read, so not set back
        EXPECT_EQ(finished, 1);
        if (messages) {
            ASSERT_EQ(fakes.messages.shown.size(), 1u);
            EXPECT_EQ(fakes.messages.shown[0].text, "Batchverarbeitung mit Fehlern beendet.");
            EXPECT_EQ(fakes.messages.shown[0].kind, platform::MsgKind::Error);
        } else {
            EXPECT_TRUE(fakes.messages.shown.empty());
        }
    }
}

}  // namespace
}  // namespace tv
