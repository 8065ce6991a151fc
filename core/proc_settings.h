#pragma once
// The settings record: section "Program" of tq.conf beside the program.
#include <array>
#include <string>
#include <vector>

namespace tv {

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
};

extern TProcSettings ProcSettings;

// Fills ProcSettings from section "Program"; the argument is the client width
// of the main list (default width of its second column).
void LoadProcSettings(int listClientWidth);
// Writes ProcSettings to section "Program". Every caller passes false.
void SaveProcSettings(bool windowStateOnly);

// Work (data) folder and description (output) folder, each ending in '/'.
std::string GetWorkDir();
std::string GetOutDir();

}  // namespace tv
