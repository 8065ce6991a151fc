#include "core/unzip_decoders.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include <zlib.h>

#include "core/unzip.h"

namespace tv::zip {
namespace {

// Reads bits least significant first, as both legacy methods store them.
class BitReader {
public:
    explicit BitReader(InputBlocks& in) : in_(in) {}

    // Takes `count` (0..24) bits; false when the input ran out or failed
    // (error() tells which).
    bool get(int count, std::uint32_t& value) {
        while (bitCount_ < count) {
            if (size_ == 0) {
                const int rc = in_.next(data_, size_);
                if (rc != 0) {
                    error_ = rc;
                    return false;
                }
                if (size_ == 0) {
                    error_ = kZipArchiveError;  // packed data ends too early
                    return false;
                }
            }
            bits_ |= static_cast<std::uint32_t>(*data_++) << bitCount_;
            --size_;
            bitCount_ += 8;
        }
        value = bits_ & ((1u << count) - 1u);
        bits_ >>= count;
        bitCount_ -= count;
        return true;
    }

    int error() const { return error_; }

private:
    InputBlocks& in_;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::uint32_t bits_ = 0;
    int bitCount_ = 0;
    int error_ = 0;
};

// Collects unpacked bytes and passes them on in blocks.
class Collector {
public:
    explicit Collector(OutputBytes& out) : out_(out) {}
    int push(std::uint8_t b) {
        buffer_[used_++] = b;
        return used_ == buffer_.size() ? flush() : 0;
    }
    int flush() {
        const int rc = used_ ? out_.put(buffer_.data(), used_) : 0;
        used_ = 0;
        return rc;
    }

private:
    OutputBytes& out_;
    std::array<std::uint8_t, 32768> buffer_{};
    std::size_t used_ = 0;
};

}  // namespace

int CopyStored(InputBlocks& in, OutputBytes& out) {
    for (;;) {
        const std::uint8_t* data = nullptr;
        std::size_t size = 0;
        if (const int rc = in.next(data, size); rc != 0) return rc;
        if (size == 0) return 0;
        if (const int rc = out.put(data, size); rc != 0) return rc;
    }
}

int Inflate(InputBlocks& in, OutputBytes& out) {
    z_stream zs{};
    if (inflateInit2(&zs, -MAX_WBITS) != Z_OK) return kZipArchiveError;
    std::vector<std::uint8_t> buffer(32768);
    int result = 0;
    bool ended = false;
    while (!ended && result == 0) {
        const std::uint8_t* data = nullptr;
        std::size_t size = 0;
        result = in.next(data, size);
        if (result != 0) break;
        if (size == 0) {
            result = kZipArchiveError;  // the deflate stream never ended
            break;
        }
        zs.next_in = const_cast<Bytef*>(data);
        zs.avail_in = static_cast<uInt>(size);
        do {
            zs.next_out = buffer.data();
            zs.avail_out = static_cast<uInt>(buffer.size());
            const int z = inflate(&zs, Z_NO_FLUSH);
            if (z != Z_OK && z != Z_STREAM_END && z != Z_BUF_ERROR) {
                result = kZipArchiveError;
                break;
            }
            const std::size_t produced = buffer.size() - zs.avail_out;
            if (produced) result = out.put(buffer.data(), produced);
            if (z == Z_STREAM_END) ended = true;
            if (z == Z_BUF_ERROR && zs.avail_in != 0 && produced == 0) result = kZipArchiveError;
        } while (result == 0 && !ended && (zs.avail_in != 0 || zs.avail_out == 0));
    }
    inflateEnd(&zs);
    return result;
}

int Unshrink(InputBlocks& in, OutputBytes& out, std::uint64_t unpackedSize) {
    constexpr int kMaxCode = 8191;
    constexpr int kControl = 256;
    // Codes 0..255 stand for themselves; 257.. hold (prefix code, last byte).
    // A partial clear only marks codes free: their chains stay readable until
    // the slot is handed out again, because the encoder may still name a freed
    // code as the prefix of the next new string.
    std::vector<std::int16_t> prefix(kMaxCode + 1, 0);
    std::vector<std::uint8_t> suffix(kMaxCode + 1, 0);
    std::vector<bool> used(kMaxCode + 1, false);
    std::vector<std::uint8_t> stack(kMaxCode + 2);
    const auto defined = [&](int code) { return code < kControl || used[code]; };
    const auto nextFree = [&](int from) {
        int c = from;
        while (c <= kMaxCode && used[c]) ++c;
        return c;
    };
    // First byte of a code's string; -1 for a chain that loops.
    const auto firstByte = [&](int code) {
        for (int depth = 0; code > kControl; ++depth) {
            if (depth > kMaxCode) return -1;
            code = prefix[code];
        }
        return code == kControl ? -1 : code;
    };

    BitReader bits(in);
    Collector sink(out);
    int codeSize = 9;
    int freeCode = 257;
    int previous = -1;
    std::uint64_t written = 0;
    while (written < unpackedSize) {
        std::uint32_t code = 0;
        if (!bits.get(codeSize, code)) return bits.error();
        if (code == kControl) {
            std::uint32_t sub = 0;
            if (!bits.get(codeSize, sub)) return bits.error();
            if (sub == 1) {
                if (++codeSize > 13) return kZipArchiveError;
            } else if (sub == 2) {
                // Partial clear: every code that is not the prefix of another becomes free.
                std::vector<bool> isPrefix(kMaxCode + 1, false);
                for (int c = 257; c <= kMaxCode; ++c)
                    if (used[c] && prefix[c] > kControl) isPrefix[prefix[c]] = true;
                for (int c = 257; c <= kMaxCode; ++c)
                    if (!isPrefix[c]) used[c] = false;
                freeCode = nextFree(257);
            } else {
                return kZipArchiveError;
            }
            continue;
        }
        const int c = static_cast<int>(code);
        if (previous < 0) {
            if (c >= kControl) return kZipArchiveError;
        } else {
            int first = -1;
            if (defined(c))
                first = firstByte(c);
            else if (c == freeCode)
                first = firstByte(previous);  // the code being defined right now
            if (first < 0) return kZipArchiveError;
            if (freeCode <= kMaxCode) {
                prefix[freeCode] = static_cast<std::int16_t>(previous);
                suffix[freeCode] = static_cast<std::uint8_t>(first);
                used[freeCode] = true;
                freeCode = nextFree(freeCode + 1);
            }
            if (!defined(c)) return kZipArchiveError;
        }
        // Expand the string of `c` backwards onto the stack.
        std::size_t depth = 0;
        int walk = c;
        while (walk > kControl) {
            if (depth > static_cast<std::size_t>(kMaxCode)) return kZipArchiveError;
            stack[depth++] = suffix[walk];
            walk = prefix[walk];
        }
        if (walk == kControl) return kZipArchiveError;
        stack[depth++] = static_cast<std::uint8_t>(walk);
        while (depth > 0 && written < unpackedSize) {
            if (const int rc = sink.push(stack[--depth]); rc != 0) return rc;
            ++written;
        }
        previous = c;
    }
    return sink.flush();
}

namespace {

// A Shannon-Fano tree of the implode format as a binary tree walked bit by bit.
class SfTree {
public:
    // Reads the tree's description (bytes of count/bit-length pairs) for
    // `symbols` values and builds the codes as the format prescribes.
    int read(BitReader& bits, int symbols) {
        std::uint32_t n = 0;
        if (!bits.get(8, n)) return bits.error();
        std::vector<int> lengths;
        for (std::uint32_t i = 0; i <= n; ++i) {
            std::uint32_t b = 0;
            if (!bits.get(8, b)) return bits.error();
            const int length = static_cast<int>(b & 0x0F) + 1;
            const int count = static_cast<int>(b >> 4) + 1;
            for (int k = 0; k < count; ++k) lengths.push_back(length);
            if (static_cast<int>(lengths.size()) > symbols) return kZipArchiveError;
        }
        if (static_cast<int>(lengths.size()) != symbols) return kZipArchiveError;

        std::vector<int> order(symbols);
        for (int i = 0; i < symbols; ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return lengths[a] < lengths[b]; });
        // Codes are handed out from the longest length down, left-justified in 16 bits.
        std::uint32_t code = 0, increment = 0;
        int lastLength = 0;
        nodes_.assign(1, Node{});
        for (int i = symbols - 1; i >= 0; --i) {
            const int symbol = order[i];
            code += increment;
            if (lengths[symbol] != lastLength) {
                lastLength = lengths[symbol];
                increment = 1u << (16 - lastLength);
            }
            if (code > 0xFFFF) return kZipArchiveError;
            if (const int rc = insert(code >> (16 - lastLength), lastLength, symbol); rc != 0) return rc;
        }
        return 0;
    }

    // Decodes one symbol; the first bit read is the code's most significant.
    bool decode(BitReader& bits, int& symbol, int& error) const {
        int node = 0;
        for (;;) {
            std::uint32_t bit = 0;
            if (!bits.get(1, bit)) {
                error = bits.error();
                return false;
            }
            const int child = nodes_[node].child[bit];
            if (child < 0) {
                error = kZipArchiveError;
                return false;
            }
            if (nodes_[child].symbol >= 0) {
                symbol = nodes_[child].symbol;
                return true;
            }
            node = child;
        }
    }

private:
    struct Node {
        int child[2] = {-1, -1};
        int symbol = -1;
    };

    int insert(std::uint32_t code, int length, int symbol) {
        int node = 0;
        for (int i = length - 1; i >= 0; --i) {
            if (nodes_[node].symbol >= 0) return kZipArchiveError;  // a shorter code is a prefix
            const int bit = static_cast<int>((code >> i) & 1u);
            int child = nodes_[node].child[bit];
            if (child < 0) {
                child = static_cast<int>(nodes_.size());
                nodes_[node].child[bit] = child;
                nodes_.push_back(Node{});
            }
            node = child;
        }
        if (nodes_[node].symbol >= 0 || nodes_[node].child[0] >= 0 || nodes_[node].child[1] >= 0)
            return kZipArchiveError;
        nodes_[node].symbol = symbol;
        return 0;
    }

    std::vector<Node> nodes_;
};

}  // namespace

int Explode(InputBlocks& in, OutputBytes& out, std::uint16_t flags, std::uint64_t unpackedSize) {
    const bool bigWindow = (flags & 0x02) != 0;
    const bool literalTree = (flags & 0x04) != 0;
    const int distanceLowBits = bigWindow ? 7 : 6;
    const int minimumMatch = literalTree ? 3 : 2;

    BitReader bits(in);
    SfTree literals, lengths, distances;
    if (literalTree) {
        if (const int rc = literals.read(bits, 256); rc != 0) return rc;
    }
    if (const int rc = lengths.read(bits, 64); rc != 0) return rc;
    if (const int rc = distances.read(bits, 64); rc != 0) return rc;

    constexpr std::size_t kWindow = 16384;  // covers the largest distance, 8192
    std::vector<std::uint8_t> window(kWindow, 0);
    Collector sink(out);
    std::uint64_t written = 0;
    const auto emit = [&](std::uint8_t b) {
        window[written % kWindow] = b;
        ++written;
        return sink.push(b);
    };
    while (written < unpackedSize) {
        std::uint32_t flag = 0;
        if (!bits.get(1, flag)) return bits.error();
        int error = 0;
        if (flag) {
            int literal = 0;
            if (literalTree) {
                if (!literals.decode(bits, literal, error)) return error;
            } else {
                std::uint32_t raw = 0;
                if (!bits.get(8, raw)) return bits.error();
                literal = static_cast<int>(raw);
            }
            if (const int rc = emit(static_cast<std::uint8_t>(literal)); rc != 0) return rc;
            continue;
        }
        std::uint32_t low = 0;
        if (!bits.get(distanceLowBits, low)) return bits.error();
        int high = 0, length = 0;
        if (!distances.decode(bits, high, error)) return error;
        if (!lengths.decode(bits, length, error)) return error;
        if (length == 63) {
            std::uint32_t extra = 0;
            if (!bits.get(8, extra)) return bits.error();
            length += static_cast<int>(extra);
        }
        length += minimumMatch;
        const std::uint64_t distance = ((static_cast<std::uint64_t>(high) << distanceLowBits) | low) + 1;
        for (int i = 0; i < length && written < unpackedSize; ++i) {
            // Bytes before the start of the data count as zeros.
            const std::uint8_t b = written >= distance ? window[(written - distance) % kWindow] : 0;
            if (const int rc = emit(b); rc != 0) return rc;
        }
    }
    return sink.flush();
}

}  // namespace tv::zip
