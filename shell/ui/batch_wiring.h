#pragma once
// The batch run on the main window: Datei / "Batch (Laden / Konvertieren /
// Index erzeugen)" and the timer tiAutoLoad drive BatchRun over the listing
// loader, the description window and the index window of the window registry.
//
// The auto-start timers of those windows are guarded while the batch owns
// them: a timer stops when its window closes (so a window that closed by
// itself, e.g. on an empty work list, does not start a stray run later), and
// it does not fire while the window is hidden or while a box that the
// window's show handler opened is still up (it tries again on its next tick).
#include <QObject>
#include <memory>

namespace tv {

class BatchRun;
class TfrmMain;

class BatchWiring : public QObject {
    Q_OBJECT

public:
    ~BatchWiring() override;
    BatchRun& run() { return *run_; }

private:
    friend BatchWiring* InstallBatchRun(TfrmMain& main);
    explicit BatchWiring(TfrmMain& main);

    struct Parts;
    std::unique_ptr<Parts> parts_;
    std::unique_ptr<BatchRun> run_;
};

// Binds the menu item and the timer of `main` to a batch run over the windows
// of the registry (Windows()). Returns the wiring (a child of `main`), or
// null, leaving the item disabled, while the registry lacks one of the three
// windows. A second call returns the existing wiring.
BatchWiring* InstallBatchRun(TfrmMain& main);

}  // namespace tv
