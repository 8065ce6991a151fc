#pragma once
// Editing the long description of a converted page: the block between the
// template's two markers is cut out, edited in the editor window and put back
// with everything around it unchanged. The preview page shows the edited
// block alone in the browser.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"

namespace tv {

inline constexpr std::string_view kLongDescStartMarker = "<!-- Langbeschreibung Start -->";
inline constexpr std::string_view kLongDescEndMarker = "<!-- Langbeschreibung Ende -->";
inline constexpr std::string_view kPreviewFileName = "tmpdescr.html";

// A page split at the markers: head up to and including the start marker,
// body between the markers, tail from the end marker to the end.
struct LongDescriptionParts {
    std::string head, body, tail;
};

// Splits at the first start marker and the first end marker after it;
// nothing when either is missing (an end marker only before the start marker
// counts as missing).
std::optional<LongDescriptionParts> SplitLongDescription(std::string_view page);
// head + body + tail.
std::string JoinLongDescription(const LongDescriptionParts& parts, std::string_view body);

// Reads the page and splits it. Errors carry the texts the program shows:
// "Fehler beim Laden der Cachebeschreibung " + path when the file cannot be
// read, the text of kMissingMarkersText when a marker is missing.
Result<LongDescriptionParts> LoadLongDescription(const std::string& path);
// Writes head + body + tail over the page (temporary file and rename); false,
// with the old page kept, when that failed.
bool SaveLongDescription(const std::string& path, const LongDescriptionParts& parts, std::string_view body);
// "Mindestens einer der Formatierungs-Tags ..." (Windows-1252).
std::string MissingMarkersText();
inline constexpr int kErrReadFailed = 1;
inline constexpr int kErrMissingMarkers = 2;

// The body as the editor's memo shows it ('\n' line ends) and the line end
// to put back: "\r\n" unless the body uses bare '\n' only.
struct EditorText {
    std::string text;
    std::string lineEnd = "\r\n";
};
EditorText BodyToEditorText(std::string_view body);
// The memo's text with its '\n' line ends turned into `lineEnd`.
std::string EditorTextToBody(std::string_view text, std::string_view lineEnd);

// GetWorkDir() + "tmpdescr.html".
std::string PreviewFilePath();
// The preview page: the fixed head and notice, the memo's lines inside a
// light grey table, every line ended by CR LF.
std::string PreviewHtml(const std::vector<std::string>& memoLines);
// Writes PreviewHtml to `file`; false when that failed.
bool WritePreview(const std::string& file, const std::vector<std::string>& memoLines);

}  // namespace tv
