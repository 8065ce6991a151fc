#pragma once
// Entries of the result picker: name + " (" + waypoint code + ")".
#include <string>
#include <string_view>

namespace tv {

// The picker entry for a cache.
std::string PickerEntry(std::string_view name, std::string_view code);

// The waypoint code of a picker entry: the text between the last "(" and the
// final character. An entry without "(" gives all but its last character; an
// empty entry gives "".
std::string ExtractWaypoint(std::string_view entry);

}  // namespace tv
