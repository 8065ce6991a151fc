#pragma once
// The three fixed-layout records (cache, find, additional waypoint) and the
// keyed lists that own them.
//
// The records are plain structs; their file layout is written and read field
// by field at fixed offsets (little-endian, no struct is ever reinterpreted).
// Texts are length-prefixed short strings (`ShortStr<N>`: one length byte,
// N Windows-1252 characters); assigning a longer text keeps the first N
// characters, and a length byte above N read from a file is clamped to N.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tv {

// A length-prefixed text of at most N characters (Windows-1252 bytes).
template <std::size_t N>
class ShortStr {
    static_assert(N >= 1 && N <= 255, "a length byte holds at most 255");

public:
    static constexpr std::size_t capacity = N;

    ShortStr() = default;
    ShortStr(std::string_view s) { assign(s); }
    ShortStr(const std::string& s) { assign(s); }
    ShortStr(const char* s) { assign(s ? std::string_view(s) : std::string_view()); }

    ShortStr& operator=(std::string_view s) {
        assign(s);
        return *this;
    }
    ShortStr& operator=(const std::string& s) {
        assign(s);
        return *this;
    }
    ShortStr& operator=(const char* s) {
        assign(s ? std::string_view(s) : std::string_view());
        return *this;
    }

    // Keeps the first N characters of `s`.
    void assign(std::string_view s) {
        len_ = static_cast<std::uint8_t>(s.size() < N ? s.size() : N);
        for (std::size_t i = 0; i < len_; ++i) chars_[i] = s[i];
        for (std::size_t i = len_; i < N; ++i) chars_[i] = 0;
    }
    void clear() { assign({}); }

    std::size_t size() const { return len_; }
    bool empty() const { return len_ == 0; }
    const char* data() const { return chars_.data(); }
    std::string_view view() const { return {chars_.data(), len_}; }
    std::string str() const { return std::string(view()); }
    operator std::string_view() const { return view(); }
    operator std::string() const { return str(); }

    friend bool operator==(const ShortStr& a, const ShortStr& b) { return a.view() == b.view(); }
    friend bool operator==(const ShortStr& a, std::string_view b) { return a.view() == b; }
    friend bool operator==(const ShortStr& a, const char* b) { return a.view() == std::string_view(b); }
    friend bool operator==(const ShortStr& a, const std::string& b) { return a.view() == std::string_view(b); }

private:
    std::uint8_t len_ = 0;
    std::array<char, N> chars_{};
};

// ---------------------------------------------------------------------------
// Day counts: a double, day 0 = 30 December 1899, the fraction is the time of
// day (3 July 2004 = 38171.0).

// The day count of a civil date, or nothing when the date does not exist
// (years 1..9999).
std::optional<double> DayCountFromDate(int year, int month, int day);
// The civil date of a day count (the fraction is dropped); false for values
// outside years 1..9999 or not finite.
bool DateFromDayCount(double dayCount, int& year, int& month, int& day);

// ---------------------------------------------------------------------------
// Cache record, 296 bytes, the record of "Caches.bin".
//   0 i32 Id | 4 text[120] Name | 128 f64 Hidden | 136 f64 Lat | 144 f64 Lon
//   152 text[20] CacheType | 173 text[20] Size | 194 text[16] Waypoint
//   211 text[3] Difficulty | 215 text[3] Terrain | 220 i32 CountryId
//   224 f32 Distance | 228 u8 InDB | 230 i32 RecNo | 239 f64 FoundDate
//   292 char ChangeMark | everything else zero.
struct TCacheRec {
    static constexpr std::size_t kSize = 296;

    std::int32_t Id = 0;          // the listing site's numeric id
    ShortStr<120> Name;
    double Hidden = 0.0;          // hidden date, day count
    double Lat = 0.0;             // decimal degrees, south negative
    double Lon = 0.0;             // decimal degrees, west negative
    ShortStr<20> CacheType;       // upper case as the site spells it
    ShortStr<20> Size;            // container size text
    ShortStr<16> Waypoint;        // "GC..." - the key of every list and index
    ShortStr<3> Difficulty;       // "1", "1.5" ... "5"; "0.0" when unknown
    ShortStr<3> Terrain;
    std::int32_t CountryId = 0;   // national table id
    float Distance = 0.0f;        // km from the home coordinates
    std::uint8_t InDB = 0;        // 1: from a national list or edited by hand
    std::int32_t RecNo = 0;       // 0-based position in Caches.bin, set by lookups
    double FoundDate = 0.0;       // day count; meaningful in memory only
    char ChangeMark = 0;          // 'D' when an import overwrote changed data

    friend bool operator==(const TCacheRec&, const TCacheRec&) = default;
};

// Finds record, 440 bytes, the record of "Finds.bin".
//   0 f64 Lat | 8 f64 Lon | 16 text[16] Waypoint | 33 text[120] Name
//   154 text[20] CacheType | 175 text[10] FoundDate ("dd.MM.yyyy") | rest zero.
struct TFoundRec {
    static constexpr std::size_t kSize = 440;

    double Lat = 0.0;
    double Lon = 0.0;
    ShortStr<16> Waypoint;        // the list key
    ShortStr<120> Name;           // writers store at most 80 characters
    ShortStr<20> CacheType;
    ShortStr<10> FoundDate;       // "dd.MM.yyyy"

    friend bool operator==(const TFoundRec&, const TFoundRec&) = default;
};

// Additional waypoint, 416 bytes, the record of "CacheWaypoints.bin".
//   0 text[16] CacheCode | 24 f64 Lat | 32 f64 Lon | 40 text[16] Id
//   57 text[25] WPType | 83 text[80] Description | 164 text[250] Comment.
struct TAddWPRec {
    static constexpr std::size_t kSize = 416;

    ShortStr<16> CacheCode;       // waypoint code of the cache it belongs to
    double Lat = 0.0;
    double Lon = 0.0;
    ShortStr<16> Id;              // the point's own id (the list key)
    ShortStr<25> WPType;          // type text as imported from GPX
    ShortStr<80> Description;
    ShortStr<250> Comment;

    friend bool operator==(const TAddWPRec&, const TAddWPRec&) = default;
};

using CacheRecBytes = std::array<unsigned char, TCacheRec::kSize>;
using FoundRecBytes = std::array<unsigned char, TFoundRec::kSize>;
using AddWPRecBytes = std::array<unsigned char, TAddWPRec::kSize>;

// Encoders write exactly kSize bytes at `out` (unused bytes zero); decoders
// read exactly kSize bytes at `in`.
void EncodeCacheRec(const TCacheRec& rec, unsigned char* out);
TCacheRec DecodeCacheRec(const unsigned char* in);
void EncodeFoundRec(const TFoundRec& rec, unsigned char* out);
TFoundRec DecodeFoundRec(const unsigned char* in);
void EncodeAddWPRec(const TAddWPRec& rec, unsigned char* out);
TAddWPRec DecodeAddWPRec(const unsigned char* in);

inline CacheRecBytes EncodeCacheRec(const TCacheRec& rec) {
    CacheRecBytes b;
    EncodeCacheRec(rec, b.data());
    return b;
}
inline FoundRecBytes EncodeFoundRec(const TFoundRec& rec) {
    FoundRecBytes b;
    EncodeFoundRec(rec, b.data());
    return b;
}
inline AddWPRecBytes EncodeAddWPRec(const TAddWPRec& rec) {
    AddWPRecBytes b;
    EncodeAddWPRec(rec, b.data());
    return b;
}

// Whole files or buffers of records back to back. A trailing partial record
// is not a record and is ignored.
std::vector<TCacheRec> DecodeCacheRecs(std::string_view bytes);
std::vector<TFoundRec> DecodeFoundRecs(std::string_view bytes);
std::vector<TAddWPRec> DecodeAddWPRecs(std::string_view bytes);
std::string EncodeCacheRecs(const std::vector<TCacheRec>& recs);
std::string EncodeFoundRecs(const std::vector<TFoundRec>& recs);
std::string EncodeAddWPRecs(const std::vector<TAddWPRec>& recs);

// ---------------------------------------------------------------------------
// Keyed lists: ordered entries of a key text and a record owned by value.
// Unsorted unless the caller sorts; duplicates allowed. Key searches ignore
// letter case (Windows-1252 upper-casing); large lists keep a hash index of
// the folded keys so that searches do not walk the list.

// The key as the lists compare it (Windows-1252 upper case).
std::string FoldListKey(std::string_view key);

template <typename Rec>
class KeyedList {
public:
    struct Entry {
        std::string key;
        Rec rec;
    };

    int Count() const { return static_cast<int>(entries_.size()); }
    bool empty() const { return entries_.empty(); }
    // Checked access: a bad index throws std::out_of_range.
    const std::string& Key(int index) const { return entries_.at(Checked(index)).key; }
    Rec& At(int index) { return entries_.at(Checked(index)).rec; }
    const Rec& At(int index) const { return entries_.at(Checked(index)).rec; }

    // Appends an entry and returns its index.
    int Add(std::string_view key, const Rec& rec) {
        entries_.push_back(Entry{std::string(key), rec});
        const int i = Count() - 1;
        if (hashed_) hash_.emplace(FoldListKey(key), i);  // keeps the first index of a key
        return i;
    }
    // Index of the first entry whose key equals `key` ignoring case, or -1.
    int IndexOf(std::string_view key) const {
        if (entries_.size() < kHashFrom) {
            const std::string folded = FoldListKey(key);
            for (std::size_t i = 0; i < entries_.size(); ++i)
                if (FoldListKey(entries_[i].key) == folded) return static_cast<int>(i);
            return -1;
        }
        if (!hashed_) BuildHash();
        auto it = hash_.find(FoldListKey(key));
        return it == hash_.end() ? -1 : it->second;
    }
    // Removes the entry; an index out of range does nothing.
    void Delete(int index) {
        if (index < 0 || index >= Count()) return;
        entries_.erase(entries_.begin() + index);
        Invalidate();
    }
    void Clear() {
        entries_.clear();
        Invalidate();
    }
    void Reserve(std::size_t n) { entries_.reserve(n); }

    // Sorts the entries with `less(const Entry&, const Entry&)`, stably.
    template <typename Less>
    void Sort(Less less) {
        std::stable_sort(entries_.begin(), entries_.end(), less);
        Invalidate();
    }

    const std::vector<Entry>& Entries() const { return entries_; }
    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }

protected:
    static constexpr std::size_t kHashFrom = 64;

    std::size_t Checked(int index) const {
        if (index < 0 || index >= Count())
            throw std::out_of_range("list index out of bounds (" + std::to_string(index) + ")");
        return static_cast<std::size_t>(index);
    }
    void Invalidate() {
        hashed_ = false;
        hash_.clear();
    }
    void BuildHash() const {
        hash_.clear();
        hash_.reserve(entries_.size());
        for (std::size_t i = 0; i < entries_.size(); ++i)
            hash_.emplace(FoldListKey(entries_[i].key), static_cast<int>(i));
        hashed_ = true;
    }

    std::vector<Entry> entries_;
    mutable std::unordered_map<std::string, int> hash_;
    mutable bool hashed_ = false;
};

// Caches keyed by waypoint code.
class TCacheList : public KeyedList<TCacheRec> {
public:
    int AddCache(std::string_view key, const TCacheRec& rec) { return Add(key, rec); }
    // Copies the record out and returns the stored one (the list's "object").
    // A bad index throws std::out_of_range.
    TCacheRec& GetCache(int index, TCacheRec& out) {
        TCacheRec& r = At(index);
        out = r;
        return r;
    }
    // Overwrites the record; a bad index throws std::out_of_range.
    void PutCache(int index, const TCacheRec& rec) { At(index) = rec; }
    bool Exists(std::string_view key) const { return IndexOf(key) >= 0; }
    void DeleteCache(int index) { Delete(index); }
    void FreeAll() { Clear(); }
};

// Finds keyed by the record's waypoint code.
class TFoundList : public KeyedList<TFoundRec> {
public:
    int AddFound(const TFoundRec& rec) { return Add(rec.Waypoint.view(), rec); }
    // A bad index throws std::out_of_range.
    TFoundRec& GetFound(int index, TFoundRec& out) {
        TFoundRec& r = At(index);
        out = r;
        return r;
    }
    // Empties the waypoint code inside the record; the entry's key stays.
    void ClearCode(int index) { At(index).Waypoint.clear(); }
    void DeleteFound(int index) { Delete(index); }
    // Appends every whole 440-byte record of the file; returns how many. A
    // file that cannot be opened adds nothing; a trailing partial record is
    // ignored; a read error keeps what was read so far. `error` (when given)
    // receives 0, or the errno of a file that is there but could not be read.
    int LoadFromFile(const std::string& fileName, int* error = nullptr);
    void FreeAll() { Clear(); }
};

// Additional waypoints, keyed by their own id.
class TAddWPList : public KeyedList<TAddWPRec> {
public:
    int AddWP(std::string_view key, const TAddWPRec& rec) { return Add(key, rec); }
    // A bad index throws std::out_of_range.
    TAddWPRec& GetWP(int index, TAddWPRec& out) {
        TAddWPRec& r = At(index);
        out = r;
        return r;
    }
    // Overwrites the record; an index out of range does nothing.
    void PutWP(int index, const TAddWPRec& rec) {
        if (index >= 0 && index < Count()) At(index) = rec;
    }
    // Index of the first record whose own id equals `id` exactly (case
    // counts), or -1.
    int IndexOfWP(std::string_view id) const;
    // Copies of the records whose cache code equals `cacheCode` exactly, keyed
    // by their own id, in list order; null when there is none.
    std::unique_ptr<TAddWPList> SelectForCache(std::string_view cacheCode) const;
    void FreeAll() { Clear(); }
};

}  // namespace tv
