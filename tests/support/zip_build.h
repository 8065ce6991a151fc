#pragma once
// Builds ZIP archives in memory for tests: stored or deflated data, or raw
// packed bytes for the legacy methods and for damage, with any name, flags,
// sizes and data descriptors.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tvtest {

struct ZipEntry {
    std::string name;
    std::string data;
    std::uint16_t method = 8;  // 8 deflate, 0 stored
    std::uint16_t flags = 0;
    bool descriptor = false;            // sizes and CRC after the data, zero in the local header
    std::optional<std::string> packed;  // packed bytes as given (legacy methods, damage)
    std::optional<std::uint32_t> crc;
    std::optional<std::uint32_t> unpackedSize;
    std::uint16_t date = 0x377C;  // 2007-11-28
    std::uint16_t time = 0x645C;  // 12:34:56
};

// CRC-32 of the bytes as ZIP stores it.
std::uint32_t ZipCrc(const std::string& data);
// Raw deflate data (no zlib header) at the best compression.
std::string RawDeflate(const std::string& data);
// The whole archive: local entries, central directory, end record, comment.
std::string BuildZip(const std::vector<ZipEntry>& entries, const std::string& comment = "");

}  // namespace tvtest
