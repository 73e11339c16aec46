#include "ui/window_icon.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>

namespace tarnwick::ui {
namespace {

void drawPins(QPainter& painter) {
  painter.setPen(QColor(0xD0, 0xD0, 0xD0));
  for (int at = 8; at <= 15; at += 3) {
    painter.drawLine(at, 3, at, 5);    // top
    painter.drawLine(at, 18, at, 20);  // bottom
    painter.drawLine(3, at, 5, at);    // left
    painter.drawLine(18, at, 20, at);  // right
  }
}

void drawArrow(QPainter& painter) {
  const QColor yellow(0xFF, 0xD0, 0x20);
  painter.fillRect(QRect(11, 7, 2, 5), yellow);
  painter.setPen(Qt::NoPen);
  painter.setBrush(yellow);
  painter.drawPolygon(QPolygon({QPoint(8, 12), QPoint(16, 12), QPoint(12, 16)}));
}

}  // namespace

QIcon makeWindowIcon() {
  QImage image(kIconSize, kIconSize, QImage::Format_RGB888);
  image.fill(QColor(0x1E, 0x6B, 0x3A));
  QPainter painter(&image);
  drawPins(painter);
  painter.fillRect(QRect(6, 6, 12, 12), QColor(0x20, 0x20, 0x20));
  drawArrow(painter);
  painter.end();
  return QIcon(QPixmap::fromImage(image));
}

}  // namespace tarnwick::ui
