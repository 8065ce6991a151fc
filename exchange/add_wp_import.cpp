#include "exchange/add_wp_import.h"

#include <libxml/xmlreader.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <unordered_map>

#include "core/addwp_db.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/number_format.h"
#include "core/str_util.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

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

using RecordSink = std::function<void(const TAddWPRec& rec)>;

// Reads the waypoints of the filtered input; every one with a safe id goes
// to `take`, in file order. An error names the waypoint or the line.
Result<void> ReadWaypoints(GpxXmlInput& in, const std::string& sourceName, std::vector<std::string>& log,
                           RefusedCodes& refused, const RecordSink& take) {
    xmlTextReaderPtr x = in.reader();
    if (!x) return Error{EINVAL, W("Die GPX-Datei kann nicht gelesen werden.")};
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
        std::string id;
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
                    if (k == 0) id = TrimCtl(Utf8ToCp1252(value));
                    if (k == 1) rec.Comment = Decoded(value);
                    if (k == 2) rec.Description = Decoded(value);
                    if (k == 3) rec.WPType = Decoded(value);
                }
            }
            if (ret != 1) break;
        }
        // The id keys the store and gives the cache code: one that could
        // not name a file, or would be cut to its 16 characters, is skipped.
        if (!refused.Admit(id)) continue;
        rec.Id = id;
        // "PK1A2B3" belongs to cache "GC1A2B3".
        rec.CacheCode = "GC" + (id.size() > 2 ? id.substr(2) : std::string());
        log.push_back(std::to_string(n) + " - " + id + ": " + rec.WPType.str());
        if (missing) log.push_back(std::to_string(n) + " - " + id + ": Koordinate fehlt");
        take(rec);
    }
    if (in.readFailed()) return Error{EIO, ReadErrorText(sourceName)};
    if (ret < 0) {
        const int line = in.errorLine() > 0 ? in.errorLine() : xmlTextReaderGetParserLineNumber(x);
        return Error{EINVAL, W("Die GPX-Daten sind fehlerhaft (Zeile ") + std::to_string(line) + ")."};
    }
    return {};
}

GpxSource MemorySource(std::string_view bytes, std::size_t& pos) {
    return [bytes, &pos](char* buffer, std::size_t size) -> long long {
        const std::size_t n = std::min(size, bytes.size() - pos);
        std::memcpy(buffer, bytes.data() + pos, n);
        pos += n;
        return static_cast<long long>(n);
    };
}

using File = FileStream;

File OpenRead(const std::string& path) { return OpenProgramStream(path); }

// The store as the file keeps it: 416-byte records in a deque (no copy of
// the whole when it grows) and a hash of their own ids, so a big file's
// records cost little more than their bytes.
struct Store {
    std::deque<AddWPRecBytes> recs;
    std::unordered_map<std::string, std::size_t> index;  // exact id -> first record
};

std::string IdOf(const AddWPRecBytes& b) {
    const TAddWPRec rec = DecodeAddWPRec(b.data());
    return rec.Id.str();
}

// Read in blocks; an error when it is not whole records or cannot be read,
// so that the rewrite cannot lose its tail.
Result<void> LoadStore(const std::string& storePath, Store& store) {
    if (!IsRegularFile(storePath)) return {};
    File f = OpenRead(storePath);
    if (!f) return Error{EIO, ReadErrorText(storePath)};
    AddWPRecBytes rec{};
    std::size_t n = 0;
    while ((n = std::fread(rec.data(), 1, rec.size(), f.get())) == rec.size()) {
        store.index.emplace(IdOf(rec), store.recs.size());
        store.recs.push_back(rec);
    }
    if (std::ferror(f.get()) || n != 0) return Error{EIO, ReadErrorText(storePath)};
    return {};
}

bool SaveStore(const Store& store, const std::string& storePath) {
    AtomicFileWriter out(storePath);
    std::string chunk;
    chunk.reserve(256 * TAddWPRec::kSize);
    for (const AddWPRecBytes& b : store.recs) {
        chunk.append(reinterpret_cast<const char*>(b.data()), b.size());
        if (chunk.size() >= 256 * TAddWPRec::kSize) {
            if (!out.Write(chunk)) break;
            chunk.clear();
        }
    }
    out.Write(chunk);
    return out.Commit();
}

Result<AddWpImportResult> Import(const GpxSource& source, const std::string& sourceName,
                                 const std::string& storePath) {
    Store store;
    if (Result<void> loaded = LoadStore(storePath, store); !loaded) return loaded.error();
    AddWpImportResult res;
    res.before = static_cast<int>(store.recs.size());
    GpxXmlInput in(source);
    // Merged as they come, by exact id; the later of two equal ids wins, as
    // when the file's list is merged at once.
    const Result<void> read = ReadWaypoints(in, sourceName, res.log, res.refused, [&](const TAddWPRec& rec) {
        ++res.inFile;
        const auto [it, added] = store.index.emplace(rec.Id.str(), store.recs.size());
        if (added) store.recs.emplace_back();
        EncodeAddWPRec(rec, store.recs[it->second].data());
    });
    if (!read) return read.error();
    if (res.refused.count() > 0) res.log.push_back(res.refused.Text());
    res.log.push_back("Gespeicherte Waypoints bisher: " + std::to_string(res.before));
    res.log.push_back("Waypoints dieser Datei: " + std::to_string(res.inFile));
    res.after = static_cast<int>(store.recs.size());
    res.log.push_back("Waypoints nach Einlesen: " + std::to_string(res.after));
    if (!store.recs.empty() && !SaveStore(store, storePath)) return Error{EIO, WriteErrorText(storePath)};
    return res;
}

// Length of the UTF-8 sequence at s[i] when it is one (no overlong forms,
// no surrogates), else 0.
std::size_t Utf8SequenceAt(std::string_view s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    std::size_t len = 0;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) len = 2;
    else if (c >= 0xE0 && c <= 0xEF) len = 3;
    else if (c >= 0xF0 && c <= 0xF4) len = 4;
    else return 0;
    if (i + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k)
        if ((b(i + k) & 0xC0) != 0x80) return 0;
    if (c == 0xE0 && b(i + 1) < 0xA0) return 0;
    if (c == 0xED && b(i + 1) >= 0xA0) return 0;
    if (c == 0xF0 && b(i + 1) < 0x90) return 0;
    if (c == 0xF4 && b(i + 1) >= 0x90) return 0;
    return len;
}

std::string LowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

}  // namespace

Result<AddWpParse> ParseAddWaypoints(std::string_view gpx) {
    AddWpParse out;
    std::size_t pos = 0;
    const GpxSource source = MemorySource(gpx, pos);
    GpxXmlInput in(source);
    const Result<void> read =
        ReadWaypoints(in, "GPX", out.log, out.refused, [&out](const TAddWPRec& rec) { out.records.push_back(rec); });
    if (!read) return read.error();
    return out;
}

void TextLineCounter::EndLine() {
    ++lines_;
    if (lineHas_) ++linesWith_;
    window_.clear();
    lineStarted_ = lineHas_ = false;
}

void TextLineCounter::Feed(std::string_view bytes) {
    for (char c : bytes) {
        if (c == '\n' && afterCr_) {
            afterCr_ = false;
            continue;
        }
        afterCr_ = c == '\r';
        if (c == '\r' || c == '\n') {
            EndLine();
            continue;
        }
        lineStarted_ = true;
        if (lineHas_ || what_.empty()) continue;
        window_.push_back(c);
        if (window_.size() > what_.size()) window_.erase(0, 1);
        if (window_ == what_) lineHas_ = true;
    }
}

void TextLineCounter::Finish() {
    if (lineStarted_) EndLine();
}

int CountTextLines(std::string_view text) {
    TextLineCounter c("");
    c.Feed(text);
    c.Finish();
    return static_cast<int>(c.lines());
}

int CountLinesContaining(std::string_view text, std::string_view what) {
    TextLineCounter c{std::string(what)};
    c.Feed(text);
    c.Finish();
    return static_cast<int>(c.linesWith());
}

Result<AddWpImportResult> ImportAddWaypoints(std::string_view gpx, const std::string& storePath) {
    std::size_t pos = 0;
    const GpxSource source = MemorySource(gpx, pos);
    return Import(source, "GPX", storePath);
}

Result<AddWpImportResult> ImportAddWaypointsFile(const std::string& gpxPath, const std::string& storePath) {
    File f = OpenRead(gpxPath);
    if (!f) return Error{EIO, ReadErrorText(gpxPath)};
    const GpxSource source = [&f](char* buffer, std::size_t size) -> long long {
        const std::size_t n = std::fread(buffer, 1, size, f.get());
        if (n == 0 && std::ferror(f.get())) return -1;
        return static_cast<long long>(n);
    };
    return Import(source, gpxPath, storePath);
}

TextEncoding DeclaredTextEncoding(std::string_view head) {
    if (head.substr(0, 3) == "\xEF\xBB\xBF") return TextEncoding::Utf8;
    if (head.substr(0, 5) != "<?xml") return TextEncoding::Utf8;
    const std::string decl = LowerAscii(head.substr(0, head.find("?>")));
    const std::size_t at = decl.find("encoding");
    if (at == std::string::npos) return TextEncoding::Utf8;
    std::size_t q = decl.find_first_of("\"'", at);
    if (q == std::string::npos) return TextEncoding::Utf8;
    const std::size_t end = decl.find(decl[q], q + 1);
    const std::string name = decl.substr(q + 1, end == std::string::npos ? std::string::npos : end - q - 1);
    for (const char* cp : {"windows-1252", "cp1252", "iso-8859-1", "iso-8859-15", "latin1", "latin-1", "us-ascii"})
        if (name == cp) return TextEncoding::Cp1252;
    return TextEncoding::Utf8;
}

std::string MemoTextFromFile(std::string_view bytes, TextEncoding encoding) {
    if (encoding == TextEncoding::Cp1252) return Cp1252ToUtf8(bytes);
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t len = Utf8SequenceAt(bytes, i);
        if (len > 0) {
            out.append(bytes.substr(i, len));
            i += len;
        } else {
            out += Cp1252ToUtf8(bytes.substr(i, 1));
            ++i;
        }
    }
    return out;
}

std::string FileTextFromMemo(std::string_view utf8, TextEncoding encoding) {
    if (encoding == TextEncoding::Cp1252) return Utf8ToCp1252(utf8);
    return std::string(utf8);
}

AddWpFileSummary SummarizeAddWpFile(const std::string& path, std::size_t memoBytes) {
    AddWpFileSummary s;
    File f = OpenRead(path);
    if (!f) return s;
    TextLineCounter counter("</wpt>");
    std::string head;
    std::vector<char> buf(1 << 20);
    for (;;) {
        const std::size_t n = std::fread(buf.data(), 1, buf.size(), f.get());
        if (n == 0) break;
        const std::string_view chunk(buf.data(), n);
        s.size += n;
        counter.Feed(chunk);
        if (head.size() <= memoBytes) head.append(chunk.substr(0, memoBytes + 1 - head.size()));
    }
    if (std::ferror(f.get())) return s;
    counter.Finish();
    s.lines = counter.lines();
    s.definitions = counter.linesWith();
    s.encoding = DeclaredTextEncoding(head);
    s.whole = head.size() <= memoBytes;
    s.shownLimit = memoBytes;
    if (!s.whole) {
        // Up to the last line end, so no character is cut in two.
        head.resize(memoBytes);
        const std::size_t cut = head.find_last_of("\r\n");
        if (cut != std::string::npos) head.resize(cut + 1);
    }
    s.shown = MemoTextFromFile(head, s.encoding);
    s.readable = true;
    return s;
}

std::string AddWpCaption(const std::string& fileName, const AddWpFileSummary& s) {
    std::string text = "Importdatei: " + fileName + " (" + std::to_string(s.lines) + " Zeilen, " +
                       std::to_string(s.definitions) + " Waypointdefinitionen)";
    const auto mb = [](std::uint64_t bytes) {
        return FormatFixed(static_cast<double>(bytes) / (1024.0 * 1024.0), 15, 1, ',') + " MB";
    };
    if (!s.whole)
        text += W(" - angezeigt ist der Anfang (") + mb(s.shownLimit) + " von " + mb(s.size) +
                W("), eingelesen wird die ganze Datei");
    return text;
}

}  // namespace tv
