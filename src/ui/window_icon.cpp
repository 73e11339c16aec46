#include "ui/window_icon.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygonF>

#include "ui/colors.h"

namespace tarnwick::ui {
namespace {

// The picture is laid out on the 24 x 24 grid of the window's icon. At other
// sizes each edge lands on the nearest whole pixel, so the pins and the chip
// stay crisp instead of smeared.
class Grid {
 public:
  explicit Grid(int size) : scale_(static_cast<double>(size) / kIconSize) {}
  QRect rect(form::IconPoint at, form::IconPoint size) const {
    return QRect(QPoint(edge(at.x), edge(at.y)),
                 QPoint(edge(at.x + size.x) - 1, edge(at.y + size.y) - 1));
  }
  QPointF point(form::IconPoint p) const { return QPointF(p.x * scale_, p.y * scale_); }

 private:
  int edge(int units) const { return qRound(units * scale_); }
  double scale_;
};

QImage ownSizeIcon() {
  QImage image(kIconSize, kIconSize, QImage::Format_RGB888);
  const std::vector<form::Color> pixels = form::iconPixels();
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      image.setPixelColor(x, y, fromBgr(pixels[static_cast<std::size_t>(y * kIconSize + x)]));
    }
  }
  return image;
}

// Larger copies smooth the arrow's slanted edges.
QImage scaledIcon(int size) {
  const Grid grid(size);
  QImage image(size, size, QImage::Format_RGB888);
  image.fill(fromBgr(form::kIconBackground));
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  for (const form::IconShape& shape : form::iconShapes()) {
    if (shape.kind == form::IconShape::Kind::Rectangle) {
      painter.fillRect(grid.rect(shape.a, shape.b), fromBgr(shape.color));
    } else {
      painter.setBrush(fromBgr(shape.color));
      painter.drawPolygon(
          QPolygonF({grid.point(shape.a), grid.point(shape.b), grid.point(shape.c)}));
    }
  }
  return image;
}

}  // namespace

QImage drawWindowIcon(int size) {
  return size == kIconSize ? ownSizeIcon() : scaledIcon(size);
}

QIcon makeWindowIcon() {
  return QIcon(QPixmap::fromImage(drawWindowIcon(kIconSize)));
}

}  // namespace tarnwick::ui
