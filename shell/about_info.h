#pragma once
// The version line of the About box. The maintainer's marker file "QUIRK" in
// the work folder may name another version and date in its first two lines.
#include <optional>
#include <string>
#include <string_view>

namespace tv {

// "Version " + the program's version + " vom " + its build date
// ("Version V0.1.0 vom 07.12.2026").
std::string DefaultAboutVersionText();
// "Version " + line 1 + " vom " + line 2 when the contents have two non-empty
// first lines (CR LF or LF), else the default text. No contents (the file
// could not be read) gives the default as well.
std::string AboutVersionText(const std::optional<std::string>& quirkContents);
// Reads workDir + "QUIRK" and applies AboutVersionText.
std::string ReadAboutVersionText(const std::string& workDir);

}  // namespace tv
