#include "core/net/network_socket.h"

#include "core/net/net_interfaces.h"
#include "core/net/qt_udp_socket_control.h"

namespace tern::net {

std::variant<std::unique_ptr<UdpSocketControl>, QString> NetworkSocket(
    const QStringList& interfaces) {
    auto udp = std::make_unique<QtUdpSocketControl>();
    if (!interfaces.isEmpty()) {
        const auto chosen = ChooseInterfaces(SystemInterfaces(), interfaces);
        if (const QString* error = std::get_if<QString>(&chosen)) return *error;
        udp->restrictTo(std::get<QList<NetInterface>>(chosen));
    }
    return std::unique_ptr<UdpSocketControl>(std::move(udp));
}

}  // namespace tern::net
