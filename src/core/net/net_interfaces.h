#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <variant>

#include "core/net/udp_socket_control.h"

namespace tern::net {

// What the program needs to know of one network interface to decide
// whether a search may go out through it.
struct InterfaceInfo {
    uint index = 0;
    QString name;
    bool up = false;
    bool running = false;
    bool canBroadcast = false;
    bool loopback = false;
    bool hasIpv4 = false;
};

// The interfaces of this host as the system reports them now.
QList<InterfaceInfo> SystemInterfaces();

// Those a search goes out through: IPv4, up, running, broadcast-capable,
// not loopback; in the order the system numbers them.
QList<NetInterface> BroadcastInterfaces(const QList<InterfaceInfo>& all);

// The interfaces named on the command line, each one checked; the error
// names the first that is unknown, down or cannot broadcast. Naming one
// twice searches it once.
std::variant<QList<NetInterface>, QString> ChooseInterfaces(const QList<InterfaceInfo>& all,
                                                            const QStringList& names);

}  // namespace tern::net
