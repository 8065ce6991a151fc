#include "exchange/add_wp_import.h"

#include <libxml/xmlreader.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <memory>

#include "core/addwp_db.h"
#include "core/file_procs.h"
#include "core/str_util.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

struct ReaderFree {
    void operator()(xmlTextReader* r) const { xmlFreeTextReader(r); }
};
using Reader = std::unique_ptr<xmlTextReader, ReaderFree>;

std::string Take(xmlChar* s) {
    std::string out = s ? reinterpret_cast<const char*>(s) : "";
    xmlFree(s);
    return out;
}

bool Is(xmlTextReaderPtr r, const char* name) {
    const xmlChar* n = xmlTextReaderConstName(r);
    return n && std::string_view(reinterpret_cast<const char*>(n)) == name;
}

// Element text as the record keeps it: Windows-1252, entities that were
// escaped twice decoded as well.
std::string Decoded(const std::string& utf8) {
    std::string s = Utf8ToCp1252(utf8);
    DecodeHtmlEntities(s);
    return s;
}

bool Number(std::string_view text, double& v) {
    text = TrimBlanks(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    return !text.empty() && r.ec == std::errc() && r.ptr == text.data() + text.size() && std::isfinite(v);
}

}  // namespace

Result<AddWpParse> ParseAddWaypoints(std::string_view gpx) {
    AddWpParse out;
    Reader r(xmlReaderForMemory(gpx.data(), static_cast<int>(gpx.size()), "", nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (!r) return Error{EINVAL, W("Die GPX-Datei kann nicht gelesen werden.")};
    xmlTextReaderPtr x = r.get();
    int n = 0, ret = 0;
    while ((ret = xmlTextReaderRead(x)) == 1) {
        if (xmlTextReaderNodeType(x) != XML_READER_TYPE_ELEMENT || !Is(x, "wpt")) continue;
        ++n;
        TAddWPRec rec;  // every waypoint from a fresh record
        bool missing = false;
        for (auto [attr, field] : {std::pair{"lat", &rec.Lat}, std::pair{"lon", &rec.Lon}}) {
            xmlChar* raw = xmlTextReaderGetAttribute(x, reinterpret_cast<const xmlChar*>(attr));
            if (!raw) {
                missing = true;
                continue;
            }
            const std::string text = Take(raw);
            if (!Number(text, *field))
                return Error{EINVAL, "Waypoint " + std::to_string(n) + ": '" + Utf8ToCp1252(text) +
                                         W("' ist kein gültiger Gleitkommawert.")};
        }
        const int depth = xmlTextReaderDepth(x);
        bool seen[4] = {false, false, false, false};
        if (!xmlTextReaderIsEmptyElement(x)) {
            while ((ret = xmlTextReaderRead(x)) == 1) {
                const int type = xmlTextReaderNodeType(x);
                if (type == XML_READER_TYPE_END_ELEMENT && xmlTextReaderDepth(x) == depth) break;
                if (type != XML_READER_TYPE_ELEMENT || xmlTextReaderDepth(x) != depth + 1) continue;
                static const char* const kTags[4] = {"name", "cmt", "desc", "sym"};
                for (int k = 0; k < 4; ++k) {
                    if (seen[k] || !Is(x, kTags[k])) continue;
                    seen[k] = true;
                    const std::string value = Take(xmlTextReaderReadString(x));
                    if (k == 0) rec.Id = Utf8ToCp1252(value);
                    if (k == 1) rec.Comment = Decoded(value);
                    if (k == 2) rec.Description = Decoded(value);
                    if (k == 3) rec.WPType = Decoded(value);
                }
            }
            if (ret != 1) break;
        }
        // "PK1A2B3" belongs to cache "GC1A2B3".
        rec.CacheCode = "GC" + (rec.Id.size() > 2 ? rec.Id.str().substr(2) : std::string());
        out.log.push_back(std::to_string(n) + " - " + rec.Id.str() + ": " + rec.WPType.str());
        if (missing) out.log.push_back(std::to_string(n) + " - " + rec.Id.str() + ": Koordinate fehlt");
        out.records.push_back(rec);
    }
    if (ret < 0)
        return Error{EINVAL, W("Die GPX-Daten sind fehlerhaft (Zeile ") +
                                 std::to_string(xmlTextReaderGetParserLineNumber(x)) + ")."};
    return out;
}

int CountTextLines(std::string_view text) { return static_cast<int>(SplitTextLines(text).size()); }

int CountLinesContaining(std::string_view text, std::string_view what) {
    int n = 0;
    for (const std::string& line : SplitTextLines(text))
        if (line.find(what) != std::string::npos) ++n;
    return n;
}

Result<AddWpImportResult> ImportAddWaypoints(std::string_view gpx, const std::string& storePath) {
    Result<AddWpParse> parsed = ParseAddWaypoints(gpx);
    if (!parsed) return parsed.error();
    std::string stored;
    if (IsRegularFile(storePath)) {
        auto bytes = ReadWholeFile(storePath);
        // Rewriting a store read only in part would lose its tail.
        if (!bytes || bytes->size() % TAddWPRec::kSize != 0) return Error{EIO, ReadErrorText(storePath)};
        stored = std::move(*bytes);
    }
    TAddWPList store, file;
    for (const TAddWPRec& rec : DecodeAddWPRecs(stored)) store.AddWP(rec.Id.view(), rec);
    for (const TAddWPRec& rec : parsed->records) file.AddWP(rec.Id.view(), rec);
    AddWpImportResult res;
    res.log = std::move(parsed->log);
    res.before = store.Count();
    res.inFile = file.Count();
    res.log.push_back("Gespeicherte Waypoints bisher: " + std::to_string(res.before));
    res.log.push_back("Waypoints dieser Datei: " + std::to_string(res.inFile));
    MergeAddWaypoints(store, file);
    res.after = store.Count();
    res.log.push_back("Waypoints nach Einlesen: " + std::to_string(res.after));
    if (store.Count() > 0 && !SaveAddWaypoints(store, storePath)) return Error{EIO, WriteErrorText(storePath)};
    return res;
}

}  // namespace tv
