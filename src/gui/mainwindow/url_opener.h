#pragma once

#include <QUrl>

namespace tern::gui {

// Opens a web address in the default browser; tests put a recorder here.
class UrlOpener {
  public:
    virtual ~UrlOpener() = default;
    virtual bool openUrl(const QUrl& url) = 0;
};

// The desktop's own handler (QDesktopServices).
class DesktopUrlOpener : public UrlOpener {
  public:
    bool openUrl(const QUrl& url) override;
};

}  // namespace tern::gui
