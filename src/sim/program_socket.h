#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <variant>

#include "core/net/in_memory_network.h"
#include "core/net/udp_socket_control.h"
#include "sim/in_memory_simulator.h"

namespace tern::sim {

// What a program talks to: the real network, restricted to the interfaces
// asked for, or the demo's APs inside the process. Both programs choose it
// the same way.
struct SocketChoice {
    bool demo = false;  // the demo's APs; otherwise the real network
    int demoCount = 8;
    bool oldFirmware = false;
    QStringList interfaces;  // real network only; empty: every one that can broadcast
};

// The socket with the demo network behind it, in the order they must go:
// the socket before the simulator, the simulator before the network.
struct ProgramSocket {
    std::unique_ptr<link::InMemoryNetwork> network;
    std::unique_ptr<InMemorySimulator> simulator;
    std::unique_ptr<link::UdpSocketControl> socket;

    ProgramSocket() = default;
    ProgramSocket(ProgramSocket&&) = default;
    ProgramSocket& operator=(ProgramSocket&&) = default;
    ~ProgramSocket() {
        socket.reset();
        simulator.reset();
    }
};

// The socket, not yet opened; or why not: a demo of no APs (never the real
// network instead), or interfaces that cannot be searched (nothing is sent then: a typing error
// must not turn into a search of some other segment).
std::variant<ProgramSocket, QString> ChooseProgramSocket(const SocketChoice& choice);

}  // namespace tern::sim
