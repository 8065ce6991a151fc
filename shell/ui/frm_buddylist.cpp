#include "shell/ui/frm_buddylist.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "core/debug_log.h"
#include "platform/text_encoding.h"
#include "platform/ui/qt_text.h"
#include "shell/buddy_list.h"
#include "platform/ui/form_events.h"

namespace tv {

TfrmBuddylist::TfrmBuddylist() : QDialog(nullptr) {
    setObjectName("frmBuddylist");
    setWindowTitle(QStringLiteral("Buddy-Liste verwalten"));

    auto* lblList = new QLabel(QStringLiteral("Aktuelle Buddy-Liste:"), this);
    lb = new QListWidget(this);
    lb->setObjectName("lb");
    lblList->setBuddy(lb);
    auto* lblNew = new QLabel(QString::fromUtf8("Neuen Eintrag hinzufügen:"), this);
    edNew = new QLineEdit(this);
    edNew->setObjectName("edNew");
    edNew->installEventFilter(this);
    lblNew->setBuddy(edNew);
    btnAdd = new QPushButton(QString::fromUtf8("Hinzufügen"), this);
    btnAdd->setObjectName("btnAdd");
    btnRemove = new QPushButton(QStringLiteral("Entfernen"), this);
    btnRemove->setObjectName("btnRemove");
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName("btnOK");
    btnCancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    btnCancel->setObjectName("btnCancel");
    btnOK->setDefault(true);

    connect(edNew, &QLineEdit::textChanged, this, [this] { edNewChange(); });
    connect(btnAdd, &QPushButton::clicked, this, [this] { btnAddClick(); });
    connect(lb, &QListWidget::itemSelectionChanged, this, [this] { lbClick(); });
    connect(btnRemove, &QPushButton::clicked, this, [this] { btnRemoveClick(); });
    connect(lb, &QListWidget::itemDoubleClicked, this, [this] { lbDblClick(); });
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });

    auto* grid = new QGridLayout;
    grid->addWidget(lblList, 0, 0);
    grid->addWidget(lb, 1, 0, 2, 1);
    grid->addWidget(btnRemove, 1, 1, Qt::AlignTop);
    grid->addWidget(lblNew, 3, 0);
    grid->addWidget(edNew, 4, 0);
    grid->addWidget(btnAdd, 4, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    resize(380, 360);
}

std::vector<std::string> TfrmBuddylist::Names() const {
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(lb->count()));
    for (int i = 0; i < lb->count(); ++i) names.push_back(FromQ(lb->item(i)->text()));
    return names;
}

void TfrmBuddylist::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (IsFormShowHide(event)) FormShow();
}

void TfrmBuddylist::FormShow() {
    lb->clear();
    const auto names = BuddyList::load(BuddyList::Path());
    if (names)
        for (const auto& name : *names) lb->addItem(ToQ(name));
    else
        ShowSysError(names.error().code, names.error().message);
    // A list that could not be read is not saved over.
    loaded_ = names.ok();
    btnOK->setEnabled(loaded_);
    btnRemove->setEnabled(false);
    btnAdd->setEnabled(false);
}

bool TfrmBuddylist::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edNew && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::FocusIn))
        edNewClick();
    return QDialog::eventFilter(watched, event);
}

void TfrmBuddylist::edNewChange() { btnAdd->setEnabled(!edNew->text().isEmpty()); }

void TfrmBuddylist::edNewClick() { btnAdd->setDefault(true); }

void TfrmBuddylist::btnAddClick() {
    if (edNew->text().isEmpty()) return;
    lb->addItem(edNew->text());
    edNew->clear();
}

void TfrmBuddylist::lbClick() { btnRemove->setEnabled(lb->currentRow() >= 0 && !lb->selectedItems().isEmpty()); }

void TfrmBuddylist::btnRemoveClick() {
    const int row = lb->currentRow();
    if (row >= 0 && row < lb->count() && lb->item(row)->isSelected()) delete lb->takeItem(row);
    lb->clearSelection();
    btnRemove->setEnabled(false);
}

void TfrmBuddylist::lbDblClick() { btnRemoveClick(); }

void TfrmBuddylist::btnOKClick() {
    if (!loaded_) return;
    const std::string path = BuddyList::Path();
    const auto saved = BuddyList::save(path, Names());
    if (!saved.ok()) {
        // The entries stay in the window, so nothing is lost.
        ShowSysError(saved.error().code, saved.error().message);
        return;
    }
    accept();
}

void TfrmBuddylist::btnCancelClick() { reject(); }

}  // namespace tv
