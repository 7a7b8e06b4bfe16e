#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <array>
#include <optional>

namespace tern::rules {

// Four WEP keys as upper-case hexadecimal text, key 1 first.
using GeneratedKeys = std::array<QByteArray, 4>;

// The generators make no keys from an empty passphrase: the result is
// nullopt and the caller leaves the key fields as they are.

// Four 5-byte keys, 10 hexadecimal digits each, from one linear congruential
// sequence seeded by folding the passphrase into four bytes.
std::optional<GeneratedKeys> GenerateKeys64(QByteArrayView passphrase);
// Four 13-byte keys, 26 digits each: key k digests the passphrase followed by
// the byte k - 1 (key 1 takes the passphrase alone).
std::optional<GeneratedKeys> GenerateKeys128(QByteArrayView passphrase);
// Four 29-byte keys, 58 digits each: a whole digest of one suffixed
// passphrase followed by 13 bytes of the digest of the next suffix (key 1:
// none and 1, key 2: 2 and 3, key 3: 4 and 5, key 4: 6 and 7).
std::optional<GeneratedKeys> GenerateKeys256(QByteArrayView passphrase);

// MD5 of the text repeated and cut to exactly 64 bytes, as 32 lower-case
// hexadecimal digits. An empty text has nothing to repeat: the result is
// empty.
QByteArray PassphraseDigest(QByteArrayView text);

// "0" characters put in front until the text has n characters; a text of n
// characters or more comes back unchanged.
QByteArray PadLeftZeros(QByteArray text, int n);

// "a".."z" become "A".."Z"; every other byte is left as it is.
QByteArray UpperCaseAscii(QByteArray text);

}  // namespace tern::rules
