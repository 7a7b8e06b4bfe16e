#include "link/network_guard.h"

#include <QNetworkInterface>

namespace tern::link {

bool OnlyLoopbackNetwork(QString* offendingInterface) {
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        const auto flags = iface.flags();
        if (flags.testFlag(QNetworkInterface::IsUp) && !flags.testFlag(QNetworkInterface::IsLoopBack)) {
            if (offendingInterface) {
                *offendingInterface = iface.name();
            }
            return false;
        }
    }
    return true;
}

}  // namespace tern::link
