#include "tests/core/net/wire_test_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <cstring>
#include <memory>

namespace tern::net::test_support {

void EnsureCoreApp() {
    if (QCoreApplication::instance() != nullptr) {
        return;
    }
    static int argc = 1;
    static char name[] = "link_tests";
    static char* argv[] = {name, nullptr};
    static auto app = std::make_unique<QCoreApplication>(argc, argv);
}

void SpinEventLoop(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) {
        out.append(static_cast<char>(v));
    }
    return out;
}

RecordBytes WireRecord(const Mac& mac) {
    RecordBytes record{};
    for (std::size_t i = 0; i < record.size(); ++i) {
        record[i] = static_cast<std::uint8_t>((i * 13 + 5) & 0xFF);
    }
    record[68] = 0x12;
    record[69] = 0x34;
    record[70] = 0x56;
    record[71] = 0x78;
    std::memcpy(record.data() + kMacInRecord, mac.data(), mac.size());
    return record;
}

QByteArray DiscoveryPayload(const Mac& mac, const char* identifier16) {
    QByteArray payload;
    if (identifier16 != nullptr) {
        payload.append(identifier16, 16);
    } else {
        payload.append(kFirmwareModel);
        payload.append(kVariant);
    }
    payload.append(kFirmwareSuffix);
    payload.append(Bytes({0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7}));
    const RecordBytes record = WireRecord(mac);
    payload.append(reinterpret_cast<const char*>(record.data()), kRecordSize);
    return payload;
}

QByteArray Encipher(const RequestMarker& marker, QByteArrayView payload) {
    QByteArray datagram(reinterpret_cast<const char*>(marker.data()), kMarkerSize);
    datagram.append(static_cast<char>((payload.size() >> 8) & 0xFF));
    datagram.append(static_cast<char>(payload.size() & 0xFF));
    datagram.append(CipherRun(DeriveLinkKey(marker), payload));
    return datagram;
}

}  // namespace tern::net::test_support
