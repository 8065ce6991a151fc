#pragma once
// Conversion between degrees and minutes and UTM (zone, band, easting,
// northing) on WGS-84, both ways; a cache's position can be taken over by
// name through PickCache.
#include <QDialog>
#include <functional>
#include <string>

#include "geo/utm.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace tv {

class TfrmUTM : public QDialog {
    Q_OBJECT

public:
    TfrmUTM();

    QLineEdit* edB1Grad = nullptr;
    QLineEdit* edB1Min = nullptr;
    QComboBox* cbNS1 = nullptr;
    QLineEdit* edL1Grad = nullptr;
    QLineEdit* edL1Min = nullptr;
    QComboBox* cbEW1 = nullptr;
    QPushButton* btnSearch = nullptr;
    QPushButton* btn2UTM = nullptr;
    QLineEdit* edZone = nullptr;
    QComboBox* cbZFeld = nullptr;
    QLineEdit* edEasting = nullptr;
    QLineEdit* edNorthing = nullptr;
    QPushButton* btn2LB = nullptr;
    QPushButton* btnClose = nullptr;

    // The name search in single-choice mode over `over`; the chosen waypoint
    // code or "". Set by the owner; without it btnSearch does nothing.
    std::function<std::string(QWidget& over)> PickCache;

    void FormShow();
    void btn2UTMClick();
    void btn2LBClick();
    void btnSearchClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showDegMin(const DegMinInput& boxes);
};

}  // namespace tv
