#pragma once

#include "link/protocol.h"
#include "link/udp_socket_control.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <array>
#include <set>
#include <vector>

namespace tern::link {

// One search, headless: broadcasts a search request and collects each AP
// that answers once, by MAC address, in arrival order, until the search
// window closes. The command-line front end and the tests use it; the main
// window runs the same steps through its own handlers.
class DiscoverySearch : public QObject {
    Q_OBJECT
public:
    static constexpr int kSearchWindowMs = 2000;

    struct Found {
        std::array<std::uint8_t, 6> mac{};
        QByteArray packet;   // the 1180-byte payload, record in wire order
        RecordBytes record;  // host order
        bool enciphered = false;
    };
    struct Counters {
        int datagrams = 0;
        int ownEchoes = 0;
        int duplicates = 0;
        int oldFirmware = 0;
        int other = 0;
    };

    DiscoverySearch(UdpSocketControl& socket, LinkState& link, QObject* parent = nullptr);

    // Clears the previous result, draws a new marker and broadcasts the
    // request; finished() follows after windowMs unless finish() comes first.
    void start(int windowMs = kSearchWindowMs);
    void finish();
    bool running() const { return running_; }

    const std::vector<Found>& found() const { return found_; }
    const Counters& counters() const { return counters_; }

Q_SIGNALS:
    void apFound(int index);
    void finished();

private:
    void handleDatagram(const QByteArray& datagram);

    UdpSocketControl& socket_;
    LinkState& link_;
    QTimer window_;
    bool running_ = false;
    std::vector<Found> found_;
    std::set<std::array<std::uint8_t, 6>> seen_;
    Counters counters_;
};

}  // namespace tern::link
