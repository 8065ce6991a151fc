#include "exchange/gpx_import.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "core/cache_db.h"
#include "core/cachedb_table.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/number_format.h"
#include "core/proc_settings.h"
#include "core/settings_file.h"
#include "core/str_util.h"
#include "exchange/gpx_page.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

std::string Cp(std::string_view utf8) { return Utf8ToCp1252(utf8); }

std::string CodeOf(const GpxCacheWpt& wpt) { return TrimCtl(Cp(wpt.name)); }

double HiddenDayCount(std::string_view time) {
    if (time.size() < 10 || time[4] != '-' || time[7] != '-') return 0.0;
    const auto y = ParseInt(time.substr(0, 4));
    const auto m = ParseInt(time.substr(5, 2));
    const auto d = ParseInt(time.substr(8, 2));
    if (!y || !m || !d) return 0.0;
    return DayCountFromDate(*y, *m, *d).value_or(0.0);
}

bool SameRating(std::string_view a, std::string_view b) {
    const auto x = ParseFloat(a);
    const auto y = ParseFloat(b);
    if (x && y) return *x == *y;
    return a == b;
}

std::string DateText(double dayCount) {
    int y = 0, m = 0, d = 0;
    if (!DateFromDayCount(dayCount, y, m, d)) return "00.00.0000";
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", d, m, y);
    return buf;
}

}  // namespace

std::optional<TCacheRec> MakeImportRecord(const GpxCacheWpt& wpt, const LatLon& home, const CountryLookup& country) {
    if (!wpt.hasCache) return std::nullopt;
    const std::string code = CodeOf(wpt);
    const auto lat = ParseFloat(wpt.lat);
    const auto lon = ParseFloat(wpt.lon);
    if (!IsSafeWaypointCode(code) || !lat || !lon || std::fabs(*lat) > 90.0 || std::fabs(*lon) > 180.0)
        return std::nullopt;

    TCacheRec rec;
    const auto id = wpt.cacheId ? ParseInt(*wpt.cacheId) : std::nullopt;
    rec.Id = id.value_or(-1);
    // GPX 1.1 files have no urlname but a link text; without either the
    // cache name stands in, so a known cache never loses its name.
    std::string name = Cp(!wpt.urlname.empty() ? wpt.urlname : !wpt.linkText.empty() ? wpt.linkText : wpt.cacheName);
    DecodeHtmlEntities(name);
    name = name.substr(0, 120);
    if (wpt.placedBy) name = name + " by " + Cp(*wpt.placedBy);
    ReplaceAll(name, "&amp;", "&");
    rec.Name = name;
    rec.Hidden = HiddenDayCount(wpt.time);
    rec.Lat = *lat;
    rec.Lon = *lon;
    std::string type = Cp(wpt.type);
    RemoveAllNoCase(type, "Geocache|");
    rec.CacheType = type;
    std::string size = Cp(wpt.container);
    if (SameTextCp1252(size, "NOT CHOSEN") || SameTextCp1252(size, "OTHER")) size.clear();
    rec.Size = size;
    rec.Waypoint = code;
    rec.Difficulty = wpt.difficulty ? Cp(*wpt.difficulty) : std::string("1.0");
    rec.Terrain = wpt.terrain ? Cp(*wpt.terrain) : std::string("1.0");
    const std::string countryName = Cp(wpt.country);
    rec.CountryId = country ? country(countryName) : CountryIDByName(countryName);
    const auto dist = CalcDistanceBearing(home, LatLon{*lat, *lon});
    rec.Distance = dist ? static_cast<float>(dist->km) : 0.0f;
    rec.InDB = 1;
    return rec;
}

int CompareWithDb(const TCacheRec& a, const TCacheRec& b, std::string& diff) {
    diff.clear();
    if (a.Id != b.Id) diff += ", Cache-ID ";
    if (!SameTextCp1252(a.Name.view(), b.Name.view())) diff += ", Cachename";
    if (a.Hidden != b.Hidden) diff += ", Versteckdatum";
    if (std::fabs(a.Lat - b.Lat) > 0.001) diff += ", Breitengrad";
    if (std::fabs(a.Lon - b.Lon) > 0.001) diff += W(", Längengrad");
    if (!SameTextCp1252(a.CacheType.view(), b.CacheType.view())) diff += ", Cachetyp";
    if (!SameTextCp1252(a.Size.view(), b.Size.view())) diff += W(", Cachegröße");
    if (!SameRating(a.Difficulty.view(), b.Difficulty.view())) diff += ", Difficulty";
    if (!SameRating(a.Terrain.view(), b.Terrain.view())) diff += ", Terrain";
    if (a.CountryId != b.CountryId) diff += W(", Länder-ID");
    if (diff.empty()) return kGpxSame;
    diff.erase(0, 2);
    return kGpxChanged;
}

std::string GpxListLine(const GpxImportEntry& e) {
    if (e.isNew) return e.rec.Waypoint.str() + ": Neu (" + DateText(e.rec.Hidden) + ")";
    return e.rec.Waypoint.str() + ": Diff=" + e.diff;
}

bool GpxLineIsNew(std::string_view line) { return line.find(" Neu (") != std::string_view::npos; }

std::string GpxLineCode(std::string_view line) { return std::string(line.substr(0, line.find(':'))); }

// ---------------------------------------------------------------------------

GpxImportSession::GpxImportSession(GpxImportParams params) : p_(std::move(params)) {}

const GpxPass1Result& GpxImportSession::pass1() {
    result_ = GpxPass1Result{};
    GpxPass1Result& r = result_;
    std::error_code ec;
    const std::uint64_t total = std::filesystem::file_size(p_.gpxFile, ec);

    struct Pending {
        TCacheRec rec;
        bool matched = false;
        TCacheRec stored;
    };
    std::vector<Pending> recs;
    std::unordered_map<CacheKey, std::size_t, CacheKeyHash> byKey;
    const GpxReadResult read = ReadGpxFile(
        p_.gpxFile,
        [&](GpxCacheWpt&& wpt) {
            if (!wpt.hasCache) {
                ++r.plainWaypoints;
                return true;
            }
            // A code that cannot name a file, an empty one too, never reaches
            // the database (nor, cut to its field, stands for another cache).
            if (!r.refused.Admit(CodeOf(wpt))) return true;
            auto rec = MakeImportRecord(wpt, p_.home, p_.country);
            if (!rec) {
                ++r.skipped;
                return true;
            }
            const auto key = MakeCacheKey(rec->Waypoint.view());
            // A code listed twice is one cache: the first one counts.
            if (!key || !byKey.emplace(*key, recs.size()).second) {
                ++r.duplicates;
                return true;
            }
            recs.push_back(Pending{*rec});
            return true;
        },
        [&](std::uint64_t done) {
            if (progress_) progress_(done, total);
        });
    r.definitions = read.waypoints;
    if (!read.ok) {
        if (read.waypoints == 0 && recs.empty()) {
            r.error = Error{EIO, ReadErrorText(p_.gpxFile)};
            if (!read.errorMessage.empty() && read.errorLine > 0)
                r.error->message += W(": Fehler in Zeile ") + std::to_string(read.errorLine);
            return r;
        }
        // What was read before the fault is complete; the user decides.
        r.error = Error{EIO, W("Die GPX-Datei ist fehlerhaft: ") + std::to_string(recs.size()) +
                                 W(" Caches gelesen, Fehler in Zeile ") + std::to_string(read.errorLine) + "."};
    }

    // One pass over the database; the last record of a code counts.
    const std::string bin = CacheBinPath();
    const int code = recs.empty() ? 0 : ForEachRecordOf(bin, TCacheRec::kSize, [&](const unsigned char* raw, long long) {
        const auto it = byKey.find(CacheKeyOfRecord(raw));
        if (it != byKey.end()) {
            recs[it->second].matched = true;
            recs[it->second].stored = DecodeCacheRec(raw);
        }
        return true;
    });
    // Comparing with no or part of a database that is there would append duplicates.
    if (code != 0) {
        r.error = Error{code, ReadErrorText(bin)};
        r.entries.clear();
        return r;
    }

    for (Pending& p : recs) {
        int code = kGpxNew;
        std::string diff;
        if (p.matched) code = CompareWithDb(p.rec, p.stored, diff);
        r.memoLines.push_back(std::to_string(code) + " - " + p.rec.Waypoint.str() + ": " + p.rec.Name.str());
        if (code == kGpxSame) {
            ++r.same;
        } else if (code == kGpxChanged) {
            ++r.changed;
            p.rec.ChangeMark = 'D';
            r.entries.push_back(GpxImportEntry{p.rec, false, diff});
        } else {
            ++r.added;
            r.entries.push_back(GpxImportEntry{p.rec, true, {}});
        }
    }
    return r;
}

const GpxImportEntry* GpxImportSession::FindResult(std::string_view code) const {
    for (const GpxImportEntry& e : result_.entries)
        if (e.rec.Waypoint == code) return &e;
    return nullptr;
}

GpxPass2Result GpxImportSession::pass2(const std::vector<std::string>& lines, const GpxPass2Options& o) {
    GpxPass2Result r;
    std::unordered_map<std::string, const GpxImportEntry*> byCode;
    for (const GpxImportEntry& e : result_.entries) byCode.emplace(e.rec.Waypoint.str(), &e);

    std::vector<const GpxImportEntry*> changed, added;
    std::unordered_set<std::string> done;
    for (const std::string& line : lines) {
        const std::string code = GpxLineCode(line);
        const auto it = byCode.find(code);
        if (it == byCode.end() || !done.insert(code).second) continue;
        (it->second->isNew ? added : changed).push_back(it->second);
    }

    std::error_code ec;
    if (!changed.empty() && !std::filesystem::exists(CacheIdxPath(), ec)) BuildCacheIndex();
    for (const GpxImportEntry* e : changed) {
        if (const Result<void> stored = StoreCacheRec(e->rec)) {
            ++r.corrected;
        } else {
            ++r.failed;
            // Each cause once; a record that may be damaged is named.
            if (std::find(r.errors.begin(), r.errors.end(), stored.error().message) == r.errors.end())
                r.errors.push_back(stored.error().message);
        }
    }
    std::vector<TCacheRec> newRecs;
    for (const GpxImportEntry* e : added) newRecs.push_back(e->rec);
    bool appended = true;
    if (!newRecs.empty()) {
        const Result<void> w = AppendCacheFile(CacheBinPath(), newRecs);
        appended = w.ok();
        if (appended) {
            r.added = static_cast<int>(newRecs.size());
        } else {
            r.failed += static_cast<int>(newRecs.size());
            r.errors.push_back(w.error().message);
        }
    }
    if (std::filesystem::exists(CacheBinPath(), ec)) {
        const int idx = BuildCacheIndex();
        if (idx == -3 || idx == -4) r.errors.push_back(WriteErrorText(CacheIdxPath()));
        if (idx == -1 || idx == -2) r.errors.push_back(ReadErrorText(CacheBinPath()));
    }

    r.summary = W("Datenbankupdate abgeschlossen.\r\n\r\n") + std::to_string(r.added) +
                W(" neue Caches wurden in die Datenbank eingefügt.\r\n") + std::to_string(r.corrected) +
                W(" Korrekturen wurden an vorhandenen Caches vorgenommen.");
    if (r.failed > 0)
        r.summary += W("\r\n") + std::to_string(r.failed) + W(" Caches konnten nicht gespeichert werden.");

    if (!o.radiusSearch) return r;
    std::unordered_set<std::string> hitSet;
    if (appended) {
        for (const GpxImportEntry* e : added) {
            const std::string code = e->rec.Waypoint.str();
            const auto d = CalcDistanceBearing(o.centre, LatLon{e->rec.Lat, e->rec.Lon});
            // A code that may not name a file never reaches the work list.
            if (!d || d->km > o.radiusKm || !IsSafeWaypointCode(code)) continue;
            if (hitSet.insert(UpperCaseAscii(code)).second) r.hits.push_back(code);
        }
    }

    if (o.getDescriptions && !r.hits.empty()) {
        std::unordered_set<std::string> want = hitSet;
        if (o.keepOld)
            for (const std::string& existing : CollectDescriptionFiles(o.outDir)) want.erase(existing);
        if (!want.empty()) {
            const GpxReadResult read = ReadGpxFile(p_.gpxFile, [&](GpxCacheWpt&& wpt) {
                if (!wpt.hasCache) return true;
                const std::string code = CodeOf(wpt);
                if (want.erase(UpperCaseAscii(code)) == 0) return true;
                const std::string path = GpxPagePath(o.outDir, code);
                if (!path.empty() && WriteFileAtomic(path, GpxPageText(wpt, code, o.site))) {
                    ++r.pagesWritten;
                } else {
                    ++r.pagesFailed;
                    WriteDebugLog(WriteErrorText(path.empty() ? code : path));
                }
                return !want.empty();
            });
            // Hits the file no longer holds (or no longer reads) got no page.
            r.pagesFailed += static_cast<int>(want.size());
            if (!read.ok) WriteDebugLog(ReadErrorText(p_.gpxFile));
        }
        if (r.pagesFailed > 0)
            r.errors.push_back(std::to_string(r.pagesFailed) +
                               W(" Beschreibungen konnten nicht aus der GPX-Datei geschrieben werden."));
    }

    std::unordered_map<std::string, std::string> names;
    for (const GpxImportEntry* e : added) names.emplace(e->rec.Waypoint.str(), e->rec.Name.str());
    r.hitsText = RadiusHitsMessage(r.hits, [&](const std::string& code) {
        const auto it = names.find(code);
        return it == names.end() ? std::string() : it->second;
    });
    if (!r.hits.empty()) {
        const Result<void> w = PrependToWorkList(ResolveFileNoCase(GetWorkDir(), "WPList.txt"), r.hits);
        r.worklistWritten = w.ok();
        if (!w.ok()) r.errors.push_back(w.error().message);
    }
    return r;
}

std::string RadiusHitsMessage(const std::vector<std::string>& hits,
                              const std::function<std::string(const std::string&)>& nameOf) {
    if (hits.empty())
        return W("Die Radiussuche hat ergeben, dass keiner der eingefügten Caches im angegebenen Radius um das "
                 "gewählte Home liegen.\r\nEs wurden keine Caches in die Arbeitsliste eingefügt.");
    std::string text = "Es wurden " + std::to_string(hits.size()) + W(" Caches in die Arbeitsliste eingefügt:\r\n\r\n");
    for (std::size_t i = 0; i < hits.size() && i < 10; ++i) {
        const std::string name = nameOf ? nameOf(hits[i]) : std::string();
        text += name.empty() ? hits[i] + "\r\n" : hits[i] + ": " + name + "\r\n";
    }
    if (hits.size() > 10) text += W("(Liste nach 10 Einträgen abgschnitten)");
    return text;
}

Result<void> PrependToWorkList(const std::string& path, const std::vector<std::string>& codes) {
    const auto old = ReadTextListIfPresent(path);
    if (!old) return old.error();
    std::vector<std::string> lines = codes;
    lines.insert(lines.end(), old->begin(), old->end());
    if (!WriteTextList(path, lines)) return Error{EIO, WriteErrorText(path)};
    return {};
}

void LoadGpxImportOptions(GpxImportOptions& o) {
    o.saveOptions = ReadSettingBool("GPXImpSaveOpts");
    if (!o.saveOptions) return;
    o.radiusSearch = ReadSettingBool("GPXImpRadSrch");
    o.getDescriptions = ReadSettingBool("GPXImpGetDescr");
    o.keepOld = ReadSettingBool("GPXImpKeepOld");
    o.radius = ReadSettingStr("GPXImpRadius");
}

bool SaveGpxImportOptions(const GpxImportOptions& o) {
    bool ok = WriteSettingBool("GPXImpSaveOpts", o.saveOptions);
    if (!o.saveOptions) return ok;
    ok = WriteSettingBool("GPXImpRadSrch", o.radiusSearch) && ok;
    ok = WriteSettingBool("GPXImpGetDescr", o.getDescriptions) && ok;
    ok = WriteSettingBool("GPXImpKeepOld", o.keepOld) && ok;
    ok = WriteSettingStr("GPXImpRadius", o.radius) && ok;
    return ok;
}

GpxFileSummary SummarizeGpxFile(const std::string& path, std::size_t previewBytes) {
    GpxFileSummary s;
    const FileStream f = OpenProgramStream(path);
    if (!f) return s;
    static constexpr std::string_view kEnd = "</wpt>";
    std::vector<char> buf(1 << 20);
    std::string head;
    std::size_t matched = 0;
    bool lineCounted = false;
    char last = '\n';
    bool any = false;
    for (;;) {
        const std::size_t n = std::fread(buf.data(), 1, buf.size(), f.get());
        if (n == 0) break;
        any = true;
        if (head.size() < previewBytes) head.append(buf.data(), std::min(n, previewBytes - head.size()));
        for (std::size_t i = 0; i < n; ++i) {
            const char c = buf[i];
            if (c == '\n') {
                ++s.lines;
                lineCounted = false;
                matched = 0;
                continue;
            }
            matched = c == kEnd[matched] ? matched + 1 : (c == '<' ? 1 : 0);
            if (matched == kEnd.size()) {
                matched = 0;
                if (!lineCounted) ++s.definitions;
                lineCounted = true;
            }
        }
        last = buf[n - 1];
    }
    if (std::ferror(f.get())) return s;
    if (any && last != '\n') ++s.lines;
    if (head.size() >= previewBytes) {
        const std::size_t cut = head.rfind('\n');
        if (cut != std::string::npos) head.resize(cut + 1);
    }
    s.preview = Utf8ToCp1252(head);
    for (const std::string& line : SplitTextLines(s.preview)) {
        if (line.find("<name>") == std::string::npos || line.find("</name>") == std::string::npos) continue;
        std::string copy = line, inner;
        if (CutBetweenInner(copy, inner, "<name>", "</name>")) s.gpxName = inner;
        break;
    }
    s.readable = true;
    return s;
}

std::string GpxPass1StatusText(const GpxPass1Result& r) {
    if (r.definitions > 0 && r.plainWaypoints >= r.definitions)
        return std::to_string(r.plainWaypoints) + W(" Wegpunkte ohne Cachedaten gefunden, keine Cachedefinitionen");
    std::string status = std::to_string(r.definitions) + " Cachedefinitionen gefunden, " +
                         std::to_string(r.changed) + " unterschiedlich, " + std::to_string(r.added) + " neu, " +
                         std::to_string(r.same) + " alt";
    if (r.skipped > 0) status += ", " + std::to_string(r.skipped) + W(" ohne gültige Koordinaten übersprungen");
    if (r.refused.count() > 0)
        status += ", " + std::to_string(r.refused.count()) + W(" mit ungültigem Code übersprungen");
    if (r.duplicates > 0) status += ", " + std::to_string(r.duplicates) + W(" mit doppeltem Code übersprungen");
    if (r.plainWaypoints > 0) status += ", " + std::to_string(r.plainWaypoints) + W(" Wegpunkte ohne Cachedaten");
    return status;
}

std::string GpxNothingToImportText(const GpxPass1Result& r) {
    if (r.definitions > 0 && r.plainWaypoints >= r.definitions)
        return W("Die GPX-Datei enthält nur Wegpunkte ohne Cachedaten (") + std::to_string(r.plainWaypoints) +
               W(" Wegpunkte). Importiert werden können nur Caches mit ihren Cachedaten, wie sie eine "
                 "Pocket Query liefert.");
    return "Die GPX-Datei enthielt keine neuen Caches oder Updates.";
}

}  // namespace tv
