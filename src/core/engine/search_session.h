#pragma once

#include <QObject>
#include <QTimer>
#include <array>
#include <cstdint>
#include <vector>

#include "core/engine/ap_engine.h"
#include "core/net/udp_socket_control.h"

namespace tern::engine {

// One search without widgets, for tern-ap-cli and the tests: the engine
// broadcasts the request and tells what each datagram is; the session
// collects the APs that answer, each once, in arrival order, until its
// window closes.
class SearchSession : public QObject {
    Q_OBJECT
  public:
    static constexpr int kSearchWindowMs = 2000;

    struct Found {
        std::array<std::uint8_t, 6> mac{};
        QByteArray packet;        // the 1180-byte payload, record in wire order
        net::RecordBytes record;  // host order
        bool enciphered = false;
        uint interfaceIndex = 0;  // 0: not known
        QString interfaceName;    // empty when not known
    };
    struct Counters {
        int datagrams = 0;
        int ownEchoes = 0;
        int duplicates = 0;
        int oldFirmware = 0;
        int other = 0;
        qint64 lost = 0;  // datagrams the socket lost during the search (a full buffer)
    };

    explicit SearchSession(net::UdpSocketControl& socket, QObject* parent = nullptr);

    // Clears the previous result and broadcasts a new request; finished()
    // follows after windowMs unless finish() comes first.
    void start(int windowMs = kSearchWindowMs);
    void finish();
    bool running() const { return running_; }

    const std::vector<Found>& found() const { return found_; }
    const Counters& counters() const { return counters_; }
    // The interfaces the request went out through (empty: by the routing
    // table) and how many sends went out.
    const QList<net::NetInterface>& searchedInterfaces() const {
        return socket_.searchedInterfaces();
    }
    int requestsSent() const { return requestsSent_; }
    ApEngine& engine() { return engine_; }

  Q_SIGNALS:
    void apFound(int index);
    void finished();

  private:
    void handleDatagram(const QByteArray& datagram, uint interfaceIndex);

    net::UdpSocketControl& socket_;
    ApEngine engine_;
    QTimer window_;
    bool running_ = false;
    int requestsSent_ = 0;
    std::vector<Found> found_;
    Counters counters_;
    qint64 lostBefore_ = 0;
};

}  // namespace tern::engine
