#pragma once
// Waypoint codes read from files the user picks in the waypoint-collection
// window: GPX (text of every <name> element), LOC (first attribute of every
// <name> element) and plain text lists (one code per line, ";" starts a
// comment). Codes come back upper-cased, Windows-1252, in file order.
#include <string>
#include <string_view>
#include <vector>

namespace tv {

enum class WpFileFormat { Gpx = 0, Loc = 1, Text = 2 };

struct CodesRead {
    std::vector<std::string> codes;
    // False when the file could not be read to its end (codes found before
    // the fault are still returned).
    bool complete = true;
};

// Removes the bytes that XML 1.0 forbids (control bytes other than TAB, LF,
// CR) and escapes an '&' that starts no entity or character reference, so
// that one stray byte in a field file does not end the parse.
std::string CleanXmlBytes(std::string_view bytes);

CodesRead CodesFromText(std::string_view bytes);
// GPX and LOC files are read through the byte filter of every GPX reader
// (GpxByteFilter): a bare '&', a control byte (read as a blank) or a
// Windows-1252 byte in a UTF-8 file never costs a code.
CodesRead CodesFromGpx(std::string_view bytes);
CodesRead CodesFromLoc(std::string_view bytes);

// Reads the file in the given format; a file that cannot be opened gives no
// codes and complete = false.
CodesRead CodesFromFile(const std::string& path, WpFileFormat format);

}  // namespace tv
