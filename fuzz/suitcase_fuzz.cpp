// Suitcase files from other people: the list sections and every page entry
// are read and written into a scratch description folder.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "exchange/suitcase_format.h"
#include "exchange/suitcase_merge.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fs::path dir = fs::temp_directory_path() / ("suitcase_fuzz_" + std::to_string(::getpid()));
    fs::create_directories(dir / "out");
    const std::string file = (dir / "in.tq").string();
    {
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    tv::SuitcaseReader reader;
    if (reader.Open(file)) tv::ProcessPageEntries(reader, (dir / "out").string(), tv::PagePolicy::Replace);
    // Whatever the entries said, nothing may land beside the description folder.
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename() != "out" && e.path().filename() != "in.tq") __builtin_trap();
    fs::remove_all(dir / "out");
    return 0;
}
