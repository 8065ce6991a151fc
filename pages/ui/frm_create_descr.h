#pragma once
// "Cachebeschreibungen erzeugen": turns the stored listing pages of the work
// list or of the whole description folder into offline description pages.
// The run is pages/description_run.h; this window lays out the options,
// shows the progress and is driven unattended by the batch run through
// AutoLoad and State.
#include <QDialog>
#include <string>
#include <vector>

#include "pages/description_run.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTimer;

namespace tv {

class TfrmCreateDescr : public QDialog {
    Q_OBJECT

public:
    explicit TfrmCreateDescr(QWidget* parent = nullptr);
    ~TfrmCreateDescr() override;

    std::vector<std::string> WaypointList;  // the codes the next run converts
    std::string TemplateText;               // the template of the last run
    // The run was started by AutoLoad: no end box and no removed-content
    // warning. Set by the timer, reset at the end of every run.
    bool AutoRun = false;
    bool Cancelled = false;
    std::string RemovedContentList;  // "GC1(2/0), GC2(0/1)" of the last run
    // 0 after creation, 1 once a run has read its template, 2 set on every close.
    int State = 0;

    // Controls, named as the handlers and settings refer to them.
    QTabWidget* pcOptions = nullptr;
    QCheckBox* cbKeepOld = nullptr;
    QCheckBox* cbLogs = nullptr;
    QComboBox* cbMaxLog = nullptr;
    QCheckBox* cbBoldLogs = nullptr;
    QCheckBox* cbCacheimages = nullptr;
    QGroupBox* gbImageKind = nullptr;
    QButtonGroup* rgImageKind = nullptr;
    QButtonGroup* rgHints = nullptr;
    QComboBox* cbHome = nullptr;
    QButtonGroup* rgConvWhich = nullptr;
    QLineEdit* edTemplate = nullptr;
    QPushButton* Button1 = nullptr;
    QCheckBox* cbBody = nullptr;
    QCheckBox* cbBGColor = nullptr;
    QCheckBox* cbImg = nullptr;
    QCheckBox* cbStyle = nullptr;
    QCheckBox* cbHREF = nullptr;
    QCheckBox* cbFont = nullptr;
    QCheckBox* cbTables = nullptr;
    QCheckBox* cbRemoveAll = nullptr;
    QCheckBox* cbSpan = nullptr;  // hidden; kept in the settings only
    QListWidget* lbMaps = nullptr;
    QPushButton* btnUp = nullptr;
    QPushButton* btnDown = nullptr;
    QButtonGroup* rgResizeMap = nullptr;
    QCheckBox* cbSaveOptions = nullptr;
    QLabel* paAnz = nullptr;
    QLabel* lblWP = nullptr;
    QProgressBar* pb = nullptr;
    QPushButton* btnStart = nullptr;
    QPushButton* btnCancel = nullptr;
    // Auto-start (200 ms, single shot): the batch run starts it before showing
    // the window; it runs "Start" and the window closes.
    QTimer* AutoLoad = nullptr;

    DescrWindowOptions OptionsFromControls() const;
    bool Running() const { return running_ != nullptr; }

public slots:
    void FillWaypointList();
    void LoadOptions();
    void rgConvWhichClick();
    void cbLogsClick();
    void cbCacheimagesClick();
    void lbMapsClick();
    void btnUpClick();
    void btnDownClick();
    void Button1Click();
    void btnCancelClick();
    void AutoLoadTimer();
    void btnStartClick();
    void done(int r) override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void FormShow();
    void Start(bool byTimer);
    void ControlsFromOptions(const DescrWindowOptions& o);
    void MoveMap(bool up);

    DescriptionGenerator* running_ = nullptr;
};

// The window of the running program (the first one created).
extern TfrmCreateDescr* frmCreateDescr;

}  // namespace tv
