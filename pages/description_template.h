#pragma once
// The offline description page: the user's template with its placeholders
// "<!-- #NAME# -->" replaced, in a fixed order, by the values of a
// TCacheDescription, and the page written as "<WP>_converted.html" with CR LF
// line ends.
//
// Every occurrence of a placeholder is replaced (case-sensitive). Values are
// inserted before later placeholders are searched, so a value holding a
// later placeholder gets that one filled too. A placeholder whose condition
// is not met stays in the page as a comment.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/listing_site.h"
#include "pages/description_data.h"
#include "platform/services.h"

namespace tv {

// Every placeholder name, in replacement order.
const std::vector<std::string>& DescriptionPlaceholderNames();
// "<!-- #" + name + "# -->"
std::string PlaceholderText(std::string_view name);

// The home the distances are measured from.
struct DescriptionHome {
    std::string name;  // settings text (escaped when put into the page)
    double lat = 0.0;
    double lon = 0.0;
};

inline constexpr int kHintsPlain = 0;      // "als Klartext"
inline constexpr int kHintsRot13 = 1;      // "ROT13-codiert"
inline constexpr int kHintsWhite = 2;      // "weiß auf weiß"

struct FillOptions {
    bool logs = true;          // cbLogs
    int hintMode = kHintsPlain;  // rgHints
    bool cacheImages = true;   // cbCacheimages
    bool twoColumns = true;    // rgImageKind = 1
    int htmlMaxWidth = 640;    // HTMLMaxWidth
    std::optional<DescriptionHome> home;
    // The listing site, for the links to the original page.
    ListingSite site = SettingsListingSite();
};

struct FillSources {
    // The map HTML; asked for only when the page still holds the map
    // placeholder. The "Keine Karte" box when empty.
    std::function<std::string()> mapHtml;
    // The personal notes as HTML lines joined by "<br>"; "" for none.
    std::string notesHtml;
};

// The filled page text (line ends as the template and values have them).
// `waypoint` is the code the page is made for; the links to the original
// page use it.
std::string FillTemplate(std::string_view templateText, std::string_view waypoint, const TCacheDescription& d,
                         const FillOptions& options, const FillSources& sources, const platform::DateTime& now);

// ---- Pieces ----------------------------------------------------------------------------

// "leider niemand :-(", the one name, or the names sorted (ignoring case),
// duplicates dropped, joined by ", " and ended by ".".
std::string BuddyListText(std::vector<std::string> buddies);
// The value of HINTS in a hint mode (others count as plain).
std::string HintsText(std::string_view hints, int mode);
// The ROT13 table of hint mode 1.
std::string Rot13TableHTML();
// "Entfernung von " + home name + ": " + km with one decimal and ',' + " km";
// nothing when the distance cannot be computed.
std::optional<std::string> HomeDistanceText(const DescriptionHome& home, const LatLon& cache);

// The text as a list of lines written back: every CR LF, lone CR or lone LF
// becomes CR LF, and a text not ending in a line break gets one. "" stays "".
std::string WithCrLfLines(std::string_view text);

// outDir + waypoint + "_converted.html"
std::string ConvertedPagePath(const std::string& outDir, std::string_view waypoint);
// Writes the page (WithCrLfLines) over the file through a temporary file;
// false, with the old file kept, when that failed.
bool WriteConvertedPage(const std::string& path, std::string_view text);

}  // namespace tv
