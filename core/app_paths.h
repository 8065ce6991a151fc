#pragma once
// The program folder ("beside the program": tq.conf, CacheDB.conf, debug.log,
// templates). It is $TRAILVANE_HOME, else $XDG_DATA_HOME/trailvane, else
// ~/.local/share/trailvane. Tests set it to a temporary folder.
#include <string>
#include <string_view>

#include "core/result.h"

namespace tv {

// The program folder with a trailing '/'. Resolved from the environment on
// first use unless SetProgramDir was called.
const std::string& ProgramDir();
// Overrides the program folder (a trailing '/' is added when missing).
void SetProgramDir(const std::string& dir);
// Resolves the folder from the environment as the program does at start.
std::string ProgramDirFromEnvironment();

// The folder of the files the program ships: "data" beside the executable
// when present, else the source tree's data folder (TV_SOURCE_DATA_DIR).
// Ends in '/'; empty when neither exists.
std::string ShippedDataDir();
// Copies every file below `fromDir` into `toDir` (keeping sub-folders) that
// is missing there; existing files are never overwritten, but for the help
// page (kDocumentationFile), which is replaced when it differs.
Result<void> CopyShippedData(const std::string& fromDir, const std::string& toDir);
// Creates the program folder when missing and copies the shipped files into it.
Result<void> PrepareProgramDir();

// The German help page for users that "Online-Dokumentation", the About box
// and the loader's "Warum?" open: docs/Hilfe.md turned into HTML, copied from
// data/ into the program folder like the other files, so help needs no server.
inline constexpr std::string_view kDocumentationFile = "Dokumentation.html";
// ProgramDir() + kDocumentationFile.
std::string DocumentationPath();
// Opens the documentation page in the browser (the shell's "open"). Returns
// the error text for the box when the page is missing, else "".
std::string OpenDocumentation();

// The folder for temporary files, with a trailing '/'.
std::string GetTempDir();

}  // namespace tv
