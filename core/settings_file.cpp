#include "core/settings_file.h"

#include <filesystem>
#include <memory>

#include "core/app_paths.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/number_format.h"
#include "platform/services.h"

namespace tv {

bool ConfigExisted = false;

std::string SettingsFilePath() { return ProgramDir() + std::string(kSettingsFileName); }

TIniFile& IniFile() {
    static std::unique_ptr<TIniFile> ini;
    std::string path = SettingsFilePath();
    if (!ini || ini->fileName() != path) ini = std::make_unique<TIniFile>(path);
    return *ini;
}

namespace {

std::string FormatStamp(const platform::DateTime& t) {
    return TwoDigits(t.day) + "." + TwoDigits(t.month) + "." + std::to_string(t.year) + " " + TwoDigits(t.hour) +
           ":" + TwoDigits(t.minute) + ":" + TwoDigits(t.second);
}

}  // namespace

bool StartSettingsFile() {
    // Only a missing file marks the first start: one that is there but cannot
    // be read (a folder, a pipe, a link to a device) is the user's all the same.
    std::error_code ec;
    ConfigExisted = std::filesystem::status(FsPath(SettingsFilePath()), ec).type() != std::filesystem::file_type::not_found;
    TIniFile& ini = IniFile();
    // Left as it is; the run goes on with the defaults in memory.
    if (ini.readError().code != 0) return false;
    bool ok = true;
    return ini.update([&] {
        ok = WriteSettingStr("LatestStart", FormatStamp(platform::clock().now())) && ok;
        ok = WriteDefaultSettings() && ok;
    }) && ok;
}

bool WriteSettingStr(std::string_view key, std::string_view value) {
    return IniFile().writeString(kProgramSection, key, value);
}
bool WriteSettingInt(std::string_view key, long long value) {
    return IniFile().writeInteger(kProgramSection, key, value);
}
bool WriteSettingBool(std::string_view key, bool value) { return IniFile().writeBool(kProgramSection, key, value); }
bool WriteSettingFloat(std::string_view key, double value) {
    return IniFile().writeFloat(kProgramSection, key, value);
}
bool WriteSectionInt(std::string_view section, std::string_view key, long long value) {
    return IniFile().writeInteger(section, key, value);
}

std::string ReadSettingStr(std::string_view key) { return IniFile().readString(kProgramSection, key); }
int ReadSettingInt(std::string_view key) { return IniFile().readInteger(kProgramSection, key, 0); }
bool ReadSettingBool(std::string_view key) { return IniFile().readBool(kProgramSection, key, false); }
double ReadSettingFloat(std::string_view key) { return IniFile().readFloat(kProgramSection, key, 0.0); }

bool DeleteAdditionalHome(int index) {
    std::string n = std::to_string(index);
    TIniFile& ini = IniFile();
    return ini.update([&] {
        ini.deleteKey(kProgramSection, "AddHomeLat" + n);
        ini.deleteKey(kProgramSection, "AddHomeLon" + n);
        ini.deleteKey(kProgramSection, "AddHomeTxt" + n);
    });
}

bool WriteDefaultSettings() {
    if (!ReadSettingStr("WorkDir").empty()) return true;
    std::string f = WithoutTrailingSlash(ProgramDir());
    TIniFile& ini = IniFile();
    return ini.update([&] {
        WriteSettingStr("WorkDir", f);
        WriteSettingStr("OutDir", f);
        WriteSettingStr("Template", f + "/template.html");
        WriteSettingInt("DBAutoloadInterval", -1);
        WriteSettingInt("Radius", 15);
        WriteSettingInt("HTMLMaxWidth", 640);
        WriteSettingInt("NrOfAdditionalHomes", 0);
        WriteSettingInt("CacheDBPrimary", 3);
        WriteSettingInt("CacheDBCount", 0);
        WriteSettingStr("CacheDBUrl", "");
    });
}

}  // namespace tv
