#pragma once
// The buddy-list editor over "Buddies.txt" in the work folder: OK saves the
// list, Abbrechen drops the changes.
#include <QDialog>
#include <string>
#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace tv {

class TfrmBuddylist : public QDialog {
    Q_OBJECT

public:
    TfrmBuddylist();

    QListWidget* lb = nullptr;
    QLineEdit* edNew = nullptr;
    QPushButton* btnAdd = nullptr;
    QPushButton* btnRemove = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    // The entries of lb (Windows-1252).
    std::vector<std::string> Names() const;

    void FormShow();
    void edNewChange();
    void edNewClick();
    void btnAddClick();
    void lbClick();
    void btnRemoveClick();
    void lbDblClick();
    void btnOKClick();
    void btnCancelClick();

private:
    bool loaded_ = false;  // the list was read at the last showing

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace tv
