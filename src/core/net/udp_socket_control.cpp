#include "core/net/udp_socket_control.h"

#include "core/net/protocol.h"

namespace tern::net {

int UdpSocketControl::BroadcastData(QByteArrayView datagram) {
    searched_ = searchInterfaces();
    otherNames_.clear();  // interfaces come and go between searches
    expectReplies();
    if (searched_.isEmpty()) {
        return SendDataVia(datagram, 0) < 0 ? 0 : 1;
    }
    // One send per interface: a limited broadcast leaves by one interface
    // only, so the APs of every other segment would never hear it.
    int sent = 0;
    for (const NetInterface& iface : searched_) {
        if (SendDataVia(datagram, iface.index) >= 0) {
            ++sent;
        }
    }
    return sent;
}

QString UdpSocketControl::interfaceName(uint index) const {
    for (const NetInterface& iface : searched_) {
        if (iface.index == index) {
            return iface.name;
        }
    }
    if (index == 0) {
        return {};
    }
    // Asked once per AP of a search: the system is asked once per interface.
    const auto known = otherNames_.constFind(index);
    if (known != otherNames_.cend()) {
        return *known;
    }
    return *otherNames_.insert(index, otherInterfaceName(index));
}

bool OpenOnProgramPort(UdpSocketControl& socket) {
    socket.lclPort = kDefaultPort;
    socket.rmtPort = kDefaultPort;
    socket.RmtAddr = QString::fromLatin1(kBroadcastAddress);
    return socket.OpenSocket();
}

QString UdpSocketControl::lostText(qint64 lost) const {
    return QStringLiteral(
               "%1 datagram(s) lost: the UDP receive buffer overflowed, so some APs may "
               "be missing. Its limit is raised with: sysctl -w net.core.rmem_max=%2")
        .arg(lost)
        .arg(kWantedReceiveBuffer);
}

}  // namespace tern::net
