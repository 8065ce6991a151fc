#include "pages/description_run.h"

#include <algorithm>
#include <cerrno>
#include <unordered_set>

#include "core/cache_db.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/number_format.h"
#include "core/settings_file.h"
#include "core/str_util.h"
#include "platform/services.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

constexpr std::string_view kSection = kProgramSection;

int InRange(int value, int count) { return value >= 0 && value < count ? value : 0; }

bool SameClean(const CleanFlags& a, const CleanFlags& b) {
    return a.body == b.body && a.bgColor == b.bgColor && a.img == b.img && a.style == b.style && a.href == b.href &&
           a.font == b.font && a.tables == b.tables && a.removeAll == b.removeAll && a.span == b.span;
}

bool SameOptions(const DescriptionOptions& a, const DescriptionOptions& b) {
    return a.keepOld == b.keepOld && a.logs == b.logs && a.maxLogs == b.maxLogs && a.boldLogs == b.boldLogs &&
           a.cacheImages == b.cacheImages && a.imageKind == b.imageKind && a.hints == b.hints &&
           SameClean(a.clean, b.clean) && a.mapOrder == b.mapOrder && a.resizeMap == b.resizeMap;
}

// The cleaning switches with their keys, in the order they are written.
struct CleanKey {
    const char* key;
    bool CleanFlags::*flag;
};
constexpr CleanKey kCleanKeys[] = {
    {"CrDescRmBody", &CleanFlags::body},     {"CrDescRmBGColor", &CleanFlags::bgColor},
    {"CrDescRmImg", &CleanFlags::img},       {"CrDescRmTables", &CleanFlags::tables},
    {"CrDescRmStyle", &CleanFlags::style},   {"CrDescRmHREF", &CleanFlags::href},
    {"CrDescRmFont", &CleanFlags::font},     {"CrDescRmSpan", &CleanFlags::span},
    {"CrDescRmAll", &CleanFlags::removeAll},
};

std::string MapKey(int i) { return "CrMapOrder" + std::to_string(i); }

// True when `order` holds each map source exactly once.
bool IsMapOrder(const std::vector<std::string>& order) {
    std::vector<std::string> a = order, b = DefaultMapOrder();
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    return a == b;
}

}  // namespace

bool operator==(const DescrWindowOptions& a, const DescrWindowOptions& b) {
    return a.saveOptions == b.saveOptions && SameOptions(a.descr, b.descr) && a.templateFile == b.templateFile &&
           a.home == b.home;
}

// ---- options ------------------------------------------------------------------------------

void ReadDescrOptions(DescrWindowOptions& o, const std::string& templateSetting) {
    TIniFile& ini = IniFile();
    o.saveOptions = ini.readBool(kSection, "CrDescSaveOpts", true);
    if (!o.saveOptions) return;
    DescriptionOptions& d = o.descr;
    d.keepOld = ini.readBool(kSection, "CrDescKeepOld", d.keepOld);
    d.logs = ini.readBool(kSection, "CrDescLogs", d.logs);
    if (ini.valueExists(kSection, "CrDescMaxLogs")) d.maxLogs = ini.readString(kSection, "CrDescMaxLogs");
    if (ini.valueExists(kSection, "CrDescTemplateFile"))
        o.templateFile = ini.readString(kSection, "CrDescTemplateFile");
    if (o.templateFile.empty()) o.templateFile = templateSetting;
    d.boldLogs = ini.readBool(kSection, "CrDescBoldLogs", d.boldLogs);
    d.cacheImages = ini.readBool(kSection, "CrDescCacheimages", d.cacheImages);
    d.imageKind = InRange(ini.readInteger(kSection, "CrDescImageKind", d.imageKind), 2);
    d.hints = InRange(ini.readInteger(kSection, "CrDescHints", d.hints), 3);
    o.home = std::max(0, ini.readInteger(kSection, "CrDescHome", o.home));
    d.resizeMap = InRange(ini.readInteger(kSection, "CrDescResize", d.resizeMap), 3);
    for (const CleanKey& k : kCleanKeys) d.clean.*k.flag = ini.readBool(kSection, k.key, d.clean.*k.flag);
    if (!ini.readString(kSection, MapKey(0)).empty()) {
        std::vector<std::string> order;
        for (int i = 0; i < 5; ++i) order.push_back(ini.readString(kSection, MapKey(i)));
        if (IsMapOrder(order)) d.mapOrder = std::move(order);
    }
}

bool WriteDescrOptions(const DescrWindowOptions& o) {
    TIniFile& ini = IniFile();
    return ini.update([&] {
        ini.writeBool(kSection, "CrDescSaveOpts", o.saveOptions);
        if (!o.saveOptions) return;
        const DescriptionOptions& d = o.descr;
        ini.writeBool(kSection, "CrDescKeepOld", d.keepOld);
        ini.writeBool(kSection, "CrDescLogs", d.logs);
        ini.writeString(kSection, "CrDescMaxLogs", d.maxLogs);
        ini.writeString(kSection, "CrDescTemplateFile", o.templateFile);
        ini.writeBool(kSection, "CrDescBoldLogs", d.boldLogs);
        ini.writeBool(kSection, "CrDescCacheimages", d.cacheImages);
        ini.writeInteger(kSection, "CrDescImageKind", d.imageKind);
        ini.writeInteger(kSection, "CrDescHints", d.hints);
        ini.writeInteger(kSection, "CrDescHome", o.home);
        ini.writeInteger(kSection, "CrDescResize", d.resizeMap);
        for (const CleanKey& k : kCleanKeys) ini.writeBool(kSection, k.key, d.clean.*k.flag);
        for (int i = 0; i < 5; ++i)
            ini.writeString(kSection, MapKey(i),
                            static_cast<std::size_t>(i) < d.mapOrder.size() ? d.mapOrder[static_cast<std::size_t>(i)]
                                                                            : std::string());
    });
}

// ---- which caches -------------------------------------------------------------------------

std::vector<std::string> CollectDescriptionWaypoints(
    const std::string& folder, const std::function<bool(std::string_view, TCacheRec&)>& findCache) {
    std::vector<std::string> codes;
    std::unordered_set<std::string> seen;
    TCacheRec rec;
    for (const std::string& name : ListFolder(folder, "GC*.html", EntryKind::Files)) {
        if (name.find('_') != std::string::npos) continue;
        std::string code = name.substr(0, name.find('.'));
        const bool known = findCache ? findCache(code, rec) : FindCacheByWaypoint(code, rec);
        if (known && seen.insert(UpperCaseAscii(code)).second) codes.push_back(std::move(code));
    }
    return codes;
}

Result<void> LoadWorkList(const std::string& workDir, std::vector<std::string>& codes) {
    codes.clear();
    const auto lines = ReadTextListChecked(WithTrailingSlash(workDir) + "WPList.txt");
    if (!lines) return lines.error();
    for (const std::string& line : *lines) {
        std::string code = TrimCtl(line);
        if (!code.empty()) codes.push_back(std::move(code));
    }
    return {};
}

std::string FolderCountText(std::size_t count) {
    return W("Das Ausgabeverzeichnis enthält ") + std::to_string(count) +
           (count == 1 ? " Cachebeschreibung." : " Cachebeschreibungen.");
}

std::string WorkListCountText(std::size_t count) {
    return W("Die Arbeitsliste enthält ") + std::to_string(count) + (count == 1 ? " Wegpunkt." : " Wegpunkte.");
}

std::string NoStoredPagesText() { return W("Das Ausgabeverzeichnis enthält keine Cachebeschreibungen."); }

std::string EmptyWorkListText() { return W("Die Arbeitsliste enthält keine Waypoints."); }

// ---- home and map order ---------------------------------------------------------------------

std::optional<DescriptionHome> DescriptionHomeFor(const TProcSettings& s, int item) {
    const std::size_t k = static_cast<std::size_t>(item);
    if (item <= 0 || k > s.AddHomeTxt.size() || k > s.AddHomeLat.size() || k > s.AddHomeLon.size())
        return DescriptionHome{"HOME", s.HomeLat, s.HomeLong};
    const auto lat = ParseFloat(s.AddHomeLat[k - 1], '.');
    const auto lon = ParseFloat(s.AddHomeLon[k - 1], '.');
    if (!lat || !lon) return std::nullopt;
    return DescriptionHome{s.AddHomeTxt[k - 1], *lat, *lon};
}

int MoveMapUp(std::vector<std::string>& order, int index) {
    if (index <= 0 || index >= static_cast<int>(order.size())) return index;
    std::swap(order[static_cast<std::size_t>(index)], order[static_cast<std::size_t>(index - 1)]);
    return index - 1;
}

int MoveMapDown(std::vector<std::string>& order, int index) {
    if (index < 0 || index + 1 >= static_cast<int>(order.size())) return index;
    std::swap(order[static_cast<std::size_t>(index)], order[static_cast<std::size_t>(index + 1)]);
    return index + 1;
}

// ---- the run ---------------------------------------------------------------------------------

std::string DescriptionEndText(int converted, int skipped) {
    return std::to_string(converted) + " Cachebeschreibungen konvertiert,\r\n" + std::to_string(skipped) +
           W(" Caches übersprungen.");
}

std::string RemovedContentWarning(std::string_view removedContent) {
    return W("Achtung! Aus folgender/folgenden Cachebeschreibung(en) wurden auf externen Webservern liegende "
             "Images bzw. Links auf externe Server entfernt. Bitte vor der Suche die Cachebeschreibungen "
             "durchlesen:\r\n\r\n") +
           std::string(removedContent);
}

DescriptionRunReport RunDescriptions(const DescriptionRunRequest& request, const DescriptionRunEvents& events) {
    DescriptionRunReport report;
    const std::string templateFile = request.templateFile.empty() ? ProcSettings.Template : request.templateFile;
    auto templateText = ReadDescriptionTemplate(templateFile);
    if (!templateText) {
        report.templateMissing = true;
        ShowSysError(templateText.error().code, ReadErrorText(templateFile));
        return report;
    }
    report.templateText = std::move(*templateText);
    if (report.templateText.empty()) {
        report.templateMissing = true;
        platform::messages().show(platform::MsgKind::Error, TemplateNotFoundText(templateFile));
        return report;
    }

    DescriptionRunParams p;
    p.waypoints = request.waypoints;
    p.templateText = report.templateText;
    p.options = request.options;
    p.home = DescriptionHomeFor(ProcSettings, request.homeItem);
    p.outDir = GetOutDir();
    p.workDir = GetWorkDir();
    p.htmlMaxWidth = ProcSettings.HTMLMaxWidth;
    p.findCache = request.findCache;
    DescriptionGenerator generator(std::move(p));
    if (events.progress) generator.setProgress(events.progress);
    if (events.started) events.started(generator);
    report.result = generator.run();
    if (events.finished) events.finished(report.result);

    const DescriptionRunResult& r = report.result;
    if (ProcSettings.ShowMessages && !request.timerRun)
        platform::messages().show(platform::MsgKind::Information, DescriptionEndText(r.converted, r.skipped));
    if (r.failed > 0) {
        // Shown in every run: the pages named are missing or out of date.
        constexpr int kListed = 20;
        std::string text;
        int listed = 0;
        for (const DescriptionCacheResult& c : r.caches) {
            if (c.outcome != DescriptionOutcome::Failed || listed++ >= kListed) continue;
            text += (text.empty() ? "" : "\r\n") + c.error;
        }
        if (r.failed > kListed) text += "\r\n(und " + std::to_string(r.failed - kListed) + " weitere)";
        platform::messages().show(platform::MsgKind::Error, text);
    }
    if (!r.removedContent.empty() && !request.timerRun)
        platform::messages().show(platform::MsgKind::Warning, RemovedContentWarning(r.removedContent));
    return report;
}

}  // namespace tv
