#include "sim/in_memory_simulator.h"

namespace tern::sim {

InMemorySimulator::InMemorySimulator(net::InMemoryNetwork& network, ApSimulator simulator, int port,
                                     int segment)
    : network_(network), simulator_(std::move(simulator)), port_(port) {
    network_.attach(this, port_, segment);
}

InMemorySimulator::~InMemorySimulator() { network_.detach(this); }

void InMemorySimulator::deliver(const QByteArray& datagram, int segment) {
    for (SimReply& reply : simulator_.handle(datagram)) {
        network_.sendAfter(std::move(reply.datagram), port_, reply.delayMs, segment);
    }
}

}  // namespace tern::sim
