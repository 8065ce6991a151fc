#pragma once
// The personal note of one cache: shown, edited, saved or erased in
// "Persinfo.txt" of the work folder. The caller sets NoteWaypoint and shows
// the window modally; it closes with OK after saving or erasing and with
// Cancel otherwise.
#include <QDialog>
#include <string>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QShowEvent;

namespace tv {

class TfrmAddInfo : public QDialog {
    Q_OBJECT

public:
    explicit TfrmAddInfo(QWidget* parent = nullptr);

    // Windows-1252 waypoint code, set before showing.
    std::string NoteWaypoint;

    QPlainTextEdit* Memo1 = nullptr;
    QCheckBox* cbLineBreak = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnErase = nullptr;

    void FormShow();
    void btnSaveClick();
    void btnEraseClick();
    void btnCancelClick();
    void cbLineBreakClick();

    // The cancel key closes with Cancel (2), as the button does.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace tv
