#include "core/app_paths.h"

#include <cstdlib>
#include <filesystem>

namespace tv {

namespace {

std::string WithSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

std::string& Current() {
    static std::string dir;
    return dir;
}

}  // namespace

std::string ProgramDirFromEnvironment() {
    if (const char* home = std::getenv("TRAILVANE_HOME"); home && *home) return WithSlash(home);
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return WithSlash(std::string(xdg) + "/trailvane");
    const char* user = std::getenv("HOME");
    return WithSlash(std::string(user && *user ? user : ".") + "/.local/share/trailvane");
}

const std::string& ProgramDir() {
    if (Current().empty()) Current() = ProgramDirFromEnvironment();
    return Current();
}

void SetProgramDir(const std::string& dir) { Current() = WithSlash(dir); }

std::string GetTempDir() {
    std::error_code ec;
    std::string dir = std::filesystem::temp_directory_path(ec).string();
    if (ec || dir.empty()) dir = "/tmp";
    return WithSlash(dir);
}

}  // namespace tv
