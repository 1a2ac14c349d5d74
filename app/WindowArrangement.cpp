#include "app/WindowArrangement.h"

#include <QMdiSubWindow>
#include <algorithm>

void TWindowArrangement::Tile(const QRect& area, std::vector<QMdiSubWindow*> windows, bool horizontally) {
  std::erase_if(windows, [](const QMdiSubWindow* window) { return window->isMinimized(); });
  if (windows.empty()) return;
  std::reverse(windows.begin(), windows.end());
  const int n = static_cast<int>(windows.size());
  for (int i = 0; i < n; ++i) {
    windows[static_cast<size_t>(i)]->showNormal();
    QRect cell;
    if (horizontally) {
      const int top = area.top() + area.height() * i / n;
      cell = QRect(area.left(), top, area.width(), area.top() + area.height() * (i + 1) / n - top);
    } else {
      const int left = area.left() + area.width() * i / n;
      cell = QRect(left, area.top(), area.left() + area.width() * (i + 1) / n - left, area.height());
    }
    windows[static_cast<size_t>(i)]->setGeometry(cell);
  }
}

void TWindowArrangement::MinimizeAll(const std::vector<QMdiSubWindow*>& windows) {
  for (QMdiSubWindow* window : windows) window->showMinimized();
}

void TWindowArrangement::ArrangeIcons(const QRect& area, std::vector<QMdiSubWindow*> windows) {
  int left = area.left();
  int bottom = area.bottom() + 1;
  std::reverse(windows.begin(), windows.end());
  for (QMdiSubWindow* window : windows) {
    if (!window->isMinimized()) continue;
    const QSize size = window->size();
    if (left > area.left() && left + size.width() > area.right() + 1) {
      left = area.left();
      bottom -= size.height();
    }
    window->move(left, bottom - size.height());
    left += size.width();
  }
}
