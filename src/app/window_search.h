#pragma once

#include <QString>

namespace tern::app {

// True when a top-level window of any program has exactly this title, where
// the platform can tell (an X11 display, XWayland included). Elsewhere, and
// when no display can be reached, false.
bool TopLevelWindowWithTitleExists(const QString& title);

// False when the X11 display named by DISPLAY cannot be opened, where the
// platform can tell; true otherwise.
bool X11DisplayOpens();

}  // namespace tern::app
