#include "sim/demo_network.h"

#include "sim/ap_simulator.h"

namespace tern::sim {

std::variant<DemoNetwork, QString> MakeDemoNetwork(int count, bool oldFirmware) {
    if (count < 1) return QStringLiteral("a demo needs at least one AP");
    DemoNetwork out;
    out.network = std::make_unique<net::InMemoryNetwork>();
    out.simulator =
        std::make_unique<InMemorySimulator>(*out.network, ApSimulator(DemoAps(count, oldFirmware)));
    out.socket = std::make_unique<net::InMemorySocketControl>(*out.network);
    return out;
}

}  // namespace tern::sim
