#include "ui/window_icon.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygonF>

namespace tarnwick::ui {
namespace {

// The picture is laid out on the 24 x 24 grid of the window's icon. At other
// sizes each edge lands on the nearest whole pixel, so the pins and the chip
// stay crisp instead of smeared.
class Grid {
 public:
  explicit Grid(int size) : scale_(static_cast<double>(size) / kIconSize) {}
  QRect rect(int x, int y, int width, int height) const {
    return QRect(QPoint(at(x), at(y)), QPoint(at(x + width) - 1, at(y + height) - 1));
  }
  QPointF point(int x, int y) const { return QPointF(x * scale_, y * scale_); }

 private:
  int at(int units) const { return qRound(units * scale_); }
  double scale_;
};

void drawPins(QPainter& painter, const Grid& grid) {
  const QColor grey(0xD0, 0xD0, 0xD0);
  for (int at = 8; at <= 15; at += 3) {
    painter.fillRect(grid.rect(at, 3, 1, 3), grey);   // top
    painter.fillRect(grid.rect(at, 18, 1, 3), grey);  // bottom
    painter.fillRect(grid.rect(3, at, 3, 1), grey);   // left
    painter.fillRect(grid.rect(18, at, 3, 1), grey);  // right
  }
}

void drawArrow(QPainter& painter, const Grid& grid) {
  const QColor yellow(0xFF, 0xD0, 0x20);
  painter.fillRect(grid.rect(11, 7, 2, 5), yellow);
  painter.setPen(Qt::NoPen);
  painter.setBrush(yellow);
  painter.drawPolygon(QPolygonF({grid.point(8, 12), grid.point(16, 12), grid.point(12, 16)}));
}

}  // namespace

QImage drawWindowIcon(int size) {
  const Grid grid(size);
  QImage image(size, size, QImage::Format_RGB888);
  image.fill(QColor(0x1E, 0x6B, 0x3A));
  QPainter painter(&image);
  // Larger icons smooth the arrow's slanted edges; the 24-pixel one stays as drawn.
  painter.setRenderHint(QPainter::Antialiasing, size != kIconSize);
  drawPins(painter, grid);
  painter.fillRect(grid.rect(6, 6, 12, 12), QColor(0x20, 0x20, 0x20));
  drawArrow(painter, grid);
  painter.end();
  return image;
}

QIcon makeWindowIcon() {
  return QIcon(QPixmap::fromImage(drawWindowIcon(kIconSize)));
}

}  // namespace tarnwick::ui
