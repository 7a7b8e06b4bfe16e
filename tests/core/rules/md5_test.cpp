#include "core/rules/md5.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>

// Failure messages show byte texts as text rather than as character lists.
inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '"' << bytes.toStdString() << '"';
}

namespace tern::rules {
namespace {

struct Vector {
    const char* input;
    const char* digest;
};

// The test suite of RFC 1321.
const Vector kRfcVectors[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
     "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"1234567890123456789012345678901234567890"
     "1234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
};

QByteArray HexOf(const std::uint8_t* data, std::size_t size, std::size_t split) {
    Md5Context context;
    MD5Init(context);
    MD5Update(context, data, split);
    MD5Update(context, data + split, size - split);
    Md5Digest digest{};
    MD5Final(context, digest);
    return DigestToHex(digest);
}

TEST(Md5, rfcVectors_oneShot) {
    for (const Vector& v : kRfcVectors) {
        SCOPED_TRACE(v.input);
        EXPECT_EQ(DigestToHex(Md5Of(QByteArrayView(v.input))), v.digest);
    }
}

TEST(Md5, rfcVectors_everySplitOfTheUpdates) {
    for (const Vector& v : kRfcVectors) {
        const auto* data = reinterpret_cast<const std::uint8_t*>(v.input);
        const std::size_t size = std::strlen(v.input);
        for (std::size_t split = 0; split <= size; ++split) {
            ASSERT_EQ(HexOf(data, size, split), v.digest) << v.input << " split " << split;
        }
    }
}

TEST(Md5, byteByByteUpdates_matchOneShot) {
    const char* text = kRfcVectors[6].input;
    Md5Context context;
    MD5Init(context);
    for (const char* p = text; *p; ++p) {
        MD5Update(context, reinterpret_cast<const std::uint8_t*>(p), 1);
    }
    MD5Update(context, nullptr, 0);
    Md5Digest digest{};
    MD5Final(context, digest);
    EXPECT_EQ(DigestToHex(digest), kRfcVectors[6].digest);
}

TEST(Md5, blockBoundaryInputs) {
    // 64 bytes: one data block plus a whole padding block. 55 and 56 bytes sit
    // either side of the point where the length no longer fits the block.
    EXPECT_EQ(DigestToHex(Md5Of(QByteArray(64, 'a'))), "014842d480b571495a4a0363793f7367");
    EXPECT_EQ(DigestToHex(Md5Of(QByteArray(55, 'a'))), "ef1772b6dff9a122358552954ad0df65");
    EXPECT_EQ(DigestToHex(Md5Of(QByteArray(56, 'a'))), "3b0c8ac703f828b04c6c197006d17218");
}

TEST(Md5, digestToHex_keepsLeadingZerosInLowerCase) {
    Md5Digest digest{};
    digest[0] = 0x0A;
    digest[15] = 0xF0;
    EXPECT_EQ(DigestToHex(digest), "0a0000000000000000000000000000f0");
    EXPECT_EQ(DigestToHex(Md5Of("144")), "0a09c8844ba8f0936c20bd791130d6b6");
    EXPECT_EQ(DigestToHex(Md5Of("168")), "006f52e9102a8d3be2fe5614f42ba989");
}

TEST(Md5, final_leavesOnlyZeroBytesInTheContext) {
    Md5Context context;
    MD5Init(context);
    const QByteArray text("secret passphrase, repeated to fill more than a block........");
    MD5Update(context, reinterpret_cast<const std::uint8_t*>(text.data()),
              static_cast<std::size_t>(text.size()));
    Md5Digest digest{};
    MD5Final(context, digest);
    unsigned char raw[sizeof(Md5Context)];
    std::memcpy(raw, &context, sizeof raw);
    for (unsigned char b : raw) ASSERT_EQ(b, 0);
}

}  // namespace
}  // namespace tern::rules
