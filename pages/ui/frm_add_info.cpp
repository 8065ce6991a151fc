#include "pages/ui/frm_add_info.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "pages/personal_notes.h"
#include "pages/ui/memo_text.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_result.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/form_events.h"

namespace tv {

namespace {

void FollowLineBreak(QPlainTextEdit* memo, bool wrap) {
    memo->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    memo->setHorizontalScrollBarPolicy(wrap ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void ShowWriteError(const std::string& file) {
    platform::messages().show(platform::MsgKind::Error,
                              W("Fehler beim Schreiben der Persönlichen Informationen in Datei ") + file);
}
}  // namespace

TfrmAddInfo::TfrmAddInfo(QWidget* parent) : QDialog(parent) {
    setObjectName("frmAddInfo");
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    cbLineBreak = new QCheckBox(QStringLiteral("Zeilenumbruch"), this);
    cbLineBreak->setObjectName("cbLineBreak");
    btnSave = new QPushButton(QStringLiteral("Speichern"), this);
    btnSave->setObjectName("btnSave");
    btnCancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    btnCancel->setObjectName("btnCancel");
    btnErase = new QPushButton(ToQ(W("Löschen")), this);
    btnErase->setObjectName("btnErase");
    // Enter belongs to the memo; no button is pressed by it.
    for (QPushButton* b : {btnSave, btnCancel, btnErase}) b->setAutoDefault(false);

    connect(btnSave, &QPushButton::clicked, this, [this] { btnSaveClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
    connect(btnErase, &QPushButton::clicked, this, [this] { btnEraseClick(); });
    connect(cbLineBreak, &QCheckBox::toggled, this, [this] { cbLineBreakClick(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cbLineBreak);
    buttons->addStretch(1);
    buttons->addWidget(btnErase);
    buttons->addWidget(btnSave);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Memo1, 1);
    layout->addLayout(buttons);
    resize(520, 340);
    cbLineBreakClick();
}

void TfrmAddInfo::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (IsFormShowHide(event)) FormShow();
}

void TfrmAddInfo::FormShow() {
    setWindowTitle(ToQ(W("Persönliche Cache-Zusatzinformationen zu ") + NoteWaypoint));
    Memo1->setPlainText(ToQ(NoteLinesToText(PersonalNotes().read(NoteWaypoint))));
    cbLineBreak->setChecked(ReadNoteLineBreak(cbLineBreak->isChecked()));
    cbLineBreakClick();
    Memo1->setFocus();
}

void TfrmAddInfo::btnSaveClick() {
    PersonalNotes notes;
    if (!notes.write(NoteWaypoint, NoteTextToLines(FromQ(MemoText(Memo1))))) {
        // The window stays open, so the text typed is not lost.
        ShowWriteError(notes.fileName());
        return;
    }
    WriteNoteLineBreak(cbLineBreak->isChecked());
    done(mrOk);
}

void TfrmAddInfo::btnEraseClick() {
    PersonalNotes notes;
    if (!notes.erase(NoteWaypoint)) {
        ShowWriteError(notes.fileName());
        return;
    }
    Memo1->clear();
    done(mrOk);
}

void TfrmAddInfo::btnCancelClick() { done(mrCancel); }

void TfrmAddInfo::reject() { btnCancelClick(); }

void TfrmAddInfo::cbLineBreakClick() { FollowLineBreak(Memo1, cbLineBreak->isChecked()); }

}  // namespace tv
