// "Buddies.txt": read as written, CR LF on disk, a failed save is reported.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "shell/buddy_list.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

TEST(BuddyListFile, RoundTripWithCrLfAndMissingFile) {
    tvtest::TempDir dir;
    const std::string path = dir.str() + "Buddies.txt";
    EXPECT_TRUE(BuddyList::load(path)->empty());

    const std::vector<std::string> names{"Hans", "Grete", "M\xFCller & Co"};
    ASSERT_TRUE(BuddyList::save(path, names).ok());
    EXPECT_EQ(tvtest::ReadFileBytes(path), "Hans\r\nGrete\r\nM\xFCller & Co\r\n");
    EXPECT_EQ(*BuddyList::load(path), names);

    // Files written elsewhere with LF only read the same.
    dir.write("Buddies.txt", "Hans\nGrete\n");
    EXPECT_EQ(*BuddyList::load(path), (std::vector<std::string>{"Hans", "Grete"}));

    ASSERT_TRUE(BuddyList::save(path, {}).ok());
    EXPECT_EQ(tvtest::ReadFileBytes(path), "");
}

TEST(BuddyListFile, FailedSaveIsReportedWithThePath) {
    tvtest::TempDir dir;
    const std::string missingFolder = dir.str() + "nowhere/Buddies.txt";
    const auto r = BuddyList::save(missingFolder, {"Hans"});
    ASSERT_FALSE(r.ok());
    EXPECT_NE(r.error().code, 0);
    EXPECT_EQ(r.error().message, "Fehler beim Schreiben der Datei " + missingFolder);
    EXPECT_FALSE(std::filesystem::exists(missingFolder));
}

}  // namespace
}  // namespace tv
