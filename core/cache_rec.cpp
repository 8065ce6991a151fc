#include "core/cache_rec.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/str_util.h"

namespace tv {

static_assert(TCacheRec::kSize == 296);
static_assert(TFoundRec::kSize == 440);
static_assert(TAddWPRec::kSize == 416);

namespace {

// Little-endian field access at a byte offset. The host is little-endian on
// every platform we build for; the static_assert keeps it honest.
static_assert(std::endian::native == std::endian::little, "records are little-endian");

template <typename T>
void Put(unsigned char* base, std::size_t offset, T value) {
    std::memcpy(base + offset, &value, sizeof(T));
}

template <typename T>
T Get(const unsigned char* base, std::size_t offset) {
    T value;
    std::memcpy(&value, base + offset, sizeof(T));
    return value;
}

template <std::size_t N>
void PutText(unsigned char* base, std::size_t offset, const ShortStr<N>& s) {
    base[offset] = static_cast<unsigned char>(s.size());
    std::memcpy(base + offset + 1, s.data(), s.size());
    // the rest of the field stays as zeroed by the caller
}

template <std::size_t N>
ShortStr<N> GetText(const unsigned char* base, std::size_t offset) {
    std::size_t len = base[offset];
    if (len > N) len = N;  // a corrupt length byte never reads past the field
    return ShortStr<N>(std::string_view(reinterpret_cast<const char*>(base + offset + 1), len));
}

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long yy = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

// 1899-12-30 counted from 1970-01-01.
const long long kDayZero = DaysFromCivil(1899, 12, 30);

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

template <typename Rec, void (*Enc)(const Rec&, unsigned char*)>
std::string EncodeAll(const std::vector<Rec>& recs) {
    std::string out(recs.size() * Rec::kSize, '\0');
    for (std::size_t i = 0; i < recs.size(); ++i)
        Enc(recs[i], reinterpret_cast<unsigned char*>(out.data()) + i * Rec::kSize);
    return out;
}

template <typename Rec, Rec (*Dec)(const unsigned char*)>
std::vector<Rec> DecodeAll(std::string_view bytes) {
    const std::size_t n = bytes.size() / Rec::kSize;
    std::vector<Rec> out;
    out.reserve(n);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0; i < n; ++i) out.push_back(Dec(p + i * Rec::kSize));
    return out;
}

}  // namespace

// ---------------------------------------------------------------------------

std::optional<double> DayCountFromDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return std::nullopt;
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int dim = kDays[month - 1] + (month == 2 && IsLeap(year) ? 1 : 0);
    if (day > dim) return std::nullopt;
    return static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                               kDayZero);
}

bool DateFromDayCount(double dayCount, int& year, int& month, int& day) {
    // 0001-01-01 .. 9999-12-31
    if (!std::isfinite(dayCount) || dayCount < -693593.0 || dayCount >= 2958466.0) return false;
    CivilFromDays(static_cast<long long>(std::floor(dayCount)) + kDayZero, year, month, day);
    return true;
}

// ---------------------------------------------------------------------------

void EncodeCacheRec(const TCacheRec& r, unsigned char* out) {
    std::memset(out, 0, TCacheRec::kSize);
    Put<std::int32_t>(out, 0, r.Id);
    PutText(out, 4, r.Name);
    Put<double>(out, 128, r.Hidden);
    Put<double>(out, 136, r.Lat);
    Put<double>(out, 144, r.Lon);
    PutText(out, 152, r.CacheType);
    PutText(out, 173, r.Size);
    PutText(out, 194, r.Waypoint);
    PutText(out, 211, r.Difficulty);
    PutText(out, 215, r.Terrain);
    Put<std::int32_t>(out, 220, r.CountryId);
    Put<float>(out, 224, r.Distance);
    out[228] = r.InDB;
    Put<std::int32_t>(out, 230, r.RecNo);
    Put<double>(out, 239, r.FoundDate);
    out[292] = static_cast<unsigned char>(r.ChangeMark);
}

TCacheRec DecodeCacheRec(const unsigned char* in) {
    TCacheRec r;
    r.Id = Get<std::int32_t>(in, 0);
    r.Name = GetText<120>(in, 4);
    r.Hidden = Get<double>(in, 128);
    r.Lat = Get<double>(in, 136);
    r.Lon = Get<double>(in, 144);
    r.CacheType = GetText<20>(in, 152);
    r.Size = GetText<20>(in, 173);
    r.Waypoint = GetText<16>(in, 194);
    r.Difficulty = GetText<3>(in, 211);
    r.Terrain = GetText<3>(in, 215);
    r.CountryId = Get<std::int32_t>(in, 220);
    r.Distance = Get<float>(in, 224);
    r.InDB = in[228];
    r.RecNo = Get<std::int32_t>(in, 230);
    r.FoundDate = Get<double>(in, 239);
    r.ChangeMark = static_cast<char>(in[292]);
    return r;
}

void EncodeFoundRec(const TFoundRec& r, unsigned char* out) {
    std::memset(out, 0, TFoundRec::kSize);
    Put<double>(out, 0, r.Lat);
    Put<double>(out, 8, r.Lon);
    PutText(out, 16, r.Waypoint);
    PutText(out, 33, r.Name);
    PutText(out, 154, r.CacheType);
    PutText(out, 175, r.FoundDate);
}

TFoundRec DecodeFoundRec(const unsigned char* in) {
    TFoundRec r;
    r.Lat = Get<double>(in, 0);
    r.Lon = Get<double>(in, 8);
    r.Waypoint = GetText<16>(in, 16);
    r.Name = GetText<120>(in, 33);
    r.CacheType = GetText<20>(in, 154);
    r.FoundDate = GetText<10>(in, 175);
    return r;
}

void EncodeAddWPRec(const TAddWPRec& r, unsigned char* out) {
    std::memset(out, 0, TAddWPRec::kSize);
    PutText(out, 0, r.CacheCode);
    Put<double>(out, 24, r.Lat);
    Put<double>(out, 32, r.Lon);
    PutText(out, 40, r.Id);
    PutText(out, 57, r.WPType);
    PutText(out, 83, r.Description);
    PutText(out, 164, r.Comment);
}

TAddWPRec DecodeAddWPRec(const unsigned char* in) {
    TAddWPRec r;
    r.CacheCode = GetText<16>(in, 0);
    r.Lat = Get<double>(in, 24);
    r.Lon = Get<double>(in, 32);
    r.Id = GetText<16>(in, 40);
    r.WPType = GetText<25>(in, 57);
    r.Description = GetText<80>(in, 83);
    r.Comment = GetText<250>(in, 164);
    return r;
}

std::vector<TCacheRec> DecodeCacheRecs(std::string_view bytes) {
    return DecodeAll<TCacheRec, &DecodeCacheRec>(bytes);
}
std::vector<TFoundRec> DecodeFoundRecs(std::string_view bytes) {
    return DecodeAll<TFoundRec, &DecodeFoundRec>(bytes);
}
std::vector<TAddWPRec> DecodeAddWPRecs(std::string_view bytes) {
    return DecodeAll<TAddWPRec, &DecodeAddWPRec>(bytes);
}
std::string EncodeCacheRecs(const std::vector<TCacheRec>& recs) {
    return EncodeAll<TCacheRec, &EncodeCacheRec>(recs);
}
std::string EncodeFoundRecs(const std::vector<TFoundRec>& recs) {
    return EncodeAll<TFoundRec, &EncodeFoundRec>(recs);
}
std::string EncodeAddWPRecs(const std::vector<TAddWPRec>& recs) {
    return EncodeAll<TAddWPRec, &EncodeAddWPRec>(recs);
}

// ---------------------------------------------------------------------------

std::string FoldListKey(std::string_view key) { return UpperCaseCp1252(key); }

int TFoundList::LoadFromFile(const std::string& fileName, int* error) {
    int added = 0;
    const int code = ForEachRecordOf(fileName, TFoundRec::kSize, [&](const unsigned char* rec, long long) {
        AddFound(DecodeFoundRec(rec));
        ++added;
        return true;
    });
    if (error) *error = code;
    return added;
}

int TAddWPList::IndexOfWP(std::string_view id) const {
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].rec.Id == id) return static_cast<int>(i);
    return -1;
}

std::unique_ptr<TAddWPList> TAddWPList::SelectForCache(std::string_view cacheCode) const {
    std::unique_ptr<TAddWPList> out;
    for (const auto& e : entries_) {
        if (e.rec.CacheCode != cacheCode) continue;
        if (!out) out = std::make_unique<TAddWPList>();
        out->AddWP(e.rec.Id.view(), e.rec);
    }
    return out;
}

}  // namespace tv
