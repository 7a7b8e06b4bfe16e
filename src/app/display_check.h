#pragma once

#include <QByteArray>
#include <QStringList>

namespace tern::app {

// What decides, before Qt is asked, whether the window has anywhere to go.
struct DisplayEnvironment {
    QByteArray qtPlatform;          // QT_QPA_PLATFORM
    QByteArray x11Display;          // DISPLAY
    QByteArray waylandDisplay;      // WAYLAND_DISPLAY
    bool platformArgument = false;  // -platform NAME on the command line
};

DisplayEnvironment CurrentDisplayEnvironment(int argc, const char* const* argv);

// True where the window certainly cannot open: on a Linux desktop system
// with no display named and no Qt platform chosen. Qt would then abort with
// a text about reinstalling, which sends a newcomer the wrong way.
bool NoDisplayFor(const DisplayEnvironment& environment);

// True when the X11 display named by DISPLAY is the only way out for the
// window; whether it opens is then worth asking before Qt does.
bool OnlyX11DisplayNamed(const DisplayEnvironment& environment);

// The line for a DISPLAY that names a display nobody answers on (a stale
// variable, a forwarding that is gone).
QByteArray UnreachableDisplayMessage(const QByteArray& display);

inline constexpr char kNoDisplayMessage[] =
    "tern-ap-utility: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set). "
    "For a try without one: QT_QPA_PLATFORM=offscreen tern-ap-utility --demo; "
    "from a shell: tern-ap-cli --help";

}  // namespace tern::app
