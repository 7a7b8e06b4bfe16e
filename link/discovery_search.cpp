#include "link/discovery_search.h"

#include <cstring>

namespace tern::link {

namespace {
constexpr std::size_t kMacOffset = 1130;
}

DiscoverySearch::DiscoverySearch(UdpSocketControl& socket, LinkState& link, QObject* parent)
    : QObject(parent), socket_(socket), link_(link) {
    window_.setSingleShot(true);
    connect(&window_, &QTimer::timeout, this, &DiscoverySearch::finish);
    connect(&socket_, &UdpSocketControl::OnRecv, this, &DiscoverySearch::handleDatagram);
}

void DiscoverySearch::start(int windowMs) {
    found_.clear();
    seen_.clear();
    counters_ = {};
    link_.NewRequest();
    running_ = true;
    socket_.SendData(BuildSearchRequest(link_.request_marker()));
    window_.start(windowMs);
}

void DiscoverySearch::finish() {
    if (!running_) {
        return;
    }
    running_ = false;
    window_.stop();
    Q_EMIT finished();
}

void DiscoverySearch::handleDatagram(const QByteArray& datagram) {
    if (!running_) {
        return;
    }
    ++counters_.datagrams;
    const ClassifiedDatagram c = ClassifyDatagram(datagram, link_);
    switch (c.kind) {
        case DatagramKind::OwnSearchEcho:
        case DatagramKind::OwnSetEcho:
            ++counters_.ownEchoes;
            return;
        case DatagramKind::OldFirmwareReply:
            ++counters_.oldFirmware;
            return;
        case DatagramKind::DiscoveryReply:
            break;
        default:
            ++counters_.other;
            return;
    }
    Found ap;
    ap.record = DiscoveryRecord(c);
    std::memcpy(ap.mac.data(), ap.record.data() + kMacOffset, ap.mac.size());
    if (!seen_.insert(ap.mac).second) {
        ++counters_.duplicates;
        return;
    }
    ap.packet = c.payload;
    ap.enciphered = c.enciphered;
    found_.push_back(std::move(ap));
    Q_EMIT apFound(static_cast<int>(found_.size()) - 1);
}

}  // namespace tern::link
