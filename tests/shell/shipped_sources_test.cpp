// What the program and its shipped files hold: no address of a host this
// project does not own or need, and a documentation page that says what the
// README says.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

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
    for (const char* folder : {"platform", "core", "geo", "acquire", "pages", "exchange", "shell", "data", "scripts",
                               "bench", "fuzz", "cmake"}) {
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

// The words of a text in order, without markup: Markdown's signs and HTML's
// tags and entities are no words.
std::vector<std::string> Words(std::string text, bool html) {
    if (html) {
        const auto body = text.find("<body>");
        if (body != std::string::npos) text.erase(0, body);
        text = std::regex_replace(text, std::regex("<[^>]*>"), " ");
        for (const auto& [entity, plain] : std::vector<std::pair<std::string, std::string>>{
                 {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}}) {
            for (auto p = text.find(entity); p != std::string::npos; p = text.find(entity, p + plain.size()))
                text.replace(p, entity.size(), plain);
        }
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

TEST(ShippedSources, DocumentationPageSaysWhatTheReadmeSays) {
    const auto readme = Words(tvtest::ReadFileBytes(tvtest::TestsPath("../README.md")), false);
    const std::string page = tvtest::ReadFileBytes(tvtest::ShippedData("Dokumentation.html"));
    ASSERT_FALSE(page.empty());
    EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
    const auto shown = Words(page, true);
    const auto diff = std::mismatch(readme.begin(), readme.end(), shown.begin(), shown.end());
    EXPECT_TRUE(diff.first == readme.end() && diff.second == shown.end())
        << "README and data/Dokumentation.html differ at README word "
        << (diff.first - readme.begin()) << " (\"" << (diff.first != readme.end() ? *diff.first : "")
        << "\" against \"" << (diff.second != shown.end() ? *diff.second : "")
        << "\"); run scripts/make_documentation";
}

}  // namespace
