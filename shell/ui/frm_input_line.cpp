#include "shell/ui/frm_input_line.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/text_encoding.h"
#include "platform/ui/dialog_buttons.h"
#include "platform/ui/qt_text.h"
#include "shell/folder_name.h"

namespace tv {

QValidator::State FolderNameValidator::validate(QString& input, int&) const {
    // Each character as its Windows-1252 byte; one that the code page lacks
    // becomes "?", which the rule refuses.
    const std::string bytes = FromQ(input);
    if (bytes.size() != static_cast<std::size_t>(input.size())) return Invalid;
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) < 32 || !TfrmInputLine::edNameKeyPress(c)) return Invalid;
    return IsValidFolderName(bytes) ? Acceptable : Intermediate;
}

TfrmInputLine::TfrmInputLine() : QDialog(nullptr) {
    setObjectName("frmInputLine");
    setWindowTitle(QStringLiteral("Eingabe"));
    auto* group = new QGroupBox(ToQ(W("Bitte den Namen des neuen Verzeichnisses eingeben:")), this);
    edName = new QLineEdit(group);
    edName->setObjectName("edName");
    edName->setValidator(new FolderNameValidator(edName));
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(edName);

    auto* buttons = OkCancelButtons(this, btnOK, btnCancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(edName, &QLineEdit::textChanged, this, [this] { edNameChange(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    setMinimumWidth(360);
    edNameChange();
}

bool TfrmInputLine::edNameKeyPress(char key) { return IsFolderNameChar(key); }

std::string TfrmInputLine::GetText() const { return FromQ(edName->text()); }

void TfrmInputLine::SetText(const std::string& text) { edName->setText(ToQ(FilterFolderName(text))); }

void TfrmInputLine::edNameChange() { btnOK->setEnabled(edName->hasAcceptableInput()); }

}  // namespace tv
