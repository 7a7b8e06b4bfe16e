#include "core/rules/key_generator.h"

#include <gtest/gtest.h>

#include <ostream>

#include "core/rules/md5.h"

// Failure messages show byte texts as text rather than as character lists.
inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '"' << bytes.toStdString() << '"';
}

namespace tern::rules {
namespace {

bool IsUpperHex(const QByteArray& text) {
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    }
    return true;
}

TEST(KeyGenerator, emptyPassphrase_makesNoKeys) {
    EXPECT_FALSE(GenerateKeys64("").has_value());
    EXPECT_FALSE(GenerateKeys128("").has_value());
    EXPECT_FALSE(GenerateKeys256("").has_value());
    EXPECT_TRUE(PassphraseDigest("").isEmpty());
}

TEST(KeyGenerator, keys64_oneCharSeedsTheSequenceWithItsByte) {
    for (unsigned c : {0x41u, 0x7Au, 0xE9u}) {
        const char ch = static_cast<char>(c);
        const auto keys = GenerateKeys64(QByteArrayView(&ch, 1));
        ASSERT_TRUE(keys.has_value());
        const std::uint32_t x = c * 214013u + 2531011u;
        const QByteArray first =
            QByteArray(1, static_cast<char>((x >> 16) & 0xFF)).toHex().toUpper();
        EXPECT_EQ((*keys)[0].left(2), first) << c;
    }
}

TEST(KeyGenerator, keys64_knownKeys) {
    const auto keys = GenerateKeys64("Tern");
    ASSERT_TRUE(keys.has_value());
    EXPECT_EQ((*keys)[0], "B507F00DDD");
    EXPECT_EQ((*keys)[1], "E49A8938A9");
    EXPECT_EQ((*keys)[2], "0940442DC9");
    EXPECT_EQ((*keys)[3], "5F108F8AA2");

    // Bytes above 0x7F fold in as unsigned values.
    const auto high = GenerateKeys64("\xE9t\xE9");
    ASSERT_TRUE(high.has_value());
    EXPECT_EQ((*high)[0], "33377702EE");
    EXPECT_EQ((*high)[3], "423AE8102F");
}

TEST(KeyGenerator, keys128_key1IsTheRepeatedPassphraseDigest) {
    const QByteArray pass("Tern");
    const auto keys = GenerateKeys128(pass);
    ASSERT_TRUE(keys.has_value());
    const QByteArray block = pass.repeated(16);  // 64 bytes
    const QByteArray digest = DigestToHex(Md5Of(block)).toUpper();
    EXPECT_EQ((*keys)[0], digest.left(26));
    EXPECT_EQ((*keys)[0], "74BBCBEDEAA9953660FBC41EF6");
    EXPECT_EQ((*keys)[1], "BBADE3688BD099AA40FF523393");
    EXPECT_EQ((*keys)[2], "F6B7B6695B678FEF50F7E818E6");
    EXPECT_EQ((*keys)[3], "F008FDF150BEB00E2EB888C89B");
    for (const QByteArray& key : *keys) {
        EXPECT_EQ(key.size(), 26);
        EXPECT_TRUE(IsUpperHex(key)) << key.toStdString();
    }
    EXPECT_NE((*keys)[1], (*keys)[0]);
    EXPECT_NE((*keys)[2], (*keys)[0]);
    EXPECT_NE((*keys)[3], (*keys)[0]);
}

TEST(KeyGenerator, keys256_digestPairsPerKey) {
    const auto keys = GenerateKeys256("Tern");
    ASSERT_TRUE(keys.has_value());
    EXPECT_EQ((*keys)[0], "74BBCBEDEAA9953660FBC41EF6D15A78BBADE3688BD099AA40FF523393");
    EXPECT_EQ((*keys)[1], "F6B7B6695B678FEF50F7E818E613E237F008FDF150BEB00E2EB888C89B");
    EXPECT_EQ((*keys)[2], "B5F5B697BC589E3D315874D56806D6B7040EB9AEDA768585A0253A161C");
    EXPECT_EQ((*keys)[3], "975E55B0239F717A97CEE37916E001DDEFE017C9C54D340B713F33C789");
    for (const QByteArray& key : *keys) EXPECT_EQ(key.size(), 58);
}

TEST(KeyGenerator, passphraseDigest_repeatsToExactly64Bytes) {
    EXPECT_EQ(PassphraseDigest("Tern"), "74bbcbedeaa9953660fbc41ef6d15a78");

    const QByteArray p32 = QByteArray("0123456789abcdefghijklmnopqrstuv");
    ASSERT_EQ(p32.size(), 32);
    EXPECT_EQ(PassphraseDigest(p32), DigestToHex(Md5Of(p32 + p32)));

    const QByteArray p70 = QByteArray(64, 'x') + QByteArray("TAIL!!");
    EXPECT_EQ(PassphraseDigest(p70), PassphraseDigest(QByteArray(64, 'x')));
    EXPECT_EQ(PassphraseDigest(p70), DigestToHex(Md5Of(QByteArray(64, 'x'))));

    // 3 bytes do not divide 64: the last copy is cut after one byte.
    EXPECT_EQ(PassphraseDigest("abc"), DigestToHex(Md5Of(QByteArray("abc").repeated(21) + 'a')));
}

TEST(KeyGenerator, textHelpers) {
    EXPECT_EQ(PadLeftZeros("1f", 4), "001f");
    EXPECT_EQ(PadLeftZeros("", 3), "000");
    EXPECT_EQ(PadLeftZeros("abcde", 4), "abcde");
    EXPECT_EQ(PadLeftZeros("abcd", 4), "abcd");
    EXPECT_EQ(UpperCaseAscii("a1z-\xE9q"), "A1Z-\xE9Q");
}

}  // namespace
}  // namespace tern::rules
