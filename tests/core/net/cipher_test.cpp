#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <vector>

#include "core/net/protocol.h"
#include "tests/core/net/wire_test_support.h"

namespace tern::net {
namespace {

using test_support::Bytes;

// The cipher always takes 16 key bytes and reads them modulo 16, so a
// shorter published key is usable only when its length divides 16.
LinkKey RepeatedKey(std::initializer_list<int> shortKey) {
    const std::vector<int> k(shortKey);
    LinkKey key{};
    for (std::size_t i = 0; i < key.size(); ++i) {
        key[i] = static_cast<std::uint8_t>(k[i % k.size()]);
    }
    return key;
}

QByteArray StreamBytes(const LinkKey& key, int length) {
    return CipherRun(key, QByteArray(length, '\0'));
}

TEST(Rc4, publishedKeyStreams_64And128BitKeys_offsets0And16) {
    const QByteArray stream64 = StreamBytes(RepeatedKey({1, 2, 3, 4, 5, 6, 7, 8}), 32);
    EXPECT_EQ(stream64.toHex(), QByteArrayLiteral("97ab8a1bf0afb96132f2f67258da15a8"
                                                  "8263efdb45c4a18684ef87e6b19e5b09"));
    const QByteArray stream128 =
        StreamBytes(RepeatedKey({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}), 32);
    EXPECT_EQ(stream128.toHex(), QByteArrayLiteral("9ac7cc9a609d1ef7b2932899cde41b97"
                                                   "5248c4959014126a6e8a84f11d1a9e1c"));
}

TEST(Rc4, publishedTextVector_wikiPedia) {
    const LinkKey key = RepeatedKey({'W', 'i', 'k', 'i'});
    EXPECT_EQ(CipherRun(key, QByteArrayLiteral("pedia")).toHex(), QByteArrayLiteral("1021bf0420"));
    EXPECT_EQ(CipherRun(key, Bytes({0x10, 0x21, 0xBF, 0x04, 0x20})), QByteArrayLiteral("pedia"));
}

TEST(Rc4, cipherApply_zeroOrNegativeCountDoesNothing) {
    CipherState state;
    CipherInit(state, RepeatedKey({1, 2, 3, 4, 5, 6, 7, 8}));
    const CipherState before = state;
    std::uint8_t in[4] = {1, 2, 3, 4};
    std::uint8_t out[4] = {9, 9, 9, 9};
    CipherApply(state, in, out, 0);
    CipherApply(state, in, out, -1);
    CipherApply(state, in, out, -100000);
    EXPECT_EQ(state.s, before.s);
    EXPECT_EQ(state.i, before.i);
    EXPECT_EQ(state.j, before.j);
    EXPECT_TRUE(std::all_of(std::begin(out), std::end(out), [](std::uint8_t b) { return b == 9; }));
}

TEST(Rc4, cipherApply_inPlaceEqualsSeparateBuffers_andStreamContinuesAcrossCalls) {
    const LinkKey key = DeriveLinkKey({1, 2, 3, 4, 5, 6, 7, 8});
    std::vector<std::uint8_t> data(300);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(i * 31);
    }
    const QByteArray expected =
        CipherRun(key, QByteArrayView(data.data(), static_cast<qsizetype>(data.size())));

    CipherState state;
    CipherInit(state, key);
    // Two calls on one state continue the stream where the first stopped.
    CipherApply(state, data.data(), data.data(), 100);
    CipherApply(state, data.data() + 100, data.data() + 100, 200);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(data.data()), 300), expected);
}

TEST(Rc4, twoRepliesToOneRequest_eachStartsAtTheBeginningOfTheStream) {
    LinkState link;
    link.SetMarker({0x21, 0x32, 0x43, 0x54, 0x65, 0x76, 0x87, 0x98});
    const QByteArray first = test_support::DiscoveryPayload({1, 1, 1, 1, 1, 1});
    const QByteArray second = test_support::DiscoveryPayload({2, 2, 2, 2, 2, 2});
    const QByteArray a = test_support::Encipher(link.request_marker(), first);
    const QByteArray b = test_support::Encipher(link.request_marker(), second);

    const ClassifiedDatagram ca = ClassifyDatagram(a, link);
    const ClassifiedDatagram cb = ClassifyDatagram(b, link);
    const ClassifiedDatagram caAgain = ClassifyDatagram(a, link);
    EXPECT_EQ(ca.payload, first);
    EXPECT_EQ(cb.payload, second);
    EXPECT_EQ(caAgain.payload, first);
}

TEST(LinkKey, derivedFromMarkerAndConstant) {
    // ~constant ^ marker for the first half, ~constant for the second; the
    // constant is 54 65 72 6E 41 50 13 C7.
    const LinkKey expected = {0xBA, 0xB8, 0xBE, 0xD5, 0xEB, 0xC9, 0x9B, 0xB0,
                              0xAB, 0x9A, 0x8D, 0x91, 0xBE, 0xAF, 0xEC, 0x38};
    EXPECT_EQ(DeriveLinkKey({0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}), expected);
    const LinkKey zeroMarker = {0xAB, 0x9A, 0x8D, 0x91, 0xBE, 0xAF, 0xEC, 0x38,
                                0xAB, 0x9A, 0x8D, 0x91, 0xBE, 0xAF, 0xEC, 0x38};
    EXPECT_EQ(DeriveLinkKey({}), zeroMarker);
}

TEST(RequestMarker, neverDraws255_andCoversWholeRange) {
    std::mt19937 generator(12345);
    std::set<int> seen;
    for (int n = 0; n < 100'000; ++n) {
        for (std::uint8_t b : DrawRequestMarker(generator)) {
            ASSERT_NE(b, 255);
            seen.insert(b);
        }
    }
    EXPECT_EQ(seen.size(), 255u);
    EXPECT_EQ(*seen.begin(), 0);
    EXPECT_EQ(*seen.rbegin(), 254);
}

TEST(LinkState, newRequestDrawsNewMarkerAndRebuildsKey) {
    LinkState link;
    std::set<RequestMarker> markers;
    for (int n = 0; n < 50; ++n) {
        const RequestMarker before = link.request_marker();
        link.NewRequest();
        EXPECT_NE(link.request_marker(), before);
        EXPECT_EQ(link.link_key(), DeriveLinkKey(link.request_marker()));
        EXPECT_TRUE(std::none_of(link.request_marker().begin(), link.request_marker().end(),
                                 [](std::uint8_t b) { return b == 255; }));
        markers.insert(link.request_marker());
    }
    EXPECT_EQ(markers.size(), 50u);

    const RequestMarker fixed = {0, 1, 2, 3, 4, 5, 6, 7};
    link.SetMarker(fixed);
    EXPECT_EQ(link.request_marker(), fixed);
    EXPECT_EQ(link.link_key(), DeriveLinkKey(fixed));
}

TEST(LinkState, twoStatesMadeAtOnceDrawDifferentMarkers) {
    LinkState a;
    LinkState b;
    EXPECT_NE(a.request_marker(), b.request_marker());
}

// ---------------------------------------------------------------- the cached key stream

// Every reply to one request is deciphered with the same stream from its
// start: the cached stream must give exactly what a fresh schedule gives,
// whatever the length and whatever order the lengths come in.
TEST(CachedKeyStream, equalsAFreshScheduleForEveryDatagramLength_inAnyOrder) {
    constexpr int kLongest = static_cast<int>(kMaxDatagramSize - kEncipheredPrefixSize);  // 65497
    const LinkKey key = DeriveLinkKey({3, 1, 4, 1, 5, 9, 2, 6});
    QByteArray data(kLongest, Qt::Uninitialized);
    std::mt19937 random(7);
    for (char& c : data) c = static_cast<char>(random());
    // A fresh schedule's output for the longest length holds every shorter
    // one as its start (RC4 is a stream).
    const QByteArray reference = CipherRun(key, data);
    ASSERT_EQ(CipherRun(key, data.first(1180)), reference.first(1180));

    KeyStream ascending(key);
    for (int n = 0; n <= kLongest; ++n) {
        const QByteArray out = ascending.Run(QByteArrayView(data).first(n));
        ASSERT_EQ(out.size(), n);
        ASSERT_EQ(std::memcmp(out.constData(), reference.constData(), static_cast<std::size_t>(n)),
                  0)
            << "length " << n;
    }
    KeyStream shuffled(key);
    std::vector<int> lengths{kLongest, 0, 1, 1180, 1179, 1181, 17, 65000};
    for (int i = 0; i < 200; ++i) lengths.push_back(static_cast<int>(random() % (kLongest + 1)));
    for (int n : lengths) {
        const QByteArray out = shuffled.Run(QByteArrayView(data).first(n));
        ASSERT_EQ(out, reference.first(n)) << "length " << n;
    }
    EXPECT_LE(shuffled.derived(), kMaxDatagramSize);
}

TEST(CachedKeyStream, derivedOnlyAsFarAsNeeded_aNewRequestMakesANewStream) {
    LinkState link;
    link.SetMarker({1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(link.key_stream().derived(), 0u);
    const QByteArray payload(1180, 'x');
    const QByteArray first = link.key_stream().Run(payload);
    EXPECT_EQ(first, CipherRun(link.link_key(), payload));
    EXPECT_LT(link.key_stream().derived(), 2048u);  // one reply's worth, not 64 KiB

    link.SetMarker({8, 7, 6, 5, 4, 3, 2, 1});
    EXPECT_EQ(link.key_stream().derived(), 0u);
    const QByteArray second = link.key_stream().Run(payload);
    EXPECT_NE(second, first);
    EXPECT_EQ(second, CipherRun(link.link_key(), payload));

    // Longer than any datagram: still right, and not kept.
    const QByteArray huge(static_cast<qsizetype>(kMaxDatagramSize) + 5, 'y');
    EXPECT_EQ(link.key_stream().Run(huge), CipherRun(link.link_key(), huge));
    EXPECT_LE(link.key_stream().derived(), kMaxDatagramSize);
}

}  // namespace
}  // namespace tern::net
