#include "pages/ui/frm_editor.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "core/file_procs.h"
#include "pages/description_editor.h"
#include "pages/ui/memo_text.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "platform/ui/modal_result.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/form_events.h"

namespace tv {

namespace {
}  // namespace

TfrmEditor::TfrmEditor(QWidget* parent) : QDialog(parent) {
    setObjectName("frmEditor");
    setWindowTitle(QStringLiteral("Editor"));
    Memo = new QPlainTextEdit(this);
    Memo->setObjectName("Memo");
    cbLineBreak = new QCheckBox(QStringLiteral("Automatischer Zeilenumbruch"), this);
    cbLineBreak->setObjectName("cbLineBreak");
    btnPreview = new QPushButton(QStringLiteral("Vorschau im Browser"), this);
    btnPreview->setObjectName("btnPreview");
    btnSave = new QPushButton(QStringLiteral("Speichern"), this);
    btnSave->setObjectName("btnSave");
    btnCancel = new QPushButton(QStringLiteral("Verwerfen"), this);
    btnCancel->setObjectName("btnCancel");
    for (QPushButton* b : {btnPreview, btnSave, btnCancel}) b->setAutoDefault(false);

    connect(btnPreview, &QPushButton::clicked, this, [this] { btnPreviewClick(); });
    connect(btnSave, &QPushButton::clicked, this, [this] { done(mrOk); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
    connect(cbLineBreak, &QCheckBox::toggled, this, [this] { cbLineBreakClick(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cbLineBreak);
    buttons->addStretch(1);
    buttons->addWidget(btnPreview);
    buttons->addWidget(btnSave);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Memo, 1);
    layout->addLayout(buttons);
    resize(720, 520);
    cbLineBreakClick();
}

void TfrmEditor::SetText(const std::string& body) {
    const EditorText e = BodyToEditorText(body);
    original_ = body;
    lineEnd_ = e.lineEnd;
    shown_ = ToQ(e.text);
    Memo->setPlainText(shown_);
}

std::string TfrmEditor::Text() const {
    const QString now = MemoText(Memo);
    if (now == shown_) return original_;
    return EditorTextToBody(FromQ(now), lineEnd_);
}

void TfrmEditor::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (IsFormShowHide(event)) FormShow();
}

void TfrmEditor::FormShow() { cbLineBreakClick(); }

void TfrmEditor::cbLineBreakClick() {
    const bool wrap = cbLineBreak->isChecked();
    Memo->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    Memo->setHorizontalScrollBarPolicy(wrap ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
}

void TfrmEditor::btnPreviewClick() {
    const std::string file = PreviewFilePath();
    if (!WritePreview(file, SplitTextLines(FromQ(MemoText(Memo))))) {
        platform::messages().show(platform::MsgKind::Error, W("Fehler beim Schreiben der Vorschau ") + file);
        return;
    }
    platform::shellOpen().open(file);
}

void TfrmEditor::reject() { done(mrCancel); }

bool EditLongDescription(QWidget* owner, const std::string& path, bool showMessages) {
    auto loaded = LoadLongDescription(path);
    if (!loaded.ok()) {
        platform::messages().show(platform::MsgKind::Error, loaded.error().message);
        return false;
    }
    TfrmEditor editor(owner);
    editor.SetText(loaded->body);
    if (platform::modalHost().exec(editor, owner) != mrOk) return false;
    if (!SaveLongDescription(path, *loaded, editor.Text())) {
        platform::messages().show(platform::MsgKind::Error, W("Fehler beim Speichern der Beschreibung!"));
        return false;
    }
    if (showMessages)
        platform::messages().show(platform::MsgKind::Information, W("Die Änderungen wurden gespeichert."));
    return true;
}

}  // namespace tv
