#pragma once
// "Arbeits-, Fund- und Ignoreliste": the work list, the finds, the ignore list
// and the clipboard list edited in one window and written back only by
// "Speichern". The lists live in a WaypointCollection; every action here maps
// the selected rows to their waypoint codes, calls the collection and refills
// the view.
#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/coords.h"
#include "exchange/wp_collection.h"

class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class QTreeWidget;

namespace tv {

class TfrmWPCol : public QDialog {
    Q_OBJECT

public:
    // `lookup` finds a cache in the database (FindCacheByWaypoint when empty).
    explicit TfrmWPCol(CacheLookup lookup = {}, QWidget* parent = nullptr);

    // ---- set by the caller before showing --------------------------------------------
    std::string WorkDir;  // with a trailing '/'; GetWorkDir() by default
    // The result picker for a name search: gets the candidates, returns the
    // codes taken, nothing when the user declined. Empty: every candidate.
    std::function<std::optional<std::vector<std::string>>(const std::vector<NameCandidate>&, QWidget& over)> PickNames;
    // Shows codes on the map; returns the codes the user removed there (empty
    // hook: the map items stay disabled).
    std::function<std::vector<std::string>(const std::vector<std::string>& codes, QWidget& over)> ShowMap;

    WaypointCollection col;
    int CurrentList = kWorkList;
    LatLon DistanceRef, RadiusCenter;
    int SortColumn = -1;
    bool SortDescending = false;

    QPushButton *btnWork = nullptr, *btnFound = nullptr, *btnIgnore = nullptr, *btnCache = nullptr;
    QLabel* GarbagePanel = nullptr;
    QLabel* Panel3 = nullptr;
    QTreeWidget* lv = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QLineEdit *edName = nullptr, *edWP = nullptr, *edRad = nullptr;
    QPushButton *btnAddName = nullptr, *btnAddWP = nullptr, *btnManKoord = nullptr, *btnRadSearch = nullptr;
    QPushButton *btnLoadWaypoints = nullptr, *btnSave = nullptr, *btnCancel = nullptr;
    QCheckBox *cbSelMultiFinds = nullptr, *cbFilterType = nullptr, *cbFilterDate = nullptr;
    QCheckBox *cbSkipArchived = nullptr, *cbSkipOldEvents = nullptr, *cbSkipMicros = nullptr;
    QCheckBox *cbIgnoreFinds = nullptr, *cbSaveSettings = nullptr;
    QCheckBox* typeBoxes[10] = {};  // cbTrad .. cbEarth by cache-type number
    QComboBox *cbHome = nullptr, *cbHomeGlobal = nullptr, *cbFormat = nullptr;
    QLabel *lblKoord = nullptr, *lblMan = nullptr;
    QDateEdit *DateTimePicker = nullptr, *DTPFound = nullptr;
    QMenu* popup = nullptr;
    QAction *ppMarkAll = nullptr, *ppMarkNone = nullptr, *ppInvertMark = nullptr, *ppDelMark = nullptr;
    QAction *ppDelAll = nullptr, *ppEditCache = nullptr, *ppCorrectFoundDate = nullptr;
    QAction *alsZentrumfrRadiussuche1 = nullptr, *WegpunkteinLandkartezeigen1 = nullptr;
    QAction *AlleCachesinLandkartezeigen1 = nullptr, *miRemoveFinds = nullptr, *miRemoveArchived = nullptr;

    void FormShow();
    void ReadCacheDB();
    void LoadLists();
    // `list` 0: refresh the current list only.
    void ListButtonsClick(int list);
    void HighlightListButton();
    void FillListView();
    void cbGlobalHomeChange();
    void lvColumnClick(int column);
    void btnSaveClick();

    void btnAddWPClick();
    void edNameChange();
    void btnAddNameClick();
    void cbHomeChange();
    void btnManKoordClick();
    void takeAsCenter();
    void btnRadSearchClick();
    void btnLoadWaypointsClick();
    // Drop of the selected rows on list `target` (1..4) or, with 0, on the garbage.
    void btnDragDrop(int target);
    void tvMarkAction(int tag);
    void tvEditAction();
    void tvEditFoundDate();
    void ShowWPInMap(bool all);
    void miRemoveFindsClick();
    void miRemoveArchivedClick();
    void lvDblClick();
    void LoadSettings();
    void SaveSettings();
    void ClearDefaultButtons();

    // Codes of the selected rows, in view order.
    std::vector<std::string> SelectedCodes() const;
    std::vector<std::string> RowCodes() const;
    // Indices in the current list of the selected rows, in view order.
    std::vector<std::size_t> SelectedRows() const;
    double Today() const;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    QWidget* buildNamePage();
    QWidget* buildRadiusPage();
    QWidget* buildFilePage();
    void makeDefault(QPushButton* button);
    void fillHomes(QComboBox* box);
    LatLon homePoint(int index) const;
    void sortView();
    int dropTarget(QObject* watched) const;
    std::string iniPath() const;
    double foundDate() const;

    bool sortRequested_ = false;
};

}  // namespace tv
