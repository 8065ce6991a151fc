#include "pages/index_page.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <unordered_set>

#include "core/cache_db.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/html_escape.h"
#include "core/number_format.h"
#include "core/program_files.h"
#include "core/settings_file.h"
#include "core/str_util.h"
#include "pages/description_data.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

constexpr std::string_view kSection = kProgramSection;

int InRange(int value, int count) { return value >= 0 && value < count ? value : 0; }

std::string ZeroAsZero(std::string_view v) { return v == "0.0" ? std::string("0") : std::string(v); }

bool Selected(const IndexPageParams& p, std::string_view code) {
    return p.options.which != 0 || p.workList.Contains(code);
}

bool Lookup(const IndexPageParams& p, std::string_view code, TCacheRec& rec) {
    return p.findCache ? p.findCache(code, rec) : FindCacheByWaypoint(code, rec);
}

std::string LinkOpen(std::string_view code) {
    return "<a href=\"./" + html::Attr(code) + html::Attr(kConvertedSuffix) + "\" target=\"_cache\">";
}

class Page {
public:
    void line(std::string_view text) {
        out_ += text;
        out_ += "\r\n";
    }
    std::string take() { return std::move(out_); }
    void reserve(std::size_t n) { out_.reserve(n); }

private:
    std::string out_;
};

void WriteNotes(Page& page, const IndexPageParams& p) {
    if (p.options.which == 0)
        page.line(
            W("<p><b>Hinweis:</b> Die Liste enthält lediglich die Caches, die beim Erzeugen in der "
              "Arbeitsliste enthalten waren.</p>"));
    if (p.options.distance && p.home.additional) {
        std::string where = p.home.where ? FormatCoord(*p.home.where) : std::string("?");
        page.line("<p><b>Hinweis:</b> Die angegebene Cache-Entfernung bezieht sich auf " + html::Text(p.home.name) +
                  " (" + html::Text(where) + ")</p>");
    }
}

void WriteHeading(Page& page) {
    page.line("<H1>Index der konvertierten Cachebeschreibungen</H1>");
    page.line(W("<p>Folgende konvertierte Cachebeschreibungen stehen zur Verfügung:</p>"));
}

void WritePocketPC(Page& page, const IndexPageParams& p) {
    page.line("</head><body bgcolor=\"#FFFFFF\">");
    WriteHeading(page);
    WriteNotes(page, p);
    page.line("<p>");
    TCacheRec rec;
    for (const std::string& w : p.codes) {
        if (!Selected(p, w)) continue;
        const std::string name = Lookup(p, w, rec) ? html::Text(rec.Name.view()) : std::string("unbekannt");
        page.line(LinkOpen(w) + html::Text(w) + "</a>: " + name + "<br>");
    }
    page.line("</p>");
}

void WriteTable(Page& page, const IndexPageParams& p) {
    const IndexOptions& o = p.options;
    page.line("<style type=\"text/css\">");
    page.line("<!--");
    page.line("  body { color:black; font-family:\"Arial\"; font-size:12px }");
    page.line("  p { color:black; font-family:\"Arial\"; font-size:12px }");
    page.line("  td { color:black; font-family:\"Arial\"; font-size:12px }");
    page.line("  h1 { color:black; font-family:\"Arial\"; font-weight:normal; font-size:16px }");
    page.line("-->");
    page.line("</style>");
    page.line("</head>");
    page.line("<body bgcolor=\"#FFFFFF\">");
    WriteHeading(page);
    WriteNotes(page, p);
    page.line("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\"><tr bgcolor=\"#F0F0F0\">");
    page.line("<td>Waypoint</td>");
    if (o.name) page.line("<td>Cache-Name</td>");
    if (o.hidden) page.line("<td>Versteckt am</td>");
    if (o.coords) page.line("<td>Koordinaten</td>");
    if (o.distance)
        page.line(p.home.additional ? "<td>Entf. von " + html::Text(p.home.name) + "</td>"
                                    : std::string("<td>Home-Entf.</td>"));
    if (o.type) page.line("<td>Cachetyp</td>");
    if (o.size) page.line("<td>Cachegr&ouml;&szlig;e</td>");
    if (o.dt) page.line("<td>Diff./Terrain</td>");
    page.line("</tr>");

    auto cell = [&page](bool on, std::string_view value) {
        if (on) page.line("<td>" + html::Text(value) + "</td>");
    };
    for (const IndexRow& r : IndexTableRows(p)) {
        const std::string link = LinkOpen(r.code);
        page.line("<tr>");
        page.line("<td>" + link + html::Text(r.code) + "</a></td>");
        if (o.name) page.line("<td>" + link + html::Text(r.name) + "</a></td>");
        cell(o.hidden, r.hidden);
        cell(o.coords, r.coords);
        cell(o.distance, r.distance);
        cell(o.type, r.type);
        cell(o.size, r.size);
        cell(o.dt, r.dt);
        page.line("</tr>");
    }
    page.line("</table>");
}

}  // namespace

// ---- options ------------------------------------------------------------------------

void ReadIndexOptions(IndexOptions& o, bool folderOverride) {
    TIniFile& ini = IniFile();
    o.saveOptions = ini.readBool(kSection, "IdxSaveOpts", true);
    if (!o.saveOptions) return;
    o.pocketPC = ini.readBool(kSection, "IdxPPC", o.pocketPC);
    o.hidden = ini.readBool(kSection, "IdxOOHidden", o.hidden);
    o.coords = ini.readBool(kSection, "IdxOOCoord", o.coords);
    o.distance = ini.readBool(kSection, "IdxOODistance", o.distance);
    o.name = ini.readBool(kSection, "IdxOOName", o.name);
    o.type = ini.readBool(kSection, "IdxOOType", o.type);
    o.dt = ini.readBool(kSection, "IdxOODT", o.dt);
    o.size = ini.readBool(kSection, "IdxOOSize", o.size);
    o.showAfter = ini.readBool(kSection, "IdxShowImmediate", o.showAfter);
    o.sort = InRange(ini.readInteger(kSection, "IdxSortOrder", o.sort), kIndexSortCount);
    if (!folderOverride) o.which = InRange(ini.readInteger(kSection, "IdxAddWhich", o.which), 2);
    o.descending = InRange(ini.readInteger(kSection, "IdxAscDesc", o.descending ? 1 : 0), 2) == 1;
    o.home = std::max(0, ini.readInteger(kSection, "IdxHome", o.home));
    if (ini.valueExists(kSection, "IdxFilename")) o.fileName = ini.readString(kSection, "IdxFilename");
}

bool WriteIndexOptions(const IndexOptions& o, bool folderOverride) {
    TIniFile& ini = IniFile();
    return ini.update([&] {
        ini.writeBool(kSection, "IdxSaveOpts", o.saveOptions);
        if (!o.saveOptions) return;
        ini.writeBool(kSection, "IdxPPC", o.pocketPC);
        ini.writeBool(kSection, "IdxOOHidden", o.hidden);
        ini.writeBool(kSection, "IdxOOCoord", o.coords);
        ini.writeBool(kSection, "IdxOODistance", o.distance);
        ini.writeBool(kSection, "IdxOOName", o.name);
        ini.writeBool(kSection, "IdxOOType", o.type);
        ini.writeBool(kSection, "IdxOODT", o.dt);
        ini.writeBool(kSection, "IdxOOSize", o.size);
        ini.writeBool(kSection, "IdxShowImmediate", o.showAfter);
        ini.writeInteger(kSection, "IdxSortOrder", o.sort);
        if (!folderOverride) ini.writeInteger(kSection, "IdxAddWhich", o.which);
        ini.writeInteger(kSection, "IdxAscDesc", o.descending ? 1 : 0);
        ini.writeInteger(kSection, "IdxHome", o.home);
        // The file name of another folder would send the next ordinary index
        // there (with the question about relative links every time).
        if (!folderOverride) ini.writeString(kSection, "IdxFilename", o.fileName);
    });
}

// ---- home ---------------------------------------------------------------------------

IndexHome IndexHomeFor(const TProcSettings& s, int item) {
    const std::size_t k = static_cast<std::size_t>(item);
    if (item <= 0 || k > s.AddHomeTxt.size() || k > s.AddHomeLat.size() || k > s.AddHomeLon.size())
        return IndexHome{"HOME", LatLon{s.HomeLat, s.HomeLong}, false};
    IndexHome h{s.AddHomeTxt[k - 1], std::nullopt, true};
    const auto lat = ParseFloat(s.AddHomeLat[k - 1], '.');
    const auto lon = ParseFloat(s.AddHomeLon[k - 1], '.');
    if (lat && lon) h.where = LatLon{*lat, *lon};
    return h;
}

std::vector<std::string> HomeChoiceNames(const TProcSettings& s) {
    std::vector<std::string> names{"HOME"};
    names.insert(names.end(), s.AddHomeTxt.begin(), s.AddHomeTxt.end());
    return names;
}

// ---- codes and rows -------------------------------------------------------------------

std::vector<std::string> ListConvertedCodes(const std::string& folder) {
    std::vector<std::string> codes;
    std::unordered_set<std::string> seen;
    for (const std::string& name : ListFolder(folder, "GC*_converted.html", EntryKind::Files)) {
        std::string code = name.substr(0, name.find('_'));
        if (seen.insert(UpperCaseAscii(code)).second) codes.push_back(std::move(code));
    }
    return codes;
}

IndexRow MakeIndexRow(std::string_view code, const TCacheRec& rec, const IndexHome& home) {
    IndexRow r;
    r.code = std::string(code);
    r.name = rec.Name.str();
    r.hidden = DayCountDateText(rec.Hidden);
    r.coords = FormatCoord(rec.Lat, rec.Lon);
    r.distance = "?";
    r.km = kNoDistanceKm;
    if (home.where) {
        if (auto db = CalcDistanceBearing(*home.where, LatLon{rec.Lat, rec.Lon})) {
            r.km = db->km;
            r.distance = FormatDistanceBearing(home.where->lat, home.where->lon, rec.Lat, rec.Lon, '.');
        }
    }
    r.type = rec.CacheType.str();
    r.size = rec.Size.empty() ? std::string("?") : rec.Size.str();
    r.dt = ZeroAsZero(rec.Difficulty.view()) + " / " + ZeroAsZero(rec.Terrain.view());
    r.day = std::isfinite(rec.Hidden) ? std::trunc(rec.Hidden) : 0.0;
    return r;
}

void SortIndexRows(std::vector<IndexRow>& rows, int sortItem) {
    auto byText = [&rows](std::string IndexRow::*field) {
        std::stable_sort(rows.begin(), rows.end(), [field](const IndexRow& a, const IndexRow& b) {
            return CompareTextCp1252(a.*field, b.*field) < 0;
        });
    };
    auto byNumber = [&rows](double IndexRow::*field) {
        std::stable_sort(rows.begin(), rows.end(),
                         [field](const IndexRow& a, const IndexRow& b) { return a.*field < b.*field; });
    };
    switch (sortItem) {
        case kSortWaypoint:
            byText(&IndexRow::code);
            break;
        case kSortHidden:
            byNumber(&IndexRow::day);
            break;
        case kSortCoords:
            byText(&IndexRow::coords);
            break;
        case kSortDistance:
            byNumber(&IndexRow::km);
            break;
        case kSortName:
            byText(&IndexRow::name);
            break;
        case kSortType:
            byText(&IndexRow::type);
            break;
        case kSortDT:
            byText(&IndexRow::dt);
            break;
        case kSortSize:
            byText(&IndexRow::size);
            break;
        default:
            break;
    }
}

WorkListFilter::WorkListFilter(const std::vector<std::string>& lines) {
    codes_.reserve(lines.size());
    for (const std::string& line : lines) codes_.push_back(UpperCaseCp1252(TrimCtl(line)));
    std::sort(codes_.begin(), codes_.end());
}

bool WorkListFilter::Contains(std::string_view code) const {
    return std::binary_search(codes_.begin(), codes_.end(), UpperCaseCp1252(code));
}

WorkListFilter ReadIndexWorkList(const std::string& path) {
    std::vector<std::string> lines;
    if (!ReadTextList(path, lines)) {
        const int code = errno != 0 ? errno : ENOENT;
        ShowSysError(code, ReadErrorText(path));
        return {};
    }
    return WorkListFilter(lines);
}

std::vector<IndexRow> IndexTableRows(const IndexPageParams& p) {
    std::vector<IndexRow> rows;
    rows.reserve(p.codes.size());
    TCacheRec rec;
    for (const std::string& w : p.codes) {
        if (!Selected(p, w) || !Lookup(p, w, rec)) continue;
        rows.push_back(MakeIndexRow(w, rec, p.home));
    }
    SortIndexRows(rows, p.options.sort);
    if (p.options.descending) std::reverse(rows.begin(), rows.end());
    return rows;
}

std::string RenderIndexPage(const IndexPageParams& p) {
    Page page;
    page.reserve(1024 + p.codes.size() * 400);
    page.line("<html>");
    page.line("<head>");
    page.line("<title>Index der konvertierten Beschreibungen</title>");
    page.line("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">");
    if (p.options.pocketPC)
        WritePocketPC(page, p);
    else
        WriteTable(page, p);
    page.line("</body></html>");
    return page.take();
}

Result<void> WriteIndexPage(const std::string& path, const std::string& workDir, const IndexPageParams& params) {
    if (auto refused = ProgramFileRefusal(path, workDir, TargetRole::IndexPage)) return std::move(*refused);
    errno = 0;
    if (!WriteFileAtomic(path, html::WithPagePolicy(RenderIndexPage(params))))
        return Error{errno != 0 ? errno : EIO, WriteErrorText(path)};
    return {};
}

// ---- texts ------------------------------------------------------------------------------

std::string NoConvertedPagesText(std::string_view folder) {
    return "Das Ausgabeverzeichnis \"" + std::string(folder) + W("\" enthält keine konvertierten Cachebeschreibungen!");
}

std::string ConvertedCountText(std::size_t count) {
    return W("Das Ausgabeverzeichnis enthält ") + std::to_string(count) + " konvertierte Cachebeschreibungen.";
}

std::string IndexDateText(const std::optional<platform::DateTime>& fileTime) {
    if (!fileTime) return "Eine Indexdatei ist bislang nicht vorhanden.";
    return W("Letztes Änderungsdatum der Indexdatei: ") + DescrDateText(*fileTime);
}

std::string OtherFolderQuestion(std::string_view folder) {
    return "Die Indexdatei soll in einem Verzeichnis abgelegt werden, das nicht gleich dem Ausgabeverzeichnis \"" +
           std::string(folder) +
           W("\" ist. Da die Indexdatei mit relativen Links arbeitet, wird ein Anklicken eines Links in der "
             "erzeugten Indexdatei zu einer Fehlermeldung führen, wenn die erzeugte Indexdatei nicht zuvor in das "
             "aktuelle Ausgabeverzeichnis verschoben wird.\r\n\r\nEmpfehlung: Die Indexdatei sollte im "
             "Ausgabeverzeichnis angelegt werden.\r\n\r\nSoll die Indexdatei trotzdem im angegebenen Verzeichnis "
             "erstellt werden?");
}

std::string IndexFilePath(const std::string& file, const std::string& folder) {
    if (file.find('/') != std::string::npos) return file;
    return WithTrailingSlash(folder) + file;
}

bool IsInFolder(const std::string& file, const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path parent = FsPath(IndexFilePath(file, folder)).parent_path();
    const fs::path a = fs::weakly_canonical(parent, ec);
    if (ec) return false;
    const fs::path b = fs::weakly_canonical(FsPath(WithTrailingSlash(folder)).parent_path(), ec);
    if (ec) return false;
    return a == b;
}

}  // namespace tv
