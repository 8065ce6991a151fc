#pragma once
// The table of national cache databases from the read-only file
// "CacheDB.conf" in the program folder (section "CacheDB": "GCDatabaseCount",
// "DB_CountryID"i, "DB_Filename"i, "DB_CName"i, "DB_CNameDE"i for i = 1..N),
// and the cache-type numbers 0..10 of the listing site's type texts.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

class IniDocument;

struct TCacheDBEntry {
    std::int32_t CountryID = 0;
    // Base name of the country's list file. Kept whole: it names the download
    // and the local file, and a cut name would fetch the wrong list. Only a
    // plain name is accepted (no folder parts); anything else is left empty.
    std::string FileName;
    std::string CountryName;    // English, as the listing site writes it; at most 14 bytes
    std::string CountryNameDE;  // shown to the user; at most 25 bytes
};

inline constexpr int kMaxCacheDBEntries = 50;
inline constexpr std::size_t kCountryNameLen = 14;
inline constexpr std::size_t kCountryNameDELen = 25;

class TCacheDBTable {
public:
    // Reads section "CacheDB"; the count is clamped to 0..50, missing keys
    // give 0 / empty texts.
    static TCacheDBTable Load(const IniDocument& ini);
    static TCacheDBTable Parse(std::string_view iniBytes);

    int Count() const { return static_cast<int>(entries_.size()); }
    // Entry number 1..Count().
    const TCacheDBEntry& Entry(int number) const { return entries_.at(static_cast<std::size_t>(number - 1)); }
    const std::vector<TCacheDBEntry>& Entries() const { return entries_; }

    // German name of the last entry with this id; the id in decimal when none.
    std::string CountryNameByID(std::int32_t id) const;
    // Id of the last entry whose English name equals `name` ignoring ASCII
    // case, both compared on at most 14 bytes (what the field holds); 0 when
    // none.
    std::int32_t CountryIDByName(std::string_view name) const;

private:
    std::vector<TCacheDBEntry> entries_;
};

// The process-wide table (empty until ReadCacheDBConf).
TCacheDBTable& CacheDBTable();
// ProgramDir() + "CacheDB.conf".
std::string CacheDBConfPath();
// Fills CacheDBTable() from CacheDBConfPath(); a missing or unreadable file
// gives an empty table. Returns the number of entries; `error` (when given)
// receives 0, or the errno of a file that is there but could not be read.
int ReadCacheDBConf(int* error = nullptr);
// Look-ups on CacheDBTable().
std::string CountryNameByID(std::int32_t id);
std::int32_t CountryIDByName(std::string_view name);

// Cache-type numbers.
inline constexpr int kCacheTypeOther = 10;
// The text, ASCII upper-cased, compared exactly with the type table
// ("TRADITIONAL CACHE" 0 ... "EARTHCACHE" 9); 10 for any other text.
int CacheTypeFromText(std::string_view typeText);
// The table's (upper-case) text of a type number 0..9; empty otherwise.
std::string_view CacheTypeText(int typeNumber);

}  // namespace tv
