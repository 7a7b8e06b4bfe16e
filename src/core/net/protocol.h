#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

namespace tern::net {

inline constexpr std::size_t kMarkerSize = 8;
inline constexpr std::size_t kLinkKeySize = 16;
inline constexpr std::size_t kRecordSize = 1148;
inline constexpr std::size_t kReplyHeaderSize = 32;
inline constexpr std::size_t kDiscoveryPacketSize = kReplyHeaderSize + kRecordSize;  // 1180
inline constexpr std::size_t kSearchRequestSize = 17;
inline constexpr std::size_t kSetRequestSize = 1164;
// An enciphered reply carries the marker and two uninterpreted bytes first.
inline constexpr std::size_t kEncipheredPrefixSize = 10;
inline constexpr std::uint16_t kDefaultPort = 27155;
inline constexpr const char* kBroadcastAddress = "255.255.255.255";

// The largest payload a UDP datagram over IPv4 can carry.
inline constexpr std::size_t kMaxDatagramSize = 65507;

using RequestMarker = std::array<std::uint8_t, kMarkerSize>;
using LinkKey = std::array<std::uint8_t, kLinkKeySize>;
using RecordBytes = std::array<std::uint8_t, kRecordSize>;

// Shared with every AP firmware: both ends derive the link key from it.
inline constexpr std::array<std::uint8_t, 8> link_constant = {0x54, 0x65, 0x72, 0x6E,
                                                              0x41, 0x50, 0x13, 0xC7};

// Command tags: six ASCII bytes, no terminator.
inline constexpr char kTagSearch[] = "kplsea";
inline constexpr char kTagSet[] = "kplset";
inline constexpr char kTagAck[] = "kplack";
inline constexpr char kTagError[] = "kplerr";
inline constexpr char kSearchText[] = "kplsearch";
inline constexpr char kFirmwareModel[] = "MX9000";
inline constexpr char kFirmwareSuffix[] = "     -01";                 // payload bytes 16..23
inline constexpr char kOldFirmwareId[] = "MX9000AP-QA1-Z00     -01";  // payload bytes 0..23

// Draws a marker whose bytes are 0..254: the value 255 never occurs.
RequestMarker DrawRequestMarker(std::mt19937& generator);

// key[i] = ~constant[i] ^ marker[i] for i < 8, key[i] = ~constant[i - 8] above.
LinkKey DeriveLinkKey(const RequestMarker& marker);

// RC4 state; scheduled afresh for every datagram, so each enciphered
// datagram starts at the beginning of the key stream.
struct CipherState {
    std::array<std::uint8_t, 256> s{};
    std::uint8_t i = 0;
    std::uint8_t j = 0;
};

void CipherInit(CipherState& state, const LinkKey& key);
// Key stream XOR input; a count of zero or less does nothing. `in` and `out`
// may be the same run.
void CipherApply(CipherState& state, const std::uint8_t* in, std::uint8_t* out, long count);
// Schedules a fresh state under `key` and runs the whole buffer through it.
QByteArray CipherRun(const LinkKey& key, QByteArrayView data);

// The key stream of one link key, derived once and only as far as the
// longest datagram so far has needed. Every reply to a request is
// enciphered from the start of the same stream, so deciphering one is a XOR
// with it instead of a fresh RC4 schedule per datagram.
class KeyStream {
  public:
    KeyStream() = default;
    explicit KeyStream(const LinkKey& key);
    // The data XOR the key stream from its start: what CipherRun gives.
    QByteArray Run(QByteArrayView data);
    // How many bytes of stream have been derived so far.
    std::size_t derived() const { return stream_.size(); }

  private:
    CipherState state_{};
    LinkKey key_{};
    std::vector<std::uint8_t> stream_;
};

// Reverses the byte order of exactly the record's multi-byte number fields;
// the same step converts wire to host order and back.
RecordBytes SwapRecordOrder(const RecordBytes& record);

// "kplsearch" + marker, 17 bytes, plain.
QByteArray BuildSearchRequest(const RequestMarker& marker);
// "kplset" + marker + 04 7C + RC4(SwapRecordOrder(record)), 1164 bytes.
// `record` is in host order and already carries the login.
QByteArray BuildSetRequest(const RequestMarker& marker, const LinkKey& key,
                           const RecordBytes& hostOrderRecord);

// The marker and key of the latest request sent. Every request draws a new
// marker; every received datagram is read against the latest one.
class LinkState {
  public:
    LinkState();
    // Draws a new marker (the generator is reseeded from the clock first)
    // and rebuilds the key.
    void NewRequest();
    // For tests and the simulator: adopt a given marker.
    void SetMarker(const RequestMarker& marker);

    const RequestMarker& request_marker() const { return marker_; }
    const LinkKey& link_key() const { return key_; }
    // The key stream of the latest request, shared by all its replies.
    KeyStream& key_stream() const { return stream_; }

  private:
    std::mt19937 generator_;
    RequestMarker marker_{};
    LinkKey key_{};
    // Grown while replies are read; not part of the state's value.
    mutable KeyStream stream_;
};

enum class DatagramKind {
    OwnSearchEcho,
    OwnSetEcho,
    OldFirmwareReply,
    DiscoveryReply,
    ErrorReply,
    Acknowledgement,
    Other,
};

const char* DatagramKindName(DatagramKind kind);

struct ClassifiedDatagram {
    DatagramKind kind = DatagramKind::Other;
    bool enciphered = false;
    // The deciphered (or plain) payload. For a discovery reply this is the
    // 1180-byte packet: 32-byte header, record in wire order; anything past
    // 1180 bytes is cut off.
    QByteArray payload;
};

// True when the datagram starts with the marker, both compared as text:
// bytes up to the first zero byte, at most eight, and never past the end.
bool StartsWithMarker(QByteArrayView datagram, const RequestMarker& marker);

// Classifies one received datagram against the latest request's link state.
// A discovery reply shorter than 1180 bytes is classified as Other: its
// record would be incomplete and must never be listed.
ClassifiedDatagram ClassifyDatagram(QByteArrayView datagram, const RequestMarker& marker,
                                    const LinkKey& key);
// The same, deciphering with the request's cached key stream.
ClassifiedDatagram ClassifyDatagram(QByteArrayView datagram, const LinkState& link);
// The same for a datagram that starts with none of the markers a caller
// keeps (several requests outstanding at once): read as plain.
ClassifiedDatagram ClassifyPlainDatagram(QByteArrayView datagram);

// Record (host order) of a classified discovery reply: bytes 32..1179 of the
// payload converted from wire order.
RecordBytes DiscoveryRecord(const ClassifiedDatagram& reply);

// The refusing AP's MAC address of an error reply (payload bytes 7..12);
// zero bytes where the reply is shorter.
std::array<std::uint8_t, 6> ErrorReplyMac(const ClassifiedDatagram& reply);
// The MAC an answer (acknowledgement or refusal) names, when it names one:
// long enough to hold it, and not all zero (an AP that names none).
std::optional<std::array<std::uint8_t, 6>> AnswerMac(const ClassifiedDatagram& answer);

}  // namespace tern::net
