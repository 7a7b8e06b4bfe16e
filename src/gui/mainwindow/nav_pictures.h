#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

namespace tern::app {

// The pictures of the main window's navigation column, drawn at run time.
// They always show the page names in English; the localised names are the
// (covered) navigation labels' texts.

inline constexpr int kNavPageCount = 5;
inline constexpr QSize kBackgroundSize(517, 449);

// "Link Information", "AP Settings", ... for page 0..4; empty otherwise.
QString NavPageName(int page);

// The window's backdrop: the navigation column with the five page names and
// the frame around the page and list panels.
QPixmap BackgroundPicture();

// One navigation button of `size` for `page`: released, or pressed (darker,
// the name shifted by one pixel).
QPixmap NavButtonPicture(int page, QSize size, bool pressed);

}  // namespace tern::app
