#include "core/net/protocol.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

namespace tern::net {

namespace {

constexpr int kSwap32Offsets[] = {68, 72, 132, 140, 144, 456, 540, 544, 548, 552, 556, 624};
constexpr int kSwap16Offsets[] = {130,  464,  504,  830,  1074, 1076, 1078, 1080,
                                  1084, 1086, 1092, 1112, 1114, 1116, 1118};

// Compares `text` with the bytes at `offset`; a text longer than the bytes
// available never matches.
bool MatchesAt(QByteArrayView bytes, qsizetype offset, const char* text) {
    const auto length = static_cast<qsizetype>(std::strlen(text));
    if (offset < 0 || bytes.size() < offset + length) {
        return false;
    }
    return std::memcmp(bytes.data() + offset, text, static_cast<std::size_t>(length)) == 0;
}

}  // namespace

RequestMarker DrawRequestMarker(std::mt19937& generator) {
    std::uniform_int_distribution<int> byte(0, 254);
    RequestMarker marker{};
    for (auto& b : marker) {
        b = static_cast<std::uint8_t>(byte(generator));
    }
    return marker;
}

LinkKey DeriveLinkKey(const RequestMarker& marker) {
    LinkKey key{};
    for (std::size_t i = 0; i < kMarkerSize; ++i) {
        key[i] = static_cast<std::uint8_t>(~link_constant[i] ^ marker[i]);
        key[i + kMarkerSize] = static_cast<std::uint8_t>(~link_constant[i]);
    }
    return key;
}

void CipherInit(CipherState& state, const LinkKey& key) {
    for (int k = 0; k < 256; ++k) {
        state.s[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(k);
    }
    std::uint8_t j = 0;
    for (std::size_t i = 0; i < 256; ++i) {
        j = static_cast<std::uint8_t>(j + state.s[i] + key[i % kLinkKeySize]);
        std::swap(state.s[i], state.s[j]);
    }
    state.i = 0;
    state.j = 0;
}

void CipherApply(CipherState& state, const std::uint8_t* in, std::uint8_t* out, long count) {
    for (long n = 0; n < count; ++n) {
        state.i = static_cast<std::uint8_t>(state.i + 1);
        state.j = static_cast<std::uint8_t>(state.j + state.s[state.i]);
        std::swap(state.s[state.i], state.s[state.j]);
        const auto k = state.s[static_cast<std::uint8_t>(state.s[state.i] + state.s[state.j])];
        out[n] = static_cast<std::uint8_t>(in[n] ^ k);
    }
}

QByteArray CipherRun(const LinkKey& key, QByteArrayView data) {
    QByteArray out(data.size(), Qt::Uninitialized);
    CipherState state;
    CipherInit(state, key);
    CipherApply(state, reinterpret_cast<const std::uint8_t*>(data.data()),
                reinterpret_cast<std::uint8_t*>(out.data()), static_cast<long>(data.size()));
    return out;
}

KeyStream::KeyStream(const LinkKey& key) : key_(key) { CipherInit(state_, key); }

QByteArray KeyStream::Run(QByteArrayView data) {
    const auto n = static_cast<std::size_t>(data.size());
    if (n > kMaxDatagramSize) {
        return CipherRun(key_, data);  // no datagram is this long: not worth keeping
    }
    if (n > stream_.size()) {
        // Whole replies at a time: the first reply derives what the rest need.
        const std::size_t have = stream_.size();
        const std::size_t want = std::min(kMaxDatagramSize, std::max(n, kDiscoveryPacketSize + 64));
        stream_.resize(want, 0);
        CipherApply(state_, stream_.data() + have, stream_.data() + have,
                    static_cast<long>(want - have));
    }
    QByteArray out(data.size(), Qt::Uninitialized);
    const auto* in = reinterpret_cast<const std::uint8_t*>(data.data());
    const std::uint8_t* key = stream_.data();
    auto* o = reinterpret_cast<std::uint8_t*>(out.data());
    // Eight bytes at a time: the XOR is all that is left of deciphering.
    std::size_t k = 0;
    for (; k + 8 <= n; k += 8) {
        std::uint64_t a = 0;
        std::uint64_t b = 0;
        std::memcpy(&a, in + k, 8);
        std::memcpy(&b, key + k, 8);
        a ^= b;
        std::memcpy(o + k, &a, 8);
    }
    for (; k < n; ++k) {
        o[k] = static_cast<std::uint8_t>(in[k] ^ key[k]);
    }
    return out;
}

RecordBytes SwapRecordOrder(const RecordBytes& record) {
    RecordBytes copy = record;
    for (int offset : kSwap32Offsets) {
        const auto o = static_cast<std::size_t>(offset);
        std::swap(copy[o], copy[o + 3]);
        std::swap(copy[o + 1], copy[o + 2]);
    }
    for (int offset : kSwap16Offsets) {
        const auto o = static_cast<std::size_t>(offset);
        std::swap(copy[o], copy[o + 1]);
    }
    return copy;
}

QByteArray BuildSearchRequest(const RequestMarker& marker) {
    QByteArray request;
    request.reserve(kSearchRequestSize);
    request.append(kSearchText);
    request.append(reinterpret_cast<const char*>(marker.data()), kMarkerSize);
    return request;
}

QByteArray BuildSetRequest(const RequestMarker& marker, const LinkKey& key,
                           const RecordBytes& hostOrderRecord) {
    const RecordBytes wire = SwapRecordOrder(hostOrderRecord);
    QByteArray request;
    request.reserve(kSetRequestSize);
    request.append(kTagSet);
    request.append(reinterpret_cast<const char*>(marker.data()), kMarkerSize);
    request.append(static_cast<char>((kRecordSize >> 8) & 0xFF));
    request.append(static_cast<char>(kRecordSize & 0xFF));
    request.append(CipherRun(key, QByteArrayView(wire.data(), kRecordSize)));
    return request;
}

LinkState::LinkState() : generator_(std::random_device{}()) { NewRequest(); }

void LinkState::NewRequest() {
    // Mixing the clock into a generator that is already running keeps two
    // requests drawn in the same clock tick from sharing a marker.
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    std::seed_seq seed{static_cast<std::uint32_t>(now), static_cast<std::uint32_t>(now >> 32),
                       static_cast<std::uint32_t>(generator_())};
    generator_.seed(seed);
    marker_ = DrawRequestMarker(generator_);
    key_ = DeriveLinkKey(marker_);
    stream_ = KeyStream(key_);
}

void LinkState::SetMarker(const RequestMarker& marker) {
    marker_ = marker;
    key_ = DeriveLinkKey(marker_);
    stream_ = KeyStream(key_);
}

const char* DatagramKindName(DatagramKind kind) {
    switch (kind) {
        case DatagramKind::OwnSearchEcho:
            return "own search echo";
        case DatagramKind::OwnSetEcho:
            return "own set echo";
        case DatagramKind::OldFirmwareReply:
            return "old-firmware reply";
        case DatagramKind::DiscoveryReply:
            return "discovery reply";
        case DatagramKind::ErrorReply:
            return "error reply";
        case DatagramKind::Acknowledgement:
            return "acknowledgement";
        case DatagramKind::Other:
            return "other";
    }
    return "other";
}

bool StartsWithMarker(QByteArrayView datagram, const RequestMarker& marker) {
    std::size_t markerLength = 0;
    while (markerLength < kMarkerSize && marker[markerLength] != 0) {
        ++markerLength;
    }
    const auto available = static_cast<std::size_t>(datagram.size());
    std::size_t textLength = 0;
    while (textLength < kMarkerSize && textLength < available && datagram[textLength] != 0) {
        ++textLength;
    }
    // An empty datagram may have no data pointer at all: never hand that
    // to memcmp, even for a length of zero.
    return textLength == markerLength &&
           (markerLength == 0 || std::memcmp(datagram.data(), marker.data(), markerLength) == 0);
}

namespace {

// Without a marker (nullptr) the datagram is read as plain.
template <typename Decipher>
ClassifiedDatagram Classify(QByteArrayView datagram, const RequestMarker* marker,
                            Decipher&& decipher) {
    ClassifiedDatagram result;
    if (marker != nullptr && StartsWithMarker(datagram, *marker)) {
        result.enciphered = true;
        if (datagram.size() > static_cast<qsizetype>(kEncipheredPrefixSize)) {
            result.payload = decipher(datagram.sliced(kEncipheredPrefixSize));
        }
    } else {
        result.payload = datagram.toByteArray();
    }
    const QByteArrayView payload(result.payload);

    if (MatchesAt(payload, 0, kOldFirmwareId) &&
        datagram.size() < static_cast<qsizetype>(kSetRequestSize)) {
        result.kind = DatagramKind::OldFirmwareReply;
    } else if (MatchesAt(payload, 0, kTagSearch)) {
        result.kind = DatagramKind::OwnSearchEcho;
    } else if (MatchesAt(payload, 0, kTagSet)) {
        result.kind = DatagramKind::OwnSetEcho;
    } else if (MatchesAt(payload, 0, kFirmwareModel) && MatchesAt(payload, 16, kFirmwareSuffix) &&
               !payload.first(16).contains('\0')) {
        // A reply too short to hold its whole record would show bytes that
        // never arrived: it is not taken as a discovery reply.
        result.kind = payload.size() >= static_cast<qsizetype>(kDiscoveryPacketSize)
                          ? DatagramKind::DiscoveryReply
                          : DatagramKind::Other;
        if (result.kind == DatagramKind::DiscoveryReply) {
            result.payload.truncate(kDiscoveryPacketSize);
        }
    } else if (MatchesAt(payload, 0, kTagError)) {
        result.kind = DatagramKind::ErrorReply;
    } else if (MatchesAt(payload, 0, kTagAck)) {
        result.kind = DatagramKind::Acknowledgement;
    } else {
        result.kind = DatagramKind::Other;
    }
    return result;
}

}  // namespace

ClassifiedDatagram ClassifyDatagram(QByteArrayView datagram, const RequestMarker& marker,
                                    const LinkKey& key) {
    return Classify(datagram, &marker, [&key](QByteArrayView d) { return CipherRun(key, d); });
}

ClassifiedDatagram ClassifyDatagram(QByteArrayView datagram, const LinkState& link) {
    return Classify(datagram, &link.request_marker(),
                    [&link](QByteArrayView d) { return link.key_stream().Run(d); });
}

ClassifiedDatagram ClassifyPlainDatagram(QByteArrayView datagram) {
    return Classify(datagram, nullptr, [](QByteArrayView) { return QByteArray(); });
}

RecordBytes DiscoveryRecord(const ClassifiedDatagram& reply) {
    RecordBytes wire{};
    const auto available = std::max<qsizetype>(
        0, std::min<qsizetype>(reply.payload.size() - static_cast<qsizetype>(kReplyHeaderSize),
                               static_cast<qsizetype>(kRecordSize)));
    if (available > 0) {
        std::memcpy(wire.data(), reply.payload.constData() + kReplyHeaderSize,
                    static_cast<std::size_t>(available));
    }
    return SwapRecordOrder(wire);
}

std::array<std::uint8_t, 6> ErrorReplyMac(const ClassifiedDatagram& reply) {
    std::array<std::uint8_t, 6> mac{};
    for (qsizetype i = 0; i < 6; ++i) {
        if (7 + i < reply.payload.size()) {
            mac[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(reply.payload[7 + i]);
        }
    }
    return mac;
}

std::optional<std::array<std::uint8_t, 6>> AnswerMac(const ClassifiedDatagram& answer) {
    constexpr qsizetype kMacEnd = 13;  // payload bytes 7..12
    const std::array<std::uint8_t, 6> mac = ErrorReplyMac(answer);
    if (answer.payload.size() < kMacEnd ||
        std::all_of(mac.begin(), mac.end(), [](std::uint8_t b) { return b == 0; })) {
        return std::nullopt;
    }
    return mac;
}

}  // namespace tern::net
