// National list bytes through the line splitter and the converter.
// Checks: lines are non-empty, at most 513 bytes and free of control bytes;
// every kept byte lands in exactly one line; feeding in two pieces changes
// nothing; a conversion counts every line once (converted, incomplete, failed
// or refused for an unsafe code) and writes one record per converted or
// incomplete line; merging the same list again adds nothing.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "acquire/national_db.h"
#include "core/cache_rec.h"
#include "core/proc_settings.h"
#include "fuzz/fuzz_files.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);

    const std::vector<std::string> lines = tv::SplitNationalLines(in);
    std::size_t kept = 0;
    for (unsigned char c : in)
        if (c >= 32 || c == '\t') ++kept;
    std::size_t total = 0;
    for (const auto& l : lines) {
        Check(!l.empty() && l.size() <= tv::kNationalLineMax);
        for (unsigned char c : l) Check(c >= 32);
        total += l.size();
    }
    Check(total == kept);

    const std::size_t cut = size == 0 ? 0 : data[0] % (size + 1);
    std::vector<std::string> pieces;
    tv::NationalLineSplitter s([&](std::string_view l) { pieces.emplace_back(l); });
    s.Feed(in.substr(0, cut));
    s.Feed(in.substr(cut));
    s.Finish();
    Check(pieces == lines);

    const std::string dir = tvfuzz::WorkDir();
    tv::ProcSettings.WorkDir = dir;
    const std::string list = dir + "list.txt", bin = dir + "Caches.bin";
    std::filesystem::remove(bin);
    tvfuzz::WriteFile(list, in);
    tv::NationalDbConverter conv;
    conv.SetSourceName(list);
    conv.SetDestName(bin);
    const int r = conv.ConverteHTTP(false);
    Check(r == conv.GetConvertedCount());
    const int refused = conv.GetRefused().count();
    Check(static_cast<std::size_t>(r + conv.GetIncompleteCount() + conv.GetFailedCount() + refused) == lines.size());
    const auto written = static_cast<std::size_t>(r + conv.GetIncompleteCount());
    Check(std::filesystem::file_size(bin) == written * tv::TCacheRec::kSize);

    Check(conv.ConverteHTTP(false) == r);
    Check(conv.GetRefused().count() == refused);
    Check(conv.GetNewCount() == 0);
    Check(std::filesystem::file_size(bin) == written * tv::TCacheRec::kSize);
    return 0;
}
