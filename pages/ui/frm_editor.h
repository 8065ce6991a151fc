#pragma once
// The text editor for the long description of a converted page: the caller
// puts the block into the memo, shows the window modally and takes the text
// back after OK ("Speichern"). "Vorschau im Browser" writes the memo into
// "tmpdescr.html" in the work folder and opens it.
#include <QDialog>
#include <string>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QShowEvent;
class QWidget;

namespace tv {

class TfrmEditor : public QDialog {
    Q_OBJECT

public:
    explicit TfrmEditor(QWidget* parent = nullptr);

    QPlainTextEdit* Memo = nullptr;
    QCheckBox* cbLineBreak = nullptr;
    QPushButton* btnPreview = nullptr;
    QPushButton* btnSave = nullptr;    // closes with OK (1)
    QPushButton* btnCancel = nullptr;  // closes with Cancel (2), as the cancel key does

    // The block in Windows-1252 with its own line ends. Text() gives the
    // block back exactly as it was set while the memo is unchanged, else the
    // memo's text with the block's line ends.
    void SetText(const std::string& body);
    std::string Text() const;

    void FormShow();
    void cbLineBreakClick();
    void btnPreviewClick();

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::string original_;
    QString shown_;
    std::string lineEnd_ = "\r\n";
};

// The whole edit of a converted page: loads `path`, shows the editor over
// `owner` (error boxes for a missing file or markers), and after OK writes
// the page back with the new block; "Die Änderungen wurden gespeichert." when
// `showMessages`. True when the page was written.
bool EditLongDescription(QWidget* owner, const std::string& path, bool showMessages);

}  // namespace tv
