#pragma once
// Caches along a route: reads a route file into the point list, searches the
// cache database for caches near the route, lets the user trim the result
// (details, removal, finds, map) and writes it into the work list (closing
// with mrOk). The cache index is read at every showing and freed on close.
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "core/cache_rec.h"
#include "geo/route_search.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tv {

class TfrmMap;

class TfrmRoute : public QDialog {
    Q_OBJECT

public:
    TfrmRoute();
    ~TfrmRoute() override;

    QGroupBox* gbSource = nullptr;
    QComboBox* cbFormat = nullptr;
    QPushButton* btnFileOpen = nullptr;
    QListWidget* lbSrc = nullptr;
    QLabel* lblPoints = nullptr;
    QLineEdit* edDistance = nullptr;
    QPushButton* btnCalc = nullptr;
    QPushButton* btnFilter = nullptr;
    QCheckBox* cbFilter = nullptr;
    QLabel* lblAction = nullptr;
    QLabel* lblFound = nullptr;
    QListWidget* lbResult = nullptr;
    QPushButton* btnEditResult = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnSaveResult = nullptr;
    QCheckBox* cbKeep = nullptr;
    QPushButton* btnRemove = nullptr;
    QPushButton* btnRmFinds = nullptr;
    QPushButton* btnClose = nullptr;

    // Set by the owner (the filter and details windows live higher up).
    // Whether the cache filter lets the type number pass.
    std::function<bool(int type)> IsTypeSelected;
    // Shows the cache filter over `over`; true when it was confirmed.
    std::function<bool(QWidget& over)> EditCacheFilter;
    // Shows a record in the details window (minus button shown) over `over`
    // and returns its modal result.
    std::function<int(const TCacheRec& rec, QWidget& over)> ShowCacheDetails;
    // The map window that shows the result with the route.
    TfrmMap* Map = nullptr;

    void FormShow();
    void btnFileOpenClick();
    void edDistanceChange();
    void btnCalcClick();
    void btnCancelClick() { cancel_ = true; }
    void lbResultDblClick();
    void btnRemoveClick();
    void btnRmFindsClick();
    void btnFilterClick();
    void btnEditResultClick();
    void btnSaveResultClick();
    void btnCloseClick();

    void SetControlsEnabled(bool enabled);
    // The route point of a line of lbSrc; false when its text is not one.
    bool GetRoutePoint(int index, double& lon, double& lat) const;
    void UpdateFoundLabel();

    // The route index as read at the last showing.
    const std::vector<RouteIndexEntry>& RouteIndexEntries() const { return index_; }
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyButtonRule();
    void showResultButtons(bool show);
    std::vector<std::string> resultLines() const;
    void setResultLines(const std::vector<std::string>& lines);

    std::vector<RouteIndexEntry> index_;
    double maxDist_ = -1.0;
    bool cancel_ = false;
    bool running_ = false;
};

}  // namespace tv
