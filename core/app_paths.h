#pragma once
// The program folder ("beside the program": tq.conf, CacheDB.conf, debug.log,
// templates). It is $TRAILVANE_HOME, else $XDG_DATA_HOME/trailvane, else
// ~/.local/share/trailvane. Tests set it to a temporary folder.
#include <string>

namespace tv {

// The program folder with a trailing '/'. Resolved from the environment on
// first use unless SetProgramDir was called.
const std::string& ProgramDir();
// Overrides the program folder (a trailing '/' is added when missing).
void SetProgramDir(const std::string& dir);
// Resolves the folder from the environment as the program does at start.
std::string ProgramDirFromEnvironment();

// The folder for temporary files, with a trailing '/'.
std::string GetTempDir();

}  // namespace tv
