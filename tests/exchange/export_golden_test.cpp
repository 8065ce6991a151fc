// Every file under tests/golden/<format>/ is one export, compared byte for
// byte: "<source>[~<variant>].<ext>", the source being the database, the work
// list, the finds, a directory list or an empty list. GPX files are also
// validated against the GPX 1.1 schema, and files gpsbabel understands are
// read back by it. TV_REGENERATE_GOLDEN=1 rewrites the files instead.
#include <gtest/gtest.h>
#include <libxml/xmlschemas.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "core/cache_db.h"
#include "exchange/export_run.h"
#include "export_cases.h"
#include "support/records.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

struct FormatDir {
    int item;
    const char* gpsbabel;  // reader format, or null
};
const std::map<std::string, FormatDir> kDirs = {
    {"gpx", {kFmtGpx, "gpx"}},       {"xml", {kFmtXml, "geo"}},
    {"top50", {kFmtTop50, nullptr}}, {"loc", {kFmtEasyGps, "geo"}},
    {"csv", {kFmtCsv, nullptr}},     {"realmaps", {kFmtRealMaps, nullptr}},
    {"ozi", {kFmtOzi, "ozi"}},       {"magellan", {kFmtMagellan, nullptr}},
};

const std::map<std::string, ExportSource> kSources = {{"database", ExportSource::Database},
                                                      {"worklist", ExportSource::WorkList},
                                                      {"finds", ExportSource::Finds},
                                                      {"folder", ExportSource::DirList},
                                                      {"empty", ExportSource::DirList}};

// A .loc-shaped template using every placeholder.
const char* const kLocTemplate =
    "name=EasyGPS per Vorlage\r\n[Header]\r\n<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<loc version=\"1.0\">"
    "\r\n[/Header]\r\n[Waypoints]\r\n<waypoint><name id=\"#WAYPOINT#\"><![CDATA[#CACHENAME_INT#]]></name>"
    "<coord lat=\"#LAT#\" lon=\"#LON#\"/><type>Geocache</type><!-- #CACHENAME128# #DATEHIDDEN# #COUNTRY_ID# "
    "#CACHETYPE# #CACHESIZE# #DIFFICULTY# #TERRAIN# #DIFFTERR# #COMPRESSEDCACHENAME# #CACHETYPESHORT# "
    "#CACHESIZESHORT# #CACHE_ID# --></waypoint>\r\n[/Waypoints]\r\n[Footer]</loc>[/Footer]\r\n";

void ApplyVariant(const std::string& variant, ExportOptions& o, ExportContext& ctx) {
    if (variant == "onlyhome") o.gpx.whichHomes = 0;
    if (variant == "nohome") o.gpx.outputHome = false;
    if (variant == "nolabel") o.ovl.label = false;
    if (variant == "violet_small") o.ovl = {true, 6, 0};
    if (variant == "point_quoted") {
        o.csv.decimalSeparator = 1;
        o.csv.quoteNums = o.csv.id = o.csv.merkator = true;
    }
    if (variant == "nocolumns")
        o.csv = {false, false, false, false, false, false, false, false,
                 false, false, false, false, false, false, false, true};
    if (variant == "home1") ctx.distanceRef = {48.13743, 11.57549};
    if (variant == "codename") o.psionInfo = 2;
    if (variant == "code") o.psionInfo = 1;
    if (variant == "swap_minus1_today_bold") {
        o.ozi.number = o.ozi.date = 1;
        o.ozi.swap = o.ozi.bold = true;
        o.ozi.rows[0].bg = 255;
        o.ozi.rows[3].fg = 16711680;
    }
}

std::vector<std::string> GoldenFiles() {
    std::vector<std::string> out;
    for (const auto& dir : fs::directory_iterator(tvtest::TestsPath("golden"))) {
        if (!kDirs.count(dir.path().filename().string())) continue;  // another writer's golden files
        for (const auto& f : fs::directory_iterator(dir.path()))
            out.push_back(dir.path().filename().string() + "/" + f.path().filename().string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

class ExportGolden : public ::testing::TestWithParam<std::string> {};

TEST_P(ExportGolden, MatchesByteForByte) {
    const std::string rel = GetParam();
    const std::string dirName = rel.substr(0, rel.find('/'));
    const std::string file = rel.substr(rel.find('/') + 1);
    const std::string stem = file.substr(0, file.find('.'));
    const std::string sourceName = stem.substr(0, stem.find('~'));
    const std::string variant = stem.find('~') == std::string::npos ? "" : stem.substr(stem.find('~') + 1);
    ASSERT_TRUE(kDirs.count(dirName)) << "no format for folder " << dirName;
    ASSERT_TRUE(kSources.count(sourceName)) << "no source " << sourceName;

    tvtest::WorkFolder work;
    tvtest::WriteExportWork(work);
    ExportRequest req;
    req.options = DefaultExportOptions();
    req.options.format = kDirs.at(dirName).item;
    req.options.xml = ParseXtp(kLocTemplate).parts;
    req.source = kSources.at(sourceName);
    req.listFile = work.str() + (sourceName == "empty" ? "none.txt" : "dirlist.txt");
    if (sourceName == "empty") work.write("none.txt", "");
    req.outPath = work.str() + "out/" + file;
    fs::create_directories(work.path() / "out");
    req.context = tvtest::ExportTestContext(work.str());
    ApplyVariant(variant, req.options, req.context);
    const ExportResult r = RunExport(req);
    EXPECT_EQ(r.writeError, 0);
    EXPECT_EQ(r.readError, 0);
    EXPECT_EQ(r.written, variant == "nocolumns" ? 0 : r.listCount);

    std::string bytes = tvtest::ReadFileBytes(req.outPath);
    // Paths of the work folder (the overlay's bitmaps) stand as "/work/".
    for (std::size_t p; (p = bytes.find(work.str())) != std::string::npos;)
        bytes.replace(p, work.str().size(), "/work/");
    const fs::path golden = tvtest::TestsPath("golden/" + rel);
    if (std::getenv("TV_REGENERATE_GOLDEN")) {
        std::ofstream(golden, std::ios::binary) << bytes;
        GTEST_SKIP() << "regenerated " << rel;
    }
    EXPECT_EQ(bytes, tvtest::ReadFileBytes(golden)) << rel;

    if (dirName == "gpx") {
        EXPECT_TRUE(tvtest::ValidGpx11(req.outPath)) << rel;
    }
    if (const char* reader = kDirs.at(dirName).gpsbabel; reader && variant.empty()) {
        const auto points = tvtest::GpsbabelRead(req.outPath, reader, work);
        if (!points) GTEST_SKIP() << "gpsbabel is not installed";
        LoadedList list = req.source == ExportSource::Finds      ? LoadFinds(work.str() + "Finds.bin")
                          : req.source == ExportSource::Database ? LoadCacheDb(work.str() + "Caches.bin")
                          : req.source == ExportSource::WorkList ? LoadWpList(work.str() + "WPList.txt")
                                                                 : LoadWpList(req.listFile);
        std::size_t matched = 0;
        for (const tvtest::ReadPoint& p : *points)
            for (const TCacheRec& rec : list.records)
                if (p.name == rec.Waypoint.view() && std::fabs(p.lat - rec.Lat) < 1e-5 &&
                    std::fabs(p.lon - rec.Lon) < 1e-5) {
                    ++matched;
                    break;
                }
        EXPECT_EQ(matched, list.records.size()) << rel;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, ExportGolden, ::testing::ValuesIn(GoldenFiles()), [](const auto& info) {
    std::string n = info.param;
    std::replace_if(
        n.begin(), n.end(), [](char c) { return !isalnum(c); }, '_');
    return n;
});

}  // namespace
}  // namespace tv
