#include "shell/program_version.h"

// Written into the build folder by cmake/ProgramVersion.cmake.
#include "program_build.h"

namespace tv {

constinit const std::string_view kProgramVersion = TV_PROGRAM_VERSION;
constinit const std::string_view kProgramDate = TV_PROGRAM_DATE;

}  // namespace tv
