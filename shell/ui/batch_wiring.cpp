#include "shell/ui/batch_wiring.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <vector>

#include "acquire/ui/frm_load_html.h"
#include "pages/ui/frm_create_descr.h"
#include "pages/ui/frm_index.h"
#include "platform/ui/modal_host.h"
#include "shell/batch_run.h"
#include "shell/ui/app_windows.h"
#include "shell/ui/frm_main.h"
#include "platform/ui/form_events.h"

namespace tv {

namespace {

// Watches a window and its auto-start timer: the timer stops when the window
// is hidden, and a tick is held back while the window is not visible, while
// another modal window (a box of its show handler) is on top of it, or while
// the window is about to close by itself (`closeTimer` running).
class AutoStartGuard final : public QObject {
public:
    AutoStartGuard(QDialog* window, QTimer* timer, QTimer* closeTimer, QObject* parent)
        : QObject(parent), window_(window), timer_(timer), closeTimer_(closeTimer) {
        window->installEventFilter(this);
        timer->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (!window_ || !timer_) return false;
        if (watched == window_ && e->type() == QEvent::Hide && IsFormShowHide(e)) {
            timer_->stop();
        } else if (watched == timer_ && e->type() == QEvent::Timer) {
            if (!window_->isVisible()) {
                timer_->stop();
                return true;
            }
            // Held back: the timer stays active and fires again on its next
            // interval, once the box is gone.
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal != window_) return true;
            if (closeTimer_ && closeTimer_->isActive()) return true;
        }
        return false;
    }

private:
    // QWidget: the filter still sees events while the dialog is destroyed.
    QPointer<QWidget> window_;
    QPointer<QTimer> timer_;
    QPointer<QTimer> closeTimer_;
};

// One window of the batch: its auto-start timer, its state byte and, for the
// loader, its error flag.
class WindowTarget final : public IBatchTarget {
public:
    WindowTarget(TfrmMain& main, QDialog* window, QTimer* autoLoad, std::function<int()> getState,
                 std::function<void(int)> setState, std::function<bool()> error = {})
        : main_(main),
          window_(window),
          autoLoad_(autoLoad),
          getState_(std::move(getState)),
          setState_(std::move(setState)),
          error_(std::move(error)) {}

    void armAutoStart() override {
        if (autoLoad_) autoLoad_->start();
    }
    int showModal() override {
        if (!window_) return QDialog::Rejected;
        const int result = platform::modalHost().exec(*window_, &main_);
        if (autoLoad_) autoLoad_->stop();
        return result;
    }
    int state() const override { return window_ ? getState_() : 0; }
    void setState(int s) override {
        if (window_) setState_(s);
    }
    bool errorFlag() const override { return window_ && error_ && error_(); }

private:
    TfrmMain& main_;
    QPointer<QDialog> window_;
    QPointer<QTimer> autoLoad_;
    std::function<int()> getState_;
    std::function<void(int)> setState_;
    std::function<bool()> error_;
};

class MainTimer final : public IBatchTimer {
public:
    explicit MainTimer(QTimer* timer) : timer_(timer) {}
    bool enabled() const override { return timer_ && timer_->isActive(); }
    void setEnabled(bool on) override {
        if (!timer_) return;
        if (on)
            timer_->start();
        else
            timer_->stop();
    }

private:
    QPointer<QTimer> timer_;
};

}  // namespace

struct BatchWiring::Parts {
    std::unique_ptr<WindowTarget> loader, descr, index;
    std::unique_ptr<MainTimer> timer;
};

BatchWiring::BatchWiring(TfrmMain& main) : QObject(&main), parts_(std::make_unique<Parts>()) {
    setObjectName("BatchWiring");
    AppWindows* windows = Windows();
    auto* loader = windows->get<TfrmLoadHTML>(Win::frmLoadHTML);
    auto* descr = windows->get<TfrmCreateDescr>(Win::frmCreateDescr);
    auto* index = windows->get<TfrmIndex>(Win::frmIndex);

    parts_->loader = std::make_unique<WindowTarget>(
        main, loader, loader->AutoLoad, [loader] { return loader->StateByte; },
        [loader](int s) { loader->StateByte = s; }, [loader] { return loader->ErrorFlag(); });
    parts_->descr = std::make_unique<WindowTarget>(
        main, descr, descr->AutoLoad, [descr] { return descr->State; }, [descr](int s) { descr->State = s; });
    parts_->index = std::make_unique<WindowTarget>(
        main, index, index->AutoLoad, [index] { return index->State; }, [index](int s) { index->State = s; });
    parts_->timer = std::make_unique<MainTimer>(main.tiAutoLoad);
    // The loader closes itself through AutoClose after an empty work list.
    new AutoStartGuard(loader, loader->AutoLoad, loader->AutoClose, this);
    new AutoStartGuard(descr, descr->AutoLoad, nullptr, this);
    new AutoStartGuard(index, index->AutoLoad, nullptr, this);

    run_ = std::make_unique<BatchRun>(*parts_->loader, *parts_->descr, *parts_->index, *parts_->timer, main.BatchState);
    // The new descriptions and the index page show in the list at the end.
    run_->onFinished = [&main] { main.RefreshCacheList(); };
}

BatchWiring::~BatchWiring() = default;

BatchWiring* InstallBatchRun(TfrmMain& main) {
    if (auto* existing = main.findChild<BatchWiring*>(QString(), Qt::FindDirectChildrenOnly)) return existing;
    AppWindows* windows = Windows();
    if (!windows || !windows->get<TfrmLoadHTML>(Win::frmLoadHTML) ||
        !windows->get<TfrmCreateDescr>(Win::frmCreateDescr) || !windows->get<TfrmIndex>(Win::frmIndex))
        return nullptr;

    auto* wiring = new BatchWiring(main);
    BatchRun* run = &wiring->run();
    TfrmMain* m = &main;
    main.BindCommand(main.menus.mnuBatch, [m, run] {
        if (run->command()) m->BuildFolderTree();
    });
    main.tiAutoLoadTimer = [run] { run->tick(); };
    return wiring;
}

}  // namespace tv
