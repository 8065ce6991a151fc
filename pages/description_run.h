#pragma once
// What the description window does around the page generator: which caches
// a run converts (the work list or every stored page of the description
// folder that the database knows), its options in the settings, the home of
// the distances, the run itself with its boxes at the end, and the texts the
// window shows.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/cache_rec.h"
#include "core/proc_settings.h"
#include "pages/description_generator.h"

namespace tv {

// The options of the window as the settings keep them ("CrDesc...",
// "CrMapOrder0".."CrMapOrder4" in section "Program").
struct DescrWindowOptions {
    bool saveOptions = true;   // cbSaveOptions  CrDescSaveOpts
    DescriptionOptions descr;  // the pages' options
    std::string templateFile;  // edTemplate     CrDescTemplateFile
    int home = 0;              // cbHome         CrDescHome

    friend bool operator==(const DescrWindowOptions& a, const DescrWindowOptions& b);
};

// Reads "CrDescSaveOpts" (missing: true) and, while it is on, the other keys,
// each keeping its value in `o` when missing. An empty template file becomes
// `templateSetting`. Items out of range fall back to their first item; the
// map order is taken only when "CrMapOrder0" is not empty and the five lines
// are the five map sources.
void ReadDescrOptions(DescrWindowOptions& o, const std::string& templateSetting);
// Writes "CrDescSaveOpts" and, while it is on, the other 24 keys, in one
// rewrite of tq.conf.
bool WriteDescrOptions(const DescrWindowOptions& o);

// ---- which caches -------------------------------------------------------------------

// The stored pages "GC*.html" of `folder` whose name holds no '_', each name
// cut at its first '.', kept when the database knows the code, each code once
// (ignoring case), in name order. The code keeps the file's letter case.
std::vector<std::string> CollectDescriptionWaypoints(
    const std::string& folder, const std::function<bool(std::string_view, TCacheRec&)>& findCache = {});
// The codes of "WPList.txt" in `workDir`: blanks and control characters
// around each line removed, empty lines left out. An error (and no codes)
// when the file cannot be read: ENOENT when it is missing, else the system's
// cause with ReadErrorText(path).
Result<void> LoadWorkList(const std::string& workDir, std::vector<std::string>& codes);

// "Das Ausgabeverzeichnis enthält n Cachebeschreibung(en)."
std::string FolderCountText(std::size_t count);
// "Die Arbeitsliste enthält n Wegpunkt(e)."
std::string WorkListCountText(std::size_t count);
std::string NoStoredPagesText();  // "Das Ausgabeverzeichnis enthält keine Cachebeschreibungen."
std::string EmptyWorkListText();  // "Die Arbeitsliste enthält keine Waypoints."

// ---- home and map order -------------------------------------------------------------------

// The home of item `item` of the home choice: 0 (and any item beyond the homes
// present) the settings' home named "HOME"; k the additional home k - 1 with
// its coordinates read with '.'; nothing when those are no numbers.
std::optional<DescriptionHome> DescriptionHomeFor(const TProcSettings& settings, int item);

// Exchange the line at `index` with the one above / below; return the index
// the moved line has now (`index` unchanged when it cannot move).
int MoveMapUp(std::vector<std::string>& order, int index);
int MoveMapDown(std::vector<std::string>& order, int index);

// ---- the run -------------------------------------------------------------------------------

struct DescriptionRunRequest {
    std::vector<std::string> waypoints;
    std::string templateFile;  // edTemplate; the setting Template when empty
    DescriptionOptions options;
    int homeItem = 0;
    // Started by the auto-start timer: no end box and no removed-content
    // warning (error boxes are still shown).
    bool timerRun = false;
    // Database look-up; FindCacheByWaypoint when empty.
    std::function<bool(std::string_view, TCacheRec&)> findCache;
};

struct DescriptionRunEvents {
    // The template was read and the run begins (the window's state 1).
    std::function<void(DescriptionGenerator& generator)> started;
    // Before each cache, cancelled ones too.
    std::function<void(const DescriptionProgress& progress)> progress;
    // After the last cache, before the boxes.
    std::function<void(const DescriptionRunResult& result)> finished;
};

struct DescriptionRunReport {
    bool templateMissing = false;  // nothing was done
    std::string templateText;
    DescriptionRunResult result;
};

// Reads the template (an empty or missing one: error box with
// TemplateNotFoundText; one that cannot be read: the read error box with its
// cause; nothing written), converts the caches of the request
// into GetOutDir() with the support files of GetWorkDir(), then shows the end
// box (while ShowMessages is on), the error box for pages that could not be
// written and the removed-content warning.
DescriptionRunReport RunDescriptions(const DescriptionRunRequest& request, const DescriptionRunEvents& events);

// converted + " Cachebeschreibungen konvertiert," CR LF + skipped + " Caches übersprungen."
std::string DescriptionEndText(int converted, int skipped);
// The warning about pictures and links of other servers taken out.
std::string RemovedContentWarning(std::string_view removedContent);

}  // namespace tv
