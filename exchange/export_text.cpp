#include "exchange/export_text.h"

#include <charconv>
#include <cmath>

#include "core/cache_rec.h"
#include "core/letter_spelling.h"
#include "core/number_format.h"
#include "core/str_util.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

// Decimal digits of |value| exactly as the double holds it, with the
// position of the decimal point counted from the left.
struct ExactDecimal {
    std::string digits;
    int point = 0;
};

ExactDecimal Exact(double value) {
    // A double with binary exponent e has at most 52 - e binary fraction
    // digits, and each needs exactly one decimal digit.
    const int e = std::ilogb(value);
    const int decimals = std::min(1100, std::max(0, 52 - e));
    std::string buf(1500, '\0');
    const auto r =
        std::to_chars(buf.data(), buf.data() + buf.size(), std::fabs(value), std::chars_format::fixed, decimals);
    buf.resize(static_cast<std::size_t>(r.ptr - buf.data()));
    ExactDecimal d;
    const std::size_t dot = buf.find('.');
    d.point = static_cast<int>(dot == std::string::npos ? buf.size() : dot);
    for (char c : buf)
        if (c != '.') d.digits += c;
    return d;
}

}  // namespace

std::string FixedText(double value, int precision, int digits, char sep) {
    if (!std::isfinite(value)) return FormatFixed(value, precision, digits, sep);
    precision = std::max(1, precision);
    digits = std::max(0, digits);
    ExactDecimal d = value == 0 ? ExactDecimal{"0", 1} : Exact(value);
    const std::size_t first = d.digits.find_first_not_of('0');
    if (first != std::string::npos) {
        // Last kept digit: 10^-keepDecimals.
        const int exponent = d.point - 1 - static_cast<int>(first);
        const int keepDecimals = std::min(digits, precision - 1 - exponent);
        const int keepLen = d.point + keepDecimals;
        if (keepLen < 0) {
            d.digits = "0";
            d.point = 1;
        } else {
            const bool up = static_cast<std::size_t>(keepLen) < d.digits.size() && d.digits[keepLen] >= '5';
            d.digits.resize(static_cast<std::size_t>(keepLen));
            // Digits left of the kept ones' end that are integer places stay.
            if (up) {
                int i = keepLen - 1;
                while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
                if (i >= 0) {
                    ++d.digits[i];
                } else {
                    d.digits.insert(d.digits.begin(), '1');
                    ++d.point;
                }
            }
            if (static_cast<int>(d.digits.size()) < d.point) d.digits.append(d.point - d.digits.size(), '0');
        }
    }
    std::string intPart = d.digits.substr(0, static_cast<std::size_t>(d.point));
    std::string frac = d.digits.substr(static_cast<std::size_t>(d.point));
    intPart.erase(0, std::min(intPart.find_first_not_of('0'), intPart.size()));
    if (static_cast<int>(intPart.size()) > precision) return FormatFloatGeneral(value, sep, precision);
    if (intPart.empty()) intPart = "0";
    frac.resize(static_cast<std::size_t>(digits), '0');
    std::string out;
    const bool zero = intPart == "0" && frac.find_first_not_of('0') == std::string::npos;
    if (value < 0 && !zero) out += '-';
    out += intPart;
    if (digits > 0) {
        out += sep;
        out += frac;
    }
    return out;
}

std::string AsciiCacheName(std::string_view name) {
    std::string out;
    out.reserve(name.size() + 8);
    for (unsigned char c : name) {
        if (const std::string_view spelt = AsciiLetterSpelling(c); !spelt.empty())
            out += spelt;
        else if (c >= 0x20 && c <= 0x7F)
            out += static_cast<char>(c);
    }
    return out;
}

std::string CompressedCacheName(std::string_view name) {
    std::string out;
    for (char c : UpperCaseAscii(AsciiCacheName(name))) {
        if (out.size() >= 30) break;
        if (c == ' ' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) out += c;
    }
    return out;
}

std::string CacheTypeLetter(std::string_view type) {
    const std::string t = UpperCaseAscii(type);
    if (t == "TRADITIONAL CACHE") return "T";
    if (t == "MULTI-CACHE") return "M";
    if (t == "UNKNOWN CACHE") return "U";
    if (t == "WEBCAM CACHE") return "W";
    if (t == "VIRTUAL CACHE") return "V";
    if (t == "EVENT CACHE") return "E";
    return "O";
}

std::string CacheSizeLetter(std::string_view size) {
    const std::string s = UpperCaseAscii(size);
    if (s == "LARGE") return "L";
    if (s == "REGULAR") return "R";
    if (s == "SMALL") return "S";
    if (s == "MICRO") return "M";
    if (s == "VIRTUAL") return "V";
    return "U";
}

std::string AddDefaultExt(std::string_view path, std::string_view ext) {
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    std::string out(path);
    if (name.find('.') == std::string_view::npos) {
        out += '.';
        out.append(ext);
    }
    return out;
}

std::string DateText(double dayCount) {
    int y = 0, m = 0, d = 0;
    if (!DateFromDayCount(dayCount, y, m, d)) return "";
    std::string year = IntText(y);
    if (year.size() < 4) year.insert(0, 4 - year.size(), '0');
    return TwoDigits(d) + "." + TwoDigits(m) + "." + year;
}

std::string DateTimeText(double dayCount) {
    std::string text = DateText(dayCount);
    if (text.empty() || !std::isfinite(dayCount)) return text;
    long long seconds = std::llround(std::fabs(dayCount - std::trunc(dayCount)) * 86400.0);
    if (seconds == 0) return text;
    seconds = std::min(seconds, 86399LL);
    const int h = static_cast<int>(seconds / 3600), mi = static_cast<int>(seconds / 60 % 60),
              s = static_cast<int>(seconds % 60);
    return text + " " + TwoDigits(h) + ":" + TwoDigits(mi) + ":" + TwoDigits(s);
}

bool ParseDateText(std::string_view text, double& dayCount) {
    int parts[3] = {0, 0, 0};
    std::size_t pos = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t start = pos;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;
        const std::size_t len = pos - start;
        if (len == 0 || (i < 2 ? len > 2 : len != 4)) return false;
        std::from_chars(text.data() + start, text.data() + pos, parts[i]);
        if (i < 2) {
            if (pos >= text.size() || text[pos] != '.') return false;
            ++pos;
        }
    }
    if (pos != text.size()) return false;
    const auto day = DayCountFromDate(parts[2], parts[1], parts[0]);
    if (!day) return false;
    dayCount = *day;
    return true;
}

std::string FillPlaceholders(std::string_view tpl, const Placeholders& values) {
    std::string out;
    out.reserve(tpl.size() + 64);
    std::size_t i = 0;
    while (i < tpl.size()) {
        const std::size_t hash = tpl.find('#', i);
        if (hash == std::string_view::npos) break;
        out.append(tpl.substr(i, hash - i));
        i = hash;
        bool replaced = false;
        for (const auto& [token, value] : values) {
            if (tpl.compare(i, token.size(), token) == 0) {
                out += value;
                i += token.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) out += tpl[i++];
    }
    out.append(tpl.substr(std::min(i, tpl.size())));
    return out;
}

std::string XmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string XmlText(std::string_view cp1252) {
    std::string kept;
    kept.reserve(cp1252.size());
    for (char c : cp1252) {
        const auto b = static_cast<unsigned char>(c);
        // C1 controls (the five bytes the code page leaves open) are no XML either.
        if ((b < 0x20 && c != '\t' && c != '\r' && c != '\n') || b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F ||
            b == 0x90 || b == 0x9D)
            continue;
        kept += c;
    }
    return XmlEscape(Cp1252ToUtf8(kept));
}

}  // namespace tv

namespace tv {

namespace {

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

void SplitAll(std::string& text, std::string_view what, std::size_t at, std::string_view insert) {
    for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + at + insert.size()))
        text.insert(p + at, insert);
}

}  // namespace

void XmlCursor::Feed(std::string_view text) {
    for (char c : text) {
        tail_ += c;
        if (tail_.size() > 16) tail_.erase(0, tail_.size() - 16);
        State next = state_;
        switch (state_) {
            case State::Content:
                if (c == '<') next = State::Tag;
                break;
            case State::Tag:
                if (c == '"')
                    next = State::AttrDouble;
                else if (c == '\'')
                    next = State::AttrSingle;
                else if (c == '>')
                    next = State::Content;
                else if (EndsWith(tail_, "<![CDATA["))
                    next = State::CData;
                else if (EndsWith(tail_, "<!--"))
                    next = State::Comment;
                else if (EndsWith(tail_, "<?"))
                    next = State::Instruction;
                break;
            case State::AttrDouble:
                if (c == '"') next = State::Tag;
                break;
            case State::AttrSingle:
                if (c == '\'') next = State::Tag;
                break;
            case State::CData:
                if (EndsWith(tail_, "]]>")) next = State::Content;
                break;
            case State::Comment:
                if (EndsWith(tail_, "-->")) next = State::Content;
                break;
            case State::Instruction:
                if (EndsWith(tail_, "?>")) next = State::Content;
                break;
        }
        // A marker's own characters never close what it opened ("<!-->").
        if (next == State::CData || next == State::Comment || next == State::Instruction) {
            if (next != state_) tail_.clear();
        }
        state_ = next;
    }
}

XmlPlace XmlCursor::place() const {
    switch (state_) {
        case State::Content:
            return XmlPlace::Text;
        case State::CData:
            return XmlPlace::CData;
        case State::Comment:
            return XmlPlace::Comment;
        case State::Instruction:
            return XmlPlace::Instruction;
        default:
            return XmlPlace::Attribute;
    }
}

XmlCharset XmlCharsetOf(std::string_view header) {
    if (header.substr(0, 3) == "\xEF\xBB\xBF") header.remove_prefix(3);
    header = TrimBlanks(header);
    if (header.substr(0, 5) != "<?xml") return XmlCharset::Utf8;
    const std::string decl = LowerCaseAscii(header.substr(0, header.find("?>")));
    const std::size_t key = decl.find("encoding");
    if (key == std::string::npos) return XmlCharset::Utf8;
    const std::size_t open = decl.find_first_of("\"'", key);
    if (open == std::string::npos) return XmlCharset::Utf8;
    const std::size_t close = decl.find(decl[open], open + 1);
    const std::string name = decl.substr(open + 1, close == std::string::npos ? 0 : close - open - 1);
    if (name == "windows-1252" || name == "cp1252" || name == "x-cp1252") return XmlCharset::Cp1252;
    if (name == "iso-8859-1" || name == "iso_8859-1" || name == "latin1" || name == "latin-1" || name == "l1")
        return XmlCharset::Latin1;
    return XmlCharset::Utf8;
}

std::string XmlValue(std::string_view cp1252, XmlPlace place, XmlCharset charset) {
    const bool escape = place == XmlPlace::Text || place == XmlPlace::Attribute;
    std::string out;
    out.reserve(cp1252.size() + 16);
    for (char c : cp1252) {
        const auto b = static_cast<unsigned char>(c);
        if ((b < 0x20 && c != '\t' && c != '\r' && c != '\n') || b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F ||
            b == 0x90 || b == 0x9D)
            continue;
        if (escape) {
            const char* entity = nullptr;
            switch (c) {
                case '&':
                    entity = "&amp;";
                    break;
                case '<':
                    entity = "&lt;";
                    break;
                case '>':
                    entity = "&gt;";
                    break;
                case '"':
                    entity = "&quot;";
                    break;
                case '\'':
                    entity = "&apos;";
                    break;
                case '\r':
                    entity = "&#13;";
                    break;
                case '\n':
                    if (place == XmlPlace::Attribute) entity = "&#10;";
                    break;
                case '\t':
                    if (place == XmlPlace::Attribute) entity = "&#9;";
                    break;
                default:
                    break;
            }
            if (entity) {
                out += entity;
                continue;
            }
        }
        if (b < 0x80 || charset == XmlCharset::Cp1252 || (charset == XmlCharset::Latin1 && b >= 0xA0))
            out += c;
        else if (charset == XmlCharset::Utf8)
            out += Cp1252ToUtf8(std::string_view(&c, 1));
        else if (escape)
            out += "&#" + IntText(static_cast<long long>(Cp1252ToUnicode(b))) + ";";
        else
            out += '?';
    }
    switch (place) {
        case XmlPlace::CData:
            SplitAll(out, "]]>", 2, "]]><![CDATA[");
            break;
        case XmlPlace::Comment:
            SplitAll(out, "--", 1, " ");
            if (!out.empty() && out.front() == '-') out.insert(out.begin(), ' ');
            if (!out.empty() && out.back() == '-') out += ' ';
            break;
        case XmlPlace::Instruction:
            SplitAll(out, "?>", 1, " ");
            break;
        default:
            break;
    }
    return out;
}

std::string FillXmlPlaceholders(std::string_view tpl, const Placeholders& values, XmlCursor cursor,
                                XmlCharset charset) {
    std::string out;
    out.reserve(tpl.size() + 64);
    std::size_t i = 0;
    while (i < tpl.size()) {
        const std::size_t hash = tpl.find('#', i);
        const std::size_t end = hash == std::string_view::npos ? tpl.size() : hash;
        out.append(tpl.substr(i, end - i));
        cursor.Feed(tpl.substr(i, end - i));
        i = end;
        if (i == tpl.size()) break;
        bool replaced = false;
        for (const auto& [token, value] : values) {
            if (tpl.compare(i, token.size(), token) == 0) {
                out += XmlValue(value, cursor.place(), charset);
                i += token.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            out += tpl[i];
            cursor.Feed(tpl.substr(i, 1));
            ++i;
        }
    }
    return out;
}

}  // namespace tv
