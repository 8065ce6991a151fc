#include "pages/cache_edit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/cache_db.h"
#include "core/cachedb_table.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/str_util.h"
#include "pages/cache_details.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

const std::string kCrLf = "\r\n";

int ErrnoOr(int fallback) { return errno != 0 ? errno : fallback; }

std::string RatingAsListed(std::string_view rating) {
    std::string s(rating);
    for (char& c : s)
        if (c == ',') c = '.';
    return s;
}

std::string ItemText(const std::vector<std::string>& items, std::string_view text) {
    const int i = FindItemNoCase(items, text);
    return i < 0 ? std::string() : items[static_cast<std::size_t>(i)];
}

// Writes the whole buffer at `offset`; 0 or the errno.
int WriteAt(int fd, const unsigned char* data, std::size_t size, off_t offset) {
    std::size_t done = 0;
    while (done < size) {
        errno = 0;
        const ssize_t n = ::pwrite(fd, data + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return ErrnoOr(EIO);
        }
        if (n == 0) return EIO;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

}  // namespace

const std::vector<std::string>& EditTypeItems() {
    static const std::vector<std::string> items = {
        "Traditional Cache", "Multi-cache",        "Virtual Cache", "Letterbox Hybrid",    "Event Cache",
        "Webcam Cache",      "Unknown Cache",      "Locationless Cache", "Earthcache", "Cache In Trash Out E"};
    return items;
}

const std::vector<std::string>& EditSizeItems() {
    static const std::vector<std::string> items = {"", "Micro", "Small", "Regular", "Large", "Virtual"};
    return items;
}

const std::vector<std::string>& EditRatingItems() {
    static const std::vector<std::string> items = {"0", "1", "1.5", "2", "2.5", "3", "3.5", "4", "4.5", "5"};
    return items;
}

int FindItemNoCase(const std::vector<std::string>& items, std::string_view text) {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (SameTextCp1252(items[i], text)) return static_cast<int>(i);
    return -1;
}

std::vector<std::string> CountryItems(const TCacheDBTable& table) {
    std::vector<std::string> names;
    names.reserve(table.Entries().size());
    for (const TCacheDBEntry& e : table.Entries()) names.push_back(e.CountryNameDE);
    return names;
}

EditCacheFields FieldsFromRecord(const TCacheRec& rec, const TCacheDBTable& table) {
    EditCacheFields f;
    f.name = rec.Name.str();
    f.type = ItemText(EditTypeItems(), rec.CacheType.view());
    f.size = ItemText(EditSizeItems(), rec.Size.view());
    f.waypoint = rec.Waypoint.str();
    f.difficulty = ItemText(EditRatingItems(), RatingAsListed(rec.Difficulty.view()));
    f.terrain = ItemText(EditRatingItems(), RatingAsListed(rec.Terrain.view()));
    if (rec.CountryId > 0) f.country = ItemText(CountryItems(table), table.CountryNameByID(rec.CountryId));
    f.hidden = rec.Hidden;
    return f;
}

TCacheRec RecordFromFields(const TCacheRec& base, const EditCacheFields& fields, LatLon home,
                           const TCacheDBTable& table) {
    TCacheRec r;
    r.Id = base.Id;
    r.Lat = base.Lat;
    r.Lon = base.Lon;
    r.Name = fields.name;  // at most 120 characters
    r.Hidden = fields.hidden;
    r.Size = fields.size;
    r.CacheType = fields.type;
    r.Difficulty = fields.difficulty;
    r.Terrain = fields.terrain;
    r.Waypoint = fields.waypoint;
    double km = 0.0, bearing = 0.0;
    if (CalcDistanceBearing(km, bearing, home.lat, home.lon, r.Lat, r.Lon)) r.Distance = static_cast<float>(km);
    r.InDB = 1;
    r.CountryId = -1;
    if (!fields.country.empty())
        for (const TCacheDBEntry& e : table.Entries())
            if (e.CountryNameDE == fields.country) r.CountryId = e.CountryID;
    // RecNo, FoundDate and ChangeMark stay zero.
    return r;
}

EditCheck CheckEditedRecord(const TCacheRec& rec) {
    EditCheck c;
    if (rec.Name.empty()) c.errors += kCrLf + "Cachename fehlt";
    if (rec.Lat == 0.0 || rec.Lon == 0.0) c.errors += kCrLf + "Koordinatenangaben fehlen";
    if (rec.CacheType.empty()) c.errors += kCrLf + "Cachetyp fehlt";
    if (rec.Waypoint.empty())
        c.errors += kCrLf + "Waypoint fehlt";
    else if (!IsSafeWaypointCode(rec.Waypoint.view()))
        // The code names the cache's files later on.
        c.errors += kCrLf + "Waypoint darf nur Buchstaben und Ziffern enthalten";
    if (rec.Size.empty()) c.warnings += kCrLf + W("Cachegröße fehlt");
    if (rec.Difficulty.empty()) c.warnings += kCrLf + "Difficulty-Angabe fehlt";
    if (rec.Terrain.empty()) c.warnings += kCrLf + "Terrain-Angabe fehlt";
    return c;
}

std::string StoreRefusedText(const std::string& errors) {
    return "Der Cache kann nicht gespeichert werden, da die Cachedaten folgende(n) Fehler enthalten: " + errors +
           kCrLf + kCrLf + W("Bitte Daten korrekt ausfüllen / ergängen und erneut speichern.");
}

std::string StoreWarningText(const std::string& warnings) {
    return W("Warnung! Folgende Cachedaten wurden nicht vollständig ausgefüllt:") + kCrLf + kCrLf + warnings +
           kCrLf + kCrLf + "Soll der Cache trotzdem gespeichert werden?";
}

std::string DeleteQuestionText(const TCacheRec& rec) {
    return "Warnung! Durch diese Aktion wird der Cache: " + kCrLf + "\"" + rec.Name.str() + "\" (" +
           rec.Waypoint.str() + ")" + kCrLf + W("aus der Datenbank entfernt. Wirklich löschen?");
}

std::string WaypointNotFoundText() {
    return "Ein Cache mit dem angegebenen Waypoint ist in der Datenbank nicht verzeichnet.";
}

EditSaveResult SaveEditedRecord(const TCacheRec& rec) {
    EditSaveResult r;
    const std::string path = CacheBinPath();
    errno = 0;
    const int fd = ::open(FsName(path).c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        r.code = ErrnoOr(ENOENT);
        r.failText = W("Kann Datei ") + path + W(" nicht lesen.");
    } else {
        TCacheRec existing;
        const auto bytes = EncodeCacheRec(rec);
        if (FindCacheByWaypoint(rec.Waypoint.view(), existing)) {
            r.updated = true;
            const InPlaceWrite written =
                OverwriteRecordInPlace(fd, path, bytes, static_cast<long long>(existing.RecNo) * TCacheRec::kSize);
            r.code = written.code;
            r.failText = RecordUpdateFailedText(rec, written.damaged);
        } else {
            r.failText = W("Fehler beim Einfügen eines neuen Caches an die CacheDB.");
            struct stat st {};
            if (::fstat(fd, &st) != 0) {
                r.code = ErrnoOr(EIO);
            } else {
                // After the last whole record; a torn tail is overwritten.
                const off_t end = st.st_size - st.st_size % static_cast<off_t>(TCacheRec::kSize);
                r.code = InjectedWriteFault(path, WriteStep::Write);
                if (r.code == 0) r.code = WriteAt(fd, bytes.data(), bytes.size(), end);
            }
        }
        if (::close(fd) != 0 && r.code == 0) r.code = ErrnoOr(EIO);
    }
    BuildCacheIndex();
    return r;
}

}  // namespace tv
