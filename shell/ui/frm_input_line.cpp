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
    for (const QChar ch : input) {
        const char16_t u = ch.unicode();
        if (u >= 128 || u < 32 || !TfrmInputLine::edNameKeyPress(static_cast<char>(u))) return Invalid;
    }
    return IsValidFolderName(FromQ(input)) ? Acceptable : Intermediate;
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
