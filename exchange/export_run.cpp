#include "exchange/export_run.h"

#include <cerrno>

#include "core/cache_db.h"
#include "core/cachedb_table.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/number_format.h"
#include "core/proc_settings.h"
#include "core/str_util.h"
#include "exchange/export_sink.h"
#include "exchange/export_text.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

// The codes of a list are looked up in the work folder's database: one that
// exists but cannot be read must not pass for a database without them.
int DatabaseReadError() {
    const auto db = OpenProgramFile(CacheBinPath());
    return db || MissingFileError(db.error().code) ? 0 : db.error().code;
}

}  // namespace

LoadedList LoadWpList(const std::string& path) {
    LoadedList out;
    const auto bytes = ReadProgramFileNoCase(path);
    if (!bytes) {
        out.error = bytes.error().code;
        out.path = path;
        return out;
    }
    if (const int code = DatabaseReadError()) {
        out.error = code;
        out.path = CacheBinPath();
        return out;
    }
    for (const std::string& line : SplitTextLines(*bytes)) {
        if (line.empty()) continue;
        TCacheRec rec;
        if (FindCacheByWaypoint(line, rec)) out.records.push_back(rec);
    }
    return out;
}

LoadedList LoadFinds(const std::string& path) {
    LoadedList out;
    const auto bytes = ReadProgramFile(path);
    if (!bytes) {
        out.error = bytes.error().code;
        out.path = path;
        return out;
    }
    if (const int code = DatabaseReadError()) {
        out.error = code;
        out.path = CacheBinPath();
        return out;
    }
    for (const TFoundRec& f : DecodeFoundRecs(*bytes)) {
        TCacheRec rec;
        if (f.Waypoint.empty() || !FindCacheByWaypoint(f.Waypoint, rec)) {
            rec = TCacheRec{};
            rec.Name = f.Name.str() + " (n/a)";
            rec.Lat = f.Lat;
            rec.Lon = f.Lon;
            rec.Waypoint = f.Waypoint;
            rec.CacheType = "?";
            rec.Size = "?";
            rec.Difficulty = "?";
            rec.Terrain = "?";
        }
        double day = 2.0;
        ParseDateText(f.FoundDate.view(), day);
        rec.FoundDate = day;
        out.records.push_back(rec);
    }
    return out;
}

LoadedList LoadCacheDb(const std::string& path) {
    LoadedList out;
    auto recs = ReadCacheFile(path);
    if (!recs) {
        out.error = recs.error().code != 0 ? recs.error().code : EIO;
        out.path = path;
        return out;
    }
    out.records = std::move(recs.value());
    return out;
}

ExportResult RunExport(const ExportRequest& request) {
    ExportResult result;
    const ExportFormat* format = FindExportFormat(request.options.format);
    const std::string work = WithTrailingSlash(request.context.workDir);
    if (auto refused = ProgramFileRefusal(request.outPath, work, TargetRole::Export, {request.listFile})) {
        result.writeError = refused->code;
        result.refusal = std::move(refused->message);
        return result;
    }
    LoadedList list;
    switch (request.source) {
        case ExportSource::DirList:
            list = LoadWpList(request.listFile);
            break;
        case ExportSource::WorkList:
            list = LoadWpList(work + "WPList.txt");
            break;
        case ExportSource::Finds:
            list = LoadFinds(work + "Finds.bin");
            break;
        case ExportSource::Database:
            list = LoadCacheDb(work + "Caches.bin");
            break;
    }
    result.listCount = static_cast<int>(list.records.size());
    result.readError = list.error;
    result.readPath = list.path;
    // A missing list exports nothing as before; one that exists but could
    // not be read gives no export at all rather than an empty or partial one.
    if (list.error != 0 && !MissingFileError(list.error)) {
        result.readStopped = true;
        return result;
    }
    if (!format) {
        result.writeError = EINVAL;
        return result;
    }
    ExportContext ctx = request.context;
    ctx.fromFinds = request.source == ExportSource::Finds;
    FileSink sink(request.outPath);
    if (sink.failed()) {
        result.writeError = sink.error();
        return result;
    }
    result.written = format->write(list.records, request.options, ctx, sink);
    result.writeError = sink.Close();
    return result;
}

ExportContext ExportContextFromSettings(int home) {
    const TProcSettings& s = ProcSettings;
    ExportContext c;
    c.workDir = GetWorkDir();
    c.homeLat = s.HomeLat;
    c.homeLon = s.HomeLong;
    for (std::size_t i = 0; i < s.AddHomeTxt.size(); ++i)
        c.addHomes.push_back({i < s.AddHomeLat.size() ? s.AddHomeLat[i] : "",
                              i < s.AddHomeLon.size() ? s.AddHomeLon[i] : "", s.AddHomeTxt[i]});
    c.xmlInit = s.GPX_XMLInit;
    c.gpxInit = s.GPX_GPXInit;
    c.distanceRef = {s.HomeLat, s.HomeLong};
    if (home >= 1 && static_cast<std::size_t>(home) <= c.addHomes.size()) {
        std::string lat = c.addHomes[home - 1].lat, lon = c.addHomes[home - 1].lon;
        CommaToPoint(lat);
        CommaToPoint(lon);
        const auto la = ParseFloat(lat), lo = ParseFloat(lon);
        if (la && lo) c.distanceRef = {*la, *lo};
    }
    c.site = SettingsListingSite();
    const platform::DateTime t = platform::clock().now();
    if (const auto day = DayCountFromDate(t.year, t.month, t.day))
        c.now = *day + (t.hour * 3600 + t.minute * 60 + t.second) / 86400.0;
    c.countryName = [](std::int32_t id) { return CountryNameByID(id); };
    return c;
}

std::string WrittenCountText(int count) { return IntText(count) + W(" Datensätze geschrieben."); }

}  // namespace tv
