// Rules of the small dialogs that need no window: picker and search entries,
// the type filter, folder names and the About box's version line.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/text_encoding.h"
#include "shell/cache_filter.h"
#include "shell/folder_name.h"
#include "shell/main_commands.h"
#include "support/temp_dir.h"
#include "shell/name_search.h"
#include "shell/result_picker.h"

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

TEST(NewFolderName, KeepsWindows1252LettersAndRefusesSigns) {
    EXPECT_TRUE(IsValidFolderName(W("Übersee-Tour 2")));
    EXPECT_EQ(FilterFolderName(W("Übersee-Tour 2")), W("Übersee-Tour 2"));
    EXPECT_EQ(FilterFolderName(W("Straße/Ärger: \"é\" × ÷ ?")), W("StraßeÄrger é   "));
    for (const char c : std::string("\x8A\x8C\x8E\x9A\x9C\x9E\x9F\xC0\xDF\xFF")) EXPECT_TRUE(IsFolderNameChar(c)) << +c;
    for (const char c : std::string("\x80\x85\xA0\xB0\xD7\xF7/\\:*?\"<>|")) EXPECT_FALSE(IsFolderNameChar(c)) << +c;

    // On disk the name is UTF-8.
    tvtest::TempDir out;
    EXPECT_EQ(CreateNewFolder(out.str(), W("Übersee-Tour 2")), 0);
    EXPECT_TRUE(std::filesystem::is_directory(out.path() / std::filesystem::path(u8"Übersee-Tour 2")));
}

}  // namespace
}  // namespace tv
