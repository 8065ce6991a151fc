#include "shell/result_picker.h"

namespace tv {

std::string PickerEntry(std::string_view name, std::string_view code) {
    std::string s(name);
    s += " (";
    s += code;
    s += ')';
    return s;
}

std::string ExtractWaypoint(std::string_view entry) {
    if (entry.empty()) return {};
    entry.remove_suffix(1);
    // Dropping leading characters while a "(" remains ends right after the last one.
    const auto open = entry.rfind('(');
    if (open != std::string_view::npos) entry.remove_prefix(open + 1);
    return std::string(entry);
}

}  // namespace tv
