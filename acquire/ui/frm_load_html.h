#pragma once
// "Laden vom Internet": loads the listing pages of the work list (or of a
// hand-over list) with pictures and map pictures. The work is done by
// ListingLoader; this window lays out the options, shows the protocol and
// counters, and is driven unattended by the batch run through its AutoLoad
// timer, state byte and error flag.
#include <QDialog>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "acquire/listing_loader.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;

namespace tv {

class TfrmLoadHTML : public QDialog {
    Q_OBJECT

public:
    explicit TfrmLoadHTML(QWidget* parent = nullptr);

    // Fields read and set by callers.
    std::vector<std::string> WorkList;
    std::vector<std::string> HandOverList;  // non-empty: the next showing loads these codes
    bool CloseAfter = false;
    bool NoWarning = false;
    bool Unattended = false;
    int StateByte = 0;  // 0 idle, 1 a run started, 2 closed
    // 0..2: the overwrite choice the next showing uses instead of the stored
    // one (reload of marked caches); never stored. -1: none.
    int ForcedOverwrite = -1;
    bool ErrorFlag() const { return loader_.errorFlag(); }
    void SetErrorFlag(bool on) { loader_.setErrorFlag(on); }
    const std::string& CurrentWaypoint() const { return loader_.currentWaypoint(); }
    std::array<int, 4> ZoomIndex{3, 3, 2, 6};

    // Also used for the database downloads of the main window.
    bool getBinaryToFile(const std::string& url, const std::string& dest, bool quiet);
    bool getCacheToFile(const std::string& wp);
    void getCacheMapToFile(const std::string& wp, int kind);
    ListingLoader& loader() { return loader_; }

    // Opens the waypoint-collection window for btnExclList; set by the shell.
    static std::function<void(QWidget* over)> ShowExclusionList;

    // Controls, named as the handlers and settings refer to them.
    QGroupBox* gbOptions = nullptr;
    QButtonGroup* rgOverwrite = nullptr;
    QLineEdit* edAge = nullptr;
    QCheckBox* cbSaveOptions = nullptr;
    QCheckBox* cbLoadMap = nullptr;
    QButtonGroup* rgMap = nullptr;
    QGroupBox* gbMap = nullptr;
    QComboBox* cbZoom = nullptr;
    QComboBox* cbMapsize = nullptr;
    QLabel* lblSize = nullptr;
    QPushButton* btnLoadMapsOnly = nullptr;
    QCheckBox* cbLoadImages = nullptr;
    QCheckBox* cbRemoteImages = nullptr;
    QCheckBox* cbExcludelist = nullptr;
    QPushButton* btnExclList = nullptr;
    QCheckBox* cbIgnorelist = nullptr;
    QCheckBox* cbArchivelist = nullptr;
    QGroupBox* gbProtocol = nullptr;
    QLabel* lblTask = nullptr;
    QLabel* lblSubtask = nullptr;
    QProgressBar* pb1 = nullptr;
    QProgressBar* pb2 = nullptr;
    QPlainTextEdit* mmProt = nullptr;
    QGroupBox* gbLoadStats = nullptr;
    QLabel *lblLoaded = nullptr, *lblError = nullptr, *lblSkipped = nullptr, *lblExistingSkipped = nullptr,
           *lblExcluded = nullptr, *lblIgnored = nullptr, *lblArchived = nullptr;
    QLabel* worldImage = nullptr;
    QLabel* lblContent = nullptr;
    QPushButton* btnWhy50 = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnAbort = nullptr;
    QPushButton* btnLoad = nullptr;
    QTimer* AutoLoad = nullptr;
    QTimer* AutoClose = nullptr;

public slots:
    void btnLoadClick();
    void btnLoadMapsOnlyClick();
    void btnOKClick();
    void btnAbortClick();
    void btnExclListClick();
    void btnWhy50Click();
    void cbLoadImagesClick();
    void cbLoadMapClick();
    void rgMapClick();
    void cbZoomChange(int index);
    void AutoLoadTimer();
    void AutoCloseTimer();
    void done(int r) override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void FormShow();
    void Run(bool mapsOnly);
    LoaderOptions OptionsFromControls() const;
    void ControlsFromOptions(const LoaderOptions& o);
    void SetOptionsEnabled(bool on);
    void ShowCounters(const LoaderCounters& c);

    ListingLoader loader_;
    bool runAborted_ = false;
    bool forced_ = false;        // this showing uses ForcedOverwrite
    int storedOverwrite_ = 0;    // the choice the settings hold meanwhile
    bool laying_ = false;  // rgMapClick fills the lists; cbZoomChange must not store then
};

// Created at start-up by the shell.
extern TfrmLoadHTML* frmLoadHTML;

}  // namespace tv
