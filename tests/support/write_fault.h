#pragma once
// Makes every atomic write to a file of the given name fail at one step with
// an errno (ENOSPC: a full disk) while it lives.
#include <cerrno>
#include <string>

#include "core/file_procs.h"

namespace tvtest {

class ScopedWriteFault {
public:
    explicit ScopedWriteFault(std::string fileName, tv::WriteStep step = tv::WriteStep::Write, int err = ENOSPC) {
        tv::SetWriteFaultHook([=](const std::string& target, tv::WriteStep at) {
            const bool named = target.size() >= fileName.size() &&
                               target.compare(target.size() - fileName.size(), fileName.size(), fileName) == 0;
            return named && at == step ? err : 0;
        });
    }
    ~ScopedWriteFault() { tv::SetWriteFaultHook(nullptr); }
    ScopedWriteFault(const ScopedWriteFault&) = delete;
    ScopedWriteFault& operator=(const ScopedWriteFault&) = delete;
};

}  // namespace tvtest
