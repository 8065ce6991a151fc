#include "exchange/export_options.h"

#include <filesystem>

#include "core/file_procs.h"
#include "core/ini_file.h"
#include "core/str_util.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

constexpr std::string_view S = kListExportSection;

struct CsvKey {
    const char* key;
    bool CsvOptions::*field;
};

// Stored in this order, with the defaults of CsvOptions.
constexpr CsvKey kCsvKeys[] = {
    {"CSVcbID", &CsvOptions::id},
    {"CSVcbName", &CsvOptions::name},
    {"CSVcbHiddendate", &CsvOptions::hidden},
    {"CSVcbFounddate", &CsvOptions::foundDate},
    {"CSVcbCoord", &CsvOptions::coord},
    {"CSVcbLatLon", &CsvOptions::latLon},
    {"CSVcbMerkatorCoord", &CsvOptions::merkator},
    {"CSVcbSize", &CsvOptions::size},
    {"CSVcbType", &CsvOptions::type},
    {"CSVcbDifficulty", &CsvOptions::difficulty},
    {"CSVcbTerrain", &CsvOptions::terrain},
    {"CSVcbWaypoint", &CsvOptions::waypoint},
    {"CSVcbCountry", &CsvOptions::country},
    {"CSVcbHomedist", &CsvOptions::homeDist},
    {"CSVcbQuoteNums", &CsvOptions::quoteNums},
    {"CSVcbHeadline", &CsvOptions::headline},
};

std::string SymKey(int r) { return "OziSym" + std::to_string(r + 1); }

}  // namespace

std::string DefaultWaypointTemplate() {
    return "<wpt lat=\"#LAT#\" lon=\"#LON#\">\r\n"
           "  <name>#WAYPOINT#</name>\r\n"
           "  <cmt>#DIFFTERR#:#COMPRESSEDCACHENAME#</cmt>\r\n"
           "  <desc>#CACHENAME#</desc>\r\n"
           "  <sym>Geocache</sym>\r\n"
           "  <type>#CACHETYPE#</type>\r\n"
           "</wpt>";
}

ExportOptions DefaultExportOptions() {
    ExportOptions o;
    o.gpx.wpTemplate = DefaultWaypointTemplate();
    return o;
}

void LoadExportOptions(const TIniFile& ini, ExportOptions& o) {
    const ExportOptions d = DefaultExportOptions();
    o.expList = ini.readInteger(S, "ExpList", d.expList);
    o.format = ini.readInteger(S, "Format", d.format);
    o.ovl.label = ini.readBool(S, "OVLcbLabel", d.ovl.label);
    o.ovl.color = ini.readInteger(S, "OVLcbbColor", d.ovl.color);
    o.ovl.size = ini.readInteger(S, "OVLcbbSize", d.ovl.size);
    for (const CsvKey& k : kCsvKeys) o.csv.*k.field = ini.readBool(S, k.key, d.csv.*k.field);
    o.csv.decimalSeparator = ini.readInteger(S, "CSVcbDecimalSeparator", d.csv.decimalSeparator);
    o.csv.home = ini.readInteger(S, "CSVcbHome", d.csv.home);
    o.psionInfo = ini.readInteger(S, "PsionInfo", d.psionInfo);
    o.ozi.number = ini.readInteger(S, "OziNumber", d.ozi.number);
    o.ozi.date = ini.readInteger(S, "OziDate", d.ozi.date);
    o.ozi.fontSize = ini.readString(S, "OziFontsize", d.ozi.fontSize);
    o.ozi.symSize = ini.readString(S, "OziSymSize", d.ozi.symSize);
    o.ozi.bold = ini.readBool(S, "OziBold", d.ozi.bold);
    o.ozi.swap = ini.readBool(S, "OziSwap", d.ozi.swap);
    for (int r = 0; r < 4; ++r) o.ozi.rows[r].symbol = ini.readString(S, SymKey(r), d.ozi.rows[r].symbol);
    o.gpx.outputHome = ini.readBool(S, "GPXHomeExp", d.gpx.outputHome);
    o.gpx.whichHomes = ini.readInteger(S, "GPXWhichHomes", d.gpx.whichHomes);
    o.xmlTemplate = ini.readInteger(S, "XMLTemplate", d.xmlTemplate);
}

bool SaveExportOptions(TIniFile& ini, const ExportOptions& o) {
    return ini.update([&] {
        ini.writeInteger(S, "ExpList", o.expList);
        ini.writeInteger(S, "Format", o.format);
        ini.writeBool(S, "OVLcbLabel", o.ovl.label);
        ini.writeInteger(S, "OVLcbbColor", o.ovl.color);
        ini.writeInteger(S, "OVLcbbSize", o.ovl.size);
        for (const CsvKey& k : kCsvKeys) ini.writeBool(S, k.key, o.csv.*k.field);
        ini.writeInteger(S, "CSVcbDecimalSeparator", o.csv.decimalSeparator);
        ini.writeInteger(S, "CSVcbHome", o.csv.home);
        ini.writeInteger(S, "PsionInfo", o.psionInfo);
        ini.writeInteger(S, "OziNumber", o.ozi.number);
        ini.writeInteger(S, "OziDate", o.ozi.date);
        ini.writeString(S, "OziFontsize", o.ozi.fontSize);
        ini.writeString(S, "OziSymSize", o.ozi.symSize);
        ini.writeBool(S, "OziBold", o.ozi.bold);
        ini.writeBool(S, "OziSwap", o.ozi.swap);
        for (int r = 0; r < 4; ++r) ini.writeString(S, SymKey(r), o.ozi.rows[r].symbol);
        ini.writeBool(S, "GPXHomeExp", o.gpx.outputHome);
        ini.writeInteger(S, "GPXWhichHomes", o.gpx.whichHomes);
        ini.writeInteger(S, "XMLTemplate", o.xmlTemplate);
    });
}

bool LoadExportSettings(const std::string& workDir, ExportOptions& o) {
    const std::string conf = WithTrailingSlash(workDir) + "tq.conf";
    if (!IsRegularFile(conf)) return false;
    LoadExportOptions(TIniFile(conf), o);
    std::vector<std::string> lines;
    ReadTextList(WithTrailingSlash(workDir) + std::string(kWpTemplateFile), lines);
    if (!lines.empty()) {
        std::string tpl;
        for (std::size_t i = 0; i < lines.size(); ++i) tpl += (i ? "\r\n" : "") + lines[i];
        o.gpx.wpTemplate = tpl;
    }
    return true;
}

bool SaveExportSettings(const std::string& workDir, const ExportOptions& o) {
    TIniFile ini(WithTrailingSlash(workDir) + "tq.conf");
    const bool saved = SaveExportOptions(ini, o);
    SaveTextToFile(o.gpx.wpTemplate, WithTrailingSlash(workDir) + std::string(kWpTemplateFile));
    return saved;
}

XmlTemplate ParseXtp(std::string_view bytes) {
    XmlTemplate t;
    // A template saved as UTF-8 with a byte-order mark: its name is UTF-8.
    const bool utf8 = bytes.substr(0, 3) == "\xEF\xBB\xBF";
    if (utf8) bytes.remove_prefix(3);
    for (const std::string& line : SplitTextLines(bytes)) {
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos && SameTextCp1252(std::string_view(line).substr(0, eq), "name")) {
            t.displayName = utf8 ? Utf8ToCp1252(line.substr(eq + 1)) : line.substr(eq + 1);
            break;
        }
    }
    std::string text(bytes);
    auto cut = [&text](std::string_view open, std::string_view close) {
        std::string inner;
        if (!CutBetweenInner(text, inner, open, close)) inner.clear();
        return TrimCtl(inner);
    };
    t.parts.header = cut("[Header]", "[/Header]");
    t.parts.footer = cut("[Footer]", "[/Footer]");
    t.parts.waypoint = cut("[Waypoints]", "[/Waypoints]");
    return t;
}

std::vector<XmlTemplate> ListTemplates(const std::string& folder) {
    std::vector<XmlTemplate> out;
    for (const std::string& name : ListFolder(folder, "*.xtp")) {
        const auto bytes = ReadWholeFile(WithTrailingSlash(folder) + name);
        if (!bytes) continue;
        XmlTemplate t = ParseXtp(*bytes);
        if (t.displayName.empty()) continue;
        t.file = name;
        out.push_back(std::move(t));
    }
    return out;
}

}  // namespace tv
