#pragma once
// Editing one record of the cache database by hand: the choices offered for
// type, size and ratings, the record as the editing window shows it and reads
// it back, the checks before storing with their messages, and the store
// itself (overwrite the record of the same waypoint in place, else append,
// then rebuild the index). Texts are Windows-1252.
#include <string>
#include <string_view>
#include <vector>

#include "core/cache_rec.h"
#include "core/coords.h"

namespace tv {

class TCacheDBTable;

// The combo-box items, in order.
const std::vector<std::string>& EditTypeItems();    // "Traditional Cache" ... "Cache In Trash Out E"
const std::vector<std::string>& EditSizeItems();    // "", "Micro", "Small", "Regular", "Large", "Virtual"
const std::vector<std::string>& EditRatingItems();  // "0", "1", "1.5" ... "5"
inline constexpr int kEditSizeRegular = 3;
inline constexpr int kEditRatingOne = 1;

// Index of the item equal to `text` ignoring letter case; -1 when none.
int FindItemNoCase(const std::vector<std::string>& items, std::string_view text);
// The German country names of the table, in table order.
std::vector<std::string> CountryItems(const TCacheDBTable& table);

// What the window's controls hold. Type, size and the ratings are item texts
// (empty when no item is chosen); `country` is a German country name or empty.
struct EditCacheFields {
    std::string name, type, size, waypoint, difficulty, terrain, country;
    double hidden = 0.0;  // day count of the date picker
};

// The fields of a record as shown: type and size as the equal item's text
// (ignoring case), ratings with ',' read as '.', the country's name when its
// id is above 0. A text that matches no item gives an empty field.
EditCacheFields FieldsFromRecord(const TCacheRec& rec, const TCacheDBTable& table);

// The record as read from the controls: id and coordinates come from `base`,
// everything else from `fields`; the distance from `home` to the cache in km;
// InDB 1; country id -1 unless the last table entry with that German name
// gives one; the record number and everything after it zero.
TCacheRec RecordFromFields(const TCacheRec& base, const EditCacheFields& fields, LatLon home,
                           const TCacheDBTable& table);

// Errors refuse the store, warnings ask first. Each entry is CR LF + text.
struct EditCheck {
    std::string errors;
    std::string warnings;
};
EditCheck CheckEditedRecord(const TCacheRec& rec);

// The message texts.
std::string StoreRefusedText(const std::string& errors);
std::string StoreWarningText(const std::string& warnings);
std::string DeleteQuestionText(const TCacheRec& rec);
std::string WaypointNotFoundText();

// Result of storing one record in "Caches.bin" of the work folder.
struct EditSaveResult {
    int code = 0;          // 0, or the errno of the failing call
    std::string failText;  // what the error box says for a non-zero code
    bool updated = false;  // true: an existing record was overwritten; false: appended
};
// Overwrites the record of the same waypoint (as FindCacheByWaypoint finds
// it) in place, else appends; a missing or unopenable "Caches.bin" writes
// nothing ("Kann Datei ... nicht lesen."). The index is rebuilt in every case.
EditSaveResult SaveEditedRecord(const TCacheRec& rec);

}  // namespace tv
