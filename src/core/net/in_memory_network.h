#pragma once

#include <QByteArray>
#include <QObject>
#include <cstddef>
#include <deque>
#include <utility>
#include <vector>

#include "core/net/udp_socket_control.h"

namespace tern::net {

// LAN segments in memory: every datagram sent to a port on a segment is
// delivered to every endpoint attached to that port on that segment, the
// sender included, as a broadcast on a real segment is. Segment 0 is the
// one everybody is on unless told otherwise; a multi-homed endpoint
// attaches to several. Delivery is queued and happens from the event loop
// (or from deliverPending), never inside the send, so a handler that sends
// is not re-entered.
class InMemoryNetwork : public QObject {
    Q_OBJECT
  public:
    class Endpoint {
      public:
        virtual ~Endpoint() = default;
        virtual void deliver(const QByteArray& datagram, int segment) = 0;
        // deliverPending has delivered all it will for now.
        virtual void deliveredAll() {}
    };

    // Delivery stops after this many datagrams per call, so two endpoints
    // answering each other cannot spin for ever.
    static constexpr std::size_t kMaxDeliveriesPerCall = 200'000;

    explicit InMemoryNetwork(QObject* parent = nullptr);
    ~InMemoryNetwork() override;

    void attach(Endpoint* endpoint, int port, int segment = 0);
    void detach(Endpoint* endpoint);  // from every segment

    void send(QByteArray datagram, int port, int segment = 0);
    // Queues the datagram after `delayMs` (0: at once).
    void sendAfter(QByteArray datagram, int port, int delayMs, int segment = 0);

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
        int segment;
    };
    struct Queued {
        QByteArray datagram;
        int port;
        int segment;
    };
    void enqueue(QByteArray datagram, int port, int segment);

    std::vector<Attachment> attachments_;
    std::deque<Queued> queue_;
    bool flushScheduled_ = false;
    int delayed_ = 0;
    std::size_t sent_ = 0;
};

// The socket control on an in-memory network: no real socket is opened.
// With segments set (before OpenSocket) it stands for a multi-homed host:
// one interface per segment, the interface index being the segment number,
// the first one holding the default route.
class InMemorySocketControl : public UdpSocketControl, private InMemoryNetwork::Endpoint {
    Q_OBJECT
  public:
    explicit InMemorySocketControl(InMemoryNetwork& network, QObject* parent = nullptr);
    ~InMemorySocketControl() override;

    bool OpenSocket() override;
    int SendDataVia(QByteArrayView datagram, uint interfaceIndex) override;
    void CloseSocket() override;
    bool isOpen() const override { return open_; }

    void setSegments(QList<NetInterface> interfaces) { segments_ = std::move(interfaces); }
    QList<NetInterface> searchInterfaces() const override { return segments_; }

  private:
    // Like a real socket's receive event, never raised again while a handler
    // of it still runs (a modal box opened inside, say): what arrives then
    // waits, and follows once the handler has returned.
    void deliver(const QByteArray& datagram, int segment) override;
    void deliveredAll() override;

    InMemoryNetwork& network_;
    QList<NetInterface> segments_;
    bool open_ = false;
    bool delivering_ = false;
    bool deliveredSinceDone_ = false;
    std::deque<std::pair<QByteArray, int>> backlog_;
};

}  // namespace tern::net
