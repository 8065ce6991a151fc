#pragma once
// The options of the export dialog and where they are kept: section
// "ListExport" of the work folder's tq.conf and the GPX waypoint template
// "WPtpl.txt"; and the XML templates "*.xtp" of the work folder.
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

class TIniFile;

// Format items of the dialog, in the order of its list.
enum ExportFormatItem : int {
    kFmtTop50 = 0,
    kFmtEasyGps = 1,
    kFmtCsv = 2,
    kFmtRealMaps = 3,
    kFmtOzi = 4,
    kFmtGpx = 5,
    kFmtXml = 6,
    kFmtMagellan = 7,
};
inline constexpr int kExportFormatCount = 8;

// What to export ("ExpList"); a directory export ignores it.
enum class ExportSource { WorkList = 0, Finds = 1, Database = 2, DirList = 3 };

struct OvlOptions {
    bool label = true;  // a text symbol with the code after the bitmap symbols
    int color = 2;      // item of the colour list
    int size = 2;       // item of the size list
};

struct CsvOptions {
    bool id = false, name = true, hidden = true, foundDate = true, coord = true, latLon = true, merkator = false,
         size = true, type = true, difficulty = true, terrain = true, waypoint = true, country = true, homeDist = true,
         quoteNums = false, headline = true;
    int decimalSeparator = 0;  // 0 comma, 1 point
    int home = 0;              // 0 the home, k the k-th additional home
};

// One of the four type rows: symbol number text, font and background colour
// (blue * 65536 + green * 256 + red).
struct OziRow {
    std::string symbol = "1";
    int fg = 8;
    int bg = 0;
};

struct OziOptions {
    int number = 0;  // 0 running, 1 always -1
    int date = 0;    // 0 hidden date, 1 today
    std::string fontSize = "6", symSize = "17";
    bool bold = false, swap = false;
    std::array<OziRow, 4> rows{{{"1", 8, 32768}, {"1", 8, 33023}, {"1", 8, 16711680}, {"1", 8, 16777215}}};
};

struct GpxOptions {
    bool outputHome = true;
    int whichHomes = 1;      // 0 only the home, 1 all homes
    std::string wpTemplate;  // lines joined by CR LF
};

// The three parts of an XML template.
struct XmlTemplateParts {
    std::string header, waypoint, footer;
};

struct ExportOptions {
    int expList = 0;
    int format = 0;
    OvlOptions ovl;
    CsvOptions csv;
    int psionInfo = 0;  // RealMaps: 0 name, 1 code, 2 code and name
    OziOptions ozi;
    GpxOptions gpx;
    int xmlTemplate = 0;
    XmlTemplateParts xml;  // not stored; read from the chosen template
};

// The seven lines of the default waypoint template, joined by CR LF. The
// elements follow the order GPX 1.1 prescribes (name, cmt, desc, sym, type).
std::string DefaultWaypointTemplate();
ExportOptions DefaultExportOptions();

inline constexpr std::string_view kListExportSection = "ListExport";
inline constexpr std::string_view kWpTemplateFile = "WPtpl.txt";

// The 37 keys of section "ListExport"; a missing key gives its default.
void LoadExportOptions(const TIniFile& ini, ExportOptions& o);
// Writes the 37 keys in one rewrite of the file; false when it failed.
bool SaveExportOptions(TIniFile& ini, const ExportOptions& o);

// When the work folder holds tq.conf: the stored options and, when
// "WPtpl.txt" has at least one line, the waypoint template; true. Otherwise
// nothing changes; false.
bool LoadExportSettings(const std::string& workDir, ExportOptions& o);
// Writes tq.conf (created when missing) and "WPtpl.txt"; false when tq.conf
// could not be written. A failed template write is not reported: the
// options themselves are saved.
bool SaveExportSettings(const std::string& workDir, const ExportOptions& o);

// ---- XML templates ---------------------------------------------------------

struct XmlTemplate {
    std::string file;         // file name in the work folder
    std::string displayName;  // value of its "name=" line
    XmlTemplateParts parts;
};

// A template's text: the display name from the first line starting with
// "name=" (key in any case), and the texts between "[Header]" and
// "[/Header]", "[Footer]" and "[/Footer]", "[Waypoints]" and "[/Waypoints]"
// (markers in any case, cut in that order, each without bytes <= 32 at both
// ends; missing markers give an empty part).
XmlTemplate ParseXtp(std::string_view bytes);
// The templates of the folder with a display name, sorted by file name.
std::vector<XmlTemplate> ListTemplates(const std::string& folder);

}  // namespace tv
