#pragma once
// Shared by the benchmarks: waypoint codes spread like the site's and a
// temporary work folder.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "core/proc_settings.h"

namespace tvbench {

// Codes as the site hands them out: "GC" + 4 to 6 base-31 digits, scattered
// over the code space by a multiplicative hash of `i`.
inline std::string ScatteredWaypointCode(int i) {
    static const char kDigits[] = "0123456789ABCDEFGHJKMNPQRTVWXYZ";
    std::string s;
    unsigned v = static_cast<unsigned>(i) * 2654435761u % 90000000u + 0x10000u;
    while (v) {
        s.insert(s.begin(), kDigits[v % 31]);
        v /= 31;
    }
    return "GC" + s;
}

// A new folder "/tmp/tv-<name>-XXXXXX" that is the program's work folder
// while it lives; removed with its contents afterwards.
class WorkFolder {
public:
    explicit WorkFolder(const std::string& name) {
        std::string tmpl = "/tmp/tv-" + name + "-XXXXXX";
        if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
        path_ = tmpl;
        tv::ProcSettings.WorkDir = str();
    }
    ~WorkFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder with a trailing '/'.
    std::string str() const { return path_.string() + "/"; }

private:
    std::filesystem::path path_;
};

}  // namespace tvbench
