#pragma once
// The waypoint calculator: distance and bearing between two positions (tab
// ts1) and the projection of a position by distance and bearing (tab ts2),
// recomputed on every change. The cache pick buttons ask PickCache for a
// waypoint code and fill the boxes from the cache database.
#include <QDialog>
#include <functional>
#include <string>

#include "geo/calculator.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace tv {

class TfrmCalc : public QDialog {
    Q_OBJECT

public:
    TfrmCalc();

    QTabWidget* pcCalc = nullptr;
    QWidget* ts1 = nullptr;
    QWidget* ts2 = nullptr;

    // ts1
    QLineEdit* edB1Grad = nullptr;
    QLineEdit* edB1Min = nullptr;
    QComboBox* cbNS1 = nullptr;
    QLineEdit* edL1Grad = nullptr;
    QLineEdit* edL1Min = nullptr;
    QComboBox* cbEW1 = nullptr;
    QLineEdit* edB2Grad = nullptr;
    QLineEdit* edB2Min = nullptr;
    QComboBox* cbNS2 = nullptr;
    QLineEdit* edL2Grad = nullptr;
    QLineEdit* edL2Min = nullptr;
    QComboBox* cbEW2 = nullptr;
    QLabel* lblErg = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    // ts2
    QLineEdit* edBGrad = nullptr;
    QLineEdit* edBMin = nullptr;
    QComboBox* cbNS = nullptr;
    QLineEdit* edLGrad = nullptr;
    QLineEdit* edLMin = nullptr;
    QComboBox* cbEW = nullptr;
    QLineEdit* edDist = nullptr;
    QLineEdit* edAngle = nullptr;
    QLabel* lblErgPWLat = nullptr;
    QLabel* lblErgPWLong = nullptr;
    QPushButton* BitBtn3 = nullptr;

    QPushButton* btnClose = nullptr;

    // Shows the name search in single-choice mode over `over` and returns the
    // chosen waypoint code; empty when nothing was chosen. Set by the owner
    // (the name search lives in the shell); without it the buttons do nothing.
    std::function<std::string(QWidget& over)> PickCache;

    // 0: distance tab, 1: projection tab; call before showing.
    void SelectTab(int index);

    void FormShow();
    void CalcAbst();
    void CalcPW();
    // Shared by BitBtn1, BitBtn2 and BitBtn3.
    void btnSearchClick(QPushButton* sender);

protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace tv
