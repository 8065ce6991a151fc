#include "core/unzip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "core/unzip_decoders.h"
#include "support/fakes.h"
#include "support/temp_dir.h"
#include "support/zip_build.h"

namespace {

namespace fs = std::filesystem;
using tvtest::ReadFileBytes;
using tvtest::TempDir;

using tvtest::BuildZip;
using tvtest::RawDeflate;
using Entry = tvtest::ZipEntry;

// Info-ZIP's unzip as an independent reader of what the tests build.
bool InfoZipAvailable() { return fs::exists("/usr/bin/unzip"); }
int InfoZipExtract(const fs::path& archive, const fs::path& folder) {
    const std::string cmd = "/usr/bin/unzip -qq -o '" + archive.string() + "' -d '" + folder.string() + "' >/dev/null 2>&1";
    return std::system(cmd.c_str());
}

struct Reported {
    std::int64_t value;
    tv::TZipReport report;
};

std::vector<Reported> Extract(const std::string& archive, const std::string& target, const std::string& mask,
                              int& result, tv::UnzipOptions options = {}) {
    std::vector<Reported> log;
    options.report = [&](std::int64_t v, const tv::TZipReport& r) { log.push_back({v, r}); };
    result = tv::UnzipFiles(archive, target, mask, options);
    return log;
}

std::vector<int> FailedCodes(const std::vector<Reported>& log) {
    std::vector<int> codes;
    for (const auto& r : log)
        if (r.report.status == tv::kZipReportEntryFailed) codes.push_back(static_cast<int>(r.value));
    return codes;
}

std::vector<std::string> FilesBelow(const fs::path& folder) {
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        files.push_back(e.path().lexically_relative(folder).string() + (e.is_directory() && !e.is_symlink() ? "/" : ""));
    std::sort(files.begin(), files.end());
    return files;
}

const std::string kText =
    "Der Cache liegt am Waldrand, gut versteckt unter einer Wurzel. Bitte wieder gut tarnen!\r\n";

// ---------------------------------------------------------------------------

TEST(UnzipLegacy, RealShrunkAndImplodedArchivesUnpackToTheKnownText) {
    const std::string expected = ReadFileBytes(tvtest::RealTestData("zip/first.txt"));
    ASSERT_EQ(expected.size(), 1092u);
    for (const auto& [archive, name, method] : {std::tuple{"zip/shrink.zip", "FIRST.TXT", 1},
                                                std::tuple{"zip/implode.zip", "first.txt", 6}}) {
        SCOPED_TRACE(archive);
        const std::string path = tvtest::RealTestData(archive).string();
        tv::TZipCursor c;
        ASSERT_EQ(tv::ZipFindFirst(path, c), 0);
        EXPECT_EQ(c.name, name);
        EXPECT_EQ(c.method, method);
        EXPECT_EQ(c.crc32, 0x22957a6eu);
        EXPECT_EQ(c.unpackedSize, 1092u);
        EXPECT_EQ(tv::ZipFindNext(c), tv::kZipNoMoreEntries);
        EXPECT_EQ(c.fd, -1);

        TempDir dir;
        int result = 0;
        const auto log = Extract(path, dir.str(), "*.txt", result);
        EXPECT_EQ(result, 1);
        EXPECT_TRUE(FailedCodes(log).empty());
        EXPECT_EQ(dir.read(name), expected);
    }
}

TEST(UnzipRecognition, IsZipFileFollowsNameAndSignature) {
    TempDir dir;
    const std::string zip = BuildZip({{"a.txt", kText}});
    EXPECT_TRUE(tv::IsZipFile(dir.write("x.zip", zip).string()));
    EXPECT_FALSE(tv::IsZipFile(dir.write("a.zip", "just some text").string()));
    EXPECT_FALSE(tv::IsZipFile(dir.write("x.exe", zip).string()));
    EXPECT_TRUE(tv::IsZipFile(dir.write("x.EXE", zip).string()));  // the ".exe" test counts case
    EXPECT_FALSE(tv::IsZipFile(dir.write("noextension", zip).string()));
    fs::create_directory(dir.path() / "d.zip");
    EXPECT_FALSE(tv::IsZipFile((dir.path() / "d.zip").string()));
    EXPECT_FALSE(tv::IsZipFile((dir.path() / "missing.zip").string()));
    EXPECT_FALSE(tv::IsZipFile(dir.write("short.zip", "PK\x03").string()));
}

TEST(UnzipDirectory, ListsEntriesBehindTheLongestComment) {
    TempDir dir;
    std::string comment(65535, 'c');
    comment.replace(100, 4, "PK\x01\x02");  // noise that is no end record
    const auto path = dir.write("c.zip", BuildZip({{"one.gpx", kText}, {"two.gpx", "", 0}}, comment)).string();
    tv::TZipCursor c;
    ASSERT_EQ(tv::ZipFindFirst(path, c), 0);
    EXPECT_EQ(c.name, "one.gpx");
    EXPECT_EQ(c.unpackedSize, kText.size());
    EXPECT_EQ(c.dosDate, 0x377C);
    EXPECT_EQ(c.dosTime, 0x645C);
    EXPECT_EQ(c.attributes, 0x20);
    ASSERT_EQ(tv::ZipFindNext(c), 0);
    EXPECT_EQ(c.name, "two.gpx");
    EXPECT_EQ(c.method, 0);
    EXPECT_EQ(tv::ZipFindNext(c), tv::kZipNoMoreEntries);
    tv::ZipClose(c);  // a closed cursor is left alone
    EXPECT_EQ(tv::ZipFindNext(c), tv::kZipNoMoreEntries);
}

TEST(UnzipDirectory, HostileDirectoriesGiveCodesWithoutOverrun) {
    TempDir dir;
    tv::TZipCursor c;
    EXPECT_EQ(tv::ZipFindFirst((dir.path() / "missing.zip").string(), c), tv::kZipOpenError);
    EXPECT_EQ(tv::ZipFindFirst(dir.write("empty.zip", "").string(), c), tv::kZipOpenError);
    EXPECT_EQ(tv::ZipFindFirst(dir.write("plain.zip", std::string(10000, 'x')).string(), c), tv::kZipOpenError);

    const std::string good = BuildZip({{"a.txt", kText}, {"b.txt", kText, 0}});
    const std::size_t eocd = good.size() - 22;

    std::string beyond = good;  // directory offset behind the end record
    beyond[eocd + 16] = '\xF0';
    beyond[eocd + 19] = '\x7F';
    EXPECT_EQ(tv::ZipFindFirst(dir.write("beyond.zip", beyond).string(), c), tv::kZipDirectoryError);

    // An archive with no entries: the directory is shorter than one header.
    EXPECT_EQ(tv::ZipFindFirst(dir.write("none.zip", BuildZip({})).string(), c), tv::kZipDirectoryError);

    // The second header's name length runs past the directory.
    std::string longName = good;
    const std::size_t second = longName.rfind("PK\x01\x02");
    longName[second + 28] = '\xFF';
    longName[second + 29] = '\x00';
    ASSERT_EQ(tv::ZipFindFirst(dir.write("long.zip", longName).string(), c), 0);
    EXPECT_EQ(c.name, "a.txt");
    EXPECT_EQ(tv::ZipFindNext(c), tv::kZipNoMoreEntries);

    // Cut in half: the end record is gone.
    const auto cut = dir.write("cut.zip", good.substr(0, good.size() / 2)).string();
    EXPECT_EQ(tv::ZipFindFirst(cut, c), tv::kZipOpenError);
    int result = 0;
    Extract(cut, (dir.path() / "out").string(), "*.*", result);
    EXPECT_EQ(result, tv::kZipDirectoryError);
}

TEST(UnzipExtract, MasksSelectEntriesOfAnArchiveMadeByZip) {
    if (!fs::exists("/usr/bin/zip")) GTEST_SKIP() << "zip is not installed";
    TempDir src;
    src.write("a.gpx", kText + kText + kText);
    src.write("b.txt", "stored text");
    src.write("sub/c.GPX", kText);
    const std::string zip = (src.path() / "t.zip").string();
    const std::string cmd = "cd '" + src.str() + "' && zip -q -X t.zip a.gpx sub/c.GPX && zip -q -X -0 t.zip b.txt";
    ASSERT_EQ(std::system(cmd.c_str()), 0);

    tv::TZipCursor c;
    ASSERT_EQ(tv::ZipFindFirst(zip, c), 0);
    std::map<std::string, int> methods;
    do methods[c.name] = c.method;
    while (tv::ZipFindNext(c) == 0);
    EXPECT_EQ(methods, (std::map<std::string, int>{{"a.gpx", 8}, {"b.txt", 0}, {"sub/c.GPX", 8}}));

    for (const auto& [mask, count] : {std::pair{"*.gpx", 2}, std::pair{"*.*", 3}, std::pair{"", 3},
                                      std::pair{"?.TXT", 1}, std::pair{"*.loc", 0}}) {
        SCOPED_TRACE(mask);
        TempDir out;
        int result = -99;
        const auto log = Extract(zip, out.path().string(), mask, result);
        EXPECT_EQ(result, count);
        if (std::string(mask) == "*.gpx") {
            EXPECT_EQ(FilesBelow(out.path()), (std::vector<std::string>{"a.gpx", "sub/", "sub/c.GPX"}));
            EXPECT_EQ(out.read("a.gpx"), kText + kText + kText);
            EXPECT_EQ(out.read("sub/c.GPX"), kText);
        }
        if (count == 3) {
            EXPECT_EQ(out.read("b.txt"), "stored text");
        }
    }
}

TEST(UnzipExtract, ReportsTheRunInOrderWithSizesAndRatio) {
    TempDir dir;
    const std::string big(100000, 'A');
    const auto path = dir.write("r.zip", BuildZip({{"big.txt", big}, {"s.txt", "abc", 0}})).string();
    int result = 0;
    const auto log = Extract(path, (dir.path() / "out").string(), "*.*", result);
    ASSERT_EQ(result, 2);
    std::vector<int> statuses;
    std::int64_t written = 0;
    for (const auto& r : log) {
        if (statuses.empty() || statuses.back() != r.report.status) statuses.push_back(r.report.status);
        if (r.report.status == tv::kZipReportBlock && r.report.name == "big.txt") written += r.value;
    }
    EXPECT_EQ(statuses, (std::vector<int>{-1004, -1000, -1001, -1002, -1000, -1001, -1002, -1005}));
    EXPECT_EQ(log.front().value, 100003);
    EXPECT_EQ(written, 100000);
    EXPECT_EQ(log[1].report.unpackedSize, 100000);
    EXPECT_EQ(log[1].report.ratio, 100 - log[1].report.packedSize * 100 / 100000);
    EXPECT_GE(log[1].report.ratio, 99);
    EXPECT_EQ(log.back().value, 2);
}

TEST(UnzipExtract, DamagedEncryptedAndUnknownEntriesAreSkipped) {
    TempDir dir;
    const auto path = dir.write("d.zip", BuildZip({
                                             {"bad.txt", kText, 0, 0, false, kText.substr(0, 10) + "X" + kText.substr(11)},
                                             {"good1.txt", kText},
                                             {"secret.txt", kText, 8, 1},
                                             {"lzma.txt", kText, 14, 0, false, std::string("xxxx")},
                                             {"crc.txt", kText, 8, 0, false, std::nullopt, 0x12345678u},
                                             {"good2.txt", "zwei", 0},
                                         }))
                          .string();
    const fs::path out = dir.path() / "out";
    fs::create_directories(out);
    dir.write("out/bad.txt", "old content");  // a failed entry keeps the older file
    int result = 0;
    const auto log = Extract(path, out.string(), "*.txt", result);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(FailedCodes(log), (std::vector<int>{tv::kZipCrcError, tv::kZipEncrypted, tv::kZipMethodError,
                                                  tv::kZipCrcError}));
    EXPECT_EQ(FilesBelow(out), (std::vector<std::string>{"bad.txt", "good1.txt", "good2.txt"}));
    EXPECT_EQ(ReadFileBytes(out / "bad.txt"), "old content");
    EXPECT_EQ(ReadFileBytes(out / "good2.txt"), "zwei");
}

TEST(UnzipExtract, CorruptDataTruncationAndFalseSizesAreArchiveOrReadErrors) {
    TempDir dir;
    std::string corrupt = RawDeflate(std::string(5000, 'x') + kText);
    corrupt[0] = '\xFF';  // reserved block type
    const std::string sixteen = std::string(16, 'q');
    struct Case {
        const char* label;
        Entry entry;
        int code;
    } cases[] = {
        {"bad deflate", {"c.txt", kText, 8, 0, false, corrupt}, tv::kZipArchiveError},
        {"deflate cut", {"c.txt", kText, 8, 0, false, RawDeflate(kText).substr(0, 20)}, tv::kZipArchiveError},
        {"huge size", {"c.txt", kText, 8, 0, false, std::nullopt, std::nullopt, 0xFFFFFFF0u}, tv::kZipArchiveError},
        {"short size", {"c.txt", kText, 8, 0, false, std::nullopt, std::nullopt, 10u}, tv::kZipArchiveError},
        {"stored sizes differ", {"c.txt", sixteen, 0, 0, false, std::nullopt, std::nullopt, 8u}, tv::kZipArchiveError},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const auto path = dir.write("x.zip", BuildZip({c.entry, {"after.txt", "x"}})).string();
        const fs::path out = dir.path() / c.label;
        int result = 0;
        const auto log = Extract(path, out.string(), "*.*", result);
        EXPECT_EQ(result, c.code);
        EXPECT_EQ(log.back().report.status, tv::kZipReportStopped);
        EXPECT_TRUE(!fs::exists(out) || fs::is_empty(out));  // no partial output left
    }

    // Packed data promised beyond the end of the file.
    std::string zip = BuildZip({{"big.txt", std::string(3000, 'z'), 0}});
    const std::size_t central = zip.rfind("PK\x01\x02");
    zip[central + 22] = '\x7F';  // packed size 0x7F000BB8
    zip[central + 23] = '\x7F';
    zip[central + 26] = '\x7F';  // unpacked size the same
    zip[central + 27] = '\x7F';
    const auto path = dir.write("y.zip", zip).string();
    int result = 0;
    Extract(path, (dir.path() / "y").string(), "*.*", result);
    EXPECT_EQ(result, tv::kZipReadError);

    // The second local header lacks its signature: the run stops after the first entry.
    std::string badLocal = BuildZip({{"a.txt", kText}, {"b.txt", kText}});
    const std::size_t second = badLocal.find("PK\x03\x04", 4);
    badLocal[second + 3] = '\x09';
    Extract(dir.write("w.zip", badLocal).string(), (dir.path() / "w").string(), "", result);
    EXPECT_EQ(result, tv::kZipArchiveError);
    EXPECT_EQ(ReadFileBytes(dir.path() / "w" / "a.txt"), kText);
}

TEST(UnzipExtract, DataDescriptorEntriesUseTheDirectorySizes) {
    TempDir dir;
    const std::string data = kText + std::string(40000, '-') + kText;
    const auto path = dir.write("dd.zip", BuildZip({{"dd.gpx", data, 8, 0, true}, {"st.gpx", kText, 0, 0, true}}));
    ASSERT_EQ(ReadFileBytes(path).substr(14, 12), std::string(12, '\0'));
    int result = 0;
    const auto log = Extract(path.string(), (dir.path() / "o").string(), "*.gpx", result);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(ReadFileBytes(dir.path() / "o" / "dd.gpx"), data);
    EXPECT_EQ(ReadFileBytes(dir.path() / "o" / "st.gpx"), kText);

    // Empty files, with and without the deflate end marker.
    const auto empty = dir.write("e.zip", BuildZip({{"a.gpx", "", 8}, {"b.gpx", "", 8, 0, false, std::string()},
                                                    {"c.gpx", "", 0}, {"d.gpx", "", 6, 6, false, std::string()}}));
    EXPECT_EQ(tv::UnzipFiles(empty.string(), dir.str() + "e", "*.gpx"), 4);
    EXPECT_EQ(FilesBelow(dir.path() / "e"), (std::vector<std::string>{"a.gpx", "b.gpx", "c.gpx", "d.gpx"}));
    EXPECT_EQ(fs::file_size(dir.path() / "e" / "a.gpx"), 0u);
    if (InfoZipAvailable()) {
        ASSERT_EQ(InfoZipExtract(path, dir.path() / "i"), 0);
        EXPECT_EQ(ReadFileBytes(dir.path() / "i" / "dd.gpx"), data);
    }
}

TEST(UnzipExtract, FileTimeIsTheEntryDateInLocalTime) {
    TempDir dir;
    const auto path = dir.write("t.zip", BuildZip({{"t.txt", kText}})).string();
    ASSERT_EQ(tv::UnzipFiles(path, dir.str() + "o", "*.*"), 1);
    struct stat st {};
    ASSERT_EQ(::stat((dir.path() / "o" / "t.txt").c_str(), &st), 0);
    std::tm tm{};
    localtime_r(&st.st_mtime, &tm);
    EXPECT_EQ(tm.tm_year + 1900, 2007);
    EXPECT_EQ(tm.tm_mon + 1, 11);
    EXPECT_EQ(tm.tm_mday, 28);
    EXPECT_EQ(tm.tm_hour, 12);
    EXPECT_EQ(tm.tm_min, 34);
    EXPECT_EQ(tm.tm_sec, 56);
}

TEST(UnzipSafety, EntryNamesNeverLeaveTheTargetFolder) {
    TempDir dir;
    const fs::path target = dir.path() / "box" / "target";
    fs::create_directories(target);
    fs::create_directories(dir.path() / "outside");
    fs::create_symlink(dir.path() / "outside", target / "link");
    fs::create_symlink(dir.path() / "outside" / "victim.txt", target / "victim.txt");
    const auto path = dir.write("evil.zip", BuildZip({
                                                {"../evil.txt", "1"},
                                                {"/abs.txt", "2"},
                                                {"C:\\x.txt", "3"},
                                                {"a/../../e.txt", "4"},
                                                {"..\\w.txt", "5"},
                                                {"link/in.txt", "6"},
                                                {std::string("n\0l.txt", 7), "7"},
                                                {"victim.txt", "8"},
                                                {"ok\\deep\\./f.txt", "9"},
                                                {"dir/", ""},
                                            }))
                          .string();
    int result = 0;
    const auto log = Extract(path, target.string(), "*.*", result);
    EXPECT_EQ(result, 3);
    EXPECT_EQ(FailedCodes(log), std::vector<int>(7, tv::kZipWriteError));
    EXPECT_EQ(FilesBelow(dir.path() / "box"),
              (std::vector<std::string>{"target/", "target/dir/", "target/link", "target/ok/", "target/ok/deep/",
                                        "target/ok/deep/f.txt", "target/victim.txt"}));
    EXPECT_TRUE(fs::is_empty(dir.path() / "outside"));
    EXPECT_FALSE(fs::is_symlink(target / "victim.txt"));  // replaced, not followed
    EXPECT_EQ(ReadFileBytes(target / "victim.txt"), "8");
    EXPECT_EQ(ReadFileBytes(target / "ok" / "deep" / "f.txt"), "9");
    EXPECT_FALSE(fs::exists(dir.path() / "evil.txt"));
    EXPECT_FALSE(fs::exists(dir.path() / "box" / "e.txt"));
}

TEST(UnzipExtract, NamesReachTheDiskAsUtf8AndUnrepresentableOnesAreNotWritten) {
    TempDir dir;
    const std::string target = dir.str() + "M\xFChle/";  // the program's Windows-1252
    const auto path = dir.write("names.zip", BuildZip({
                                                 {"M\xFChle.txt", "1"},                     // plain: Windows-1252
                                                 {"J\xC3\xBCrgen.txt", "2", 8, 0x0800},     // flagged UTF-8
                                                 {"\xE6\x97\xA5.txt", "3", 8, 0x0800},      // no Windows-1252 form
                                             }))
                          .string();
    int result = 0;
    const auto log = Extract(path, target, "*.*", result);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(FailedCodes(log), std::vector<int>{tv::kZipWriteError});
    EXPECT_EQ(FilesBelow(dir.path() / "M\xC3\xBChle"),
              (std::vector<std::string>{"J\xC3\xBCrgen.txt", "M\xC3\xBChle.txt"}));
    EXPECT_EQ(ReadFileBytes(dir.path() / "M\xC3\xBChle" / "J\xC3\xBCrgen.txt"), "2");
    EXPECT_EQ(log[log.size() - 2].report.name, "?.txt");  // the failure names the entry readably
}

TEST(UnzipSafety, SafeEntryPathNormalisesOrRefuses) {
    EXPECT_EQ(tv::ZipSafeEntryPath("a/b.gpx"), "a/b.gpx");
    EXPECT_EQ(tv::ZipSafeEntryPath("a\\b.gpx"), "a/b.gpx");
    EXPECT_EQ(tv::ZipSafeEntryPath("./a//b.gpx"), "a/b.gpx");
    EXPECT_EQ(tv::ZipSafeEntryPath("a/b/"), "a/b/");
    EXPECT_EQ(tv::ZipSafeEntryPath("x..y.gpx"), "x..y.gpx");
    EXPECT_EQ(tv::ZipSafeEntryPath("ab:c.txt"), "ab:c.txt");  // a plain character on Linux
    for (const char* bad : {"", "/", "./", "..", "a/..", "../a", "\\a", "c:/a", "Z:a", "a/../../b"})
        EXPECT_EQ(tv::ZipSafeEntryPath(bad), "") << bad;
}

TEST(UnzipSafety, LongNamesAreHandledWithoutOverrun) {
    TempDir dir;
    const std::string deep = std::string(150, 'd') + "/" + std::string(146, 'f') + ".gpx";  // 300 characters
    const std::string flat = std::string(296, 'g') + ".gpx";
    const std::string fits = std::string(251, 'h') + ".gpx";  // the longest name the file system takes
    const auto path = dir.write("n.zip", BuildZip({{deep, "deep"}, {flat, "flat"}, {fits, "fits"}})).string();
    tv::TZipCursor c;
    ASSERT_EQ(tv::ZipFindFirst(path, c), 0);
    EXPECT_EQ(c.name, deep);
    int result = 0;
    const auto log = Extract(path, dir.str() + "o", "*.gpx", result);
    EXPECT_EQ(result, 2);  // one file name part longer than the file system allows
    EXPECT_EQ(FailedCodes(log), std::vector<int>{tv::kZipWriteError});
    EXPECT_EQ(ReadFileBytes(dir.path() / "o" / deep), "deep");
    EXPECT_EQ(ReadFileBytes(dir.path() / "o" / fits), "fits");
}

TEST(UnzipExtract, EmptyNamesNonArchivesCancelAndReentry) {
    TempDir dir;
    const auto path = dir.write("a.zip", BuildZip({{"1.txt", std::string(20000, '1'), 0}, {"2.txt", "2"}})).string();
    EXPECT_EQ(tv::UnzipFiles("", dir.str(), "*.*"), tv::kZipEmptyName);
    EXPECT_EQ(tv::UnzipFiles(path, "", "*.*"), tv::kZipEmptyName);
    EXPECT_EQ(tv::UnzipFiles(dir.write("p.txt", "plain").string(), dir.str(), "*.*"), tv::kZipNotAnArchive);

    tv::platform::ScopedFakes fakes;
    int inner = 1;
    fakes.pump.onPump = [&] {
        if (inner == 1) inner = tv::UnzipFiles(path, dir.str() + "inner", "*.*");
    };
    EXPECT_EQ(tv::UnzipFiles(path, dir.str() + "outer", "*.*"), 2);
    EXPECT_EQ(inner, tv::kZipBusy);
    EXPECT_GT(fakes.pump.pumps, 0);
    EXPECT_FALSE(fs::exists(dir.path() / "inner" / "1.txt"));
    fakes.pump.onPump = nullptr;

    int asked = 0;
    tv::UnzipOptions stop;
    stop.cancelRequested = [&] { return ++asked == 1; };
    int result = 0;
    const auto log = Extract(path, dir.str() + "stopped", "*.*", result, stop);
    EXPECT_EQ(result, tv::kZipUserStop);
    EXPECT_EQ(log.back().report.status, tv::kZipReportStopped);
    EXPECT_EQ(log.back().value, tv::kZipUserStop);
    EXPECT_FALSE(fs::exists(dir.path() / "stopped" / "1.txt"));
    // The busy mark was released: a later run works.
    EXPECT_EQ(tv::UnzipFiles(path, dir.str() + "again", "*.*"), 2);
}

TEST(UnzipExtract, OverwriteQuestionCanKeepTheExistingFile) {
    TempDir dir;
    const auto path = dir.write("o.zip", BuildZip({{"a.txt", "neu"}, {"b.txt", "neu"}})).string();
    dir.write("t/a.txt", "alt");
    dir.write("t/b.txt", "alt");
    std::vector<std::string> asked;
    tv::UnzipOptions options;
    options.overwrite = [&](const std::string& file) {
        asked.push_back(fs::path(file).filename().string());
        return asked.size() == 2;
    };
    EXPECT_EQ(tv::UnzipFiles(path, dir.str() + "t/", "*.*", options), 1);
    EXPECT_EQ(asked, (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(dir.read("t/a.txt"), "alt");
    EXPECT_EQ(dir.read("t/b.txt"), "neu");
}

TEST(UnzipTotals, SumsDirectorySizesOrTakesTheFileSize) {
    TempDir dir;
    std::int64_t packed = -1;
    EXPECT_EQ(tv::ZipTotalSizes("", packed), 0);
    EXPECT_EQ(packed, 0);
    EXPECT_EQ(tv::ZipTotalSizes(dir.write("plain.txt", std::string(1234, 'p')).string(), packed), 1234);
    EXPECT_EQ(packed, 1234);
    const std::string a(5000, 'a');
    const auto path = dir.write("s.zip", BuildZip({{"a", a}, {"b", "bbb", 0}})).string();
    EXPECT_EQ(tv::ZipTotalSizes(path, packed), 5003);
    EXPECT_EQ(packed, static_cast<std::int64_t>(RawDeflate(a).size() + 3));
}

TEST(UnzipText, ErrorTextsAndUpperCase) {
    EXPECT_EQ(tv::ZipErrorText(tv::kZipNotAnArchive), "Die Datei ist kein ZIP-Archiv.");
    EXPECT_EQ(tv::ZipErrorText(tv::kZipCrcError), "Pr\xFC" "fsummenfehler: die entpackten Daten sind besch\xE4" "digt.");
    for (int code : {-1, -2, -3, -4, -5, -6, -7, -8, -9, -10, -11, -12, -14, -500})
        EXPECT_NE(tv::ZipErrorText(code), tv::ZipErrorText(12345)) << code;
    EXPECT_EQ(tv::UpperShortStr("a.gpx M\xFCller \xE9t\xE9 \xDF"), "A.GPX M\xDCLLER \xC9T\xC9 \xDF");
}


// ---------------------------------------------------------------------------
// Encoders for the legacy methods, written for the tests from the format
// description. Info-ZIP's unzip reads what they produce, which shows that the
// fixtures are real shrunk and imploded data, not just our own dialect.

class BitWriter {
public:
    void bits(std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i) bit((value >> i) & 1u);
    }
    // Tree codes go out most significant bit first.
    void code(std::uint32_t value, int length) {
        for (int i = length - 1; i >= 0; --i) bit((value >> i) & 1u);
    }
    std::string finish() {
        if (count_) out_ += static_cast<char>(acc_);
        acc_ = count_ = 0;
        return out_;
    }

private:
    void bit(std::uint32_t b) {
        acc_ |= b << count_;
        if (++count_ == 8) {
            out_ += static_cast<char>(acc_);
            acc_ = count_ = 0;
        }
    }
    std::string out_;
    std::uint32_t acc_ = 0;
    int count_ = 0;
};

struct SfTreeCodes {
    std::vector<int> lengths;
    std::vector<std::uint32_t> codes;
};

SfTreeCodes MakeSfCodes(const std::vector<int>& lengths) {
    const int n = static_cast<int>(lengths.size());
    std::vector<int> order(n);
    for (int i = 0; i < n; ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return lengths[a] < lengths[b]; });
    SfTreeCodes t{lengths, std::vector<std::uint32_t>(n)};
    std::uint32_t code = 0, increment = 0;
    int last = 0;
    for (int i = n - 1; i >= 0; --i) {
        code += increment;
        if (lengths[order[i]] != last) {
            last = lengths[order[i]];
            increment = 1u << (16 - last);
        }
        t.codes[order[i]] = code >> (16 - last);
    }
    return t;
}

void DescribeSfTree(BitWriter& w, const std::vector<int>& lengths) {
    std::vector<std::uint8_t> runs;
    for (std::size_t i = 0; i < lengths.size();) {
        std::size_t j = i;
        while (j < lengths.size() && lengths[j] == lengths[i] && j - i < 16) ++j;
        runs.push_back(static_cast<std::uint8_t>(((j - i - 1) << 4) | (lengths[i] - 1)));
        i = j;
    }
    w.bits(static_cast<std::uint32_t>(runs.size() - 1), 8);
    for (auto r : runs) w.bits(r, 8);
}

std::string Implode(const std::string& data, std::uint16_t flags) {
    const bool bigWindow = flags & 2, literalTree = flags & 4;
    const int lowBits = bigWindow ? 7 : 6;
    const int minMatch = literalTree ? 3 : 2;
    const std::size_t window = bigWindow ? 8192 : 4096;
    const std::size_t maxMatch = static_cast<std::size_t>(minMatch) + 63 + 255;
    // Complete trees with several code lengths.
    std::vector<int> small(64, 7), literal(256, 8);
    small[0] = small[1] = 2;
    small[2] = small[3] = 6;
    for (int i = 128; i < 188; ++i) literal[i] = 9;
    literal[' '] = literal['e'] = 4;
    const SfTreeCodes lit = MakeSfCodes(literal), len = MakeSfCodes(small), dist = MakeSfCodes(small);

    BitWriter w;
    if (literalTree) DescribeSfTree(w, literal);
    DescribeSfTree(w, small);
    DescribeSfTree(w, small);
    std::vector<int> head(65536, -1), chain(data.size(), -1);
    const auto key = [&](std::size_t i) {
        return (static_cast<unsigned char>(data[i]) << 8) | static_cast<unsigned char>(data[i + 1]);
    };
    std::size_t pos = 0;
    const auto insert = [&](std::size_t i) {
        if (i + 1 < data.size()) {
            chain[i] = head[key(i)];
            head[key(i)] = static_cast<int>(i);
        }
    };
    while (pos < data.size()) {
        std::size_t bestLength = 0, bestDistance = 0;
        if (pos == 0 && data.size() > 20 && data.compare(0, 20, std::string(20, '\0')) == 0) {
            bestLength = 20;  // zeros from before the start of the data
            bestDistance = 100;
        } else if (pos + 1 < data.size()) {
            int tries = 512;
            for (int cand = head[key(pos)]; cand >= 0 && tries-- > 0; cand = chain[cand]) {
                const std::size_t d = pos - static_cast<std::size_t>(cand);
                if (d > window) break;
                std::size_t l = 0;
                while (pos + l < data.size() && l < maxMatch && data[cand + l] == data[pos + l]) ++l;
                if (l > bestLength) {
                    bestLength = l;
                    bestDistance = d;
                }
            }
        }
        if (bestLength >= static_cast<std::size_t>(minMatch)) {
            const std::uint32_t d = static_cast<std::uint32_t>(bestDistance - 1);
            w.bits(0, 1);
            w.bits(d & ((1u << lowBits) - 1), lowBits);
            w.code(dist.codes[d >> lowBits], dist.lengths[d >> lowBits]);
            const std::uint32_t l = static_cast<std::uint32_t>(bestLength) - minMatch;
            if (l >= 63) {
                w.code(len.codes[63], len.lengths[63]);
                w.bits(l - 63, 8);
            } else {
                w.code(len.codes[l], len.lengths[l]);
            }
            for (std::size_t i = 0; i < bestLength; ++i) insert(pos + i);
            pos += bestLength;
        } else {
            const auto b = static_cast<unsigned char>(data[pos]);
            w.bits(1, 1);
            if (literalTree)
                w.code(lit.codes[b], lit.lengths[b]);
            else
                w.bits(b, 8);
            insert(pos++);
        }
    }
    return w.finish();
}

std::string Shrink(const std::string& data) {
    constexpr int kMax = 8191;
    std::map<std::uint32_t, int> dict;
    std::vector<int> prefix(kMax + 1, -1);
    std::vector<std::uint8_t> last(kMax + 1, 0);
    BitWriter w;
    int codeSize = 9;
    const auto lowestFree = [&](int from) {
        while (from <= kMax && prefix[from] >= 0) ++from;
        return from;
    };
    int freeCode = 257;
    const auto emit = [&](int code) {
        while (code >= (1 << codeSize)) {
            w.bits(256, codeSize);
            w.bits(1, codeSize);
            ++codeSize;
        }
        w.bits(static_cast<std::uint32_t>(code), codeSize);
    };
    if (data.empty()) return {};
    int current = static_cast<unsigned char>(data[0]);
    for (std::size_t i = 1; i < data.size(); ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        const std::uint32_t k = (static_cast<std::uint32_t>(current) << 8) | c;
        if (auto it = dict.find(k); it != dict.end()) {
            current = it->second;
            continue;
        }
        emit(current);
        if (freeCode > kMax) {
            // Table full: free every code that is no prefix, then go on adding;
            // the new string may name a code that was just freed.
            w.bits(256, codeSize);
            w.bits(2, codeSize);
            std::vector<bool> isPrefix(kMax + 1, false);
            for (int code = 257; code <= kMax; ++code)
                if (prefix[code] > 256) isPrefix[prefix[code]] = true;
            for (int code = 257; code <= kMax; ++code) {
                if (prefix[code] >= 0 && !isPrefix[code]) {
                    dict.erase((static_cast<std::uint32_t>(prefix[code]) << 8) | last[code]);
                    prefix[code] = -1;
                }
            }
            freeCode = lowestFree(257);
        }
        if (freeCode <= kMax) {
            prefix[freeCode] = current;
            last[freeCode] = c;
            dict[k] = freeCode;
            freeCode = lowestFree(freeCode + 1);
        }
        current = c;
    }
    emit(current);
    return w.finish();
}

std::string LegacySample() {
    std::string text;
    const char* words[] = {"Cache ", "Dose ", "Wald ", "Weg ", "Baum ", "Stein ", "N 52 ", "E 013 ", "gefunden ",
                           "\r\n", "Logbuch ", "Stift ", "Tarnung ", "ueber ", "unter "};
    std::uint32_t seed = 12345;
    while (text.size() < 6000) {
        seed = seed * 1103515245u + 12345u;
        text += words[(seed >> 16) % 15];
    }
    const std::string head = text.substr(0, 700);
    text += std::string(700, 'x');  // a run longer than the longest match
    text += head;                   // a repeat 6700 bytes back
    for (int i = 0; i < 300; ++i) text += static_cast<char>((i * 37) & 0xFF);
    return text;
}

TEST(UnzipLegacy, ImplodedVariantsMatchAnIndependentReader) {
    TempDir dir;
    const std::string sample = LegacySample();
    const std::string zeros = std::string(40, '\0') + sample.substr(0, 500);
    std::vector<Entry> entries;
    for (std::uint16_t flags : {0, 2, 4, 6}) {
        for (const auto* data : {&sample, &zeros}) {
            const std::string name = "imp" + std::to_string(flags) + (data == &zeros ? "z" : "") + ".txt";
            entries.push_back({name, *data, 6, flags, false, Implode(*data, flags)});
        }
    }
    const auto path = dir.write("imp.zip", BuildZip(entries));
    int result = 0;
    const auto log = Extract(path.string(), dir.str() + "ours", "*.*", result);
    EXPECT_EQ(result, 8);
    EXPECT_TRUE(FailedCodes(log).empty());
    for (const auto& e : entries) EXPECT_EQ(ReadFileBytes(dir.path() / "ours" / e.name), e.data) << e.name;
    if (!InfoZipAvailable()) GTEST_SKIP() << "unzip is not installed";
    ASSERT_EQ(InfoZipExtract(path, dir.path() / "infozip"), 0);
    for (const auto& e : entries) EXPECT_EQ(ReadFileBytes(dir.path() / "infozip" / e.name), e.data) << e.name;
}

TEST(UnzipLegacy, ShrunkDataWithPartialClearsMatchesAnIndependentReader) {
    TempDir dir;
    // Data with many short new strings fills the 8192-code table several times.
    std::string noisy;
    std::uint32_t seed = 99;
    while (noisy.size() < 120000) {
        seed = seed * 1664525u + 1013904223u;
        noisy += static_cast<char>('a' + ((seed >> 24) % 16));
    }
    const std::string text = LegacySample();
    const auto path = dir.write("shr.zip", BuildZip({{"noisy.txt", noisy, 1, 0, false, Shrink(noisy)},
                                                     {"text.txt", text, 1, 0, false, Shrink(text)},
                                                     {"one.txt", "a", 1, 0, false, Shrink("a")}}));
    int result = 0;
    const auto log = Extract(path.string(), dir.str() + "ours", "*.*", result);
    EXPECT_EQ(result, 3);
    EXPECT_TRUE(FailedCodes(log).empty());
    EXPECT_EQ(ReadFileBytes(dir.path() / "ours" / "noisy.txt"), noisy);
    EXPECT_EQ(ReadFileBytes(dir.path() / "ours" / "text.txt"), text);
    EXPECT_EQ(ReadFileBytes(dir.path() / "ours" / "one.txt"), "a");
    if (!InfoZipAvailable()) GTEST_SKIP() << "unzip is not installed";
    ASSERT_EQ(InfoZipExtract(path, dir.path() / "infozip"), 0);
    EXPECT_EQ(ReadFileBytes(dir.path() / "infozip" / "noisy.txt"), noisy);
    EXPECT_EQ(ReadFileBytes(dir.path() / "infozip" / "text.txt"), text);
}

TEST(UnzipLegacy, DamagedLegacyDataIsAnErrorNotACrash) {
    TempDir dir;
    const std::string text = LegacySample();
    std::string imploded = Implode(text, 6);
    std::string shrunk = Shrink(text);
    std::string badTree = imploded;
    badTree[1] = '\x0F';  // first run claims sixteen 1-bit codes: no valid tree
    const auto path = dir.write("bad.zip", BuildZip({{"a.txt", text, 6, 6, false, imploded.substr(0, imploded.size() / 2)},
                                                     {"b.txt", text, 1, 0, false, shrunk.substr(0, 100)},
                                                     {"c.txt", text, 6, 6, false, badTree},
                                                     {"d.txt", text, 1, 0, false, std::string("\x00\x02\xFF\xFF", 4)}}));
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) {
        SCOPED_TRACE(name);
        int result = 0;
        Extract(path.string(), dir.str() + name, name, result);
        EXPECT_EQ(result, tv::kZipArchiveError);
        EXPECT_FALSE(fs::exists(dir.path() / name / name));
    }
}
}  // namespace
