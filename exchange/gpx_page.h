#pragma once
// Stored listing pages "<WP>.html" written from a cache's GPX data alone, in
// the span layout of a fetched page, so that the span parser and the
// description generator turn them into offline pages like any other. A
// notice inside the long description says where the text came from.
//
// The page is pure ASCII: every character beyond it is a numeric reference,
// so it reads the same whatever charset a browser or our parser assumes.
// Plain texts are HTML-escaped; descriptions marked as HTML stay markup, and
// the page's content security policy keeps their scripts from running.
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/listing_site.h"
#include "exchange/gpx_cache_reader.h"

namespace tv {

// The page lines (written with CR LF). `code` is the waypoint code.
std::vector<std::string> BuildGpxPage(const GpxCacheWpt& wpt, std::string_view code, const ListingSite& site);
// The lines joined, each ended by CR LF.
std::string GpxPageText(const GpxCacheWpt& wpt, std::string_view code, const ListingSite& site);

// The short or long description ready for the page: HTML as it is, plain
// text escaped with its line breaks as "<br>"; trimmed; "" when absent.
std::string GpxDescriptionHtml(const GpxCacheWpt& wpt, bool longDescription);

// "January" ... "December" for "01" ... "12"; "???" otherwise.
std::string MonthName(std::string_view twoDigits);
// The log-icon file of a log type ("Found it" -> "icon_smile.gif").
std::string LogIcon(std::string_view logType);

// Upper-cased base names of the stored pages below `folder` (subfolders
// included, links to folders not followed): names starting "GC" that hold
// ".HTML" and not "_CONVERTED" (all ignoring case); the base name is the text
// before the first '.'.
std::unordered_set<std::string> CollectDescriptionFiles(const std::string& folder);

// outDir + code + ".html"; "" for a code that may not name a file.
std::string GpxPagePath(const std::string& outDir, std::string_view code);

}  // namespace tv
