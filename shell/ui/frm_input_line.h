#pragma once
// The one-line input for the name of a new folder. Only letters A-Z and a-z,
// digits, blank, "!", "-", "." and "_" can be typed or pasted; OK is enabled
// only for a name that can be a folder below another one (not empty, not "."
// or "..").
#include <QDialog>
#include <QValidator>
#include <string>

class QLineEdit;
class QPushButton;

namespace tv {

class TfrmInputLine : public QDialog {
    Q_OBJECT

public:
    TfrmInputLine();

    QLineEdit* edName = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    // The text of edName (Windows-1252).
    std::string GetText() const;
    void SetText(const std::string& text);

    // The key filter: false for a key that is dropped.
    static bool edNameKeyPress(char key);

private:
    void edNameChange();
};

// Refuses any text with a character the key filter drops, so a paste cannot
// bring one in either.
class FolderNameValidator : public QValidator {
    Q_OBJECT

public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

}  // namespace tv
