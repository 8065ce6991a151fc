#include "support/zip_build.h"

#include <zlib.h>

#include <stdexcept>

namespace tvtest {

namespace {

void Put16(std::string& s, std::uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& s, std::uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

}  // namespace

std::uint32_t ZipCrc(const std::string& data) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string RawDeflate(const std::string& data) {
    z_stream zs{};
    if (deflateInit2(&zs, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&zs, static_cast<uLong>(data.size())) + 16, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    if (deflate(&zs, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

std::string BuildZip(const std::vector<ZipEntry>& entries, const std::string& comment) {
    std::string body, directory;
    for (const ZipEntry& e : entries) {
        const std::string packed = e.packed ? *e.packed : (e.method == 8 ? RawDeflate(e.data) : e.data);
        const std::uint32_t crc = e.crc ? *e.crc : ZipCrc(e.data);
        const std::uint32_t size = e.unpackedSize ? *e.unpackedSize : static_cast<std::uint32_t>(e.data.size());
        const std::uint16_t flags = static_cast<std::uint16_t>(e.flags | (e.descriptor ? 8 : 0));
        const auto offset = static_cast<std::uint32_t>(body.size());
        std::string local = "PK\x03\x04";
        Put16(local, 20);
        Put16(local, flags);
        Put16(local, e.method);
        Put16(local, e.time);
        Put16(local, e.date);
        Put32(local, e.descriptor ? 0 : crc);
        Put32(local, e.descriptor ? 0 : static_cast<std::uint32_t>(packed.size()));
        Put32(local, e.descriptor ? 0 : size);
        Put16(local, static_cast<std::uint32_t>(e.name.size()));
        Put16(local, 0);
        body += local + e.name + packed;
        if (e.descriptor) {
            body += "PK\x07\x08";
            Put32(body, crc);
            Put32(body, static_cast<std::uint32_t>(packed.size()));
            Put32(body, size);
        }
        std::string central = "PK\x01\x02";
        Put16(central, 20);  // made by MS-DOS
        Put16(central, 20);
        Put16(central, flags);
        Put16(central, e.method);
        Put16(central, e.time);
        Put16(central, e.date);
        Put32(central, crc);
        Put32(central, static_cast<std::uint32_t>(packed.size()));
        Put32(central, size);
        Put16(central, static_cast<std::uint32_t>(e.name.size()));
        Put32(central, 0);  // extra and comment length
        Put32(central, 0);  // disk, internal attributes
        Put32(central, 0x20);
        Put32(central, offset);
        directory += central + e.name;
    }
    std::string end = "PK\x05\x06";
    Put32(end, 0);
    Put16(end, static_cast<std::uint32_t>(entries.size()));
    Put16(end, static_cast<std::uint32_t>(entries.size()));
    Put32(end, static_cast<std::uint32_t>(directory.size()));
    Put32(end, static_cast<std::uint32_t>(body.size()));
    Put16(end, static_cast<std::uint32_t>(comment.size()));
    return body + directory + end + comment;
}

}  // namespace tvtest
