#include "core/file_procs.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/cache_rec.h"
#include "support/fakes.h"
#include "support/file_time.h"
#include "support/temp_dir.h"
#include "support/write_fault.h"

namespace tv {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// While it lives, writing a file beyond `bytes` fails with EFBIG (for root
// too, unlike folder permissions).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, handler_);
    }

private:
    rlimit old_{};
    void (*handler_)(int) = nullptr;
};

TEST(FileMask, DosSemantics) {
    EXPECT_TRUE(MatchesMask("GC123", "GC*.*"));
    EXPECT_TRUE(MatchesMask("gc1.HTML", "GC*.*"));
    EXPECT_TRUE(MatchesMask("GC1A2B.html", "GC????.htm*"));
    EXPECT_FALSE(MatchesMask("GC1A2B3.html", "GC????.htm*"));
    EXPECT_TRUE(MatchesMask("GC1A2B3.html", "GC?????.htm*"));
    EXPECT_TRUE(MatchesMask("x.GPX", "*.gpx"));
    EXPECT_FALSE(MatchesMask("x.gpx.bak", "*.gpx"));
    EXPECT_TRUE(MatchesMask("noext", "*.*"));
    EXPECT_TRUE(MatchesMask("noext", "*"));
    EXPECT_TRUE(MatchesMask("a.b.c", "*.c"));
    EXPECT_FALSE(MatchesMask("a.b", "a.*x"));
    EXPECT_FALSE(MatchesMask("ab.c", "a.*"));
    EXPECT_FALSE(MatchesMask("XC1.html", "GC*.*"));
    EXPECT_FALSE(MatchesMask("GC12", "GC?"));
    EXPECT_TRUE(MatchesMask("GC1", "GC?"));
    EXPECT_FALSE(MatchesMask("anything", ""));
    EXPECT_TRUE(MatchesMask("index.html", "INDEX.HTML"));
    // Case folding is ASCII only: other bytes must match exactly.
    EXPECT_FALSE(MatchesMask("\xE4.txt", "\xC4.txt"));
    // Many stars stay fast.
    EXPECT_FALSE(MatchesMask(std::string(5000, 'a'), std::string(60, '*') + "b"));
}

TEST(FileText, LinesAndAtomicWrites) {
    tvtest::TempDir dir;
    const std::string f = dir.str() + "t.txt";
    ASSERT_TRUE(SaveTextToFile("a\nb", f));
    EXPECT_EQ(tvtest::ReadFileBytes(f), "a\r\nb\r\n");
    ASSERT_TRUE(SaveTextToFile("a\r\nb\r\n", f));
    EXPECT_EQ(tvtest::ReadFileBytes(f), "a\r\nb\r\n");
    ASSERT_TRUE(SaveTextToFile("x\ry\n\nz\r\n\r\n", f));
    EXPECT_EQ(tvtest::ReadFileBytes(f), "x\r\ny\r\n\r\nz\r\n\r\n");
    ASSERT_TRUE(SaveTextToFile("", f));
    EXPECT_TRUE(fs::exists(f));
    EXPECT_EQ(fs::file_size(f), 0u);

    // A list written and read back; LF-only files read the same.
    const Names lines{"GC1", "", "GC\xE4\xF6", "A;GC2"};
    ASSERT_TRUE(WriteTextList(dir.str() + "WPList.txt", lines));
    Names back{"old"};
    ASSERT_TRUE(ReadTextList(dir.str() + "WPList.txt", back));
    EXPECT_EQ(back, lines);
    dir.write("lf.txt", "GC1\n\nGC\xE4\xF6\nA;GC2");
    ASSERT_TRUE(ReadTextList(dir.str() + "lf.txt", back));
    EXPECT_EQ(back, lines);
    // The old spelling is found for the new one.
    dir.write("WPlist2.txt", "GC9\r\n");
    ASSERT_TRUE(ReadTextList(dir.str() + "WPList2.txt", back));
    EXPECT_EQ(back, Names{"GC9"});
    EXPECT_FALSE(ReadTextList(dir.str() + "none.txt", back));
    EXPECT_TRUE(back.empty());

    // Only a file is read, with the system's cause for anything else; no open waits on a pipe.
    const auto cause = [&](const std::string& name) { return ReadProgramFile(dir.str() + name).error().code; };
    EXPECT_EQ(ReadProgramFile(dir.str() + "lf.txt").value(), "GC1\n\nGC\xE4\xF6\nA;GC2");
    fs::create_directory(dir.path() / "folder");
    ASSERT_EQ(::mkfifo((dir.str() + "fifo").c_str(), 0644), 0);
    fs::create_symlink("fifo", dir.path() / "to_fifo");
    fs::create_symlink("gone", dir.path() / "dangling");
    fs::resize_file(dir.write("huge", ""), static_cast<std::uintmax_t>(HoldableBytes()) + 1);  // sparse
    EXPECT_EQ(cause("folder"), EISDIR);
    EXPECT_EQ(cause("fifo"), ESPIPE);
    EXPECT_EQ(cause("to_fifo"), ESPIPE);
    EXPECT_EQ(cause("dangling"), ENOENT);
    EXPECT_EQ(cause("huge"), EFBIG);
    EXPECT_EQ(ReadProgramFile(dir.str() + "huge").error().message, ReadErrorText(dir.str() + "huge"));

    // Leftover temporary files do not remain.
    EXPECT_EQ(ListFolder(dir.str(), ".*"), Names{});
}

TEST(FileText, FailedWriteKeepsTheOldFile) {
    tvtest::TempDir dir;
    const std::string f = dir.str() + "list.txt";
    dir.write("list.txt", "old\r\n");
    {
        FileSizeLimit limit(16);
        EXPECT_FALSE(WriteTextList(f, {std::string(100, 'n')}));
        EXPECT_FALSE(SaveTextToFile(std::string(100, 'n'), f));
        EXPECT_FALSE(WriteFileAtomic(f, std::string(100, 'n')));
    }
    EXPECT_EQ(tvtest::ReadFileBytes(f), "old\r\n");
    EXPECT_EQ(ListFolder(dir.str()), Names{"list.txt"});  // no temporary file left
    // A folder that does not exist cannot be written to.
    EXPECT_FALSE(WriteFileAtomic(dir.str() + "missing/list.txt", "x"));
    // A long name still gets its temporary file.
    const std::string longName = dir.str() + std::string(250, 'w') + ".txt";
    dir.write(std::string(250, 'w') + ".txt", "old");
    EXPECT_TRUE(WriteFileAtomic(longName, "new"));
    EXPECT_EQ(tvtest::ReadFileBytes(longName), "new");
}

TEST(FileText, StreamingWriterReplacesOnlyOnCommit) {
    tvtest::TempDir dir;
    const std::string f = dir.str() + "big.bin";
    dir.write("big.bin", "old");
    {
        AtomicFileWriter w(f);
        EXPECT_TRUE(w.Write("half"));
    }  // no commit
    EXPECT_EQ(tvtest::ReadFileBytes(f), "old");
    AtomicFileWriter w(f);
    EXPECT_TRUE(w.Write("new "));
    EXPECT_TRUE(w.Write("content"));
    EXPECT_TRUE(w.Commit());
    EXPECT_EQ(tvtest::ReadFileBytes(f), "new content");
    EXPECT_EQ(ListFolder(dir.str()), Names{"big.bin"});
    // A link is followed: the file it points to gets the content.
    dir.write("real.txt", "x");
    fs::create_symlink(dir.path() / "real.txt", dir.path() / "alias.txt");
    ASSERT_TRUE(WriteFileAtomic(dir.str() + "alias.txt", "via link"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "alias.txt"));
    EXPECT_EQ(tvtest::ReadFileBytes(dir.path() / "real.txt"), "via link");
    // Link and file names on disk are UTF-8; one the program cannot name fails the write, the link stays.
    fs::create_symlink("J\xC3\xBCrgen.txt", dir.path() / "J.txt");
    fs::create_symlink("\xE6\x97\xA5.txt", dir.path() / "N.txt");
    ASSERT_TRUE(WriteFileAtomic(dir.str() + "J.txt", "J"));
    EXPECT_EQ(tvtest::ReadFileBytes(dir.path() / "J\xC3\xBCrgen.txt"), "J");
    EXPECT_FALSE(WriteFileAtomic(dir.str() + "N.txt", "N"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "N.txt"));
    // ... unless told to replace the link itself.
    AtomicWriteOptions own;
    own.followLink = false;
    AtomicFileWriter replace(dir.str() + "alias.txt", own);
    ASSERT_TRUE(replace.Write("own file") && replace.Commit());
    EXPECT_FALSE(fs::is_symlink(dir.path() / "alias.txt"));
    EXPECT_EQ(tvtest::ReadFileBytes(dir.path() / "real.txt"), "via link");
    // The replaced file keeps its permission bits.
    fs::permissions(f, fs::perms(0640));
    ASSERT_TRUE(WriteFileAtomic(f, "again"));
    EXPECT_EQ(fs::status(f).permissions(), fs::perms(0640));
    // A full disk reported by the test seam leaves the old file and no temporary.
    {
        tvtest::ScopedWriteFault full("big.bin");
        AtomicFileWriter failing(f);
        EXPECT_FALSE(failing.Write("lost"));
        EXPECT_EQ(failing.error(), ENOSPC);
        EXPECT_FALSE(failing.Commit());
    }
    EXPECT_EQ(tvtest::ReadFileBytes(f), "again");
    EXPECT_EQ(ListFolder(dir.str()), (Names{"alias.txt", "big.bin", "J.txt", "J\xFCrgen.txt", "N.txt", "real.txt"}));

    // Only a file is replaced: a link to a pipe or a folder fails with the cause and stays as it was.
    ASSERT_EQ(::mkfifo((dir.str() + "fifo").c_str(), 0644), 0);
    fs::create_directory(dir.path() / "sub");
    fs::create_symlink("fifo", dir.path() / "to_fifo");
    fs::create_symlink("sub", dir.path() / "to_sub");
    AtomicFileWriter toPipe(dir.str() + "to_fifo");
    EXPECT_TRUE(toPipe.createFailed());
    EXPECT_EQ(toPipe.error(), ESPIPE);
    EXPECT_FALSE(toPipe.Commit());
    EXPECT_FALSE(WriteFileAtomic(dir.str() + "to_sub", "x"));
    EXPECT_TRUE(fs::is_fifo(dir.path() / "to_fifo") && fs::is_symlink(dir.path() / "to_fifo"));
    EXPECT_TRUE(fs::is_directory(dir.path() / "to_sub") && fs::is_empty(dir.path() / "sub"));
}

TEST(FileCopy, BlocksAndFailures) {
    tvtest::TempDir dir;
    dir.write("empty", "");
    EXPECT_EQ(CopyFileBlockwise(dir.str() + "empty", dir.str() + "empty.copy"), 0);
    ASSERT_TRUE(fs::exists(dir.path() / "empty.copy"));
    EXPECT_EQ(fs::file_size(dir.path() / "empty.copy"), 0u);

    std::string big;
    for (int i = 0; i < 5000; ++i) big += static_cast<char>((i * 7 + i / 256) & 0xFF);
    dir.write("big", big);
    dir.write("dest", std::string(9000, 'x'));  // longer: must be cut
    EXPECT_EQ(CopyFileBlockwise(dir.str() + "big", dir.str() + "dest"), 0);
    EXPECT_EQ(tvtest::ReadFileBytes(dir.path() / "dest"), big);

    EXPECT_EQ(CopyFileBlockwise(dir.str() + "missing", dir.str() + "never"), kIoFileNotFound);
    EXPECT_FALSE(fs::exists(dir.path() / "never"));
    EXPECT_EQ(CopyFileBlockwise(dir.str() + "big", dir.str() + "nodir/dest"), kIoFileNotFound);
    EXPECT_EQ(CopyFileBlockwise(dir.str(), dir.str() + "fromdir"), kIoAccessDenied);
    // A pipe without a writer or a reader: refused, never waited on.
    ASSERT_EQ(::mkfifo((dir.str() + "fifo").c_str(), 0644), 0);
    EXPECT_EQ(CopyFileBlockwise(dir.str() + "fifo", dir.str() + "fromfifo"), ESPIPE);
    EXPECT_EQ(CopyFileBlockwise(dir.str() + "big", dir.str() + "fifo"), ENXIO);
    EXPECT_FALSE(fs::exists(dir.path() / "fromdir"));
}

TEST(FileCopy, OntoItselfIsRefused) {
    tvtest::TempDir dir;
    dir.write("d/f.html", "precious");
    fs::create_symlink(dir.path() / "d/f.html", dir.path() / "alias.html");
    fs::create_hard_link(dir.path() / "d/f.html", dir.path() / "hard.html");
    for (const std::string& other : {dir.str() + "d/f.html", dir.str() + "d/../d/f.html", dir.str() + "alias.html",
                                     dir.str() + "hard.html"}) {
        EXPECT_EQ(CopyFileBlockwise(dir.str() + "d/f.html", other), kIoSameFile) << other;
        EXPECT_EQ(tvtest::ReadFileBytes(dir.path() / "d/f.html"), "precious");
    }
}

TEST(FileCopy, ShortWriteIsAnError) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    tvtest::TempDir dir;
    dir.write("src", std::string(5000, 'a'));
    EXPECT_EQ(CopyFileBlockwise(dir.str() + "src", "/dev/full"), kIoWriteError);
    EXPECT_TRUE(fs::exists("/dev/full"));  // a device is never removed
}

TEST(FileCopy, FailedCopyLeavesNoPartialFile) {
    tvtest::TempDir dir;
    dir.write("src", std::string(5000, 'a'));
    int code = 0;
    {
        FileSizeLimit limit(3000);
        code = CopyFileBlockwise(dir.str() + "src", dir.str() + "dest");
    }
    EXPECT_EQ(code, kIoWriteError);
    EXPECT_FALSE(fs::exists(dir.path() / "dest"));
    EXPECT_EQ(fs::file_size(dir.path() / "src"), 5000u);
}

TEST(FileDelete, TreeStaysInsideItsFolder) {
    platform::ScopedFakes fakes;
    tvtest::TempDir outside;
    outside.write("GC9.html", "keep");
    tvtest::TempDir dir;
    for (const char* f : {"GC1.html", "subA/GC2.html", "subA/index.html", "subB/GC3.meta", "subB/notes.txt",
                          "subC/deeper/GC4.html", ".hidden/GC5.html"})
        dir.write(f, "x");
    fs::create_directory_symlink(outside.path(), dir.path() / "linked");
    DeleteCacheFilesTree(dir.path().string());
    EXPECT_EQ(ListFolder(dir.str(), "*", EntryKind::All), (Names{".hidden", "linked", "subB", "subC"}));
    EXPECT_EQ(ListFolder(dir.str() + "subB"), Names{"notes.txt"});
    EXPECT_TRUE(fs::exists(dir.path() / "subC/deeper/GC4.html"));  // only one level down
    EXPECT_TRUE(fs::exists(dir.path() / ".hidden/GC5.html"));
    EXPECT_EQ(outside.read("GC9.html"), "keep");
}

}  // namespace
}  // namespace tv
