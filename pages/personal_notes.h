#pragma once
// Personal notes: the user's own lines for a cache, kept in "Persinfo.txt" in
// the work folder. The file is an INI file with one section per cache, named
// by its waypoint code, and the note lines under the keys "Z0", "Z1", ... in
// order (lines may be empty). Section and key names ignore letter case.
//
//   [GC1ABC]
//   Z0=Dose unter der Wurzel
//   Z1=
//   Z2=Stift mitnehmen
//
// A cache has a note exactly when its section exists. A reader takes "Z0",
// "Z1", ... until the first key that is missing; a line that is literally
// "#@#@#@" (the reader's marker for a missing key) therefore ends the note.
// Saving a note erases its section and writes all lines anew, so no old line
// survives behind a shorter note.
//
// Every access goes through the shared INI layer (core/ini_file.h): several
// objects on the file see each other's writes, and each change is written
// through at once by a temporary file and a rename.
#include <string>
#include <string_view>
#include <vector>

#include "core/ini_file.h"
#include "core/result.h"

namespace tv {

inline constexpr std::string_view kPersonalNotesFileName = "Persinfo.txt";
// What a missing key reads as; a note line equal to it ends the note.
inline constexpr std::string_view kNoteEndMarker = "#@#@#@";

// GetWorkDir() + "Persinfo.txt".
std::string PersonalNotesPath();

// The notes of one file. Cheap to keep for a batch (one object, many caches).
class PersonalNotes {
public:
    // The work folder's "Persinfo.txt".
    PersonalNotes();
    explicit PersonalNotes(const std::string& file);

    const std::string& fileName() const { return ini_.fileName(); }

    // Whether the file has a section of that name (letter case ignored).
    // False for an empty waypoint and for a missing file.
    bool has(std::string_view waypoint) const;
    // The note's lines; empty when there is no note.
    std::vector<std::string> read(std::string_view waypoint) const;
    // Replaces the note by `lines` (no lines: the note is removed). The file
    // is written once. False, with lastError() telling why, when the waypoint
    // cannot name a section (empty, ']' or a line break in it) or the file
    // could not be written.
    bool write(std::string_view waypoint, const std::vector<std::string>& lines);
    // Removes the note; true also when there was none.
    bool erase(std::string_view waypoint);

    Error lastError() const { return error_; }

private:
    TIniFile ini_;
    Error error_;
};

// The same on the work folder's file.
bool HasPersonalNote(std::string_view waypoint);
std::vector<std::string> ReadPersonalNote(std::string_view waypoint);
bool WritePersonalNote(std::string_view waypoint, const std::vector<std::string>& lines);
bool ErasePersonalNote(std::string_view waypoint);

// The note as it goes into a description page: the lines as the user wrote
// them (a note may hold markup on purpose), joined by "<br>" with none before
// the first. "" for no lines.
std::string PersonalNotesHtml(const std::vector<std::string>& lines);
// PersonalNotesHtml of the work folder's note; "" for an empty waypoint or
// no note.
std::string ReadPersonalNotes(std::string_view waypoint);

// The note lines as the text of a memo ('\n' between lines) and back. A
// final empty line gets its own line break so that it survives the trip;
// the text's final line break adds no line; "\r\n" and a lone '\r' count as
// one line break.
std::string NoteLinesToText(const std::vector<std::string>& lines);
std::vector<std::string> NoteTextToLines(std::string_view text);

// The notes window's line-break option: key "LineBreak" of section "AddInfo"
// of the work folder's tq.conf. When that file does not exist the option
// stays `current`; otherwise a missing key reads as true.
bool ReadNoteLineBreak(bool current);
// Writes the option as "Linebreak" (one key with "LineBreak"). False when the
// file could not be written.
bool WriteNoteLineBreak(bool lineBreak);

}  // namespace tv
