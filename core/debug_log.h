#pragma once
// Process-wide switches and small shared services: the debug log
// "debug.log" in the program folder, the one error box for I/O and system
// failures, the archive marks of caches, and two sorts (lines by a leading
// number, grid rows by a column).
#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/services.h"

namespace tv {

// ---- Debug log -------------------------------------------------------------

// The menu switch "Debug-Mode"; off at start.
inline std::atomic<bool> DebugMode{false};

// One log line: "dd-mm-yy hh:nn:ss" + ' ' + text + CR LF.
std::string FormatDebugLine(const platform::DateTime& time, std::string_view text);
// Appends one line, stamped with platform::clock(), to ProgramDir() +
// "debug.log" (created on first use). Writes unconditionally; callers check
// DebugMode (or use DebugLog). A failure to write is swallowed so that
// logging never aborts the work that logs; the result tells whether the line
// was written.
bool WriteDebugLog(std::string_view text);
// WriteDebugLog while DebugMode is on.
inline void DebugLog(std::string_view text) {
    if (DebugMode) WriteDebugLog(text);
}

// ---- Error box -------------------------------------------------------------

// The system's message for an error number (errno), in English and
// independent of the process locale.
std::string SysErrorMessage(int code);
// text + "\n\n" + "Fehlercode: " + code + "\n" + "Fehlermeldung: " + osMessage.
std::string FormatSysErrorText(int code, std::string_view text, std::string_view osMessage);
// Shows the error box (through platform::messages()) when code != 0, with
// SysErrorMessage(code). Returns the code.
int ShowSysError(int code, std::string_view text);

// ---- Archive marks ---------------------------------------------------------

// Lines "A;" + waypoint (archived) or "D;" + waypoint (disabled), as read from
// "WParchived.txt". Look-ups ignore letter case and compare whole lines; they
// are hash look-ups.
class TArchiveList {
public:
    void Clear();
    void Add(std::string_view line);
    void Assign(const std::vector<std::string>& lines);
    // Replaces the list by the lines of the text (LF or CR LF).
    void LoadFromText(std::string_view text);
    // Replaces the list by the file's lines; false (list emptied) when the file
    // cannot be read.
    bool LoadFromFile(const std::string& path);
    // Number of lines added (the count shown to the user).
    std::size_t Count() const { return count_; }
    bool Contains(std::string_view line) const;
    // 2 when "A;" + code is listed, else 1 for "D;" + code, else 0.
    int State(std::string_view waypoint) const;

private:
    std::unordered_set<std::string> lines_;  // upper-cased
    std::size_t count_ = 0;
};

inline TArchiveList ArchiveList;

// ArchiveList.State(waypoint).
int GetArchiveState(std::string_view waypoint);

// ---- Small utilities -------------------------------------------------------

// Every ',' becomes '.'.
void CommaToPoint(std::string& text);

// Sorts lines "number" + byte 0xFF + rest by the number (a ',' in it counts
// as '.'), ascending and stable. Lines that take part in an exchange get
// their key rewritten with points; others stay byte for byte. A key that is
// not a number sorts after all numbers, in input order.
void SortByLeadingNumber(std::vector<std::string>& lines);

// A string grid as rows of cells; row 0 is the header.
using TGridRows = std::vector<std::vector<std::string>>;
// Sorts rows 1.. by the cell in `column` (a missing cell counts as empty),
// stable: numeric keys as in SortByLeadingNumber (not a number = last), text
// keys ascending ignoring case (Windows-1252 folding, byte order). Cells are
// moved with their row, never re-encoded; the header stays.
void SortGridByColumn(TGridRows& grid, int column, bool numeric);

}  // namespace tv
