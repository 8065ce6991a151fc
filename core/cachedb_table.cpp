#include "core/cachedb_table.h"

#include <array>
#include <cerrno>

#include "core/app_paths.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/ini_file.h"
#include "core/number_format.h"
#include "core/str_util.h"

namespace tv {

namespace {

constexpr std::string_view kSection = "CacheDB";

std::string Cut(std::string value, std::size_t capacity) {
    if (value.size() > capacity) value.resize(capacity);
    return value;
}

// A list file name is joined to the work folder and to the download folder's
// URL, so it must be a plain name.
std::string PlainFileName(std::string name) {
    if (name.empty() || name == "." || name == "..") return {};
    for (char c : name)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 32) return {};
    return name;
}

bool SameAscii(std::string_view a, std::string_view b) {
    return a.size() == b.size() && UpperCaseAscii(a) == UpperCaseAscii(b);
}

constexpr std::array<std::string_view, 10> kTypeTexts = {
    "TRADITIONAL CACHE", "MULTI-CACHE",   "VIRTUAL CACHE",      "LETTERBOX HYBRID",     "EVENT CACHE",
    "WEBCAM CACHE",      "UNKNOWN CACHE", "LOCATIONLESS CACHE", "CACHE IN TRASH OUT E", "EARTHCACHE"};

}  // namespace

TCacheDBTable TCacheDBTable::Load(const IniDocument& ini) {
    auto text = [&](const std::string& key) { return TrimRightCtl(ini.get(kSection, key).value_or(std::string())); };
    auto integer = [&](const std::string& key) {
        const auto v = ini.get(kSection, key);
        return v ? ParseInt(*v).value_or(0) : 0;
    };
    TCacheDBTable table;
    int count = integer("GCDatabaseCount");
    if (count < 0) count = 0;
    if (count > kMaxCacheDBEntries) count = kMaxCacheDBEntries;
    table.entries_.reserve(static_cast<std::size_t>(count));
    for (int i = 1; i <= count; ++i) {
        const std::string n = std::to_string(i);
        TCacheDBEntry e;
        e.CountryID = integer("DB_CountryID" + n);
        e.FileName = PlainFileName(text("DB_Filename" + n));
        e.CountryName = Cut(text("DB_CName" + n), kCountryNameLen);
        e.CountryNameDE = Cut(text("DB_CNameDE" + n), kCountryNameDELen);
        table.entries_.push_back(std::move(e));
    }
    return table;
}

TCacheDBTable TCacheDBTable::Parse(std::string_view iniBytes) { return Load(IniDocument::Parse(iniBytes)); }

std::string TCacheDBTable::CountryNameByID(std::int32_t id) const {
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
        if (it->CountryID == id) return it->CountryNameDE;
    return std::to_string(id);
}

std::int32_t TCacheDBTable::CountryIDByName(std::string_view name) const {
    name = name.substr(0, kCountryNameLen);
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
        if (SameAscii(it->CountryName, name)) return it->CountryID;
    return 0;
}

TCacheDBTable& CacheDBTable() {
    static TCacheDBTable table;
    return table;
}

std::string CacheDBConfPath() { return ProgramDir() + "CacheDB.conf"; }

int ReadCacheDBConf(int* error) {
    const Result<std::string> bytes = ReadProgramFile(CacheDBConfPath());
    CacheDBTable() = TCacheDBTable::Parse(bytes ? *bytes : std::string());
    if (error) *error = bytes || MissingFileError(bytes.error().code) ? 0 : bytes.error().code;
    return CacheDBTable().Count();
}

std::string CountryNameByID(std::int32_t id) { return CacheDBTable().CountryNameByID(id); }

std::int32_t CountryIDByName(std::string_view name) { return CacheDBTable().CountryIDByName(name); }

int CacheTypeFromText(std::string_view typeText) {
    const std::string upper = UpperCaseAscii(typeText);
    for (std::size_t i = 0; i < kTypeTexts.size(); ++i)
        if (upper == kTypeTexts[i]) return static_cast<int>(i);
    return kCacheTypeOther;
}

std::string_view CacheTypeText(int typeNumber) {
    if (typeNumber < 0 || typeNumber >= static_cast<int>(kTypeTexts.size())) return {};
    return kTypeTexts[static_cast<std::size_t>(typeNumber)];
}

}  // namespace tv
