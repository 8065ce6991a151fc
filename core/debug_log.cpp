#include "core/debug_log.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <locale.h>
#include <mutex>
#include <string.h>

#include "core/app_paths.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/str_util.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

void Two(std::string& out, int v) {
    v = ((v % 100) + 100) % 100;
    out += static_cast<char>('0' + v / 10);
    out += static_cast<char>('0' + v % 10);
}

std::mutex& LogMutex() {
    static std::mutex m;
    return m;
}

}  // namespace

std::string FormatDebugLine(const platform::DateTime& t, std::string_view text) {
    std::string line;
    line.reserve(text.size() + 20);
    Two(line, t.day);
    line += '-';
    Two(line, t.month);
    line += '-';
    Two(line, t.year);
    line += ' ';
    Two(line, t.hour);
    line += ':';
    Two(line, t.minute);
    line += ':';
    Two(line, t.second);
    line += ' ';
    line.append(text);
    line += "\r\n";
    return line;
}

bool WriteDebugLog(std::string_view text) {
    try {
        const std::string line = FormatDebugLine(platform::clock().now(), text);
        const std::string path = ProgramDir() + "debug.log";
        std::lock_guard<std::mutex> lock(LogMutex());
        // Never waiting on a pipe, nor writing into a device, in the log's place.
        Result<OpenedFile> log = OpenProgramFile(path, O_WRONLY | O_APPEND | O_CREAT, 0666);
        return log && WriteFully(log->fd.get(), line.data(), line.size()) == 0 && log->fd.Close() == 0;
    } catch (...) {
        return false;  // a diagnostic log must never abort the work that logs
    }
}

std::string SysErrorMessage(int code) {
    // The system's German text where its message catalogue has one, else the
    // English one; locale objects leave the process locale alone.
    static const locale_t de = newlocale(LC_ALL_MASK, "de_DE.UTF-8", static_cast<locale_t>(nullptr));
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    for (locale_t loc : {de, c}) {
        if (!loc) continue;
        if (const char* s = strerror_l(code, loc)) return Utf8ToCp1252(s);
    }
    std::string unknown = "Unknown error ";
    unknown += std::to_string(code);
    return unknown;
}

std::string FormatSysErrorText(int code, std::string_view text, std::string_view osMessage) {
    std::string out(text);
    out += "\n\nFehlercode: ";
    out += std::to_string(code);
    out += "\nFehlermeldung: ";
    out.append(osMessage);
    return out;
}

int ShowSysError(int code, std::string_view text) {
    if (code != 0)
        platform::messages().show(platform::MsgKind::Error, FormatSysErrorText(code, text, SysErrorMessage(code)),
                                  platform::MsgButtons::Ok);
    return code;
}

// ---- Archive marks ---------------------------------------------------------

void TArchiveList::Clear() {
    lines_.clear();
    count_ = 0;
}

void TArchiveList::Add(std::string_view line) {
    lines_.insert(UpperCaseCp1252(line));
    ++count_;
}

void TArchiveList::Assign(const std::vector<std::string>& lines) {
    Clear();
    for (const auto& l : lines) Add(l);
}

void TArchiveList::LoadFromText(std::string_view text) {
    Clear();
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t nl = text.find('\n', from);
        const std::size_t end = nl == std::string_view::npos ? text.size() : nl;
        std::string_view line = text.substr(from, end - from);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        Add(line);
        if (nl == std::string_view::npos) break;
        from = nl + 1;
    }
}

bool TArchiveList::LoadFromFile(const std::string& path) {
    const Result<std::string> bytes = ReadProgramFile(path);
    if (!bytes) {
        Clear();
        return false;
    }
    LoadFromText(*bytes);
    return true;
}

bool TArchiveList::Contains(std::string_view line) const {
    if (lines_.empty()) return false;
    return lines_.count(UpperCaseCp1252(line)) > 0;
}

int TArchiveList::State(std::string_view waypoint) const {
    if (lines_.empty()) return 0;
    std::string key = "A;";
    key.append(waypoint);
    if (Contains(key)) return 2;
    key[0] = 'D';
    return Contains(key) ? 1 : 0;
}

int GetArchiveState(std::string_view waypoint) { return ArchiveList.State(waypoint); }

// ---- Small utilities -------------------------------------------------------

void CommaToPoint(std::string& text) { std::replace(text.begin(), text.end(), ',', '.'); }

namespace {

constexpr char kSep = '\xFF';

// A sort key: numbers first by value; anything that is not a number after
// all numbers (infinity + the flag keeps them behind a real +inf, too).
struct NumKey {
    bool number = false;
    double value = 0;
    bool operator<(const NumKey& o) const {
        if (number != o.number) return number;
        return number && value < o.value;
    }
};

NumKey ParseKey(std::string_view key) {
    std::string k(key);
    CommaToPoint(k);
    std::size_t b = 0, e = k.size();
    while (b < e && (k[b] == ' ' || k[b] == '\t')) ++b;
    while (e > b && (k[e - 1] == ' ' || k[e - 1] == '\t')) --e;
    if (b < e && k[b] == '+') ++b;
    NumKey out;
    if (b >= e) return out;
    double v = 0;
    const auto [ptr, ec] = std::from_chars(k.data() + b, k.data() + e, v, std::chars_format::general);
    if (ec != std::errc() || ptr != k.data() + e || v != v) return out;  // v != v: NaN
    out.number = true;
    out.value = v;
    return out;
}

// Stable sort of `items` by `keys` (same size); returns the permutation.
std::vector<std::size_t> StableOrder(const std::vector<NumKey>& keys) {
    std::vector<std::size_t> order(keys.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    return order;
}

}  // namespace

void SortByLeadingNumber(std::vector<std::string>& lines) {
    const std::size_t n = lines.size();
    if (n < 2) return;
    std::vector<NumKey> keys(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string_view l = lines[i];
        keys[i] = ParseKey(l.substr(0, l.find(kSep)));
    }
    // A line takes part in an exchange of the exchange sort exactly when an
    // earlier key is greater or a later key is smaller; those lines get their
    // key written with points.
    std::vector<bool> moved(n, false);
    NumKey maxSoFar = keys[0];
    for (std::size_t i = 1; i < n; ++i) {
        if (keys[i] < maxSoFar) moved[i] = true;
        if (maxSoFar < keys[i]) maxSoFar = keys[i];
    }
    NumKey minSoFar = keys[n - 1];
    for (std::size_t i = n - 1; i-- > 0;) {
        if (minSoFar < keys[i]) moved[i] = true;
        if (keys[i] < minSoFar) minSoFar = keys[i];
    }
    const auto order = StableOrder(keys);
    std::vector<std::string> out;
    out.reserve(n);
    for (std::size_t idx : order) {
        std::string& l = lines[idx];
        if (moved[idx]) {
            const std::size_t sep = std::min(l.find(kSep), l.size());
            std::replace(l.begin(), l.begin() + static_cast<std::ptrdiff_t>(sep), ',', '.');
        }
        out.push_back(std::move(l));
    }
    lines.swap(out);
}

void SortGridByColumn(TGridRows& grid, int column, bool numeric) {
    if (grid.size() < 3 || column < 0) return;
    const auto col = static_cast<std::size_t>(column);
    auto cell = [&](const std::vector<std::string>& row) -> std::string_view {
        return col < row.size() ? std::string_view(row[col]) : std::string_view();
    };
    if (numeric) {
        std::vector<NumKey> keys;
        keys.reserve(grid.size() - 1);
        for (std::size_t r = 1; r < grid.size(); ++r) keys.push_back(ParseKey(cell(grid[r])));
        const auto order = StableOrder(keys);
        TGridRows sorted;
        sorted.reserve(grid.size());
        sorted.push_back(std::move(grid[0]));
        for (std::size_t idx : order) sorted.push_back(std::move(grid[idx + 1]));
        grid.swap(sorted);
        return;
    }
    std::stable_sort(grid.begin() + 1, grid.end(), [&](const auto& a, const auto& b) {
        return CompareTextCp1252(cell(a), cell(b)) < 0;
    });
}

}  // namespace tv
