#pragma once
// The ROT13 tool: text pasted into the memo is encoded or decoded in place.
#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace tv {

class TfrmROT13 : public QDialog {
    Q_OBJECT

public:
    TfrmROT13();

    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* btnDecode = nullptr;
    QPushButton* btnClose = nullptr;
    // Whether the memo had the focus since the window was shown (the prompt
    // is cleared the first time).
    bool MemoEntered = false;

    void FormShow();
    void Memo1Enter();
    void btnDecodeClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace tv
