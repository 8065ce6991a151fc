#include "shell/batch_run.h"

#include "core/proc_settings.h"
#include "platform/services.h"

namespace tv {

BatchRun::BatchRun(IBatchTarget& loader, IBatchTarget& descr, IBatchTarget& index, IBatchTimer& timer, int& state)
    : loader_(loader), descr_(descr), index_(index), timer_(timer), state_(state) {}

bool BatchRun::running() const { return showing_ || timer_.enabled(); }

bool BatchRun::command() {
    if (running()) return false;
    state_ = kBatchStart;
    timer_.setEnabled(true);
    return true;
}

void BatchRun::runStep(IBatchTarget& target, int nextState) {
    timer_.setEnabled(false);
    state_ = nextState;
    target.armAutoStart();
    showing_ = true;
    target.showModal();
    showing_ = false;
}

void BatchRun::finish() {
    if (onFinished) onFinished();
}

void BatchRun::tick() {
    // The timer is off while a window shows; a tick arriving through a nested
    // event loop all the same must not start a second window.
    if (showing_) return;
    switch (state_) {
        case kBatchStart:
            runStep(loader_, kBatchLoading);
            if (loader_.errorFlag()) {
                state_ = kBatchFinished;
                if (ProcSettings.ShowMessages)
                    platform::messages().show(platform::MsgKind::Error, "Batchverarbeitung mit Fehlern beendet.");
                finish();
            } else {
                timer_.setEnabled(true);
            }
            break;
        case kBatchLoading:
            if (loader_.state() != kTargetClosed) break;
            timer_.setEnabled(false);
            loader_.setState(0);
            runStep(descr_, kBatchDescriptions);
            timer_.setEnabled(true);
            break;
        case kBatchDescriptions:
            if (descr_.state() != kTargetClosed) break;
            timer_.setEnabled(false);
            descr_.setState(0);
            runStep(index_, kBatchIndex);
            timer_.setEnabled(true);
            break;
        case kBatchIndex:
            if (index_.state() != kTargetClosed) break;
            timer_.setEnabled(false);
            state_ = kBatchFinished;  // the index window keeps its state byte
            if (ProcSettings.ShowMessages)
                platform::messages().show(platform::MsgKind::Information, "Batchverarbeitung abgeschlossen.");
            finish();
            break;
        default:
            break;
    }
}

}  // namespace tv
