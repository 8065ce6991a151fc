// Arbitrary bytes as a page of the site's "nearest" list: the view state,
// the pager, the total, every row and its date are read from it.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "acquire/finds_loader.h"
#include "acquire/list_loader.h"
#include "acquire/span_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string page(reinterpret_cast<const char*>(data), size);
    const std::string viewState = tv::ExtractViewState(page);
    const int next = tv::FindNextControl(page);
    (void)tv::BuildPostBody(next, viewState);
    if (const auto total = tv::ParseTotalRecords(page)) (void)tv::FindsPageCount(*total);
    const std::chrono::year_month_day today{std::chrono::year{2008}, std::chrono::month{2}, std::chrono::day{29}};
    for (const tv::FindRow& row : tv::ParseFindRows(page)) {
        // Codes come whole (a longer one is refused when stored, never cut).
        if (row.code.size() > page.size() || row.dateText.size() > 20) __builtin_trap();
        bool bad = false;
        const auto d = tv::ParseLogDate(row.dateText, today, &bad);
        if (!bad && tv::IsFindDate(d) && tv::FoundDateText(d).size() != 10) __builtin_trap();
    }
    return 0;
}
