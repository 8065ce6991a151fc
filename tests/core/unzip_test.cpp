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
        if (InfoZipAvailable()) {
            TempDir other;
            ASSERT_EQ(InfoZipExtract(path, other.path()), 0);
            EXPECT_EQ(other.read(name), expected);
        }
    }
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
        // A size no archive of this size can honestly hold is refused before writing.
        {"huge size", {"c.txt", kText, 8, 0, false, std::nullopt, std::nullopt, 0xFFFFFFF0u}, tv::kZipTooLarge},
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
    zip[central + 22] = '\x04';  // packed size 0x00040BB8, past the end
    zip[central + 26] = '\x04';  // unpacked size the same
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

TEST(UnzipSafety, AnArchiveNeverUnpacksToFarMoreThanItsSize) {
    TempDir dir;
    // A few kilobytes that inflate to 20 MB of zeros: refused before writing.
    const auto bomb = dir.write("bomb.zip", BuildZip({{"a.txt", "klein"}, {"zeros.txt", std::string(20 << 20, '\0')}}));
    EXPECT_EQ(tv::UnzipFiles(bomb.string(), dir.str() + "b/", "*.*"), tv::kZipTooLarge);
    EXPECT_FALSE(fs::exists(dir.path() / "b/zeros.txt"));
    EXPECT_NE(tv::ZipErrorText(tv::kZipTooLarge).find("nicht entpackt"), std::string::npos);
    // The absolute limit counts the declared sizes of the entries taken.
    const auto two = dir.write("two.zip", BuildZip({{"a.txt", std::string(1000, 'a')}, {"b.txt", std::string(1000, 'b')}}));
    tv::UnzipOptions options;
    options.maxTotalBytes = 1500;
    EXPECT_EQ(tv::UnzipFiles(two.string(), dir.str() + "t/", "*.*", options), tv::kZipTooLarge);
    EXPECT_EQ(tv::UnzipFiles(two.string(), dir.str() + "t/", "b.txt", options), 1);
}

}  // namespace
