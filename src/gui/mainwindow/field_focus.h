#pragma once

#include <QEvent>
#include <QFocusEvent>

namespace tern::gui {

// Focus changes that come from the window losing or regaining activation (a
// message box, a menu) are not the user entering or leaving a field.
inline bool IsFieldFocusChange(const QEvent* event) {
    const Qt::FocusReason reason = static_cast<const QFocusEvent*>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
           reason != Qt::MenuBarFocusReason;
}

}  // namespace tern::gui
