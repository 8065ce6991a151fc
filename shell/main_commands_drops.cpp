#include "shell/main_commands_drops.h"

#include <stdlib.h>

#include <deque>
#include <filesystem>
#include <set>

#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/unzip.h"
#include "platform/services.h"
#include "platform/text_encoding.h"

namespace tv {

namespace fs = std::filesystem;

namespace {

bool EndsWith(const std::string& text, std::string_view tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

constexpr const char* kGpxMask = "*.gpx";

// A new, empty folder below `root` (ends in '/'); empty when none can be made.
std::string MakeDropFolder(const std::string& root) {
    std::string pattern = FsName(WithTrailingSlash(root) + "trailvane-drop-XXXXXX");
    if (!::mkdtemp(pattern.data())) return {};
    return ProgramPathForDisplay(pattern) + "/";
}

struct Unpacked {
    std::vector<std::string> files;  // full paths, in archive order
    std::string problems;            // one line per entry not unpacked
    int code = 0;                    // negative: the run stopped
};

Unpacked UnpackGpx(const std::string& archive, const std::string& folder) {
    Unpacked out;
    std::vector<std::string> unsafe;
    const std::vector<std::string> wanted = ZipGpxEntries(archive, &unsafe);
    for (const std::string& name : unsafe) out.problems += name + ": " + ZipErrorText(kZipWriteError) + "\r\n";
    if (wanted.empty()) return out;

    std::set<std::string> failed;
    UnzipOptions options;
    options.report = [&](std::int64_t value, const TZipReport& r) {
        if (r.status != kZipReportEntryFailed) return;
        const std::string safe = ZipSafeEntryPath(r.name);
        if (safe.empty()) return;  // reported above
        failed.insert(safe);
        out.problems += r.name + ": " + ZipErrorText(static_cast<int>(value)) + "\r\n";
    };
    out.code = UnzipFiles(archive, folder, kGpxMask, options);
    if (out.code < 0) return out;
    for (const std::string& rel : wanted) {
        std::error_code ec;
        if (!failed.count(rel) && fs::is_regular_file(fs::symlink_status(FsPath(folder + rel), ec)))
            out.files.push_back(folder + rel);
    }
    return out;
}

}  // namespace

DropKind ClassifyDrop(const std::string& path) {
    const std::string upper = UpperShortStr(path);
    if (EndsWith(upper, "WPTS.GPX")) return DropKind::AddWaypointsGpx;
    if (EndsWith(upper, ".GPX")) return DropKind::Gpx;
    if (EndsWith(upper, ".ZIP") && IsZipFile(path)) return DropKind::Zip;
    return DropKind::Other;
}

std::vector<std::string> ZipGpxEntries(const std::string& archive, std::vector<std::string>* unsafe) {
    std::vector<std::string> out;
    std::set<std::string> seen;
    TZipCursor c;
    if (ZipFindFirst(archive, c) != 0) return out;
    do {
        if (UpperShortStr(c.name).find(".GPX") == std::string::npos || !MatchesMask(c.name, kGpxMask)) continue;
        const std::string safe = ZipSafeEntryPath(c.name);
        if (safe.empty()) {
            if (unsafe) unsafe->push_back(c.name);
            continue;
        }
        if (safe.back() == '/') continue;  // a folder entry is no file to import
        if (seen.insert(safe).second) out.push_back(safe);
    } while (ZipFindNext(c) == 0);
    ZipClose(c);
    return out;
}

void ProcessDroppedFiles(const std::vector<std::string>& files, const DropHandlers& handlers,
                         const std::string& tempRoot) {
    std::deque<std::string> queue(files.begin(), files.end());
    std::vector<std::string> folders;
    while (!queue.empty()) {
        const std::string file = queue.front();
        queue.pop_front();
        switch (ClassifyDrop(file)) {
            case DropKind::AddWaypointsGpx:
                if (handlers.importAddWaypoints) handlers.importAddWaypoints(file);
                break;
            case DropKind::Gpx:
                if (handlers.importGpx) handlers.importGpx(file);
                break;
            case DropKind::Zip: {
                if (!handlers.importGpx) break;
                const std::string folder = MakeDropFolder(tempRoot);
                Unpacked u;
                if (folder.empty()) {
                    u.code = kZipWriteError;
                } else {
                    folders.push_back(folder);
                    u = UnpackGpx(file, folder);
                }
                for (const std::string& f : u.files) queue.push_back(f);
                if (u.code < 0 || !u.problems.empty()) {
                    std::string text = W("Fehler beim Entpacken der Datei ") + file;
                    text += u.code < 0 ? ":\r\n" + ZipErrorText(u.code) : W(":\r\nNicht entpackt wurden:\r\n") + u.problems;
                    DebugLog(text);
                    platform::messages().show(platform::MsgKind::Error, text);
                }
                break;
            }
            case DropKind::Other: break;
        }
    }
    for (const std::string& folder : folders) {
        std::error_code ec;
        fs::remove_all(FsPath(folder), ec);
    }
}

}  // namespace tv
