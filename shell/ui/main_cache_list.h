#pragma once
// lvCaches: the main window's report list of converted descriptions. Each row
// keeps its CacheRow; sorting goes through CompareRows, so equal distances
// still sort in one repeatable order.
#include <QIcon>
#include <QTreeWidget>
#include <optional>
#include <string>
#include <vector>

#include "shell/main_list.h"

namespace tv {

class TCacheListView : public QTreeWidget {
    Q_OBJECT

public:
    explicit TCacheListView(QWidget* parent = nullptr);

    // Deletes all rows and columns, adds the three columns and the rows
    // (unsorted; call SortBy afterwards).
    void SetRows(const std::vector<CacheRow>& rows);
    void SortBy(int column, bool descending);

    int RowCount() const { return topLevelItemCount(); }
    // The rows in display order.
    std::vector<CacheRow> RowsInOrder() const;
    // Captions of the marked (selected) rows in display order.
    std::vector<std::string> MarkedCaptions() const;
    // The row with the focus, when one is selected.
    std::optional<CacheRow> SelectedRow() const;
    static const CacheRow& RowOf(const QTreeWidgetItem* item);

    // 16-pixel icon of a cache-type number 0..9, 10 for other / not in the database.
    static QIcon TypeIcon(int image);
    // Folder state images: 1 chosen subfolder, 2 root, 3 other subfolder.
    static QIcon FolderIcon(int state);
};

}  // namespace tv
