#pragma once
// Files for the fuzz targets whose code under test reads the disk: a
// temporary work folder of the process's own and the writing of the input.
#include <unistd.h>

#include <fstream>
#include <string>
#include <string_view>

namespace tvfuzz {

// Made on first use, with a trailing '/'.
inline const std::string& WorkDir() {
    static const std::string dir = [] {
        char tmpl[] = "/tmp/tv-fuzz-XXXXXX";
        const char* d = ::mkdtemp(tmpl);
        return std::string(d ? d : "/tmp") + "/";
    }();
    return dir;
}

inline void WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace tvfuzz
