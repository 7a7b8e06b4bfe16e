#pragma once

#include <QString>

namespace tern::net {

// True when this process is not in the host's network namespace: its
// namespace differs from that of PID 1, as inside tools/isolated-net and the
// segments it builds out of veth pairs. Where PID 1's namespace cannot be
// read (an unprivileged user), only a namespace whose interfaces are all
// loopback counts as private. The AP simulator and the tests that open
// real sockets refuse to run otherwise, so they never reach a real network.
// `why` says what was found when the answer is false.
bool InPrivateNetworkNamespace(QString* why = nullptr);

}  // namespace tern::net
