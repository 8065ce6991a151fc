#pragma once
// Streaming reader of pocket-query GPX files: one GpxCacheWpt per `wpt`
// element, with the fields of the cache extension when the waypoint has one.
//
// The extension is recognised by position and namespace, not by prefix or
// version: a child `cache` of `wpt` (or of `wpt/extensions`) whose namespace
// is not the waypoint's own; its fields are its direct children in its own
// namespace, matched by local name (so a log's `type` never passes for the
// cache type). Texts come out decoded and in UTF-8.
//
// Real files carry bytes that a strict XML parser rejects; GpxByteFilter
// repairs them before parsing (see there). The file is never held whole.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <libxml/xmlreader.h>

namespace tv {

struct GpxLog {
    std::string date;    // "2007-03-05T08:00:00"
    std::string type;    // "Found it"
    std::string finder;
    std::string text;
    bool encoded = false;  // text@encoded="True": the finder wrote it ROT13-encoded
};

struct GpxCacheWpt {
    std::string lat, lon;  // attribute texts of `wpt`
    std::string time;      // wpt/time
    std::string name;      // wpt/name: the waypoint code
    std::string urlname;   // GPX 1.0
    std::string linkText;  // GPX 1.1 wpt/link/text

    bool hasCache = false;  // the cache extension is present
    std::optional<std::string> cacheId;  // cache@id
    std::string cacheName;
    std::optional<std::string> placedBy;
    std::string owner;
    std::string type;
    std::string container;
    std::optional<std::string> difficulty;
    std::optional<std::string> terrain;
    std::string country;
    std::string state;
    std::string shortDescription;
    bool shortHtml = false;  // short_description@html="True"
    std::string longDescription;
    bool longHtml = false;
    std::optional<std::string> hints;  // encoded_hints (plain text despite the name)
    bool hasLogs = false;
    std::vector<GpxLog> logs;
};

// Makes real-world bytes acceptable to the XML parser, as a stream:
//  - C0 control bytes other than TAB, CR and LF become blanks;
//  - numeric character references to characters XML forbids (&#xB;, &#0;,
//    &#xFFFF;, surrogates, beyond U+10FFFF) become a blank;
//  - an '&' that starts no predefined entity or numeric reference becomes
//    "&amp;" (so "&nbsp;" reads as the text "&nbsp;");
//  - bytes that are not UTF-8 are read as Windows-1252 and re-encoded;
//    U+FFFE and U+FFFF become U+FFFD; a leading byte-order mark is dropped.
// Inside CDATA sections, comments and processing instructions an '&' is
// text and stays. Characters beyond ASCII in element text become numeric
// references (the parser reads them several times faster that way). The
// output is always UTF-8.
class GpxByteFilter {
public:
    // Filters `data` and appends the result to `out`; an incomplete sequence
    // at the end is held back until the next call.
    void Feed(std::string_view data, std::string& out);
    // Flushes what was held back (the input has ended).
    void Finish(std::string& out);

private:
    // Processes pending_ from the start; stops before a sequence that needs
    // more bytes unless `atEnd`.
    void Run(std::string& out, bool atEnd);

    enum class Mode { Text, Tag, CData, Comment, PI };

    std::string pending_;
    bool started_ = false;
    Mode mode_ = Mode::Text;
    char quote_ = 0;  // the quote of an attribute value the tag is in
};

// Pulls the next bytes of the input into `buffer` (at most `size`); 0 at the
// end, a negative value on a read error.
using GpxSource = std::function<long long(char* buffer, std::size_t size)>;

// The input of every GPX and LOC reader of the program: the bytes of
// `source` through GpxByteFilter (read a few blocks ahead on a thread of its
// own) into a libxml2 text reader that loads no DTD, fetches nothing,
// expands no entity and reads the filtered bytes as UTF-8 whatever the file
// declares. `extraOptions` (XML_PARSE_...) are added. The file is never held
// whole.
class GpxXmlInput {
public:
    explicit GpxXmlInput(const GpxSource& source, int extraOptions = 0,
                         std::function<void(std::uint64_t)> progress = {});
    ~GpxXmlInput();
    GpxXmlInput(const GpxXmlInput&) = delete;
    GpxXmlInput& operator=(const GpxXmlInput&) = delete;

    // Null when the reader could not be set up.
    xmlTextReaderPtr reader() const { return reader_; }
    // The source reported a read error.
    bool readFailed() const;
    // The first error the parser reported (namespace errors aside): its
    // line (1-based; 0 when none) and text (English, UTF-8).
    bool hadError() const;
    int errorLine() const;
    const std::string& errorMessage() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    xmlTextReaderPtr reader_ = nullptr;
};

// The bytes as GpxByteFilter leaves them, in one go (for small texts).
std::string FilterGpxBytes(std::string_view bytes);

struct GpxReadResult {
    int waypoints = 0;    // `wpt` elements delivered
    bool ok = true;       // false: the parser stopped at an error
    int errorLine = 0;    // line of the error (1-based), 0 when unknown
    std::string errorMessage;  // the parser's text (English, UTF-8)
    bool cancelled = false;    // the callback asked to stop
    std::string gpxName;  // gpx/name or gpx/metadata/name
};

// Gets each waypoint; returning false stops the reading.
using GpxWptSink = std::function<bool(GpxCacheWpt&& wpt)>;

// The source is pulled on a thread of its own; the sink and `progress` (raw
// bytes read so far; may be empty) are called on the calling thread.
GpxReadResult ReadGpx(const GpxSource& source, const GpxWptSink& sink,
                      const std::function<void(std::uint64_t)>& progress = {});
GpxReadResult ReadGpxBytes(std::string_view bytes, const GpxWptSink& sink);
GpxReadResult ReadGpxFile(const std::string& path, const GpxWptSink& sink,
                          const std::function<void(std::uint64_t)>& progress = {});

}  // namespace tv
