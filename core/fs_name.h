#pragma once
// The file-system edge. Paths inside the program are Windows-1252 like every
// other text it keeps (settings, lists, messages); names on a Linux disk are
// UTF-8. Every open, listing, creation, rename and removal converts here, so
// "C:/Jürgen"-style folders work and show as they are named.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tv {

// The on-disk path of a program path.
std::filesystem::path FsPath(std::string_view programPath);
// The same as bytes, for C interfaces (open, fopen).
std::string FsName(std::string_view programPath);

// The program path of an on-disk name; nothing when the name holds a
// character Windows-1252 lacks (or bytes that are not UTF-8).
std::optional<std::string> ProgramPath(const std::filesystem::path& fsPath);
// ProgramPath, or a readable stand-in ('?' for what cannot be shown) for messages.
std::string ProgramPathForDisplay(const std::filesystem::path& fsPath);


}  // namespace tv
