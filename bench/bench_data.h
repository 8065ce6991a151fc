#pragma once
// Shared by the benchmarks: waypoint codes spread like the site's and a
// temporary work folder.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
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

// Memory of the process from /proc/self/status, in MB: "VmHWM" (the peak
// resident set) or "VmRSS" (the resident set now).
inline double StatusMb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return std::strtod(line.c_str() + key.size(), nullptr) / 1024.0;
    return 0;
}
inline double PeakRssMb() { return StatusMb("VmHWM"); }
inline double RssMb() { return StatusMb("VmRSS"); }
// Starts a new peak at the resident set of now.
inline void ResetPeakRss() {
    if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
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
