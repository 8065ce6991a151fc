#pragma once
// The cache database: "Caches.bin" (296-byte TCacheRec records back to back,
// in the order they were appended) and its index "Caches.idx" (sorted 24-byte
// entries: waypoint key -> record number) in the work folder; the national
// list line parser; "Finds.bin".
//
// Caches.idx entry: 0 length byte 16 | 1..16 key (the waypoint code with a-z
// upper-cased, blank-padded to 16) | 17..19 zero | 20 i32 record number.
// Entries ascend by key, ties by the record number's decimal text (so record
// 10 sorts before record 9); loading keeps, per key, the entry read last.
//
// Lookups use the index held in memory (loaded once from Caches.idx, searched
// by binary search); without an index they scan Caches.bin. Every whole-file
// rewrite goes through AtomicFileWriter. Nothing here shows a box: failures
// come back as values (an Error, or the codes of BuildCacheIndex), and the
// command that owns the message shows it.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/cache_rec.h"
#include "core/result.h"

namespace tv {

// ---------------------------------------------------------------------------
// Index keys

using CacheKey = std::array<char, 16>;

// The index key of a waypoint code: a-z upper-cased, blank-padded to 16.
// Nothing for a code longer than 16 characters (no key can equal it).
std::optional<CacheKey> MakeCacheKey(std::string_view code);
// The index key of a stored record's raw bytes: its waypoint field (length
// byte at 194 clamped to 16, text from 195).
CacheKey CacheKeyOfRecord(const unsigned char* raw);
// FNV-1a over the 16 key bytes, for hashed key sets.
struct CacheKeyHash {
    std::size_t operator()(const CacheKey& k) const noexcept;
};
// Orders entries as Caches.idx stores them: key bytes, then the record
// number's decimal text. True when (ka, ra) sorts before (kb, rb).
bool CacheIndexLess(const CacheKey& ka, std::int32_t ra, const CacheKey& kb, std::int32_t rb);

// The in-memory index: one record number per key, binary search.
class TCacheIndexList {
public:
    struct Entry {
        CacheKey key;
        std::int32_t recNo;
    };

    bool empty() const { return sorted_.empty() && added_.empty(); }
    std::size_t Count() const { return sorted_.size() + added_.size(); }
    void Clear();
    // Replaces the contents by entries given in the order they were read; of
    // several entries with one key the last one read wins.
    void Assign(std::vector<Entry> entriesInReadOrder);
    // Adds a key or replaces its record number.
    void Add(const CacheKey& key, std::int32_t recNo);
    std::optional<std::int32_t> Find(const CacheKey& key) const;
    // The folder whose Caches.idx the contents came from.
    const std::string& Dir() const { return dir_; }
    void SetDir(std::string dir) { dir_ = std::move(dir); }

private:
    std::vector<Entry> sorted_;                                       // by key, unique
    std::unordered_map<CacheKey, std::int32_t, CacheKeyHash> added_;  // learnt since the load
    std::string dir_;
};

// Process-wide index; empty at start, loaded by the first lookup, emptied by
// every index rebuild.
extern TCacheIndexList CacheIndexList;
// The whole database after ReadCacheDB, keyed by waypoint code in file order;
// null when not loaded.
extern std::unique_ptr<TCacheList> CacheDBList;

// Paths in the work folder.
std::string CacheBinPath();   // GetWorkDir() + "Caches.bin"
std::string CacheIdxPath();   // GetWorkDir() + "Caches.idx"
std::string FindsBinPath();   // GetWorkDir() + "Finds.bin"

// ---------------------------------------------------------------------------
// National cache-database list lines:
//   id "name" yyyy m d lat lon "type" "size" WP ignored diff terr [rest]

// Removes blanks (code 32 only) from the start of the line.
void TrimLeadingBlanks(std::string& line);
// Takes the text before the first blank as the token and leaves the rest
// without leading blanks in `line`; with no blank left, the token is the whole
// rest without leading blanks and trailing bytes <= 32, and `line` becomes
// empty. False when the line held nothing but blanks (the token is empty).
bool NextToken(std::string& line, std::string& token);
// 0 parsed; 1 parsed, difficulty or terrain missing and set to "0.0"; -1 a
// comment ("#" in column 1) or a malformed line. The record is zeroed first;
// CountryId, Distance, InDB and the bytes after them stay zero. `code`, when
// given, receives the waypoint code as the line spells it, before it is cut
// to the record's 16 characters.
int ParseCacheDBLine(std::string_view line, TCacheRec& rec, std::string* code = nullptr);

// ---------------------------------------------------------------------------
// Database operations (work folder from GetWorkDir)

// Rebuilds Caches.idx from Caches.bin and empties CacheIndexList.
// 0 ok; -1 Caches.bin cannot be opened (nothing changed); -2 read error;
// -3 Caches.idx cannot be created; -4 write error. On -3/-4 no index file is
// left behind, so lookups scan Caches.bin.
int BuildCacheIndex();
// Fills CacheIndexList from Caches.idx (a missing file leaves it empty).
void LoadCacheIndex();
// The entries of an index file in file order, when it is a whole index of a
// database of `recordCount` records: one entry per record number, in the
// order BuildCacheIndex writes. Nothing when it is missing, unreadable or
// does not match.
std::optional<std::vector<TCacheIndexList::Entry>> ReadMatchingIndexEntries(const std::string& idxPath,
                                                                            long long recordCount);
// True while the in-memory index was written by WriteCacheIndexEntries from
// the work folder's Caches.bin and Caches.idx as they are now.
bool CacheIndexIsCurrent(const std::string& dir);
// Sorts entries gathered while the records were written (one per record) the
// way Caches.idx stores them.
void SortIndexEntries(std::vector<TCacheIndexList::Entry>& entries);
// Writes `sorted` (SortIndexEntries order, one entry per record of the work
// folder's Caches.bin) as Caches.idx and makes it the in-memory index, so a
// BuildCacheIndex right after it, on the unchanged database, has nothing to do.
// Codes as BuildCacheIndex: 0, -3, -4 (then no index file is left).
int WriteCacheIndexEntries(std::vector<TCacheIndexList::Entry> sorted);
// Looks a code up (a-z upper-cased). True: `rec` holds the record and its
// RecNo field the position. False: `rec` is zeroed, except for an empty code,
// which leaves it untouched.
bool FindCacheByWaypoint(std::string_view code, TCacheRec& rec);

// A look-up of a cache by its code, as the lists and loaders take it.
using CacheLookup = std::function<bool(std::string_view code, TCacheRec& rec)>;
// Loads the work folder's index, building Caches.idx first when only
// Caches.bin exists: a database without it would be scanned once per code.
void PrepareCacheIndex();
// PrepareCacheIndex, then FindCacheByWaypoint as a look-up.
CacheLookup DatabaseLookup();
// Reads Caches.bin from the start; the first record whose code equals `code`
// exactly. False (and `rec` zeroed) when there is none.
bool ScanCacheDB(std::string_view code, TCacheRec& rec);
// Appends the record unless its code is already in the database; creates
// Caches.bin when missing. A loaded index learns the new key. Shows nothing.
bool AppendCacheRec(const TCacheRec& rec);
// Overwrites the record's slot when its code is in the database, else
// appends. The error carries the errno and the text for the error box.
Result<void> StoreCacheRec(const TCacheRec& rec);
// Writes a record's bytes over the record at `offset` of the file open
// read-write in `fd`; `path` names the file (for the write-fault hook and the
// log). The bytes there are read first and, when the write fails after part
// of the record went out, written back: the slot holds the old record or the
// new one, never a mix, unless the write back fails too (`damaged`).
struct InPlaceWrite {
    int code = 0;          // 0, or the errno of the failed write
    bool damaged = false;  // the old bytes could not be put back either
};
InPlaceWrite OverwriteRecordInPlace(int fd, const std::string& path, const CacheRecBytes& bytes, long long offset);
// The error box's text of a failed overwrite of the record of `rec`:
// "Fehler beim Update der CacheDB.", and when the slot may hold a mix of the
// old and the new record a line that names the cache.
std::string RecordUpdateFailedText(const TCacheRec& rec, bool damaged);
// Creates CacheDBList and loads every record into it behind the wait window
// ("Cache-DB wird gelesen"). An error when the file could not be opened or
// read completely (the list then holds the records read before the error);
// the caller shows it (ShowSysError(code, message)).
Result<void> ReadCacheDB();
void FreeCacheDB();
// Removes every record with this code from Caches.bin (keeping the order of
// the others) and rebuilds the index. The old file stays when anything could
// not be read or written; the error says why (errno and the box's text).
Result<void> DeleteCacheFromDB(std::string_view code);

// ---------------------------------------------------------------------------
// Bulk helpers for whole files of records (any path)

// Every whole record of the file (a trailing partial record is ignored).
// Error code: errno of the failing call (EIO for a short read).
Result<std::vector<TCacheRec>> ReadCacheFile(const std::string& path);
// Replaces the file by these records, through a temporary file and a rename.
Result<void> WriteCacheFile(const std::string& path, const std::vector<TCacheRec>& recs);
// Appends the records at the end of the file (created when missing). The
// index is not touched: call BuildCacheIndex afterwards.
Result<void> AppendCacheFile(const std::string& path, const std::vector<TCacheRec>& recs);

// "Finds.bin": TFoundList::LoadFromFile reads it; this replaces it by the
// list's records in list order (temporary file and rename).
Result<void> WriteFoundFile(const std::string& path, const TFoundList& list);

}  // namespace tv
