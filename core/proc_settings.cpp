#include "core/proc_settings.h"

#include "core/app_paths.h"

namespace tv {

TProcSettings ProcSettings;

namespace {
std::string WithSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}
std::string WithoutSlash(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}
}  // namespace

std::string GetWorkDir() {
    return WithSlash(ProcSettings.WorkDir.empty() ? WithoutSlash(ProgramDir()) : ProcSettings.WorkDir);
}

std::string GetOutDir() { return WithSlash(ProcSettings.OutDir.empty() ? GetWorkDir() : ProcSettings.OutDir); }

}  // namespace tv
