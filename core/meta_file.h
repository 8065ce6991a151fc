#pragma once
// The picture list "<code>.meta" the listing loader stores beside a page:
// three lines per picture (its file, its title, its caption), each after a
// number and '#'. The offline page shows the pictures as this reading gives
// them, and the pictures it shows are the ones no written file may replace.
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// One picture of a stored listing page, from its ".meta" file.
struct TDescrImage {
    std::string FileName;     // path as recorded (may be a Windows path from another PC)
    std::string Caption;      // title, page HTML
    std::string Description;  // caption text, page HTML
    int Width = 0;            // pixels; 0 = not known
    int Height = 0;
    bool Used = false;  // only for the two-column pairing
};

inline constexpr int kMaxDescrImages = 100;

// Picture entries of the lines of a ".meta" file, three lines per picture
// while lines remain (a last group may lack its caption lines), everything up
// to the first '#' dropped, at most kMaxDescrImages; sizes 0.
std::vector<TDescrImage> ParseMetaLines(const std::vector<std::string>& lines);

// The file's bare name: everything up to the last '\' or '/' removed. The
// page shows a picture by this name in its own folder.
std::string BareFileName(std::string_view path);

}  // namespace tv
