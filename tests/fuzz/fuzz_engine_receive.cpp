// The engine's receive path under any sequence of datagrams, during a
// search and during a multi-AP apply. Input: 8 bytes of request marker,
// then datagrams, each led by a 2-byte length; a length with its top bit
// set starts an apply to every AP listed so far.
#include <QSet>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "apply/ap_engine.h"
#include "config/ap_config_record.h"

using namespace tern;

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

void CheckInvariants(const apply::ApEngine& e) {
    Check(e.packets().size() == e.found_macs.size());
    Check(QSet<QString>(e.found_macs.begin(), e.found_macs.end()).size() == e.found_macs.size());
    for (const QByteArray& p : e.packets()) Check(p.size() == 1180);
    Check(e.reply_count >= 0 && e.datagram_count >= 0);
    for (const QByteArray& mac : e.failed_macs) Check(mac.size() == 6);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) return 0;
    apply::ApEngine engine;
    engine.StartSearch();
    link::RequestMarker marker{};
    std::memcpy(marker.data(), data, marker.size());
    engine.link_state.SetMarker(marker);
    std::size_t at = 8;
    while (at + 2 <= size) {
        const std::uint16_t head = static_cast<std::uint16_t>(data[at] << 8 | data[at + 1]);
        at += 2;
        if (head & 0x8000) {
            QList<apply::ApplyTarget> targets;
            for (const QString& mac : engine.found_macs) targets.append({mac, mac});
            engine.BeginApply(static_cast<int>(targets.size()));
            engine.BeginSending(targets);
            for (qsizetype i = 0; i < targets.size(); ++i) {
                link::RecordBytes bytes{};
                std::memcpy(bytes.data(), engine.packets()[i].constData() + 32, bytes.size());
                engine.SetRequest(config::ApConfigRecord(bytes), targets[i], true);
            }
            engine.RequestsSent();
            // the apply's marker is the last request's; let the input choose
            engine.link_state.SetMarker(marker);
            continue;
        }
        const std::size_t length = std::min<std::size_t>(head, size - at);
        engine.Receive(QByteArrayView(reinterpret_cast<const char*>(data + at),
                                      static_cast<qsizetype>(length)));
        at += length;
        CheckInvariants(engine);
        if (engine.Tick() == apply::TimerTick::Settled) engine.SettleDone();
    }
    engine.TakeUnconfirmed();
    CheckInvariants(engine);
    return 0;
}
