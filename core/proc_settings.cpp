#include "core/proc_settings.h"

#include <algorithm>
#include <filesystem>
#include <string>

#include "core/app_paths.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/listing_site.h"
#include "core/number_format.h"
#include "core/settings_file.h"

namespace tv {

TProcSettings ProcSettings;

namespace {

std::string StrOr(std::string_view key, const std::string& def) {
    std::string v = ReadSettingStr(key);
    return v.empty() ? def : v;
}

double FloatOr(std::string_view key, double def) {
    double v = ReadSettingFloat(key);
    return v == 0 ? def : v;
}

// Numbered home keys ("AddHomeLat12") above `count`.
bool IsStaleHomeKey(const std::string& key, int count) {
    for (const char* prefix : {"AddHomeLat", "AddHomeLon", "AddHomeTxt"}) {
        std::string_view p(prefix);
        if (key.size() <= p.size()) continue;
        bool same = true;
        for (size_t i = 0; i < p.size(); ++i)
            if ((key[i] | 0x20) != (p[i] | 0x20)) same = false;
        if (!same) continue;
        auto n = ParseInt64(std::string_view(key).substr(p.size()));
        return n && *n > count && key[p.size()] >= '0' && key[p.size()] <= '9';
    }
    return false;
}

}  // namespace

void LoadProcSettings(int listClientWidth) {
    TProcSettings& s = ProcSettings;
    const std::string folder = WithoutTrailingSlash(ProgramDir());

    s.CacheDBCount = ReadSettingInt("CacheDBCount");
    s.CacheDBPrimary = ReadSettingInt("CacheDBPrimary");
    for (int k = 1; k <= 50; ++k) s.UseCacheDB[static_cast<size_t>(k - 1)] = ReadSettingInt("UseCacheDB" + std::to_string(k));

    s.AddHomeLat.clear();
    s.AddHomeLon.clear();
    s.AddHomeTxt.clear();

    s.WorkDir = StrOr("WorkDir", folder);
    s.OutDir = StrOr("OutDir", folder);
    s.OfflineCacheDir = ReadSettingStr("OfflineCacheDir");
    s.Template = StrOr("Template", folder + "/template.html");
    // The download addresses have no default: the program knows no server of
    // its own, so the user enters them in the settings dialog.
    s.CacheDBUrl = ReadSettingStr("CacheDBUrl");
    s.ArchiveUrl = ReadSettingStr("ArchiveUrl");
    s.DBAutoloadInterval = ReadSettingInt("DBAutoloadInterval");
    s.UseProxy = ReadSettingBool("UseProxy");
    s.ProxyServer = ReadSettingStr("ProxyServer");
    s.ProxyAuth = ReadSettingBool("ProxyAuth");
    s.ProxyUser = ReadSettingStr("ProxyUser");
    s.ProxyPass = ReadSettingStr("ProxyPass");
    s.HomeLat = FloatOr("HomeLat", 49.5);
    s.HomeLong = FloatOr("HomeLong", 10.75);
    s.Radius = FloatOr("Radius", 50.0);
    s.HTMLMaxWidth = ReadSettingInt("HTMLMaxWidth");
    if (s.HTMLMaxWidth < 1) s.HTMLMaxWidth = 640;

    const int homes = std::clamp(ReadSettingInt("NrOfAdditionalHomes"), 0, kMaxAdditionalHomes);
    for (int i = 1; i <= homes; ++i) {
        std::string n = std::to_string(i);
        s.AddHomeLat.push_back(FormatFixed(ReadSettingFloat("AddHomeLat" + n), 8, 5, '.'));
        s.AddHomeLon.push_back(FormatFixed(ReadSettingFloat("AddHomeLon" + n), 8, 5, '.'));
        s.AddHomeTxt.push_back(ReadSettingStr("AddHomeTxt" + n));
    }

    s.ShowTooltips = ReadSettingBool("ShowTooltips");
    s.ShowMessages = ReadSettingBool("ShowMessages");
    s.UseZippedDB = true;
    s.Username = ReadSettingStr("Username");
    s.LXM = ReadSettingInt("LXM");
    s.UpdateURL = ReadSettingStr("UpdateURL");
    s.GPX_XMLInit = StrOr("GPX_XMLInit", std::string(kDefaultXMLInit));
    s.GPX_GPXInit = StrOr("GPX_GPXInit", std::string(kDefaultGPXInit));

    s.Main_ColumnToSort = std::clamp(ReadSettingInt("Main_ColumnToSort"), 0, 2);
    s.Main_SortDir = std::clamp(ReadSettingInt("Main_SortDir"), 0, 1);
    s.Main_Left = ReadSettingInt("Main_Left");
    s.Main_Top = ReadSettingInt("Main_Top");
    s.Main_Width = ReadSettingInt("Main_Width");
    s.Main_Height = ReadSettingInt("Main_Height");
    s.Main_MemWinSize = ReadSettingBool("Main_MemWinSize");
    s.Main_MemColSize = ReadSettingBool("Main_MemColSize");
    if (s.Main_MemColSize) {
        s.Main_Col1Width = ReadSettingInt("Main_Col1Width");
        s.Main_Col2Width = ReadSettingInt("Main_Col2Width");
        s.Main_Col3Width = ReadSettingInt("Main_Col3Width");
    } else {
        s.Main_Col1Width = 73;
        s.Main_Col2Width = listClientWidth - 193;
        s.Main_Col3Width = 60;
    }
}

bool SaveProcSettings(bool windowStateOnly) {
    const TProcSettings& s = ProcSettings;
    TIniFile& ini = IniFile();
    // A rewrite keeps the file's mode, so a file about to hold the proxy
    // password is made private first (new files are created private).
    if (!windowStateOnly && !s.ProxyPass.empty()) {
        std::error_code ec;
        std::filesystem::permissions(FsPath(ini.fileName()),
                                     std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::replace, ec);
    }
    return ini.update([&] {
        WriteSettingInt("Main_ColumnToSort", s.Main_ColumnToSort);
        WriteSettingInt("Main_SortDir", s.Main_SortDir);
        WriteSettingInt("Main_Left", s.Main_Left);
        WriteSettingInt("Main_Top", s.Main_Top);
        WriteSettingInt("Main_Width", s.Main_Width);
        WriteSettingInt("Main_Height", s.Main_Height);

        const int count = static_cast<int>(s.AddHomeTxt.size());
        WriteSettingInt("NrOfAdditionalHomes", count);
        for (int i = 1; i <= count; ++i) {
            const size_t at = static_cast<size_t>(i - 1);
            std::string n = std::to_string(i);
            auto lat = at < s.AddHomeLat.size() ? ParseFloat(s.AddHomeLat[at]) : std::nullopt;
            auto lon = at < s.AddHomeLon.size() ? ParseFloat(s.AddHomeLon[at]) : std::nullopt;
            WriteSettingFloat("AddHomeLat" + n, lat.value_or(0.0));
            WriteSettingFloat("AddHomeLon" + n, lon.value_or(0.0));
            WriteSettingStr("AddHomeTxt" + n, s.AddHomeTxt[at]);
        }
        // Homes removed since the last save would otherwise stay in the file.
        for (const std::string& key : ini.readSection(kProgramSection))
            if (IsStaleHomeKey(key, count)) ini.deleteKey(kProgramSection, key);

        if (windowStateOnly) return;
        WriteSettingStr("WorkDir", s.WorkDir);
        WriteSettingStr("OutDir", s.OutDir);
        WriteSettingStr("OfflineCacheDir", s.OfflineCacheDir);
        WriteSettingStr("Template", s.Template);
        WriteSettingInt("DBAutoloadInterval", s.DBAutoloadInterval);
        WriteSettingBool("UseProxy", s.UseProxy);
        WriteSettingStr("ProxyServer", s.ProxyServer);
        WriteSettingBool("ProxyAuth", s.ProxyAuth);
        WriteSettingStr("ProxyUser", s.ProxyUser);
        WriteSettingStr("ProxyPass", s.ProxyPass);
        WriteSettingFloat("HomeLat", s.HomeLat);
        WriteSettingFloat("HomeLong", s.HomeLong);
        WriteSettingFloat("Radius", s.Radius);
        WriteSettingStr("CacheDBUrl", s.CacheDBUrl);
        WriteSettingStr("ArchiveUrl", s.ArchiveUrl);
        WriteSettingInt("HTMLMaxWidth", s.HTMLMaxWidth);
        WriteSettingInt("CacheDBCount", s.CacheDBCount);
        WriteSettingInt("CacheDBPrimary", s.CacheDBPrimary);
        for (int k = 1; k <= 50; ++k)
            WriteSettingInt("UseCacheDB" + std::to_string(k), s.UseCacheDB[static_cast<size_t>(k - 1)]);
        WriteSettingInt("LXM", s.LXM);
        WriteSettingBool("ShowTooltips", s.ShowTooltips);
        WriteSettingBool("ShowMessages", s.ShowMessages);
        WriteSettingBool("UseZippedDB", s.UseZippedDB);
        WriteSettingStr("Username", s.Username);
        WriteSettingStr("UpdateURL", s.UpdateURL);
        WriteSettingStr("GPX_XMLInit", s.GPX_XMLInit);
        WriteSettingStr("GPX_GPXInit", s.GPX_GPXInit);
        WriteSettingBool("Main_MemWinSize", s.Main_MemWinSize);
        WriteSettingBool("Main_MemColSize", s.Main_MemColSize);
        // Column widths are read back only while they are to be remembered;
        // otherwise the list shows its defaults fitted to the font, and
        // storing those would change the stored widths at every close.
        if (s.Main_MemColSize) {
            WriteSettingInt("Main_Col1Width", s.Main_Col1Width);
            WriteSettingInt("Main_Col2Width", s.Main_Col2Width);
            WriteSettingInt("Main_Col3Width", s.Main_Col3Width);
        }
    });
}

int ValidCacheDBPrimary(const TProcSettings& s, int tableCount) {
    return s.CacheDBPrimary >= 1 && s.CacheDBPrimary <= tableCount ? s.CacheDBPrimary : 0;
}

bool UsesCacheDB(const TProcSettings& s, int k, int tableCount) {
    return k >= 1 && k <= 50 && k <= tableCount && s.UseCacheDB[static_cast<size_t>(k - 1)] != 0;
}

std::string GetWorkDir() {
    return WithTrailingSlash(ProcSettings.WorkDir.empty() ? WithoutTrailingSlash(ProgramDir()) : ProcSettings.WorkDir);
}

std::string GetOutDir() { return WithTrailingSlash(ProcSettings.OutDir.empty() ? GetWorkDir() : ProcSettings.OutDir); }

}  // namespace tv

namespace tv {

const ListingSite& SettingsListingSite() { return ProcSettings.Site; }

}  // namespace tv
