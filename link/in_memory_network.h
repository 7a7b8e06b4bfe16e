#pragma once

#include "link/udp_socket_control.h"

#include <QByteArray>
#include <QObject>

#include <cstddef>
#include <deque>
#include <vector>

namespace tern::link {

// A LAN segment in memory: every datagram sent to a port is delivered to
// every endpoint attached to that port, the sender included, as a broadcast
// on a real segment is. Delivery is queued and happens from the event loop
// (or from deliverPending), never inside the send, so a handler that sends
// is not re-entered.
class InMemoryNetwork : public QObject {
    Q_OBJECT
public:
    class Endpoint {
    public:
        virtual ~Endpoint() = default;
        virtual void deliver(const QByteArray& datagram) = 0;
    };

    // Delivery stops after this many datagrams per call, so two endpoints
    // answering each other cannot spin for ever.
    static constexpr std::size_t kMaxDeliveriesPerCall = 200'000;

    explicit InMemoryNetwork(QObject* parent = nullptr);
    ~InMemoryNetwork() override;

    void attach(Endpoint* endpoint, int port);
    void detach(Endpoint* endpoint);

    void send(QByteArray datagram, int port);
    // Queues the datagram after `delayMs` (0: at once).
    void sendAfter(QByteArray datagram, int port, int delayMs);

    // Delivers everything queued, including what the deliveries send in
    // turn, up to kMaxDeliveriesPerCall. Returns the number delivered.
    std::size_t deliverPending();
    std::size_t pendingCount() const { return queue_.size(); }
    // Datagrams queued or waiting for their delay.
    bool idle() const { return queue_.empty() && delayed_ == 0; }
    std::size_t sentCount() const { return sent_; }

private:
    struct Attachment {
        Endpoint* endpoint;
        int port;
    };
    struct Queued {
        QByteArray datagram;
        int port;
    };
    void enqueue(QByteArray datagram, int port);

    std::vector<Attachment> attachments_;
    std::deque<Queued> queue_;
    bool flushScheduled_ = false;
    int delayed_ = 0;
    std::size_t sent_ = 0;
};

// The socket control on an in-memory network: no real socket is opened.
class InMemorySocketControl : public UdpSocketControl, private InMemoryNetwork::Endpoint {
    Q_OBJECT
public:
    explicit InMemorySocketControl(InMemoryNetwork& network, QObject* parent = nullptr);
    ~InMemorySocketControl() override;

    bool OpenSocket() override;
    int SendData(QByteArrayView datagram) override;
    void CloseSocket() override;
    bool isOpen() const override { return open_; }

private:
    // Like a real socket's receive event, never raised again while a handler
    // of it still runs (a modal box opened inside, say): what arrives then
    // waits, and follows once the handler has returned.
    void deliver(const QByteArray& datagram) override;

    InMemoryNetwork& network_;
    bool open_ = false;
    bool delivering_ = false;
    std::deque<QByteArray> backlog_;
};

}  // namespace tern::link
