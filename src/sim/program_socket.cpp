#include "sim/program_socket.h"

#include "core/net/net_interfaces.h"
#include "core/net/qt_udp_socket_control.h"
#include "sim/ap_simulator.h"

namespace tern::sim {

std::variant<ProgramSocket, QString> ChooseProgramSocket(const SocketChoice& choice) {
    ProgramSocket out;
    if (choice.demo) {
        if (choice.demoCount < 1) return QStringLiteral("a demo needs at least one AP");
        out.network = std::make_unique<link::InMemoryNetwork>();
        out.simulator = std::make_unique<InMemorySimulator>(
            *out.network, ApSimulator(DemoAps(choice.demoCount, choice.oldFirmware)));
        out.socket = std::make_unique<link::InMemorySocketControl>(*out.network);
        return out;
    }
    auto udp = std::make_unique<link::QtUdpSocketControl>();
    if (!choice.interfaces.isEmpty()) {
        const auto chosen = link::ChooseInterfaces(link::SystemInterfaces(), choice.interfaces);
        if (const QString* error = std::get_if<QString>(&chosen)) return *error;
        udp->restrictTo(std::get<QList<link::NetInterface>>(chosen));
    }
    out.socket = std::move(udp);
    return out;
}

}  // namespace tern::sim
