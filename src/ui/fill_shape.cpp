#include "ui/fill_shape.h"

#include <QPainter>

#include "ui/colors.h"

namespace tarnwick::ui {

FillShape::FillShape(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
}

void FillShape::setFillColor(std::uint32_t bgr) {
  fillColor_ = bgr;
  update();
}

void FillShape::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), fromBgr(fillColor_));
  painter.setPen(Qt::black);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace tarnwick::ui
