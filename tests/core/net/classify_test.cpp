#include <gtest/gtest.h>

#include "core/net/protocol.h"
#include "tests/core/net/wire_test_support.h"

namespace tern::net {
namespace {

using test_support::Bytes;
using test_support::DiscoveryPayload;
using test_support::Encipher;

constexpr test_support::Mac kMac = {0x00, 0x1A, 0x2B, 0xC3, 0xD4, 0xFF};
const RequestMarker kMarker = {0x31, 0x42, 0x53, 0x64, 0x75, 0x86, 0x97, 0xA8};

class Classify : public ::testing::Test {
  protected:
    Classify() { link.SetMarker(kMarker); }
    ClassifiedDatagram Of(const QByteArray& datagram) const {
        return ClassifyDatagram(datagram, link);
    }
    DatagramKind KindOf(const QByteArray& datagram) const { return Of(datagram).kind; }
    QByteArray Enciphered(const QByteArray& payload) const {
        return Encipher(link.request_marker(), payload);
    }
    LinkState link;
};

TEST_F(Classify, ownEchoes_plainAndEnciphered) {
    EXPECT_EQ(KindOf(BuildSearchRequest(kMarker)), DatagramKind::OwnSearchEcho);
    EXPECT_EQ(KindOf(BuildSetRequest(kMarker, link.link_key(), RecordBytes{})),
              DatagramKind::OwnSetEcho);
    EXPECT_FALSE(Of(BuildSearchRequest(kMarker)).enciphered);

    const ClassifiedDatagram search = Of(Enciphered(QByteArrayLiteral("kplsearch")));
    EXPECT_EQ(search.kind, DatagramKind::OwnSearchEcho);
    EXPECT_TRUE(search.enciphered);
    EXPECT_EQ(KindOf(Enciphered(QByteArrayLiteral("kplset"))), DatagramKind::OwnSetEcho);
}

TEST_F(Classify, discoveryReply_encipheredAndPlain) {
    const QByteArray payload = DiscoveryPayload(kMac);
    const ClassifiedDatagram enciphered = Of(Enciphered(payload));
    EXPECT_EQ(enciphered.kind, DatagramKind::DiscoveryReply);
    EXPECT_TRUE(enciphered.enciphered);
    EXPECT_EQ(enciphered.payload, payload);

    const ClassifiedDatagram plain = Of(payload);
    EXPECT_EQ(plain.kind, DatagramKind::DiscoveryReply);
    EXPECT_FALSE(plain.enciphered);
    EXPECT_EQ(plain.payload, payload);
}

TEST_F(Classify, discoveryRecord_convertsWireToHostOrder) {
    const ClassifiedDatagram reply = Of(Enciphered(DiscoveryPayload(kMac)));
    ASSERT_EQ(reply.kind, DatagramKind::DiscoveryReply);
    const RecordBytes record = DiscoveryRecord(reply);
    const RecordBytes wire = test_support::WireRecord(kMac);
    EXPECT_EQ(record, SwapRecordOrder(wire));
    // Big-endian 0x12345678 on the wire, little-endian in memory.
    EXPECT_EQ(record[68], 0x78);
    EXPECT_EQ(record[69], 0x56);
    EXPECT_EQ(record[70], 0x34);
    EXPECT_EQ(record[71], 0x12);
    EXPECT_TRUE(std::equal(kMac.begin(), kMac.end(), record.begin() + 1130));
}

TEST_F(Classify, discoveryReply_needsSuffixAndNoZeroInIdentifier) {
    QByteArray payload = DiscoveryPayload(kMac);
    payload[20] = 'x';
    EXPECT_EQ(KindOf(payload), DatagramKind::Other);
    EXPECT_EQ(KindOf(Enciphered(payload)), DatagramKind::Other);

    for (int zeroAt : {6, 10, 15}) {
        QByteArray withZero = DiscoveryPayload(kMac);
        withZero[zeroAt] = '\0';
        EXPECT_EQ(KindOf(withZero), DatagramKind::Other) << zeroAt;
        EXPECT_EQ(KindOf(Enciphered(withZero)), DatagramKind::Other) << zeroAt;
    }
    // Zeros past the identifier (header bytes 24..31, the record) are fine.
    QByteArray zeroHeader = DiscoveryPayload(kMac);
    zeroHeader.replace(24, 8, QByteArray(8, '\0'));
    EXPECT_EQ(KindOf(zeroHeader), DatagramKind::DiscoveryReply);

    QByteArray otherModel = DiscoveryPayload(kMac);
    otherModel[5] = '1';
    EXPECT_EQ(KindOf(otherModel), DatagramKind::Other);
}

TEST_F(Classify, discoveryReply_shortIsRejected_longIsCut) {
    const QByteArray payload = DiscoveryPayload(kMac);
    EXPECT_EQ(KindOf(payload.first(1179)), DatagramKind::Other);
    EXPECT_EQ(KindOf(Enciphered(payload.first(1179))), DatagramKind::Other);
    EXPECT_EQ(KindOf(payload.first(24)), DatagramKind::Other);

    const QByteArray longer = payload + QByteArray(100, '\x5A');
    for (const QByteArray& datagram : {longer, Enciphered(longer)}) {
        const ClassifiedDatagram c = Of(datagram);
        EXPECT_EQ(c.kind, DatagramKind::DiscoveryReply);
        EXPECT_EQ(c.payload, payload);
    }
}

TEST_F(Classify, oldFirmware_onlyBelow1164DatagramBytes) {
    const char* oldId = "MX9000AP-QA1-Z00";
    const QByteArray full = DiscoveryPayload(kMac, oldId);
    EXPECT_EQ(KindOf(QByteArrayLiteral("MX9000AP-QA1-Z00     -01")),
              DatagramKind::OldFirmwareReply);
    EXPECT_EQ(KindOf(full.first(1163)), DatagramKind::OldFirmwareReply);
    // Plain, 1164 bytes and more: classified by its tag, and a short
    // discovery reply is rejected.
    EXPECT_EQ(KindOf(full.first(1164)), DatagramKind::Other);
    EXPECT_EQ(KindOf(full), DatagramKind::DiscoveryReply);

    // The datagram's length counts, not the payload's: an enciphered
    // datagram of 1164 bytes carries only 1154 payload bytes.
    EXPECT_EQ(KindOf(Enciphered(full.first(1153))), DatagramKind::OldFirmwareReply);
    EXPECT_EQ(KindOf(Enciphered(full.first(1154))), DatagramKind::Other);
    EXPECT_EQ(KindOf(Enciphered(full)), DatagramKind::DiscoveryReply);

    EXPECT_EQ(KindOf(QByteArrayLiteral("MX9000AP-QA1-Z00     -0")), DatagramKind::Other);
}

TEST_F(Classify, errorReply_carriesMacAt7) {
    const QByteArray reply =
        QByteArrayLiteral("kplerr") + Bytes({0x01, 0x00, 0x1A, 0x2B, 0xC3, 0xD4, 0xFF, 0x77});
    for (const QByteArray& datagram : {reply, Enciphered(reply)}) {
        const ClassifiedDatagram c = Of(datagram);
        EXPECT_EQ(c.kind, DatagramKind::ErrorReply);
        EXPECT_EQ(ErrorReplyMac(c), kMac);
    }
    const ClassifiedDatagram shortReply = Of(QByteArrayLiteral("kplerr") + Bytes({0x01, 0xAA}));
    EXPECT_EQ(shortReply.kind, DatagramKind::ErrorReply);
    EXPECT_EQ(ErrorReplyMac(shortReply), (test_support::Mac{0xAA, 0, 0, 0, 0, 0}));
    EXPECT_EQ(KindOf(QByteArrayLiteral("kplerr")), DatagramKind::ErrorReply);
}

TEST_F(Classify, acknowledgement_plainAndEnciphered) {
    EXPECT_EQ(KindOf(QByteArrayLiteral("kplack")), DatagramKind::Acknowledgement);
    EXPECT_EQ(KindOf(Enciphered(QByteArrayLiteral("kplack\x01\x02"))),
              DatagramKind::Acknowledgement);
}

TEST_F(Classify, other_shortUnknownOrIncomplete) {
    for (const QByteArray& datagram :
         {QByteArray(), QByteArrayLiteral("k"), QByteArrayLiteral("kplac"),
          QByteArrayLiteral("KPLACK"), QByteArrayLiteral("MX9000"),
          QByteArrayLiteral("MX9000AP-QB2-Z01     -0"), QByteArrayLiteral("hello, world"),
          Enciphered(QByteArray()), Enciphered(QByteArrayLiteral("kplac"))}) {
        EXPECT_EQ(KindOf(datagram), DatagramKind::Other) << datagram.toHex(' ').toStdString();
    }
    // A datagram that is only the marker, or the marker and two bytes,
    // deciphers to nothing.
    const QByteArray markerOnly(reinterpret_cast<const char*>(kMarker.data()), 8);
    EXPECT_EQ(KindOf(markerOnly), DatagramKind::Other);
    EXPECT_TRUE(Of(markerOnly).enciphered);
    EXPECT_TRUE(Of(markerOnly + Bytes({4, 0x9C})).payload.isEmpty());
}

TEST_F(Classify, replyUnderOlderMarker_isOther) {
    const QByteArray reply = Enciphered(DiscoveryPayload(kMac));
    link.SetMarker({0x31, 0x42, 0x53, 0x64, 0x75, 0x86, 0x97, 0xA9});
    const ClassifiedDatagram c = Of(reply);
    EXPECT_EQ(c.kind, DatagramKind::Other);
    EXPECT_FALSE(c.enciphered);
    EXPECT_EQ(c.payload, reply);
}

TEST_F(Classify, plain_neverDeciphers_evenWhatStartsLikeAMarker) {
    // A datagram that begins with zero bytes or with 255s is still read
    // as it came: no marker is taken to match.
    const QByteArray ack = QByteArrayLiteral("kplack") + Bytes({0, 1, 2, 3, 4, 5, 6});
    EXPECT_EQ(ClassifyPlainDatagram(ack).kind, DatagramKind::Acknowledgement);
    const QByteArray reply = Enciphered(DiscoveryPayload(kMac));
    const ClassifiedDatagram c = ClassifyPlainDatagram(reply);
    EXPECT_EQ(c.kind, DatagramKind::Other);
    EXPECT_FALSE(c.enciphered);
    EXPECT_EQ(c.payload, reply);
    EXPECT_FALSE(ClassifyPlainDatagram(QByteArray(12, '\0')).enciphered);
    EXPECT_FALSE(ClassifyPlainDatagram(QByteArray(12, '\xFF')).enciphered);
    EXPECT_EQ(ClassifyPlainDatagram(DiscoveryPayload(kMac)).kind, DatagramKind::DiscoveryReply);
}

TEST_F(Classify, markerComparedAsText_uptoItsFirstZero) {
    link.SetMarker({'A', 'B', 0, 0x99, 0x98, 0x97, 0x96, 0x95});
    const QByteArray payload = DiscoveryPayload(kMac);
    QByteArray reply = Enciphered(payload);
    EXPECT_EQ(KindOf(reply), DatagramKind::DiscoveryReply);
    // Bytes after the marker's zero do not take part.
    reply.replace(3, 7, Bytes({1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(Of(reply).payload, payload);

    EXPECT_TRUE(Of(QByteArrayLiteral("AB")).enciphered);
    EXPECT_FALSE(Of(QByteArrayLiteral("A")).enciphered);
    EXPECT_FALSE(Of(QByteArrayLiteral("ABC") + QByteArray(20, '\0')).enciphered);
    EXPECT_TRUE(Of(QByteArrayLiteral("AB") + QByteArray(20, '\0')).enciphered);
}

TEST_F(Classify, markerWithoutZero_comparesEightBytesOnly) {
    QByteArray reply = Enciphered(DiscoveryPayload(kMac));
    reply[8] = 'Z';
    reply[9] = 'Z';
    EXPECT_EQ(KindOf(reply), DatagramKind::DiscoveryReply);
    const QByteArray shorter(reinterpret_cast<const char*>(kMarker.data()), 7);
    EXPECT_FALSE(Of(shorter).enciphered);
    QByteArray earlyZero = reply;
    earlyZero[7] = '\0';
    EXPECT_FALSE(Of(earlyZero).enciphered);
}

TEST_F(Classify, markerStartingWithZero_takesEveryZeroLedDatagramAsEnciphered) {
    link.SetMarker({0, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70});
    EXPECT_EQ(KindOf(Enciphered(DiscoveryPayload(kMac))), DatagramKind::DiscoveryReply);

    QByteArray foreign = Enciphered(QByteArrayLiteral("kplack"));
    foreign.replace(1, 9, Bytes({0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
    EXPECT_TRUE(Of(foreign).enciphered);
    EXPECT_EQ(KindOf(foreign), DatagramKind::Acknowledgement);

    const QByteArray zeroLed = QByteArray(1, '\0') + QByteArrayLiteral("kplack");
    EXPECT_TRUE(Of(zeroLed).enciphered);
    EXPECT_EQ(KindOf(zeroLed), DatagramKind::Other);
    // Nothing to compare: an empty datagram deciphers to an empty payload.
    EXPECT_EQ(KindOf(QByteArray()), DatagramKind::Other);
    EXPECT_EQ(ClassifyDatagram(QByteArrayView(), link).kind, DatagramKind::Other);
    EXPECT_EQ(KindOf(QByteArray(1, '\0')), DatagramKind::Other);
    // Not led by zero: plain.
    EXPECT_EQ(KindOf(QByteArrayLiteral("kplack")), DatagramKind::Acknowledgement);
    EXPECT_FALSE(Of(QByteArrayLiteral("kplack")).enciphered);
}

TEST(DatagramKindName, namesEveryKind) {
    EXPECT_STREQ(DatagramKindName(DatagramKind::DiscoveryReply), "discovery reply");
    EXPECT_STREQ(DatagramKindName(DatagramKind::Other), "other");
    EXPECT_STREQ(DatagramKindName(DatagramKind::OldFirmwareReply), "old-firmware reply");
}

}  // namespace
}  // namespace tern::net
