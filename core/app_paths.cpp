#include "core/app_paths.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/file_procs.h"
#include "core/fs_name.h"
#include "platform/services.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

std::string& Current() {
    static std::string dir;
    return dir;
}

}  // namespace

std::string ProgramDirFromEnvironment() {
    // The environment names folders as they are on disk (UTF-8).
    auto fromEnv = [](const char* name) { return ProgramPathForDisplay(std::filesystem::path(name)); };
    if (const char* home = std::getenv("TRAILVANE_HOME"); home && *home) return WithTrailingSlash(fromEnv(home));
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        return WithTrailingSlash(fromEnv(xdg) + "/trailvane");
    const char* user = std::getenv("HOME");
    return WithTrailingSlash(fromEnv(user && *user ? user : ".") + "/.local/share/trailvane");
}

const std::string& ProgramDir() {
    if (Current().empty()) Current() = ProgramDirFromEnvironment();
    return Current();
}

void SetProgramDir(const std::string& dir) { Current() = WithTrailingSlash(dir); }

std::string ShippedDataDir() {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        fs::path beside = exe.parent_path() / "data";
        if (fs::is_directory(beside, ec)) return WithTrailingSlash(ProgramPathForDisplay(beside));
    }
#ifdef TV_SOURCE_DATA_DIR
    if (fs::is_directory(TV_SOURCE_DATA_DIR, ec)) return WithTrailingSlash(TV_SOURCE_DATA_DIR);
#endif
    return {};
}

Result<void> CopyShippedData(const std::string& fromDir, const std::string& toDir) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path from = FsPath(fromDir);
    if (fromDir.empty() || !fs::is_directory(from, ec)) return {};
    // A file that cannot be copied is told, and the others are copied all the
    // same: one failure must not leave a template or table missing.
    int firstCode = 0;
    std::string failures;
    auto failed = [&](int code, const std::string& text) {
        if (firstCode == 0) firstCode = code;
        failures += (failures.empty() ? "" : "\r\n") + text;
    };
    fs::recursive_directory_iterator it(from, fs::directory_options::skip_permission_denied, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const fs::path rel = it->path().lexically_relative(from);
        const fs::path target = FsPath(toDir) / rel;
        const std::string targetName = ProgramPathForDisplay(target);
        std::error_code e;
        if (it->is_directory(e)) {
            fs::create_directories(target, e);
        } else if (it->is_regular_file(e) && !fs::exists(target, e)) {
            fs::create_directories(target.parent_path(), e);
            if (!e) fs::copy_file(it->path(), target, fs::copy_options::skip_existing, e);
        } else if (rel == fs::path(kDocumentationFile)) {
            // The help page is the program's text, not the user's: the page of
            // an older version gives way to the one shipped with this one.
            const auto shipped = ReadWholeFile(ProgramPathForDisplay(it->path()));
            if (shipped && ReadWholeFile(targetName) != shipped) {
                AtomicFileWriter out(targetName);
                out.Write(*shipped);
                if (!out.Commit())
                    failed(out.error() != 0 ? out.error() : EIO, W("Fehler beim Kopieren nach ") + targetName);
            }
        }
        if (e) failed(e.value(), W("Fehler beim Kopieren nach ") + targetName + " (" + Utf8ToCp1252(e.message()) + ")");
    }
    if (ec) failed(ec.value(), W("Fehler beim Lesen des Verzeichnisses ") + fromDir);
    if (firstCode != 0) return Error{firstCode, failures};
    return {};
}

Result<void> PrepareProgramDir() {
    std::error_code ec;
    std::filesystem::create_directories(FsPath(ProgramDir()), ec);
    if (ec) return Error{ec.value(), W("Das Programmverzeichnis ") + ProgramDir() + W(" kann nicht angelegt werden (") +
                                       Utf8ToCp1252(ec.message()) + ")"};
    return CopyShippedData(ShippedDataDir(), ProgramDir());
}

std::string DocumentationPath() { return ProgramDir() + std::string(kDocumentationFile); }

std::string OpenDocumentation() {
    const std::string path = DocumentationPath();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(FsPath(path), ec))
        return W("Die Dokumentation wurde nicht gefunden:\r\n") + path +
               W("\r\n\r\nSie wird beim Programmstart aus dem Ordner \"data\" des Programms dorthin kopiert.");
    platform::shellOpen().open(path);
    return {};
}

std::string GetTempDir() {
    std::error_code ec;
    std::string dir = ProgramPathForDisplay(std::filesystem::temp_directory_path(ec));
    if (ec || dir.empty()) dir = "/tmp";
    return WithTrailingSlash(dir);
}

}  // namespace tv
