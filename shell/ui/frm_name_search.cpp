#include "shell/ui/frm_name_search.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "core/debug_log.h"
#include "core/proc_settings.h"
#include "platform/services.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/form_events.h"

namespace tv {

// ---- result list -------------------------------------------------------------

int NameSearchResults::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(model_.resultCount());
}

QVariant NameSearchResults::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const auto row = static_cast<std::size_t>(index.row());
    if (role == Qt::DisplayRole) return ToQ(model_.entryText(row));
    if (role == Qt::CheckStateRole) return model_.ticked(row) ? Qt::Checked : Qt::Unchecked;
    return {};
}

bool NameSearchResults::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= rowCount()) return false;
    form_.lbResClickCheck(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags NameSearchResults::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
}

void NameSearchResults::rowChanged(std::size_t row) {
    const QModelIndex i = index(static_cast<int>(row));
    emit dataChanged(i, i, {Qt::CheckStateRole});
}

// ---- window ------------------------------------------------------------------

TfrmNameSearch::TfrmNameSearch() : QDialog(nullptr), results_(*this, model_) {
    setObjectName("frmNameSearch");
    setWindowTitle(QStringLiteral("Cache nach Name suchen"));

    auto* lblName = new QLabel(QStringLiteral("Name oder Teile des Namens (Minimum 3 Buchstaben):"), this);
    edName = new QLineEdit(this);
    edName->setObjectName("edName");
    lblName->setBuddy(edName);
    btnSearch = new QPushButton(QStringLiteral("Suchen"), this);
    btnSearch->setObjectName("btnSearch");
    btnSearch->setDefault(true);
    btnSearch->setEnabled(false);

    auto* group = new QGroupBox(QStringLiteral("Suchergebnis"), this);
    lbRes = new QListView(group);
    lbRes->setObjectName("lbRes");
    lbRes->setUniformItemSizes(true);  // half a million rows stay fast
    lbRes->setModel(&results_);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(lbRes);

    lblMarked = new QLabel(this);
    lblMarked->setObjectName("lblMarked");
    btnOK = new QPushButton(QString::fromUtf8("Übernehmen"), this);
    btnOK->setObjectName("btnOK");
    btnCancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    btnCancel->setObjectName("btnCancel");
    btnOK->setAutoDefault(false);
    btnCancel->setAutoDefault(false);

    connect(edName, &QLineEdit::textChanged, this, [this] { edNameChange(); });
    connect(btnSearch, &QPushButton::clicked, this, [this] { btnSearchClick(); });
    connect(lbRes, &QListView::doubleClicked, this, [this] { lbResDblClick(); });
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });

    auto* search = new QHBoxLayout;
    search->addWidget(edName, 1);
    search->addWidget(btnSearch);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblMarked, 1);
    bottom->addWidget(btnOK);
    bottom->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblName);
    layout->addLayout(search);
    layout->addWidget(group, 1);
    layout->addLayout(bottom);
    resize(480, 440);
    updateMarked();
}

TfrmNameSearch::~TfrmNameSearch() { lbRes->setModel(nullptr); }

std::string TfrmNameSearch::EntryWaypoint(const std::string& entry) { return tv::EntryWaypoint(entry); }

void TfrmNameSearch::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (IsFormShowHide(event)) FormShow();
}

void TfrmNameSearch::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (IsFormShowHide(event)) FormHide();
}

bool TfrmNameSearch::cancelled() { return cancelRequested_; }

void TfrmNameSearch::FormShow() {
    if (busy_) return;
    edName->clear();
    results_.beginChange();
    model_.clearResults();
    results_.endChange();
    model_.MultiSelect = MultiSelect;
    model_.clearMarked();
    updateMarked();

    busy_ = true;
    cancelRequested_ = false;
    const auto loaded = model_.load(GetWorkDir() + "Caches.bin", platform::progress(), [this] { return cancelled(); });
    busy_ = false;
    if (cancelRequested_) {
        model_.unload();
        // Still inside the showing: a modal loop that starts after it must see
        // the close, so it is queued.
        const int result = pendingResult_;
        QMetaObject::invokeMethod(this, [this, result] { QDialog::done(result); }, Qt::QueuedConnection);
        return;
    }
    if (!loaded.ok()) ShowSysError(loaded.error().code, loaded.error().message);
    edName->setFocus();
}

void TfrmNameSearch::FormHide() {
    if (busy_) return;
    results_.beginChange();
    model_.unload();
    results_.endChange();
}

void TfrmNameSearch::edNameChange() { btnSearch->setEnabled(NameSearchModel::canSearch(FromQ(edName->text()))); }

void TfrmNameSearch::btnSearchClick() {
    if (busy_ || !model_.loaded()) return;
    busy_ = true;
    cancelRequested_ = false;
    btnSearch->setEnabled(false);
    model_.MultiSelect = MultiSelect;
    results_.beginChange();
    model_.search(FromQ(edName->text()), [this] { return cancelled(); });
    results_.endChange();
    busy_ = false;
    if (cancelRequested_) {
        QDialog::done(pendingResult_);
        return;
    }
    edNameChange();
}

void TfrmNameSearch::lbResClickCheck(int row, bool ticked) {
    if (row < 0 || row >= ResultCount()) return;
    model_.MultiSelect = MultiSelect;
    const auto r = static_cast<std::size_t>(row);
    const auto changed = model_.onCheck(r, ticked);
    results_.rowChanged(r);
    for (auto other : changed) results_.rowChanged(other);
    updateMarked();
}

void TfrmNameSearch::lbResDblClick() {
    const QModelIndex current = lbRes->currentIndex();
    if (!current.isValid()) return;
    lbResClickCheck(current.row(), !ResultTicked(current.row()));
}

void TfrmNameSearch::updateMarked() {
    lblMarked->setText(ToQ(model_.markedText()));
    btnOK->setEnabled(!model_.marked().empty());
}

void TfrmNameSearch::btnCancelClick() {
    model_.clearMarked();
    updateMarked();
    done(QDialog::Rejected);
}

void TfrmNameSearch::btnOKClick() { done(QDialog::Accepted); }

void TfrmNameSearch::done(int result) {
    if (busy_) {
        // Closed while the list is read or searched: stop that first; the
        // work ends and closes the window.
        cancelRequested_ = true;
        pendingResult_ = result;
        model_.clearMarked();
        return;
    }
    if (result != QDialog::Accepted) model_.clearMarked();
    QDialog::done(result);
}

}  // namespace tv
