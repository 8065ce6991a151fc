#pragma once
// The files the program keeps and reads in its work folder and its program
// folder, and the listing pages it stored. No file a user names for writing
// (an export, the database dump, a suitcase, a list of new codes, an index
// page) may replace one of them: every writer of such a name asks
// ProgramFileRefusal before it writes anything.
#include <optional>
#include <string>
#include <vector>

#include "core/result.h"

namespace tv {

// The files the program reads from its work folder and its program folder.
const std::vector<std::string>& ProgramFileNames();
// Whether `out` names a file the program reads from the work folder or the
// program folder (ProgramFileNames and every "*.xtp"), one of `inputs`, or a
// file the listing loader stored in the description folder or a folder below
// it (an existing page "<code>.html" of a code "GC...", its "<code>.meta", a
// picture that .meta lists as the offline page reads it), by any spelling of
// its name (letter case, "..", links, a link to a file not there yet, a
// second mount of a folder): writing onto it would destroy the data. Folders
// and files are known by what they are (device and inode), not by their
// paths: the real file behind a link in the description folder is a stored
// page too, and a link there named like one is judged by that name as well.
// Names are compared as they are on disk. A name that cannot be resolved (a
// loop of links, too many of them, one the system refuses) counts as one: it
// might name any of them.
bool IsProgramFile(const std::string& out, const std::string& workDir, const std::vector<std::string>& inputs);

// What the refused file was to become; it names the file in the message.
enum class TargetRole { Export, Suitcase, CodeList, IndexPage };

// The message when the file would replace a file of the program:
// "Die Datei " + path + " gehört zu den Daten des Programms und kann nicht als
// Exportdatei (Aktenkofferdatei, Wegpunktliste, Indexdatei) gewählt werden."
std::string ProgramFileText(const std::string& path, TargetRole role = TargetRole::Export);
// The message when the link `path` leads to `file`, a file of the program:
// "Die Datei " + path + " führt zu " + file + "; diese gehört zu den Daten des
// Programms und kann nicht als Exportdatei (...) gewählt werden."
std::string LinkedProgramFileText(const std::string& path, const std::string& file,
                                  TargetRole role = TargetRole::Export);
// The message when the name cannot be resolved:
// "Der Name " + path + " lässt sich nicht auflösen; die Datei kann nicht als
// Exportdatei (Aktenkofferdatei, Wegpunktliste, Indexdatei) gewählt werden."
std::string UnresolvableNameText(const std::string& path, TargetRole role = TargetRole::Export);

// The error code of a write refused because its target is a file of the program.
inline constexpr int kErrProgramFile = -100;

// The error a writer returns for `target` before it writes anything: code
// kErrProgramFile with UnresolvableNameText when the name cannot be resolved
// (a loop of links, too many of them), with ProgramFileText when
// IsProgramFile holds for it (the description template of the settings
// counts among the `inputs`), with LinkedProgramFileText when the name is a
// link and the file it leads to is the program's; the system's error number
// with WriteErrorText for a name the system refuses (too long, a folder that
// may not be searched, an empty name); nothing when the target may be written. A list of new codes
// may be the work folder's "WPnew.txt", the program's own list of them, when
// that is the file written.
std::optional<Error> ProgramFileRefusal(const std::string& target, const std::string& workDir, TargetRole role,
                                        std::vector<std::string> inputs = {});

// The text of a write that failed with `error`: a refused file of the
// program (kErrProgramFile) is told by its text alone, every other failure
// with the system's cause (FormatSysErrorText).
std::string WriteFailureText(const Error& error);
// The error box with WriteFailureText.
void ShowWriteFailure(const Error& error);

}  // namespace tv
