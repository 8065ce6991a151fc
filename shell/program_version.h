#pragma once
// The program's own version and release date, shown in the About box, the
// debug log and compared by the update check.
#include <string_view>

namespace tv {

inline constexpr std::string_view kProgramVersion = "V5.2.0";
inline constexpr std::string_view kProgramDate = "28.11.2007";

}  // namespace tv
