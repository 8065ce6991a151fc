#pragma once
// Builds small ZIP archives in memory for tests (stored or deflated entries).
#include <zlib.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tvtest {

struct ZipEntrySpec {
    std::string name;
    std::string data;
    bool deflate = true;
};

inline void PutLe(std::string& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

inline std::string RawDeflate(const std::string& data) {
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

inline std::string BuildZip(const std::vector<ZipEntrySpec>& entries) {
    std::string out, central;
    for (const auto& e : entries) {
        const std::uint32_t crc =
            static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size())));
        const std::string packed = e.deflate ? RawDeflate(e.data) : e.data;
        const std::uint16_t method = e.deflate ? 8 : 0;
        const auto offset = static_cast<std::uint32_t>(out.size());
        PutLe(out, 0x04034b50, 4);
        PutLe(out, 20, 2);
        PutLe(out, 0, 2);
        PutLe(out, method, 2);
        PutLe(out, 0x6000, 2);  // 12:00
        PutLe(out, 0x377C, 2);  // 28.11.2007
        PutLe(out, crc, 4);
        PutLe(out, static_cast<std::uint32_t>(packed.size()), 4);
        PutLe(out, static_cast<std::uint32_t>(e.data.size()), 4);
        PutLe(out, static_cast<std::uint32_t>(e.name.size()), 2);
        PutLe(out, 0, 2);
        out += e.name;
        out += packed;

        PutLe(central, 0x02014b50, 4);
        PutLe(central, 20, 2);
        PutLe(central, 20, 2);
        PutLe(central, 0, 2);
        PutLe(central, method, 2);
        PutLe(central, 0x6000, 2);
        PutLe(central, 0x377C, 2);
        PutLe(central, crc, 4);
        PutLe(central, static_cast<std::uint32_t>(packed.size()), 4);
        PutLe(central, static_cast<std::uint32_t>(e.data.size()), 4);
        PutLe(central, static_cast<std::uint32_t>(e.name.size()), 2);
        PutLe(central, 0, 2);
        PutLe(central, 0, 2);
        PutLe(central, 0, 2);
        PutLe(central, 0, 2);
        PutLe(central, 0, 4);
        PutLe(central, offset, 4);
        central += e.name;
    }
    const auto cdOffset = static_cast<std::uint32_t>(out.size());
    out += central;
    PutLe(out, 0x06054b50, 4);
    PutLe(out, 0, 2);
    PutLe(out, 0, 2);
    PutLe(out, static_cast<std::uint32_t>(entries.size()), 2);
    PutLe(out, static_cast<std::uint32_t>(entries.size()), 2);
    PutLe(out, static_cast<std::uint32_t>(central.size()), 4);
    PutLe(out, cdOffset, 4);
    PutLe(out, 0, 2);
    return out;
}

}  // namespace tvtest
