// The numeric and naming corners of the receiver formats that the golden
// files do not reach.
#include <gtest/gtest.h>

#include <cerrno>

#include "core/cache_rec.h"
#include "exchange/export_sink.h"
#include "exchange/formats/csv_format.h"
#include "exchange/formats/magellan_format.h"
#include "exchange/formats/top50_format.h"
#include "export_cases.h"

namespace tv {
namespace {

TEST(Magellan, DegreesMinutesInSinglePrecisionAndChecksums) {
    EXPECT_EQ(DegMinText(49.5, 'N'), "4930.000,N");
    EXPECT_EQ(DegMinText(8.05, 'E'), "803.000,E");
    EXPECT_EQ(DegMinText(33.5, 'S'), "3330.000,S");
    EXPECT_EQ(DegMinText(10.7512345678, 'E'), "1045.074,E");
    EXPECT_EQ(DegMinText(0.05, 'N'), "003.000,N");
    EXPECT_EQ(DegMinText(47.999995, 'N'), "4800.000,N");  // 59.9998 minutes carry
    EXPECT_EQ(DegMinText(7.1666666, 'E'), "710.000,E");   // 9.99999 minutes print as 10
    EXPECT_EQ(NmeaSentence("PMGNCMD,END"), "$PMGNCMD,END*3D");
}

TEST(Top50, CoordinatesBitmapsAndOneStopOnAFullDisk) {
    EXPECT_EQ(OvlCoordText(10.7512345678), "10.75123456");
    EXPECT_EQ(OvlCoordText(-70.2512345678), "-70.2512345");
    EXPECT_EQ(OvlCoordText(0.000001), "0.000001");
    TCacheRec cito;
    cito.CacheType = "Cache In Trash Out Event";  // stored cut to 20 characters
    EXPECT_EQ(CacheTypeBitmap(cito.CacheType), "cito.bmp");
    EXPECT_EQ(CacheTypeBitmap("Earthcache"), "earth.bmp");
    EXPECT_EQ(CacheTypeBitmap("?"), "trad.bmp");

    class FullDisk final : public LineSink {
    public:
        FullDisk() : LineSink(0) {}
        int lines = 0;

    protected:
        int Put(std::string_view) override { return ++lines > 14 ? ENOSPC : 0; }
    } sink;
    EXPECT_EQ(WriteTop50(tvtest::ExportRecords(), OvlOptions{}, tvtest::ExportTestContext("/w/"), sink), 2);
    EXPECT_EQ(sink.lines, 24 + 2);  // two blocks begun, then only the closing lines
    EXPECT_EQ(sink.error(), ENOSPC);
}

TEST(Csv, MerkatorPacksDegreesMinutesSeconds) {
    EXPECT_DOUBLE_EQ(Merkator(49.515625), 493056.25);
    EXPECT_DOUBLE_EQ(Merkator(-33.5), -333000.0);
    EXPECT_DOUBLE_EQ(Merkator(10.75), 104500.0);
}

}  // namespace
}  // namespace tv
