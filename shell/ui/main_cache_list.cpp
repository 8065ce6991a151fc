#include "shell/ui/main_cache_list.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <array>

#include "platform/ui/cache_type_icons.h"
#include "platform/ui/qt_text.h"

namespace tv {

namespace {

class CacheRowItem final : public QTreeWidgetItem {
public:
    explicit CacheRowItem(CacheRow row) : QTreeWidgetItem(UserType + 1), row_(std::move(row)) {
        setText(0, ToQ(row_.caption));
        setText(1, ToQ(row_.name));
        setText(2, ToQ(row_.distText));
        setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        setIcon(0, TCacheListView::TypeIcon(row_.image));
        setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled);
    }
    const CacheRow& row() const { return row_; }

    // Qt sorts descending by swapping the operands, which CompareRows' own
    // descending order equals.
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        return CompareRows(row_, static_cast<const CacheRowItem&>(other).row_, column, false) < 0;
    }

private:
    CacheRow row_;
};

}  // namespace

TCacheListView::TCacheListView(QWidget* parent) : QTreeWidget(parent) {
    setObjectName("lvCaches");
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setIconSize(QSize(16, 16));
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);  // the header click is handled by the window
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(true);
    header()->setStretchLastSection(false);
    // No columns until the first folder is listed, so the stored column
    // widths are not overwritten by the layout's.
    setHeaderLabels({QString()});
}

void TCacheListView::SetRows(const std::vector<CacheRow>& rows) {
    setUpdatesEnabled(false);
    clear();
    setColumnCount(3);
    setHeaderLabels({QStringLiteral("Waypoint"), QStringLiteral("Cachename"), QStringLiteral("Entf. (km)")});
    // The name takes whatever width the window gives the list; code and
    // distance keep theirs.
    header()->setSectionResizeMode(1, QHeaderView::Stretch);
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (const CacheRow& r : rows) items.append(new CacheRowItem(r));
    addTopLevelItems(items);
    setUpdatesEnabled(true);
}

void TCacheListView::SortBy(int column, bool descending) {
    sortItems(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    header()->setSortIndicator(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

const CacheRow& TCacheListView::RowOf(const QTreeWidgetItem* item) {
    return static_cast<const CacheRowItem*>(item)->row();
}

std::vector<CacheRow> TCacheListView::RowsInOrder() const {
    std::vector<CacheRow> out;
    out.reserve(static_cast<std::size_t>(topLevelItemCount()));
    for (int i = 0; i < topLevelItemCount(); ++i) out.push_back(RowOf(topLevelItem(i)));
    return out;
}

std::vector<std::string> TCacheListView::MarkedCaptions() const {
    std::vector<std::string> out;
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (topLevelItem(i)->isSelected()) out.push_back(RowOf(topLevelItem(i)).caption);
    return out;
}

std::optional<CacheRow> TCacheListView::SelectedRow() const {
    QTreeWidgetItem* item = currentItem();
    if (!item || !item->isSelected()) {
        const QList<QTreeWidgetItem*> sel = selectedItems();
        if (sel.isEmpty()) return std::nullopt;
        item = sel.front();
    }
    return RowOf(item);
}

QIcon TCacheListView::TypeIcon(int image) { return CacheTypeIcon(image); }

QIcon TCacheListView::FolderIcon(int state) {
    QStyle* s = QApplication::style();
    switch (state) {
        case 1: return s->standardIcon(QStyle::SP_DirOpenIcon);
        case 2: return s->standardIcon(QStyle::SP_DriveHDIcon);
        default: return s->standardIcon(QStyle::SP_DirClosedIcon);
    }
}

}  // namespace tv
