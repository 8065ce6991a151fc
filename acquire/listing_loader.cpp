#include "acquire/listing_loader.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "acquire/map_pictures.h"
#include "acquire/picture_size.h"
#include "acquire/span_parser.h"
#include "core/cache_db.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/number_format.h"
#include "core/proc_settings.h"
#include "core/settings_file.h"
#include "core/str_util.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

// Digits of an age text, at most 4; the number they form, or 1 when none.
int AgeNumber(const std::string& text) {
    int v = 0;
    bool any = false;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        v = v * 10 + (c - '0');
        any = true;
    }
    return any ? v : 1;
}

std::string OnlyDigits(std::string_view text, std::size_t max) {
    std::string out;
    for (char c : text)
        if (c >= '0' && c <= '9' && out.size() < max) out += c;
    return out;
}

constexpr std::string_view kSection = "Program";

}  // namespace

// ---- Options ------------------------------------------------------------------------

void ReadLoaderOptions(LoaderOptions& o) {
    TIniFile& ini = IniFile();
    o.saveOptions = ini.readBool(kSection, "LoadSaveOpts", o.saveOptions);
    if (o.saveOptions) {
        o.loadMap = ini.readBool(kSection, "LoadLoadMap", o.loadMap);
        o.mapKind = std::clamp(ini.readInteger(kSection, "LoadMapKind", o.mapKind), 0, kMapServiceCount - 1);
        for (int k = 0; k < 4; ++k)
            o.zoom[static_cast<std::size_t>(k)] =
                ini.readInteger(kSection, "LoadMapZoom" + IntText(k), o.zoom[static_cast<std::size_t>(k)]);
        o.loadImages = ini.readBool(kSection, "LoadImages", o.loadImages);
        o.remoteImages = ini.readBool(kSection, "LoadRemoteImages", o.remoteImages);
        int ow = ini.readInteger(kSection, "LoadOverwrite", o.overwrite);
        o.overwrite = ow < 0 || ow > 2 ? 0 : ow;
        if (ini.valueExists(kSection, "LoadOverwriteAge"))
            o.age = OnlyDigits(ini.readString(kSection, "LoadOverwriteAge"), 4);
        o.excludeFinds = ini.readBool(kSection, "LoadNoExclude", o.excludeFinds);
        o.excludeArchived = ini.readBool(kSection, "LoadNoArchived", o.excludeArchived);
    }
    o.mapSize = std::clamp(ini.readInteger(kSection, "LoadMapSize", o.mapSize), 0, 2);
}

void WriteLoaderOptions(const LoaderOptions& o) {
    TIniFile& ini = IniFile();
    ini.update([&] {
        ini.writeBool(kSection, "LoadSaveOpts", o.saveOptions);
        if (!o.saveOptions) return;
        ini.writeBool(kSection, "LoadLoadMap", o.loadMap);
        ini.writeInteger(kSection, "LoadMapKind", o.mapKind);
        for (int k = 0; k < 4; ++k)
            ini.writeInteger(kSection, "LoadMapZoom" + IntText(k), o.zoom[static_cast<std::size_t>(k)]);
        ini.writeBool(kSection, "LoadImages", o.loadImages);
        ini.writeBool(kSection, "LoadRemoteImages", o.remoteImages);
        ini.writeInteger(kSection, "LoadOverwrite", o.overwrite);
        ini.writeString(kSection, "LoadOverwriteAge", o.age);
        ini.writeBool(kSection, "LoadNoExclude", o.excludeFinds);
        ini.writeBool(kSection, "LoadNoArchived", o.excludeArchived);
        ini.writeInteger(kSection, "LoadMapSize", o.mapSize);
    });
}

// ---- Helpers ------------------------------------------------------------------------

std::string ListingPageUrl(const ListingSite& site, const std::string& wp) {
    return site.DetailsUrl(UrlEncode(wp)) + "&Submit6=Find&log=y";
}

Result<std::vector<std::string>> ReadWorkList(const std::string& workDir) {
    auto lines = ReadTextListIfPresent(WithTrailingSlash(workDir) + "WPList.txt");
    if (!lines) return lines.error();
    std::vector<std::string> out;
    for (auto& line : *lines) {
        std::string t = TrimCtl(line);
        if (!t.empty()) out.push_back(std::move(t));
    }
    return out;
}

CodeSet ArchiveCodes(const std::vector<std::string>& lines) {
    CodeSet set;
    for (const auto& line : lines) {
        auto semi = line.find(';');
        std::string code = TrimCtl(semi == std::string::npos ? std::string_view(line)
                                                             : std::string_view(line).substr(semi + 1));
        if (!code.empty()) set.insert(UpperCaseAscii(code));
    }
    return set;
}

std::optional<int> FileAgeDays(const std::string& path, const platform::DateTime& today) {
    const auto file = FileModificationTime(path);
    if (!file) return std::nullopt;
    const auto fileDay = DayCountFromDate(file->year, file->month, file->day);
    const auto todayDay = DayCountFromDate(today.year, today.month, today.day);
    if (!fileDay || !todayDay) return std::nullopt;
    return static_cast<int>(*todayDay - *fileDay);
}

std::string ClockText(const platform::DateTime& t) {
    return TwoDigits(t.hour) + "." + TwoDigits(t.minute) + "." + TwoDigits(t.second);
}

std::string MetaLine(int n, std::string_view value) {
    std::string out = IntText(n) + "#";
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '\r') {
            if (i + 1 < value.size() && value[i + 1] == '\n') ++i;
            out += ' ';
        } else if (static_cast<unsigned char>(c) < 0x20 || c == '\x7F') {
            // Line breaks would shift every later line of the file; other
            // control bytes have no place in a name or a caption.
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

std::string ShortenMiddle(std::string text, int maxWidth, const std::function<int(const std::string&)>& measure) {
    if (measure) {
        while (text.size() >= 2 && measure(text) > maxWidth) text.erase(text.size() / 2 - 1, 2);
    }
    text.insert(text.size() / 2, "...");
    return text;
}

// ---- Engine ---------------------------------------------------------------------------

ListingLoader::ListingLoader() {
    http_.setProgress([this](std::int64_t received, std::int64_t total) {
        if (events_.bytes) events_.bytes(received, total);
        return true;
    });
}

void ListingLoader::setEvents(LoaderEvents events) { events_ = std::move(events); }

void ListingLoader::beginShow() {
    mapSessionId_.clear();
    errorFlag_ = false;
    abort_ = false;
    current_.clear();
}

void ListingLoader::protocol(const std::string& line) {
    if (events_.protocol) events_.protocol(line);
}

void ListingLoader::subtask(const std::string& text) {
    if (events_.subtask) events_.subtask(text);
}

void ListingLoader::counters(const LoaderCounters& c) {
    if (events_.counters) events_.counters(c);
}

void ListingLoader::initializeHTTP() {
    DebugLog("INF: frmLoadHTML.initializeHTTP: startproc");
    const ProxyConfig pc = ProxyFromSettings();
    if (pc.use) {
        ProxyAddress a = ParseProxyServer(pc.server);
        DebugLog("INF: frmLoadHTML.initializeHTTP: proxy required: " + a.host + ", Port:" + IntText(a.port));
    } else {
        DebugLog("INF: frmLoadHTML.initializeHTTP: no proxy required");
    }
    http_.setProxy(pc);
}

bool ListingLoader::getCacheToFile(const std::string& wp, const std::string& outDir) {
    initializeHTTP();
    subtask("Cachebeschreibung zu " + wp);
    const std::string url = ListingPageUrl(site_, wp);
    DebugLog("INF: frmLoadHTML.getCacheToFile: getting Src=" + url);
    auto answer = http_.getText(url);
    bool ok = false;
    if (!answer) {
        DebugLog("ERR: frmLoadHTML.getCacheToFile: exception on idHTTP.get: " + answer.error().message);
    } else if (answer->empty()) {
        // An empty answer is no page: keep what is stored and report it.
        DebugLog("ERR: frmLoadHTML.getCacheToFile: empty answer");
    } else {
        const std::string path = WithTrailingSlash(outDir) + wp + ".html";
        DebugLog("INF: frmLoadHTML.getCacheToFile: saving: " + path);
        ok = SaveTextToFile(*answer, path);
        if (ok)
            DebugLog("INF: frmLoadHTML.getCacheToFile: done successfully");
        else
            DebugLog("ERR: frmLoadHTML.getCacheToFile: cannot write " + path);
    }
    if (!ok) errorFlag_ = true;
    subtask("");
    return ok;
}

bool ListingLoader::getBinaryToFile(const std::string& url, const std::string& dest, bool quiet,
                                    std::int64_t maxBytes) {
    if (!quiet) {
        if (events_.singleDownload) events_.singleDownload(true);
        if (events_.clearProtocol) events_.clearProtocol();
        protocol("Ladevorgang gestartet um " + ClockText(platform::clock().now()));
    }
    initializeHTTP();
    std::string label = "Binary: " + dest;
    subtask(events_.measure ? ShortenMiddle(label, events_.subtaskWidth - 40, events_.measure) : label);
    auto r = http_.getToFile(url, dest, maxBytes);
    if (!r && runFailures_ != nullptr) {
        // An unattended run goes on without a box; the protocol and the
        // result tell what is missing.
        DebugLog("ERR: frmLoadHTML.getBinaryToFile: exception in idHTTP.get: " + r.error().message);
        ++*runFailures_;
        protocol(W("Bild nicht geladen: ") + url + " (" + r.error().message + ")");
    } else if (!r) {
        DebugLog("ERR: frmLoadHTML.getBinaryToFile: exception in idHTTP.get: " + r.error().message);
        platform::messages().show(platform::MsgKind::Error, DownloadFailedText(url, dest, r.error()));
    }
    if (!quiet) protocol("Ladevorgang beendet um " + ClockText(platform::clock().now()));
    subtask("");
    if (!quiet && events_.singleDownload) events_.singleDownload(false);
    if (r) {
        DebugLog("INF: frmLoadHTML.getBinaryToFile: Src=" + url + ", Dest=" + dest);
        DebugLog("INF: frmLoadHTML.getBinaryToFile: done loading from internet successfully");
    }
    return r.ok();
}

void ListingLoader::getCacheMapToFile(const std::string& wp, int kind, const LoaderOptions& options,
                                      const std::string& workDir, const std::string& outDir) {
    MapFetchContext ctx;
    ctx.fetch = [this](const std::string& url, const std::string& dest) {
        return getBinaryToFile(url, dest, true, kMaxPictureBytes);
    };
    ctx.protocol = [this](const std::string& line) { protocol(line); };
    ctx.subtask = [this](const std::string& text) { subtask(text); };
    ctx.workDir = WithTrailingSlash(workDir);
    ctx.outDir = WithTrailingSlash(outDir);
    ctx.sessionId = &mapSessionId_;
    if (kind >= 0 && kind < kMapServiceCount) ctx.zoomStep = ClampMapZoom(kind, options.zoom[static_cast<std::size_t>(kind)]);
    ctx.sizeIndex = options.mapSize;
    tv::getCacheMapToFile(wp, kind, ctx);
}

bool ListingLoader::fetchPicture(const std::string& url, const std::string& wp, int n, const std::string& outDir,
                                 std::string& path) {
    // The extension is the URL's last three characters when they are letters
    // or digits; anything else ("?x=", "/..") could not be part of a safe name.
    std::string ext = url.size() >= 3 ? url.substr(url.size() - 3) : std::string();
    bool plain = ext.size() == 3 && IsAsciiAlnum(ext[0]) && IsAsciiAlnum(ext[1]) && IsAsciiAlnum(ext[2]);
    const std::string stem = WithTrailingSlash(outDir) + wp + "_i" + IntText(n) + ".";
    path = stem + (plain ? ext : "img");
    bool ok = getBinaryToFile(url, path, true, kMaxPictureBytes);
    if (ok && !plain) {
        auto head = ReadWholeFile(path);
        std::string kindExt = head ? PictureExtension(DetectPictureKind(*head)) : "";
        if (!kindExt.empty()) {
            std::error_code ec;
            std::filesystem::rename(FsPath(path), FsPath(stem + kindExt), ec);
            if (!ec) path = stem + kindExt;
        }
    }
    return ok;
}

int ListingLoader::loadPictures(const std::string& wp, bool remoteImages, const std::string& outDir) {
    const std::string dir = WithTrailingSlash(outDir);
    auto page = ReadWholeFile(dir + wp + ".html");
    if (!page) return 0;

    // Body only (the whole page when it has no <BODY line), without scripts.
    std::vector<std::string> lines = SplitTextLines(*page);
    std::size_t first = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (FastPosNoCase(lines[i], "<BODY", 1) > 0) {
            first = i;
            break;
        }
    }
    std::string body;
    for (std::size_t i = first; i < lines.size(); ++i) {
        if (i > first) body += "\r\n";
        body += lines[i];
    }
    RemoveAllBetween(body, "<script", "</script>");

    // The IMAGES section first, then the foreign pictures of the long
    // description, so that those can be checked against what is recorded.
    std::vector<std::string> imageSections, longDescriptions;
    SpanReader reader(std::move(body));
    std::string id, text;
    while (reader.Next(id, text)) {
        if (!ParseCacheSection(id, text, site_)) continue;
        std::string upper = UpperCaseAscii(id);
        if (upper == "IMAGES")
            imageSections.push_back(text);
        else if (upper == "LONGDESCRIPTION")
            longDescriptions.push_back(text);
    }

    const std::string& pictureHost = site_.pictureHost;
    std::vector<std::string> meta;
    int n = 0;
    for (auto& section : imageSections) {
        ImageLinkReader links(section, pictureHost);
        std::string url, title, caption;
        while (links.Next(url, title, caption)) {
            if (url.empty()) continue;
            protocol(W("lade zugehöriges Bild #") + IntText(n + 1) + ": " + title);
            std::string path;
            fetchPicture(url, wp, n + 1, dir, path);
            ++n;
            meta.push_back(MetaLine(n, path));
            meta.push_back(MetaLine(n, title));
            meta.push_back(MetaLine(n, caption));
        }
    }

    if (remoteImages) {
        const std::string hostPrefix = UpperCaseAscii("http://" + pictureHost + "/");
        for (auto& section : longDescriptions) {
            std::string element;
            while (CutBetween(section, element, "<IMG", ">")) {
                int src = FastPosNoCase(element, "SRC=", 1);
                if (src <= 0) continue;
                std::string cand = element.substr(static_cast<std::size_t>(src) + 3);
                std::size_t lead = 0;
                while (lead < cand.size() && (static_cast<unsigned char>(cand[lead]) <= 32 || cand[lead] == '"' ||
                                              cand[lead] == '\''))
                    ++lead;
                cand.erase(0, lead);
                while (cand.find_first_of(" \"'") != std::string::npos) cand.pop_back();
                // The element's closing '>' was cut with it.
                if (!cand.empty() && cand.back() == '>') cand.pop_back();
                std::string upper = UpperCaseAscii(cand);
                if (cand.rfind("..", 0) == 0 || upper.rfind("HTTP://", 0) != 0) continue;
                if (upper.find(".JPG") == std::string::npos && upper.find(".GIF") == std::string::npos &&
                    upper.find(".PNG") == std::string::npos)
                    continue;
                bool known = false;
                for (const auto& line : meta)
                    if (UpperCaseAscii(line).find(upper) != std::string::npos) known = true;
                if (known || upper.rfind(hostPrefix, 0) == 0 || upper == hostPrefix.substr(0, hostPrefix.size() - 1) ||
                    upper.find("/IMAGES/ATTRIBUTES/") != std::string::npos)
                    continue;
                protocol("lade Fremdserver-Bild #" + IntText(n + 1) + ": " + cand);
                std::string path;
                fetchPicture(cand, wp, n + 1, dir, path);
                ++n;
                meta.push_back(MetaLine(n, path));
                meta.push_back(MetaLine(n, cand));
                meta.push_back(MetaLine(n, ""));
            }
        }
    }

    if (!meta.empty() && !WriteTextList(dir + wp + ".meta", meta))
        protocol(WriteErrorText(dir + wp + ".meta"));
    return n;
}

LoaderRunResult ListingLoader::run(const LoaderRunParams& p) {
    LoaderRunResult result;
    LoaderCounters& c = result.counters;
    const LoaderOptions& o = p.options;
    site_ = p.site;
    const std::string workDir = WithTrailingSlash(p.workDir);
    const std::string outDir = WithTrailingSlash(p.outDir);
    const platform::DateTime started = platform::clock().now();
    const int count = static_cast<int>(p.workList.size());

    if (events_.clearProtocol) events_.clearProtocol();
    protocol("Ladevorgang gestartet um " + ClockText(started));
    // Failed pictures and maps of an unattended run are counted, not boxed.
    struct FailureCount {
        int*& target;
        ~FailureCount() { target = nullptr; }
    } failureCount{runFailures_};
    if (p.unattended) runFailures_ = &result.failedPictures;
    if (events_.waypoint) events_.waypoint(0, count);

    const bool quirk = FindFileNoCase(workDir, "QUIRK").has_value();
    CodeSet finds, ignored, archived;
    if (!p.mapsOnly) {
        // An exclusion list that is there but cannot be read would let its
        // caches be loaded: the run stops before the first page instead.
        if (o.excludeFinds) {
            std::vector<std::string> codes;
            int error = 0;
            LoadFoundCodes(codes, workDir, &error);
            for (const auto& code : codes) finds.insert(UpperCaseAscii(TrimCtl(code)));
            if (error != 0) result.listError = Error{error, ReadErrorText(ResolveFileNoCase(workDir, "Finds.bin"))};
        }
        const auto readList = [&](bool wanted, const char* name) {
            if (!wanted || result.listError.code != 0) return std::vector<std::string>();
            auto lines = ReadTextListIfPresent(workDir + name);
            if (lines) return std::move(*lines);
            result.listError = lines.error();
            return std::vector<std::string>();
        };
        for (const auto& line : readList(o.excludeIgnored, "WPignore.txt"))
            ignored.insert(UpperCaseAscii(TrimCtl(line)));
        archived = ArchiveCodes(readList(o.excludeArchived, "WParchived.txt"));
        if (result.listError.code != 0) {
            protocol(result.listError.message);
            return result;
        }
    }
    counters(c);
    const int ageLimit = AgeNumber(o.age);

    for (int i = 0; i < count; ++i) {
        if (abort_) continue;
        if (!quirk && !p.mapsOnly && c.loaded >= kPageLimit) continue;
        const std::string& wp = p.workList[static_cast<std::size_t>(i)];
        current_ = wp;
        if (events_.waypoint) events_.waypoint(i + 1, count);

        // A code from a foreign list must not lead out of the description folder.
        if (!IsSafeWaypointCode(wp)) {
            protocol(W("überspringe ") + wp + W(" (ungültiger Waypoint)"));
            ++c.skipped;
            counters(c);
            continue;
        }
        std::string name = "?";
        TCacheRec rec;
        if (FindCacheByWaypoint(wp, rec)) {
            name = rec.Name.str();
            FixUtf8Chars(name);
            DecodeHtmlEntities(name);
        }

        bool load;
        auto age = FileAgeDays(outDir + wp + ".html", platform::clock().now());
        if (p.mapsOnly || o.overwrite == 1 || !age)
            load = true;
        else if (o.overwrite == 2)
            load = ageLimit < *age;
        else
            load = false;
        if (!load) {
            ++c.existing;
            protocol(W("überspringe ") + wp + " (bereits vorhanden)");
        }
        if (!p.mapsOnly) {
            const std::string key = UpperCaseAscii(wp);
            if (finds.count(key) != 0) {
                ++c.found;
                protocol(W("überspringe ") + wp + " (bereits gefunden)");
                load = false;
            }
            if (ignored.count(key) != 0) {
                ++c.ignored;
                protocol(W("überspringe ") + wp + " (in Ignore-Liste)");
                load = false;
            }
            if (archived.count(key) != 0) {
                ++c.archived;
                protocol(W("überspringe ") + wp + " (in Archivliste)");
                load = false;
            }
        }

        if (load) {
            if (events_.task) events_.task("Lade " + wp + " (" + IntText(i + 1) + " von " + IntText(count) + ")");
            protocol("Lade " + wp + " (" + name + ")");
            platform::pump().pump();
            bool ok;
            if (p.mapsOnly) {
                protocol(wp + ": Lade nur Landkarte!");
                ok = true;
            } else {
                ok = getCacheToFile(wp, outDir);
            }
            if (ok && o.loadImages && !p.mapsOnly) loadPictures(wp, o.remoteImages, outDir);
            if (ok && (o.loadMap || p.mapsOnly)) getCacheMapToFile(wp, o.mapKind, o, workDir, outDir);
            if (ok) {
                ++c.loaded;
            } else {
                ++c.errors;
                protocol("Fehler beim Laden von " + wp);
            }
        } else {
            ++c.skipped;
        }
        counters(c);
    }

    if (events_.task) events_.task("Ready");
    if (result.failedPictures > 0)
        protocol(IntText(result.failedPictures) + W(" Bilder oder Karten konnten nicht geladen werden."));
    protocol("Der Ladevorgang wurde abgeschlossen.");
    if (events_.waypoint) events_.waypoint(0, count);
    result.aborted = abort_;
    abort_ = false;
    protocol("Ladevorgang beendet um " + ClockText(platform::clock().now()));
    return result;
}

}  // namespace tv
