#pragma once
// The program started on a test's own program folder as at a real start
// (folder prepared, tq.conf opened, CacheDB.conf read), and the process-wide
// state a test may change put back afterwards: program folder, settings
// record, cache index, archive marks, debug switch, INI failure hook.
#include <string>

namespace tvtest {

class StartedProgram {
public:
    explicit StartedProgram(const std::string& programDir);
    ~StartedProgram();
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

private:
    std::string previousDir_;
};

}  // namespace tvtest
