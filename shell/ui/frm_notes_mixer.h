#pragma once
// Merging two versions of a cache's notes: the suitcase window fills the
// panels and the memo, the user edits the memo and confirms with OK.
#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tv {

class TfrmNotesMixer : public QDialog {
    Q_OBJECT

public:
    TfrmNotesMixer();

    QLabel* paWP = nullptr;
    QLabel* paName = nullptr;
    QPlainTextEdit* mmNotes = nullptr;
    QPushButton* btnOK = nullptr;
};

}  // namespace tv
