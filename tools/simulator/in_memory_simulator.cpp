#include "tools/simulator/in_memory_simulator.h"

namespace tern::sim {

InMemorySimulator::InMemorySimulator(link::InMemoryNetwork& network, ApSimulator simulator,
                                     int port)
    : network_(network), simulator_(std::move(simulator)), port_(port) {
    network_.attach(this, port_);
}

InMemorySimulator::~InMemorySimulator() {
    network_.detach(this);
}

void InMemorySimulator::deliver(const QByteArray& datagram) {
    for (SimReply& reply : simulator_.handle(datagram)) {
        network_.sendAfter(std::move(reply.datagram), port_, reply.delayMs);
    }
}

}  // namespace tern::sim
