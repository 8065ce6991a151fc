#include "pages/description_generator.h"

#include "core/addwp_db.h"
#include "core/cache_db.h"
#include "core/file_procs.h"
#include "core/str_util.h"
#include "pages/personal_notes.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

std::string InvalidCodeText(std::string_view w) {
    return W("Ungültiger Wegpunkt-Code \"") + std::string(w) + W("\": nur Buchstaben und Ziffern sind erlaubt.");
}

}  // namespace

std::string TemplateNotFoundText(const std::string& path) { return "Templatedatei nicht gefunden:\r\n" + path; }

std::string LoadDescriptionTemplate(const std::string& path) {
    const auto text = ReadDescriptionTemplate(path);
    return text ? *text : std::string();
}

Result<std::string> ReadDescriptionTemplate(const std::string& path) {
    const auto bytes = ReadProgramFileIfPresent(path);
    if (!bytes) return bytes.error();
    return *bytes ? EndLinesWith(**bytes, "\r\n") : std::string();
}

DescriptionGenerator::DescriptionGenerator(DescriptionRunParams params) : p_(std::move(params)) {
    p_.outDir = WithTrailingSlash(p_.outDir);
    p_.workDir = WithTrailingSlash(p_.workDir);
}

void DescriptionGenerator::prepare() {
    if (prepared_) return;
    prepared_ = true;
    std::vector<std::string> lines;
    if (ReadTextList(p_.workDir + "Buddies.txt", lines)) buddies_ = BuddyMatcher(lines);
    folder_ = FolderSnapshot::Read(p_.outDir);
    // The additional waypoints grouped by cache once, so each page costs one
    // hash look-up instead of a walk over every point.
    TAddWPList all;
    LoadAddWaypoints(all, ResolveFileNoCase(p_.workDir, kAddWaypointsFileName));
    for (const auto& e : all) addWpGroups_[e.rec.CacheCode.str()].AddWP(e.key, e.rec);
    notesFile_ = ResolveFileNoCase(p_.workDir, kPersonalNotesFileName);
}

std::string DescriptionGenerator::render(std::string_view waypoint, std::string* removedContent) {
    prepare();
    const std::string w(waypoint);
    auto findCache = [this](std::string_view code, TCacheRec& rec) {
        return p_.findCache ? p_.findCache(code, rec) : FindCacheByWaypoint(code, rec);
    };

    GatherSources src;
    src.outDir = p_.outDir;
    src.buddies = &buddies_;
    src.folder = &folder_;
    src.findCache = findCache;
    src.addWaypointsHtml = [&](std::string_view code) -> std::string {
        auto it = addWpGroups_.find(std::string(code));
        if (it == addWpGroups_.end()) return {};
        TCacheRec rec;
        if (!findCache(code, rec)) return {};
        rec.Waypoint = code;  // the points belong to the code as given
        return BuildAddWaypointsHTMLFrom(rec, it->second);
    };
    src.site = p_.site;
    src.mapquestBase = p_.mapquestBase;
    src.googleBase = p_.googleBase;

    const DescriptionOptions& o = p_.options;
    TCacheDescription d = ReadCacheData(w, GatherOptions{o.maxLogs, o.boldLogs}, src);
    const CleanCounts counts = CleanLongDescription(d.LongDescription, o.clean);
    if (removedContent) AppendRemovedContent(*removedContent, w, counts);

    FillOptions fill;
    fill.logs = o.logs;
    fill.hintMode = o.hints;
    fill.cacheImages = o.cacheImages;
    fill.twoColumns = o.imageKind == 1;
    fill.htmlMaxWidth = p_.htmlMaxWidth;
    fill.home = p_.home;
    fill.site = p_.site;
    FillSources sources;
    sources.mapHtml = [&] {
        return BuildCacheMapHTMLFor(p_.outDir, w, o.mapOrder, o.resizeMap, IsRegularFile);
    };
    sources.notesHtml = ReadPersonalNotesHtml(notesFile_, w);
    return FillTemplate(p_.templateText, w, d, fill, sources, platform::clock().now());
}

DescriptionCacheResult DescriptionGenerator::generate(std::string_view waypoint, std::string* removedContent) {
    DescriptionCacheResult r;
    r.waypoint = std::string(waypoint);
    if (!IsSafeWaypointCode(waypoint)) {
        r.outcome = DescriptionOutcome::Failed;
        r.error = InvalidCodeText(waypoint);
        return r;
    }
    std::string removed;
    const std::string text = render(waypoint, &removed);
    const std::string path = ConvertedPagePath(p_.outDir, waypoint);
    if (!WriteConvertedPage(path, text)) {
        r.outcome = DescriptionOutcome::Failed;
        r.error = WriteErrorText(path);
        return r;
    }
    if (removedContent && !removed.empty()) {
        if (!removedContent->empty()) *removedContent += ", ";
        *removedContent += removed;
    }
    r.outcome = DescriptionOutcome::Converted;
    return r;
}

DescriptionRunResult DescriptionGenerator::run() {
    prepare();
    DescriptionRunResult result;
    const int count = static_cast<int>(p_.waypoints.size());
    for (int i = 0; i < count; ++i) {
        const std::string& w = p_.waypoints[static_cast<std::size_t>(i)];
        DescriptionProgress progress{i, count, w, {}};
        DescriptionCacheResult r;
        r.waypoint = w;
        if (cancel_) {
            r.outcome = DescriptionOutcome::Cancelled;
            result.cancelled = true;
            if (progress_) progress_(progress);
            result.caches.push_back(std::move(r));
            continue;
        }
        const bool safe = IsSafeWaypointCode(w);
        const bool keep = safe && p_.options.keepOld &&
                          (IsRegularFile(ConvertedPagePath(p_.outDir, w)) || folder_.Find(w + "_converted.html"));
        if (!safe || keep || !folder_.Find(w + ".html")) {
            progress.text = W("Überspringe ") + w;
            if (progress_) progress_(progress);
            r.outcome = DescriptionOutcome::Skipped;
            if (!safe) r.error = InvalidCodeText(w);
            ++result.skipped;
            result.caches.push_back(std::move(r));
            continue;
        }
        progress.text = W("Erzeuge Beschreibung für ") + w + " (Cache " + std::to_string(i + 1) + " von " +
                        std::to_string(count) + ")";
        if (progress_) progress_(progress);
        r = generate(w, &result.removedContent);
        if (r.outcome == DescriptionOutcome::Converted)
            ++result.converted;
        else
            ++result.failed;
        result.caches.push_back(std::move(r));
    }
    return result;
}

}  // namespace tv
