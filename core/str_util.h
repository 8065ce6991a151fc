#pragma once
// Text operations on Windows-1252 byte strings: fast search (Boyer-Moore-
// Horspool with a case-folding table), replace-all in one pass, cutting and
// removing spans between two delimiters, ROT13, UTF-8 repairs, HTML entities,
// file URLs, waypoint codes from file names and control-character trims.
//
// Position conventions (the page parsers count this way, so the helpers do
// too):
//   * every position and start is 1-based;
//   * FastCharPos / FastPos / FastPosNoCase return 0 when absent;
//   * PosFrom returns -1 when absent.
// All "NoCase" matching folds through the Windows-1252 upper-case table
// (UpperCp1252), so "ä" matches "Ä" and "š" matches "Š".
#include <array>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tv {

// ---- Case tables -----------------------------------------------------------

// The 256-byte upper-case table: a-z and 0xE0-0xFE (except 0xF7) move down by
// 0x20; 0x9A->0x8A, 0x9C->0x8C, 0x9E->0x8E, 0xFF->0x9F; everything else
// (ß, µ included) maps to itself. Two bytes match ignoring case when their
// entries are equal.
const std::array<unsigned char, 256>& UpperTable();
// The inverse mapping (A-Z, 0xC0-0xDE except 0xD7, 0x8A, 0x8C, 0x8E, 0x9F).
const std::array<unsigned char, 256>& LowerTable();

inline unsigned char UpperCp1252(unsigned char c) { return UpperTable()[c]; }
inline unsigned char LowerCp1252(unsigned char c) { return LowerTable()[c]; }
inline char UpperCp1252(char c) { return static_cast<char>(UpperTable()[static_cast<unsigned char>(c)]); }
inline char LowerCp1252(char c) { return static_cast<char>(LowerTable()[static_cast<unsigned char>(c)]); }

// Whole-text upper/lower casing of Windows-1252 ("Bär" -> "BÄR").
std::string UpperCaseCp1252(std::string_view text);
std::string LowerCaseCp1252(std::string_view text);
// Only the ASCII letters a-z / A-Z change (used for waypoint codes, INI keys,
// type texts).
std::string UpperCaseAscii(std::string_view text);
std::string LowerCaseAscii(std::string_view text);

// Equality / three-way ordinal comparison ignoring case through UpperTable.
bool SameTextCp1252(std::string_view a, std::string_view b);
int CompareTextCp1252(std::string_view a, std::string_view b);

// ---- Fast search and replace ----------------------------------------------

// Position (1-based) of the first `c` at or after `start`; 0 when absent, when
// the text is empty, when start is past the end or start < 1.
int FastCharPos(std::string_view text, char c, int start);
// Position (1-based) of the first occurrence of `pattern` at or after `start`;
// 0 when absent, when the pattern is empty or longer than the source, or when
// start < 1.
int FastPos(std::string_view source, std::string_view pattern, int start);
int FastPosNoCase(std::string_view source, std::string_view pattern, int start);
// 0-based form of FastPosNoCase: the index of `pattern` at or after `from`
// ignoring case, std::string_view::npos when absent.
std::size_t FindNoCase(std::string_view text, std::string_view pattern, std::size_t from);

// The plain-letter spelling of a German umlaut or sharp s in Windows-1252
// ("ae", "Oe", "ss", ...); empty for every other byte.
std::string_view UmlautSpelling(unsigned char c);
// The same over raw buffers, arguments in the order source, pattern, source
// length, start, pattern length (lengths are taken as given, clamped to >= 0).
int FastPos(const char* source, const char* pattern, int sourceLength, int start, int patternLength);
int FastPosNoCase(const char* source, const char* pattern, int sourceLength, int start, int patternLength);

// Every non-overlapping occurrence of `find`, scanned left to right, replaced
// by `replace`, in one pass. `result` may be the string `source` views.
void FastReplace(std::string_view source, std::string_view find, std::string_view replace, std::string& result,
                 bool caseSensitive, int& count);

// Substring copy: `part` is left unchanged when start < 1, count < 1 or the
// text is empty; becomes empty when start is past the end; a count past the
// end is cut to the end.
void CopyStr(std::string_view text, int start, int count, std::string& part);

// ---- Text operations -------------------------------------------------------

// Position (1-based) of `pattern` in `text` at or after `start`,
// case-sensitive; -1 when absent (also for an empty pattern). A start below
// 1 counts as 1.
int PosFrom(std::string_view pattern, std::string_view text, int start);

// Replace every occurrence; return the number of replacements.
int ReplaceAll(std::string& text, std::string_view find, std::string_view replace);
int ReplaceAllNoCase(std::string& text, std::string_view find, std::string_view replace);
int RemoveAllNoCase(std::string& text, std::string_view find);

// Removes the first span from `open` to `close` (both included, ignoring
// case); the close is searched from one byte after the open's start. True
// when a span was removed; otherwise the text is unchanged.
bool RemoveBetween(std::string& text, std::string_view open, std::string_view close);
// The same as calling RemoveBetween until it returns false, but in one pass
// over the text; returns the number of spans removed.
int RemoveAllBetween(std::string& text, std::string_view open, std::string_view close);

// Moves the first span from `open` to `close` (delimiters included, ignoring
// case; the close is searched after the whole open) into `span`. False and
// nothing changed when there is no such span.
bool CutBetween(std::string& text, std::string& span, std::string_view open, std::string_view close);
// As CutBetween, but `inner` receives only what lies between the delimiters.
bool CutBetweenInner(std::string& text, std::string& inner, std::string_view open, std::string_view close);
// As CutBetween with case-sensitive matching.
bool CutBetweenCase(std::string& text, std::string& span, std::string_view open, std::string_view close);

// When `marker` occurs (ignoring case), the text becomes what follows its
// first occurrence; true. Otherwise unchanged; false.
bool DeleteUpTo(std::string& text, std::string_view marker);

// ROT13 of the ASCII letters; every other byte unchanged.
char Rot13Char(char c);
void Rot13(std::string& text);
std::string Rot13Copy(std::string_view text);

// Repairs UTF-8 sequences that show up in Windows-1252 text (ä ö ü ß Ö Ü,
// typographic quotes, ellipsis, dash, stray 0xC2 bytes).
void FixUtf8Chars(std::string& text);
// Decodes &amp; &quot; &lt; &gt; and the numeric references &#171; .. &#255;
// of the decoding table; other references are left as they are.
void DecodeHtmlEntities(std::string& text);

// "file:///" + the path with every '\' turned into '/' (one leading '/' of an
// absolute Linux path is not doubled).
std::string PathToFileUrl(std::string_view path);
// The waypoint code a description file is named by: the name after the last
// '\' or '/', ASCII upper-cased, cut to its leading run of 0-9 and A-Z
// ("C:\x\gc1a2b_converted.html" -> "GC1A2B").
std::string WaypointFromFileName(std::string_view path);

// An ASCII letter a-z / A-Z or digit 0-9 (Windows-1252 letters are not).
inline bool IsAsciiAlnum(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}
// Whether a waypoint code may become part of a file name: 1 to 16 ASCII
// letters and digits. Anything else ("..", "/", blanks) never names a file.
bool IsSafeWaypointCode(std::string_view code);

// The one rule for codes that enter a store (cache database, finds,
// additional waypoints): a safe waypoint code, else the entry is skipped.
// Every skipped entry is counted; each refused code is named once.
class RefusedCodes {
public:
    // True when `code` may be stored; otherwise counts and notes it.
    bool Admit(std::string_view code);
    int count() const { return count_; }
    // The refused codes in order of first appearance, bytes below 32 shown
    // as '?', long codes cut with "...", an empty one as "(ohne Code)".
    const std::vector<std::string>& codes() const { return codes_; }
    // "2 Einträge mit ungültigem Wegpunktcode übersprungen: ../../x, GC1/2"
    // (the first 20 codes); "" when nothing was refused.
    std::string Text() const;

private:
    int count_ = 0;
    std::vector<std::string> codes_;
    std::unordered_set<std::string> seen_;
};

// A blank or a tab.
inline bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }
// Without leading / trailing blanks and tabs (a view into `text`).
std::string_view TrimBlanks(std::string_view text);

// Without leading / trailing bytes of code 32 or below (bytes >= 0x80 stay).
std::string TrimLeftCtl(std::string_view text);
std::string TrimRightCtl(std::string_view text);
std::string TrimCtl(std::string_view text);

}  // namespace tv
