#pragma once
// The one-shot start-up task that runs shortly after the main window is first
// shown: splash, first-start set-up, cache-database check with the age
// reminder, and the seasonal greeting. Windows and commands of other parts are
// reached through hooks, so the task runs in tests without any window.
#include <functional>
#include <optional>
#include <string>

#include "platform/services.h"

namespace tv {

struct StartupHooks {
    // The About box as splash: closes itself after three seconds.
    std::function<void()> showSplash;
    // Hilfe / Errortracker is hidden outside maintainer mode.
    std::function<void()> hideErrortracker;
    // The settings command (Datei / Grundeinstellungen): shows the settings
    // dialog; OK sets ProcSettings.SettingsConfirmed. Without it the first
    // start cannot force the dialog and skips that step.
    std::function<void()> settingsCommand;
    std::function<void()> applyShowHints;
    // The validity check of Caches.bin (may offer to delete it); without it
    // the database counts as valid.
    std::function<bool()> checkCacheDBVersion;
    std::function<void()> updateStatusBar;
    // The primary cache-database download and conversion. Without it the
    // task asks nothing about a missing or old database.
    std::function<void()> primaryDownload;
    // The greeting window, shown modally.
    std::function<void()> showGreeting;
    // A lasting note in the main window's status bar.
    std::function<void(const std::string&)> showStatus;
    // Ends the program (the main window closes).
    std::function<void()> quit;
};

// GetWorkDir() + "QUIRK" exists.
bool MaintainerMode();

// Creates `workDir` + "/ausgabe" and writes and erases a four-byte test file
// in it. The folder (without a trailing '/') when all of this worked.
std::optional<std::string> ProbeOutputFolder(const std::string& workDir);

// The age in days to remind of, or nothing: no reminder while `interval` < 1
// or while today < file date + interval (whole days).
std::optional<int> DatabaseAgeToRemind(int interval, int todayDayCount, int fileDayCount);

// The year to greet in, or nothing: from 18 to 30 December of a year other
// than `lastGreetedYear`.
std::optional<int> GreetingYear(const platform::DateTime& today, int lastGreetedYear);

// The local date of the file's modification time as a day count; nothing
// when it cannot be read.
std::optional<int> FileDayCount(const std::string& path);

class StartupTask {
public:
    explicit StartupTask(StartupHooks hooks) : hooks_(std::move(hooks)) {}

    // Runs the whole task once; later calls do nothing.
    void Run();
    bool Done() const { return done_; }

    // The single steps; each keeps the no-dialog flag that decides on the
    // greeting (true until a step had to show a dialog).
    void Splash();
    void FirstStart();
    void CheckDatabase();
    void Greeting();
    bool NoDialog() const { return noDialog_; }

private:
    void Call(const std::function<void()>& f) const {
        if (f) f();
    }

    StartupHooks hooks_;
    bool done_ = false;
    bool noDialog_ = true;
};

}  // namespace tv
