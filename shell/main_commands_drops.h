#pragma once
// Files dropped on the main window: GPX files go to the GPX import, files
// whose name ends in "WPTS.GPX" to the additional-waypoint import, and a ZIP
// archive is unpacked (its GPX entries only) into a fresh temporary folder
// whose files are then imported like dropped ones. Names are taken from the
// front of the queue; archive entries join at its end.
#include <functional>
#include <string>
#include <vector>

namespace tv {

enum class DropKind { AddWaypointsGpx, Gpx, Zip, Other };

// By the upper-cased name: "...WPTS.GPX", "....GPX", "....ZIP" that is a ZIP
// archive (IsZipFile), anything else.
DropKind ClassifyDrop(const std::string& path);

struct DropHandlers {
    // Each gets one file name; an empty handler leaves its kind of file alone
    // (and archives are not unpacked without a GPX import).
    std::function<void(const std::string& file)> importGpx;
    std::function<void(const std::string& file)> importAddWaypoints;
};

// Processes the dropped files in order. `tempRoot` receives one new folder per
// archive, removed again before the function returns. An archive that cannot
// be unpacked, or whose GPX entries were not all unpacked, is reported in the
// error box with the reasons; the entries that were unpacked are imported.
void ProcessDroppedFiles(const std::vector<std::string>& files, const DropHandlers& handlers,
                         const std::string& tempRoot);

// The GPX entries of an archive that are unpacked for import: upper-cased
// name holding ".GPX", matching "*.gpx", and a name that stays inside the
// target folder. Paths relative to the target folder.
std::vector<std::string> ZipGpxEntries(const std::string& archive, std::vector<std::string>* unsafe = nullptr);

}  // namespace tv
