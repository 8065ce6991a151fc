#include "shell/name_search.h"

#include <algorithm>
#include <cstring>

#include "core/cache_rec.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/str_util.h"
#include "platform/services.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

bool IsCodeChar(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }

// Records read per block; the bar and the event pump follow every 100 records.
constexpr std::size_t kRecordsPerStep = 100;
// Caches searched between two looks at the cancel check.
constexpr std::size_t kSearchStep = 16384;

}  // namespace

std::string EntryWaypoint(std::string_view entry) {
    const std::string upper = UpperCaseCp1252(entry);
    std::string code;
    for (auto i = upper.size(); i-- > 0;) {
        const char c = upper[i];
        if (IsCodeChar(c)) code.insert(code.begin(), c);
        if (c == '[') break;
    }
    return code;
}

std::string SearchEntry(std::string_view name, std::string_view code) {
    std::string s(name);
    s += " [";
    s += code;
    s += ']';
    return s;
}

Result<void> NameSearchModel::load(const std::string& cacheFile, platform::IProgress& progress,
                                   const CancelCheck& cancelled) {
    unload();
    loaded_ = true;
    const Result<OpenedFile> file = OpenProgramFile(cacheFile);
    if (!file) return file.error();
    const long long records = file->size / static_cast<long long>(TCacheRec::kSize);
    progress.setRange(0, static_cast<int>(std::min<long long>(records, 0x7FFFFFFF)));
    progress.setPosition(0);
    starts_.reserve(static_cast<std::size_t>(records));
    codeStarts_.reserve(static_cast<std::size_t>(records));
    progress.setAction(W("Cacheliste wird gelesen"));

    std::size_t count = 0;
    bool stopped = false;
    const int error = ForEachRecord(*file, TCacheRec::kSize, [&](const unsigned char* raw, long long) {
        // Name and code straight from the record's bytes, lengths clamped to
        // their fields as the record decoder clamps them.
        const auto* chars = reinterpret_cast<const char*>(raw);
        addCache(std::string_view(chars + 5, std::min<std::size_t>(raw[4], 120)),
                 std::string_view(chars + 195, std::min<std::size_t>(raw[194], 16)));
        if (++count % kRecordsPerStep != 0) return true;
        if (count == kRecordsPerStep) {
            // Sized from the first records, so that the text is not copied
            // over and over (and held twice while it is) as it grows.
            const double perRecord = static_cast<double>(text_.size()) / static_cast<double>(count);
            text_.reserve(static_cast<std::size_t>(perRecord * 1.15 * static_cast<double>(records)) + 4096);
        }
        progress.setPosition(static_cast<int>(std::min<std::size_t>(count, 0x7FFFFFFF)));
        platform::pump().pump();
        stopped = cancelled && cancelled();
        return !stopped;
    });
    if (stopped) {
        progress.hide();
        unload();
        return Error{-1, {}};
    }
    progress.setPosition(static_cast<int>(std::min<std::size_t>(count, 0x7FFFFFFF)));
    progress.hide();
    if (error != 0) return Error{error, ReadErrorText(cacheFile)};
    return {};
}

void NameSearchModel::addCache(std::string_view name, std::string_view code) {
    loaded_ = true;
    starts_.push_back(static_cast<std::uint32_t>(text_.size()));
    text_ += name;
    codeStarts_.push_back(static_cast<std::uint32_t>(text_.size()));
    text_ += code;
}

void NameSearchModel::unload() {
    loaded_ = false;
    std::string().swap(text_);
    std::vector<std::uint32_t>().swap(starts_);
    std::vector<std::uint32_t>().swap(codeStarts_);
    clearResults();
}

std::string_view NameSearchModel::name(std::size_t cache) const {
    return std::string_view(text_).substr(starts_[cache], codeStarts_[cache] - starts_[cache]);
}

std::string_view NameSearchModel::code(std::size_t cache) const {
    const std::size_t end = cache + 1 < starts_.size() ? starts_[cache + 1] : text_.size();
    return std::string_view(text_).substr(codeStarts_[cache], end - codeStarts_[cache]);
}

bool NameSearchModel::search(std::string_view pattern, const CancelCheck& cancelled) {
    clearResults();
    if (!loaded_) return true;
    if (pattern.empty()) {
        for (std::size_t k = 0; k < starts_.size(); ++k) {
            results_.push_back(static_cast<std::uint32_t>(k));
            ticked_.push_back(markedSet_.count(UpperCaseAscii(code(k))) ? 1 : 0);
        }
        return true;
    }
    // One folded search over all names and codes back to back; a hit counts
    // when it lies within one cache's name and code, and the search goes on
    // at the next cache.
    const std::string_view all(text_);
    const std::size_t n = starts_.size();
    std::size_t from = 0;
    std::size_t k = 0;  // hits only move forward, and so does the cache they fall in
    std::size_t nextCheck = kSearchStep;
    while (from < all.size()) {
        const int pos = FastPosNoCase(all, pattern, static_cast<int>(from) + 1);
        if (pos <= 0) break;
        const std::size_t at = static_cast<std::size_t>(pos) - 1;
        while (k + 1 < n && starts_[k + 1] <= at) ++k;
        if (cancelled && k >= nextCheck) {
            nextCheck = k + kSearchStep;
            platform::pump().pump();
            if (cancelled()) {
                clearResults();
                return false;
            }
        }
        const std::size_t end = k + 1 < n ? starts_[k + 1] : all.size();
        if (at + pattern.size() > end) {
            from = at + 1;
            continue;
        }
        results_.push_back(static_cast<std::uint32_t>(k));
        ticked_.push_back(!markedSet_.empty() && markedSet_.count(UpperCaseAscii(code(k))) ? 1 : 0);
        from = end;
    }
    return true;
}

void NameSearchModel::clearResults() {
    std::vector<std::uint32_t>().swap(results_);
    std::vector<char>().swap(ticked_);
}

std::string NameSearchModel::entryText(std::size_t i) const {
    return SearchEntry(name(results_[i]), code(results_[i]));
}

std::string NameSearchModel::entryCode(std::size_t i) const { return std::string(code(results_[i])); }

std::vector<std::size_t> NameSearchModel::onCheck(std::size_t i, bool tick) {
    std::vector<std::size_t> changed;
    if (i >= results_.size()) return changed;
    ticked_[i] = tick ? 1 : 0;
    const std::string clicked = UpperCaseAscii(code(results_[i]));
    if (MultiSelect) {
        if (!clicked.empty()) {
            if (tick)
                mark(clicked);
            else
                unmark(clicked);
        }
        // Another entry of the same code shows the same state.
        for (std::size_t j = 0; j < results_.size(); ++j) {
            if (j == i || (ticked_[j] != 0) == tick) continue;
            if (UpperCaseAscii(code(results_[j])) != clicked) continue;
            ticked_[j] = tick ? 1 : 0;
            changed.push_back(j);
        }
    } else {
        if (tick) {
            for (std::size_t j = 0; j < results_.size(); ++j) {
                if (j == i || ticked_[j] == 0) continue;
                ticked_[j] = 0;
                changed.push_back(j);
            }
        }
        clearMarked();
        if (tick && !clicked.empty()) mark(clicked);
    }
    return changed;
}

void NameSearchModel::mark(const std::string& c) {
    if (markedSet_.insert(c).second) marked_.push_back(c);
}

void NameSearchModel::unmark(const std::string& c) {
    if (markedSet_.erase(c) == 0) return;
    marked_.erase(std::find(marked_.begin(), marked_.end(), c));
}

void NameSearchModel::clearMarked() {
    marked_.clear();
    markedSet_.clear();
}

std::string NameSearchModel::markedText() const {
    return std::to_string(marked_.size()) + " Caches markiert";
}

}  // namespace tv
