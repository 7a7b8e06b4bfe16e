#include "gui/mainwindow/url_opener.h"

#include <QDesktopServices>

namespace tern::gui {

bool DesktopUrlOpener::openUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

}  // namespace tern::gui
