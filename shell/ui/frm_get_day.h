#pragma once
// A date picker with a month calendar (created with the other long-lived
// windows; no command shows it).
#include <QDialog>

class QCalendarWidget;
class QPushButton;

namespace tv {

class TfrmGetDay : public QDialog {
    Q_OBJECT

public:
    TfrmGetDay();

    QCalendarWidget* Calendar = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
};

}  // namespace tv
