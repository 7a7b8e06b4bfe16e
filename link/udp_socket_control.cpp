#include "link/udp_socket_control.h"

namespace tern::link {

int UdpSocketControl::BroadcastData(QByteArrayView datagram) {
    searched_ = searchInterfaces();
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
    return index == 0 ? QString() : otherInterfaceName(index);
}

}  // namespace tern::link
