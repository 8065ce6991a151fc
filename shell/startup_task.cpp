#include "shell/startup_task.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "core/cache_rec.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/proc_settings.h"
#include "core/settings_file.h"
#include "platform/text_encoding.h"
#include "shell/cachedb_commands.h"
#include "shell/settings_edit.h"

namespace tv {

namespace fs = std::filesystem;
using platform::MsgButtons;
using platform::MsgKind;
using platform::MsgResult;

bool MaintainerMode() {
    std::error_code ec;
    return fs::exists(FsPath(GetWorkDir() + "QUIRK"), ec);
}

std::optional<std::string> ProbeOutputFolder(const std::string& workDir) {
    const std::string folder = WithoutTrailingSlash(workDir) + "/ausgabe";
    std::error_code ec;
    fs::create_directory(FsPath(folder), ec);  // an existing folder is fine
    const std::string test = folder + "/testfile";
    {
        std::ofstream out(FsPath(test), std::ios::binary | std::ios::trunc);
        if (!out) return std::nullopt;
        const char record[4] = {0, 0, 0, 0};
        out.write(record, sizeof record);
        out.close();
        if (!out) {
            fs::remove(FsPath(test), ec);
            return std::nullopt;
        }
    }
    if (!fs::remove(FsPath(test), ec) || ec) return std::nullopt;
    return folder;
}

std::optional<int> DatabaseAgeToRemind(int interval, int todayDayCount, int fileDayCount) {
    if (interval < 1) return std::nullopt;
    if (static_cast<long long>(todayDayCount) < static_cast<long long>(fileDayCount) + interval) return std::nullopt;
    return todayDayCount - fileDayCount;
}

std::optional<int> GreetingYear(const platform::DateTime& today, int lastGreetedYear) {
    if (today.month != 12 || today.day < 18 || today.day > 30) return std::nullopt;
    if (today.year == lastGreetedYear) return std::nullopt;
    return today.year;
}

std::optional<int> FileDayCount(const std::string& path) {
    const auto t = FileModificationTime(path);
    if (!t) return std::nullopt;
    const auto days = DayCountFromDate(t->year, t->month, t->day);
    if (!days) return std::nullopt;
    return static_cast<int>(*days);
}

void StartupTask::Run() {
    if (done_) return;
    done_ = true;
    noDialog_ = true;
    Splash();
    FirstStart();
    Call(hooks_.applyShowHints);
    CheckDatabase();
    Greeting();
}

void StartupTask::Splash() {
    if (MaintainerMode()) return;
    Call(hooks_.hideErrortracker);
    Call(hooks_.showSplash);
}

void StartupTask::FirstStart() {
    if (ConfigExisted) return;
    noDialog_ = false;
    TProcSettings& s = ProcSettings;
    const std::string workDir = s.WorkDir.empty() ? GetWorkDir() : s.WorkDir;
    if (auto out = ProbeOutputFolder(workDir)) s.OutDir = *out;
    s.ShowMessages = true;
    s.ShowTooltips = true;
    s.SettingsConfirmed = false;
    platform::messages().show(
        MsgKind::Information,
        W("Dies ist der erste Programmstart des Trailvanes.\r\n\r\nIm nächsten Schritt wird deshalb zunächst der "
          "Dialog der Programmeinstellungen gezeigt. Bitte dort alle Einstellungen, vor allem Proxyserver (falls "
          "notwendig), Verzeichnisse, Home-Koordinaten sowie die Einstellungen zu den verwendeten "
          "Cache-Datenbanken überprüfen und gegebenenfalls ändern. Andernfalls ist ein fehlerfreies Arbeiten mit "
          "dem Programm nicht möglich!"),
        MsgButtons::Ok);
    if (!hooks_.settingsCommand) {
        DebugLog("First start without a settings dialog");
        return;
    }
    // OK in the settings dialog leaves this loop; when tq.conf cannot be
    // written the user runs on with the settings in memory or quits.
    for (;;) {
        NoteSettingsOutcome(SettingsOutcome::Cancelled);
        hooks_.settingsCommand();
        if (ProcSettings.SettingsConfirmed) break;
        if (LastSettingsOutcome() == SettingsOutcome::SaveFailed) {
            const MsgResult answer = platform::messages().show(
                MsgKind::Confirmation,
                W("Die Einstellungen konnten nicht gespeichert werden.\r\n\r\nJa: mit diesen Einstellungen "
                  "weiterarbeiten; sie gelten nur bis zum Programmende.\r\nNein: das Programm beenden."),
                MsgButtons::YesNo);
            if (answer == MsgResult::Yes) {
                if (hooks_.showStatus)
                    hooks_.showStatus(W("Einstellungen nicht gespeichert: sie gelten nur bis zum Programmende"));
            } else {
                Call(hooks_.quit);
            }
            return;
        }
        platform::messages().show(MsgKind::Warning,
                                  W("Bitte einmalig den Dialog der Programmeinstellungen mit \"OK\" bestätigen, "
                                    "damit die Einstellungen gespeichert werden!"),
                                  MsgButtons::Ok);
    }
}

void StartupTask::CheckDatabase() {
    const int interval = ProcSettings.DBAutoloadInterval;
    const std::string bin = GetWorkDir() + "Caches.bin";
    std::error_code ec;
    if (!fs::exists(FsPath(bin), ec)) {
        noDialog_ = false;
        if (ProcSettings.CacheDBUrl.empty()) {
            // Nothing to download from: say so instead of offering it.
            platform::messages().show(
                MsgKind::Information,
                W("Es wurde keine Cache-Datenbank gefunden. Die Cache-Datenbank ist Voraussetzung für das Arbeiten "
                  "mit diesem Programm.\r\n\r\n") +
                    NoCacheDBUrlText(),
                MsgButtons::Ok);
        } else if (hooks_.primaryDownload &&
                   platform::messages().show(
                MsgKind::Confirmation,
                W("Es wurde keine Cache-Datenbank gefunden. Die Cache-Datenbank ist Voraussetzung für das Arbeiten "
                  "mit diesem Programm.\r\nSoll die Cache-Datenbank jetzt aus dem Internet geladen werden? (Diese "
                  "Funktion kann auch jederzeit mit dem Befehl \"Cache-Datenbank / Primäre Cache-DB laden und konvertieren\" "
                  "oder mit der Tastenkombination <STRG>+<L> manuell gestartet werden.)"),
                MsgButtons::YesNo) == MsgResult::Yes)
            hooks_.primaryDownload();
        // The status bar (and with it the archive marks) is filled in every case.
        Call(hooks_.updateStatusBar);
        return;
    }
    if (hooks_.checkCacheDBVersion && !hooks_.checkCacheDBVersion()) {
        noDialog_ = false;
        Call(hooks_.updateStatusBar);
        return;
    }
    const std::optional<int> fileDay = FileDayCount(bin);
    Call(hooks_.updateStatusBar);
    if (!fileDay || !hooks_.primaryDownload) return;
    const platform::DateTime now = platform::clock().now();
    const auto today = DayCountFromDate(now.year, now.month, now.day);
    if (!today) return;
    const std::optional<int> age = DatabaseAgeToRemind(interval, static_cast<int>(*today), *fileDay);
    if (!age) return;
    const std::string text =
        "Alter der Cache-Datenbank: " + std::to_string(*age) + " Tage.\r\n" +
        "Laut den Grundeinstellungen sollte die Cache-Datenbank neu geladen werden. Soll dies jetzt geschehen?\r\n" +
        "(Diese Erinnerungsmeldung kann in den Grundeinstellungen unter \"Cache-Datenbank\" abgeschaltet werden, "
        "indem \"Update-Erinnerung nach\" auf \"nie erinnern\" gesetzt wird.)";
    if (platform::messages().show(MsgKind::Confirmation, text, MsgButtons::YesNo) == MsgResult::Yes) {
        hooks_.primaryDownload();
        Call(hooks_.updateStatusBar);
    }
}

void StartupTask::Greeting() {
    if (!noDialog_) return;
    const std::optional<int> year = GreetingYear(platform::clock().now(), ProcSettings.LXM);
    if (!year) return;
    // Stored before the window shows, so the greeting comes once a year.
    ProcSettings.LXM = *year;
    SaveProcSettings(false);
    Call(hooks_.showGreeting);
}

}  // namespace tv
