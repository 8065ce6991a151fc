#include "core/ini_file.h"

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace tv {

namespace fs = std::filesystem;

TEST(IniDocument, ReadsLfAndCrLfAndWritesCrLfKeepingUntouchedLines) {
    std::string text =
        "; kept comment\n"
        "[Program]\r\n"
        "  WorkDir = /data/geo  \n"
        "Note=a=b;c \"quoted\"\r\n"
        "\n"
        "[Other]\n"
        "free text line\n"
        "X=1";
    IniDocument doc = IniDocument::Parse(text);
    EXPECT_EQ(doc.get("program", "workdir"), "/data/geo  ");  // blanks before the value go, after it stay
    EXPECT_EQ(doc.get("Program", "Note"), "a=b;c \"quoted\"");
    EXPECT_EQ(doc.get("OTHER", "x"), "1");
    EXPECT_FALSE(doc.get("Program", "X"));
    EXPECT_FALSE(doc.get("Nowhere", "X"));
    EXPECT_EQ(doc.Serialize(),
              "; kept comment\r\n[Program]\r\n  WorkDir = /data/geo  \r\nNote=a=b;c \"quoted\"\r\n\r\n"
              "[Other]\r\nfree text line\r\nX=1\r\n");
}

TEST(IniDocument, LineBreaksInValuesBecomeBlanksAndBadNamesAreRefused) {
    IniDocument doc = IniDocument::Parse("[Program]\r\nWorkDir=/x\r\n");
    ASSERT_TRUE(doc.set("Program", "Username", "a\r\nWorkDir=/evil\nb\rc"));
    IniDocument back = IniDocument::Parse(doc.Serialize());
    EXPECT_EQ(back.get("Program", "Username"), "a  WorkDir=/evil b c");
    EXPECT_EQ(back.get("Program", "WorkDir"), "/x");
    EXPECT_EQ(back.keys("Program").size(), 2u);

    EXPECT_FALSE(doc.set("Program", "a=b", "1"));
    EXPECT_FALSE(doc.set("Program", "a\nb", "1"));
    EXPECT_FALSE(doc.set("Pro]gram", "a", "1"));
    EXPECT_FALSE(doc.set("Program", "", "1"));
    EXPECT_FALSE(doc.set("Program", "[x", "1"));
    EXPECT_EQ(doc.Serialize(), "[Program]\r\nWorkDir=/x\r\nUsername=a  WorkDir=/evil b c\r\n");
}

class IniFileTest : public ::testing::Test {
protected:
    void TearDown() override { SetIniWriteFailureHandler(nullptr); }
    tvtest::TempDir dir;
    std::string path() const { return dir.str() + "tq.conf"; }
};

TEST_F(IniFileTest, FirstWriteCreatesTheFileWithCrLf) {
    TIniFile ini(path());
    EXPECT_FALSE(fs::exists(path()));
    EXPECT_EQ(ini.readString("Program", "WorkDir", "#@#@#@"), "#@#@#@");
    ASSERT_TRUE(ini.writeString("Program", "WorkDir", "/p"));
    ASSERT_TRUE(ini.writeInteger("Program", "Radius", -15));
    ASSERT_TRUE(ini.writeBool("Program", "UseProxy", true));
    ASSERT_TRUE(ini.writeFloat("Program", "HomeLat", 48.5));
    EXPECT_EQ(tvtest::ReadFileBytes(path()), "[Program]\r\nWorkDir=/p\r\nRadius=-15\r\nUseProxy=1\r\nHomeLat=48.5\r\n");
    struct stat sb {};
    ASSERT_EQ(::stat(path().c_str(), &sb), 0);
    EXPECT_EQ(sb.st_mode & 0777, 0600u);  // may hold the proxy password
    // No temporary files are left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST_F(IniFileTest, FailedWriteIsReportedAndKeepsTheOldFile) {
    // A file in place of the folder: no temporary file can be made beside
    // tq.conf, even for root.
    dir.write("blocked", "not a folder");
    TIniFile ini(dir.str() + "blocked/tq.conf");
    int failures = 0;
    std::string failedPath;
    SetIniWriteFailureHandler([&](const std::string& p, const Error& e) {
        ++failures;
        failedPath = p;
        EXPECT_NE(e.code, 0);
        EXPECT_NE(e.message.find("blocked/tq.conf"), std::string::npos) << e.message;
    });
    EXPECT_FALSE(ini.writeString("Program", "A", "1"));
    EXPECT_NE(ini.lastError().code, 0);
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(failedPath, dir.str() + "blocked/tq.conf");
    EXPECT_EQ(ini.readString("Program", "A"), "1");  // still known for this session
    EXPECT_FALSE(ini.update([&] { ini.writeString("Program", "B", "2"); }));
    EXPECT_EQ(failures, 2);
    EXPECT_EQ(dir.read("blocked"), "not a folder");
}

TEST_F(IniFileTest, FolderInPlaceOfTheFileIsNeverClobbered) {
    fs::create_directories(dir.path() / "tq.conf" / "inside");
    TIniFile ini(path());
    EXPECT_FALSE(ini.writeString("Program", "A", "1"));
    EXPECT_TRUE(fs::is_directory(dir.path() / "tq.conf" / "inside"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST_F(IniFileTest, ExistingFileKeepsItsMode) {
    dir.write("tq.conf", "[A]\r\nx=1\r\n");
    ::chmod(path().c_str(), 0644);
    TIniFile ini(path());
    ASSERT_TRUE(ini.writeString("A", "x", "2"));
    struct stat sb {};
    ASSERT_EQ(::stat(path().c_str(), &sb), 0);
    EXPECT_EQ(sb.st_mode & 0777, 0644u);
}

}  // namespace tv

namespace tv {

TEST(IniDocument, ManyKeysAreReadInLinearTime) {
    std::string text = "[Notes]\n";
    for (int i = 0; i < 50000; ++i) text += "Z" + std::to_string(i) + "=v\n";
    const auto start = std::chrono::steady_clock::now();
    const IniDocument doc = IniDocument::Parse(text + "z7=twice\n");
    EXPECT_EQ(doc.keys("notes").size(), 50000u);
    EXPECT_EQ(doc.values("NOTES").at(7).second, "v");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(IniDocument, KeyLookupsByHashStayRightAcrossChanges) {
    // 50,000 keys looked up one by one: a scan per look-up takes minutes.
    std::string text = "[Route]\r\n";
    for (int i = 0; i < 50000; ++i) text += "XKoord" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    const auto start = std::chrono::steady_clock::now();
    IniDocument doc = IniDocument::Parse(text + "xkoord5=second\r\n\r\n");
    long long sum = 0;
    for (int i = 0; i < 50000; ++i) sum += std::stoll(doc.get("route", "XKOORD" + std::to_string(i)).value_or("0"));
    // About a second in the sanitizer build on a busy machine; a scan per
    // look-up takes far longer than the bound.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(sum, 49999LL * 50000 / 2);
    // The first spelling of a key counts; changes keep the look-ups right.
    EXPECT_EQ(doc.get("Route", "XKoord5"), "5");
    EXPECT_TRUE(doc.set("Route", "Neu", "1"));
    EXPECT_EQ(doc.get("Route", "neu"), "1");
    EXPECT_TRUE(doc.deleteKey("Route", "XKoord5"));
    EXPECT_EQ(doc.get("Route", "XKoord5"), "second");
    EXPECT_EQ(doc.get("Route", "XKoord6"), "6");
    EXPECT_EQ(doc.get("Route", "neu"), "1");
    EXPECT_TRUE(doc.set("Route", "XKoord6", "sechs"));
    EXPECT_EQ(doc.get("Route", "XKOORD6"), "sechs");
    EXPECT_TRUE(doc.deleteKey("Route", "XKoord5"));
    EXPECT_FALSE(doc.hasKey("Route", "XKoord5"));
    EXPECT_TRUE(doc.set("Route", "XKoord5", "drittes"));
    EXPECT_EQ(doc.get("Route", "xkoord5"), "drittes");
    // The new key went before the blank line at the end of the section.
    const std::string out = doc.Serialize();
    const std::string tail = "XKoord6=sechs\r\n";
    ASSERT_NE(out.find(tail), std::string::npos);
    EXPECT_EQ(out.substr(out.size() - 26), "Neu=1\r\nXKoord5=drittes\r\n\r\n");
}


}  // namespace tv

namespace tv {

}  // namespace tv
