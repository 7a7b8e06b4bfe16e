#include "core/rules/md5.h"

#include <cstring>

namespace tern::rules {

namespace {

constexpr std::array<std::uint32_t, 64> kSineTable = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

// Left-rotation amounts, four per round.
constexpr std::array<int, 16> kShifts = {7, 12, 17, 22, 5, 9, 14, 20, 4, 11, 16, 23, 6, 10, 15, 21};

constexpr std::uint32_t RotateLeft(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

void Transform(std::array<std::uint32_t, 4>& state, const std::uint8_t* block) {
    std::array<std::uint32_t, 16> x{};
    for (std::size_t i = 0; i < 16; ++i) {
        x[i] = static_cast<std::uint32_t>(block[4 * i]) |
               (static_cast<std::uint32_t>(block[4 * i + 1]) << 8) |
               (static_cast<std::uint32_t>(block[4 * i + 2]) << 16) |
               (static_cast<std::uint32_t>(block[4 * i + 3]) << 24);
    }
    std::uint32_t a = state[0];
    std::uint32_t b = state[1];
    std::uint32_t c = state[2];
    std::uint32_t d = state[3];
    for (std::size_t step = 0; step < 64; ++step) {
        const std::size_t round = step / 16;
        std::uint32_t f = 0;
        std::size_t word = 0;
        switch (round) {
            case 0:
                f = (b & c) | (~b & d);
                word = step;
                break;
            case 1:
                f = (b & d) | (c & ~d);
                word = (5 * step + 1) % 16;
                break;
            case 2:
                f = b ^ c ^ d;
                word = (3 * step + 5) % 16;
                break;
            default:
                f = c ^ (b | ~d);
                word = (7 * step) % 16;
                break;
        }
        const std::uint32_t rotated =
            RotateLeft(a + f + x[word] + kSineTable[step], kShifts[round * 4 + step % 4]);
        a = d;
        d = c;
        c = b;
        b = b + rotated;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

void StoreLittleEndian(std::uint32_t value, std::uint8_t* out) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

void MD5Init(Md5Context& context) {
    context.state = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    context.count = {0, 0};
    context.buffer.fill(0);
}

void MD5Update(Md5Context& context, const std::uint8_t* data, std::size_t count) {
    if (count == 0) return;
    std::size_t index = (context.count[0] >> 3) & 0x3F;

    const std::uint64_t bits =
        (static_cast<std::uint64_t>(context.count[1]) << 32 | context.count[0]) +
        (static_cast<std::uint64_t>(count) << 3);
    context.count[0] = static_cast<std::uint32_t>(bits);
    context.count[1] = static_cast<std::uint32_t>(bits >> 32);

    std::size_t done = 0;
    const std::size_t room = 64 - index;
    if (count >= room) {
        std::memcpy(context.buffer.data() + index, data, room);
        Transform(context.state, context.buffer.data());
        for (done = room; done + 64 <= count; done += 64) Transform(context.state, data + done);
        index = 0;
    }
    std::memcpy(context.buffer.data() + index, data + done, count - done);
}

void MD5Final(Md5Context& context, Md5Digest& digest) {
    std::array<std::uint8_t, 8> length{};
    StoreLittleEndian(context.count[0], length.data());
    StoreLittleEndian(context.count[1], length.data() + 4);

    const std::size_t index = (context.count[0] >> 3) & 0x3F;
    const std::size_t pad_length = index < 56 ? 56 - index : 120 - index;
    std::array<std::uint8_t, 64> padding{};
    padding[0] = 0x80;
    MD5Update(context, padding.data(), pad_length);
    MD5Update(context, length.data(), length.size());

    for (std::size_t i = 0; i < 4; ++i) StoreLittleEndian(context.state[i], digest.data() + 4 * i);
    context = Md5Context{};
}

QByteArray DigestToHex(const Md5Digest& digest) {
    return QByteArray(reinterpret_cast<const char*>(digest.data()),
                      static_cast<qsizetype>(digest.size()))
        .toHex();
}

Md5Digest Md5Of(QByteArrayView data) {
    Md5Context context;
    MD5Init(context);
    MD5Update(context, reinterpret_cast<const std::uint8_t*>(data.data()),
              static_cast<std::size_t>(data.size()));
    Md5Digest digest{};
    MD5Final(context, digest);
    return digest;
}

}  // namespace tern::rules
