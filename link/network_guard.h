#pragma once

#include <QString>

namespace tern::link {

// True when every network interface that is up is a loopback interface,
// as inside tools/isolated-net. The AP simulator and the tests that open
// real sockets refuse to run otherwise, so they never reach a real network.
bool OnlyLoopbackNetwork(QString* offendingInterface = nullptr);

}  // namespace tern::link
