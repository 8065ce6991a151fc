// Arbitrary bytes as a GPX, LOC or text file of waypoint codes: every code
// read is upper case, starts with "GC" and is made of the file's own bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "exchange/wp_sources.h"

namespace {
void Check(bool ok) {
    if (!ok) __builtin_trap();
}

void CheckCodes(const tv::CodesRead& r, std::size_t size) {
    for (const auto& code : r.codes) {
        Check(code.size() >= 3 && code.compare(0, 2, "GC") == 0);
        Check(code.size() <= 5 * size);  // an '&' grows to "&amp;" in the cleaned text
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckCodes(tv::CodesFromGpx(bytes), size);
    CheckCodes(tv::CodesFromLoc(bytes), size);
    const auto text = tv::CodesFromText(bytes);
    CheckCodes(text, size);
    for (const auto& code : text.codes) Check(code.size() <= size);
    const std::string cleaned = tv::CleanXmlBytes(bytes);
    for (char c : cleaned) Check(static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r');
    return 0;
}
