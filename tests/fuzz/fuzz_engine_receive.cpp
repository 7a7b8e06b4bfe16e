// The engine's receive path under any sequence of datagrams, during a
// search and during a multi-AP apply. Input: 8 bytes of request marker,
// then datagrams, each led by a 2-byte length; a length with its top bit
// set starts an apply to every AP listed so far, or, with the next bit set
// too, a new search. The engine's invariants are checked after each
// datagram.
#include <QSet>
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/engine/ap_engine.h"
#include "core/record/ap_config_record.h"
#include "core/record/net_types.h"
#include "tests/fuzz/fuzz_support.h"

using namespace tern;
using fuzz::Check;

namespace {

// More datagrams, applies or searches add nothing the fuzzer could not
// reach with fewer, and cost time on every input (each request draws a
// marker, which reseeds the engine's generator).
constexpr int kMaxDatagrams = 64;
constexpr int kMaxRequests = 4;
constexpr qsizetype kMacInPacket =
    static_cast<qsizetype>(net::kReplyHeaderSize + record::ApConfigRecord::kMacAddrOffset);

QString PacketMac(const QByteArray& packet) {
    record::MacAddress mac{};
    std::memcpy(mac.data(), packet.constData() + kMacInPacket, mac.size());
    return record::MacText(mac);
}

void CheckInvariants(const engine::ApEngine& e, const QList<engine::ApplyTarget>& targets) {
    Check(e.packets().size() == e.found_macs.size(), "a listed AP without its packet");
    Check(QSet<QString>(e.found_macs.begin(), e.found_macs.end()).size() == e.found_macs.size(),
          "an AP listed twice");
    for (qsizetype i = 0; i < e.packets().size(); ++i) {
        Check(e.packets()[i].size() == 1180, "a stored packet that is not 1180 bytes");
        Check(PacketMac(e.packets()[i]) == e.found_macs[i], "a packet stored under another MAC");
    }
    Check(e.reply_count >= 0 && e.datagram_count >= 0, "a negative count");
    Check(e.failed_macs.size() <= e.reply_count, "more refusals than replies");
    for (const QByteArray& mac : e.failed_macs)
        Check(mac.size() == 6, "a refusal's MAC is not 6 bytes");
    for (const engine::ApplyTarget& t : e.unanswered_targets) {
        Check(std::any_of(targets.begin(), targets.end(),
                          [&](const engine::ApplyTarget& u) { return u.mac == t.mac; }),
              "an unanswered AP that was never a target");
    }
}

void CheckReceived(const engine::Received& r, const engine::ApEngine& e,
                   const QList<engine::ApplyTarget>& targets) {
    if (r.kind == engine::Received::Kind::NewAp) {
        Check(r.packet.size() == 1180 && r.wirePacket.size() == 1180,
              "a new AP without its packet");
        Check(!e.found_macs.isEmpty() && PacketMac(r.packet) == e.found_macs.back(),
              "a new AP not listed last");
    }
    if (!r.credited.isEmpty()) {
        Check(std::any_of(targets.begin(), targets.end(),
                          [&](const engine::ApplyTarget& t) { return t.mac == r.credited; }),
              "an answer credited to an AP that is not a target");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) return 0;
    // Every input starts from the same engine, as a search has just left
    // it; a copy of it costs far less than drawing a marker anew.
    static const engine::ApEngine kSearching = [] {
        engine::ApEngine e;
        e.StartSearch();
        return e;
    }();
    engine::ApEngine engine = kSearching;
    net::RequestMarker marker{};
    std::memcpy(marker.data(), data, marker.size());
    engine.link_state.SetMarker(marker);
    QList<engine::ApplyTarget> targets;
    std::size_t at = 8;
    int requests = 0;
    for (int n = 0; n < kMaxDatagrams && at + 2 <= size; ++n) {
        const std::uint16_t head = static_cast<std::uint16_t>(data[at] << 8 | data[at + 1]);
        at += 2;
        if ((head & 0x8000) && ++requests > kMaxRequests) break;
        if ((head & 0xC000) == 0xC000) {
            engine.StartSearch();
            engine.link_state.SetMarker(marker);
            continue;
        }
        if (head & 0x8000) {
            targets.clear();
            for (const QString& mac : engine.found_macs) targets.append({mac, mac});
            engine.BeginApply(static_cast<int>(targets.size()));
            engine.BeginSending(targets);
            for (qsizetype i = 0; i < targets.size(); ++i) {
                const auto record = engine::PacketRecord(engine.packets()[i]);
                Check(record.has_value(), "a stored packet without its record");
                engine.SetRequest(*record, targets[i], true);
            }
            engine.RequestsSent();
            // the apply's marker is the last request's; let the input choose
            engine.link_state.SetMarker(marker);
            continue;
        }
        const std::size_t length = std::min<std::size_t>(head, size - at);
        // The interface it arrived on, from the input too: an AP keeps the
        // first one it was heard on.
        const uint via = static_cast<uint>(head % 3);
        const engine::Received r =
            engine.Receive(QByteArrayView(reinterpret_cast<const char*>(data + at),
                                          static_cast<qsizetype>(length)),
                           via);
        at += length;
        if (r.kind == engine::Received::Kind::NewAp) {
            Check(r.interfaceIndex == via, "a new AP listed on another interface");
            Check(engine.InterfaceOf(engine.found_macs.last()) == via,
                  "a new AP remembered on another interface");
        }
        CheckReceived(r, engine, targets);
        CheckInvariants(engine, targets);
        if (engine.Tick() == engine::TimerTick::Settled) engine.SettleDone();
    }
    engine.TakeUnconfirmed();
    CheckInvariants(engine, targets);
    return 0;
}
