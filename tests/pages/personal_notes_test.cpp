#include "pages/personal_notes.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/text_encoding.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class PersonalNotesTest : public ::testing::Test {
protected:
    std::string file() const { return dir.read("Persinfo.txt"); }

    tvtest::WorkFolder dir;
};

TEST_F(PersonalNotesTest, WrittenReadChangedAndErasedPerCache) {
    EXPECT_EQ(PersonalNotesPath(), dir.str() + "Persinfo.txt");
    EXPECT_FALSE(HasPersonalNote("GC1"));
    EXPECT_TRUE(ReadPersonalNote("GC1").empty());
    EXPECT_FALSE(fs::exists(dir.path() / "Persinfo.txt"));  // reading creates nothing

    const Lines three = {W("Dose unter der Wurzel, Größe S"), "", W("Stift mitnehmen: Überraschung")};
    ASSERT_TRUE(WritePersonalNote("GC1", three));
    EXPECT_EQ(file(), W("[GC1]\r\nZ0=Dose unter der Wurzel, Größe S\r\nZ1=\r\nZ2=Stift mitnehmen: Überraschung\r\n"));
    EXPECT_TRUE(HasPersonalNote("GC1"));
    EXPECT_EQ(ReadPersonalNote("GC1"), three);  // the empty second line does not end the note

    ASSERT_TRUE(WritePersonalNote("GC2", {"zweiter"}));
    // A shorter note leaves no line of the longer one behind.
    ASSERT_TRUE(WritePersonalNote("GC1", {"nur noch eine"}));
    EXPECT_EQ(ReadPersonalNote("GC1"), Lines{"nur noch eine"});
    EXPECT_EQ(PersonalNotes().read("GC2"), Lines{"zweiter"});
    EXPECT_EQ(file().find("Z1="), std::string::npos);

    ASSERT_TRUE(ErasePersonalNote("GC1"));
    EXPECT_FALSE(HasPersonalNote("GC1"));
    EXPECT_TRUE(ReadPersonalNote("GC1").empty());
    EXPECT_TRUE(HasPersonalNote("GC2"));
    EXPECT_TRUE(ErasePersonalNote("GC1"));  // nothing to erase is no failure
    ASSERT_TRUE(ErasePersonalNote("GC2"));
    EXPECT_EQ(file().find('['), std::string::npos);
}

TEST_F(PersonalNotesTest, FailedWriteIsReported) {
    dir.write("blocker", "a file, not a folder");
    PersonalNotes notes((dir.path() / "blocker" / "Persinfo.txt").string());
    EXPECT_FALSE(notes.write("GC1", {"x"}));
    EXPECT_NE(notes.lastError().code, 0);
    EXPECT_FALSE(notes.lastError().message.empty());
}

TEST(NoteText, LinesAndMemoTextRoundTrip) {
    const std::vector<Lines> cases = {{}, {""}, {"a"}, {"a", ""}, {"", "b"}, {"a", "", "c"}, {"", ""}, {"a", "", ""}};
    for (const Lines& lines : cases) EXPECT_EQ(NoteTextToLines(NoteLinesToText(lines)), lines);
    EXPECT_EQ(NoteLinesToText({"a", "b"}), "a\nb");
    EXPECT_EQ(NoteLinesToText({"a", ""}), "a\n\n");
    EXPECT_EQ(NoteTextToLines("a\r\nb\rc\n"), (Lines{"a", "b", "c"}));
    EXPECT_EQ(NoteTextToLines("\n"), Lines{""});
}

}  // namespace
}  // namespace tv
