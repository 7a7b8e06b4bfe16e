#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

namespace tern::gui {

// The pictures of the main window's navigation column, drawn at run time.
// They always show the page names in English; the localised names are the
// (covered) navigation labels' texts.

inline constexpr int kNavPageCount = 5;
inline constexpr QSize kBackgroundSize(517, 449);

// "Link Information", "AP Settings", ... for page 0..4; empty otherwise.
QString NavPageName(int page);

// The window's backdrop of `size` (at least kBackgroundSize): the
// navigation column with the five page names and the frame around the page
// and list panels, which grows with the window. Drawn for the screen's
// `pixelRatio`, so that it stays sharp at a scale of 1.5 or 2.
QPixmap BackgroundPicture(QSize size = kBackgroundSize, qreal pixelRatio = 1.0);

// One navigation button of `size` for `page`: released, or pressed (darker,
// the name shifted by one pixel).
QPixmap NavButtonPicture(int page, QSize size, bool pressed, qreal pixelRatio = 1.0);

}  // namespace tern::gui
