#pragma once
// The additional waypoints stored for one cache: the user enters a cache code
// and "Zeigen" lists the cache's points from "CacheWaypoints.bin" with
// coordinates, distance from the cache, type icon, description and comment.
#include <QDialog>
#include <QIcon>
#include <vector>

#include "core/cache_rec.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;
class QTreeWidget;

namespace tv {

class TfrmAddWPDisplay : public QDialog {
    Q_OBJECT

public:
    explicit TfrmAddWPDisplay(QWidget* parent = nullptr);

    // Filled when the window is shown, emptied when it closes.
    TAddWPList AllAddWaypoints;
    TAddWPList ShownAddWaypoints;

    QLineEdit* edCacheWP = nullptr;
    QPushButton* btnShow = nullptr;   // the default button
    QLabel* lblCacheWP = nullptr;
    QLabel* lblCachename = nullptr;
    QLabel* lblCoord = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QTreeWidget* lv = nullptr;        // Waypoint, Koordinaten, Offset, Art, Beschreibung, Kommentar
    std::vector<QIcon> liIcons;       // by AddWPTypeToImageIndex
    QPushButton* btnClose = nullptr;

    void FormShow();
    void SetupColumns();
    void btnShowClick();
    void btnCloseClick();

    // Every close (button, cancel key, window frame) frees both lists.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace tv
