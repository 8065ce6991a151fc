#pragma once
// Reads a stored listing page (<WP>.html) back as a sequence of
// <span id="..."> sections, cleans each by its id, turns log icons into
// counted text markers, converts the hidden date and the star ratings and
// takes out picture links and travel-bug names.
//
// Everything works on Windows-1252 bytes; marker searches ignore case through
// the Windows-1252 upper-case table. Loops over a page (SpanReader,
// ImageLinkReader) run in time linear in the page size; the free functions
// with the classic signatures are single steps built on them.
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/listing_site.h"

namespace tv {

// ---- Log-kind counters ------------------------------------------------------

// Number of log icons of each kind replaced in the last logs section parsed,
// in display order.
struct LogCounts {
    std::int32_t LogCountFound = 0;
    std::int32_t LogCountReviewNote = 0;
    std::int32_t LogCountNote = 0;
    std::int32_t LogCountDNF = 0;
    std::int32_t LogCountDisabled = 0;
    std::int32_t LogCountEnabled = 0;
    std::int32_t LogCountWillAttend = 0;
    std::int32_t LogCountAttended = 0;
    std::int32_t LogCountNeedsMaintenance = 0;
    std::int32_t LogCountMaintained = 0;

    // The ten counters in display order (found ... maintained).
    std::array<std::int32_t, 10> InDisplayOrder() const;
    bool operator==(const LogCounts&) const = default;
};
// The process-wide counters: reset and filled by every CACHELOGS section that
// ParseCacheSection cleans without an explicit LogCounts, read by the
// description generator after it has parsed a page.
LogCounts& ProcessLogCounts();

// ---- Sections ---------------------------------------------------------------

// Walks a page section by section without copying or re-scanning what has
// been consumed. The sections inside a long description are returned after it
// (the long description does not consume the page).
class SpanReader {
public:
    explicit SpanReader(std::string page);

    // The next section's id (as the page writes it, e.g. `Hints" class="displayMe`)
    // and inner text. False when no further section can be cut; every later
    // call is false too.
    bool Next(std::string& id, std::string& text);
    // What is left of the page.
    std::string Rest() const { return page_.substr(pos_); }

private:
    bool FindSectionEnd(std::size_t from, std::size_t& end) const;

    std::string page_;
    std::size_t pos_ = 0;
    bool done_ = false;
    // Text up to here has been handed out as a long description already; a
    // long-description opener inside it is read as an ordinary section.
    std::size_t longDescEnd_ = 0;
    // Cached position of the hints heading at or after pos_ (npos = none left).
    std::size_t hintsAt_ = 0;
    bool hintsKnown_ = false;
};

// One step of SpanReader on a page held by the caller: `page` is consumed up to
// the end of the section (only the opening tag for the long description).
// Loops over large pages should use SpanReader.
bool GetNextSpan(std::string& page, std::string& id, std::string& text);

// Cleans `text` by the upper-cased `id`. The hints id (`Hints" class="displayMe`,
// or plain `Hints`) becomes "HINTS". False for an unknown id and for a
// LNKDETAILS section without a watcher line; the caller then ignores the
// section. CACHELOGS resets and fills `counts`.
bool ParseCacheSection(std::string& id, std::string& text, std::string_view listingHost, LogCounts& counts);
// The same with the process-wide counters (ProcessLogCounts).
bool ParseCacheSection(std::string& id, std::string& text, const ListingSite& site);

// ---- Tags, pictures, logs, travel bugs, dates -------------------------------

// Cuts the first tag-balanced element ("<" counts +1, ">" -1) that starts at
// or after the 0-based `start` out of `text` into `tag`. False, with `text`
// unchanged and `tag` empty, when there is no "<" or the element never closes.
bool ExtractBalancedTag(std::size_t start, std::string& text, std::string& tag);

// Takes the picture links out of a cleaned IMAGES section one by one.
class ImageLinkReader {
public:
    ImageLinkReader(std::string imagesText, std::string_view pictureHost);

    // False when no further tag can be taken. True with an empty `url` for a
    // link that does not point at the picture server (skip it and go on).
    bool Next(std::string& url, std::string& title, std::string& caption);
    std::string Rest() const { return prefix_ + text_.substr(pos_); }

private:
    bool TakeTag(std::string& tag);
    std::string TakeTextBeforeTag();

    std::string text_;
    std::size_t pos_ = 0;
    // Plain text (never holding a "<") left before pos_ by a tag taken from
    // the middle; it belongs in front of text_[pos_..].
    std::string prefix_;
    std::string marker_;  // "HTTP://" + upper-cased picture host
};

// One step of ImageLinkReader on a text held by the caller. `url`, `title` and
// `caption` are cleared first; callers act only on a non-empty `url`.
bool GetNextImageLink(std::string& text, std::string& url, std::string& title, std::string& caption,
                      std::string_view pictureHost);

// Turns a cleaned logs section into line-oriented HTML: nested tables after
// the start dropped, fonts, cells, anchors and bold removed, rows become
// paragraphs and every line break ends as "</B><BR>" + CR LF.
std::string FlattenSectionHTML(std::string_view text);

// The date of a log or finds-list row: "Today", "Yesterday", "n days ago" or
// "D MON YY" (e.g. "7 Nov 07"). Anything else, or an impossible date, gives
// tomorrow, which sorts after every real log date; `bad` (when given) tells
// that case apart.
std::chrono::year_month_day ParseLogDate(std::string_view text, std::chrono::year_month_day today, bool* bad = nullptr);
// The same with today taken from the platform clock.
std::chrono::year_month_day ParseLogDate(std::string_view text, bool* bad = nullptr);

// The travel bugs of a whole raw page as one line,
// `Momentane(r) Travelbug(s) im Cache: &quot;A&quot;; &quot;B&quot;`, or
// empty when the section, its end or any bug link is missing.
std::string ParseTravelBugs(std::string_view page);

}  // namespace tv
