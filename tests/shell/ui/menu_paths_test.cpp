// Messages send the user to menu items and settings tabs by name ("Menü Datei /
// Grundeinstellungen - Pfade+Dateien / ..."). Every such path in the program's
// texts must name a menu, item and tab that the built windows really have.
#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <QMenuBar>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "shell/ui/frm_settings.h"
#include "shell/ui/main_menus.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

// The string literals of a source file, adjacent ones joined as the compiler does.
std::vector<std::string> Literals(const std::string& source) {
    std::vector<std::string> out;
    static const std::regex literal(R"re("((?:[^"\\\n]|\\.)*)")re");
    std::string joined;
    std::size_t lastEnd = std::string::npos;
    for (auto it = std::sregex_iterator(source.begin(), source.end(), literal); it != std::sregex_iterator(); ++it) {
        const auto pos = static_cast<std::size_t>(it->position());
        const bool adjacent = lastEnd != std::string::npos &&
                              source.find_first_not_of(" \t\r\n", lastEnd) == pos;
        if (!adjacent && !joined.empty()) out.push_back(joined), joined.clear();
        joined += (*it)[1].str();
        lastEnd = pos + static_cast<std::size_t>(it->length());
    }
    if (!joined.empty()) out.push_back(joined);
    return out;
}

void CollectItems(const QMenu* menu, std::set<std::string>& items) {
    for (QAction* a : menu->actions()) {
        std::string text = a->text().remove('&').toStdString();
        if (!text.empty()) items.insert(text);
        if (a->menu()) CollectItems(a->menu(), items);
    }
}

TEST(MenuPaths, EveryMenuAndTabNamedInAMessageExists) {
    QMainWindow window;
    MainMenus menus;
    BuildMainMenus(window, menus);
    std::map<std::string, std::set<std::string>> items;  // menu title -> item texts
    for (QAction* a : window.menuBar()->actions())
        if (a->menu()) CollectItems(a->menu(), items[a->text().remove('&').toStdString()]);
    TfrmSettings settings;
    std::set<std::string> tabs;
    for (int i = 0; i < settings.pcSettings->count(); ++i) tabs.insert(settings.pcSettings->tabText(i).toStdString());

    std::string titles;
    for (const auto& [title, unused] : items) titles += (titles.empty() ? "" : "|") + title;
    // A path follows "Menü", "Befehl", "unter" or an opening quote.
    const std::regex path("(?:Menü:? |Befehl \\\\\"|unter |\\\\\")(" + titles +
                          R"() / (.+?)(?=\\"|"|\)| - | / |$))");
    const std::regex tab(R"(Grundeinstellungen(?: -| /) ([^\s/\\")]+))");

    int checked = 0;
    const fs::path root = tvtest::Fixture("").parent_path().parent_path().parent_path();
    for (const char* folder : {"core", "shell", "acquire", "pages", "exchange", "geo", "platform"}) {
        if (!fs::is_directory(root / folder)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            if (entry.path().extension() != ".cpp") continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::stringstream buffer;
            buffer << in.rdbuf();
            for (const std::string& text : Literals(buffer.str())) {
                for (auto m = std::sregex_iterator(text.begin(), text.end(), path); m != std::sregex_iterator(); ++m) {
                    const std::string menu = (*m)[1].str(), item = (*m)[2].str();
                    bool found = false;
                    for (const std::string& candidate : items[menu]) found = found || candidate.rfind(item, 0) == 0;
                    EXPECT_TRUE(found) << entry.path().filename() << ": \"" << menu << " / " << item << "\"";
                    ++checked;
                }
                for (auto m = std::sregex_iterator(text.begin(), text.end(), tab); m != std::sregex_iterator(); ++m) {
                    EXPECT_TRUE(tabs.count((*m)[1].str())) << entry.path().filename() << ": tab \"" << (*m)[1] << "\"";
                    ++checked;
                }
            }
        }
    }
    EXPECT_GE(checked, 4);  // the paths of today's messages were found at all
}

}  // namespace
}  // namespace tv
