#include "core/addwp_db.h"

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/cache_db.h"
#include "core/cache_rec.h"
#include "core/proc_settings.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

namespace fs = std::filesystem;
using tvtest::AddWPPoint;
using tvtest::CacheRecord;

std::vector<std::string> Ids(const TAddWPList& list) {
    std::vector<std::string> ids;
    for (const auto& e : list) ids.push_back(e.key + "=" + e.rec.Description.str());
    return ids;
}

const std::string kHead =
    "Zus&auml;tzliche Wegpunkte f&uuml;r diesen Cache:<br><table border=\"1\" cellspacing=\"0\" cellpadding=\"2\">"
    "<tr bgcolor=\"#E0E0E0\"><td>Waypoint</td><td>Koordinaten</td><td>Offset</td><td>Art</td>"
    "<td>Beschreibung / Kommentar</td></tr>\r\n";

// A work folder with GC1 at 48/8 in the cache database.
class AddWpTest : public ::testing::Test {
protected:
    void SetUp() override { dir.writeCaches({CacheRecord("GC1", "", 48.0, 8.0)}); }
    tvtest::WorkFolder dir;
};

TEST_F(AddWpTest, SaveLoadRoundTripIsByteExact) {
    TAddWPList list;
    list.AddWP("PK1", AddWPPoint("GC1", "PK1", 48.002698, 8.0, "Parking Area", "Parkplatz", "Geb\xFChr"));
    list.AddWP("S1", AddWPPoint("GC2", "S1", -33.5, -70.25, "Stages of a Multicache", "Stage 1"));
    list.AddWP("FN1", AddWPPoint("GC1", "FN1", 48.01, 8.01, "Final Location", std::string(80, 'd').c_str(),
                                 std::string(250, 'c').c_str()));
    ASSERT_TRUE(SaveAddWaypoints(list));
    const std::string bytes = dir.read("CacheWaypoints.bin");
    ASSERT_EQ(bytes.size(), 3 * TAddWPRec::kSize);
    std::string expected;
    for (const auto& e : list) {
        const auto b = EncodeAddWPRec(e.rec);
        expected.append(reinterpret_cast<const char*>(b.data()), b.size());
    }
    EXPECT_EQ(bytes, expected);

    TAddWPList back;
    EXPECT_EQ(LoadAddWaypoints(back), 3);
    ASSERT_EQ(back.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(back.Key(i), list.At(i).Id.str());
        EXPECT_EQ(back.At(i), list.At(i));
    }
    const auto mine = back.SelectForCache("GC1");
    ASSERT_TRUE(mine);
    EXPECT_EQ(Ids(*mine), (std::vector<std::string>{"PK1=Parkplatz", "FN1=" + std::string(80, 'd')}));

    // A trailing partial record is not a record; loading appends.
    dir.write("CacheWaypoints.bin", bytes + std::string(100, 'x'));
    EXPECT_EQ(LoadAddWaypoints(back), 3);
    EXPECT_EQ(back.Count(), 6);
}

TEST_F(AddWpTest, FailedSaveKeepsTheStore) {
    TAddWPList list;
    for (int i = 0; i < 20; ++i)
        list.AddWP("P" + std::to_string(i), AddWPPoint("GC1", ("P" + std::to_string(i)).c_str(), 48, 8, "", "x"));
    ASSERT_TRUE(SaveAddWaypoints(list));
    const std::string before = dir.read("CacheWaypoints.bin");
    list.AddWP("NEW", AddWPPoint("GC1", "NEW", 48, 8, "", "y"));
    {
        // Writes beyond 1000 bytes fail, as on a full disk.
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        auto handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 1000;
        setrlimit(RLIMIT_FSIZE, &small);
        const bool saved = SaveAddWaypoints(list);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, handler);
        EXPECT_FALSE(saved);
    }
    EXPECT_EQ(dir.read("CacheWaypoints.bin"), before);
}

TEST_F(AddWpTest, TableOfOneCache) {
    TAddWPList list;
    list.AddWP("PK1", AddWPPoint("GC1", "PK1", 48.002698, 8.0, "Parking Area", "Parkplatz", "Geb\xFChr"));
    list.AddWP("X9", AddWPPoint("GC2", "X9", 48.1, 8.1, "Trailhead", "other cache"));
    list.AddWP("ZZ", AddWPPoint("GC1", "ZZ", 0.0, 0.0, "Final Location", "Dose", "unter dem Stein"));
    list.AddWP("Q<1>", AddWPPoint("GC1", "Q<1>", -33.5, -70.25, "question to answer", "a < b & \"c\"", "<script>"));
    list.AddWP("BAD", AddWPPoint("GC1", "BAD", 91.0, 8.0, "", "off the globe"));
    ASSERT_TRUE(SaveAddWaypoints(list));

    std::string html;
    BuildAddWaypointsHTML("GC1", html);
    const std::string expected =
        kHead +
        "<tr><td>PK1</td><td>N 48\xB0 0.162 E 008\xB0 0.000</td><td>0,3 km</td><td>Parken</td>"
        "<td>Parkplatz<br>Geb\xFChr</td></tr>\r\n"
        "<tr><td>ZZ</td><td>?</td><td>?</td><td>Finale</td><td>Dose<br>unter dem Stein</td></tr>\r\n"
        "<tr><td>Q&lt;1&gt;</td><td>S 33\xB0 30.000 W 070\xB0 15.000</td><td>11925,7 km</td><td>Frage</td>"
        "<td>a &lt; b &amp; &quot;c&quot;<br>&lt;script&gt;</td></tr>\r\n"
        "<tr><td>BAD</td><td>?</td><td>?</td><td>Ref.Pkt.</td><td>off the globe</td></tr>\r\n"
        "</table>";
    EXPECT_EQ(html, expected);

    // The same from a list loaded once for a batch.
    std::string again;
    BuildAddWaypointsHTML("GC1", list, again);
    EXPECT_EQ(again, expected);

    // Points of a cache that is not in the database give no table.
    BuildAddWaypointsHTML("GC2", html);
    EXPECT_EQ(html, "");
    EXPECT_EQ(BuildAddWaypointsHTMLFrom(CacheRecord("GC3"), list), "");
}

TEST(AddWpMerge, ReplacesInPlaceAndAppendsNew) {
    TAddWPList target, source;
    target.AddWP("A", AddWPPoint("GC1", "A", 1, 1, "", "a"));
    target.AddWP("B", AddWPPoint("GC1", "B", 2, 2, "", "b"));
    source.AddWP("B", AddWPPoint("GC1", "B", 3, 3, "", "b2"));
    source.AddWP("C", AddWPPoint("GC1", "C", 4, 4, "", "c"));
    source.AddWP("c", AddWPPoint("GC1", "c", 5, 5, "", "lower c"));  // ids compare exactly
    source.AddWP("C", AddWPPoint("GC1", "C", 6, 6, "", "c2"));       // replaces the C just added
    EXPECT_EQ(MergeAddWaypoints(target, source), 2);
    EXPECT_EQ(Ids(target), (std::vector<std::string>{"A=a", "B=b2", "C=c2", "c=lower c"}));
    EXPECT_EQ(target.At(1).Lat, 3.0);
    TAddWPList none;
    EXPECT_EQ(MergeAddWaypoints(target, none), 0);
    EXPECT_EQ(target.Count(), 4);
}

}  // namespace
}  // namespace tv
