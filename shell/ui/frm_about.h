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
    // `showHints` switches the tooltips of the first four link buttons.
    explicit TfrmAbout(bool showHints);

    QLabel* lblVersion = nullptr;
    QPushButton* btnClose = nullptr;
    // Link buttons: the program's home page, the listing site, a national
    // geocaching site, the discussion forum, another listing site.
    QPushButton* btnLink[5] = {};
    QTimer* Timer1 = nullptr;  // 3000 ms, stopped unless the caller starts it

    // The addresses the link buttons open.
    static const char* LinkUrl(int index);

    void FormShow();
    void Timer1Timer();
    void btnCloseClick();
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace tv
