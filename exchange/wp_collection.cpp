#include "exchange/wp_collection.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fstream>
#include <memory>
#include <unordered_map>

#include "core/cache_db.h"
#include "core/cachedb_table.h"
#include "core/file_procs.h"
#include "core/proc_settings.h"
#include "core/fs_name.h"
#include "core/number_format.h"
#include "core/str_util.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

constexpr double kDate1900 = 2.0;  // 01.01.1900 as a day count

std::string Key(std::string_view code) { return FoldListKey(code); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Takes the entries at the given indices (out of range and repeated indices
// are skipped) in one pass; onTaken sees them in the order given.
template <typename OnTaken>
int TakeIndices(std::vector<WpEntry>& from, const std::vector<std::size_t>& indices, OnTaken onTaken) {
    std::vector<bool> gone(from.size(), false);
    int taken = 0;
    for (const std::size_t index : indices) {
        if (index >= from.size() || gone[index]) continue;
        onTaken(from[index]);
        gone[index] = true;
        ++taken;
    }
    if (taken == 0) return 0;
    std::vector<WpEntry> kept;
    kept.reserve(from.size() - static_cast<std::size_t>(taken));
    for (std::size_t i = 0; i < from.size(); ++i)
        if (!gone[i]) kept.push_back(std::move(from[i]));
    from = std::move(kept);
    return taken;
}

// The first unused entry of each code, found in one pass, so that long lists
// are not searched once per code.
std::vector<std::size_t> FirstMatchIndices(const std::vector<WpEntry>& from, const std::vector<std::string>& codes) {
    std::unordered_map<std::string, std::vector<std::size_t>> byKey;
    for (std::size_t i = from.size(); i-- > 0;) byKey[Key(from[i].rec.Waypoint.view())].push_back(i);
    std::vector<std::size_t> indices;
    for (const std::string& code : codes) {
        auto it = byKey.find(Key(code));
        if (it == byKey.end() || it->second.empty()) continue;
        indices.push_back(it->second.back());
        it->second.pop_back();
    }
    return indices;
}

template <typename OnTaken>
int TakeFirstMatches(std::vector<WpEntry>& from, const std::vector<std::string>& codes, OnTaken onTaken) {
    return TakeIndices(from, FirstMatchIndices(from, codes), onTaken);
}

}  // namespace

std::string_view ListFileName(int list) {
    switch (list) {
        case kWorkList:
            return "WPList.txt";
        case kFoundList:
            return "Finds.bin";
        case kIgnoreList:
            return "WPignore.txt";
        default:
            return "WPclipboard.txt";
    }
}

std::string ListHeader(int list, int count) {
    static const char* const kNames[] = {"Arbeitsliste", "Eigene Funde", "Ignore-Liste", "Zwischenablage"};
    const int slot = list >= 1 && list <= 4 ? list - 1 : 0;
    return std::string(kNames[slot]) + " (" + IntText(count) + W(" Einträge)");
}

TCacheRec MakeUnknownRecord(std::string_view code, bool typeQuestionMark) {
    TCacheRec rec;
    rec.Waypoint = code;
    rec.Name = "?";
    if (typeQuestionMark) rec.CacheType = "?";
    return rec;
}

std::optional<std::string> ParseArchiveLine(std::string_view line) {
    if (const auto semi = line.rfind(';'); semi != std::string_view::npos) line.remove_prefix(semi + 1);
    if (line.size() < 2 || line.substr(0, 2) != "GC") return std::nullopt;
    return std::string(line);
}

std::optional<std::string> FormatDayDate(double dayCount) {
    int y, m, d;
    if (!DateFromDayCount(dayCount, y, m, d)) return std::nullopt;
    std::string year = IntText(y);
    while (year.size() < 4) year.insert(0, "0");
    return TwoDigits(d) + "." + TwoDigits(m) + "." + year;
}

std::optional<double> ParseDayDate(std::string_view text) {
    int parts[3] = {0, 0, 0};
    std::size_t pos = 0;
    for (int p = 0; p < 3; ++p) {
        const std::size_t start = pos;
        while (pos < text.size() && IsDigit(text[pos])) parts[p] = parts[p] * 10 + (text[pos++] - '0');
        const std::size_t digits = pos - start;
        if (p < 2 ? (digits < 1 || digits > 2) : digits != 4) return std::nullopt;
        if (p < 2) {
            if (pos >= text.size() || text[pos] != '.') return std::nullopt;
            ++pos;
        }
    }
    if (pos != text.size()) return std::nullopt;
    return DayCountFromDate(parts[2], parts[1], parts[0]);
}

// ---- list view texts ---------------------------------------------------------

bool CoordsUsable(double lat, double lon) {
    return lat >= -90 && lat <= 90 && lon >= -180 && lon <= 180 && !(lat == 0 && lon == 0);
}

std::string DistanceCell(const TCacheRec& rec, LatLon ref) {
    if (!CoordsUsable(rec.Lat, rec.Lon)) return {};
    const auto d = CalcDistanceBearing(ref, LatLon{rec.Lat, rec.Lon});
    if (!d) return {};
    return FormatFixed(d->km, 15, 1, ',');
}

std::vector<std::string> FormatRowCells(const TCacheRec& rec, int list, LatLon ref) {
    std::vector<std::string> cells;
    cells.reserve(10);
    cells.push_back(rec.Waypoint.str());
    cells.push_back(rec.Name.str());
    cells.push_back(DistanceCell(rec, ref));
    if (CoordsUsable(rec.Lat, rec.Lon)) {
        cells.push_back(FormatDayDate(rec.Hidden).value_or("?"));
        cells.push_back(FormatCoordPadded(rec.Lat, rec.Lon));
        cells.push_back(rec.Size.str());
        cells.push_back(rec.Difficulty.str());
        cells.push_back(rec.Terrain.str());
        cells.push_back(CountryNameByID(rec.CountryId));
    } else {
        cells.insert(cells.end(), {"?", "?", "?", "0.0", "0.0", "?"});
    }
    if (list == kFoundList) cells.push_back(FormatDayDate(rec.FoundDate).value_or("01.01.2000"));
    return cells;
}

std::string FoldUmlauts(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 4);
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        // Upper-cased text: the capital umlauts sort as their two letters.
        if (u == 0xC4 || u == 0xD6 || u == 0xDC)
            out += UmlautSpelling(u);
        else
            out += c;
    }
    return out;
}

namespace {

long long DateKey(std::string_view t) {
    if (t.size() < 10) return 0;
    const std::string digits = std::string(t.substr(6, 4)) + std::string(t.substr(3, 2)) + std::string(t.substr(0, 2));
    return ParseInt64(digits).value_or(0);
}

}  // namespace

int CompareCells(int column, std::string_view a, std::string_view b, bool descending) {
    if (descending) std::swap(a, b);
    if (column == 2) {
        const double x = ParseFloat(a, ',').value_or(0), y = ParseFloat(b, ',').value_or(0);
        return x >= y ? 1 : -1;
    }
    if (column == 3 || column == 9) return DateKey(a) >= DateKey(b) ? 1 : -1;
    return CompareTextCp1252(FoldUmlauts(UpperCaseCp1252(a)), FoldUmlauts(UpperCaseCp1252(b)));
}

std::array<int, 5> ButtonPanelTops(int panelHeight, int buttonHeight) {
    const int spare = panelHeight - 5 * buttonHeight;
    std::array<int, 5> tops{};
    for (int k = 1; k <= 5; ++k)
        tops[k - 1] = static_cast<int>(std::nearbyint(k * spare / 6.0)) + (k - 1) * buttonHeight;
    return tops;
}


// ---- the collection ----------------------------------------------------------

WaypointCollection::WaypointCollection(CacheLookup lookup) : lookup_(std::move(lookup)) {
    if (lookup_) return;
    // The database look-up through its index: a work folder that has only
    // Caches.bin gets Caches.idx built at the first look-up there, instead of
    // a scan of the whole file for every code of the lists.
    lookup_ = [preparedFor = std::make_shared<std::string>()](std::string_view code, TCacheRec& rec) {
        if (*preparedFor != GetWorkDir()) {
            *preparedFor = GetWorkDir();
            return DatabaseLookup()(code, rec);
        }
        return FindCacheByWaypoint(code, rec);
    };
}

std::size_t WaypointCollection::Slot(int list) {
    if (list < 1 || list > 4) throw std::out_of_range("list number " + std::to_string(list));
    return static_cast<std::size_t>(list - 1);
}

std::vector<WpEntry>& WaypointCollection::MutableList(int list) {
    Changed(list);
    return lists_.at(Slot(list));
}

void WaypointCollection::Changed(int list) {
    modified_ = true;
    state_.at(Slot(list)).changed = true;
}

bool WaypointCollection::Lookup(std::string_view code, TCacheRec& rec) const {
    if (code.empty()) return false;
    return lookup_(code, rec);
}

Result<void> WaypointCollection::ReadDBCopy(const std::string& path, const std::function<void(int)>& progress) {
    dbCopy_.clear();
    auto file = OpenProgramFile(path);
    if (!file) return file.error();
    const int code = ForEachRecord(*file, TCacheRec::kSize, [&](const unsigned char* raw, long long recNo) {
        dbCopy_.push_back(DecodeCacheRec(raw));
        if (progress && (recNo + 1) % 100 == 0) progress(static_cast<int>(dbCopy_.size()));
        return true;
    });
    if (code != 0) return Error{code, ReadErrorText(path)};
    return {};
}

std::vector<Error> WaypointCollection::LoadLists(const std::string& dir) {
    for (auto& l : lists_) l.clear();
    for (auto& s : state_) s = ListLoadState{};
    archived_.clear();
    archivedKeys_.clear();
    std::vector<Error> bad;
    ReadTextListInto(dir, kWorkList, true, bad);
    ReadTextListInto(dir, kClipList, false, bad);
    ReadTextListInto(dir, kIgnoreList, false, bad);
    ReadArchived(dir, bad);
    ReadFinds(dir, bad);
    modified_ = false;
    return bad;
}

void WaypointCollection::ReadTextListInto(const std::string& dir, int list, bool dropRepeats,
                                          std::vector<Error>& bad) {
    // A missing list is a complete, empty one.
    const auto lines = ReadTextListIfPresent(WithTrailingSlash(dir) + std::string(ListFileName(list)));
    if (!lines) {
        state_[Slot(list)].complete = false;
        bad.push_back(lines.error());
        return;
    }
    std::unordered_set<std::string> seen;
    auto& entries = lists_[Slot(list)];
    for (const std::string& line : *lines) {
        if (dropRepeats && !seen.insert(Key(line)).second) continue;
        WpEntry e;
        if (!Lookup(line, e.rec)) e.rec = MakeUnknownRecord(line, true);
        e.rec.FoundDate = 0;
        entries.push_back(std::move(e));
    }
}

void WaypointCollection::ReadArchived(const std::string& dir, std::vector<Error>& bad) {
    const auto lines = ReadTextListIfPresent(WithTrailingSlash(dir) + "WParchived.txt");
    if (!lines) {
        bad.push_back(lines.error());
        return;
    }
    for (const std::string& line : *lines)
        if (auto code = ParseArchiveLine(line)) {
            archivedKeys_.insert(Key(*code));
            archived_.push_back(std::move(*code));
        }
}

void WaypointCollection::ReadFinds(const std::string& dir, std::vector<Error>& bad) {
    const auto bytes = ReadProgramFileIfPresent(ResolveFileNoCase(dir, ListFileName(kFoundList)));
    if (!bytes) {
        state_[Slot(kFoundList)].complete = false;
        bad.push_back(bytes.error());
        return;
    }
    if (!*bytes) return;
    auto& entries = lists_[Slot(kFoundList)];
    for (const TFoundRec& f : DecodeFoundRecs(**bytes)) {
        WpEntry e;
        if (!Lookup(f.Waypoint.view(), e.rec)) {
            e.rec = TCacheRec{};
            e.rec.Lat = f.Lat;
            e.rec.Lon = f.Lon;
            e.rec.Waypoint = f.Waypoint.view();
            e.rec.Name = f.Name.view();
            e.rec.CacheType = f.CacheType.view();
        }
        e.rec.FoundDate = ParseDayDate(f.FoundDate.view()).value_or(kDate1900);
        e.storedDate = f.FoundDate.str();
        entries.push_back(std::move(e));
    }
}

SaveReport WaypointCollection::Save(const std::string& dir) {
    SaveReport report;
    for (int list : {kWorkList, kIgnoreList, kClipList, kFoundList}) {
        ListLoadState& st = state_[Slot(list)];
        const std::string path = ResolveFileNoCase(dir, ListFileName(list));
        if (!st.complete) {
            report.skipped.push_back(path);
            if (st.changed) report.refused.push_back(path);
            continue;
        }
        // The backup replaces the old one whole or not at all; without it the
        // list it keeps is not replaced either.
        if (IsRegularFile(path)) {
            const auto old = ReadWholeFile(path);
            if (!old || !WriteFileAtomic(path + ".bk", *old)) {
                report.failed.push_back(path + ".bk");
                continue;
            }
        }
        bool ok;
        if (list == kFoundList) {
            std::string bytes;
            bytes.reserve(lists_[Slot(list)].size() * TFoundRec::kSize);
            for (const WpEntry& e : lists_[Slot(list)]) {
                TFoundRec f;
                f.Lat = e.rec.Lat;
                f.Lon = e.rec.Lon;
                f.Waypoint = e.rec.Waypoint.view();
                f.Name = e.rec.Name.view().substr(0, 80);
                f.CacheType = e.rec.CacheType.view();
                f.FoundDate =
                    !e.storedDate.empty() ? e.storedDate : FormatDayDate(e.rec.FoundDate).value_or("01.01.2000");
                const FoundRecBytes b = EncodeFoundRec(f);
                bytes.append(reinterpret_cast<const char*>(b.data()), b.size());
            }
            ok = WriteFileAtomic(path, bytes);
        } else {
            std::vector<std::string> lines;
            lines.reserve(lists_[Slot(list)].size());
            for (const WpEntry& e : lists_[Slot(list)]) lines.push_back(e.rec.Waypoint.str());
            ok = WriteTextList(path, lines);
        }
        if (ok) {
            st.complete = true;
            st.changed = false;
        } else {
            report.failed.push_back(path);
        }
    }
    if (report.ok()) modified_ = false;
    return report;
}

// ---- rules -------------------------------------------------------------------

std::unordered_set<std::string> WaypointCollection::KeySet(int list) const {
    std::unordered_set<std::string> keys;
    const auto& entries = lists_.at(Slot(list));
    keys.reserve(entries.size());
    for (const WpEntry& e : entries) keys.insert(Key(e.rec.Waypoint.view()));
    return keys;
}

bool WaypointCollection::Contains(int list, std::string_view code) const {
    const std::string k = Key(code);
    for (const WpEntry& e : lists_.at(Slot(list)))
        if (Key(e.rec.Waypoint.view()) == k) return true;
    return false;
}

bool WaypointCollection::IsFoundOrIgnored(std::string_view code) const {
    return Contains(kIgnoreList, code) || Contains(kFoundList, code);
}

bool WaypointCollection::FindsRuleOk(int list, std::string_view code, bool ignoreFinds) const {
    return !(ignoreFinds && list == kWorkList && IsFoundOrIgnored(code));
}

// ---- adding --------------------------------------------------------------------

AddResult WaypointCollection::AddByCode(std::string_view text, int list, double dtpFound, bool ignoreFinds,
                                        bool confirmedUnknown) {
    const std::string code = UpperCaseCp1252(TrimBlanks(text));
    if (code.empty()) return AddResult::Empty;
    if (Contains(list, code) || !FindsRuleOk(list, code, ignoreFinds)) return AddResult::Refused;
    WpEntry e;
    if (!Lookup(code, e.rec)) {
        if (!confirmedUnknown) return AddResult::NeedsConfirm;
        e.rec = MakeUnknownRecord(code, false);
    }
    e.rec.FoundDate = list == kFoundList ? dtpFound : 0;
    lists_[Slot(list)].push_back(std::move(e));
    Changed(list);
    return AddResult::Added;
}

std::vector<NameCandidate> WaypointCollection::NameSearchCandidates(std::string_view text, int list,
                                                                    bool ignoreFinds) const {
    std::vector<NameCandidate> out;
    const std::string search = UpperCaseCp1252(text);
    if (search.empty()) return out;
    const auto present = KeySet(list);
    const bool rule = ignoreFinds && list == kWorkList;
    const auto finds = rule ? KeySet(kFoundList) : std::unordered_set<std::string>{};
    const auto ignores = rule ? KeySet(kIgnoreList) : std::unordered_set<std::string>{};
    for (const TCacheRec& r : dbCopy_) {
        if (UpperCaseCp1252(r.Name.view()).find(search) == std::string::npos) continue;
        const std::string k = Key(r.Waypoint.view());
        if (present.count(k) || finds.count(k) || ignores.count(k)) continue;
        out.push_back({r.Name.str() + " (" + r.Waypoint.str() + ")", r.Waypoint.str()});
    }
    std::stable_sort(out.begin(), out.end(), [](const NameCandidate& a, const NameCandidate& b) {
        return CompareCells(1, a.line, b.line, false) < 0;
    });
    return out;
}

int WaypointCollection::AddPicked(const std::vector<std::string>& codes, int list, double dtpFound) {
    auto present = KeySet(list);
    int added = 0;
    for (const std::string& code : codes) {
        WpEntry e;
        if (!Lookup(code, e.rec) || !present.insert(Key(e.rec.Waypoint.view())).second) continue;
        e.rec.FoundDate = list == kFoundList ? dtpFound : 0;
        lists_[Slot(list)].push_back(std::move(e));
        ++added;
    }
    if (added) Changed(list);
    return added;
}

int WaypointCollection::RadiusSearch(const RadiusFilter& f, int list) {
    auto present = KeySet(list);
    const bool rule = f.ignoreFinds && list == kWorkList;
    const auto finds = rule ? KeySet(kFoundList) : std::unordered_set<std::string>{};
    const auto ignores = rule ? KeySet(kIgnoreList) : std::unordered_set<std::string>{};
    const double minDay = std::floor(f.minHidden), today = std::floor(f.today);
    int added = 0;
    for (const TCacheRec& r : dbCopy_) {
        std::optional<double> d;
        if (f.distance) {
            d = f.distance(f.centre, LatLon{r.Lat, r.Lon});
        } else if (auto db = CalcDistanceBearing(f.centre, LatLon{r.Lat, r.Lon})) {
            d = db->km;
        }
        if (!d || !(*d <= f.radius)) continue;
        const std::string k = Key(r.Waypoint.view());
        if (present.count(k)) continue;
        if (f.filterDate && std::floor(r.Hidden) < minDay) continue;
        if (f.filterType) {
            const int t = CacheTypeFromText(r.CacheType.view());
            if (t < 0 || t > 9 || !f.types[static_cast<std::size_t>(t)]) continue;
        }
        if (finds.count(k) || ignores.count(k)) continue;
        if (f.skipArchived && archivedKeys_.count(k)) continue;
        if (f.skipOldEvents && std::floor(r.Hidden) < today && UpperCaseCp1252(r.CacheType.view()) == "EVENT CACHE")
            continue;
        if (f.skipMicros && UpperCaseCp1252(r.Size.view()) == "MICRO") continue;
        WpEntry e{r, {}};
        e.rec.FoundDate = list == kFoundList ? f.foundDate : 0;
        lists_[Slot(list)].push_back(std::move(e));
        present.insert(k);
        ++added;
    }
    if (added) Changed(list);
    return added;
}

int WaypointCollection::AddCodes(const std::vector<std::string>& codes, int list, bool ignoreFinds, double dtpFound) {
    const bool rule = ignoreFinds && list == kWorkList;
    const auto finds = rule ? KeySet(kFoundList) : std::unordered_set<std::string>{};
    const auto ignores = rule ? KeySet(kIgnoreList) : std::unordered_set<std::string>{};
    int added = 0;
    for (const std::string& code : codes) {
        const std::string k = Key(code);
        if (finds.count(k) || ignores.count(k)) continue;
        WpEntry e;
        if (!Lookup(code, e.rec)) e.rec = MakeUnknownRecord(code, false);
        e.rec.FoundDate = list == kFoundList ? dtpFound : 0;
        lists_[Slot(list)].push_back(std::move(e));
        ++added;
    }
    if (added) Changed(list);
    return added;
}

// ---- entry operations --------------------------------------------------------

int WaypointCollection::MoveEntries(const std::vector<std::string>& codes, int from, int to, double dtpFound) {
    if (from == to) return 0;
    return MoveRows(FirstMatchIndices(lists_[Slot(from)], codes), from, to, dtpFound);
}

int WaypointCollection::MoveRows(const std::vector<std::size_t>& rows, int from, int to, double dtpFound) {
    if (from == to) return 0;
    auto present = KeySet(to);
    auto& target = lists_[Slot(to)];
    const int moved = TakeIndices(lists_[Slot(from)], rows, [&](WpEntry& e) {
        if (!present.insert(Key(e.rec.Waypoint.view())).second) return;
        if (to == kFoundList && e.rec.FoundDate == 0) e.rec.FoundDate = dtpFound;
        if (to != kFoundList) e.storedDate.clear();
        target.push_back(e);
    });
    if (moved) {
        Changed(from);
        Changed(to);
    }
    return moved;
}

int WaypointCollection::RemoveRows(int list, const std::vector<std::size_t>& rows) {
    const int removed = TakeIndices(lists_[Slot(list)], rows, [](WpEntry&) {});
    if (removed) Changed(list);
    return removed;
}

std::vector<std::string> WaypointCollection::SetFoundDateRows(const std::vector<std::size_t>& rows, double date) {
    std::vector<std::string> changed;
    auto& finds = lists_[Slot(kFoundList)];
    for (const std::size_t row : rows) {
        if (row >= finds.size()) continue;
        WpEntry& e = finds[row];
        const std::string code = e.rec.Waypoint.str();
        TCacheRec db;
        if (!Lookup(code, db)) continue;
        e.rec = db;
        e.rec.FoundDate = date;
        e.storedDate.clear();
        changed.push_back(code);
    }
    Changed(kFoundList);
    return changed;
}

int WaypointCollection::RemoveEntries(int list, const std::vector<std::string>& codes) {
    const int removed = TakeFirstMatches(lists_[Slot(list)], codes, [](WpEntry&) {});
    if (removed) Changed(list);
    return removed;
}

void WaypointCollection::ClearList(int list) {
    lists_[Slot(list)].clear();
    Changed(list);
}

int WaypointCollection::RemoveFindsAndIgnores(int list) {
    auto gone = KeySet(kFoundList);
    gone.merge(KeySet(kIgnoreList));
    auto& entries = lists_[Slot(list)];
    const auto before = entries.size();
    std::erase_if(entries, [&](const WpEntry& e) { return gone.count(Key(e.rec.Waypoint.view())) != 0; });
    Changed(list);
    return static_cast<int>(before - entries.size());
}

int WaypointCollection::RemoveArchived(int list) {
    auto& entries = lists_[Slot(list)];
    const auto before = entries.size();
    std::erase_if(entries, [&](const WpEntry& e) { return archivedKeys_.count(Key(e.rec.Waypoint.view())) != 0; });
    Changed(list);
    return static_cast<int>(before - entries.size());
}

std::vector<std::string> WaypointCollection::SetFoundDate(const std::vector<std::string>& codes, double date) {
    std::vector<std::string> changed;
    auto& finds = lists_[Slot(kFoundList)];
    for (const std::string& code : codes) {
        TCacheRec db;
        if (!Lookup(code, db)) continue;
        const std::string k = Key(code);
        for (WpEntry& e : finds) {
            if (Key(e.rec.Waypoint.view()) != k) continue;
            e.rec = db;
            e.rec.FoundDate = date;
            e.storedDate.clear();
            changed.push_back(code);
            break;
        }
    }
    Changed(kFoundList);
    return changed;
}

void WaypointCollection::ReplaceRecordEverywhere(const TCacheRec& rec) {
    const std::string k = Key(rec.Waypoint.view());
    bool known = false;
    for (TCacheRec& r : dbCopy_)
        if (Key(r.Waypoint.view()) == k) {
            r = rec;
            known = true;
        }
    // A cache typed in anew is found by the next name or radius search too.
    if (!known) dbCopy_.push_back(rec);
    for (auto& entries : lists_)
        for (WpEntry& e : entries) {
            if (Key(e.rec.Waypoint.view()) != k) continue;
            const double found = e.rec.FoundDate;
            e.rec = rec;
            e.rec.FoundDate = found;
        }
}

}  // namespace tv
