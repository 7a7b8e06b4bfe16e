#include "core/engine/search_session.h"

#include "core/record/ap_config_record.h"

namespace tern::engine {

SearchSession::SearchSession(net::UdpSocketControl& socket, QObject* parent)
    : QObject(parent), socket_(socket) {
    window_.setSingleShot(true);
    connect(&window_, &QTimer::timeout, this, &SearchSession::finish);
    connect(&socket_, &net::UdpSocketControl::OnRecv, this, &SearchSession::handleDatagram);
}

void SearchSession::start(int windowMs) {
    found_.clear();
    counters_ = {};
    lostBefore_ = socket_.lostCount();
    running_ = true;
    requestsSent_ = socket_.BroadcastData(engine_.StartSearch());
    window_.start(windowMs);
}

void SearchSession::finish() {
    if (!running_) {
        return;
    }
    running_ = false;
    window_.stop();
    counters_.lost = socket_.lostCount() - lostBefore_;
    Q_EMIT finished();
}

void SearchSession::handleDatagram(const QByteArray& datagram, uint interfaceIndex) {
    if (!running_) {
        return;
    }
    ++counters_.datagrams;
    const Received r = engine_.Receive(datagram, interfaceIndex);
    switch (r.kind) {
        case Received::Kind::OwnEcho:
            ++counters_.ownEchoes;
            return;
        case Received::Kind::OldFirmware:
            ++counters_.oldFirmware;
            return;
        case Received::Kind::Duplicate:
            ++counters_.duplicates;
            return;
        case Received::Kind::NewAp:
            break;
        default:
            ++counters_.other;
            return;
    }
    Found ap;
    const record::ApConfigRecord record = *PacketRecord(r.packet);  // a new AP's is whole
    ap.record = record.bytes();
    ap.mac = record.mac_addr();
    ap.packet = r.wirePacket;
    ap.enciphered = r.enciphered;
    ap.interfaceIndex = r.interfaceIndex;
    ap.interfaceName = socket_.interfaceName(r.interfaceIndex);
    found_.push_back(std::move(ap));
    Q_EMIT apFound(static_cast<int>(found_.size()) - 1);
}

}  // namespace tern::engine
