#include "core/net/in_memory_network.h"

#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace tern::net {

InMemoryNetwork::InMemoryNetwork(QObject* parent) : QObject(parent) {}

InMemoryNetwork::~InMemoryNetwork() = default;

void InMemoryNetwork::attach(Endpoint* endpoint, int port, int segment) {
    std::erase_if(attachments_, [&](const Attachment& a) {
        return a.endpoint == endpoint && a.segment == segment;
    });
    attachments_.push_back({endpoint, port, segment});
}

void InMemoryNetwork::detach(Endpoint* endpoint) {
    std::erase_if(attachments_, [endpoint](const Attachment& a) { return a.endpoint == endpoint; });
}

void InMemoryNetwork::send(QByteArray datagram, int port, int segment) {
    ++sent_;
    enqueue(std::move(datagram), port, segment);
}

void InMemoryNetwork::sendAfter(QByteArray datagram, int port, int delayMs, int segment) {
    if (delayMs <= 0) {
        send(std::move(datagram), port, segment);
        return;
    }
    ++sent_;
    ++delayed_;
    QTimer::singleShot(delayMs, this,
                       [this, datagram = std::move(datagram), port, segment]() mutable {
                           --delayed_;
                           enqueue(std::move(datagram), port, segment);
                       });
}

void InMemoryNetwork::enqueue(QByteArray datagram, int port, int segment) {
    queue_.push_back({std::move(datagram), port, segment});
    if (!flushScheduled_) {
        flushScheduled_ = true;
        QTimer::singleShot(0, this, [this] {
            flushScheduled_ = false;
            deliverPending();
        });
    }
}

std::size_t InMemoryNetwork::deliverPending() {
    std::size_t delivered = 0;
    while (!queue_.empty() && delivered < kMaxDeliveriesPerCall) {
        Queued next = std::move(queue_.front());
        queue_.pop_front();
        // A delivery may attach or detach endpoints: work on a copy.
        const auto receivers = attachments_;
        for (const Attachment& a : receivers) {
            if (a.port != next.port || a.segment != next.segment) {
                continue;
            }
            const bool stillAttached =
                std::any_of(attachments_.begin(), attachments_.end(), [&a](const Attachment& b) {
                    return b.endpoint == a.endpoint && b.segment == a.segment;
                });
            if (stillAttached) {
                a.endpoint->deliver(next.datagram, next.segment);
            }
        }
        ++delivered;
    }
    if (delivered > 0) {
        // Each endpoint once, however many segments it is on; one that a
        // delivery detached is not told.
        std::vector<Endpoint*> told;
        for (const Attachment& a : std::vector<Attachment>(attachments_)) {
            const bool stillAttached =
                std::any_of(attachments_.begin(), attachments_.end(),
                            [&a](const Attachment& b) { return b.endpoint == a.endpoint; });
            if (stillAttached && std::find(told.begin(), told.end(), a.endpoint) == told.end()) {
                told.push_back(a.endpoint);
                a.endpoint->deliveredAll();
            }
        }
    }
    return delivered;
}

InMemorySocketControl::InMemorySocketControl(InMemoryNetwork& network, QObject* parent)
    : UdpSocketControl(parent), network_(network) {}

InMemorySocketControl::~InMemorySocketControl() { CloseSocket(); }

bool InMemorySocketControl::OpenSocket() {
    if (segments_.isEmpty()) {
        network_.attach(this, lclPort);
    }
    for (const NetInterface& s : segments_) {
        network_.attach(this, lclPort, static_cast<int>(s.index));
    }
    open_ = true;
    return true;
}

int InMemorySocketControl::SendDataVia(QByteArrayView datagram, uint interfaceIndex) {
    if (!open_) {
        return -1;
    }
    int segment = segments_.isEmpty() ? 0 : static_cast<int>(segments_.first().index);
    if (interfaceIndex != 0) {
        const bool known =
            std::any_of(segments_.begin(), segments_.end(),
                        [&](const NetInterface& s) { return s.index == interfaceIndex; });
        if (!known) {
            return -1;  // no such interface on this host
        }
        segment = static_cast<int>(interfaceIndex);
    }
    network_.send(datagram.toByteArray(), rmtPort, segment);
    return static_cast<int>(datagram.size());
}

void InMemorySocketControl::CloseSocket() {
    if (open_) {
        network_.detach(this);
        open_ = false;
    }
}

void InMemorySocketControl::deliver(const QByteArray& datagram, int segment) {
    if (delivering_) {
        backlog_.emplace_back(datagram, segment);
        return;
    }
    const QPointer<InMemorySocketControl> self(this);
    delivering_ = true;
    deliveredSinceDone_ = true;
    Q_EMIT OnRecv(datagram, static_cast<uint>(segment));
    // The backlog only grows by deliveries made during a handler, which the
    // network bounds per call.
    while (self && open_ && !backlog_.empty()) {
        const auto [next, nextSegment] = std::move(backlog_.front());
        backlog_.pop_front();
        Q_EMIT OnRecv(next, static_cast<uint>(nextSegment));
    }
    if (self) {
        delivering_ = false;
        if (!open_) backlog_.clear();
    }
}

void InMemorySocketControl::deliveredAll() {
    // Inside a handler's own event loop the batch is not over yet: the
    // outer delivery says so when it is.
    if (delivering_ || !deliveredSinceDone_) {
        return;
    }
    deliveredSinceDone_ = false;
    Q_EMIT OnRecvDone();
}

}  // namespace tern::net
