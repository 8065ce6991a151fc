#include "pages/description_editor.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/html_escape.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

const std::string kHead = "<html>\r\n<h2>GC1</h2>\r\n<!-- Langbeschreibung Start -->";
const std::string kBody = "\r\n<p>Alte Beschreibung \xFC</p>\r\n";
const std::string kTail = "<!-- Langbeschreibung Ende -->\r\n<!-- Langbeschreibung Start -->x</html>\r\n";

TEST(LongDescription, LoadAndSaveFile) {
    tvtest::TempDir dir;
    const std::string path = dir.write("GC1_converted.html", kHead + kBody + kTail).string();
    auto loaded = LoadLongDescription(path);
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(loaded->body, kBody);
    ASSERT_TRUE(SaveLongDescription(path, *loaded, "<b>neu</b>"));
    EXPECT_EQ(dir.read("GC1_converted.html"), kHead + "<b>neu</b>" + kTail);

    const auto missing = LoadLongDescription(dir.str() + "GC2_converted.html");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code, kErrReadFailed);
    EXPECT_EQ(missing.error().message, "Fehler beim Laden der Cachebeschreibung " + dir.str() + "GC2_converted.html");

    dir.write("GC3_converted.html", "<html>ohne Marken</html>");
    const auto unmarked = LoadLongDescription(dir.str() + "GC3_converted.html");
    ASSERT_FALSE(unmarked.ok());
    EXPECT_EQ(unmarked.error().code, kErrMissingMarkers);
    EXPECT_EQ(unmarked.error().message,
              "Mindestens einer der Formatierungs-Tags\r\n<!-- Langbeschreibung Start --> oder\r\n"
              "<!-- Langbeschreibung Ende -->\r\nwurde in der konvertierten Beschreibung nicht gefunden.\r\n"
              "Vor dem Editieren muss die Beschreibung nochmals mit einem\r\naktuellen Template erzeugt werden.");

    // A failed save keeps the old page.
    EXPECT_FALSE(SaveLongDescription(dir.str() + "nofolder/GC1_converted.html", *loaded, "x"));
}

}  // namespace
}  // namespace tv
