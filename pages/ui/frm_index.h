#pragma once
// "Indexseite erzeugen": writes the index page of the converted descriptions
// of the description folder (or of the folder the main window sets in
// FolderOverride). The page itself is made by pages/index_page.h; this window
// lays out the options, asks before writing outside the folder and is driven
// unattended by the batch run through AutoLoad and State.
#include <QDialog>
#include <string>
#include <vector>

#include "pages/index_page.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace tv {

class TfrmIndex : public QDialog {
    Q_OBJECT

public:
    explicit TfrmIndex(QWidget* parent = nullptr);
    ~TfrmIndex() override;

    // Codes of the converted pages of the folder, filled when shown.
    std::vector<std::string> DescriptionList;
    // Another folder than the description folder; set before showing, cleared
    // whenever the window is hidden. Ends in '/'.
    std::string FolderOverride;
    // 0 after creation, 1 while the page is written, 2 set on every close.
    int State = 0;

    // Controls, named as the handlers and settings refer to them.
    QGroupBox* gbOptions = nullptr;
    QCheckBox* cbHidden = nullptr;
    QCheckBox* cbKoord = nullptr;
    QCheckBox* cbDistance = nullptr;
    QCheckBox* cbType = nullptr;
    QCheckBox* cbSize = nullptr;
    QCheckBox* cbDT = nullptr;
    QCheckBox* cbName = nullptr;
    QCheckBox* CheckBox1 = nullptr;  // "Waypoint", always ticked
    QGroupBox* gbWhich = nullptr;
    QButtonGroup* rgWhich = nullptr;
    QGroupBox* gbSort = nullptr;
    QButtonGroup* rgSort = nullptr;
    QGroupBox* gbAscDesc = nullptr;
    QButtonGroup* rgAscDesc = nullptr;
    QComboBox* cbHome = nullptr;
    QCheckBox* cbSaveOptions = nullptr;
    QLineEdit* edIndexFilename = nullptr;
    QPushButton* btnChooseFilename = nullptr;
    QLabel* lblOutDir = nullptr;
    QLabel* lblDate = nullptr;
    QCheckBox* cbSparversion = nullptr;
    QPushButton* btnOK = nullptr;
    QCheckBox* cbShow = nullptr;
    QPushButton* btnCancel = nullptr;
    // Auto-start (200 ms, single shot): the batch run starts it before showing
    // the window; it writes the page and closes the window.
    QTimer* AutoLoad = nullptr;

    // The folder the page is for: FolderOverride, else the description folder.
    std::string Folder() const;
    IndexOptions OptionsFromControls() const;

public slots:
    void btnOKClick();
    void AutoLoadTimer();
    void btnCancelClick();
    void cbSparversionClick();
    void cbDistanceClick();
    void btnChooseFilenameClick();
    void EnableOptions(bool on);
    void LoadOptions();
    void done(int r) override;

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void FormShow();
    void ControlsFromOptions(const IndexOptions& o);
    void UpdateDateLabel();
};

// The window of the running program (the first one created).
extern TfrmIndex* frmIndex;

}  // namespace tv
