#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <array>
#include <cstddef>
#include <cstdint>

namespace tern::rules {

// MD5 message digest (RFC 1321).
struct Md5Context {
    std::array<std::uint32_t, 4> state;
    std::array<std::uint32_t, 2> count;   // message length in bits, low word first
    std::array<std::uint8_t, 64> buffer;  // partial block
};
static_assert(sizeof(Md5Context) == 88);

using Md5Digest = std::array<std::uint8_t, 16>;

void MD5Init(Md5Context& context);
// Processes every completed 64-byte block and keeps the rest buffered.
// `data` may be null when `count` is 0.
void MD5Update(Md5Context& context, const std::uint8_t* data, std::size_t count);
// Pads, appends the length, writes the digest and then zeroes the whole
// context, so no trace of the digested text stays behind in it.
void MD5Final(Md5Context& context, Md5Digest& digest);

// 32 lower-case hexadecimal digits, leading zeros kept.
QByteArray DigestToHex(const Md5Digest& digest);

// Init, one update over `data`, final.
Md5Digest Md5Of(QByteArrayView data);

}  // namespace tern::rules
