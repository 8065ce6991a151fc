#include "pages/ui/frm_add_wp_display.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/addwp_db.h"
#include "pages/addwp_display.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/form_events.h"

namespace tv {

namespace {

// Small type icons: a coloured disc with the type's letter, in the order of
// AddWPTypeToImageIndex.
std::vector<QIcon> MakeTypeIcons() {
    struct Look {
        QColor colour;
        char letter;
    };
    const Look looks[kAddWPImageCount] = {{QColor(0x2e, 0x8b, 0x57), 'S'}, {QColor(0xc0, 0x39, 0x2b), 'F'},
                                          {QColor(0x29, 0x80, 0xb9), 'P'}, {QColor(0x8e, 0x44, 0xad), '?'},
                                          {QColor(0xd3, 0x84, 0x00), 'M'}, {QColor(0x7f, 0x8c, 0x8d), 'R'}};
    std::vector<QIcon> icons;
    for (const Look& look : looks) {
        QPixmap pix(16, 16);
        pix.fill(Qt::transparent);
        QPainter p(&pix);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(look.colour);
        p.drawEllipse(1, 1, 14, 14);
        QFont f = p.font();
        f.setPixelSize(10);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QString(QLatin1Char(look.letter)));
        p.end();
        icons.emplace_back(pix);
    }
    return icons;
}

QLabel* ValueLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

}  // namespace

TfrmAddWPDisplay::TfrmAddWPDisplay(QWidget* parent) : QDialog(parent) {
    setObjectName("frmAddWPDisplay");
    setWindowTitle(ToQ(W("Zusätzliche Wegpunkte zu einem Cache")));

    edCacheWP = new QLineEdit(this);
    edCacheWP->setObjectName("edCacheWP");
    btnShow = new QPushButton(QStringLiteral("Zeigen"), this);
    btnShow->setObjectName("btnShow");
    btnShow->setDefault(true);
    lblCacheWP = ValueLabel(this, "lblCacheWP");
    lblCachename = ValueLabel(this, "lblCachename");
    lblCoord = ValueLabel(this, "lblCoord");

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName("GroupBox1");
    lv = new QTreeWidget(GroupBox1);
    lv->setObjectName("lv");
    lv->setRootIsDecorated(false);
    lv->setUniformRowHeights(true);
    lv->setSelectionBehavior(QAbstractItemView::SelectRows);
    lv->setSelectionMode(QAbstractItemView::SingleSelection);
    lv->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lv->setSortingEnabled(false);
    lv->setIconSize(QSize(16, 16));
    // Grid lines between the cells.
    lv->setStyleSheet(QStringLiteral("QTreeWidget::item { border-right: 1px solid #d0d0d0; "
                                     "border-bottom: 1px solid #d0d0d0; }"));
    lv->hide();
    liIcons = MakeTypeIcons();
    auto* groupLayout = new QVBoxLayout(GroupBox1);
    groupLayout->addWidget(lv);

    btnClose = new QPushButton(ToQ(W("Schließen")), this);
    btnClose->setObjectName("btnClose");
    btnClose->setAutoDefault(false);

    connect(btnShow, &QPushButton::clicked, this, [this] { btnShowClick(); });
    connect(btnClose, &QPushButton::clicked, this, [this] { btnCloseClick(); });

    auto* top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("Cache-Waypoint:"), this), 0, 0);
    auto* entry = new QHBoxLayout;
    entry->addWidget(edCacheWP);
    entry->addWidget(btnShow);
    entry->addSpacing(12);
    entry->addWidget(lblCacheWP, 1);
    top->addLayout(entry, 0, 1);
    top->addWidget(new QLabel(QStringLiteral("Cachename:"), this), 1, 0);
    top->addWidget(lblCachename, 1, 1);
    top->addWidget(new QLabel(QStringLiteral("Cache-Koordinaten:"), this), 2, 0);
    top->addWidget(lblCoord, 2, 1);
    top->setColumnStretch(1, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(GroupBox1, 1);
    layout->addLayout(bottom);
    setFixedSize(561, 319);
}

void TfrmAddWPDisplay::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (IsFormShowHide(event)) FormShow();
}

void TfrmAddWPDisplay::FormShow() {
    AllAddWaypoints.Clear();
    LoadAddWaypoints(AllAddWaypoints);
    ShownAddWaypoints.Clear();
    lblCacheWP->clear();
    lblCachename->clear();
    lblCoord->clear();
    edCacheWP->clear();
    lv->hide();
    GroupBox1->setTitle(ToQ(W("Folgende Wegpunkte sind zusätzlich hinterlegt:")));
    edCacheWP->setFocus();
}

void TfrmAddWPDisplay::SetupColumns() {
    lv->setSortingEnabled(false);
    lv->clear();
    lv->setColumnCount(6);
    lv->setHeaderLabels({QStringLiteral("Waypoint"), QStringLiteral("Koordinaten"), QStringLiteral("Offset"),
                         QStringLiteral("Art"), QStringLiteral("Beschreibung"), QStringLiteral("Kommentar")});
    const int widths[] = {73, 150, 50, 125, 148, 200};
    for (int i = 0; i < 6; ++i) lv->setColumnWidth(i, widths[i]);
}

void TfrmAddWPDisplay::btnShowClick() {
    lblCachename->clear();
    lblCacheWP->clear();
    lv->hide();
    if (edCacheWP->text().isEmpty()) return;
    const AddWPDisplay d = ShowAddWaypointsFor(FromQ(edCacheWP->text()), AllAddWaypoints, ShownAddWaypoints);
    lblCacheWP->setText(ToQ(d.cacheWP));
    lblCachename->setText(ToQ(d.cacheName));
    lblCoord->setText(ToQ(d.coord));
    if (!d.groupCaption.empty()) GroupBox1->setTitle(ToQ(d.groupCaption));
    if (!d.listVisible) return;

    platform::pump().setBusy(true);
    SetupColumns();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(d.rows.size()));
    for (const AddWPRow& row : d.rows) {
        auto* item = new QTreeWidgetItem(QStringList{ToQ(row.caption), ToQ(row.coord), ToQ(row.offset),
                                                     ToQ(row.type), ToQ(row.name), ToQ(row.comment)});
        item->setIcon(0, liIcons.at(static_cast<size_t>(row.imageIndex)));
        item->setData(0, Qt::UserRole, row.imageIndex);
        items.push_back(item);
    }
    lv->addTopLevelItems(items);
    lv->show();
    platform::pump().setBusy(false);
}

void TfrmAddWPDisplay::btnCloseClick() { done(QDialog::Rejected); }

void TfrmAddWPDisplay::done(int result) {
    AllAddWaypoints.Clear();
    ShownAddWaypoints.Clear();
    QDialog::done(result);
}

}  // namespace tv
