#pragma once
// "Buddies.txt" in the work folder: the user names of the user's buddies, one
// per line (CR LF on write; LF or CR LF read).
#include <string>
#include <vector>

#include "core/result.h"

namespace tv {

class BuddyList {
public:
    // GetWorkDir() + "Buddies.txt".
    static std::string Path();
    // The lines of the file as they are; a missing file gives none. One that
    // is there but cannot be read is the error (the system's cause and
    // "Fehler beim Lesen der Datei " + path), so that it is never saved over.
    static Result<std::vector<std::string>> load(const std::string& file);
    // Replaces the file (through a temporary file, so a failure keeps the old
    // one). The error carries the system's error number and
    // "Fehler beim Schreiben der Datei " + file.
    static Result<void> save(const std::string& file, const std::vector<std::string>& names);
};

}  // namespace tv
