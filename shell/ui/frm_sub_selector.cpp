#include "shell/ui/frm_sub_selector.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "core/cache_db.h"
#include "platform/ui/modal_host.h"
#include "platform/ui/qt_text.h"
#include "shell/result_picker.h"
#include "platform/ui/form_events.h"

namespace tv {

namespace {

TfrmSubSelector::DetailsFactory& DefaultFactory() {
    static TfrmSubSelector::DetailsFactory factory;
    return factory;
}

// Entries sort as the program's lists did: ignoring case.
class PickerItem final : public QListWidgetItem {
public:
    using QListWidgetItem::QListWidgetItem;
    bool operator<(const QListWidgetItem& other) const override {
        const int c = text().compare(other.text(), Qt::CaseInsensitive);
        return c != 0 ? c < 0 : text() < other.text();
    }
};

}  // namespace

void TfrmSubSelector::SetDefaultDetailsFactory(DetailsFactory factory) { DefaultFactory() = std::move(factory); }

std::string TfrmSubSelector::ExtractWaypoint(const std::string& entry) { return tv::ExtractWaypoint(entry); }

TfrmSubSelector::TfrmSubSelector() : QDialog(nullptr), MakeDetailsWindow(DefaultFactory()) {
    setObjectName("frmSubSelector");
    setWindowTitle(QStringLiteral("Ergebnisliste der Namensuche"));
    auto* group = new QGroupBox(QString::fromUtf8("Caches zur Übernahme markieren"), this);
    lb = new QListWidget(group);
    lb->setObjectName("lb");
    lb->setSortingEnabled(true);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(lb);

    btnOK = new QPushButton(QString::fromUtf8("Übernehmen"), this);
    btnOK->setObjectName("btnOK");
    btnCancel = new QPushButton(QStringLiteral("Verwerfen"), this);
    btnCancel->setObjectName("btnCancel");
    btnMarkAll = new QPushButton(QStringLiteral("Alle mark."), this);
    btnMarkAll->setObjectName("btnMarkAll");
    btnMarkNone = new QPushButton(QStringLiteral("Keinen mark."), this);
    btnMarkNone->setObjectName("btnMarkNone");
    btnOK->setDefault(true);
    btnMarkAll->setAutoDefault(false);
    btnMarkNone->setAutoDefault(false);
    connect(btnOK, &QPushButton::clicked, this, [this] { done(mrYes); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
    connect(btnMarkAll, &QPushButton::clicked, this, [this] { btnMarkAllClick(); });
    connect(btnMarkNone, &QPushButton::clicked, this, [this] { btnMarkNoneClick(); });
    connect(lb, &QListWidget::itemDoubleClicked, this, [this] { lbDblClick(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnMarkAll);
    buttons->addWidget(btnMarkNone);
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    setMinimumSize(430, 230);
    resize(520, 400);
}

void TfrmSubSelector::Clear() { lb->clear(); }

void TfrmSubSelector::AddEntry(const std::string& name, const std::string& code) { AddLine(PickerEntry(name, code)); }

void TfrmSubSelector::AddLine(const std::string& line) {
    auto* item = new PickerItem(ToQ(line));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    lb->addItem(item);
}

std::vector<std::string> TfrmSubSelector::TickedLines() const {
    std::vector<std::string> lines;
    for (int i = 0; i < lb->count(); ++i)
        if (lb->item(i)->checkState() == Qt::Checked) lines.push_back(FromQ(lb->item(i)->text()));
    return lines;
}

std::vector<std::string> TfrmSubSelector::TickedWaypoints() const {
    std::vector<std::string> codes;
    for (const auto& line : TickedLines()) codes.push_back(tv::ExtractWaypoint(line));
    return codes;
}

void TfrmSubSelector::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (IsFormShowHide(event)) FormShow();
}

void TfrmSubSelector::FormShow() { tickAll(true); }

void TfrmSubSelector::btnMarkAllClick() { tickAll(true); }

void TfrmSubSelector::btnMarkNoneClick() { tickAll(false); }

void TfrmSubSelector::tickAll(bool ticked) {
    for (int i = 0; i < lb->count(); ++i) lb->item(i)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

void TfrmSubSelector::lbDblClick() {
    QListWidgetItem* item = lb->currentItem();
    if (!item || !MakeDetailsWindow) return;
    TCacheRec rec;
    if (!FindCacheByWaypoint(tv::ExtractWaypoint(FromQ(item->text())), rec)) return;
    std::unique_ptr<QDialog> details = MakeDetailsWindow(rec);
    if (!details) return;
    const int result = platform::modalHost().exec(*details, this);
    item->setCheckState(result == mrNo ? Qt::Unchecked : Qt::Checked);
}

}  // namespace tv
