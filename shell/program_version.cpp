#include "shell/program_version.h"

namespace tv {

// Both come from the top CMakeLists.txt: the version of project() and the
// release date written beside it.
constinit const std::string_view kProgramVersion = TV_PROGRAM_VERSION;
constinit const std::string_view kProgramDate = TV_PROGRAM_DATE;

}  // namespace tv
