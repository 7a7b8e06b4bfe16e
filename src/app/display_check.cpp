#include "app/display_check.h"

#include <QtGlobal>
#include <cstring>

namespace tern::app {

DisplayEnvironment CurrentDisplayEnvironment(int argc, const char* const* argv) {
    DisplayEnvironment e;
    e.qtPlatform = qgetenv("QT_QPA_PLATFORM");
    e.x11Display = qgetenv("DISPLAY");
    e.waylandDisplay = qgetenv("WAYLAND_DISPLAY");
    for (int i = 1; i < argc; ++i) {
        // Qt takes its own options with one dash or two.
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) {
            e.platformArgument = true;
        }
    }
    return e;
}

bool NoDisplayFor(const DisplayEnvironment& e) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)
    return e.qtPlatform.isEmpty() && !e.platformArgument && e.x11Display.isEmpty() &&
           e.waylandDisplay.isEmpty();
#else
    Q_UNUSED(e);
    return false;
#endif
}

bool OnlyX11DisplayNamed(const DisplayEnvironment& e) {
    return e.qtPlatform.isEmpty() && !e.platformArgument && e.waylandDisplay.isEmpty() &&
           !e.x11Display.isEmpty();
}

QByteArray UnreachableDisplayMessage(const QByteArray& display) {
    return "tern-ap-utility: cannot open the display DISPLAY=" + display +
           ". For a try without one: QT_QPA_PLATFORM=offscreen tern-ap-utility --demo; "
           "from a shell: tern-ap-cli --help";
}

}  // namespace tern::app
