#pragma once
// "Export": writes the work list, the own finds, the whole database or the
// caches of one description folder in one of eight formats. The window maps
// its controls to ExportOptions and back; the run itself is
// exchange/export_run.h.
#include <QDialog>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "exchange/export_options.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;

namespace tv {

class TfrmGPXExp : public QDialog {
    Q_OBJECT

public:
    explicit TfrmGPXExp(QWidget* parent = nullptr);
    ~TfrmGPXExp() override;

    // Path of the directory list for a directory export; set before showing,
    // cleared when the window hides.
    std::string DirListFile;
    // The listed XML templates; item i of cbFormat is entry i.
    std::vector<XmlTemplate> TemplateFiles;
    // Picks a colour (0x00BBGGRR) starting from `current`; nothing on cancel.
    std::function<std::optional<int>(int current)> PickColor;

    QButtonGroup* rgFormat = nullptr;
    QGroupBox* gbWhat = nullptr;
    QButtonGroup* rgWhat = nullptr;
    QGroupBox* gbDirExport = nullptr;
    QStackedWidget* pgOptions = nullptr;
    // Top50 overlay
    QGroupBox* gbFmtOvlOpts = nullptr;
    QComboBox* cbbColor = nullptr;
    QComboBox* cbbSize = nullptr;
    QCheckBox* cbLabel = nullptr;
    // CSV
    QGroupBox* gbFmtCSVOpts = nullptr;
    QCheckBox *cbID = nullptr, *cbName = nullptr, *cbHiddendate = nullptr, *cbCoord = nullptr, *cbLatLon = nullptr,
              *cbMerkatorCoord = nullptr, *cbSize = nullptr, *cbType = nullptr, *cbWaypoint = nullptr,
              *cbDifficulty = nullptr, *cbTerrain = nullptr, *cbCountry = nullptr, *cbHomedist = nullptr,
              *cbFounddate = nullptr, *cbHeadline = nullptr, *cbQuoteNums = nullptr;
    QComboBox* cbDecimalSeparator = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* cbHome = nullptr;
    // RealMaps
    QGroupBox* gbFmtRealMaps = nullptr;
    QButtonGroup* rgInfo = nullptr;
    // OziExplorer
    QGroupBox* gbFmtOzi = nullptr;
    QComboBox* cbOziNumber = nullptr;
    QComboBox* cbOziDate = nullptr;
    QLineEdit* edFontsize = nullptr;
    QCheckBox* cbBold = nullptr;
    QLineEdit* edSymSize = nullptr;
    QCheckBox* cbOziNameAsWP = nullptr;
    std::array<QLineEdit*, 4> edSym{};
    std::array<QPushButton*, 4> btnH{};
    std::array<QPushButton*, 4> btnV{};
    std::array<QLabel*, 4> lblBsp{};
    // GPX
    QGroupBox* gbFmtGPX = nullptr;
    QCheckBox* cbOutputHome = nullptr;
    QGroupBox* gbHomes = nullptr;
    QButtonGroup* rgHomes = nullptr;
    QPlainTextEdit* mmWP = nullptr;
    // XML template
    QGroupBox* gbFmtXML = nullptr;
    QComboBox* cbFormat = nullptr;

    QPushButton* OK = nullptr;
    QPushButton* btnCancel = nullptr;
    QCheckBox* cbSaveSettings = nullptr;

    ExportOptions toOptions() const;
    void fromOptions(const ExportOptions& o);

public slots:
    void OKClick();
    void rgFormatClick();
    void rgWhatClick();
    void cbLabelClick();
    void cbHomedistClick();
    void cbOutputHomeClick();
    void BtnColorClick(int tag);

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void FormShow();
    void FormHide();
    void PaintSample(int row);

    // The sample labels' colours (not stored).
    std::array<int, 4> fg_{}, bg_{};
    int heldTemplate_ = 0;
};

// The window of the running program (the first one created).
extern TfrmGPXExp* frmGPXExp;

}  // namespace tv
