#pragma once
// The computed pieces of an offline description page: the table of the
// cache's pictures, the embedded map picture, the personal notes paragraph
// text and the clean-up of the long description.
//
// All builders are pure functions of their arguments (file existence is asked
// through a callback), so the window's options go in as plain values.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/meta_file.h"

namespace tv {

// ---- Pictures -----------------------------------------------------------------

// Entry number (1-based) of the widest picture not marked Used whose width is
// above 0, the first of equal widths; 0 when there is none.
int FindWidestUnusedImage(const std::vector<TDescrImage>& images);

// "<hr>" CR LF and one table per picture (twoColumns false) or pairs of
// pictures scaled together to `maxWidth` with an odd one out last. "" for no
// pictures; the notice "Cache-Images nicht gefunden." when a size is unknown.
// Picture names become "./" + bare name.
std::string BuildCacheImagesHTML(std::vector<TDescrImage> images, int maxWidth, bool twoColumns);

// ---- Map picture --------------------------------------------------------------

// The map sources in the order the window offers them at first.
const std::vector<std::string>& DefaultMapOrder();
// "MultiMap" -> "_multimap.gif", "MapPoint" -> "_mappoint.gif",
// "Stadtplandienst (Karte)" -> "_sdk1.png", "Stadtplandienst (Luftbild)" ->
// "_sdk1.jpg", "MapQuest" -> "_map.gif"; "" for any other line.
std::string MapFileEnding(std::string_view mapOrderLine);

using FileExistsFn = std::function<bool(const std::string& path)>;

// The ending of the first source in `order` whose file basePath + ending
// exists; "" when none does.
std::string FindCacheMapFile(const std::string& basePath, const std::vector<std::string>& order,
                             const FileExistsFn& exists);

// The map HTML for the ending found (see FindCacheMapFile; "" gives the "Keine
// Karte" box). `resize` is 0 (100 %), 1 (67 %) or 2 (50 %); other values count
// as 0. `tile9Exists` tells whether the city map has nine tiles.
std::string BuildCacheMapHTML(std::string_view waypoint, std::string_view ending, int resize, bool tile9Exists);

// FindCacheMapFile and BuildCacheMapHTML on the description folder `outDir`
// (ending in '/').
std::string BuildCacheMapHTMLFor(const std::string& outDir, std::string_view waypoint,
                                 const std::vector<std::string>& order, int resize, const FileExistsFn& exists);

// ---- Personal notes -----------------------------------------------------------

// The note lines of `waypoint` in the notes file ("Persinfo.txt"), joined by
// "<br>" as the user wrote them; "" when there is no note or the waypoint is
// empty.
std::string ReadPersonalNotesHtml(const std::string& notesFile, std::string_view waypoint);

// ---- Long description clean-up ------------------------------------------------

// The boxes of the page "HTML-Reformatierung".
struct CleanFlags {
    bool body = true;       // cbBody
    bool bgColor = true;    // cbBGColor
    bool img = true;        // cbImg
    bool style = true;      // cbStyle
    bool href = true;       // cbHREF
    bool font = true;       // cbFont
    bool tables = false;    // cbTables
    bool removeAll = false; // cbRemoveAll
    bool span = false;      // cbSpan (kept for the settings; no effect)
};

struct CleanCounts {
    int images = -1;  // pictures removed, -1 when pictures were not removed
    int links = -1;   // links removed, -1 when links were not removed
};

// Removes the elements chosen by `flags` from a long description. Attribute
// spans (BGCOLOR="..." and the like) are removed with their values.
CleanCounts CleanLongDescription(std::string& text, const CleanFlags& flags);

// The entry of a cache in the removed-content list, "GC1(2/0)", or "" when
// nothing was removed (images <= 0 and links < 1).
std::string RemovedContentEntry(std::string_view waypoint, const CleanCounts& counts);
// Appends the entry (with ", " before it unless the list is empty).
void AppendRemovedContent(std::string& list, std::string_view waypoint, const CleanCounts& counts);

// Removes every span from `open` to `close` (ignoring case), with the close
// searched after the whole opening text, in one pass; the same result as
// removing the first span from the start again and again. A missing close
// ends the removal. Returns the number of spans removed.
int RemoveSpansNoCase(std::string& text, std::string_view open, std::string_view close);

// Removes <meta> and <base> elements from listing content: a refresh or a base
// would lead the opened page elsewhere, and no page policy stops either.
void RemoveRedirectElements(std::string& html);

}  // namespace tv
