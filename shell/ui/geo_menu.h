#pragma once
// The main window's items for the map and coordinate tools: the UTM window
// (menu item and tool button), the online map page of the current list, the
// coordinates of a map link, and the online map of one cache (cache pop-up
// and quick info).
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QWidget;

namespace tv {

class AppWindows;
class TfrmMain;
struct TCacheRec;

class GeoMenu {
public:
    using PickCache = std::function<std::string(QWidget& over)>;

    // Binds the items whose windows exist; `pick` is the name search.
    GeoMenu(AppWindows& windows, PickCache pick);
    ~GeoMenu();
    GeoMenu(const GeoMenu&) = delete;
    GeoMenu& operator=(const GeoMenu&) = delete;

    void mnuUTMClick();
    void mnuGoogleMapsListClick();
    void mnuGMLinkClick();
    void mnuShowInGoogleMapsClick();
    // The map window for one record; on OK its address is opened.
    void ShowOnMap(const TCacheRec& rec);

private:
    AppWindows& windows_;
    QPointer<TfrmMain> main_;
    std::vector<QAction*> bound_;
};

}  // namespace tv
