#include "core/cache_rec.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace {

using tv::TAddWPRec;
using tv::TCacheRec;
using tv::TFoundRec;

// Writes hex bytes ("79 58 a8") or, with a leading length, text at an offset.
template <std::size_t N>
void Hex(std::array<unsigned char, N>& buf, std::size_t offset, const std::string& hex) {
    for (std::size_t i = 0; i + 1 < hex.size(); i += 3)
        buf.at(offset++) = static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16));
}
template <std::size_t N>
void Text(std::array<unsigned char, N>& buf, std::size_t offset, const std::string& text) {
    buf.at(offset) = static_cast<unsigned char>(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) buf.at(offset + 1 + i) = static_cast<unsigned char>(text[i]);
}
template <std::size_t N>
std::string Diff(const std::array<unsigned char, N>& got, const std::array<unsigned char, N>& want) {
    std::string out;
    for (std::size_t i = 0; i < N; ++i)
        if (got[i] != want[i])
            out += "offset " + std::to_string(i) + ": got " + std::to_string(got[i]) + " want " +
                   std::to_string(want[i]) + "\n";
    return out;
}

TCacheRec FullCacheRec() {
    TCacheRec r;
    r.Id = 4711;
    r.Name = "Schatz & Co";
    r.Hidden = 38171.0;
    r.Lat = 48.12345;
    r.Lon = 11.54321;
    r.CacheType = "TRADITIONAL CACHE";
    r.Size = "Regular";
    r.Waypoint = "GC1A2B";
    r.Difficulty = "1.5";
    r.Terrain = "2";
    r.CountryId = -2;
    r.Distance = 12.5f;
    r.InDB = 1;
    r.RecNo = 123456;
    r.FoundDate = 38172.75;
    r.ChangeMark = 'D';
    return r;
}

TEST(CacheRecLayout, FullyPopulatedRecordByteByByte) {
    tv::CacheRecBytes want{};
    Hex(want, 0, "67 12 00 00");
    Text(want, 4, "Schatz & Co");
    Hex(want, 128, "00 00 00 00 60 a3 e2 40");
    Hex(want, 136, "79 58 a8 35 cd 0f 48 40");
    Hex(want, 144, "67 b8 01 9f 1f 16 27 40");
    Text(want, 152, "TRADITIONAL CACHE");
    Text(want, 173, "Regular");
    Hex(want, 194, "06 47 43 31 41 32 42");  // 06 'G' 'C' '1' 'A' '2' 'B'
    Hex(want, 211, "03 31 2e 35");           // 03 '1' '.' '5'
    Text(want, 215, "2");
    Hex(want, 220, "fe ff ff ff");
    Hex(want, 224, "00 00 48 41");
    want[228] = 1;
    Hex(want, 230, "40 e2 01 00");
    Hex(want, 239, "00 00 00 00 98 a3 e2 40");
    want[292] = 'D';

    const TCacheRec rec = FullCacheRec();
    const auto got = tv::EncodeCacheRec(rec);
    EXPECT_EQ(Diff(got, want), "");
    EXPECT_EQ(got.size(), 296u);

    const TCacheRec back = tv::DecodeCacheRec(got.data());
    EXPECT_EQ(back, rec);
    EXPECT_EQ(back.Waypoint, "GC1A2B");
    EXPECT_DOUBLE_EQ(back.FoundDate, 38172.75);
    EXPECT_EQ(tv::EncodeCacheRec(back), got);
}

TEST(CacheRecLayout, FindAndAdditionalWaypointByteByByte) {
    TFoundRec f;
    f.Lat = 48.12345;
    f.Lon = 11.54321;
    f.Waypoint = "GC1A2B";
    f.Name = "Schatz";
    f.CacheType = "MULTI-CACHE";
    f.FoundDate = "03.07.2004";
    tv::FoundRecBytes fw{};
    Hex(fw, 0, "79 58 a8 35 cd 0f 48 40");
    Hex(fw, 8, "67 b8 01 9f 1f 16 27 40");
    Text(fw, 16, "GC1A2B");
    Text(fw, 33, "Schatz");
    Text(fw, 154, "MULTI-CACHE");
    Hex(fw, 175, "0a 30 33 2e 30 37 2e 32 30 30 34");  // 10 "03.07.2004"
    const auto fgot = tv::EncodeFoundRec(f);
    EXPECT_EQ(Diff(fgot, fw), "");
    EXPECT_EQ(tv::DecodeFoundRec(fgot.data()), f);

    TAddWPRec a;
    a.CacheCode = "GC1A2B";
    a.Lat = 48.12345;
    a.Lon = 11.54321;
    a.Id = "PK1A2B";
    a.WPType = "Parking Area";
    a.Description = "Parkplatz";
    a.Comment = std::string(260, 'c');  // cut to 250
    tv::AddWPRecBytes aw{};
    Text(aw, 0, "GC1A2B");
    Hex(aw, 24, "79 58 a8 35 cd 0f 48 40");
    Hex(aw, 32, "67 b8 01 9f 1f 16 27 40");
    Text(aw, 40, "PK1A2B");
    Text(aw, 57, "Parking Area");
    Text(aw, 83, "Parkplatz");
    Text(aw, 164, std::string(250, 'c'));  // ends at 414; 415 stays 0
    const auto agot = tv::EncodeAddWPRec(a);
    EXPECT_EQ(Diff(agot, aw), "");
    EXPECT_EQ(agot[415], 0);
    const TAddWPRec aback = tv::DecodeAddWPRec(agot.data());
    EXPECT_EQ(aback.Comment.size(), 250u);
    EXPECT_EQ(tv::EncodeAddWPRec(aback), agot);
}

TEST(CacheRecLayout, OverlongTextsAreCutAndCorruptLengthBytesClamped) {
    TCacheRec r;
    std::string name121;
    for (int i = 0; i < 121; ++i) name121 += static_cast<char>('A' + i % 26);
    r.Name = name121;
    r.Waypoint = "GC12345678901234567";  // 19 characters
    auto b = tv::EncodeCacheRec(r);
    EXPECT_EQ(b[4], 120);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[5]), 120), name121.substr(0, 120));
    EXPECT_EQ(b[125], 0);  // padding untouched by the cut text
    EXPECT_EQ(b[194], 16);
    EXPECT_EQ(tv::DecodeCacheRec(b.data()).Name.str(), name121.substr(0, 120));

    // Hostile length bytes: never more than the field holds, never the next field.
    b[4] = 0xFF;
    b[194] = 0xFF;
    b[211] = 0xFF;
    Text(b, 215, "2");
    const TCacheRec d = tv::DecodeCacheRec(b.data());
    EXPECT_EQ(d.Name.size(), 120u);
    EXPECT_EQ(d.Waypoint.str(), "GC12345678901234");
    EXPECT_EQ(d.Difficulty.size(), 3u);
    EXPECT_EQ(d.Terrain, "2");
}

TEST(CacheRecLayout, BufferOfRecordsIgnoresTrailingPartialRecord) {
    std::vector<TCacheRec> recs(3, FullCacheRec());
    recs[1].Waypoint = "GC2";
    recs[2].Waypoint = "GC3";
    std::string bytes = tv::EncodeCacheRecs(recs);
    ASSERT_EQ(bytes.size(), 3u * 296u);
    EXPECT_EQ(tv::DecodeCacheRecs(bytes), recs);
    bytes.resize(bytes.size() - 1);
    const auto back = tv::DecodeCacheRecs(bytes);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1].Waypoint, "GC2");
}


// Day counts from 1899-12-30, the dates the records store.
TEST(DayCount, CivilDatesRoundTrip) {
    EXPECT_EQ(tv::DayCountFromDate(2004, 7, 3), 38171.0);
    EXPECT_EQ(tv::DayCountFromDate(1899, 12, 30), 0.0);
    EXPECT_EQ(tv::DayCountFromDate(1900, 3, 1), 61.0);
    EXPECT_EQ(tv::DayCountFromDate(1899, 12, 29), -1.0);
    EXPECT_EQ(tv::DayCountFromDate(2000, 3, 1), 36586.0);
    EXPECT_TRUE(tv::DayCountFromDate(2000, 2, 29).has_value());
    EXPECT_TRUE(tv::DayCountFromDate(2004, 2, 29).has_value());
    EXPECT_FALSE(tv::DayCountFromDate(1900, 2, 29).has_value());
    EXPECT_FALSE(tv::DayCountFromDate(2003, 2, 29).has_value());
    EXPECT_FALSE(tv::DayCountFromDate(2004, 2, 30).has_value());
    EXPECT_FALSE(tv::DayCountFromDate(2004, 13, 1).has_value());
    EXPECT_FALSE(tv::DayCountFromDate(2004, 0, 1).has_value());
    EXPECT_FALSE(tv::DayCountFromDate(0, 1, 1).has_value());

    int y = 0, m = 0, d = 0;
    ASSERT_TRUE(tv::DateFromDayCount(38171.75, y, m, d));
    EXPECT_EQ((std::array{y, m, d}), (std::array{2004, 7, 3}));
    ASSERT_TRUE(tv::DateFromDayCount(36585, y, m, d));
    EXPECT_EQ((std::array{y, m, d}), (std::array{2000, 2, 29}));
    for (int day = -693593; day < 2958466; day += 997) {
        ASSERT_TRUE(tv::DateFromDayCount(day, y, m, d));
        ASSERT_EQ(tv::DayCountFromDate(y, m, d), static_cast<double>(day));
    }
    EXPECT_FALSE(tv::DateFromDayCount(-693594, y, m, d));
    EXPECT_FALSE(tv::DateFromDayCount(1e300, y, m, d));
}

}  // namespace
