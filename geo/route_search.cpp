#include "geo/route_search.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/number_format.h"
#include "core/str_util.h"

namespace tv {

namespace {

double ReadF64(const unsigned char* p) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | p[i];
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

RouteIndexEntry EntryOfRecord(const unsigned char* rec, std::int32_t recNo) {
    RouteIndexEntry e;
    const std::size_t len = std::min<std::size_t>(rec[194], 16);
    e.code.assign(std::string_view(reinterpret_cast<const char*>(rec + 195), len));
    e.lat = ReadF64(rec + 136);
    e.lon = ReadF64(rec + 144);
    e.recNo = recNo;
    return e;
}

// Caches bucketed by grid cell (rows of latitude, columns of longitude), each
// bucket in database order, so that a sample collects the caches of the few
// cells around it instead of walking all of them.
class CacheGrid {
public:
    CacheGrid(const std::vector<RouteIndexEntry>& entries, double cellDeg) : cell_(cellDeg) {
        rows_ = static_cast<int>(std::ceil(180.0 / cell_)) + 1;
        cols_ = static_cast<int>(std::ceil(360.0 / cell_));
        struct Item {
            int row, col;
            std::uint32_t idx;
        };
        std::vector<Item> items;
        items.reserve(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const RouteIndexEntry& e = entries[i];
            if (!std::isfinite(e.lat) || !std::isfinite(e.lon)) continue;  // never within any distance
            if (std::fabs(e.lat) > 90.0) {
                odd_.push_back(static_cast<std::uint32_t>(i));  // off the sphere: test always
                continue;
            }
            items.push_back({Row(e.lat), Col(std::remainder(e.lon, 360.0)), static_cast<std::uint32_t>(i)});
        }
        std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
            return a.row != b.row ? a.row < b.row : a.col != b.col ? a.col < b.col : a.idx < b.idx;
        });
        rowStart_.assign(static_cast<std::size_t>(rows_) + 1, 0);
        for (const Item& it : items) ++rowStart_[static_cast<std::size_t>(it.row) + 1];
        for (int r = 0; r < rows_; ++r) rowStart_[r + 1] += rowStart_[r];
        col_.reserve(items.size());
        idx_.reserve(items.size());
        for (const Item& it : items) {
            col_.push_back(it.col);
            idx_.push_back(it.idx);
        }
    }

    // Every cache that can lie within `dLat` degrees of latitude and `dLon`
    // degrees of longitude (negative: any longitude) of `c`, ascending.
    void Candidates(LatLon c, double dLat, double dLon, std::vector<std::uint32_t>& out) const {
        out.assign(odd_.begin(), odd_.end());
        const int r0 = Row(c.lat - dLat), r1 = Row(c.lat + dLat);
        // Longitude intervals in degrees, split where they cross the date line.
        double spans[3][2];
        int n = 0;
        if (dLon < 0 || 2 * dLon >= 360.0) {
            spans[n][0] = -180.0, spans[n++][1] = 180.0;
        } else {
            const double lon = std::remainder(c.lon, 360.0);
            const double lo = lon - dLon, hi = lon + dLon;
            if (lo < -180.0) spans[n][0] = lo + 360.0, spans[n++][1] = 180.0;
            if (hi >= 180.0) spans[n][0] = -180.0, spans[n++][1] = hi - 360.0;
            spans[n][0] = std::max(lo, -180.0), spans[n++][1] = std::min(hi, 180.0);
        }
        int ranges[3][2];
        for (int k = 0; k < n; ++k) ranges[k][0] = Col(spans[k][0]), ranges[k][1] = Col(spans[k][1]);
        for (int r = r0; r <= r1; ++r) {
            const auto begin = col_.begin() + rowStart_[r], end = col_.begin() + rowStart_[r + 1];
            for (int k = 0; k < n; ++k) {
                for (auto it = std::lower_bound(begin, end, ranges[k][0]); it != end && *it <= ranges[k][1]; ++it)
                    out.push_back(idx_[static_cast<std::size_t>(it - col_.begin())]);
            }
        }
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
    }

private:
    int Row(double lat) const {
        return std::clamp(static_cast<int>(std::floor((lat + 90.0) / cell_)), 0, rows_ - 1);
    }
    // By the longitude in -180..180 (both ends are one meridian, column 0 and
    // the last column; queries reaching either end take both).
    int Col(double lon) const {
        return std::clamp(static_cast<int>(std::floor((lon + 180.0) / cell_)), 0, cols_ - 1);
    }

    double cell_;
    int rows_ = 0, cols_ = 0;
    std::vector<std::uint32_t> rowStart_;
    std::vector<int> col_;
    std::vector<std::uint32_t> idx_;
    std::vector<std::uint32_t> odd_;
};

// Half-widths in degrees of a box that holds every point within `radius`
// (radians) of `c`; dLon < 0 when the circle reaches a pole. The slack covers
// rounding in the distance computation.
void SearchBox(LatLon c, double radius, double& dLat, double& dLon) {
    constexpr double kSlack = 1.0001;
    dLat = RadToDeg(radius) * kSlack + 1e-9;
    dLon = -1.0;
    if (std::fabs(c.lat) + dLat >= 90.0) return;
    const double s = std::sin(radius) / std::cos(DegToRad(c.lat));
    if (s >= 1.0) return;
    dLon = RadToDeg(std::asin(s)) * kSlack + 1e-9;
}

}  // namespace

std::vector<RouteIndexEntry> RouteIndexFromBytes(std::string_view bytes) {
    std::vector<RouteIndexEntry> out;
    const std::size_t n = bytes.size() / TCacheRec::kSize;
    out.reserve(n);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0; i < n; ++i)
        out.push_back(EntryOfRecord(p + i * TCacheRec::kSize, static_cast<std::int32_t>(i)));
    return out;
}

RouteIndex ReadRouteIndex(const std::string& path, const std::function<void(int, int)>& progress) {
    RouteIndex idx;
    const Result<OpenedFile> file = OpenProgramFile(path);
    if (!file) {
        idx.status = RouteIndexStatus::OpenFailed;
        idx.error = file.error().code;
        return idx;
    }
    const long long total = file->size / static_cast<long long>(TCacheRec::kSize);
    idx.entries.reserve(static_cast<std::size_t>(total));
    const int error = ForEachRecord(*file, TCacheRec::kSize, [&](const unsigned char* raw, long long recNo) {
        idx.entries.push_back(EntryOfRecord(raw, static_cast<std::int32_t>(recNo)));
        if (progress && (recNo + 1) % 100 == 0)
            progress(static_cast<int>(recNo + 1), static_cast<int>(std::min<long long>(total, INT32_MAX)));
        return true;
    });
    if (progress) progress(static_cast<int>(idx.entries.size()), static_cast<int>(std::min<long long>(total, INT32_MAX)));
    if (error != 0) {
        idx.status = RouteIndexStatus::ReadFailed;
        idx.error = error;
    }
    return idx;
}

std::vector<LatLon> SegmentSamples(LatLon from, LatLon to, double stepKm) {
    std::vector<LatLon> samples;
    const auto seg = CalcDistanceBearing(from, to);
    if (!seg || !(stepKm > 0)) return samples;
    const double steps = std::trunc(seg->km / stepKm);
    const long long n = steps < 1e9 ? static_cast<long long>(steps) : 1000000000LL;
    LatLon pos = from;
    for (long long s = 0; s <= n; ++s) {
        samples.push_back(pos);
        if (s == n) break;
        const auto toward = CalcDistanceBearing(pos, to);
        const auto next = toward ? ProjectCoordinate(pos, stepKm, toward->bearing) : std::nullopt;
        if (!next) break;
        pos = *next;
    }
    return samples;
}

RouteSearchResult SearchAlongRoute(const RouteSearchParams& p) {
    RouteSearchResult result;
    static const std::vector<RouteIndexEntry> kNone;
    const std::vector<RouteIndexEntry>& index = p.index ? *p.index : kNone;
    const auto cancelled = [&] { return p.cancelled && p.cancelled(); };
    const double radius = p.maxDistKm / kEarthRadiusKm;
    double boxLat = 0, boxLon = 0;
    SearchBox({0, 0}, radius, boxLat, boxLon);
    std::unique_ptr<CacheGrid> grid;
    // A circle beyond a quarter of the globe gains nothing from a grid.
    if (p.usePrefilter && radius < 1.5) grid = std::make_unique<CacheGrid>(index, std::max(boxLat, 0.001));
    std::vector<char> marked(index.size(), 0);
    std::vector<std::uint32_t> candidates;
    const double step = p.maxDistKm / std::sqrt(2.0);
    const int segments = static_cast<int>(p.route.size()) - 1;

    for (int seg = 0; seg < segments; ++seg) {
        if (cancelled()) break;
        if (p.onSegment) p.onSegment(seg, segments);
        for (const LatLon& sample : SegmentSamples(p.route[seg], p.route[seg + 1], step)) {
            if (cancelled()) break;
            if (grid) {
                double dLat = 0, dLon = 0;
                SearchBox(sample, radius, dLat, dLon);
                grid->Candidates(sample, dLat, dLon, candidates);
            } else {
                candidates.resize(index.size());
                for (std::size_t i = 0; i < index.size(); ++i) candidates[i] = static_cast<std::uint32_t>(i);
            }
            for (const std::uint32_t i : candidates) {
                if (cancelled()) break;
                if (marked[i]) continue;
                const RouteIndexEntry& e = index[i];
                double d = 0, bearing = 0;
                if (!CalcDistanceBearing(d, bearing, sample.lat, sample.lon, e.lat, e.lon) || d > p.maxDistKm)
                    continue;
                marked[i] = 1;
                RouteHit hit;
                hit.code = e.code.str();
                hit.routeKm = d;
                hit.entry = i;
                double h = 0;
                if (p.home && CalcDistanceBearing(h, bearing, e.lat, e.lon, p.home->lat, p.home->lon))
                    hit.homeKm = h;
                if (p.keep) {
                    auto name = p.keep(e);
                    if (!name) continue;
                    hit.name = std::move(*name);
                }
                result.hits.push_back(std::move(hit));
                if (p.onHit) p.onHit(result.hits.back());
            }
        }
    }
    result.cancelled = cancelled();
    return result;
}

std::string FormatResultLine(const RouteHit& hit) {
    std::string line = hit.code + " (" + FormatFixed(hit.routeKm, 6, 2) + " km";
    if (hit.homeKm)
        line += " / " + FormatFixed(*hit.homeKm, 6, 2) + " km)";
    else
        line += ")";
    return line + " " + hit.name;
}

std::string ResultLineCode(std::string_view line) {
    const std::string trimmed = TrimCtl(line);
    const std::size_t blank = trimmed.find(' ');
    return blank == std::string::npos ? trimmed : TrimCtl(std::string_view(trimmed).substr(0, blank));
}

std::vector<std::string> RemoveResultLines(const std::vector<std::string>& lines,
                                           const std::unordered_set<std::string>& upperCodes) {
    std::vector<std::string> kept;
    for (const std::string& line : lines)
        if (!upperCodes.count(UpperCaseCp1252(ResultLineCode(line)))) kept.push_back(line);
    return kept;
}

std::unordered_set<std::string> FoundCodesFromBytes(std::string_view bytes) {
    std::unordered_set<std::string> codes;
    for (const TFoundRec& r : DecodeFoundRecs(bytes)) codes.insert(UpperCaseCp1252(TrimCtl(r.Waypoint.view())));
    return codes;
}

WorkListSaveResult SaveRouteWorkList(const std::string& workDir, bool keepOld, const std::vector<std::string>& codes) {
    WorkListSaveResult r;
    r.path = ResolveFileNoCase(workDir, "WPList.txt");
    std::vector<std::string> lines;
    if (keepOld) {
        // Only a missing list counts as empty; an unreadable one must survive.
        auto old = ReadTextListIfPresent(r.path);
        if (!old) {
            r.status = WorkListSaveStatus::ReadFailed;
            r.cause = old.error().code;
            return r;
        }
        lines = std::move(*old);
    }
    lines.insert(lines.end(), codes.begin(), codes.end());
    if (!WriteTextList(r.path, lines)) r.status = WorkListSaveStatus::WriteFailed;
    return r;
}

}  // namespace tv
