#include "shell/cachedb_commands.h"

#include <sys/stat.h>

#include <cmath>
#include <ctime>
#include <filesystem>
#include <limits>
#include <map>

#include <gtest/gtest.h>

#include "core/cache_db.h"
#include "core/cachedb_table.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/proc_settings.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "shell/program_version.h"
#include "support/http_test_server.h"
#include "support/file_time.h"
#include "support/records.h"
#include "support/temp_dir.h"
#include "support/write_fault.h"
#include "support/zip_build.h"

namespace {

namespace fs = std::filesystem;
using tv::W;
using tv::platform::MsgKind;
using tv::platform::MsgResult;

std::string Line(int id, const std::string& code, double lat, double lon) {
    return std::to_string(id) + " \"Cache " + code + "\" 2005 5 17 " + std::to_string(lat) + " " +
           std::to_string(lon) + " \"Traditional Cache\" \"Micro\" " + code + " x 2 3.5";
}

std::string List(int from, int count) {
    std::string s;
    for (int i = from; i < from + count; ++i) s += Line(i, "GC" + std::to_string(i), 48.0 + i * 0.01, 9.0) + "\r\n";
    return s;
}

using tvtest::TodayText;

// The commands against a loopback server standing in for the download
// folder, the archive-list script and the version file.
class CacheDbCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedSettings_ = tv::ProcSettings;
        savedTable_ = tv::CacheDBTable();
        tv::ArchiveList.Clear();
        tv::CacheDBTable() = tv::TCacheDBTable::Parse(
            "[CacheDB]\nGCDatabaseCount=5\n"
            "DB_CountryID1=227\nDB_Filename1=austria.txt\nDB_CountryID2=187\nDB_Filename2=switzerland.txt\n"
            "DB_CountryID3=79\nDB_Filename3=germany.txt\nDB_CountryID4=130\nDB_Filename4=liechtenstein.txt\n"
            "DB_CountryID5=8\nDB_Filename5=luxembourg.txt\n");
        srv_.fallback([this](const httplib::Request& req, httplib::Response& res) {
            auto it = files_.find(req.path);
            if (it == files_.end()) {
                res.status = 404;
                res.set_content("<html>404</html>", "text/html");
                return;
            }
            res.set_content(it->second, "application/octet-stream");
        });
        srv_.start();
        tv::ProcSettings = tv::TProcSettings{};
        tv::ProcSettings.WorkDir = work_.str();
        tv::ProcSettings.CacheDBUrl = srv_.url("/db/");
        tv::ProcSettings.UpdateURL = srv_.url("/tqversion.txt");
        tv::ProcSettings.ArchiveUrl = srv_.url("/tqlist.php");
        tv::ProcSettings.UseZippedDB = true;
        tv::ProcSettings.CacheDBPrimary = 3;
        tv::ProcSettings.ShowMessages = true;
        tv::ProcSettings.HomeLat = 48.0;
        tv::ProcSettings.HomeLong = 8.0;
    }
    void TearDown() override {
        tv::ProcSettings = savedSettings_;
        tv::CacheDBTable() = savedTable_;
        tv::ArchiveList.Clear();
    }

    // Commands whose conversions are recorded and then run for real.
    tv::CacheDbCommands Commands() {
        tv::CacheDbHooks h;
        h.setStatusText = [this](const std::string& t) { status_.push_back(t); };
        h.convert = [this](const std::string& src, const std::string& dest, bool nearest) {
            converted_.push_back(fs::path(src).filename().string() + (nearest ? ":1" : ":0"));
            return tv::DefaultCacheDbHooks().convert(src, dest, nearest);
        };
        return tv::CacheDbCommands(h);
    }
    std::string Bin() const { return work_.str() + "Caches.bin"; }
    std::string Idx() const { return work_.str() + "Caches.idx"; }
    // A database of `count` caches from the list GC1000...
    void MakeDatabase(int count) {
        work_.write("seed.txt", List(1000, count));
        ASSERT_EQ(tv::DefaultCacheDbHooks().convert(work_.str() + "seed.txt", Bin(), false).result, count);
        ASSERT_EQ(tv::BuildCacheIndex(), 0);
    }

    tvtest::HttpTestServer srv_;
    std::map<std::string, std::string> files_;
    tvtest::TempDir work_;
    tv::platform::ScopedFakes fakes_;
    std::vector<std::string> status_;
    std::vector<std::string> converted_;

private:
    tv::TProcSettings savedSettings_;
    tv::TCacheDBTable savedTable_;
};

TEST_F(CacheDbCommandsTest, ZippedPrimaryDownloadTakesOnlyTheList) {
    const std::string list = List(1, 3);
    files_["/db/germany.txt.zip"] = tvtest::BuildZip({{"../evil.txt", "evil"},
                                                      {"Caches.bin", std::string(296, 'X')},
                                                      {"sub/germany.txt", "wrong"},
                                                      {"GERMANY.TXT", list}});
    auto cmd = Commands();
    cmd.DownloadPrimaryCacheDB();

    EXPECT_EQ(srv_.requestsTo("/db/germany.txt.zip").size(), 1u);
    EXPECT_EQ(tvtest::ReadFileBytes(work_.str() + "germany.txt"), list);
    EXPECT_FALSE(fs::exists(work_.path().parent_path() / "evil.txt"));
    EXPECT_FALSE(fs::exists(work_.path() / "evil.txt"));
    EXPECT_FALSE(fs::exists(work_.path() / "sub"));
    EXPECT_EQ(converted_, (std::vector<std::string>{"germany.txt:1"}));
    const auto recs = tv::DecodeCacheRecs(tvtest::ReadFileBytes(Bin()));
    ASSERT_EQ(recs.size(), 3u);
    EXPECT_EQ(recs[0].Waypoint, "GC1");
    EXPECT_EQ(recs[0].CountryId, 79);
    EXPECT_EQ(tvtest::ReadFileBytes(Idx()).size(), 3u * 24u);
    EXPECT_EQ(fakes_.messages.texts(),
              (std::vector<std::string>{W("germany.txt:\r\n3 Datensätze wurden konvertiert")}));
    ASSERT_EQ(status_.size(), 1u);
    EXPECT_EQ(status_[0], "Stand der Cache-DB: " + TodayText() + W(", 3 Einträge. Keine Archivliste gefunden."));

    // A second run merges: the primary list offers the nearest new cache.
    files_["/db/germany.txt.zip"] = tvtest::BuildZip({{"germany.txt", List(1, 4)}});
    fakes_.messages.answers = {MsgResult::No};
    cmd.DownloadPrimaryCacheDB();
    EXPECT_EQ(tv::DecodeCacheRecs(tvtest::ReadFileBytes(Bin())).size(), 4u);
    ASSERT_EQ(fakes_.messages.shown.size(), 3u);
    const std::string head = W("Es wurden 1 neue Caches in die Datenbank eingefügt.\r\n\r\n");
    EXPECT_EQ(fakes_.messages.shown[1].text.substr(0, head.size()), head);
    EXPECT_EQ(fakes_.messages.shown[2].text, W("germany.txt:\r\n4 Datensätze wurden konvertiert"));
}

// The program has no server of its own: without addresses in the settings the
// three network commands contact nothing and name the field to fill in.
TEST_F(CacheDbCommandsTest, WithoutAddressesNothingIsContacted) {
    tv::ProcSettings.CacheDBUrl.clear();
    tv::ProcSettings.ArchiveUrl.clear();
    tv::ProcSettings.UpdateURL.clear();
    tv::ProcSettings.UseCacheDB[0] = 1;  // a further list, so that its download would start
    std::vector<std::string> contacted;
    tv::CacheDbHooks h;
    h.download = [&](const tv::DownloadRequest& req) {
        contacted.push_back(req.url);
        return false;
    };
    h.loadArchiveList = [&](const std::string& url, const std::string&) -> std::optional<int> {
        contacted.push_back(url);
        return std::nullopt;
    };
    tv::CacheDbCommands cmd(h);
    cmd.DownloadPrimaryCacheDB();
    cmd.DownloadAdditionalCacheDBs();
    cmd.DownloadArchiveList();
    cmd.CheckForUpdate();

    EXPECT_TRUE(contacted.empty());
    EXPECT_EQ(srv_.requestCount(), 0u);
    EXPECT_EQ(fakes_.messages.texts(),
              (std::vector<std::string>{tv::NoCacheDBUrlText(), tv::NoCacheDBUrlText(), tv::NoArchiveUrlText(),
                                        tv::NoUpdateUrlText()}));
    // Each names what is missing and the path to the field in the settings.
    EXPECT_NE(tv::NoCacheDBUrlText().find(W("Grundeinstellungen / Cache-Datenbank / Adresse der Cache-Datenbanken")),
              std::string::npos);
    EXPECT_NE(tv::NoArchiveUrlText().find(W("Grundeinstellungen / Cache-Datenbank / Adresse der Archivliste")),
              std::string::npos);
    EXPECT_NE(tv::NoUpdateUrlText().find(W("Grundeinstellungen / Proxy / Adresse der Versionsprüfung")),
              std::string::npos);
    for (const auto& box : fakes_.messages.shown) EXPECT_EQ(box.kind, MsgKind::Error);
}

// An outdated database goes only on an explicit "Ja": Enter answers "Nein".
TEST_F(CacheDbCommandsTest, OutdatedDatabaseIsDeletedOnlyOnYes) {
    work_.write("Caches.bin", std::string(tv::TCacheRec::kSize, '\0'));
    fakes_.messages.answers = {MsgResult::No};
    EXPECT_FALSE(tv::CheckCacheDBVersion());
    ASSERT_EQ(fakes_.messages.texts(), std::vector<std::string>{tv::InvalidDatabaseQuestion()});
    EXPECT_EQ(fakes_.messages.shown[0].defaultButton, tv::platform::MsgDefault::No);
    EXPECT_TRUE(fs::exists(Bin()));
    fakes_.messages.answers = {MsgResult::Yes};
    EXPECT_FALSE(tv::CheckCacheDBVersion());
    EXPECT_FALSE(fs::exists(Bin()));
    MakeDatabase(1);
    EXPECT_TRUE(tv::CheckCacheDBVersion());
    EXPECT_EQ(fakes_.messages.shown.size(), 2u);
}

TEST_F(CacheDbCommandsTest, FailedDownloadOrArchiveLeavesTheDatabase) {
    MakeDatabase(3);
    const std::string bin = tvtest::ReadFileBytes(Bin());
    const std::string idx = tvtest::ReadFileBytes(Idx());
    work_.write("germany.txt", List(500, 5));  // stale list from an earlier run
    auto cmd = Commands();

    // 404.
    cmd.DownloadPrimaryCacheDB();
    ASSERT_EQ(fakes_.messages.shown.size(), 1u);
    EXPECT_EQ(fakes_.messages.shown[0].kind, MsgKind::Error);
    EXPECT_NE(fakes_.messages.shown[0].text.find("404"), std::string::npos);

    // A broken archive.
    std::string broken = tvtest::BuildZip({{"germany.txt", List(1, 50)}});
    broken[40] ^= 0x5A;
    broken.resize(broken.size() / 2);
    files_["/db/germany.txt.zip"] = broken;
    cmd.DownloadPrimaryCacheDB();
    ASSERT_EQ(fakes_.messages.shown.size(), 2u);
    const std::string head = "Fehler beim Entpacken der Cache-DB:\r\ngermany.txt\r\n";
    EXPECT_EQ(fakes_.messages.shown[1].text.substr(0, head.size()), head);

    // An archive without the list.
    files_["/db/germany.txt.zip"] = tvtest::BuildZip({{"austria.txt", List(1, 5)}});
    cmd.DownloadPrimaryCacheDB();
    ASSERT_EQ(fakes_.messages.shown.size(), 3u);
    EXPECT_EQ(fakes_.messages.shown[2].text,
              W("Fehler beim Entpacken der Cache-DB:\r\ngermany.txt\r\nDas Archiv enthält die Datei germany.txt nicht."));

    EXPECT_TRUE(converted_.empty());
    EXPECT_TRUE(status_.empty());
    EXPECT_EQ(tvtest::ReadFileBytes(Bin()), bin);
    EXPECT_EQ(tvtest::ReadFileBytes(Idx()), idx);
    EXPECT_EQ(tvtest::ReadFileBytes(work_.str() + "germany.txt"), List(500, 5));
}

// A download that the server refused names the status and nothing more; the
// update check shows one box for one failure.
TEST_F(CacheDbCommandsTest, FailedDownloadsSayWhatTheServerAnswered) {
    const std::string failed = W("Folgende Ladeoperation vom Internet ist fehlgeschlagen:\r\nQuelle: ");
    auto cmd = Commands();
    cmd.DownloadPrimaryCacheDB();
    cmd.CheckForUpdate();
    ASSERT_EQ(fakes_.messages.shown.size(), 2u);
    EXPECT_EQ(fakes_.messages.shown[0].text,
              failed + srv_.url("/db/germany.txt.zip") + "\r\nZiel: " + work_.str() + "db.tmp.zip\r\n" +
                  W("Fehlermeldung: Der Server meldet einen Fehler: HTTP 404 (Datei nicht gefunden)."));
    EXPECT_EQ(fakes_.messages.shown[1].text,
              failed + srv_.url("/tqversion.txt") + "\r\nZiel: " + work_.str() + "tqversion.txt\r\n" +
                  W("Fehlermeldung: Der Server meldet einen Fehler: HTTP 404 (Datei nicht gefunden)."));
}

TEST_F(CacheDbCommandsTest, UpdateCheckComparesWithTheBuiltVersion) {
    auto cmd = Commands();
    files_["/tqversion.txt"] = std::string(tv::kProgramVersion) + "\r\n" + std::string(tv::kProgramDate) + "\r\n";
    cmd.CheckForUpdate();
    files_["/tqversion.txt"] = "V5.2.0\r\n28.11.2007\r\n";
    cmd.CheckForUpdate();
    files_["/tqversion.txt"] = "V5.2.0\r\n";
    cmd.CheckForUpdate();
    ASSERT_EQ(fakes_.messages.shown.size(), 3u);
    EXPECT_EQ(fakes_.messages.shown[0].kind, MsgKind::Information);
    EXPECT_EQ(fakes_.messages.shown[0].text,
              "Die eingesetzte Version des Trailvanes ist auf dem aktuellen Stand:\r\n\r\nVersion " +
                  std::string(tv::kProgramVersion) + " vom " + std::string(tv::kProgramDate));
    EXPECT_EQ(fakes_.messages.shown[1].kind, MsgKind::Warning);
    const std::string tail = "\r\n\r\nEingesetzte Version: " + std::string(tv::kProgramVersion) + " vom " +
                             std::string(tv::kProgramDate) + W("\r\nAktuell verfügbare Version: V5.2.0 vom 28.11.2007");
    const std::string& newer = fakes_.messages.shown[1].text;
    ASSERT_GE(newer.size(), tail.size());
    EXPECT_EQ(newer.substr(newer.size() - tail.size()), tail);
    EXPECT_EQ(fakes_.messages.shown[2].text, W("Die Updateverfügbarkeit konnte leider nicht überprüft werden."));
}

// Converting the further lists with none ticked says so and where to tick them.
TEST_F(CacheDbCommandsTest, FurtherLocalConversionWithoutAChoiceSaysWhereToChoose) {
    tv::ProcSettings.UseCacheDB[2] = 1;  // the primary list only
    auto cmd = Commands();
    cmd.ConvertLocalAdditionalCacheDBs();
    EXPECT_TRUE(converted_.empty());
    ASSERT_EQ(fakes_.messages.shown.size(), 1u);
    EXPECT_EQ(fakes_.messages.shown[0].kind, MsgKind::Error);
    EXPECT_EQ(fakes_.messages.shown[0].text,
              W("Es ist keine weitere Cache-DB ausgewählt.\r\nDie weiteren Cache-DBs können unter Datei / "
                "Grundeinstellungen / Cache-Datenbank / weitere Cache-DBs im Suchpfad ausgewählt werden."));
}

// Codes that could name a file outside its folder, or that the record would
// cut to another cache's code, never reach the database: they are skipped,
// counted and named beside the lines that could not be converted, in a new
// database and in a merge alike.
TEST_F(CacheDbCommandsTest, ListLinesWithUnsafeCodesAreSkippedCountedAndNamed) {
    const std::string unsafe = "700 \"L\" 2005 1 2 49.1 8.1 \"Traditional Cache\" \"Small\" ../../x x 2 3\r\n" +
                               Line(701, "GC1/2", 48.0, 9.0) + "\r\n" + Line(702, "GC1:2", 48.0, 9.0) + "\r\n" +
                               Line(703, "GC1234567890ABCDE", 48.0, 9.0) + "\r\n" + Line(704, "../../x", 48.0, 9.0) +
                               "\r\n# comment\r\n" + Line(705, "GC123456789ABCDE", 48.0, 9.0) + "\r\n";
    work_.write("germany.txt", Line(1, "GC1", 48.0, 9.0) + "\r\n" + unsafe);
    auto cmd = Commands();
    EXPECT_EQ(cmd.ConvertCacheDB("germany.txt", 1, true), 0);
    const std::string named =
        W("5 Einträge mit ungültigem Wegpunktcode übersprungen: ../../x, GC1/2, GC1:2, GC1234567890ABCDE");
    const std::string report = W("germany.txt:\r\n2 Datensätze wurden konvertiert\r\n"
                                 "1 Datensätze konnten nicht konvertiert werden\r\n") + named;
    EXPECT_EQ(fakes_.messages.texts(), std::vector<std::string>{report});
    std::string bin = tvtest::ReadFileBytes(Bin());
    auto codes = [&bin] {
        std::vector<std::string> out;
        for (const tv::TCacheRec& r : tv::DecodeCacheRecs(bin)) out.push_back(r.Waypoint.str());
        return out;
    };
    EXPECT_EQ(codes(), (std::vector<std::string>{"GC1", "GC123456789ABCDE"}));

    // Merged into an existing database: the same lines stay out.
    work_.write("austria.txt", unsafe + Line(2, "GC2", 48.0, 9.0) + "\r\n");
    EXPECT_EQ(cmd.ConvertCacheDB("austria.txt", 0, true), 1);
    ASSERT_EQ(fakes_.messages.shown.size(), 2u);
    EXPECT_EQ(fakes_.messages.shown[1].text,
              W("austria.txt:\r\n2 Datensätze wurden konvertiert\r\n1 Datensätze konnten nicht konvertiert "
                "werden\r\n") + named);
    bin = tvtest::ReadFileBytes(Bin());
    EXPECT_EQ(codes(), (std::vector<std::string>{"GC1", "GC123456789ABCDE", "GC2"}));
}

// A write that fails is told as a failure, with the file and the system's
// cause; the database stays as it was.
TEST_F(CacheDbCommandsTest, FailedWritesAreToldWithTheirFileAndCause) {
    MakeDatabase(3);
    const std::string bin = tvtest::ReadFileBytes(Bin());
    work_.write("germany.txt", List(1, 5));
    auto cmd = Commands();
    {
        tvtest::ScopedWriteFault full("Caches.bin");  // the append of the merge
        EXPECT_EQ(cmd.ConvertCacheDB("germany.txt", 0, true), 0);
    }
    const std::string cause = "\n\nFehlercode: 28\nFehlermeldung: " + tv::SysErrorMessage(ENOSPC);
    EXPECT_EQ(fakes_.messages.texts(),
              (std::vector<std::string>{
                  "Fehler beim Schreiben auf Datei " + Bin() + cause,
                  W("germany.txt:\r\nDie Zusammenführung mit der Cache-Datenbank ist fehlgeschlagen.\r\n"
                    "0 neue Datensätze wurden vor dem Fehler in die Datenbank eingefügt.")}));
    EXPECT_EQ(tvtest::ReadFileBytes(Bin()), bin);

    fakes_.messages.shown.clear();
    {
        tvtest::ScopedWriteFault full("Caches.bin.tmp");  // the converted list before the merge
        EXPECT_EQ(cmd.ConvertCacheDB("germany.txt", 1, true), 0);
    }
    EXPECT_EQ(fakes_.messages.texts(),
              (std::vector<std::string>{"Fehler #-4 bei der Verarbeitung.\r\nFehler beim Schreiben auf Datei " + Bin() +
                                        ".tmp" + cause}));
    EXPECT_EQ(tvtest::ReadFileBytes(Bin()), bin);
    for (const auto& box : fakes_.messages.shown) EXPECT_EQ(box.kind, MsgKind::Error);

    // Once the disk has room again, the merge goes through.
    fakes_.messages.shown.clear();
    EXPECT_EQ(cmd.ConvertCacheDB("germany.txt", 0, true), 5);
    EXPECT_EQ(fakes_.messages.texts(), std::vector<std::string>{W("germany.txt:\r\n5 Datensätze wurden konvertiert")});
}

}  // namespace
