// Arbitrary bytes as a ZIP archive: listed, totalled and extracted into a
// temporary folder, which must be the only place anything is written. The same
// bytes also go straight into the legacy decoders.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "core/unzip.h"
#include "core/unzip_decoders.h"

namespace {

namespace fs = std::filesystem;

class MemoryInput final : public tv::zip::InputBlocks {
public:
    MemoryInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    int next(const std::uint8_t*& data, std::size_t& size) override {
        size = std::min<std::size_t>(size_ - pos_, 4096);
        data = data_ + pos_;
        pos_ += size;
        return 0;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_, pos_ = 0;
};

class CountingOutput final : public tv::zip::OutputBytes {
public:
    int put(const std::uint8_t*, std::size_t size) override {
        total += size;
        return 0;
    }
    std::uint64_t total = 0;
};

const fs::path& Root() {
    static const fs::path root = [] {
        return fs::temp_directory_path() / ("tv-unzip-fuzz-" + std::to_string(::getpid()));
    }();
    return root;
}

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "zip_fuzz: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path archive = Root() / "in.zip";
    const fs::path box = Root() / "box";
    const fs::path target = box / "target";
    {
        std::ofstream out(archive, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    fs::create_directories(target);

    tv::TZipCursor cursor;
    int entries = 0;
    for (int rc = tv::ZipFindFirst(archive.string(), cursor); rc == 0 && entries < 100000;
         rc = tv::ZipFindNext(cursor))
        ++entries;
    tv::ZipClose(cursor);
    std::int64_t packed = 0;
    (void)tv::ZipTotalSizes(archive.string(), packed);
    const int result = tv::UnzipFiles(archive.string(), target.string(), "*.*");
    Check(result <= entries, "more entries extracted than listed");

    // Nothing may appear beside the target folder.
    for (const auto& e : fs::directory_iterator(box)) Check(e.path() == target, "file written outside the target");
    for (const auto& e : fs::directory_iterator(Root()))
        Check(e.path() == archive || e.path() == box, "file written outside the box");
    for (const auto& e : fs::recursive_directory_iterator(target))
        Check(!e.is_symlink(), "symbolic link created");
    // Removed after every input: libFuzzer may end the process without running exit handlers.
    std::error_code ec;
    fs::remove_all(Root(), ec);

    if (size > 1) {
        const std::uint8_t selector = data[0];
        const std::uint64_t limit = 1u << 16;
        MemoryInput in(data + 1, size - 1);
        CountingOutput out;
        switch (selector % 3) {
            case 0: (void)tv::zip::Unshrink(in, out, limit); break;
            case 1: (void)tv::zip::Explode(in, out, static_cast<std::uint16_t>(selector >> 2), limit); break;
            default: (void)tv::zip::Inflate(in, out); break;
        }
    }
    return 0;
}
