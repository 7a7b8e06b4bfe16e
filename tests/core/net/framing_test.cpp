#include <gtest/gtest.h>

#include <vector>

#include "core/net/protocol.h"
#include "tests/core/net/wire_test_support.h"

namespace tern::net {
namespace {

using test_support::Bytes;

const RequestMarker kMarker = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};

RecordBytes PatternRecord() {
    RecordBytes record{};
    for (std::size_t i = 0; i < record.size(); ++i) {
        record[i] = static_cast<std::uint8_t>((i * 7 + 3) & 0xFF);
    }
    return record;
}

TEST(SearchRequest, seventeenBytes_textThenMarker) {
    const QByteArray request = BuildSearchRequest(kMarker);
    EXPECT_EQ(request, QByteArrayLiteral("kplsearch") +
                           Bytes({0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}));
    EXPECT_EQ(request.size(), 17);
    // Zero and high bytes of a marker are carried as they are.
    EXPECT_EQ(BuildSearchRequest({0, 0xFE, 0, 1, 2, 3, 4, 0}).mid(9),
              Bytes({0, 0xFE, 0, 1, 2, 3, 4, 0}));
}

TEST(SetRequest, layout_tagMarkerLengthThenEncipheredWireRecord) {
    const RecordBytes record = PatternRecord();
    const QByteArray request = BuildSetRequest(kMarker, DeriveLinkKey(kMarker), record);
    ASSERT_EQ(request.size(), 1164);
    EXPECT_EQ(request.first(6), QByteArrayLiteral("kplset"));
    EXPECT_EQ(request.mid(6, 8), Bytes({0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}));
    EXPECT_EQ(request.mid(14, 2), Bytes({0x04, 0x7C}));

    // Deciphering gives the record in wire order.
    const QByteArray deciphered = CipherRun(DeriveLinkKey(kMarker), request.mid(16));
    const RecordBytes wire = SwapRecordOrder(record);
    EXPECT_EQ(deciphered, QByteArray(reinterpret_cast<const char*>(wire.data()), 1148));
    EXPECT_NE(deciphered, QByteArray(reinterpret_cast<const char*>(record.data()), 1148));
}

TEST(SetRequest, ciphertextMatchesIndependentlyComputedBytes) {
    // RC4 under the key of kMarker over the pattern record with its number
    // fields reversed, computed outside this code; bytes 68..79 of the
    // record hold two reversed 32-bit fields.
    const QByteArray expected =
        Bytes({0x18, 0xC0, 0xDD, 0x98, 0x25, 0xE7, 0x46, 0xAF, 0x26, 0x87, 0xB6, 0xED, 0xE1, 0x40,
               0x05, 0x70, 0xE2, 0x3A, 0xF5, 0x09, 0x1E, 0x2B, 0xFC, 0xE5, 0x5A, 0xD8, 0x0F, 0xBC,
               0x04, 0x07, 0x8E, 0xCE, 0xEC, 0xFA, 0x5C, 0x35, 0x37, 0xFD, 0xCE, 0xAC, 0xC4, 0x98,
               0x8A, 0xDE, 0x55, 0x8C, 0xAD, 0xD8, 0x83, 0x28, 0x39, 0x56, 0x14, 0x37, 0x83, 0x10,
               0x1B, 0xE6, 0xAC, 0x79, 0x7B, 0xC4, 0x2B, 0x34, 0xDA, 0x10, 0x50, 0xA5, 0xA8, 0xBB,
               0xAB, 0x6A, 0x1E, 0xF7, 0x1C, 0x50, 0x80, 0x00, 0x83, 0x27});
    const QByteArray request = BuildSetRequest(kMarker, DeriveLinkKey(kMarker), PatternRecord());
    EXPECT_EQ(request.mid(16, 80).toHex(' '), expected.toHex(' '));
}

// The offsets whose bytes are reversed between host and wire order.
std::vector<std::size_t> ExpectedSource() {
    std::vector<std::size_t> source(kRecordSize);
    for (std::size_t i = 0; i < kRecordSize; ++i) {
        source[i] = i;
    }
    for (std::size_t o : {68, 72, 132, 140, 144, 456, 540, 544, 548, 552, 556, 624}) {
        for (std::size_t k = 0; k < 4; ++k) {
            source[o + k] = o + 3 - k;
        }
    }
    for (std::size_t o :
         {130, 464, 504, 830, 1074, 1076, 1078, 1080, 1084, 1086, 1092, 1112, 1114, 1116, 1118}) {
        source[o] = o + 1;
        source[o + 1] = o;
    }
    return source;
}

TEST(SwapRecordOrder, movesExactlyTheNumberFieldBytes) {
    // Two fills together name every one of the 1148 positions.
    RecordBytes low{};
    RecordBytes high{};
    for (std::size_t i = 0; i < kRecordSize; ++i) {
        low[i] = static_cast<std::uint8_t>(i & 0xFF);
        high[i] = static_cast<std::uint8_t>(i >> 8);
    }
    const RecordBytes swappedLow = SwapRecordOrder(low);
    const RecordBytes swappedHigh = SwapRecordOrder(high);
    const std::vector<std::size_t> expected = ExpectedSource();
    int moved = 0;
    for (std::size_t i = 0; i < kRecordSize; ++i) {
        const std::size_t from = swappedLow[i] + 256u * swappedHigh[i];
        EXPECT_EQ(from, expected[i]) << "record offset " << i;
        moved += from != i ? 1 : 0;
    }
    EXPECT_EQ(moved, 12 * 4 + 15 * 2);
    EXPECT_EQ(swappedLow[1120], low[1120]);
    EXPECT_EQ(swappedLow[1121], low[1121]);
}

TEST(SwapRecordOrder, reversesValues_andTwiceIsIdentity) {
    RecordBytes record = PatternRecord();
    record[624] = 0x01;
    record[625] = 0x02;
    record[626] = 0x03;
    record[627] = 0x04;
    record[1118] = 0xAB;
    record[1119] = 0xCD;
    record[1120] = 0x12;
    record[1121] = 0x34;
    const RecordBytes once = SwapRecordOrder(record);
    EXPECT_EQ((std::vector<int>{once[624], once[625], once[626], once[627]}),
              (std::vector<int>{0x04, 0x03, 0x02, 0x01}));
    EXPECT_EQ(once[1118], 0xCD);
    EXPECT_EQ(once[1119], 0xAB);
    EXPECT_EQ(once[1120], 0x12);
    EXPECT_EQ(once[1121], 0x34);
    EXPECT_EQ(SwapRecordOrder(once), record);
}

}  // namespace
}  // namespace tern::net
