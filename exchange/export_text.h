#pragma once
// Text helpers shared by the export writers: numbers in fixed notation,
// cache names folded for XML and GPS receivers, dates, the placeholder fill
// of the waypoint templates and XML escaping. Texts are Windows-1252 bytes
// unless a function says otherwise.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tv {

// The value in fixed notation with exactly `digits` decimals and `sep` as the
// decimal separator. The exact binary value is rounded once, half away from
// zero, at the coarser of its `precision`-th significant digit and the
// `digits`-th decimal (FixedText(12.125, 8, 2) = "12.13",
// FixedText(10.7512345678, 10, 6) = "10.751235"). A negative value that
// rounds to zero prints without '-'. More integer digits than `precision`
// fall back to the general form with an exponent.
std::string FixedText(double value, int precision, int digits, char sep = '.');

// Bytes 0x20..0x7F kept, the German umlauts and ß spelt out ("ae", "Ue",
// "ss"), other Latin letters written as their base letter ("é" -> "e", see
// AsciiLetterSpelling), every other byte dropped: a name any receiver and any
// XML file takes.
std::string AsciiCacheName(std::string_view name);
// The name spelt as AsciiCacheName and upper-cased, then only blanks, digits
// and A-Z kept, at most 30 of them ("UEBER DEN FLUSS  TEIL 2", "AERO").
std::string CompressedCacheName(std::string_view name);
// One letter for the type (T M U W V E, else O) and the size (L R S M V,
// else U), by the text upper-cased.
std::string CacheTypeLetter(std::string_view type);
std::string CacheSizeLetter(std::string_view size);

// `path` + "." + `ext` when the file name (the part after the last '/') has
// no '.', else `path` unchanged. Dots in folder names do not count.
std::string AddDefaultExt(std::string_view path, std::string_view ext);

// "dd.MM.yyyy" of a day count (day 0 = 30.12.1899); "" when out of range.
std::string DateText(double dayCount);
// DateText, followed by " hh:mm:ss" when the day count is not midnight.
std::string DateTimeText(double dayCount);
// The day count of a "d.M.yyyy" text (one or two digits for day and month,
// four for the year, a real calendar date); nothing otherwise.
bool ParseDateText(std::string_view text, double& dayCount);

// The template with every placeholder replaced in one scan from left to
// right: at each position the first token of `values` that starts there is
// replaced. Inserted values are never scanned again, so a cache name that
// holds "#LAT#" stays as it is.
using Placeholders = std::vector<std::pair<std::string_view, std::string>>;
std::string FillPlaceholders(std::string_view tpl, const Placeholders& values);

// Where a text stands in an XML document, for writing a value there.
enum class XmlPlace {
    Text,       // element content
    Attribute,  // inside a tag (an attribute value)
    CData,      // inside "<![CDATA[" ... "]]>"
    Comment,    // inside "<!--" ... "-->"
    Instruction // inside "<?" ... "?>"
};

// Follows an XML text as it is written, piece by piece, and tells the place
// reached. Markup is recognised as far as placing values needs it.
class XmlCursor {
public:
    void Feed(std::string_view text);
    XmlPlace place() const;

private:
    enum class State { Content, Tag, AttrDouble, AttrSingle, CData, Comment, Instruction };
    State state_ = State::Content;
    std::string tail_;  // the last bytes fed, for markers split between pieces
};

// The byte encoding of a written XML file.
enum class XmlCharset { Utf8, Cp1252, Latin1 };
// From the encoding of the XML declaration at the start of `header`; UTF-8
// when there is none.
XmlCharset XmlCharsetOf(std::string_view header);

// A Windows-1252 text written at `place` of an XML file in `charset`: control
// bytes XML does not allow dropped; in text and attributes '&', '<', '>' and
// both quotes as entities; in a CDATA section as it is, a "]]>" split over
// two sections; in a comment "--" parted by a blank; in an instruction "?>"
// parted by a blank. Characters Latin-1 lacks are character references in
// text and attributes and '?' elsewhere.
std::string XmlValue(std::string_view cp1252, XmlPlace place, XmlCharset charset);

// FillPlaceholders for an XML template: every value (Windows-1252) is
// written by XmlValue for the place where its placeholder stands, the place
// followed from `cursor` (the state after the text before the template).
std::string FillXmlPlaceholders(std::string_view tpl, const Placeholders& values, XmlCursor cursor,
                                XmlCharset charset);

// '&', '<', '>' and '"' as XML entities (bytes unchanged otherwise).
std::string XmlEscape(std::string_view text);
// A Windows-1252 text for a UTF-8 XML file: converted to UTF-8, control
// bytes other than TAB, CR and LF dropped, then escaped.
std::string XmlText(std::string_view cp1252);

}  // namespace tv
