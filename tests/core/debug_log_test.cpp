#include "core/debug_log.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app_paths.h"
#include "support/fakes.h"

using namespace tv;

namespace {

// Points the program folder at a temporary folder for one test.
struct ProgramDirScope {
    std::string previous = ProgramDir();
    explicit ProgramDirScope(const std::string& dir) { SetProgramDir(dir); }
    ~ProgramDirScope() { SetProgramDir(previous); }
};

}  // namespace

TEST(ErrorBox, TextLayoutAndCodeZero) {
    platform::ScopedFakes fakes;
    EXPECT_EQ(ShowSysError(0, "x"), 0);
    EXPECT_TRUE(fakes.messages.shown.empty());

    EXPECT_EQ(ShowSysError(ENOENT, "Kann Datei /w/Caches.bin nicht lesen."), ENOENT);
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    const auto& box = fakes.messages.shown[0];
    EXPECT_EQ(box.kind, platform::MsgKind::Error);
    EXPECT_EQ(box.buttons, platform::MsgButtons::Ok);
    EXPECT_EQ(box.text,
              "Kann Datei /w/Caches.bin nicht lesen.\n\nFehlercode: 2\nFehlermeldung: " + SysErrorMessage(ENOENT));

    EXPECT_EQ(FormatSysErrorText(-5, "a", "b"), "a\n\nFehlercode: -5\nFehlermeldung: b");
    // The system's German text (scripts/deps installs its catalogue).
    EXPECT_EQ(SysErrorMessage(EACCES), "Keine Berechtigung");
    EXPECT_FALSE(SysErrorMessage(123456).empty());
}

TEST(SmallUtilities, GridSortKeepsHeaderAndCells) {
    TGridRows grid = {{"WP", "Name", "km"}};
    SortGridByColumn(grid, 1, false);
    EXPECT_EQ(grid, (TGridRows{{"WP", "Name", "km"}}));

    grid = {{"WP", "Name", "km"},
            {"GC1", "b", "10.5"},
            {"GC2", "A", ""},
            {"GC3", "c\xFFzwei\r\nZeilen", "2.000"},
            {"GC4", "\xE4rger", "2,000"},
            {"GC5"},
            {"GC6", "ab", "x"},
            {"GC7", "a", "-1"}};
    TGridRows byName = grid;
    SortGridByColumn(byName, 1, false);
    EXPECT_EQ(byName, (TGridRows{{"WP", "Name", "km"},
                                 {"GC5"},
                                 {"GC2", "A", ""},
                                 {"GC7", "a", "-1"},
                                 {"GC6", "ab", "x"},
                                 {"GC1", "b", "10.5"},
                                 {"GC3", "c\xFFzwei\r\nZeilen", "2.000"},
                                 {"GC4", "\xE4rger", "2,000"}}));
    TGridRows byKm = grid;
    SortGridByColumn(byKm, 2, true);
    EXPECT_EQ(byKm, (TGridRows{{"WP", "Name", "km"},
                               {"GC7", "a", "-1"},
                               {"GC3", "c\xFFzwei\r\nZeilen", "2.000"},
                               {"GC4", "\xE4rger", "2,000"},
                               {"GC1", "b", "10.5"},
                               {"GC2", "A", ""},
                               {"GC5"},
                               {"GC6", "ab", "x"}}));
}
