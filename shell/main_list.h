#pragma once
// The main window's rules without the window: the folder tree, the rows of
// the cache list and their order, the home selector, the quick info, the
// column widths and the restored window rectangle.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/cache_db.h"
#include "core/cache_rec.h"
#include "core/coords.h"
#include "core/proc_settings.h"

namespace tv {

// ---- folder tree ----------------------------------------------------------

// Names of the immediate subfolders of the description folder, sorted by name
// ignoring case; hidden ("." ...) folders are left out. Names the program
// cannot show go to `skipped` (UTF-8, as on disk).
std::vector<std::string> ListSubfolders(const std::string& outDir, std::vector<std::string>* skipped = nullptr);

// ---- list rows -------------------------------------------------------------

inline constexpr std::string_view kConvertedMask = "GC*_converted.html";
inline constexpr int kImageNotInDB = 10;

struct CacheRow {
    std::string caption;   // waypoint code from the file name
    int image = kImageNotInDB;
    std::string name;      // cache name or "Cache nicht in DB gefunden"
    std::string distText;  // "74,4", or "9999" when there is no distance

    friend bool operator==(const CacheRow&, const CacheRow&) = default;
};

// The file name cut before its first '_' ("GC12AB_x_converted.html" -> "GC12AB").
std::string CaptionFromConvertedFile(std::string_view fileName);
// One decimal with ',' and no grouping ("74,4"); "9999" without a distance.
std::string FormatDistanceCell(std::optional<double> km);

// One row per "GC*_converted.html" of `folder` (case ignored), in name order.
// File names the program cannot show go to `skipped` (UTF-8, as on disk).
std::vector<CacheRow> BuildCacheRows(const std::string& folder, const CacheLookup& lookup, LatLon home,
                                     std::vector<std::string>* skipped = nullptr);
// The report of names left out of a listing, one line each (at most ten, then
// how many more); "" for none.
std::string SkippedNamesText(const std::vector<std::string>& utf8Names);
// n + " Konvertierte Cachebeschreibungen im gewählten Verzeichnis".
std::string RowCountText(std::size_t rows);

// ---- order -----------------------------------------------------------------

inline constexpr int kColWaypoint = 0, kColName = 1, kColDistance = 2;

// Three-way compare of two rows by a column (0 waypoint, 1 name, 2 distance):
// texts ignoring case, then by byte; distances as numbers with ',' (texts that
// are no number after all numbers). Ties fall back to the caption and then to
// the other cells, so this is a strict weak ordering; only equal rows give 0.
// Descending is the exact reverse.
int CompareRows(const CacheRow& a, const CacheRow& b, int column, bool descending);

struct SortState {
    int column = 0;
    int lastColumn = 0;
    int descending = 0;  // 0 / 1

    friend bool operator==(const SortState&, const SortState&) = default;
};
// A click on a column header: the same column again flips the direction,
// another column sorts ascending.
SortState NextSort(SortState current, int clickedColumn);

// ---- index page of the folder ---------------------------------------------

struct IndexMenu {
    bool enabled = false;
    std::string caption;  // "Indexdatei anzeigen" / "veraltete (!) Indexdatei anzeigen"
};
// Enabled when the folder has "index.html"; stale when a "*_converted.html"
// is strictly newer than it.
IndexMenu IndexMenuState(const std::string& folder);

// ---- home selector ----------------------------------------------------------

struct HomeView {
    int pos = 0;        // clamped to 0..number of additional homes
    std::string label;  // "HOME (primär)" or the home's name
    bool blue = true;   // the primary home is shown in blue
    LatLon home;
    std::string coordText;  // FormatCoord of the home
};
// The home at `pos`, clamped into range and always applied (a removed home is
// never kept in use). A home whose stored texts are no numbers counts as 0/0.
HomeView SelectHome(int pos, const TProcSettings& settings);
// Number of additional homes the selector can reach (at most 500).
int HomeCount(const TProcSettings& settings);

// ---- quick info -------------------------------------------------------------

struct QuickInfoView {
    bool found = false;
    std::string name;   // cache name, or the not-found sentence
    std::string kind;   // "Regular TRADITIONAL CACHE (1.5/?)"
    std::string coords;
    int archiveState = 0;  // 2 archived (red, struck out), 1 disabled (struck out), 0 neither
};
// [size + " "] + type + " (" + (difficulty or "?") + "/" + (terrain or "?") + ")".
std::string QuickInfoKind(const TCacheRec& rec);
QuickInfoView QuickInfoFound(const TCacheRec& rec, int archiveState);
// "Cache mit Waypoint " + upper-cased text + " nicht in der Datenbank gefunden."
QuickInfoView QuickInfoNotFound(std::string_view typed);

// The waypoint field's key filter: letters are upper-cased; A-Z, 0-9 and
// backspace pass; anything else is dropped.
std::optional<char> FilterWaypointChar(char ch);
inline constexpr int kWaypointMaxLength = 16;

// ---- column widths and window rectangle ------------------------------------

struct ColumnWidthSet {
    int w1 = 73, w2 = 0, w3 = 60;
    friend bool operator==(const ColumnWidthSet&, const ColumnWidthSet&) = default;
};
inline constexpr int kMinNameColumnWidth = 60;
// 73, client width - 153 (at least kMinNameColumnWidth), 60; the stored widths
// instead when their sum is above 0 (a stored width below 1 takes its default).
ColumnWidthSet ColumnWidths(const TProcSettings& settings, int clientWidth);

struct WindowRect {
    int left = 0, top = 0, width = 0, height = 0;
    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};
// With Main_MemWinSize: the stored position, the stored width only above 500
// and the stored height only above 400; otherwise `layout`. When `screen` is
// given (width > 0) the size is clamped to it and the position moved so the
// window lies on it.
WindowRect RestoredGeometry(const TProcSettings& settings, WindowRect layout, WindowRect screen = {});

}  // namespace tv
