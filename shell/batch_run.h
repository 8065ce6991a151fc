#pragma once
// The batch run of the main window ("Batch (Laden / Konvertieren / Index
// erzeugen)"): a 500 ms timer that loads the listing pages of the work list,
// creates their descriptions and writes the index page, one window after the
// other. Each step switches the timer off, arms the target window's own
// auto-start timer, shows the window modally and reads its state byte once
// it has closed; the timer then goes on to the next step.
//
// The windows and the timer are reached through small interfaces, so the
// state machine runs without any window in tests.
#include <functional>

namespace tv {

// Batch states (the main window's BatchState).
enum BatchStep : int {
    kBatchStart = 0,
    kBatchLoading = 1,       // listing pages
    kBatchDescriptions = 2,  // offline descriptions
    kBatchIndex = 3,         // index page
    kBatchFinished = 4,
};

// State byte of a driven window: 0 after creation, 1 while it works, 2 set
// whenever it closes.
inline constexpr int kTargetClosed = 2;

// One window the batch drives.
class IBatchTarget {
public:
    virtual ~IBatchTarget() = default;
    // Switches on the window's auto-start timer, so that it starts its work
    // by itself once shown and closes when done.
    virtual void armAutoStart() = 0;
    // Centres the window over the main window and shows it modally; returns
    // when it has closed, with its modal result.
    virtual int showModal() = 0;
    virtual int state() const = 0;
    virtual void setState(int state) = 0;
    // Only the listing loader has one: a page could not be fetched, or the
    // work list was empty.
    virtual bool errorFlag() const { return false; }
};

// The main window's timer tiAutoLoad.
class IBatchTimer {
public:
    virtual ~IBatchTimer() = default;
    virtual bool enabled() const = 0;
    virtual void setEnabled(bool on) = 0;
};

class BatchRun {
public:
    // `state` is the main window's batch state field; it must outlive this.
    BatchRun(IBatchTarget& loader, IBatchTarget& descr, IBatchTarget& index, IBatchTimer& timer, int& state);

    // The menu command: ignored while a batch runs (timer on, or one of the
    // windows showing); otherwise state 0 and the timer on. True when it
    // started a batch; the caller then rebuilds the folder tree.
    bool command();
    // One tick of the timer.
    void tick();

    int state() const { return state_; }
    // True from the command until the batch has reached its end.
    bool running() const;

    // Called once each time the batch reaches state 4 (after the index step
    // or a loader error), after the closing box.
    std::function<void()> onFinished;

private:
    // Timer off, target armed and shown; returns when it has closed.
    void runStep(IBatchTarget& target, int nextState);
    void finish();

    IBatchTarget& loader_;
    IBatchTarget& descr_;
    IBatchTarget& index_;
    IBatchTimer& timer_;
    int& state_;
    bool showing_ = false;
};

}  // namespace tv
