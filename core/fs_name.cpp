#include "core/fs_name.h"

#include <algorithm>

#include "platform/text_encoding.h"

namespace tv {

namespace {

bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::filesystem::path FsPath(std::string_view programPath) { return std::filesystem::path(FsName(programPath)); }

std::string FsName(std::string_view programPath) {
    if (IsAscii(programPath)) return std::string(programPath);
    return Cp1252ToUtf8(programPath);
}

std::optional<std::string> ProgramPath(const std::filesystem::path& fsPath) {
    const std::string& bytes = fsPath.native();
    if (IsAscii(bytes)) return bytes;
    return Utf8ToCp1252Exact(bytes);
}

std::string ProgramPathForDisplay(const std::filesystem::path& fsPath) {
    if (auto p = ProgramPath(fsPath)) return *p;
    return Utf8ToCp1252(fsPath.native());
}

}  // namespace tv
