#include "exchange/wp_sources.h"

#include <libxml/xmlreader.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "core/file_procs.h"
#include "core/str_util.h"
#include "exchange/gpx_cache_reader.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

// A code is kept when it has at least 3 characters and starts with "GC".
bool LooksLikeCode(std::string_view code) { return code.size() >= 3 && code.substr(0, 2) == "GC"; }

// Length of a well-formed reference ("&amp;", "&#38;", "&#x26;") at `pos`,
// or 0.
std::size_t ReferenceLength(std::string_view s, std::size_t pos) {
    std::size_t i = pos + 1;
    if (i < s.size() && s[i] == '#') {
        ++i;
        bool hex = i < s.size() && (s[i] == 'x' || s[i] == 'X');
        if (hex) ++i;
        const std::size_t start = i;
        while (i < s.size() &&
               (hex ? std::isxdigit(static_cast<unsigned char>(s[i])) : std::isdigit(static_cast<unsigned char>(s[i]))))
            ++i;
        if (i == start || i >= s.size() || s[i] != ';') return 0;
        return i + 1 - pos;
    }
    const std::size_t start = i;
    while (i < s.size() && i - start < 32 &&
           (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_' || s[i] == '-' || s[i] == '.'))
        ++i;
    if (i == start || i >= s.size() || s[i] != ';') return 0;
    return i + 1 - pos;
}

std::string TrimXmlSpace(std::string_view s) {
    auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t b = 0, e = s.size();
    while (b < e && space(s[b])) ++b;
    while (e > b && space(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}

// The one input of every GPX and LOC reader (GpxByteFilter: a bare '&', a
// control byte or a Windows-1252 byte in a UTF-8 file never ends the parse);
// the reader recovers from real faults and goes on, so the codes after a
// broken spot are not lost either.
struct FilteredXml {
    explicit FilteredXml(std::string_view bytes)
        : source([bytes, this](char* buffer, std::size_t size) -> long long {
              const std::size_t n = std::min(size, bytes.size() - pos);
              std::memcpy(buffer, bytes.data() + pos, n);
              pos += n;
              return static_cast<long long>(n);
          }),
          input(source, XML_PARSE_RECOVER | XML_PARSE_NOERROR) {}
    std::size_t pos = 0;
    GpxSource source;
    GpxXmlInput input;  // last: reads from `source`
};

std::string Upper(const xmlChar* utf8) {
    if (!utf8) return {};
    return UpperCaseCp1252(Utf8ToCp1252(reinterpret_cast<const char*>(utf8)));
}

enum { kStartTag = 1, kText = 3, kEndTag = 15 };

}  // namespace

std::string CleanXmlBytes(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') continue;
        if (c == '&' && ReferenceLength(bytes, i) == 0) {
            out += "&amp;";
            continue;
        }
        out += static_cast<char>(c);
    }
    return out;
}

CodesRead CodesFromText(std::string_view bytes) {
    CodesRead result;
    for (const std::string& line : SplitTextLines(bytes)) {
        std::string code = UpperCaseCp1252(line);
        if (const auto semi = code.find(';'); semi != std::string::npos) code.erase(semi);
        if (code.size() > 2 && code.compare(0, 2, "GC") == 0) result.codes.push_back(std::move(code));
    }
    return result;
}

// The qualified name counts, so a "groundspeak:name" (the cache title) is not
// a waypoint name; CDATA sections give nothing.
CodesRead CodesFromGpx(std::string_view bytes) {
    CodesRead result;
    FilteredXml xml(bytes);
    xmlTextReaderPtr reader = xml.input.reader();
    if (!reader) return {{}, false};
    bool inName = false;
    int rc;
    while ((rc = xmlTextReaderRead(reader)) == 1) {
        const int type = xmlTextReaderNodeType(reader);
        if (type == kStartTag || type == kEndTag) {
            if (Upper(xmlTextReaderConstName(reader)) != "NAME") continue;
            inName = type == kStartTag && !xmlTextReaderIsEmptyElement(reader);
        } else if (type == kText && inName) {
            std::string code = TrimXmlSpace(Upper(xmlTextReaderConstValue(reader)));
            if (LooksLikeCode(code)) result.codes.push_back(std::move(code));
        }
    }
    result.complete = rc == 0 && !xml.input.hadError() && !xml.input.readFailed();
    return result;
}

CodesRead CodesFromLoc(std::string_view bytes) {
    CodesRead result;
    FilteredXml xml(bytes);
    xmlTextReaderPtr reader = xml.input.reader();
    if (!reader) return {{}, false};
    int rc;
    while ((rc = xmlTextReaderRead(reader)) == 1) {
        if (xmlTextReaderNodeType(reader) != kStartTag) continue;
        if (Upper(xmlTextReaderConstName(reader)) != "NAME") continue;
        if (xmlTextReaderMoveToFirstAttribute(reader) != 1) continue;
        std::string code = Upper(xmlTextReaderConstValue(reader));
        xmlTextReaderMoveToElement(reader);
        if (LooksLikeCode(code)) result.codes.push_back(std::move(code));
    }
    result.complete = rc == 0 && !xml.input.hadError() && !xml.input.readFailed();
    return result;
}

CodesRead CodesFromFile(const std::string& path, WpFileFormat format) {
    const auto bytes = ReadWholeFile(path);
    if (!bytes) return {{}, false};
    switch (format) {
        case WpFileFormat::Gpx:
            return CodesFromGpx(*bytes);
        case WpFileFormat::Loc:
            return CodesFromLoc(*bytes);
        case WpFileFormat::Text:
            break;
    }
    return CodesFromText(*bytes);
}

}  // namespace tv
