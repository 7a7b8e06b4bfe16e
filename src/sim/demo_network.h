#pragma once

#include <QString>
#include <memory>
#include <variant>

#include "core/net/in_memory_network.h"
#include "core/net/udp_socket_control.h"
#include "sim/in_memory_simulator.h"

namespace tern::sim {

// The demo's APs inside the process, and the socket that talks to them:
// what --demo puts where the real network would be. The parts go in
// order: the socket before the simulator, the simulator before the network.
struct DemoNetwork {
    std::unique_ptr<net::InMemoryNetwork> network;
    std::unique_ptr<InMemorySimulator> simulator;
    std::unique_ptr<net::UdpSocketControl> socket;

    DemoNetwork() = default;
    DemoNetwork(DemoNetwork&&) = default;
    DemoNetwork& operator=(DemoNetwork&&) = default;
    ~DemoNetwork() {
        socket.reset();
        simulator.reset();
    }
};

// `count` demo APs (one with old firmware added when asked); a demo of no
// APs is an error, never the real network instead.
std::variant<DemoNetwork, QString> MakeDemoNetwork(int count, bool oldFirmware);

}  // namespace tern::sim
