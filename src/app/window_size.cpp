#include "app/window_size.h"

#include <QEvent>
#include <QScreen>
#include <QSettings>
#include <QWidget>

namespace tern::app {

namespace {

const QString kSizeKey = QStringLiteral("window/size");
const QString kMaximisedKey = QStringLiteral("window/maximised");

}  // namespace

QSize SizeWithin(QSize saved, QSize smallest, QSize room) {
    QSize size = saved.expandedTo(smallest);
    if (room.isValid() && !room.isEmpty()) {
        size = size.boundedTo(room).expandedTo(smallest);
    }
    return size;
}

WindowSizeKeeper::WindowSizeKeeper(QWidget& window, QSettings& settings)
    : QObject(&window), window_(window), settings_(settings) {
    restore();
    window_.installEventFilter(this);
}

void WindowSizeKeeper::restore() {
    const QSize saved = settings_.value(kSizeKey).toSize();
    if (saved.isValid()) {
        const QScreen* screen = window_.screen();
        const QRect room = screen != nullptr ? screen->availableGeometry() : QRect();
        const QSize size = SizeWithin(saved, window_.minimumSize(), room.size());
        window_.resize(size);
        if (room.isValid()) {
            // centred as the default size is
            window_.move(room.x() + std::max(0, (room.width() - size.width()) / 2),
                         room.y() + std::max(0, (room.height() - size.height()) / 2));
        }
    }
    if (settings_.value(kMaximisedKey).toBool()) {
        window_.setWindowState(window_.windowState() | Qt::WindowMaximized);
    }
}

void WindowSizeKeeper::save() {
    const bool maximised = window_.isMaximized();
    // A maximised window's own size is the screen's; the size to come back
    // to is the one it had before.
    const QSize size = maximised ? window_.normalGeometry().size() : window_.size();
    if (size.isValid()) {
        settings_.setValue(kSizeKey, size);
    }
    settings_.setValue(kMaximisedKey, maximised);
    settings_.sync();
}

bool WindowSizeKeeper::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::Close) {
        save();
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tern::app
