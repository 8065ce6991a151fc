#include "shell/buddy_list.h"

#include <cerrno>

#include "core/file_procs.h"
#include "core/proc_settings.h"

namespace tv {

std::string BuddyList::Path() { return GetWorkDir() + "Buddies.txt"; }

Result<std::vector<std::string>> BuddyList::load(const std::string& file) { return ReadTextListIfPresent(file); }

Result<void> BuddyList::save(const std::string& file, const std::vector<std::string>& names) {
    errno = 0;
    if (WriteTextList(file, names)) return {};
    const int code = errno != 0 ? errno : EIO;
    return Error{code, WriteErrorText(file)};
}

}  // namespace tv
