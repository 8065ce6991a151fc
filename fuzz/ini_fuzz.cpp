// Reads arbitrary bytes as an INI document, writes it back and reads it
// again: the second reading must hold the same sections, keys and values,
// and writing it once more must give the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/ini_file.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

void SameContent(const tv::IniDocument& a, const tv::IniDocument& b) {
    Check(a.sections() == b.sections());
    for (const std::string& s : a.sections()) Check(a.values(s) == b.values(s));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    tv::IniDocument doc = tv::IniDocument::Parse(bytes);
    const std::string written = doc.Serialize();
    tv::IniDocument again = tv::IniDocument::Parse(written);
    SameContent(doc, again);
    Check(again.Serialize() == written);

    // A write with the input's own first line as value (line breaks included)
    // must neither add keys nor lose the value.
    std::string value(bytes.substr(0, 64));
    for (const std::string& s : doc.sections()) {
        const size_t keys = doc.keys(s).size();
        const bool had = doc.hasKey(s, "FuzzKey");
        if (!doc.set(s, "FuzzKey", value)) continue;
        tv::IniDocument back = tv::IniDocument::Parse(doc.Serialize());
        Check(back.keys(s).size() == keys + (had ? 0 : 1));
        std::string expected = value;
        for (char& c : expected)
            if (c == '\r' || c == '\n') c = ' ';
        expected.erase(0, expected.find_first_not_of(" \t") == std::string::npos ? expected.size()
                                                                             : expected.find_first_not_of(" \t"));
        Check(back.get(s, "FuzzKey") == expected);
        break;
    }
    for (const std::string& s : again.sections()) again.eraseSection(s);
    Check(again.sections().empty());
    return 0;
}
