#pragma once
// The program's own version and build date, shown in the About box, the
// debug log and compared by the update check. The version is the project's
// ("V" + the version of project() in CMakeLists.txt), the date the day the
// program was built, as "dd.mm.yyyy" (UTC; SOURCE_DATE_EPOCH when set).
#include <string_view>

namespace tv {

extern const std::string_view kProgramVersion;  // "V0.1.0"
extern const std::string_view kProgramDate;     // "07.12.2026"

}  // namespace tv
