#pragma once
// The list of caches a suitcase run has processed.
#include <QDialog>

class QListWidget;
class QPushButton;

namespace tv {

class TfrmSummary : public QDialog {
    Q_OBJECT

public:
    TfrmSummary();

    QListWidget* lbCaches = nullptr;
    QPushButton* btnOK = nullptr;
};

}  // namespace tv
