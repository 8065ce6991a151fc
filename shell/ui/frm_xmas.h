#pragma once
// The seasonal greeting shown once a year in late December.
#include <QDialog>

class QLabel;
class QPushButton;

namespace tv {

class TfrmXMas : public QDialog {
    Q_OBJECT

public:
    TfrmXMas();

    // Three picture places (the program ships no pictures for them).
    QLabel* img[3] = {};
    QPushButton* btnOK = nullptr;  // "Weiter geht's !"
};

}  // namespace tv
