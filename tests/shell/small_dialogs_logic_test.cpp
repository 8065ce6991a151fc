// Rules of the small dialogs that need no window: picker and search entries,
// the type filter, folder names and the About box's version line.
#include <gtest/gtest.h>

#include <string>

#include "shell/about_info.h"
#include "shell/cache_filter.h"
#include "shell/folder_name.h"
#include "shell/name_search.h"
#include "shell/result_picker.h"
#include "platform/text_encoding.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

TEST(ResultPickerEntry, ExtractWaypointTakesTheTextInTheLastBrackets) {
    EXPECT_EQ(ExtractWaypoint("Alte M\xFChle (GC1A2B)"), "GC1A2B");
    EXPECT_EQ(ExtractWaypoint("A (b) (GC9)"), "GC9");
    EXPECT_EQ(ExtractWaypoint(PickerEntry("Schlo\xDF (am See)", "GC77")), "GC77");
    // No bracket at all: only the last character goes.
    EXPECT_EQ(ExtractWaypoint("NoParen"), "NoPare");
    EXPECT_EQ(ExtractWaypoint(""), "");
    EXPECT_EQ(ExtractWaypoint("("), "");
    EXPECT_EQ(PickerEntry("Xyz", "GC777"), "Xyz (GC777)");
}

TEST(NameSearchEntry, EntryWaypointCollectsCodeCharactersBackToTheBracket) {
    EXPECT_EQ(EntryWaypoint("M\xFCller's Cache [gc1x2y]"), "GC1X2Y");
    EXPECT_EQ(EntryWaypoint("abc def"), "ABCDEF");
    EXPECT_EQ(EntryWaypoint("x [GC1] y [GC2]"), "GC2");
    EXPECT_EQ(EntryWaypoint(""), "");
    EXPECT_EQ(EntryWaypoint("Name []"), "");
    EXPECT_EQ(EntryWaypoint(SearchEntry("Alte M\xFChle", "GC1AB")), "GC1AB");
    EXPECT_EQ(SearchEntry("Xyz", "GC777"), "Xyz [GC777]");
}

TEST(CacheTypeFilter, MasksFlagBitsAndRefusesUnknownTypes) {
    TypeFilterBoxes boxes{};
    boxes[0] = true;  // traditional only
    EXPECT_TRUE(IsTypeSelected(boxes, 0));
    EXPECT_TRUE(IsTypeSelected(boxes, 128));
    EXPECT_FALSE(IsTypeSelected(boxes, 1));
    EXPECT_FALSE(IsTypeSelected(boxes, 10));
    EXPECT_FALSE(IsTypeSelected(boxes, 138));
    EXPECT_FALSE(IsTypeSelected(boxes, 127));
    EXPECT_FALSE(IsTypeSelected(boxes, 9));
    boxes[9] = true;  // earthcache
    EXPECT_TRUE(IsTypeSelected(boxes, 9));
    EXPECT_TRUE(IsTypeSelected(boxes, 137));
    boxes = {};
    for (int t = 0; t < 10; ++t) {
        boxes[static_cast<std::size_t>(t)] = true;
        for (int u = 0; u < 10; ++u) EXPECT_EQ(IsTypeSelected(boxes, u), u == t) << t << " " << u;
        boxes[static_cast<std::size_t>(t)] = false;
    }
}

TEST(FolderNameInput, KeysAndWholeNames) {
    const std::string typed = W("Ausgabe ä-1._!");
    std::string kept;
    for (char c : typed)
        if (IsFolderNameChar(c)) kept += c;
    EXPECT_EQ(kept, "Ausgabe -1._!");
    EXPECT_TRUE(IsFolderNameChar('\b'));
    for (char c : std::string("/\\:*?\"<>|\xE4\xDF\x80~,"))
        EXPECT_FALSE(IsFolderNameChar(c)) << static_cast<int>(static_cast<unsigned char>(c));
    EXPECT_EQ(FilterFolderName("../x\tY"), "..xY");
    EXPECT_EQ(FilterFolderName(W("Grüße_2")), "Gre_2");

    EXPECT_TRUE(IsValidFolderName("Ausgabe -1._!"));
    EXPECT_TRUE(IsValidFolderName(".hidden"));
    EXPECT_FALSE(IsValidFolderName(""));
    EXPECT_FALSE(IsValidFolderName("."));
    EXPECT_FALSE(IsValidFolderName(".."));
    EXPECT_FALSE(IsValidFolderName(" . "));
    EXPECT_FALSE(IsValidFolderName("../x"));
    EXPECT_FALSE(IsValidFolderName("a/b"));
    EXPECT_FALSE(IsValidFolderName("a\tb"));
}

TEST(AboutVersion, MarkerLinesReplaceTheDefaultOnlyWhenBothAreThere) {
    const std::string def = "Version V5.2.0 vom 28.11.2007";
    EXPECT_EQ(DefaultAboutVersionText(), def);
    EXPECT_EQ(AboutVersionText(std::string("V9.9\r\n01.01.2030\r\n")), "Version V9.9 vom 01.01.2030");
    EXPECT_EQ(AboutVersionText(std::string("V9.9\n01.01.2030")), "Version V9.9 vom 01.01.2030");
    EXPECT_EQ(AboutVersionText(std::string("V9.9\r\n\r\n")), def);
    EXPECT_EQ(AboutVersionText(std::string("\r\n01.01.2030\r\n")), def);
    EXPECT_EQ(AboutVersionText(std::string("V9.9")), def);
    EXPECT_EQ(AboutVersionText(std::string()), def);
    EXPECT_EQ(AboutVersionText(std::nullopt), def);

    tvtest::TempDir dir;
    EXPECT_EQ(ReadAboutVersionText(dir.str()), def);
    dir.write("QUIRK", "V6.0\r\n24.12.2029\r\nmore\r\n");
    EXPECT_EQ(ReadAboutVersionText(dir.str()), "Version V6.0 vom 24.12.2029");
}

}  // namespace
}  // namespace tv
