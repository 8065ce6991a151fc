#pragma once
// Number texts without the process locale: the separator is always an
// argument, parsing goes through std::from_chars.
#include <optional>
#include <string>
#include <string_view>

namespace tv {

// Fixed notation: the value rounded to at most `precision` significant digits
// and printed with exactly `decimals` decimals, e.g.
// FormatFixed(8.123456, 8, 5) = "8.12346", FormatFixed(12345.67, 5, 1) = "12346.0".
// When the integer part has more digits than `precision`, the general form of
// FormatFloatGeneral (limited to `precision` digits) is used instead.
std::string FormatFixed(double value, int precision, int decimals, char sep = '.');

// General notation: the shortest text with at most `precision` (1..17)
// significant digits, no trailing zeros; scientific ("1.5E-6", "1E20") only
// below 0.00001 or with more than `precision` integer digits.
// FormatFloatGeneral(48.5) = "48.5", FormatFloatGeneral(15) = "15".
std::string FormatFloatGeneral(double value, char sep = '.', int precision = 15);

// Decimal text of an integer ("-12", "7").
std::string IntText(long long value);
// At least two digits, a single digit padded with '0' ("05", "12", "123").
std::string TwoDigits(int value);

// A decimal number with `sep` as the decimal separator ("1E-5" and "1e-05"
// accepted, blanks around it ignored, a leading '+' allowed). No digits,
// trailing text, infinities, NaN or overflow give std::nullopt.
std::optional<double> ParseFloat(std::string_view text, char sep = '.');
// A search radius typed into a window: a number above 0 with '.'.
std::optional<double> ParseRadius(std::string_view text);

// A decimal integer (blanks around it ignored, optional sign); anything else,
// including "12abc" and values outside int, gives std::nullopt.
std::optional<int> ParseInt(std::string_view text);
std::optional<long long> ParseInt64(std::string_view text);

}  // namespace tv
