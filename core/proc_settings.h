#pragma once
// The settings record: section "Program" of tq.conf beside the program.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/listing_site.h"

namespace tv {

// Defaults of the two lines that start every exported GPX file.
inline constexpr std::string_view kDefaultXMLInit = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";
inline constexpr std::string_view kDefaultGPXInit =
    "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" creator=\"Trailvane\" version=\"1.1\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd\">";

// Upper bound of "NrOfAdditionalHomes" (the home selector's maximum).
inline constexpr int kMaxAdditionalHomes = 500;

struct TProcSettings {
    std::string WorkDir, OutDir, OfflineCacheDir, CacheDBUrl, ArchiveUrl, Template;
    int DBAutoloadInterval = 0;
    bool UseProxy = false;
    std::string ProxyServer;
    double HomeLat = 49.5, HomeLong = 10.75, Radius = 50.0;
    int HTMLMaxWidth = 640;
    // Additional homes: latitude and longitude as fixed texts with 5 decimals
    // and '.', and the name; index i of one list belongs to index i of the others.
    std::vector<std::string> AddHomeLat, AddHomeLon, AddHomeTxt;
    // UseCacheDB[k - 1] is key "UseCacheDB"k, k = 1..50.
    std::array<int, 50> UseCacheDB{};
    int CacheDBCount = 0;
    int CacheDBPrimary = 0;
    bool ShowMessages = false, ShowTooltips = false, SettingsConfirmed = false, UseZippedDB = true;
    std::string Username, UpdateURL;
    int LXM = 0;
    std::string GPX_XMLInit, GPX_GPXInit;
    int Main_ColumnToSort = 0, Main_SortDir = 0;
    int Main_Left = 0, Main_Top = 0, Main_Width = 0, Main_Height = 0;
    bool Main_MemWinSize = false, Main_MemColSize = false;
    int Main_Col1Width = 73, Main_Col2Width = 0, Main_Col3Width = 60;
    bool ProxyAuth = false;
    std::string ProxyUser, ProxyPass;
    // The listing site (not stored in tq.conf; tests point it at their own server).
    ListingSite Site;

    bool operator==(const TProcSettings&) const = default;
};

extern TProcSettings ProcSettings;

// Fills ProcSettings from section "Program"; the argument is the client width
// of the main list (default width of its second column). Main_ColumnToSort is
// clamped to 0..2, Main_SortDir to 0..1 and the home count to 0..500.
void LoadProcSettings(int listClientWidth);
// Writes ProcSettings to section "Program" in one rewrite of tq.conf and
// removes home keys numbered above the new count. Every caller passes false.
// Returns false when tq.conf could not be written.
bool SaveProcSettings(bool windowStateOnly);

// CacheDBPrimary when it names an entry of a table with `tableCount` entries
// (1..tableCount), else 0 (none). The stored value is kept as it is.
int ValidCacheDBPrimary(const TProcSettings& s, int tableCount);
// Whether national database k (1-based) is used and exists in the table.
bool UsesCacheDB(const TProcSettings& s, int k, int tableCount);

// Work (data) folder and description (output) folder, each ending in '/'.
std::string GetWorkDir();
std::string GetOutDir();

}  // namespace tv
