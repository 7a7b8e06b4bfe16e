#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <variant>

#include "core/net/udp_socket_control.h"

namespace tern::net {

// The real network's socket, not yet opened, restricted to `interfaces`
// (empty: every interface that is up and can broadcast); or why not:
// interfaces that cannot be searched. Nothing is sent then: a typing error
// must not turn into a search of some other segment.
std::variant<std::unique_ptr<UdpSocketControl>, QString> NetworkSocket(
    const QStringList& interfaces);

}  // namespace tern::net
