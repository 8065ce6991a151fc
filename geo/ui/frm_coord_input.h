#pragma once
// Coordinate entry: one position in degrees and minutes and in decimal
// degrees, kept in step, with the hemisphere choices. The caller sets lat and
// lon (signed) before showing and reads them after OK. The description box
// gbAddInfo / edAddInfo is hidden unless the caller shows it; the caption and
// that box return to their defaults whenever the window hides, so one
// caller's set-up never shows up at the next.
#include <QDialog>

#include "geo/coord_entry.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace tv {

class TfrmCoordInput : public QDialog {
    Q_OBJECT

public:
    TfrmCoordInput();

    // Signed decimal degrees (south and west negative); written only by OK.
    double lat = 0.0;
    double lon = 0.0;

    QLineEdit* edBGrad = nullptr;
    QLineEdit* edBMin = nullptr;
    QLineEdit* edLGrad = nullptr;
    QLineEdit* edLMin = nullptr;
    QLineEdit* edBDec = nullptr;
    QLineEdit* edLDec = nullptr;
    QComboBox* cbNS = nullptr;
    QComboBox* cbEW = nullptr;
    QGroupBox* gbAddInfo = nullptr;
    QLineEdit* edAddInfo = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    // Shows the description box with its caption and text.
    void ShowAddInfo(const std::string& caption, const std::string& text, bool enabled);
    // edAddInfo's text (Windows-1252).
    std::string AddInfo() const;

    void FormShow();
    void FormHide();
    void DMChange();
    // A decimal box changed: edBDec for the latitude, else edLDec.
    void BLChange(bool latitude);
    void btnOKClick();
    void UpdateOkButton();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void writeBoxes();

    CoordEntryModel model_;
};

}  // namespace tv
