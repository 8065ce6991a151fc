#include "shell/startup.h"

#include <atomic>
#include <filesystem>
#include <string>

#include "core/app_paths.h"
#include "core/cachedb_table.h"
#include "core/debug_log.h"
#include "core/fs_name.h"
#include "core/ini_file.h"
#include "core/settings_file.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

std::atomic<bool> settingsErrorShown{false};

std::string Canonical(const std::string& path) {
    std::error_code ec;
    auto p = std::filesystem::weakly_canonical(std::filesystem::absolute(FsPath(path), ec), ec);
    return ec ? path : ProgramPathForDisplay(p);
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

void StartProgram() {
    InstallIniFailureReport();
    Result<void> prepared = PrepareProgramDir();
    if (!prepared.ok()) DebugLog(prepared.error().message);
    StartSettingsFile();
    ReadCacheDBConf();
}

}  // namespace tv
