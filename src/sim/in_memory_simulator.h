#pragma once

#include "core/net/in_memory_network.h"
#include "sim/ap_simulator.h"

namespace tern::sim {

// Puts an ApSimulator on an in-memory network, listening on the AP port:
// what the demo mode and the tests talk to instead of real devices.
class InMemorySimulator : private net::InMemoryNetwork::Endpoint {
  public:
    InMemorySimulator(net::InMemoryNetwork& network, ApSimulator simulator,
                      int port = net::kDefaultPort, int segment = 0);
    ~InMemorySimulator() override;
    InMemorySimulator(const InMemorySimulator&) = delete;
    InMemorySimulator& operator=(const InMemorySimulator&) = delete;

    ApSimulator& simulator() { return simulator_; }

  private:
    void deliver(const QByteArray& datagram, int segment) override;

    net::InMemoryNetwork& network_;
    ApSimulator simulator_;
    int port_;
};

}  // namespace tern::sim
