// What the program and its shipped files hold: no address of a host this
// project does not own or need, and a help page for users made from its
// German source that tells the folders as a first start leaves them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "core/cachedb_table.h"
#include "core/file_procs.h"
#include "core/proc_settings.h"
#include "core/settings_file.h"
#include "core/str_util.h"
#include "core/work_lock.h"
#include "platform/text_encoding.h"
#include "shell/settings_edit.h"
#include "shell/startup_task.h"
#include "support/fakes.h"
#include "support/started_program.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// The only hosts an http:// or https:// address in the program's sources and
// shipped files may name:
// - 127.0.0.1 and localhost: this computer;
// - names under .test: reserved for tests, they never resolve;
// - maps.google.de and maps.google.com: the online map service whose links
//   the map-link windows and the description pages build and read;
// - tile.openstreetmap.org and unpkg.com: the map tiles and the map script
//   that the page of the cache map (gmtemplate.html) loads in the browser;
// - www.topografix.com, www.w3.org, www.groundspeak.com: names of XML
//   namespaces and schemas in GPX files, never contacted.
// The listing site's host is a setting of its own (core/listing_site.h) and is
// not written as an address. Every other host (a project page, a download
// server, a forum) is one nobody here controls.
const std::set<std::string> kAllowedHosts = {
    "127.0.0.1",         "localhost",     "maps.google.de",    "maps.google.com",    "tile.openstreetmap.org",
    "unpkg.com",         "www.topografix.com", "www.w3.org",   "www.groundspeak.com",
};

bool Allowed(const std::string& host) {
    if (kAllowedHosts.count(host) != 0) return true;
    return host.size() > 5 && host.compare(host.size() - 5, 5, ".test") == 0;
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The program's folders, its shipped data, scripts, benchmarks, fuzz targets
// (not their sample inputs) and the top-level files. The tests keep their
// fake hosts and the real files they read.
std::vector<fs::path> ScannedFiles(const fs::path& root) {
    std::vector<fs::path> files;
    for (const char* folder : {"platform", "core", "geo", "acquire", "pages", "exchange", "shell", "data", "docs",
                               "scripts", "bench", "fuzz", "cmake"}) {
        for (auto it = fs::recursive_directory_iterator(root / folder); it != fs::recursive_directory_iterator();
             ++it) {
            if (it->is_directory() && it->path().filename() == "corpus") {
                it.disable_recursion_pending();
                continue;
            }
            if (it->is_regular_file()) files.push_back(it->path());
        }
    }
    for (const char* top : {"README.md", "CODING.md", "CMakeLists.txt"}) files.push_back(root / top);
    return files;
}

TEST(ShippedSources, NameNoHostThisProjectDoesNotOwn) {
    const fs::path root = tvtest::TestsPath("..").lexically_normal();
    const std::regex address(R"((https?)://([A-Za-z0-9.\-]*))", std::regex::icase);
    std::vector<std::string> found;
    std::size_t scanned = 0;
    for (const fs::path& file : ScannedFiles(root)) {
        const std::string bytes = tvtest::ReadFileBytes(file);
        ++scanned;
        for (auto m = std::sregex_iterator(bytes.begin(), bytes.end(), address); m != std::sregex_iterator(); ++m) {
            const std::string host = Lower((*m)[2].str());
            // "http://" + host: the address is put together elsewhere.
            if (host.empty()) continue;
            if (!Allowed(host)) found.push_back(fs::relative(file, root).string() + ": " + (*m)[0].str());
        }
    }
    EXPECT_GT(scanned, 300u);  // the folders were found
    std::string list;
    for (const std::string& f : found) list += f + "\n";
    EXPECT_TRUE(found.empty()) << list;
}

// ---- The help page -----------------------------------------------------------

std::string HelpSource() { return tvtest::ReadFileBytes(tvtest::TestsPath("../docs/Hilfe.md")); }
std::string HelpPage() { return tvtest::ReadFileBytes(tvtest::ShippedData("Dokumentation.html")); }

// The text between `from` and the next `to` after it ("" when absent).
std::string Between(const std::string& text, const std::string& from, const std::string& to) {
    const auto a = text.find(from);
    if (a == std::string::npos) return {};
    const auto b = text.find(to, a + from.size());
    return text.substr(a, b == std::string::npos ? std::string::npos : b - a);
}

// The words of a text in order, without markup: Markdown's signs and list
// numbers, and HTML's tags and entities, are no words; the page's table of
// contents repeats the headings and is left out.
std::vector<std::string> Words(std::string text, bool html) {
    if (html) {
        const auto body = text.find("<body>");
        if (body != std::string::npos) text.erase(0, body);
        const auto nav = text.find("<nav>"), navEnd = text.find("</nav>");
        if (nav != std::string::npos && navEnd != std::string::npos) text.erase(nav, navEnd - nav);
        text = std::regex_replace(text, std::regex("<[^>]*>"), " ");
        for (const auto& [entity, plain] : std::vector<std::pair<std::string, std::string>>{
                 {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}}) {
            for (auto p = text.find(entity); p != std::string::npos; p = text.find(entity, p + plain.size()))
                text.replace(p, entity.size(), plain);
        }
    } else {
        text = std::regex_replace("\n" + text, std::regex("\n[0-9]+\\. "), "\n");
    }
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u >= 0x80) {
            word += c;
        } else if (!word.empty()) {
            words.push_back(word);
            word.clear();
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

// Tags open and close in order (void elements stand alone), nothing runs, and
// every '<' or '>' of the text is escaped. Returns what is wrong, "" when all
// is well.
std::string MarkupFault(const std::string& page) {
    static const std::set<std::string> kVoid = {"meta", "br", "hr", "img", "link", "input"};
    const std::regex tag(R"(<(/?)([A-Za-z][A-Za-z0-9]*)([^<>]*)>)");
    std::vector<std::string> open;
    std::string text;
    const std::size_t start = page.find("<html");
    if (start == std::string::npos) return "no <html>";
    std::size_t last = start;
    for (auto m = std::sregex_iterator(page.begin() + static_cast<long>(start), page.end(), tag);
         m != std::sregex_iterator(); ++m) {
        const auto at = static_cast<std::size_t>(m->position()) + start;
        text += page.substr(last, at - last);
        last = at + static_cast<std::size_t>(m->length());
        const std::string name = Lower((*m)[2].str());
        if (name == "script" || Lower((*m)[3].str()).find(" on") != std::string::npos)
            return "runs something: " + m->str();
        if (kVoid.count(name) != 0) continue;
        if ((*m)[1].length() == 0) {
            open.push_back(name);
        } else if (open.empty() || open.back() != name) {
            return "</" + name + "> closes " + (open.empty() ? std::string("nothing") : "<" + open.back() + ">");
        } else {
            open.pop_back();
        }
    }
    text += page.substr(last);
    if (!open.empty()) return "<" + open.back() + "> is never closed";
    if (text.find_first_of("<>") != std::string::npos) return "an unescaped < or > in the text";
    return {};
}

TEST(ShippedSources, HelpPageIsMadeFromItsGermanSource) {
    const std::string source = HelpSource(), page = HelpPage();
    ASSERT_FALSE(source.empty());
    ASSERT_FALSE(page.empty());
    const auto written = Words(source, false), shown = Words(page, true);
    const auto diff = std::mismatch(written.begin(), written.end(), shown.begin(), shown.end());
    EXPECT_TRUE(diff.first == written.end() && diff.second == shown.end())
        << "docs/Hilfe.md and data/Dokumentation.html differ at word " << (diff.first - written.begin()) << " (\""
        << (diff.first != written.end() ? *diff.first : "") << "\" against \""
        << (diff.second != shown.end() ? *diff.second : "") << "\"); run scripts/make_documentation";

    // A page of its own: well formed, nothing runs, every link of the table
    // of contents lands on a heading, and each heading is listed there.
    EXPECT_EQ(page.rfind("<!DOCTYPE html>\n", 0), 0u);
    EXPECT_EQ(MarkupFault(page), "");
    const std::string nav = Between(page, "<nav>", "</nav>");
    std::set<std::string> ids, links;
    const std::regex id(R"re(<h[23] id="([a-z0-9-]+)">)re"), href(R"re(<a href="#([a-z0-9-]+)">)re");
    for (auto m = std::sregex_iterator(page.begin(), page.end(), id); m != std::sregex_iterator(); ++m)
        ids.insert((*m)[1].str());
    for (auto m = std::sregex_iterator(nav.begin(), nav.end(), href); m != std::sregex_iterator(); ++m)
        links.insert((*m)[1].str());
    EXPECT_GE(ids.size(), 10u);
    EXPECT_EQ(links, ids);
}

TEST(ShippedSources, HelpPageIsGermanAndTellsTheFoldersOfAFirstStart) {
    const std::string page = HelpPage();
    // German, in UTF-8 as the page declares before anything else: a browser
    // that opens the file from disk shows the umlauts right.
    EXPECT_NE(page.find("<html lang=\"de\">\n<head>\n<meta charset=\"utf-8\">"), std::string::npos);
    ASSERT_TRUE(tv::Utf8ToCp1252Exact(page).has_value()) << "the page is not UTF-8";
    for (const char* heading : {"Wo Trailvane seine Dateien ablegt", "Erste Schritte", "Was Trailvane nicht kann"})
        EXPECT_NE(page.find(std::string(">") + heading + "</h2>"), std::string::npos) << heading;
    // "Warum?" of the loader lands on the 50-page limit.
    const std::string limit = Between(page, "50 Beschreibungen je Durchgang</h3>", "<h");
    EXPECT_NE(limit.find("höchstens 50"), std::string::npos);
    EXPECT_NE(limit.find("„Warum?“"), std::string::npos);
    EXPECT_EQ(page.find("default to"), std::string::npos);
    // The GPX import's count line is told whole, its plain waypoints too.
    EXPECT_NE(Between(page, "„1: Einlesen“", "</li>").find("„Wegpunkte ohne Cachedaten“"), std::string::npos);

    // A first start on an empty program folder, its settings dialog closed
    // with OK and nothing changed, as a new user does.
    tvtest::TempDir dir;
    tv::platform::ScopedFakes fakes;
    // The folder lock the dialog's OK takes and the first-start flag go back
    // however the test ends.
    struct Restore {
        bool existed = tv::ConfigExisted;
        ~Restore() {
            tv::ReleaseWorkFolder();
            tv::ConfigExisted = existed;
        }
    } restore;
    std::string work, out, tpl, primaryList;
    {
        tvtest::StartedProgram started(dir.str());
        ASSERT_FALSE(tv::ConfigExisted);
        tv::LoadProcSettings(0);
        tv::StartupHooks hooks;
        hooks.settingsCommand = [] {
            const tv::SettingsFormData form = tv::FormFromSettings(tv::ProcSettings, tv::CacheDBTable());
            tv::FinishSettingsCommand(&form, {});
        };
        tv::StartupTask(hooks).FirstStart();
        EXPECT_TRUE(tv::ProcSettings.SettingsConfirmed);
        work = tv::ReadSettingStr("WorkDir");
        out = tv::ReadSettingStr("OutDir");
        tpl = tv::ReadSettingStr("Template");
        primaryList = tv::CacheDBTable().Entry(tv::ProcSettings.CacheDBPrimary).FileName;
    }
    const std::string program = tv::WithoutTrailingSlash(dir.str());
    EXPECT_EQ(work, program);
    EXPECT_EQ(tpl, program + "/template.html");
    ASSERT_EQ(out.rfind(program + "/", 0), 0u) << out;
    const std::string outName = out.substr(program.size() + 1);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / outName));

    // The page says so.
    const std::string where = Between(page, "Dateien ablegt</h2>", "<h2");
    const std::string workItem = Between(where, "<li><b>Arbeitsverzeichnis</b>", "</li>");
    const std::string outItem = Between(where, "<li><b>Ausgabeverzeichnis</b>", "</li>");
    EXPECT_NE(workItem.find("nach dem ersten Start der Programmordner selbst."), std::string::npos) << workItem;
    EXPECT_NE(outItem.find("nach dem ersten Start der Ordner <code>" + outName +
                           "</code> im Programmordner, den der erste Start anlegt."),
              std::string::npos)
        << outItem;
    EXPECT_NE(page.find("(anfangs <code>template.html</code> im Programmordner)"), std::string::npos);
    // The local conversion reads the primary country's list by its name in
    // CacheDB.conf, and the page names it so.
    ASSERT_FALSE(primaryList.empty());
    const std::string local = Between(page, "<b>Cache-Datenbank / Lokale primäre Cache-DB konvertieren</b>", "</p>");
    EXPECT_NE(local.find("<code>CacheDB.conf</code>"), std::string::npos) << local;
    EXPECT_NE(local.find("<code>" + primaryList + "</code>"), std::string::npos) << local;
}

TEST(ShippedSources, HelpPageNamesWhatTrailvaneDoesNotDoAsTheReadmeDoes) {
    const std::string readme = tvtest::ReadFileBytes(tvtest::TestsPath("../README.md"));
    const std::string section = Between(readme, "## What Trailvane does not do\n", "\n## ");
    const std::string german = Between(HelpPage(), ">Was Trailvane nicht kann</h2>", "</ul>");
    ASSERT_FALSE(section.empty());
    ASSERT_FALSE(german.empty());
    // The README's list, its items with their continuation lines.
    std::string items;
    std::size_t count = 0;
    bool inItem = false;
    for (const std::string& line : tv::SplitTextLines(section)) {
        if (line.rfind("- ", 0) == 0) ++count;
        inItem = line.rfind("- ", 0) == 0 || (inItem && line.rfind("  ", 0) == 0);
        if (inItem) items += std::string(tv::TrimBlanks(line)) + " ";
    }
    EXPECT_EQ(count, 7u);
    std::size_t germanCount = 0;
    for (auto p = german.find("<li>"); p != std::string::npos; p = german.find("<li>", p + 1)) ++germanCount;
    EXPECT_EQ(germanCount, count);
    // Every program text and name the README quotes stands in the German list,
    // but for the keys of the settings file: the README names a key for
    // developers, the help page the field the user sees.
    tvtest::TempDir dir;
    tv::platform::ScopedFakes fakes;
    std::vector<std::string> keys;
    {
        tvtest::StartedProgram started(dir.str());
        ASSERT_TRUE(tv::SaveProcSettings(false));
        keys = tv::IniFile().readSection("Program");
    }
    ASSERT_NE(std::find(keys.begin(), keys.end(), "CacheDBUrl"), keys.end());
    const std::regex quoted("\"([^\"]+)\""), code("`([^`]+)`");
    for (auto m = std::sregex_iterator(items.begin(), items.end(), quoted); m != std::sregex_iterator(); ++m) {
        const std::string text = (*m)[1].str();
        if (std::find(keys.begin(), keys.end(), text) != keys.end())
            EXPECT_EQ(german.find(text), std::string::npos) << text << " is a key of tq.conf, not a field";
        else
            EXPECT_NE(german.find("„" + text + "“"), std::string::npos) << text;
    }
    for (auto m = std::sregex_iterator(items.begin(), items.end(), code); m != std::sregex_iterator(); ++m)
        EXPECT_NE(german.find("<code>" + (*m)[1].str() + "</code>"), std::string::npos) << (*m)[1].str();
}

}  // namespace
