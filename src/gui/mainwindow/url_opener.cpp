#include "gui/mainwindow/url_opener.h"

#include <QDesktopServices>

namespace tern::app {

bool DesktopUrlOpener::openUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

}  // namespace tern::app
