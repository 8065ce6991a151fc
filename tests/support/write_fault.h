#pragma once
// Makes every atomic write to a file of the given name fail at one step, or
// at each of several, with an errno (ENOSPC: a full disk) while it lives.
#include <algorithm>
#include <cerrno>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "core/file_procs.h"

namespace tvtest {

class ScopedWriteFault {
public:
    explicit ScopedWriteFault(std::string fileName, tv::WriteStep step = tv::WriteStep::Write, int err = ENOSPC)
        : ScopedWriteFault(std::move(fileName), {step}, err) {}
    // Every one of `steps` fails.
    ScopedWriteFault(std::string fileName, std::initializer_list<tv::WriteStep> steps, int err) {
        std::vector<tv::WriteStep> failing(steps);
        tv::SetWriteFaultHook([=](const std::string& target, tv::WriteStep at) {
            const bool named = target.size() >= fileName.size() &&
                               target.compare(target.size() - fileName.size(), fileName.size(), fileName) == 0;
            return named && std::find(failing.begin(), failing.end(), at) != failing.end() ? err : 0;
        });
    }
    ~ScopedWriteFault() { tv::SetWriteFaultHook(nullptr); }
    ScopedWriteFault(const ScopedWriteFault&) = delete;
    ScopedWriteFault& operator=(const ScopedWriteFault&) = delete;
};

}  // namespace tvtest
