#include "shell/startup.h"

#include <atomic>
#include <filesystem>
#include <string>

#include "acquire/national_db.h"
#include "core/app_paths.h"
#include "core/cachedb_table.h"
#include "core/debug_log.h"
#include "core/fs_name.h"
#include "core/file_procs.h"
#include "core/ini_file.h"
#include "core/settings_file.h"
#include "core/work_lock.h"
#include "exchange/suitcase_merge.h"
#include "platform/services.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

std::atomic<bool> settingsErrorShown{false};

std::string Canonical(const std::string& path) {
    std::error_code ec;
    auto p = std::filesystem::weakly_canonical(std::filesystem::absolute(FsPath(path), ec), ec);
    return ec ? path : ProgramPathForDisplay(p);
}

// What writes killed before their end left behind, once the work folder is
// the program's (TakeWorkFolder has cleaned the work folder itself). Each
// file or folder a writer of another process is still at work on stays.
void RemoveLeftoversOfKilledWrites(const std::string& work) {
    // tq.conf beside the program, rewritten through a temporary file.
    RemoveLeftoverTempFiles(ProgramDir());
    // A description folder of its own (without one the pages go to the work
    // folder): a page write killed before its rename left its temporary file
    // there as well.
    std::string out;
    std::error_code ec;
    if (std::filesystem::is_regular_file(FsPath(SettingsFilePath()), ec)) out = ReadSettingStr("OutDir");
    if (!out.empty()) RemoveLeftoverTempFiles(WithTrailingSlash(out));
    RemoveLeftoverSuitcaseStaging(out.empty() ? work : out);
    RemoveLeftoverFile(MergeScratchPath(WithTrailingSlash(work) + "Caches.bin"));
}

}  // namespace

void InstallIniFailureReport() {
    settingsErrorShown = false;
    SetIniWriteFailureHandler([](const std::string& path, const Error& error) {
        DebugLog(error.message);
        if (path != Canonical(SettingsFilePath()) || settingsErrorShown.exchange(true)) return;
        ShowSysError(error.code ? error.code : 5, W("Fehler beim Schreiben der Einstellungsdatei ") + path);
    });
}

bool TakeWorkFolderAtStart() {
    // Read only: tq.conf is not written before the folder is ours.
    std::string work;
    std::error_code ec;
    if (std::filesystem::is_regular_file(FsPath(SettingsFilePath()), ec)) work = ReadSettingStr("WorkDir");
    // At the first start the program folder is the work folder, and it is
    // created in a moment anyway: it is locked from the start as well.
    if (work.empty()) std::filesystem::create_directories(FsPath(work = ProgramDir()), ec);
    const Result<void> taken = TakeWorkFolder(work);
    if (taken.ok()) {
        RemoveLeftoversOfKilledWrites(work);
        return true;
    }
    DebugLog("ERR: TakeWorkFolderAtStart: " + taken.error().message);
    if (taken.error().code != kWorkFolderBusy) return true;
    platform::messages().show(platform::MsgKind::Error, taken.error().message, platform::MsgButtons::Ok);
    return false;
}

void StartProgram() {
    InstallIniFailureReport();
    Result<void> prepared = PrepareProgramDir();
    if (!prepared.ok()) {
        DebugLog("ERR: StartProgram: " + prepared.error().message);
        // Files that could not be copied into the folder are told here; a
        // folder that could not be made is told by the settings file's box.
        std::error_code ec;
        if (std::filesystem::is_directory(FsPath(ProgramDir()), ec))
            ShowSysError(prepared.error().code, prepared.error().message);
    }
    OpenSettingsAtStart();
    ReadCacheDBConfAtStart();
}

void OpenSettingsAtStart() {
    if (StartSettingsFile()) return;
    // The writes of the run cannot replace it and say nothing more.
    const Error unreadable = IniFile().readError();
    if (unreadable.code != 0 && !settingsErrorShown.exchange(true))
        ShowSysError(unreadable.code, ReadErrorText(SettingsFilePath()));
}

void ReadCacheDBConfAtStart() {
    int error = 0;
    ReadCacheDBConf(&error);
    if (error != 0) ShowSysError(error, ReadErrorText(CacheDBConfPath()));
}

}  // namespace tv
