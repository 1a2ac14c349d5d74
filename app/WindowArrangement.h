#pragma once

#include <QRect>
#include <vector>

class QMdiSubWindow;

// The Window menu's arrangements of data windows in the frame's client area. windows: front first.
class TWindowArrangement {
 public:
  // The windows that are not minimised, side by side in equal cells, the back one first.
  static void Tile(const QRect& area, std::vector<QMdiSubWindow*> windows, bool horizontally);
  static void MinimizeAll(const std::vector<QMdiSubWindow*>& windows);
  // The minimised windows in rows along the bottom of the area, the back one first.
  static void ArrangeIcons(const QRect& area, std::vector<QMdiSubWindow*> windows);
};
