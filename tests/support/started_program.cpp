#include "support/started_program.h"

#include "core/app_paths.h"
#include "core/cache_db.h"
#include "core/debug_log.h"
#include "core/ini_file.h"
#include "core/proc_settings.h"
#include "shell/startup.h"

namespace tvtest {

StartedProgram::StartedProgram(const std::string& programDir) : previousDir_(tv::ProgramDir()) {
    tv::SetProgramDir(programDir);
    tv::ProcSettings = tv::TProcSettings{};
    tv::StartProgram();
}

StartedProgram::~StartedProgram() {
    tv::CacheIndexList.Clear();
    tv::CacheIndexList.SetDir({});
    tv::ArchiveList.Clear();
    tv::DebugMode = false;
    tv::ProcSettings = tv::TProcSettings{};
    tv::SetIniWriteFailureHandler(nullptr);
    tv::SetProgramDir(previousDir_);
}

}  // namespace tvtest
