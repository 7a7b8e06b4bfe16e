#pragma once

#include <QObject>
#include <QSize>

class QSettings;
class QWidget;

namespace tern::app {

// The main window's size across starts, kept in the user's settings of the
// application: restored before the window is first shown, written when it
// closes. A size below the window's smallest, or larger than the screen's
// work area, is brought within them.
class WindowSizeKeeper : public QObject {
  public:
    // Restores at once; `settings` must outlive the keeper.
    WindowSizeKeeper(QWidget& window, QSettings& settings);

    // Writes the window's size now (its size before it was maximised, and
    // whether it was).
    void save();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void restore();

    QWidget& window_;
    QSettings& settings_;
};

// The size a saved one is shown at: at least `smallest`, at most `room`
// (the screen's work area; an empty size: no limit).
QSize SizeWithin(QSize saved, QSize smallest, QSize room);

}  // namespace tern::app
