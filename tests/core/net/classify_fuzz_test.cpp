#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/net/protocol.h"
#include "tests/core/net/wire_test_support.h"

namespace tern::net {
namespace {

using test_support::DiscoveryPayload;
using test_support::Encipher;

constexpr test_support::Mac kMac = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55};

bool IsKnownKind(DatagramKind kind) {
    switch (kind) {
        case DatagramKind::OwnSearchEcho:
        case DatagramKind::OwnSetEcho:
        case DatagramKind::OldFirmwareReply:
        case DatagramKind::DiscoveryReply:
        case DatagramKind::ErrorReply:
        case DatagramKind::Acknowledgement:
        case DatagramKind::Other:
            return true;
    }
    return false;
}

// Classifies and checks what must hold for any input; also reads the
// parts a receiver would read.
DatagramKind CheckedClassify(const QByteArray& datagram, const LinkState& link) {
    const ClassifiedDatagram c = ClassifyDatagram(datagram, link);
    EXPECT_TRUE(IsKnownKind(c.kind));
    EXPECT_EQ(c.enciphered, StartsWithMarker(datagram, link.request_marker()));
    if (c.kind == DatagramKind::DiscoveryReply) {
        EXPECT_EQ(c.payload.size(), 1180);
    } else if (c.enciphered) {
        EXPECT_EQ(c.payload.size(), std::max<qsizetype>(0, datagram.size() - 10));
    } else {
        EXPECT_EQ(c.payload, datagram);
    }
    if (c.kind == DatagramKind::OldFirmwareReply) {
        EXPECT_LT(datagram.size(), 1164);
    }
    (void)DiscoveryRecord(c);
    (void)ErrorReplyMac(c);
    return c.kind;
}

RequestMarker RandomMarker(std::mt19937& random) {
    RequestMarker marker = DrawRequestMarker(random);
    // Zero bytes in a marker shorten its text; make them common.
    for (auto& b : marker) {
        if (random() % 6 == 0) {
            b = 0;
        }
    }
    return marker;
}

QByteArray RandomBytes(std::mt19937& random, qsizetype length) {
    QByteArray bytes(length, Qt::Uninitialized);
    for (auto& b : bytes) {
        b = static_cast<char>(random() & 0xFF);
    }
    return bytes;
}

TEST(ClassifyFuzz, randomDatagrams_neverCrashAndKeepInvariants) {
    std::mt19937 random(20240611);
    LinkState link;
    const QByteArray prefixes[] = {
        QByteArrayLiteral("kplsea"), QByteArrayLiteral("kplset"),
        QByteArrayLiteral("kplerr"), QByteArrayLiteral("kplack"),
        QByteArrayLiteral("MX9000"), QByteArrayLiteral("MX9000AP-QA1-Z00     -01")};
    for (int n = 0; n < 40'000; ++n) {
        if (n % 500 == 0) {
            link.SetMarker(RandomMarker(random));
        }
        const qsizetype length = n % 1000 == 999 ? 65507 : static_cast<qsizetype>(random() % 2001);
        QByteArray datagram = RandomBytes(random, length);
        switch (random() % 4) {
            case 0:  // led by the marker, so the body is deciphered
                datagram.replace(0, std::min<qsizetype>(8, datagram.size()),
                                 QByteArrayView(link.request_marker().data(), 8)
                                     .first(std::min<qsizetype>(8, datagram.size())));
                break;
            case 1: {  // led by a known tag or identifier
                const QByteArray& prefix = prefixes[random() % std::size(prefixes)];
                datagram.replace(0, std::min(prefix.size(), datagram.size()), prefix);
                break;
            }
            default:
                break;
        }
        CheckedClassify(datagram, link);
        if (::testing::Test::HasFailure()) {
            FAIL() << "datagram " << n << " length " << datagram.size();
        }
    }
}

TEST(ClassifyFuzz, everyTruncationOfAnEncipheredReply) {
    std::mt19937 random(7);
    LinkState link;
    for (int round = 0; round < 6; ++round) {
        link.SetMarker(round == 0 ? RequestMarker{0x31, 0x42, 0x53, 0x64, 0x75, 0x86, 0x97, 0xA8}
                                  : RandomMarker(random));
        const RequestMarker& marker = link.request_marker();
        const QByteArray current = Encipher(marker, DiscoveryPayload(kMac));
        const QByteArray old = Encipher(marker, DiscoveryPayload(kMac, "MX9000AP-QA1-Z00"));
        ASSERT_EQ(current.size(), 1190);
        for (qsizetype length = 0; length <= current.size(); ++length) {
            const DatagramKind kind = CheckedClassify(current.first(length), link);
            EXPECT_EQ(kind, length == 1190 ? DatagramKind::DiscoveryReply : DatagramKind::Other)
                << "length " << length;
            const DatagramKind oldKind = CheckedClassify(old.first(length), link);
            if (length == 1190) {
                EXPECT_EQ(oldKind, DatagramKind::DiscoveryReply);
            } else if (length >= 34 && length < 1164) {
                EXPECT_EQ(oldKind, DatagramKind::OldFirmwareReply) << "length " << length;
            } else {
                EXPECT_EQ(oldKind, DatagramKind::Other) << "length " << length;
            }
        }
    }
}

TEST(ClassifyFuzz, mutatedEncipheredReplies) {
    std::mt19937 random(99);
    LinkState link;
    int discoveries = 0;
    for (int n = 0; n < 20'000; ++n) {
        if (n % 200 == 0) {
            link.SetMarker(RandomMarker(random));
        }
        QByteArray datagram = Encipher(link.request_marker(), DiscoveryPayload(kMac));
        const int flips = 1 + static_cast<int>(random() % 8);
        bool headerTouched = false;
        for (int f = 0; f < flips; ++f) {
            const auto at = static_cast<qsizetype>(random() % datagram.size());
            const char was = datagram[at];
            datagram[at] = static_cast<char>(random() & 0xFF);
            headerTouched = headerTouched || (at < 34 && datagram[at] != was);
        }
        switch (random() % 3) {
            case 0:
                datagram.truncate(static_cast<qsizetype>(random() % (datagram.size() + 1)));
                headerTouched = true;
                break;
            case 1:
                datagram.append(RandomBytes(random, static_cast<qsizetype>(random() % 600)));
                break;
            default:
                break;
        }
        const DatagramKind kind = CheckedClassify(datagram, link);
        if (!headerTouched) {
            // Only record bytes changed: still a reply.
            EXPECT_EQ(kind, DatagramKind::DiscoveryReply);
        }
        discoveries += kind == DatagramKind::DiscoveryReply ? 1 : 0;
        if (::testing::Test::HasFailure()) {
            FAIL() << "mutation " << n;
        }
    }
    EXPECT_GT(discoveries, 1000);
}

}  // namespace
}  // namespace tern::net
