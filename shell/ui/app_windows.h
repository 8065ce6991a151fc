#pragma once
// The long-lived windows, created at start in a fixed order and held in named
// slots until the program ends. A window that is not built yet is a plain
// placeholder dialog with the right object name; replacing it is one line in
// the factory table of app_windows.cpp. Window classes can still be created
// further times by their users.
#include <QDialog>
#include <QPointer>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/services.h"

class QWidget;

namespace tv {

class TfrmMain;
class TfrmWait;

// The slots in creation order.
enum class Win : int {
    frmMain,
    frmSettings,
    frmLoadHTML,
    frmCreateDescr,
    frmIndex,
    frmGetDay,
    frmCacheDetails,
    frmWait,
    frmCalc,
    frmRoute,
    frmMap,
    frmCoordInput,
    frmLoadFromGC,
    frmEditCache,
    frmNameSearch,
    frmGPXExp,
    frmAddInfo,
    frmCacheFilter,
    frmROT13,
    frmInputLine,
    frmGPXImp,
    frmSubSelector,
    frmBuddylist,
    frmUTM,
    frmGoogleShow,
    frmGoogleMaps,
    frmAddWPDisplay,
    frmGMLink,
};
inline constexpr int kAppWindowCount = 28;

// The slot's global name ("frmSettings").
const char* WinName(Win slot);

class AppWindows {
public:
    // Creates the 28 windows in slot order, installs the wait window as the
    // progress service, lets the main window's ApplyShowHints reach the nine
    // windows with a tooltip switch, and becomes the process-wide registry.
    AppWindows();
    // Runs the main window's FormDestroy, restores the services and deletes
    // the windows in reverse order.
    ~AppWindows();
    AppWindows(const AppWindows&) = delete;
    AppWindows& operator=(const AppWindows&) = delete;

    QWidget* window(Win slot) const { return windows_[static_cast<std::size_t>(slot)].get(); }
    // The slot's window as its class; null while the slot holds a placeholder
    // (or another class).
    template <typename T>
    T* get(Win slot) const {
        return qobject_cast<T*>(window(slot));
    }
    TfrmMain* frmMain() const;
    TfrmWait* frmWait() const;

    // Object names of the windows in the order they were created.
    const std::vector<std::string>& CreationOrder() const { return order_; }

    // The slots whose tooltips follow the setting ShowTooltips (besides the
    // main window).
    static const std::array<Win, 9>& HintWindows();

private:
    std::array<std::unique_ptr<QWidget>, kAppWindowCount> windows_;
    std::vector<std::string> order_;
    platform::Services previousServices_;
};

// The registry of the running program; null when none exists.
AppWindows* Windows();

}  // namespace tv
