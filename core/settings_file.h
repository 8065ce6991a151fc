#pragma once
// tq.conf beside the program: the one process-wide INI object on it, the
// first-start flag and the typed accessors of section "Program".
#include <string>
#include <string_view>

#include "core/ini_file.h"

namespace tv {

inline constexpr std::string_view kSettingsFileName = "tq.conf";
inline constexpr std::string_view kProgramSection = "Program";

// True when tq.conf existed in the program folder at start-up; false marks
// the first start. Set by StartSettingsFile.
extern bool ConfigExisted;

// ProgramDir() + "tq.conf".
std::string SettingsFilePath();
// The INI object on SettingsFilePath(); follows the program folder when a
// test changes it.
TIniFile& IniFile();

// Start-up, in this order: ConfigExisted := whether tq.conf exists; open it;
// write "LatestStart" (dd.MM.yyyy hh:mm:ss from the platform clock); then
// WriteDefaultSettings. Returns false when tq.conf could not be written, or
// when it is there but cannot be read (IniFile().readError()): then nothing
// is written and the file stays as it is.
bool StartSettingsFile();

// Section "Program". The writers return false after a failed write of the
// file (the failure handler of ini_file.h has then been called).
bool WriteSettingStr(std::string_view key, std::string_view value);
bool WriteSettingInt(std::string_view key, long long value);
bool WriteSettingBool(std::string_view key, bool value);
bool WriteSettingFloat(std::string_view key, double value);
bool WriteSectionInt(std::string_view section, std::string_view key, long long value);
// Missing key: "" / 0 / false / 0.0; a value that is no number reads as 0.
std::string ReadSettingStr(std::string_view key);
int ReadSettingInt(std::string_view key);
bool ReadSettingBool(std::string_view key);
double ReadSettingFloat(std::string_view key);

// Deletes "AddHomeLat"i, "AddHomeLon"i and "AddHomeTxt"i.
bool DeleteAdditionalHome(int index);

// When "WorkDir" is empty, writes the ten first-start keys (WorkDir, OutDir,
// Template, DBAutoloadInterval=-1, Radius=15, HTMLMaxWidth=640,
// NrOfAdditionalHomes=0, CacheDBPrimary=3, CacheDBCount=0, CacheDBUrl empty).
bool WriteDefaultSettings();

}  // namespace tv
