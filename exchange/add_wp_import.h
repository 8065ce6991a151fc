#pragma once
// Additional waypoints of caches (parking places, stages...) from a GPX file
// whose waypoint names are the cache code with another two-letter prefix:
// each <wpt> becomes one TAddWPRec of cache "GC" + name[2..], merged into
// "CacheWaypoints.bin" by its own id.
//
// The file goes through the byte filter of every GPX reader (a bare '&' or a
// Windows-1252 byte in a UTF-8 file never loses it) and is streamed: a big
// file is never held whole, only its records are.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/cache_rec.h"
#include "core/result.h"
#include "core/str_util.h"
#include "exchange/gpx_cache_reader.h"

namespace tv {

struct AddWpParse {
    std::vector<TAddWPRec> records;  // in file order, duplicates kept
    std::vector<std::string> log;    // "<n> - <id>: <type>" per waypoint
    RefusedCodes refused;            // waypoints whose id is no safe waypoint code
};

// Reads the <wpt> elements of the GPX text (its bytes as the file holds
// them). Fails, naming the waypoint, on a coordinate that is no number or
// on text that is no well-formed XML; nothing is taken then. A waypoint
// whose id (the name, blanks around it dropped) is no safe waypoint code
// (letters and digits, at most the 16 characters of the record's field) is
// skipped and counted in `refused`.
Result<AddWpParse> ParseAddWaypoints(std::string_view gpx);

// Lines of the text (CR LF, LF or CR) and those holding `what`.
int CountTextLines(std::string_view text);
int CountLinesContaining(std::string_view text, std::string_view what);

// The same counts for a text fed in pieces (a file read in blocks).
class TextLineCounter {
public:
    explicit TextLineCounter(std::string what) : what_(std::move(what)) {}
    void Feed(std::string_view bytes);
    void Finish();
    std::uint64_t lines() const { return lines_; }
    std::uint64_t linesWith() const { return linesWith_; }

private:
    void EndLine();
    std::string what_;
    std::string window_;  // the last bytes of the current line
    bool lineStarted_ = false, lineHas_ = false, afterCr_ = false;
    std::uint64_t lines_ = 0, linesWith_ = 0;
};

struct AddWpImportResult {
    std::vector<std::string> log;  // the waypoint lines, the refused codes and the three counts
    int before = 0, inFile = 0, after = 0;
    RefusedCodes refused;
};
// Parses, merges into the store file and rewrites it (when it holds any
// record). A store that cannot be read whole is not rewritten.
Result<AddWpImportResult> ImportAddWaypoints(std::string_view gpx, const std::string& storePath);
// The same for the file itself, streamed.
Result<AddWpImportResult> ImportAddWaypointsFile(const std::string& gpxPath, const std::string& storePath);

// ---- What the window shows -------------------------------------------------

// The memo shows a file up to this size whole (and imports what it shows,
// edits included); of a bigger file it shows the beginning, read-only, and
// the import streams the file.
inline constexpr std::size_t kAddWpMemoBytes = 1024 * 1024;

enum class TextEncoding { Utf8, Cp1252 };

// The encoding of the file's text as its start declares it: a UTF-8
// byte-order mark, an XML declaration naming UTF-8, or none at all (XML's
// default) give Utf8; "windows-1252", "iso-8859-1", "iso-8859-15", "latin1"
// and "us-ascii" give Cp1252.
TextEncoding DeclaredTextEncoding(std::string_view head);
// The text as UTF-8 for the memo: a Utf8 file keeps its UTF-8 sequences and
// shows any other byte as the Windows-1252 character (as the import reads
// it); a Cp1252 file is converted.
std::string MemoTextFromFile(std::string_view bytes, TextEncoding encoding);
// The memo's UTF-8 text back in the file's encoding.
std::string FileTextFromMemo(std::string_view utf8, TextEncoding encoding);

struct AddWpFileSummary {
    bool readable = false;
    std::uint64_t size = 0;
    std::uint64_t lines = 0;
    std::uint64_t definitions = 0;  // lines holding "</wpt>"
    TextEncoding encoding = TextEncoding::Utf8;
    bool whole = true;   // `shown` is the whole file
    std::size_t shownLimit = 0;  // the most the memo shows
    std::string shown;   // UTF-8: the file, or its first kAddWpMemoBytes up to a line end
};
// Reads the file once, in blocks.
AddWpFileSummary SummarizeAddWpFile(const std::string& path, std::size_t memoBytes = kAddWpMemoBytes);
// The group caption: "Importdatei: <name> (<n> Zeilen, <m> Waypointdefinitionen)",
// for a file shown in part followed by " - angezeigt ist der Anfang (1,0 MB
// von 51,2 MB), eingelesen wird die ganze Datei".
std::string AddWpCaption(const std::string& fileName, const AddWpFileSummary& s);

}  // namespace tv
