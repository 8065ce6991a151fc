#include "shell/main_list.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "core/cache_db.h"
#include "core/cachedb_table.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/number_format.h"
#include "core/str_util.h"
#include "platform/text_encoding.h"

namespace tv {

namespace fs = std::filesystem;

std::vector<std::string> ListSubfolders(const std::string& outDir, std::vector<std::string>* skipped) {
    std::vector<std::string> names = ListFolder(outDir, "*", EntryKind::Folders, skipped);
    std::erase_if(names, [](const std::string& n) { return n.empty() || n[0] == '.'; });
    if (skipped) std::erase_if(*skipped, [](const std::string& n) { return n.empty() || n[0] == '.'; });
    return names;
}

std::string CaptionFromConvertedFile(std::string_view fileName) {
    return std::string(fileName.substr(0, fileName.find('_')));
}

std::string FormatDistanceCell(std::optional<double> km) {
    if (!km || !std::isfinite(*km)) return "9999";
    return FormatFixed(*km, 15, 1, ',');
}

std::vector<CacheRow> BuildCacheRows(const std::string& folder, const CacheLookup& lookup, LatLon home,
                                     std::vector<std::string>* skipped) {
    const std::vector<std::string> files = ListFolder(folder, kConvertedMask, EntryKind::Files, skipped);
    std::vector<CacheRow> rows;
    rows.reserve(files.size());
    TCacheRec rec;
    for (const std::string& file : files) {
        CacheRow row;
        row.caption = CaptionFromConvertedFile(file);
        if (lookup && lookup(row.caption, rec)) {
            row.image = CacheTypeFromText(rec.CacheType.view()) & 0x7F;
            row.name = rec.Name.str();
            const auto d = CalcDistanceBearing(home, LatLon{rec.Lat, rec.Lon});
            row.distText = FormatDistanceCell(d ? std::optional<double>(d->km) : std::nullopt);
        } else {
            row.image = kImageNotInDB;
            row.name = "Cache nicht in DB gefunden";
            row.distText = FormatDistanceCell(std::nullopt);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string SkippedNamesText(const std::vector<std::string>& utf8Names) {
    constexpr std::size_t kShown = 10;
    std::string text;
    for (std::size_t i = 0; i < utf8Names.size() && i < kShown; ++i) {
        if (!text.empty()) text += "\r\n";
        text += UnrepresentableNameText(utf8Names[i]);
    }
    if (utf8Names.size() > kShown) text += W("\r\n… und ") + std::to_string(utf8Names.size() - kShown) + W(" weitere.");
    return text;
}

std::string RowCountText(std::size_t rows) {
    return std::to_string(rows) + W(" Konvertierte Cachebeschreibungen im gewählten Verzeichnis");
}

namespace {

int CompareAsciiNoCaseThenBytes(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto fold = [](char c) {
            return static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        };
        const unsigned char x = fold(a[i]), y = fold(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    const int bytes = a.compare(b);
    return bytes < 0 ? -1 : bytes > 0 ? 1 : 0;
}

int CompareDistances(std::string_view a, std::string_view b) {
    const std::optional<double> x = ParseFloat(a, ','), y = ParseFloat(b, ',');
    if (x && y) return *x < *y ? -1 : *x > *y ? 1 : 0;
    if (x != y) return x ? -1 : 1;  // numbers first
    return CompareAsciiNoCaseThenBytes(a, b);
}

int CompareAscending(const CacheRow& a, const CacheRow& b, int column) {
    int r = 0;
    switch (column) {
        case kColName: r = CompareAsciiNoCaseThenBytes(a.name, b.name); break;
        case kColDistance: r = CompareDistances(a.distText, b.distText); break;
        default: break;
    }
    if (r != 0) return r;
    if ((r = CompareAsciiNoCaseThenBytes(a.caption, b.caption)) != 0) return r;
    if ((r = CompareAsciiNoCaseThenBytes(a.name, b.name)) != 0) return r;
    if ((r = a.distText.compare(b.distText)) != 0) return r < 0 ? -1 : 1;
    return a.image < b.image ? -1 : a.image > b.image ? 1 : 0;
}

}  // namespace

int CompareRows(const CacheRow& a, const CacheRow& b, int column, bool descending) {
    return descending ? CompareAscending(b, a, column) : CompareAscending(a, b, column);
}

SortState NextSort(SortState current, int clickedColumn) {
    SortState next = current;
    next.column = clickedColumn;
    next.descending = clickedColumn == current.lastColumn ? 1 - (current.descending ? 1 : 0) : 0;
    next.lastColumn = clickedColumn;
    return next;
}

IndexMenu IndexMenuState(const std::string& folder) {
    IndexMenu menu;
    menu.caption = "Indexdatei anzeigen";
    const std::string dir = WithTrailingSlash(folder);
    std::error_code ec;
    std::string index = dir + "index.html";
    if (!fs::is_regular_file(FsPath(index), ec)) {
        const auto other = FindFileNoCase(dir, "index.html");
        if (!other || !fs::is_regular_file(FsPath(*other), ec)) return menu;
        index = *other;
    }
    menu.enabled = true;
    const auto indexTime = fs::last_write_time(FsPath(index), ec);
    if (ec) return menu;
    for (const std::string& name : ListFolder(dir, "*_converted.html", EntryKind::Files)) {
        std::error_code e2;
        const auto t = fs::last_write_time(FsPath(dir + name), e2);
        if (!e2 && t > indexTime) {
            menu.caption = "veraltete (!) Indexdatei anzeigen";
            break;
        }
    }
    return menu;
}

int HomeCount(const TProcSettings& settings) {
    const std::size_t n = std::min({settings.AddHomeTxt.size(), settings.AddHomeLat.size(),
                                    settings.AddHomeLon.size(), static_cast<std::size_t>(kMaxAdditionalHomes)});
    return static_cast<int>(n);
}

HomeView SelectHome(int pos, const TProcSettings& settings) {
    HomeView view;
    view.pos = std::clamp(pos, 0, HomeCount(settings));
    if (view.pos == 0) {
        view.label = W("HOME (primär)");
        view.blue = true;
        view.home = {settings.HomeLat, settings.HomeLong};
    } else {
        const auto i = static_cast<std::size_t>(view.pos - 1);
        view.label = settings.AddHomeTxt[i];
        view.blue = false;
        view.home = {ParseFloat(settings.AddHomeLat[i], '.').value_or(0.0),
                     ParseFloat(settings.AddHomeLon[i], '.').value_or(0.0)};
    }
    view.coordText = FormatCoord(view.home);
    return view;
}

std::string QuickInfoKind(const TCacheRec& rec) {
    std::string kind;
    if (!rec.Size.empty()) kind = rec.Size.str() + " ";
    kind += rec.CacheType.str() + " (" + (rec.Difficulty.empty() ? std::string("?") : rec.Difficulty.str()) + "/" +
            (rec.Terrain.empty() ? std::string("?") : rec.Terrain.str()) + ")";
    return kind;
}

QuickInfoView QuickInfoFound(const TCacheRec& rec, int archiveState) {
    QuickInfoView v;
    v.found = true;
    v.name = rec.Name.str();
    v.kind = QuickInfoKind(rec);
    v.coords = FormatCoord(rec.Lat, rec.Lon);
    v.archiveState = archiveState;
    return v;
}

QuickInfoView QuickInfoNotFound(std::string_view typed) {
    QuickInfoView v;
    v.name = "Cache mit Waypoint " + UpperCaseCp1252(typed) + " nicht in der Datenbank gefunden.";
    return v;
}

std::optional<char> FilterWaypointChar(char ch) {
    if (ch >= 'a' && ch <= 'z') return static_cast<char>(ch - 'a' + 'A');
    if ((ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '\b') return ch;
    return std::nullopt;
}

ColumnWidthSet ColumnWidths(const TProcSettings& settings, int clientWidth) {
    ColumnWidthSet defaults{73, std::max(clientWidth - 153, kMinNameColumnWidth), 60};
    const long long sum = static_cast<long long>(settings.Main_Col1Width) + settings.Main_Col2Width +
                          settings.Main_Col3Width;
    if (sum <= 0) return defaults;
    return {settings.Main_Col1Width >= 1 ? settings.Main_Col1Width : defaults.w1,
            settings.Main_Col2Width >= 1 ? settings.Main_Col2Width : defaults.w2,
            settings.Main_Col3Width >= 1 ? settings.Main_Col3Width : defaults.w3};
}

WindowRect RestoredGeometry(const TProcSettings& settings, WindowRect layout, WindowRect screen) {
    WindowRect r = layout;
    if (!settings.Main_MemWinSize) return r;
    r.left = settings.Main_Left;
    r.top = settings.Main_Top;
    if (settings.Main_Width > 500) r.width = settings.Main_Width;
    if (settings.Main_Height > 400) r.height = settings.Main_Height;
    if (screen.width > 0 && screen.height > 0) {
        // A size stored on a larger screen (or a damaged file) never pushes
        // the menu and the borders off this one.
        r.width = std::min(r.width, screen.width);
        r.height = std::min(r.height, screen.height);
        r.left = std::clamp(r.left, screen.left, std::max(screen.left, screen.left + screen.width - r.width));
        r.top = std::clamp(r.top, screen.top, std::max(screen.top, screen.top + screen.height - r.height));
    }
    return r;
}

}  // namespace tv
