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

TEST(IniDocument, KeysAndSectionsIgnoreCaseAndKeepOrder) {
    IniDocument doc = IniDocument::Parse("[Program]\r\nWorkDir=/a\r\nRadius=15\r\n");
    ASSERT_TRUE(doc.set("program", "workdir", "/b"));
    ASSERT_TRUE(doc.set("PROGRAM", "HomeLat", "48.5"));
    ASSERT_TRUE(doc.set("ListExport", "Format", "3"));
    ASSERT_TRUE(doc.set("Program", "Zeta", "z"));
    EXPECT_EQ(doc.Serialize(),
              "[Program]\r\nWorkDir=/b\r\nRadius=15\r\nHomeLat=48.5\r\nZeta=z\r\n\r\n[ListExport]\r\nFormat=3\r\n");
    EXPECT_EQ(doc.sections(), (std::vector<std::string>{"Program", "ListExport"}));
    EXPECT_EQ(doc.keys("program"), (std::vector<std::string>{"WorkDir", "Radius", "HomeLat", "Zeta"}));
    EXPECT_TRUE(doc.hasKey("LISTEXPORT", "format"));
    EXPECT_TRUE(doc.hasSection("listexport"));
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

TEST(IniDocument, LongValuesAndHighBytesSurvive) {
    std::string value(100000, 'x');
    value += "B\xFCro \x80 \"q\" = ; #";
    IniDocument doc;
    ASSERT_TRUE(doc.set("AddInfo", "Z0", value));
    EXPECT_EQ(IniDocument::Parse(doc.Serialize()).get("addinfo", "z0"), value);
}

TEST(IniDocument, EraseAndDelete) {
    IniDocument doc = IniDocument::Parse(
        "[GC1]\r\nZ0=a\r\nLineBreak=1\r\n[GC2]\r\nZ0=b\r\n[gc1]\r\nZ9=dup\r\n");
    ASSERT_TRUE(doc.set("gc1", "Linebreak", "0"));  // updates the existing key whatever its case
    EXPECT_EQ(doc.keys("GC1"), (std::vector<std::string>{"Z0", "LineBreak"}));
    EXPECT_EQ(doc.get("GC1", "LINEBREAK"), "0");
    EXPECT_TRUE(doc.deleteKey("GC1", "z0"));
    EXPECT_FALSE(doc.deleteKey("GC1", "z0"));
    EXPECT_TRUE(doc.eraseSection("Gc1"));  // both sections of that name
    EXPECT_FALSE(doc.hasSection("GC1"));
    EXPECT_EQ(doc.Serialize(), "[GC2]\r\nZ0=b\r\n");
    EXPECT_FALSE(doc.eraseSection("GC1"));
}

TEST(IniDocument, TextBeforeTheFirstSectionIsKeptButNotASection) {
    IniDocument doc = IniDocument::Parse("Stray=1\n[]\nEmpty=2\n");
    EXPECT_FALSE(doc.get("", "Stray"));
    EXPECT_EQ(doc.get("", "Empty"), "2");
    EXPECT_EQ(doc.Serialize(), "Stray=1\r\n[]\r\nEmpty=2\r\n");
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

TEST_F(IniFileTest, TypedReadsFollowTheProfileRules) {
    dir.write("tq.conf", "[P]\nB2=2\nB0=0\nBt=true\nI=12abc\nF=1e-05\nFc=48,5\nN=-7\n");
    TIniFile ini(path());
    EXPECT_TRUE(ini.readBool("P", "B2"));
    EXPECT_FALSE(ini.readBool("P", "B0", true));
    EXPECT_FALSE(ini.readBool("P", "Bt"));
    EXPECT_TRUE(ini.readBool("P", "Bt", true));  // a non-number gives the default
    EXPECT_FALSE(ini.readBool("P", "Missing"));
    EXPECT_EQ(ini.readInteger("P", "I", 5), 5);
    EXPECT_EQ(ini.readInteger("P", "N"), -7);
    EXPECT_DOUBLE_EQ(ini.readFloat("P", "F"), 1e-5);
    EXPECT_EQ(ini.readFloat("P", "Fc", 3), 3);
    EXPECT_EQ(ini.readSection("p"), (std::vector<std::string>{"B2", "B0", "Bt", "I", "F", "Fc", "N"}));
    EXPECT_TRUE(ini.valueExists("p", "n"));
    EXPECT_FALSE(ini.valueExists("p", "x"));
    EXPECT_TRUE(ini.sectionExists("P"));
}

TEST_F(IniFileTest, TwoOpenersKeepEachOthersSections) {
    TIniFile program(path());
    TIniFile work(dir.path().string() + "/./sub/../tq.conf");  // same file, spelled differently
    ASSERT_TRUE(program.writeInteger("Program", "Radius", 15));
    ASSERT_TRUE(work.writeString("ListExport", "X", "1"));
    ASSERT_TRUE(program.writeInteger("Program", "Radius", 20));
    EXPECT_EQ(tvtest::ReadFileBytes(path()), "[Program]\r\nRadius=20\r\n\r\n[ListExport]\r\nX=1\r\n");
    EXPECT_EQ(work.readInteger("program", "radius"), 20);
}

TEST_F(IniFileTest, ChangesMadeByAnotherProgramAreSeen) {
    TIniFile ini(path());
    ASSERT_TRUE(ini.writeString("Program", "A", "1"));
    dir.write("tq.conf", "[Program]\r\nA=2\r\nEdited=by hand\r\n");
    EXPECT_EQ(ini.readString("Program", "A"), "2");
    ASSERT_TRUE(ini.writeString("Program", "B", "3"));
    EXPECT_EQ(tvtest::ReadFileBytes(path()), "[Program]\r\nA=2\r\nEdited=by hand\r\nB=3\r\n");
    fs::remove(path());
    EXPECT_EQ(ini.readString("Program", "A"), "");
}

TEST_F(IniFileTest, UpdateWritesOnceAndKeepsOrder) {
    TIniFile ini(path());
    bool ok = ini.update([&] {
        for (int i = 0; i < 5; ++i) ini.writeInteger("S", "K" + std::to_string(i), i);
        EXPECT_FALSE(fs::exists(path()));  // nothing written before the end
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(tvtest::ReadFileBytes(path()), "[S]\r\nK0=0\r\nK1=1\r\nK2=2\r\nK3=3\r\nK4=4\r\n");
    ASSERT_TRUE(ini.eraseSection("s"));
    EXPECT_EQ(tvtest::ReadFileBytes(path()), "");
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

TEST(IniDocument, ManySectionsStayFast) {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "[GC" + std::to_string(i) + "]\nZ0=n" + std::to_string(i) + "\n";
    IniDocument doc = IniDocument::Parse(text);
    ASSERT_EQ(doc.sections().size(), 20000u);
    for (int i = 0; i < 20000; i += 7) ASSERT_EQ(doc.get("gc" + std::to_string(i), "z0"), "n" + std::to_string(i));
    ASSERT_TRUE(doc.eraseSection("GC5"));
    ASSERT_TRUE(doc.set("GC19999", "Z1", "x"));
    ASSERT_TRUE(doc.set("New", "A", "1"));
    EXPECT_FALSE(doc.hasSection("gc5"));
    EXPECT_EQ(doc.get("GC6", "Z0"), "n6");
    EXPECT_EQ(doc.get("new", "a"), "1");
    EXPECT_EQ(doc.sections().size(), 20000u);
}

TEST(IniDocument, ManyKeysAreReadInLinearTime) {
    std::string text = "[Notes]\n";
    for (int i = 0; i < 50000; ++i) text += "Z" + std::to_string(i) + "=v\n";
    const auto start = std::chrono::steady_clock::now();
    const IniDocument doc = IniDocument::Parse(text + "z7=twice\n");
    EXPECT_EQ(doc.keys("notes").size(), 50000u);
    EXPECT_EQ(doc.values("NOTES").at(7).second, "v");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace tv

namespace tv {

// Note lines keep their indentation and quotes when read verbatim; ordinary
// reads trim the blanks after the '=' as hand-edited files expect.
TEST(IniValues, VerbatimReadKeepsLeadingBlanks) {
    IniDocument doc = IniDocument::Parse("[GC1]\r\nZ0=   indented \"quoted\"  \r\nN = 42\r\n");
    EXPECT_EQ(*doc.getVerbatim("gc1", "z0"), "   indented \"quoted\"  ");
    EXPECT_EQ(*doc.get("GC1", "Z0"), "indented \"quoted\"  ");
    EXPECT_EQ(*doc.get("GC1", "N"), "42");
    tvtest::TempDir dir;
    TIniFile ini(dir.str() + "x.ini");
    ASSERT_TRUE(ini.writeString("A", "S", "  two blanks"));
    TIniFile again(dir.str() + "x.ini");
    EXPECT_EQ(again.readStringVerbatim("A", "S"), "  two blanks");
    auto values = again.readSectionValues("A", true);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].second, "  two blanks");
}

}  // namespace tv
