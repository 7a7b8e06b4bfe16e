#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <array>
#include <cstdint>

#include "core/net/protocol.h"

namespace tern::net::test_support {

using Mac = std::array<std::uint8_t, 6>;

inline constexpr char kVariant[] = "AP-QB2-Z01";  // header bytes 6..15
inline constexpr std::size_t kMacInRecord = 1130;

// A QCoreApplication for tests that need timers and an event loop; made
// once, on first use.
void EnsureCoreApp();

// Runs the event loop for about `ms` milliseconds.
void SpinEventLoop(int ms);

QByteArray Bytes(std::initializer_list<int> values);

// A record in wire order with a pattern, the given MAC at 1130 and a
// big-endian 0x12345678 at 68.
RecordBytes WireRecord(const Mac& mac);

// A 1180-byte discovery payload: identifier, 8 header bytes, record.
QByteArray DiscoveryPayload(const Mac& mac, const char* identifier16 = nullptr);

// Marker, two length bytes, RC4(payload) under the marker's key: the way an
// AP answers the latest request.
QByteArray Encipher(const RequestMarker& marker, QByteArrayView payload);

}  // namespace tern::net::test_support
