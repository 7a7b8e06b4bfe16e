#include "link/in_memory_network.h"

#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace tern::link {

InMemoryNetwork::InMemoryNetwork(QObject* parent) : QObject(parent) {}

InMemoryNetwork::~InMemoryNetwork() = default;

void InMemoryNetwork::attach(Endpoint* endpoint, int port) {
    detach(endpoint);
    attachments_.push_back({endpoint, port});
}

void InMemoryNetwork::detach(Endpoint* endpoint) {
    std::erase_if(attachments_, [endpoint](const Attachment& a) { return a.endpoint == endpoint; });
}

void InMemoryNetwork::send(QByteArray datagram, int port) {
    ++sent_;
    enqueue(std::move(datagram), port);
}

void InMemoryNetwork::sendAfter(QByteArray datagram, int port, int delayMs) {
    if (delayMs <= 0) {
        send(std::move(datagram), port);
        return;
    }
    ++sent_;
    ++delayed_;
    QTimer::singleShot(delayMs, this, [this, datagram = std::move(datagram), port]() mutable {
        --delayed_;
        enqueue(std::move(datagram), port);
    });
}

void InMemoryNetwork::enqueue(QByteArray datagram, int port) {
    queue_.push_back({std::move(datagram), port});
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
            const bool stillAttached =
                std::any_of(attachments_.begin(), attachments_.end(),
                            [&a](const Attachment& b) { return b.endpoint == a.endpoint; });
            if (a.port == next.port && stillAttached) {
                a.endpoint->deliver(next.datagram);
            }
        }
        ++delivered;
    }
    return delivered;
}

InMemorySocketControl::InMemorySocketControl(InMemoryNetwork& network, QObject* parent)
    : UdpSocketControl(parent), network_(network) {}

InMemorySocketControl::~InMemorySocketControl() {
    CloseSocket();
}

bool InMemorySocketControl::OpenSocket() {
    network_.attach(this, lclPort);
    open_ = true;
    return true;
}

int InMemorySocketControl::SendData(QByteArrayView datagram) {
    if (!open_) {
        return -1;
    }
    network_.send(datagram.toByteArray(), rmtPort);
    return static_cast<int>(datagram.size());
}

void InMemorySocketControl::CloseSocket() {
    if (open_) {
        network_.detach(this);
        open_ = false;
    }
}

void InMemorySocketControl::deliver(const QByteArray& datagram) {
    if (delivering_) {
        backlog_.push_back(datagram);
        return;
    }
    const QPointer<InMemorySocketControl> self(this);
    delivering_ = true;
    Q_EMIT OnRecv(datagram);
    // The backlog only grows by deliveries made during a handler, which the
    // network bounds per call.
    while (self && open_ && !backlog_.empty()) {
        const QByteArray next = std::move(backlog_.front());
        backlog_.pop_front();
        Q_EMIT OnRecv(next);
    }
    if (self) {
        delivering_ = false;
        if (!open_) backlog_.clear();
    }
}

}  // namespace tern::link
