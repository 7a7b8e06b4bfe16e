#pragma once

#include "core/net/in_memory_network.h"
#include "sim/ap_simulator.h"

namespace tern::sim {

// Puts an ApSimulator on an in-memory network, listening on the AP port:
// what the demo mode and the tests talk to instead of real devices.
class InMemorySimulator : private link::InMemoryNetwork::Endpoint {
  public:
    InMemorySimulator(link::InMemoryNetwork& network, ApSimulator simulator,
                      int port = link::kDefaultPort, int segment = 0);
    ~InMemorySimulator() override;
    InMemorySimulator(const InMemorySimulator&) = delete;
    InMemorySimulator& operator=(const InMemorySimulator&) = delete;

    ApSimulator& simulator() { return simulator_; }

  private:
    void deliver(const QByteArray& datagram, int segment) override;

    link::InMemoryNetwork& network_;
    ApSimulator simulator_;
    int port_;
};

}  // namespace tern::sim
