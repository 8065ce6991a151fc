#pragma once
// Coordinates out of a pasted map link: shown in degrees and minutes and in
// decimal degrees, storable as one of the additional homes, and the listing
// site's search around them. Typing parses silently; messages come only from
// btnCalc and a paste.
#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tv {

class TfrmGMLink : public QDialog {
    Q_OBJECT

public:
    TfrmGMLink();

    QLineEdit* edURL = nullptr;
    QPushButton* btnPaste = nullptr;
    QLabel* lblKoord = nullptr;
    QLineEdit* edLatDM = nullptr;
    QLineEdit* edLonDM = nullptr;
    QLineEdit* edLatD = nullptr;
    QLineEdit* edLonD = nullptr;
    QPushButton* btnCoordSave = nullptr;
    QComboBox* cbHome = nullptr;
    QPushButton* btnRadSearch = nullptr;
    QPushButton* btnCalc = nullptr;
    QPushButton* btnClose = nullptr;

    // The extracted position (valid while btnRadSearch is enabled).
    double lat = 0.0, lon = 0.0;

    void FormShow();
    void btnCalcClick();
    void btnPasteClick();
    void cbHomeChange();
    void btnCoordSaveClick();
    void btnRadSearchClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Parses edURL; with `report` a failure is shown in an error box.
    void calc(bool report);
};

}  // namespace tv
