// Arbitrary bytes as a stored listing page and its picture list: the first
// byte picks the options, the next two the length of the ".meta" part, the
// rest is the page. The description is rendered into memory with the shipped
// template; the one-pass span removal is checked against a slow reference on
// small inputs.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "core/proc_settings.h"
#include "core/str_util.h"
#include "pages/description_generator.h"
#include "pages/description_html.h"

namespace {

const std::string& Folder() {
    static const std::string dir = [] {
        char name[] = "/tmp/tv-description-fuzz-XXXXXX";
        const char* made = mkdtemp(name);
        if (!made) __builtin_trap();
        return std::string(made) + "/";
    }();
    return dir;
}

void WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

const std::string& Template() {
    static const std::string t = [] {
        std::string text = tv::LoadDescriptionTemplate(std::string(TV_SOURCE_DATA_DIR) + "/template.html");
        if (text.empty()) {
            for (const auto& name : tv::DescriptionPlaceholderNames()) text += tv::PlaceholderText(name) + "\r\n";
        }
        return text;
    }();
    return t;
}

std::string SlowRemove(std::string text, std::string_view open, std::string_view close) {
    for (;;) {
        const std::string upper = tv::UpperCaseCp1252(text);
        const std::size_t a = upper.find(tv::UpperCaseCp1252(open));
        if (a == std::string::npos) return text;
        const std::size_t b = upper.find(tv::UpperCaseCp1252(close), a + open.size());
        if (b == std::string::npos) return text;
        text.erase(a, b + close.size() - a);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const unsigned flags = data[0];
    std::size_t metaLen = static_cast<std::size_t>(data[1]) | (static_cast<std::size_t>(data[2]) << 8);
    std::string_view rest = bytes.substr(3);
    if (metaLen > rest.size()) metaLen = rest.size();
    const std::string_view meta = rest.substr(0, metaLen);
    const std::string_view page = rest.substr(metaLen);

    const std::string& dir = Folder();
    tv::ProcSettings.WorkDir = dir;
    WriteFile(dir + "GC1.html", page);
    WriteFile(dir + "GC1.meta", meta);

    tv::DescriptionRunParams p;
    p.waypoints = {"GC1"};
    p.templateText = Template();
    p.outDir = dir;
    p.workDir = dir;
    p.site.host = "gc.test";
    p.options.maxLogs = (flags & 1) ? "2" : "";
    p.options.boldLogs = (flags & 2) != 0;
    p.options.hints = static_cast<int>((flags >> 2) % 3);
    p.options.imageKind = (flags >> 4) & 1;
    p.options.clean.removeAll = (flags & 0x20) != 0;
    p.options.clean.tables = (flags & 0x40) != 0;
    p.home = tv::DescriptionHome{"HOME", 48.0, 8.0};
    const bool inDb = (flags & 0x80) != 0;
    p.findCache = [inDb](std::string_view code, tv::TCacheRec& rec) {
        if (!inDb) return false;
        rec = tv::TCacheRec{};
        rec.Waypoint = code;
        rec.Name = "<b>&";
        rec.Lat = 48.5;
        rec.Lon = 8.25;
        return true;
    };
    tv::DescriptionGenerator gen(std::move(p));
    std::string removed;
    const std::string out = gen.render("GC1", &removed);
    if (out.empty()) __builtin_trap();  // the template alone is never empty

    if (size < 2048) {
        static const std::pair<const char*, const char*> kPairs[] = {
            {"<a", ">"}, {"STYLE=\"", "\""}, {"<", ">"}, {"<<a", "a>"}};
        for (const auto& [open, close] : kPairs) {
            std::string fast(page);
            tv::RemoveSpansNoCase(fast, open, close);
            if (fast != SlowRemove(std::string(page), open, close)) __builtin_trap();
        }
    }
    return 0;
}
