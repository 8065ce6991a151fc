#pragma once
// Decoders for the packed data of one ZIP entry, working on blocks: the input
// hands out packed bytes, the output takes unpacked bytes. Shared by the
// archive reader and its tests. Every function returns 0 or a ZIP error code.
#include <cstddef>
#include <cstdint>

namespace tv::zip {

class InputBlocks {
public:
    virtual ~InputBlocks() = default;
    // Next block of packed data; `size` 0 means the input is exhausted.
    virtual int next(const std::uint8_t*& data, std::size_t& size) = 0;
};

class OutputBytes {
public:
    virtual ~OutputBytes() = default;
    virtual int put(const std::uint8_t* data, std::size_t size) = 0;
};

// Method 0: copies the whole input.
int CopyStored(InputBlocks& in, OutputBytes& out);
// Method 8: raw deflate through zlib; the stream must end properly.
int Inflate(InputBlocks& in, OutputBytes& out);
// Method 1: LZW with 9 to 13 bit codes and partial clearing; stops after
// `unpackedSize` bytes.
int Unshrink(InputBlocks& in, OutputBytes& out, std::uint64_t unpackedSize);
// Method 6: flag bit 1 selects the 8 KB dictionary, bit 2 the literal tree;
// stops after `unpackedSize` bytes.
int Explode(InputBlocks& in, OutputBytes& out, std::uint16_t flags, std::uint64_t unpackedSize);

}  // namespace tv::zip
