#pragma once
// The shared wait window: an action text and a progress bar in a small tool
// window that stays on top. Long work reaches it as the platform's progress
// service; callers set the range and position, SetAction shows the window with
// the text, hide closes it.
#include <QDialog>
#include <string>

#include "platform/services.h"

class QLabel;
class QProgressBar;

namespace tv {

class TfrmWait : public QDialog, public platform::IProgress {
    Q_OBJECT

public:
    TfrmWait();

    QLabel* lblAction = nullptr;
    QProgressBar* Progress = nullptr;

    // lblAction := text (Windows-1252), then show the window (not modally) and
    // let the event loop run once so that the text is painted at once.
    void SetAction(const std::string& text);

    // platform::IProgress
    void setRange(int minimum, int maximum) override;
    void setPosition(int position) override;
    void setAction(const std::string& text) override { SetAction(text); }
    void hide() override;
};

// Makes `w` the process-wide progress service (the other services stay);
// returns the services installed before.
platform::Services InstallWaitWindow(TfrmWait& w);

}  // namespace tv
