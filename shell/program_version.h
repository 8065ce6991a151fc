#pragma once
// The program's own version and release date, shown in the About box, the
// debug log and compared by the update check. The version is the project's
// ("V" + the version of project() in CMakeLists.txt), the date the release
// date written beside it there, as "dd.mm.yyyy": every build of one version
// tells the same.
#include <string_view>

namespace tv {

extern const std::string_view kProgramVersion;  // "V0.1.0"
extern const std::string_view kProgramDate;     // "07.12.2026"

}  // namespace tv
