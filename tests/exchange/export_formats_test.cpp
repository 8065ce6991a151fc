// The numeric and naming corners of the receiver formats that the golden
// files do not reach.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <sstream>

#include "core/cache_rec.h"
#include "core/proc_settings.h"
#include "exchange/export_run.h"
#include "exchange/export_sink.h"
#include "exchange/formats/csv_format.h"
#include "exchange/formats/easygps_format.h"
#include "exchange/formats/gpx_format.h"
#include "exchange/formats/magellan_format.h"
#include "exchange/formats/top50_format.h"
#include "exchange/formats/xml_template_format.h"
#include "export_cases.h"
#include "support/records.h"

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

TEST(EasyGps, CodesAreWrittenInTheDeclaredLatin1) {
    TCacheRec r;
    r.Waypoint = "GC\xC4\x80\"1";  // 'Ä', the euro sign (not in Latin-1), a quote
    r.Name = "Name";
    StringSink sink;
    EXPECT_EQ(WriteEasyGps({r}, tvtest::ExportTestContext("/w/"), sink), 1);
    const std::string& text = sink.text();
    EXPECT_NE(text.find("encoding=\"ISO-8859-1\""), std::string::npos);
    EXPECT_NE(text.find("<name id=\"GC\xC4&#8364;&quot;1\">"), std::string::npos) << text;
    EXPECT_EQ(text.find("\xC3\x84"), std::string::npos);  // no UTF-8 in a Latin-1 file
}

TEST(ExportNames, AccentedLettersKeepTheirBaseLetterInGpxLocAndXml) {
    const TCacheRec r = tvtest::ExportRec(7, "GC7QC", W("Points géodésiques du Québec"), 46.8, -71.2,
                                          "Traditional Cache", "Small", "1", "1", 39000.0, 0);
    EXPECT_EQ(GpxWaypointText("<wpt><name>#CACHENAME#</name></wpt>", r),
              "<wpt><name>Points geodesiques du Quebec</name></wpt>");
    EXPECT_EQ(XmlWaypointText("<wpt name=\"#CACHENAME_INT#\" short=\"#CACHENAME128#\"/>", r),
              "<wpt name=\"Points geodesiques du Quebec\" short=\"Points geodesiques du Quebec\"/>");
    StringSink loc;
    ASSERT_EQ(WriteEasyGps({r}, tvtest::ExportTestContext("/w/"), loc), 1);
    EXPECT_NE(loc.text().find("<name id=\"GC7QC\"><![CDATA[Points geodesiques du Quebec]]></name>"), std::string::npos)
        << loc.text();
}

TEST(Csv, MerkatorPacksDegreesMinutesSeconds) {
    EXPECT_DOUBLE_EQ(Merkator(49.515625), 493056.25);
    EXPECT_DOUBLE_EQ(Merkator(-33.5), -333000.0);
    EXPECT_DOUBLE_EQ(Merkator(10.75), 104500.0);
}

TEST(Csv, DistanceColumnIsMeasuredFromTheChosenAdditionalHome) {
    const TProcSettings saved = ProcSettings;
    ProcSettings.HomeLat = 49.45;
    ProcSettings.HomeLong = 11.08;
    ProcSettings.AddHomeTxt = {W("München"), "Berlin"};
    ProcSettings.AddHomeLat = {"48.13743", "52,52"};  // the second as typed with a comma
    ProcSettings.AddHomeLon = {"11.57549", "13,405"};
    const double homes[3][2] = {{49.45, 11.08}, {48.13743, 11.57549}, {52.52, 13.405}};
    // Known figure: Munich to Berlin is about 504 km on this sphere.
    EXPECT_NEAR(tvtest::HaversineKm(48.13743, 11.57549, 52.52, 13.405), 504.2, 0.5);

    ExportList list = tvtest::ExportRecords();
    list.push_back(tvtest::ExportRec(4, "GCMUC", "Marienplatz", 48.13743, 11.57549, "", "", "1", "1", 0, 79));
    CsvOptions o;
    o = {false, false, false, false, false, false, false, false, false, false, false, true, false, true, false, false};
    o.decimalSeparator = 1;
    for (int home = 0; home < 3; ++home) {
        SCOPED_TRACE(home);
        StringSink sink;
        ASSERT_EQ(WriteCsv(list, o, ExportContextFromSettings(home), sink), 4);
        std::istringstream lines(sink.text());
        std::string line;
        for (const TCacheRec& r : list) {
            ASSERT_TRUE(std::getline(lines, line));
            const std::string km = line.substr(line.find(';') + 1, line.size() - line.find(';') - 2);
            const double expected = tvtest::HaversineKm(r.Lat, r.Lon, homes[home][0], homes[home][1]);
            // Two decimals of a single-precision distance.
            EXPECT_NEAR(std::stod(km), expected, 0.006) << r.Waypoint.str() << " " << line;
        }
    }
    ProcSettings = saved;
}

}  // namespace
}  // namespace tv
