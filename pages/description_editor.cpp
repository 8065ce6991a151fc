#include "pages/description_editor.h"

#include <cerrno>

#include "core/file_procs.h"
#include "core/html_escape.h"
#include "core/proc_settings.h"
#include "platform/text_encoding.h"
#include "pages/description_html.h"

namespace tv {

std::optional<LongDescriptionParts> SplitLongDescription(std::string_view page) {
    const size_t start = page.find(kLongDescStartMarker);
    if (start == std::string_view::npos) return std::nullopt;
    const size_t bodyStart = start + kLongDescStartMarker.size();
    const size_t end = page.find(kLongDescEndMarker, bodyStart);
    if (end == std::string_view::npos) return std::nullopt;
    LongDescriptionParts parts;
    parts.head = std::string(page.substr(0, bodyStart));
    parts.body = std::string(page.substr(bodyStart, end - bodyStart));
    parts.tail = std::string(page.substr(end));
    return parts;
}

std::string JoinLongDescription(const LongDescriptionParts& parts, std::string_view body) {
    std::string page;
    page.reserve(parts.head.size() + body.size() + parts.tail.size());
    page.append(parts.head).append(body).append(parts.tail);
    return page;
}

std::string MissingMarkersText() {
    return W("Mindestens einer der Formatierungs-Tags\r\n<!-- Langbeschreibung Start --> oder\r\n"
             "<!-- Langbeschreibung Ende -->\r\nwurde in der konvertierten Beschreibung nicht gefunden.\r\n"
             "Vor dem Editieren muss die Beschreibung nochmals mit einem\r\naktuellen Template erzeugt werden.");
}

Result<LongDescriptionParts> LoadLongDescription(const std::string& path) {
    const std::optional<std::string> page = ReadWholeFile(path);
    if (!page) return Error{kErrReadFailed, W("Fehler beim Laden der Cachebeschreibung ") + path};
    auto parts = SplitLongDescription(*page);
    if (!parts) return Error{kErrMissingMarkers, MissingMarkersText()};
    return std::move(*parts);
}

bool SaveLongDescription(const std::string& path, const LongDescriptionParts& parts, std::string_view body) {
    return WriteFileAtomic(path, JoinLongDescription(parts, body));
}

EditorText BodyToEditorText(std::string_view body) {
    EditorText e;
    const bool crlf = body.find("\r\n") != std::string_view::npos;
    const bool bareLf = body.find('\n') != std::string_view::npos && !crlf;
    e.lineEnd = bareLf ? "\n" : "\r\n";
    e.text.reserve(body.size());
    for (size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (c == '\r') {
            if (i + 1 < body.size() && body[i + 1] == '\n') ++i;
            e.text += '\n';
        } else {
            e.text += c;
        }
    }
    return e;
}

std::string EditorTextToBody(std::string_view text, std::string_view lineEnd) {
    std::string body;
    body.reserve(text.size() + text.size() / 32);
    for (char c : text) {
        if (c == '\n') body.append(lineEnd);
        else body += c;
    }
    return body;
}

std::string PreviewFilePath() { return GetWorkDir() + std::string(kPreviewFileName); }

std::string PreviewHtml(const std::vector<std::string>& memoLines) {
    static constexpr std::string_view kHead[] = {
        "<html><head>",
        "<title>Vorschau der ge&auml;nderten Beschreibung</title>",
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">",
        "<style type=\"text/css\">",
        "<!--",
        "  body { color:black; font-family:\"Arial\"; font-size:12px }",
        "  p { color:black; font-family:\"Arial\"; font-size:12px }",
        "  td { color:black; font-family:\"Arial\"; font-size:12px }",
        "  h1 { color:black; font-family:\"Arial\"; font-weight:normal; font-size:16px }",
        "-->",
        "</style>",
        "</head>",
        "<body>",
        "<h1>Hinweis:</h1>",
        "<p>Diese Vorschau gibt lediglich die ge&auml;nderte <b>Langbeschreibung</b> des Caches",
        "(innerhalb des hellgrauen Kastens) wieder. Andere Elemente wie Bilder, Koordinaten, Logs etc. fehlen hier.</p>",
        "<table border=\"1\" bgcolor=\"#F0F0F0\"><tr><td>",
    };
    std::string html;
    for (std::string_view line : kHead) html.append(line).append("\r\n");
    std::string body;
    for (const std::string& line : memoLines) body.append(line).append("\r\n");
    // The text came from a stranger's listing; a refresh or base in it would
    // lead the preview elsewhere.
    RemoveRedirectElements(body);
    html += body;
    html.append("</td></tr></table>\r\n</body></html>\r\n");
    return html;
}

bool WritePreview(const std::string& file, const std::vector<std::string>& memoLines) {
    return WriteFileAtomic(file, html::WithPagePolicy(PreviewHtml(memoLines)));
}

}  // namespace tv
