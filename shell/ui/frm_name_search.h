#pragma once
// The name search: every showing reads the cache database afresh; typed
// parts of a name (or of name and code) find caches, and the ticked codes are
// handed back in Marked after OK. With MultiSelect false only one cache can be
// ticked.
#include <QAbstractListModel>
#include <QDialog>
#include <string>
#include <vector>

#include "shell/name_search.h"

class QLabel;
class QLineEdit;
class QListView;
class QPushButton;

namespace tv {

class TfrmNameSearch;

// The result list as the list view sees it; rows are the model's results.
class NameSearchResults final : public QAbstractListModel {
public:
    NameSearchResults(TfrmNameSearch& form, NameSearchModel& model) : form_(form), model_(model) {}
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Around a change of the whole result list.
    void beginChange() { beginResetModel(); }
    void endChange() { endResetModel(); }
    void rowChanged(std::size_t row);

private:
    TfrmNameSearch& form_;
    NameSearchModel& model_;
};

class TfrmNameSearch : public QDialog {
    Q_OBJECT

public:
    TfrmNameSearch();
    ~TfrmNameSearch() override;

    QLineEdit* edName = nullptr;
    QPushButton* btnSearch = nullptr;
    QListView* lbRes = nullptr;
    QLabel* lblMarked = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    // True at creation; set it false for a single pick before showing.
    bool MultiSelect = true;
    // The ticked waypoint codes (upper-cased), read after OK.
    const std::vector<std::string>& Marked() const { return model_.marked(); }

    static std::string EntryWaypoint(const std::string& entry);

    // The results shown (Windows-1252), and their tick states.
    int ResultCount() const { return static_cast<int>(model_.resultCount()); }
    std::string ResultText(int row) const { return model_.entryText(static_cast<std::size_t>(row)); }
    bool ResultTicked(int row) const { return model_.ticked(static_cast<std::size_t>(row)); }

    void FormShow();
    void FormHide();
    void edNameChange();
    void btnSearchClick();
    // The user ticked or unticked the entry in `row`.
    void lbResClickCheck(int row, bool ticked);
    void lbResDblClick();
    void btnCancelClick();
    void btnOKClick();

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void updateMarked();
    bool cancelled();

    NameSearchModel model_;
    NameSearchResults results_;
    bool busy_ = false;             // loading or searching (the event pump runs)
    bool cancelRequested_ = false;  // the window was closed while busy
    int pendingResult_ = 0;
};

}  // namespace tv
