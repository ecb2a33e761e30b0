#pragma once

#include <QRect>
#include <QSize>

namespace zv {

// Room a window manager takes around the window (title bar, borders), which
// the window's own size does not include.
inline constexpr int frameAllowanceWidth = 16;
inline constexpr int frameAllowanceHeight = 48;

// The size the window opens at: what its layouts ask for, within the part of
// the screen the desktop leaves free (frame included), and never below what
// the layouts need, even where the screen is smaller still (the pages
// scroll before that).
QSize initialWindowSize(const QSize& hint, const QSize& minimum, const QRect& available);

// Where a window of this size stands centred in the free part of the screen.
QRect centredIn(const QSize& size, const QRect& available);

} // namespace zv
