// Options and templates on disk, the list loaders, the sink and the run's
// error handling.
#include "exchange/export_run.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cerrno>
#include <filesystem>

#include "core/app_paths.h"
#include "core/cache_db.h"
#include "core/ini_file.h"
#include "exchange/export_sink.h"
#include "exchange/formats/gpx_format.h"
#include "export_cases.h"
#include "support/records.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

TEST(ExportSettings, RoundTripAllKeysAndReadNothingWithoutTqConf) {
    tvtest::TempDir work;
    work.write("WPtpl.txt", "<wpt/>\r\n");
    ExportOptions o = DefaultExportOptions();
    EXPECT_FALSE(LoadExportSettings(work.str(), o));  // no tq.conf: the template file is not read either
    EXPECT_EQ(o.gpx.wpTemplate, DefaultWaypointTemplate());

    o.ovl = {false, 6, 0};
    o.csv.id = true;
    o.csv.name = false;
    o.csv.home = 3;
    o.ozi.rows[3].symbol = "42";
    o.gpx.wpTemplate = "<wpt>\r\n</wpt>";
    o.xmlTemplate = 5;
    ASSERT_TRUE(SaveExportSettings(work.str(), o));
    const auto ini = IniDocument::Parse(work.read("tq.conf"));
    EXPECT_EQ(ini.keys("ListExport").size(), 37u);
    EXPECT_EQ(ini.get("ListExport", "CSVcbID"), "1");
    EXPECT_EQ(work.read("WPtpl.txt"), "<wpt>\r\n</wpt>\r\n");

    ExportOptions back = DefaultExportOptions();
    ASSERT_TRUE(LoadExportSettings(work.str(), back));
    fs::create_directories(work.path() / "again");
    SaveExportSettings(work.str() + "again/", back);
    // Every stored value came back: the second file is the first.
    EXPECT_EQ(tvtest::ReadFileBytes(work.path() / "again/tq.conf"), work.read("tq.conf"));
    EXPECT_EQ(back.gpx.wpTemplate, o.gpx.wpTemplate);
}

TEST(XmlTemplates, ParseAndListSortedSkippingNameless) {
    const XmlTemplate t =
        ParseXtp("NAME=Mein Format\r\n[HEADER]\r\n\r\n  <a>\r\n[/header]\r\n[Waypoints]<w>#WAYPOINT#</w>[/Waypoints]");
    EXPECT_EQ(t.displayName, "Mein Format");
    EXPECT_EQ(t.parts.header, "<a>");
    EXPECT_EQ(t.parts.footer, "");
    EXPECT_EQ(t.parts.waypoint, "<w>#WAYPOINT#</w>");

    tvtest::TempDir work;
    work.write("b.XTP", "name=B");
    work.write("a#1.xtp", "x=1\r\nname=A=1");
    work.write("c.xtp", "name=");
    work.write("d.txt", "name=D");
    const auto list = ListTemplates(work.str());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].file, "a#1.xtp");
    EXPECT_EQ(list[0].displayName, "A=1");
    EXPECT_EQ(list[1].file, "b.XTP");

    // Saved by an editor as UTF-8 with a byte-order mark: listed, its name in
    // the program's code page.
    work.write("e.xtp", "\xEF\xBB\xBFname=Gr\xC3\xBC\x6E\r\n[Header]<a>[/Header]");
    const auto withBom = ListTemplates(work.str());
    ASSERT_EQ(withBom.size(), 3u);
    EXPECT_EQ(withBom[2].displayName, W("Grün"));
    EXPECT_EQ(withBom[2].parts.header, "<a>");
}

TEST(ExportLists, LoadersKeepOrderDuplicatesAndStubs) {
    tvtest::WorkFolder work;
    tvtest::WriteExportWork(work);
    work.write("dup.txt", "GC1234\r\n\r\ngc1234\r\nGCNOPE\r\nGC1234\r\n");
    const LoadedList wp = LoadWpList(work.str() + "dup.txt");
    ASSERT_EQ(wp.records.size(), 3u);
    EXPECT_EQ(wp.records[1].Waypoint, "GC1234");

    const LoadedList finds = LoadFinds(work.str() + "Finds.bin");
    ASSERT_EQ(finds.records.size(), 2u);
    EXPECT_EQ(finds.records[0].Size, "Regular");
    EXPECT_EQ(finds.records[0].FoundDate, 38941.0);  // 12.08.2006
    const TCacheRec& stub = finds.records[1];
    EXPECT_EQ(stub.Name, W("Verschollen & vergessen (n/a)"));
    EXPECT_EQ(stub.Waypoint, "GCX999");
    EXPECT_EQ(stub.Lat, 48.1);
    EXPECT_EQ(stub.CacheType.str() + stub.Size.str() + stub.Difficulty.str() + stub.Terrain.str(), "????");
    EXPECT_EQ(stub.FoundDate, 2.0);  // 31.02.2007 is no date

    const LoadedList missing = LoadWpList(work.str() + "nothere.txt");
    EXPECT_EQ(missing.error, ENOENT);
    EXPECT_EQ(missing.path, work.str() + "nothere.txt");
}

// Fails every write from the `okLines`-th line on.
class FailingSink final : public LineSink {
public:
    explicit FailingSink(int okLines) : LineSink(0), ok_(okLines) {}
    std::string text;

protected:
    int Put(std::string_view bytes) override {
        if (ok_-- <= 0) return ENOSPC;
        text.append(bytes);
        return 0;
    }

private:
    int ok_;
};

TEST(ExportSink, StopsTheWriterAtTheFirstErrorAndKeepsIt) {
    const ExportList list = tvtest::ExportRecords();
    GpxOptions o;
    o.outputHome = false;
    o.wpTemplate = "#WAYPOINT#";
    FailingSink sink(11);  // header, metadata, bounds, the first cache
    EXPECT_EQ(WriteGpx(list, o, tvtest::ExportTestContext("/w/"), sink), 2);
    EXPECT_EQ(sink.error(), ENOSPC);
    EXPECT_EQ(sink.text.substr(sink.text.size() - 8), "GC1234\r\n");
}

TEST(ExportRun, ReportsAnOutputThatCannotBeCreatedAndLeavesOldFilesAlone) {
    tvtest::WorkFolder work;
    tvtest::WriteExportWork(work);
    ExportRequest req;
    req.options = DefaultExportOptions();
    req.options.format = kFmtGpx;
    req.context = tvtest::ExportTestContext(work.str());
    req.outPath = work.str() + "no/such/folder/x.gpx";
    const ExportResult r = RunExport(req);
    EXPECT_EQ(r.writeError, ENOENT);
    EXPECT_EQ(r.written, 0);

    EXPECT_TRUE(IsProgramFile(work.str() + "wplist.TXT", work.str(), {}));
    EXPECT_TRUE(IsProgramFile(work.str() + "sub/../Finds.bin", work.str(), {}));
    EXPECT_TRUE(IsProgramFile("/elsewhere/../tmp/dl.txt", work.str(), {"/tmp/dl.txt"}));
    EXPECT_FALSE(IsProgramFile(work.str() + "export.gpx", work.str(), {work.str() + "dirlist.txt"}));
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}
std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

TEST(ExportRun, RefusesEveryProgramFileInTheWorkAndTheProgramFolderByAnySpelling) {
    tvtest::TempDir work, program, elsewhere;
    const std::string previous = ProgramDir();
    SetProgramDir(program.str());
    fs::create_directories(work.path() / "sub");
    for (const char* name : tvtest::kProgramFiles) {
        for (const std::string& dir : {work.str(), program.str()}) {
            for (const std::string& spelt : {std::string(name), Upper(name), Lower(name), "sub/../" + Lower(name)}) {
                const std::string target = (dir == work.str() ? dir + spelt : dir + Upper(spelt));
                EXPECT_TRUE(IsProgramFile(target, work.str(), {})) << target;
            }
        }
        // The same names elsewhere are ordinary export targets.
        EXPECT_FALSE(IsProgramFile(elsewhere.str() + name, work.str(), {})) << name;
        EXPECT_FALSE(IsProgramFile(work.str() + "sub/" + name, work.str(), {})) << name;
    }
    EXPECT_FALSE(IsProgramFile(work.str() + "Caches.bin.csv", work.str(), {}));
    EXPECT_FALSE(IsProgramFile(work.str() + "german_towns.csv.gpx", work.str(), {}));
    // A second name of a program file (a link) is that file.
    work.write("Caches.bin", "db");
    fs::create_symlink(work.path() / "Caches.bin", elsewhere.path() / "link.csv");
    EXPECT_TRUE(IsProgramFile(elsewhere.str() + "link.csv", work.str(), {}));
    SetProgramDir(previous);
}

}  // namespace
}  // namespace tv
