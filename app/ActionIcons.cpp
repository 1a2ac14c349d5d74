#include "app/ActionIcons.h"

#include <QPainter>
#include <QPixmap>

namespace {

constexpr int kSize = 16;

void Page(QPainter& p, QRect r) {
  p.setBrush(Qt::white);
  p.drawRect(r);
}

void Window(QPainter& p, QRect r) {
  p.setBrush(Qt::white);
  p.drawRect(r);
  p.fillRect(QRect(r.left() + 1, r.top() + 1, r.width() - 1, 3), QColor(0, 0, 128));
}

}  // namespace

QIcon ActionIcon(std::string_view actionName) {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setPen(QPen(Qt::black, 1));
  if (actionName == "FileNew1") {
    Page(p, QRect(3, 1, 10, 14));
  } else if (actionName == "FileOpen1") {
    p.setBrush(QColor(255, 255, 128));
    p.drawPolygon(
        QPolygon({QPoint(1, 4), QPoint(6, 4), QPoint(7, 6), QPoint(14, 6), QPoint(14, 14), QPoint(1, 14)}));
  } else if (actionName == "FileSave1") {
    p.setBrush(QColor(0, 0, 128));
    p.drawRect(1, 1, 14, 14);
    p.fillRect(QRect(4, 2, 8, 5), Qt::white);
    p.fillRect(QRect(5, 10, 6, 5), QColor(192, 192, 192));
  } else if (actionName == "EditCut1") {
    p.drawLine(4, 1, 10, 10);
    p.drawLine(11, 1, 5, 10);
    p.drawEllipse(2, 10, 4, 4);
    p.drawEllipse(9, 10, 4, 4);
  } else if (actionName == "EditCopy1") {
    Page(p, QRect(1, 1, 8, 10));
    Page(p, QRect(6, 5, 8, 10));
  } else if (actionName == "EditPaste1") {
    p.setBrush(QColor(160, 110, 40));
    p.drawRect(2, 2, 11, 13);
    Page(p, QRect(6, 6, 8, 9));
    p.fillRect(QRect(5, 1, 5, 3), QColor(128, 128, 128));
  } else if (actionName == "WindowCascade1") {
    Window(p, QRect(1, 1, 9, 8));
    Window(p, QRect(5, 6, 9, 8));
  } else if (actionName == "WindowTileHorizontal1") {
    Window(p, QRect(1, 1, 13, 6));
    Window(p, QRect(1, 8, 13, 6));
  } else if (actionName == "WindowTileVertical1") {
    Window(p, QRect(1, 1, 6, 13));
    Window(p, QRect(8, 1, 6, 13));
  } else {
    return QIcon();
  }
  return QIcon(pixmap);
}
