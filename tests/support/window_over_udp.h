#pragma once

// What the tests of the main window over real sockets share: a fixed
// screen, bounded waiting on the event loop, and reading the AP list.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSize>
#include <QString>
#include <functional>

#include "gui/mainwindow/tmain_fm.h"
#include "gui/widgets/tquill_grid.h"

namespace tern::test {

class FixedScreen : public gui::ScreenInfo {
  public:
    QSize screenSize() const override { return {1280, 1024}; }
};

// Runs the event loop until `done` or `ms` have passed; what `done` says then.
inline bool PumpUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return done();
}

// APs in the list: an empty first row is no AP.
inline int ListedAps(const gui::TQuillGrid& grid) {
    return grid.Cells(1, 1).isEmpty() ? 0 : grid.RowCount() - 1;
}

// The list row of the AP with this MAC text; -1 when it is not listed.
inline int RowOfMac(const gui::TQuillGrid& grid, const QString& mac) {
    for (int r = 1; r < grid.RowCount(); ++r) {
        if (grid.Cells(1, r) == mac) return r;
    }
    return -1;
}

}  // namespace tern::test
