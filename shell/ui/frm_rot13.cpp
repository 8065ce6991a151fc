#include "shell/ui/frm_rot13.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "core/str_util.h"
#include "platform/ui/form_events.h"

namespace tv {

TfrmROT13::TfrmROT13() : QDialog(nullptr) {
    setObjectName("frmROT13");
    setWindowTitle(QStringLiteral("ROT13 codieren / decodieren"));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->installEventFilter(this);
    btnDecode = new QPushButton(QStringLiteral("ROT13"), this);
    btnDecode->setObjectName("btnDecode");
    btnClose = new QPushButton(QString::fromUtf8("Schließen"), this);
    btnClose->setObjectName("btnClose");
    btnDecode->setAutoDefault(false);
    btnClose->setAutoDefault(false);
    connect(btnDecode, &QPushButton::clicked, this, [this] { btnDecodeClick(); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnDecode);
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Memo1);
    layout->addLayout(buttons);
    setMinimumSize(400, 200);
    resize(480, 300);
}

void TfrmROT13::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (IsFormShowHide(event)) FormShow();
}

void TfrmROT13::FormShow() {
    MemoEntered = false;
    Memo1->setPlainText(QString::fromUtf8(
        "Zu codierenden / decodierenden Text hier hineinkopieren und anschließend auf ROT13 klicken."));
    // The prompt stays until the user enters the memo.
    btnDecode->setFocus();
}

bool TfrmROT13::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Memo1 && event->type() == QEvent::FocusIn) Memo1Enter();
    return QDialog::eventFilter(watched, event);
}

void TfrmROT13::Memo1Enter() {
    if (MemoEntered) return;
    Memo1->clear();
    MemoEntered = true;
}

void TfrmROT13::btnDecodeClick() {
    // Letter by letter, so that characters outside Windows-1252 survive.
    QString text = Memo1->toPlainText();
    for (QChar& ch : text) {
        const char16_t u = ch.unicode();
        if (u < 128) ch = QChar(static_cast<char16_t>(static_cast<unsigned char>(Rot13Char(static_cast<char>(u)))));
    }
    Memo1->setPlainText(text);
}

}  // namespace tv
