#pragma once
// The About box, also the start-up splash: with Timer1 started before it is
// shown, it hides its close button and closes itself after 3000 ms.
#include <QDialog>
#include <string>

class QLabel;
class QPushButton;
class QTimer;

namespace tv {

class TfrmAbout : public QDialog {
    Q_OBJECT

public:
    // `showHints` switches the tooltip of the link button.
    explicit TfrmAbout(bool showHints);

    QLabel* lblVersion = nullptr;
    QPushButton* btnClose = nullptr;
    // Opens the documentation page of the program folder.
    QPushButton* btnDoc = nullptr;
    QTimer* Timer1 = nullptr;  // 3000 ms, stopped unless the caller starts it

    void FormShow();
    void btnDocClick();
    void Timer1Timer();
    void btnCloseClick();
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace tv
