#pragma once
// Where a window goes on the screen.
#include <QRect>
#include <QSize>

class QWidget;

// The window's frame (title bar and borders included) as stored where it fits
// in `area`, the screen's available area; otherwise moved into the area, and,
// only when it is larger than the area, made smaller, never below `minimum`
// (what its content needs). What is still too large keeps its top-left corner,
// and so its title bar, in the area.
//   FitInArea({237, 154, 696, 480}, {0, 0, 1280, 1024}, {400, 300}) -> {237, 154, 696, 480}
//   FitInArea({237, 154, 696, 480}, {0, 0, 910, 512}, {400, 300})   -> {214, 32, 696, 480}
//   FitInArea({237, 154, 696, 480}, {0, 0, 600, 400}, {400, 300})   -> {0, 0, 600, 400}
QRect FitInArea(const QRect& frame, const QRect& area, const QSize& minimum);

// Places a top-level window that is about to be shown at `frame`, fitted into
// the available area of the screen under the frame's centre (else the primary
// screen). The frame's size includes the title bar and borders, whose extent is
// known only once the window is on screen: it is fitted again then.
void PlaceInAvailableArea(QWidget* window, const QRect& frame);
