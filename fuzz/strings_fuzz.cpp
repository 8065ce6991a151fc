// Arbitrary bytes through the text repairs and the span functions. The input
// is "open" NUL "close" NUL "text" (missing parts are empty), so the fuzzer
// can steer the delimiters too. Beyond "no crash" it checks properties that
// must hold for every input.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/str_util.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

bool FoldEq(char a, char b) {
    return tv::UpperCp1252(static_cast<unsigned char>(a)) == tv::UpperCp1252(static_cast<unsigned char>(b));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    std::string_view open, close, text = all;
    if (auto a = all.find('\0'); a != all.npos) {
        open = all.substr(0, a);
        std::string_view rest = all.substr(a + 1);
        if (auto b = rest.find('\0'); b != rest.npos) {
            close = rest.substr(0, b);
            text = rest.substr(b + 1);
        } else {
            text = rest;
        }
    }

    // Repairs only ever shrink or keep the length; no 0xC2 survives.
    std::string fixed(all);
    tv::FixUtf8Chars(fixed);
    Check(fixed.size() <= all.size());
    Check(fixed.find('\xC2') == std::string::npos);
    std::string decoded(all);
    tv::DecodeHtmlEntities(decoded);
    Check(decoded.size() <= all.size());

    // Search agrees with a plain folded search.
    const int pos = tv::FastPosNoCase(text, open, 1);
    if (!open.empty() && open.size() <= text.size()) {
        const auto it = std::search(text.begin(), text.end(), open.begin(), open.end(), FoldEq);
        Check(pos == (it == text.end() ? 0 : static_cast<int>(it - text.begin()) + 1));
    } else {
        Check(pos == 0);
    }

    // Cutting moves bytes, it never loses or invents any.
    std::string cut(text), span;
    if (tv::CutBetween(cut, span, open, close)) {
        Check(cut.size() + span.size() == text.size());
        Check(span.size() >= open.size() + close.size());
    } else {
        Check(cut == text);
    }
    std::string inner, cut2(text);
    if (tv::CutBetweenInner(cut2, inner, open, close)) Check(cut2 == cut && inner.size() + open.size() + close.size() == span.size());

    // The one-pass removal equals the repeated single removal.
    if (text.size() <= 2048) {
        std::string loop(text), once(text);
        int n = 0;
        while (tv::RemoveBetween(loop, open, close)) ++n;
        Check(tv::RemoveAllBetween(once, open, close) == n);
        Check(once == loop);
    }

    std::string rot(text);
    tv::Rot13(rot);
    tv::Rot13(rot);
    Check(rot == text);
    std::string replaced(text);
    const int count = tv::ReplaceAllNoCase(replaced, open, close);
    Check(replaced.size() + static_cast<std::size_t>(count) * open.size() ==
          text.size() + static_cast<std::size_t>(count) * close.size());
    (void)tv::WaypointFromFileName(text);
    (void)tv::TrimCtl(text);
    return 0;
}
