#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/cache_db.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/program_files.h"
#include "exchange/suitcase_format.h"
#include "exchange/suitcase_merge.h"
#include "platform/text_encoding.h"
#include "support/child_process.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

namespace fs = std::filesystem;
using tvtest::CacheRecord;
using tvtest::ReadFileBytes;
using Lines = std::vector<std::string>;

std::string I32(std::int32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
    return s;
}
std::string Str(const std::string& s, std::size_t n) {
    return std::string(1, static_cast<char>(s.size())) + s + std::string(n - s.size(), '\0');
}
std::string Blob(const std::string& b) { return I32(static_cast<std::int32_t>(b.size())) + b; }

TFoundRec Find(const char* wp, const char* date) {
    TFoundRec f;
    f.Waypoint = wp;
    f.FoundDate = date;
    f.Name = std::string("Fund ") + wp;
    return f;
}

SuitcaseExportParams All(const tvtest::TempDir& pc) {
    SuitcaseExportParams p;
    p.workDir = p.outDir = pc.str();
    p.cacheDb = p.workList = p.finds = p.ignoreList = p.notes = p.descriptions = p.descrSubdirs = true;
    return p;
}

// PC A: 3 caches, 2 finds, lists, notes, a page in "Harz" with a map and
// three pictures (one listed with a Linux path) and a bare page in the root.
void FillPcA(const tvtest::TempDir& a) {
    tvtest::WriteCaches(a, {CacheRecord("GC1ABC", "Turm", 48, 8), CacheRecord("GC2", "Zwei"), CacheRecord("GC3")});
    a.write("Finds.bin", EncodeFoundRecs({Find("GC9", "01.02.2010"), Find("GC8", "03.04.2011")}));
    a.write("WPList.txt", "GC1\r\nGC123456789012\r\n\r\n");
    a.write("WPignore.txt", "GC7\r\n");
    a.write("Persinfo.txt", "[GC1]\r\nZ0=a\r\n");
    a.write("Harz/GC1ABC.html", "page1");
    a.write("Harz/GC1ABC.meta",
            "1#C:\\tq\\Harz\\GC1ABC_i1.jpg\r\nx\r\ny\r\n2#C:\\GC1ABC_i2.jpg\r\nx\r\ny\r\n"
            "10#/home/u/out/Harz/GC1ABC_i10.jpg\r\nx\r\ny\r\n");
    a.write("Harz/GC1ABC_i1.jpg", "P1");
    a.write("Harz/GC1ABC_i10.jpg", "P10");  // _i2 is missing: its blob is empty
    a.write("Harz/GC1ABC_map.gif", "MAP");
    a.write("GC2.html", "page2");
    a.write("GC2_converted.html", "not carried");
    SetFileDateTime(a.str() + "Harz/GC1ABC.html", 40000.5);
}

TEST(SuitcaseFormat, SectionsAreByteExact) {
    tvtest::TempDir a;
    FillPcA(a);
    SuitcaseExportParams p;
    p.workDir = p.outDir = a.str();
    ASSERT_TRUE(WriteSuitcase(a.str() + "off.tq", p).ok());
    EXPECT_EQ(ReadFileBytes(a.path() / "off.tq"), std::string(24, '\0'));

    p.workList = true;
    auto summary = WriteSuitcase(a.str() + "wl.tq", p);
    ASSERT_TRUE(summary.ok());
    EXPECT_EQ(*summary, W("2 Arbeitslisten-Einträge\r\n"));
    EXPECT_EQ(ReadFileBytes(a.path() / "wl.tq"),
              I32(0) + I32(2) + Str("GC1", 12) + Str("GC1234567890", 12) + std::string(16, '\0'));

    p.workList = false;
    p.notes = true;
    ASSERT_TRUE(WriteSuitcase(a.str() + "n.tq", p).ok());
    EXPECT_EQ(ReadFileBytes(a.path() / "n.tq"), std::string(16, '\0') + Blob("[GC1]\r\nZ0=a\r\n") + I32(0));

    // Page entries: the layout of the first entry, and the reader keeps in
    // step with the second.
    p = All(a);
    summary = WriteSuitcase(a.str() + "all.tq", p);
    ASSERT_TRUE(summary.ok());
    EXPECT_NE(summary->find("2 Cachebeschreibungen mit insgesamt 3 Cache-Images"), std::string::npos);
    SuitcaseReader r;
    ASSERT_TRUE(r.Open(a.str() + "all.tq"));
    EXPECT_EQ(r.contents().caches.size(), 3u);
    EXPECT_EQ(r.contents().finds, (std::vector<TFoundRec>{Find("GC9", "01.02.2010"), Find("GC8", "03.04.2011")}));
    EXPECT_EQ(r.contents().notes, (Lines{"[GC1]", "Z0=a"}));
    ASSERT_EQ(r.contents().pageCount, 2);
    const std::string bytes = ReadFileBytes(a.path() / "all.tq");
    const std::size_t e = bytes.size() - r.Remaining();
    EXPECT_EQ(bytes.substr(e + 277, 4), I32(5)) << "GC1ABC comes second in listing order";
    std::string wp, sub;
    double date = 0;
    std::int32_t size = 0;
    ASSERT_TRUE(r.ReadShortString(12, wp) && r.ReadF64(date) && r.ReadShortString(255, sub));
    EXPECT_EQ(wp + "|" + sub, "GC2|");
    ASSERT_TRUE(r.ReadBlobSize(size) && r.Skip(size) && r.ReadBlobSize(size) && size == 0);
    std::string map;
    ASSERT_TRUE(r.ReadShortString(255, map) && r.ReadBlobSize(size) && r.ReadI32(size));
    EXPECT_EQ(map + std::to_string(size), "0");
    ASSERT_TRUE(r.ReadShortString(12, wp) && r.ReadF64(date) && r.ReadShortString(255, sub));
    EXPECT_EQ(wp + "|" + sub, "GC1ABC|Harz");
    EXPECT_DOUBLE_EQ(date, 40000.5);
    EXPECT_EQ(bytes.substr(e + 549 + 5 + 277, 4), I32(5));
    for (const char* name :
         {"Harz\\GC1ABC_map.gif", "Harz\\GC1ABC_i1.jpg", "Harz\\GC1ABC_i2.jpg", "Harz\\GC1ABC_i10.jpg"})
        EXPECT_NE(bytes.find(Str(name, 255)), std::string::npos) << name;
    EXPECT_EQ(MetaPictureNames({"10#/home/u/out/GC1ABC_i10.jpg", "a", "b"}), (Lines{"GC1ABC_i10.jpg"}));
    EXPECT_TRUE(MetaPictureNames({"1#C:\\x\\GC1_i1.jpg", "a", "b", "c", "d", "e", "f"}).empty());
}

// Pack on PC A, merge into an empty PC B: records byte-equal, pages flat with
// their pictures and the download date; then each section switched off.
TEST(SuitcaseMerge, RoundTripBetweenTwoWorkFolders) {
    tvtest::TempDir a;
    FillPcA(a);
    ASSERT_TRUE(WriteSuitcase(a.str() + "Carry.tq", All(a)).ok());

    tvtest::WorkFolder b;
    b.write("WPList.txt", "gc1\r\n");
    SuitcaseReader r;
    ASSERT_TRUE(r.Open(a.str() + "Carry.tq"));
    SuitcaseCommitParams p;
    p.workDir = p.outDir = b.str();
    p.getDb = p.getWorkList = p.getFinds = p.getIgnoreList = p.getNotes = p.getPages = true;
    p.saveNewCodes = true;
    p.newCodesFile = b.str() + "WPnew.txt";
    p.insertWorkList = true;
    const SuitcaseCommitResult res = CommitSuitcase(r, ReadLocalCacheDb(b.str()), p);
    EXPECT_TRUE(res.errors.empty());
    EXPECT_EQ(ReadFileBytes(b.path() / "Caches.bin"), ReadFileBytes(a.path() / "Caches.bin"));
    EXPECT_EQ(ReadFileBytes(b.path() / "Finds.bin"), ReadFileBytes(a.path() / "Finds.bin"));
    EXPECT_EQ(b.read("Persinfo.txt"), "[GC1]\r\nZ0=a\r\n");
    EXPECT_EQ(b.read("WPList.txt"), "gc1\r\nGC1234567890\r\nGC2\r\nGC1ABC\r\n");
    EXPECT_EQ(b.read("WPnew.txt"), "GC1ABC\r\nGC2\r\nGC3\r\n");
    EXPECT_EQ(b.read("GC1ABC.html") + b.read("GC1ABC_i1.jpg") + b.read("GC1ABC_i10.jpg") + b.read("GC1ABC_map.gif"),
              "page1P1P10MAP");
    EXPECT_FALSE(fs::exists(b.path() / "GC1ABC_i2.jpg"));
    EXPECT_DOUBLE_EQ(*FileDateTime(b.str() + "GC1ABC.html"), 40000.5);
    TCacheRec found;
    EXPECT_TRUE(FindCacheByWaypoint("GC2", found));
    EXPECT_EQ(CommitResultText(res, true, true),
              W("Folgende Änderungen wurden auf dieser TQ-Instanz durchgeführt:\r\n\r\n"
                "Arbeitsliste: 1 neue Einträge, 1 waren bereits vorhanden\r\n"
                "Ignoreliste: 1 neue Einträge, 0 waren bereits vorhanden\r\n"
                "Cache-Datenbank: 3 neue Einträge, 0 geänderte Einträge, 0 Datensätze verworfen\r\n"
                "Eigene Funde: 2 neue Einträge, 0 aktualisierte Einträge.\r\n"
                "Notizen: 1 neue Einträge, 0 geänderte Einträge\r\n"
                "Cache-Beschreibungen: 2 neue, 0 ersetzte, 0 verworfene Beschreibungen.\r\n"));

    for (int off = 0; off < 6; ++off) {
        SuitcaseExportParams x = All(a);
        bool* flags[] = {&x.cacheDb, &x.workList, &x.finds, &x.ignoreList, &x.notes, &x.descriptions};
        *flags[off] = false;
        ASSERT_TRUE(WriteSuitcase(a.str() + "x.tq", x).ok());
        SuitcaseReader rx;
        ASSERT_TRUE(rx.Open(a.str() + "x.tq"));
        const SuitcaseContents& c = rx.contents();
        const std::size_t sizes[] = {c.caches.size(),     c.workList.size(), c.finds.size(),
                                     c.ignoreList.size(), c.notes.size(),    static_cast<std::size_t>(c.pageCount)};
        for (int k = 0; k < 6; ++k) EXPECT_EQ(sizes[k] == 0, k == off) << off << " " << k;
    }
}

TEST(SuitcaseMerge, ListsFindsAndNotes) {
    const auto raw = [](const char* wp, const char* name) { return EncodeCacheRec(CacheRecord(wp, name)); };
    CacheMergeResult db =
        MergeCacheDb({raw("D", ""), raw("A", ""), raw("B", "local")}, {raw("C", ""), raw("b", "case")}, true);
    EXPECT_EQ(db.records, (std::vector<CacheRecBytes>{raw("A", ""), raw("B", "local"), raw("C", ""), raw("D", "")}));
    EXPECT_EQ(db.added * 100 + db.changed * 10 + db.discarded, 101);
    EXPECT_EQ(db.newCodes, Lines{"C"});
    EXPECT_EQ(MergeCacheDb({raw("B", "local")}, {raw("B", "local")}, false).changed, 1);

    const CodeListMergeResult wl = MergeCodeList({"gc1"}, {"GC1", "GC2", "", "gc2", "GC3\r\nGC4"});
    EXPECT_EQ(wl.lines, (Lines{"gc1", "GC2"}));
    EXPECT_EQ(wl.added * 10 + wl.present, 12);

    const FindsMergeResult f = MergeFinds(
        {Find("GC1", "01.01.2010"), Find("GC2", "02.01.2010"), Find("GC3", "kein Datum"), Find("GC5", "01.01.2010")},
        {Find("GC1", "01.01.2010"), Find("GC2", "01.01.2010"), Find("gc3", "05.05.2005"), Find("GC4", "x")},
        FindsPolicy::NewerDate);
    EXPECT_EQ(f.records,
              (std::vector<TFoundRec>{Find("GC1", "01.01.2010"), Find("GC2", "02.01.2010"), Find("gc3", "05.05.2005"),
                                      Find("GC5", "01.01.2010"), Find("GC4", "x")}));
    EXPECT_EQ(f.added * 10 + f.updated, 12);

    const std::string local = "[GC1]\r\nZ0=l0\r\nZ1=  l1\r\n[GCL]\r\nZ0=only\r\n";
    const Lines theirs{"[gc1]", "Z0=s0", "Z1=s=1", "[GCS]", "Z0=new"};
    EXPECT_EQ(
        MergeNotes(local, theirs, NotesPolicy::Both, {}),
        (Lines{"[GC1]", std::string("Z0=") + kLocalNotesHeader, "Z1=l0", "Z2=  l1",
               std::string("Z3=") + kSuitcaseNotesHeader, "Z4=s0", "Z5=s=1", "[GCL]", "Z0=only", "[GCS]", "Z0=new"}));
    EXPECT_EQ(MergeNotes(local, theirs, NotesPolicy::KeepLocal, {}),
              (Lines{"[GC1]", "Z0=l0", "Z1=  l1", "[GCL]", "Z0=only", "[GCS]", "Z0=new"}));
    EXPECT_EQ(MergeNotes(local, theirs, NotesPolicy::Ask, [](const std::string& w, Lines) { return Lines{w}; })[1],
              "Z0=GC1");
}

// The result names the merged notes as it names the lists: caches whose notes
// came new, and caches whose local notes now read otherwise.
TEST(SuitcaseMerge, ResultNamesTheMergedNotes) {
    const std::string local = "[GC1]\r\nZ0=l0\r\n[GC2]\r\nZ0=same\r\n[GCL]\r\nZ0=only\r\n";
    const Lines theirs{"[gc1]", "Z0=s0", "[GC2]", "Z0=same", "[GCS]", "Z0=new", "[GCT]", "Z0=too"};
    auto counts = [&](NotesPolicy policy, const NotesMixer& mixer = {}) {
        NotesMergeCounts c;
        MergeNotes(local, theirs, policy, mixer, &c);
        return std::to_string(c.added) + "/" + std::to_string(c.changed);
    };
    EXPECT_EQ(counts(NotesPolicy::TakeSuitcase), "2/1");  // GC2 reads as before
    EXPECT_EQ(counts(NotesPolicy::KeepLocal), "2/0");
    EXPECT_EQ(counts(NotesPolicy::Both), "2/2");
    // Edited back to the local line: unchanged.
    EXPECT_EQ(counts(NotesPolicy::Ask, [](const std::string&, Lines) { return Lines{"same"}; }), "2/1");

    SuitcaseCommitResult r;
    const std::string none = CommitResultText(r, true, true);
    EXPECT_NE(none.find(W("Eigene Funde: keine Änderung\r\nNotizen: keine Änderung\r\nCache-Beschreibungen: ")),
              std::string::npos);
    r.notesAdded = 2;
    EXPECT_NE(CommitResultText(r, true, true).find(W("\r\nNotizen: 2 neue Einträge, 0 geänderte Einträge\r\n")),
              std::string::npos);
}

// Entries written by hand: names that try to leave the description folder,
// and a local page that is newer than the carried one.
TEST(SuitcaseMerge, HostileEntriesWriteNothingOutsideTheirPlace) {
    tvtest::TempDir d;
    auto entry = [](const std::string& wp, const std::string& map, const std::string& pic) {
        return Str(wp, 12) + std::string(8, '\0') + Str("", 255) + Blob("PAGE") + Blob("") + Str(map, 255) + Blob("M") +
               I32(1) + Str(pic, 255) + Blob("P");
    };
    d.write("s.tq", std::string(20, '\0') + I32(5) + entry("../tq.conf", "", "") + entry("GC/../x", "GC_map.gif", "") +
                        entry("GC1", "Harz\\GC1_map.gif", "..\\..\\tq.conf") + entry("GC2", "GC2_map.gif", "") +
                        entry("GC3", "Caches.bin", "GC3_..jpg"));
    d.write("out/GC2.html", "newer local");
    SetFileDateTime(d.str() + "out/GC2.html", 1.0);
    SuitcaseReader r;
    ASSERT_TRUE(r.Open(d.str() + "s.tq"));
    const PageEntriesResult res = ProcessPageEntries(r, d.str() + "out", PagePolicy::ReplaceIfNewer);
    ASSERT_FALSE(res.error);
    EXPECT_EQ(res.taken, (Lines{"GC1", "GC3"}));
    EXPECT_EQ(res.skipped, (Lines{"../tq.conf", "GC/../x", "GC2"}));
    Lines files;
    for (const auto& f : fs::recursive_directory_iterator(d.path())) files.push_back(f.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (Lines{"GC1.html", "GC1_map.gif", "GC2.html", "GC3.html", "out", "s.tq"}));
    EXPECT_EQ(d.read("out/GC2.html") + d.read("out/GC1.html"), "newer localPAGE");

    EXPECT_TRUE(CarriedFileName("GC1", "GC1_map.gif") == "GC1_map.gif");
    EXPECT_TRUE(CarriedFileName("GC1", "GC1_\x01.gif").empty());
}

// Oversize counts and every truncation of a real suitcase: a clean error,
// never an over-read, a loop or a huge allocation.
TEST(SuitcaseReader, DamagedFilesAreRefused) {
    tvtest::TempDir a;
    FillPcA(a);
    SuitcaseReader r;
    for (const std::string& bad :
         {I32(0x7FFFFFFF), I32(-1), std::string(16, '\0') + I32(-5), std::string(20, '\0') + I32(1000)}) {
        a.write("bad.tq", bad + std::string(40, '\0'));
        EXPECT_FALSE(r.Open(a.str() + "bad.tq"));
        EXPECT_EQ(r.error().kind, kReadErrorKind);
    }
    a.write("long.tq", I32(0) + I32(1) + '\xC8' + std::string(12, 'A') + std::string(16, '\0'));
    ASSERT_TRUE(r.Open(a.str() + "long.tq"));
    EXPECT_EQ(r.contents().workList, Lines{std::string(12, 'A')});

    ASSERT_TRUE(WriteSuitcase(a.str() + "all.tq", All(a)).ok());
    const std::string full = ReadFileBytes(a.path() / "all.tq");
    for (std::size_t n = 0; n < full.size(); n += 7) {
        tvtest::TempDir out;
        out.write("cut.tq", full.substr(0, n));
        if (!r.Open(out.str() + "cut.tq")) continue;
        const PageEntriesResult res = ProcessPageEntries(r, out.str(), PagePolicy::Replace);
        ASSERT_TRUE(res.error.has_value()) << n;
        // Only whole files arrive: each equals its source on PC A.
        for (const auto& f : fs::directory_iterator(out.path())) {
            const std::string name = f.path().filename().string();
            if (name == "cut.tq") continue;
            const std::string src = fs::exists(a.path() / name) ? a.read(name) : a.read("Harz/" + name);
            EXPECT_EQ(ReadFileBytes(f.path()), src) << n << " " << name;
        }
    }
}

// "Newer" is strictly later: at exactly equal dates the suitcase wins, for
// finds and for pages alike; one day or one second either way decides.
TEST(SuitcaseMerge, EqualDatesTakeTheSuitcase) {
    const auto named = [](const char* wp, const char* date, const char* name) {
        TFoundRec f = Find(wp, date);
        f.Name = name;
        return f;
    };
    const FindsMergeResult f = MergeFinds(
        {named("GC1", "05.03.2010", "lokal"), named("GC2", "06.03.2010", "lokal"), named("GC3", "04.03.2010", "lokal")},
        {named("GC1", "05.03.2010", "Koffer"), named("GC2", "05.03.2010", "Koffer"), named("GC3", "05.03.2010", "Koffer")},
        FindsPolicy::NewerDate);
    ASSERT_EQ(f.records.size(), 3u);
    EXPECT_EQ(f.records[0].Name, "Koffer");
    EXPECT_EQ(f.records[1].Name, "lokal");
    EXPECT_EQ(f.records[2].Name, "Koffer");
    EXPECT_EQ(f.updated, 2);

    tvtest::TempDir d;
    const double date = 40000.25;  // the entries' date, whole seconds
    std::string f64(8, '\0');
    std::memcpy(f64.data(), &date, 8);
    const auto entry = [&](const std::string& wp) {
        return Str(wp, 12) + f64 + Str("", 255) + Blob("CARRIED") + Blob("") + Str("", 255) + Blob("") + I32(0);
    };
    d.write("s.tq", std::string(20, '\0') + I32(3) + entry("GC1") + entry("GC2") + entry("GC3"));
    const double second = 1.0 / 86400;
    const std::pair<const char*, double> local[] = {{"GC1", date}, {"GC2", date + second}, {"GC3", date - second}};
    for (const auto& [wp, when] : local) {
        const std::string path = d.write(std::string("out/") + wp + ".html", "local").string();
        ASSERT_TRUE(SetFileDateTime(path, when));
        ASSERT_EQ(FileDateTime(path), when) << wp;
    }
    SuitcaseReader r;
    ASSERT_TRUE(r.Open(d.str() + "s.tq"));
    const PageEntriesResult res = ProcessPageEntries(r, d.str() + "out", PagePolicy::ReplaceIfNewer);
    ASSERT_FALSE(res.error);
    EXPECT_EQ(res.taken, (Lines{"GC1", "GC3"}));
    EXPECT_EQ(res.skipped, (Lines{"GC2"}));
    EXPECT_EQ(res.replaced * 10 + res.discarded, 21);
    EXPECT_EQ(d.read("out/GC1.html") + d.read("out/GC2.html") + d.read("out/GC3.html"), "CARRIEDlocalCARRIED");
}

// ---- files from elsewhere ---------------------------------------------------------------

// Every file below a folder (relative name -> bytes), but for the lock file.
std::map<std::string, std::string> Snapshot(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& f : fs::recursive_directory_iterator(dir))
        if (f.path().filename() != "Trailvane.lock")
            files[fs::relative(f.path(), dir).string()] = f.is_regular_file() ? ReadFileBytes(f.path()) : "<dir>";
    return files;
}

SuitcaseCommitParams TakeAll(const tvtest::TempDir& pc) {
    SuitcaseCommitParams p;
    p.workDir = p.outDir = pc.str();
    p.getDb = p.getWorkList = p.getFinds = p.getIgnoreList = p.getNotes = p.getPages = true;
    p.keepLocalDb = false;
    p.saveNewCodes = p.insertWorkList = true;
    p.newCodesFile = pc.str() + "WPnew.txt";
    p.pages = PagePolicy::Replace;
    p.notes = NotesPolicy::Both;
    return p;
}

// A picture entry may carry any name: only a picture name the packing side
// makes arrives, so no page or script is ever planted beside the pages.
TEST(SuitcaseMerge, OnlyPictureNamesArrive) {
    tvtest::WorkFolder d;
    std::string entry = Str("GC1ABC", 12) + std::string(8, '\0') + Str("", 255) + Blob("PAGE") + Blob("") +
                        Str("GC1ABC_converted.html", 255) + Blob("<script>") + I32(9);
    const char* names[] = {"GC1ABC_i1.JPG",  "Harz\\GC1ABC_i2.jpeg", "GC1ABC_i3.Png", "GC1ABC_map.bmp",
                           "gc1abc_i5.gif",  "GC1ABC_x.htm",        "GC1ABC_i6.img", "GC1ABC_.gif",
                           "GC1ABC_a.b.jpg"};
    for (const char* n : names) entry += Str(n, 255) + Blob(n);
    d.write("s.tq", std::string(20, '\0') + I32(1) + entry);
    SuitcaseReader r;
    ASSERT_TRUE(r.Open(d.str() + "s.tq"));
    SuitcaseCommitParams p;
    p.workDir = p.outDir = d.str();
    p.getPages = true;
    const SuitcaseCommitResult res = CommitSuitcase(r, ReadLocalCacheDb(d.str()), p);
    EXPECT_TRUE(res.errors.empty());
    Lines files;
    for (const auto& [name, bytes] : Snapshot(d.path())) files.push_back(name);
    EXPECT_EQ(files, (Lines{"GC1ABC.html", "GC1ABC_i1.JPG", "GC1ABC_i2.jpeg", "GC1ABC_i3.Png", "GC1ABC_map.bmp",
                            "gc1abc_i5.gif", "s.tq"}));
    EXPECT_EQ(d.read("GC1ABC_i2.jpeg"), "Harz\\GC1ABC_i2.jpeg");
    EXPECT_EQ(res.filesSkipped, 5);
    EXPECT_NE(CommitResultText(res, false, true).find(W("Bilder und Karten: 5 Dateien übersprungen")),
              std::string::npos);
    EXPECT_EQ(CarriedFileName("GC1", "GC1_converted.html"), "");
    EXPECT_EQ(CarriedFileName("GC1", "GC1_i1.jpg.html"), "");
    EXPECT_EQ(CarriedFileName("GC1", "GC1_map.GIF"), "GC1_map.GIF");
}

// PC A with a database, lists, finds, notes and pages with maps and pictures
// of real sizes, and PC B with its own stores; the suitcase of A.
struct TwoPcs {
    tvtest::TempDir a;
    tvtest::WorkFolder b;
    std::string suitcase;

    TwoPcs() {
        FillPcA(a);
        std::vector<TCacheRec> recs;
        for (int k = 0; k < 12; ++k) recs.push_back(CacheRecord("GCA" + std::to_string(k), "Cache A"));
        tvtest::WriteCaches(a, recs);
        for (int k = 0; k < 4; ++k) {
            const std::string wp = "GCP" + std::to_string(k);
            a.write(wp + ".html", std::string(300 + 50 * k, 'h'));
            a.write(wp + ".meta", "1#C:\\" + wp + "_i1.jpg\r\nt\r\nc\r\n");
            a.write(wp + "_i1.jpg", std::string(200, 'j'));
            a.write(wp + "_map.gif", std::string(120, 'm'));
        }
        EXPECT_TRUE(WriteSuitcase(a.str() + "Carry.tq", All(a)).ok());
        suitcase = ReadFileBytes(a.path() / "Carry.tq");
        b.writeCaches({CacheRecord("GCA1", "Lokal"), CacheRecord("GCB1")});
        b.write("WPList.txt", "GCB1\r\n");
        b.write("WPignore.txt", "GCB2\r\n");
        b.write("Finds.bin", EncodeFoundRecs({Find("GC8", "01.01.2000")}));
        b.write("Persinfo.txt", "[GC1]\r\nZ0=b\r\n");
        b.write("GCP1.html", "old page");
        b.write("WPnew.txt", "old\r\n");
    }
};

// A suitcase cut anywhere, before it is opened or after (another program
// still writing it, a full stick), changes no file: it is refused whole,
// and the message names the damaged part.
TEST(SuitcaseMerge, CutSuitcaseChangesNoFile) {
    TwoPcs pcs;
    const auto before = Snapshot(pcs.b.path());
    const std::string& full = pcs.suitcase;
    const std::string cut = pcs.a.str() + "cut.tq";
    SuitcaseReader r;
    ASSERT_TRUE(r.Open(pcs.a.str() + "Carry.tq"));
    const std::int64_t pagesAt = static_cast<std::int64_t>(full.size()) - r.Remaining();
    std::int64_t lastByte = 0;  // the end of the last carried file that is read
    for (const SuitcasePageEntry& e : r.contents().pages) {
        lastByte = std::max(lastByte, e.page.pos + e.page.size);
        for (const auto& [name, blob] : e.pictures) lastByte = std::max(lastByte, blob.pos + blob.size);
    }
    ASSERT_GT(full.size(), 5000u);

    for (std::size_t n = 0; n < full.size(); ++n) {
        std::ofstream(cut, std::ios::binary | std::ios::trunc).write(full.data(), static_cast<std::streamsize>(n));
        ASSERT_FALSE(r.Open(cut)) << n;
        EXPECT_EQ(r.error().kind, kReadErrorKind);
        if (static_cast<std::int64_t>(n) >= pagesAt) {
            EXPECT_EQ(r.error().message.rfind("Cachebeschreibung", 0), 0u) << n << " " << r.error().message;
        }
    }

    // Opened whole, cut before the commit: every 17th byte of the page
    // section, every 97th before it.
    for (std::int64_t n = 0; n < lastByte; n += n < pagesAt ? 97 : 17) {
        std::ofstream(cut, std::ios::binary | std::ios::trunc)
            .write(full.data(), static_cast<std::streamsize>(full.size()));
        ASSERT_TRUE(r.Open(cut));
        fs::resize_file(cut, static_cast<std::uintmax_t>(n));
        const SuitcaseCommitResult res = CommitSuitcase(r, ReadLocalCacheDb(pcs.b.str()), TakeAll(pcs.b));
        ASSERT_FALSE(res.errors.empty()) << n;
        ASSERT_EQ(Snapshot(pcs.b.path()), before) << n;
    }
    EXPECT_FALSE(fs::exists(pcs.b.path().parent_path() / ("." + pcs.b.path().filename().string() + ".Aktenkoffer.tmp")));

    // Whole, it is taken.
    ASSERT_TRUE(r.Open(pcs.a.str() + "Carry.tq"));
    const SuitcaseCommitResult res = CommitSuitcase(r, ReadLocalCacheDb(pcs.b.str()), TakeAll(pcs.b));
    EXPECT_TRUE(res.errors.empty());
    EXPECT_EQ(pcs.b.read("GCP1.html"), std::string(350, 'h'));
    EXPECT_EQ(res.pagesAdded * 10 + res.pagesReplaced, 51);
}

// A page entry with a huge or negative picture count or blob size is refused
// when the file is opened, naming the entry.
TEST(SuitcaseReader, DamagedPageEntryIsNamed) {
    tvtest::TempDir d;
    auto entry = [](const std::string& wp, std::int32_t pictures, std::int32_t meta) {
        return Str(wp, 12) + std::string(8, '\0') + Str("", 255) + Blob("PAGE") + I32(meta) + Str("", 255) +
               Blob("") + I32(pictures) + std::string(600, '\0');
    };
    const std::string ok = Str("GC1", 12) + std::string(8, '\0') + Str("", 255) + Blob("PAGE") + Blob("") +
                           Str("", 255) + Blob("") + I32(0);
    SuitcaseReader r;
    for (const auto& [bad, text] : std::vector<std::pair<std::string, std::string>>{
             {entry("GC2", -1, 0), W("Cachebeschreibung 2 von 2 (GC2): Ungültige Bildanzahl -1")},
             {entry("GC2", 0x7FFFFFFF, 0), W("Cachebeschreibung 2 von 2 (GC2): Ungültige Bildanzahl 2147483647")},
             {entry("GC2", 0, -7), W("Cachebeschreibung 2 von 2 (GC2): Ungültige Datenlänge -7")},
             {entry("GC2", 0, 0x40000000), W("Cachebeschreibung 2 von 2 (GC2): Ungültige Datenlänge 1073741824")}}) {
        d.write("bad.tq", std::string(20, '\0') + I32(2) + ok + bad);
        EXPECT_FALSE(r.Open(d.str() + "bad.tq"));
        EXPECT_EQ(r.error().message, text);
    }
}

// Another process appends to the database while the window is open and while
// the commit runs: the merge takes the database as it is then, under the
// folder's write lock, and none of the appends is lost.
TEST(SuitcaseMerge, RacingAppendsAreKept) {
    TwoPcs pcs;
    SuitcaseReader r;
    ASSERT_TRUE(r.Open(pcs.a.str() + "Carry.tq"));
    const auto opened = ReadLocalCacheDb(pcs.b.str());  // the window's copy
    const std::string bin = pcs.b.str() + "Caches.bin";
    constexpr int kAppends = 400;
    tvtest::Child child = tvtest::Spawn([&] {
        for (int k = 0; k < kAppends; ++k) {
            if (!AppendCacheFile(bin, {CacheRecord("GCX" + std::to_string(k))}).ok()) return 1;
            ::usleep(300);
        }
        return 0;
    });
    // Half of them before the commit starts, the rest while it runs.
    for (int wait = 0; wait < 60000 && fs::file_size(bin) < (2 + kAppends / 2) * TCacheRec::kSize; ++wait)
        ::usleep(500);
    ASSERT_GE(fs::file_size(bin), (2 + kAppends / 2) * TCacheRec::kSize) << "the appending process stopped";
    SuitcaseCommitParams p = TakeAll(pcs.b);
    p.getPages = false;
    const SuitcaseCommitResult res = CommitSuitcase(r, opened, p);
    ASSERT_EQ(tvtest::Reap(child), 0);
    EXPECT_TRUE(res.errors.empty());
    std::set<std::string> codes;
    const auto recs = ReadLocalCacheDb(pcs.b.str());
    for (const CacheRecBytes& rec : *recs) codes.insert(DecodeCacheRec(rec.data()).Waypoint.str());
    for (int k = 0; k < kAppends; ++k) EXPECT_EQ(codes.count("GCX" + std::to_string(k)), 1u) << k;
    EXPECT_EQ(codes.count("GCB1") + codes.count("GCA11") + codes.count("GCA0"), 3u);
    EXPECT_EQ(recs->size(), codes.size());
}

// Carried codes that are no safe waypoint codes never reach a store; each is
// counted and named once. A code carried twice is merged once.
TEST(SuitcaseMerge, UnsafeAndRepeatedCodes) {
    tvtest::WorkFolder b;
    std::vector<TCacheRec> recs;
    for (const char* wp : {"GC1", "../x", "GC1/2", "GC\x01X", "gc1", "GC2", "GC1/2"}) recs.push_back(CacheRecord(wp, wp));
    const std::string caches = EncodeCacheRecs(recs);
    const std::string finds =
        EncodeFoundRecs({Find("GC9", "01.01.2001"), Find("gc9", "02.01.2001"), Find("GC/9", "01.01.2001")});
    b.write("s.tq", I32(7) + caches + I32(5) + Str("GC1", 12) + Str("GC../x", 12) + Str("GC1/2", 12) +
                        Str("GC5", 12) + Str("gc5", 12) + I32(3) + finds + I32(1) + Str("GC:1", 12) + I32(0) + I32(0));
    SuitcaseReader r;
    ASSERT_TRUE(r.Open(b.str() + "s.tq"));
    SuitcaseCommitParams p = TakeAll(b);
    const SuitcaseCommitResult res = CommitSuitcase(r, ReadLocalCacheDb(b.str()), p);
    EXPECT_TRUE(res.errors.empty());
    Lines stored;
    const auto db = ReadLocalCacheDb(b.str());
    for (const CacheRecBytes& rec : *db) stored.push_back(DecodeCacheRec(rec.data()).Name.str());
    EXPECT_EQ(stored, (Lines{"GC1", "GC2"}));
    EXPECT_EQ(b.read("WPList.txt"), "GC1\r\nGC5\r\n");
    EXPECT_EQ(DecodeFoundRecs(b.read("Finds.bin")), std::vector<TFoundRec>{Find("GC9", "01.01.2001")});
    EXPECT_FALSE(fs::exists(b.path() / "WPignore.txt"));
    EXPECT_EQ(res.refused.count(), 8);
    EXPECT_EQ(res.refused.codes(), (Lines{"../x", "GC1/2", "GC?X", "GC../x", "GC:1", "GC/9"}));
    EXPECT_NE(CommitResultText(res, true, true)
                  .find(W("8 Einträge mit ungültigem Wegpunktcode übersprungen: ../x, GC1/2, GC?X, GC../x, GC:1, GC/9")),
              std::string::npos);
    EXPECT_EQ(res.dbAdded, 2);
}

// A database that cannot be written names the cause, and no store changes.
TEST(SuitcaseMerge, FailedDatabaseWriteNamesItsCause) {
    TwoPcs pcs;
    const auto before = Snapshot(pcs.b.path());
    SuitcaseReader r;
    ASSERT_TRUE(r.Open(pcs.a.str() + "Carry.tq"));
    SetWriteFaultHook([](const std::string& target, WriteStep step) {
        return step == WriteStep::Write && target.ends_with("/Caches.bin") ? ENOSPC : 0;
    });
    const SuitcaseCommitResult res = CommitSuitcase(r, ReadLocalCacheDb(pcs.b.str()), TakeAll(pcs.b));
    SetWriteFaultHook({});
    ASSERT_EQ(res.errors.size(), 1u);
    EXPECT_EQ(res.errors[0], FormatSysErrorText(ENOSPC, W("Fehler beim Schreiben der Cache-Datenbank Caches.bin"),
                                                SysErrorMessage(ENOSPC)));
    EXPECT_EQ(Snapshot(pcs.b.path()), before);
    EXPECT_EQ(CommitResultText(res, true, true).find("neue"), std::string::npos);
}

}  // namespace
}  // namespace tv
