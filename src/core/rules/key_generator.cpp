#include "core/rules/key_generator.h"

#include <cstdint>

#include "core/rules/md5.h"

namespace tern::rules {

namespace {

constexpr int kDigestHexDigits = 32;
constexpr int kKey128HexDigits = 26;
constexpr int kKey64Bytes = 5;
constexpr std::uint32_t kLcgMultiplier = 0x343FD;  // 214013
constexpr std::uint32_t kLcgIncrement = 0x269EC3;  // 2531011

QByteArray WithSuffix(QByteArrayView passphrase, int suffix) {
    QByteArray text = passphrase.toByteArray();
    if (suffix > 0) text.append(static_cast<char>(suffix));
    return text;
}

// The padded, upper-cased digest of passphrase + suffix, cut to `digits`.
QByteArray DigestDigits(QByteArrayView passphrase, int suffix, int digits) {
    return UpperCaseAscii(
        PadLeftZeros(PassphraseDigest(WithSuffix(passphrase, suffix)), kDigestHexDigits)
            .left(digits));
}

}  // namespace

std::optional<GeneratedKeys> GenerateKeys64(QByteArrayView passphrase) {
    if (passphrase.isEmpty()) return std::nullopt;

    std::array<std::uint8_t, 4> seed{};
    for (qsizetype i = 0; i < passphrase.size(); ++i) {
        seed[static_cast<std::size_t>(i % 4)] ^= static_cast<std::uint8_t>(passphrase[i]);
    }
    std::uint32_t x =
        static_cast<std::uint32_t>(seed[0]) | (static_cast<std::uint32_t>(seed[1]) << 8) |
        (static_cast<std::uint32_t>(seed[2]) << 16) | (static_cast<std::uint32_t>(seed[3]) << 24);

    GeneratedKeys keys;
    for (QByteArray& key : keys) {
        QByteArray raw(kKey64Bytes, '\0');
        for (int b = 0; b < kKey64Bytes; ++b) {
            x = x * kLcgMultiplier + kLcgIncrement;  // wraps modulo 2^32
            raw[b] = static_cast<char>((x >> 16) & 0xFF);
        }
        key = raw.toHex().toUpper();
    }
    return keys;
}

std::optional<GeneratedKeys> GenerateKeys128(QByteArrayView passphrase) {
    if (passphrase.isEmpty()) return std::nullopt;
    GeneratedKeys keys;
    for (int k = 0; k < 4; ++k) keys[k] = DigestDigits(passphrase, k, kKey128HexDigits);
    return keys;
}

std::optional<GeneratedKeys> GenerateKeys256(QByteArrayView passphrase) {
    if (passphrase.isEmpty()) return std::nullopt;
    GeneratedKeys keys;
    for (int k = 0; k < 4; ++k) {
        keys[k] = DigestDigits(passphrase, 2 * k, kDigestHexDigits) +
                  DigestDigits(passphrase, 2 * k + 1, kKey128HexDigits);
    }
    return keys;
}

QByteArray PassphraseDigest(QByteArrayView text) {
    if (text.isEmpty()) return QByteArray();
    std::array<std::uint8_t, 64> block{};
    for (qsizetype i = 0; i < static_cast<qsizetype>(block.size()); ++i) {
        block[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(text[i % text.size()]);
    }
    Md5Context context;
    MD5Init(context);
    MD5Update(context, block.data(), block.size());
    Md5Digest digest{};
    MD5Final(context, digest);
    return DigestToHex(digest);
}

QByteArray PadLeftZeros(QByteArray text, int n) {
    if (text.size() < n) text.prepend(QByteArray(n - text.size(), '0'));
    return text;
}

QByteArray UpperCaseAscii(QByteArray text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

}  // namespace tern::rules
