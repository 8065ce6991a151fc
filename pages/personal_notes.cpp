#include "pages/personal_notes.h"

#include <cerrno>
#include <unordered_map>

#include "core/file_procs.h"
#include "core/proc_settings.h"
#include "core/settings_file.h"
#include "core/str_util.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

// Section names as the INI file can hold them; the file trims blanks around
// names, so the queries do too.
bool UsableSection(std::string_view name) {
    return !name.empty() && name.find_first_of("]\r\n") == std::string_view::npos;
}

std::string LineKey(size_t i) { return "Z" + std::to_string(i); }

std::string WorkConfPath() { return GetWorkDir() + std::string(kSettingsFileName); }

}  // namespace

std::string PersonalNotesPath() { return GetWorkDir() + std::string(kPersonalNotesFileName); }

PersonalNotes::PersonalNotes() : PersonalNotes(PersonalNotesPath()) {}

PersonalNotes::PersonalNotes(const std::string& file) : ini_(file) {}

bool PersonalNotes::has(std::string_view waypoint) const {
    waypoint = TrimBlanks(waypoint);
    return UsableSection(waypoint) && ini_.sectionExists(waypoint);
}

std::vector<std::string> PersonalNotes::read(std::string_view waypoint) const {
    std::vector<std::string> lines;
    waypoint = TrimBlanks(waypoint);
    if (!UsableSection(waypoint)) return lines;
    // One pass over the section instead of one search per line.
    std::unordered_map<std::string, std::string> byKey;
    for (auto& [key, value] : ini_.readSectionValues(waypoint, /*verbatim=*/true)) byKey.emplace(LowerCaseAscii(key), std::move(value));
    for (size_t i = 0;; ++i) {
        auto it = byKey.find(LowerCaseAscii(LineKey(i)));
        if (it == byKey.end() || it->second == kNoteEndMarker) break;
        lines.push_back(std::move(it->second));
    }
    return lines;
}

bool PersonalNotes::write(std::string_view waypoint, const std::vector<std::string>& lines) {
    waypoint = TrimBlanks(waypoint);
    if (!UsableSection(waypoint)) {
        error_ = Error{EINVAL, W("Ungültiger Wegpunkt für eine Notiz: \"") + std::string(waypoint) + "\""};
        return false;
    }
    bool named = true;
    const bool written = ini_.update([&] {
        ini_.eraseSection(waypoint);
        for (size_t i = 0; i < lines.size(); ++i) named = ini_.writeString(waypoint, LineKey(i), lines[i]) && named;
    });
    if (written && named) {
        error_ = Error{};
        return true;
    }
    error_ = ini_.lastError();
    if (error_.code == 0) error_ = Error{EIO, WriteErrorText(fileName())};
    return false;
}

bool PersonalNotes::erase(std::string_view waypoint) {
    waypoint = TrimBlanks(waypoint);
    if (!UsableSection(waypoint)) return true;
    if (ini_.eraseSection(waypoint)) {
        error_ = Error{};
        return true;
    }
    error_ = ini_.lastError();
    return false;
}

bool HasPersonalNote(std::string_view waypoint) { return PersonalNotes().has(waypoint); }

std::vector<std::string> ReadPersonalNote(std::string_view waypoint) { return PersonalNotes().read(waypoint); }

bool WritePersonalNote(std::string_view waypoint, const std::vector<std::string>& lines) {
    return PersonalNotes().write(waypoint, lines);
}

bool ErasePersonalNote(std::string_view waypoint) { return PersonalNotes().erase(waypoint); }

std::string PersonalNotesHtml(const std::vector<std::string>& lines) {
    std::string html;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) html += "<br>";
        html += lines[i];
    }
    return html;
}

std::string ReadPersonalNotes(std::string_view waypoint) {
    if (waypoint.empty()) return {};
    return PersonalNotesHtml(ReadPersonalNote(waypoint));
}

std::string NoteLinesToText(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += '\n';
        text += lines[i];
    }
    if (!lines.empty() && lines.back().empty()) text += '\n';
    return text;
}

std::vector<std::string> NoteTextToLines(std::string_view text) {
    std::vector<std::string> lines;
    std::string line;
    bool open = false;  // a line has started that no break has ended yet
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            lines.push_back(std::move(line));
            line.clear();
            open = false;
        } else {
            line += c;
            open = true;
        }
    }
    if (open) lines.push_back(std::move(line));
    return lines;
}

bool ReadNoteLineBreak(bool current) {
    const std::string conf = WorkConfPath();
    if (!IsRegularFile(conf)) return current;
    return TIniFile(conf).readBool("AddInfo", "LineBreak", true);
}

bool WriteNoteLineBreak(bool lineBreak) { return TIniFile(WorkConfPath()).writeBool("AddInfo", "Linebreak", lineBreak); }

}  // namespace tv
