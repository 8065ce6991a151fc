#include "core/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

#include "core/str_util.h"

namespace tv {

namespace {

// Decimal digits and exponent of |value| rounded to `digits` significant
// digits: value ~ 0.d1d2d3... * 10^(exp + 1), i.e. d1 is the 10^exp digit.
struct Decimal {
    std::string digits;  // no sign, no dot, `digits` long
    int exp = 0;
};

Decimal ToDecimal(double value, int digits) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, digits - 1);
    std::string_view s(buf, static_cast<size_t>(r.ptr - buf));
    Decimal d;
    size_t e = s.find('e');
    for (char c : s.substr(0, e))
        if (c != '.') d.digits += c;
    int exp = 0;
    std::string_view es = s.substr(e + 1);
    if (!es.empty() && es.front() == '+') es.remove_prefix(1);
    std::from_chars(es.data(), es.data() + es.size(), exp);
    d.exp = exp;
    return d;
}

std::string NonFinite(double value) {
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

bool AllZeroDigits(const std::string& s) {
    return std::none_of(s.begin(), s.end(), [](char c) { return c >= '1' && c <= '9'; });
}

}  // namespace

std::string IntText(long long value) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

std::string TwoDigits(int value) {
    std::string s = IntText(value);
    return s.size() < 2 ? "0" + s : s;
}

std::string FormatFloatGeneral(double value, char sep, int precision) {
    if (!std::isfinite(value)) return NonFinite(value);
    if (value == 0) return "0";
    precision = std::clamp(precision, 1, 17);
    Decimal d = ToDecimal(value, precision);
    while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
    std::string out = value < 0 ? "-" : "";
    if (d.exp < -5 || d.exp >= precision) {
        out += d.digits[0];
        if (d.digits.size() > 1) {
            out += sep;
            out.append(d.digits, 1, std::string::npos);
        }
        out += 'E';
        out += std::to_string(d.exp);
        return out;
    }
    if (d.exp < 0) {
        out += '0';
        out += sep;
        out.append(static_cast<size_t>(-d.exp - 1), '0');
        out += d.digits;
        return out;
    }
    size_t intDigits = static_cast<size_t>(d.exp) + 1;
    if (d.digits.size() <= intDigits) {
        out += d.digits;
        out.append(intDigits - d.digits.size(), '0');
    } else {
        out.append(d.digits, 0, intDigits);
        out += sep;
        out.append(d.digits, intDigits, std::string::npos);
    }
    return out;
}

std::string FormatFixed(double value, int precision, int decimals, char sep) {
    if (!std::isfinite(value)) return NonFinite(value);
    precision = std::clamp(precision, 1, 17);
    decimals = std::clamp(decimals, 0, 18);
    std::string out;
    if (value != 0) {
        Decimal d = ToDecimal(value, precision);
        if (d.exp + 1 > precision) return FormatFloatGeneral(value, sep, precision);
        if (d.exp + 1 + decimals > precision) {
            // The precision, not the decimals, decides the last digit: build
            // the text from the rounded significant digits.
            size_t intDigits = d.exp >= 0 ? static_cast<size_t>(d.exp) + 1 : 0;
            if (intDigits == 0) {
                out = "0";
                std::string frac(static_cast<size_t>(-d.exp - 1), '0');
                frac += d.digits;
                frac.resize(static_cast<size_t>(decimals), '0');
                if (decimals > 0) out += '.' + frac;
            } else {
                out.assign(d.digits, 0, intDigits);
                std::string frac = d.digits.substr(intDigits);
                frac.resize(static_cast<size_t>(decimals), '0');
                if (decimals > 0) out += '.' + frac;
            }
            if (value < 0) out.insert(out.begin(), '-');
        }
    }
    if (out.empty()) {
        char buf[400];
        auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
        out.assign(buf, r.ptr);
    }
    if (!out.empty() && out.front() == '-' && AllZeroDigits(out)) out.erase(out.begin());
    if (sep != '.') std::replace(out.begin(), out.end(), '.', sep);
    return out;
}

std::optional<double> ParseFloat(std::string_view text, char sep) {
    text = TrimBlanks(text);
    std::string buf;
    std::string_view s = text;
    if (sep != '.') {
        buf.assign(text);
        if (buf.find('.') != std::string::npos) return std::nullopt;
        std::replace(buf.begin(), buf.end(), sep, '.');
        s = buf;
    }
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    // from_chars would also take "inf", "nan" and a second sign.
    if (s.empty() || !(std::isdigit(static_cast<unsigned char>(s.front())) || s.front() == '.')) return std::nullopt;
    double v = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return std::nullopt;
    return negative ? -v : v;
}

std::optional<long long> ParseInt64(std::string_view text) {
    text = TrimBlanks(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return std::nullopt;
    }
    if (text.empty()) return std::nullopt;
    long long v = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), v, 10);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
    return v;
}

std::optional<int> ParseInt(std::string_view text) {
    auto v = ParseInt64(text);
    if (!v || *v < INT32_MIN || *v > INT32_MAX) return std::nullopt;
    return static_cast<int>(*v);
}

std::optional<double> ParseRadius(std::string_view text) {
    const auto v = ParseFloat(text);
    if (!v || !(*v > 0.0)) return std::nullopt;
    return v;
}

}  // namespace tv
