#include "ui/text_progress_bar.h"

#include <QPainter>
#include <algorithm>

#include "form/progress_bar.h"
#include "ui/colors.h"

namespace tarnwick::ui {

TextProgressBar::TextProgressBar(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
}

void TextProgressBar::setText(const QString& text) {
  text_ = text;
  update();
}

void TextProgressBar::setValue(int value) {
  value_ = value;
  update();
}

void TextProgressBar::setMax(int max) {
  max_ = max;
  update();
}

void TextProgressBar::setBarColor(std::uint32_t bgr) {
  barColor_ = bgr;
  update();
}

int TextProgressBar::filledWidth(int innerWidth, int value, int max) {
  return form::filledWidth(innerWidth, value, max);
}

void TextProgressBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect outer = rect();
  painter.fillRect(outer, palette().color(QPalette::Base));
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(outer.adjusted(0, 0, -1, -1));

  const int border = form::kBarBorder;
  const QRect inner = outer.adjusted(border, border, -border, -border);
  QRect fill = inner;
  fill.setWidth(filledWidth(inner.width(), value_, max_));
  painter.fillRect(fill, fromBgr(barColor_));

  if (form::needsTextRim(barColor_)) drawRim(painter, inner, fill);
  painter.setPen(fromBgr(form::kBarTextColor));
  painter.drawText(inner, Qt::AlignCenter, text_);
}

void TextProgressBar::drawRim(QPainter& painter, const QRect& textArea, const QRect& fill) {
  painter.save();
  painter.setClipRect(fill);
  painter.setPen(fromBgr(form::kBarRimColor));
  for (const QPoint offset : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)}) {
    painter.drawText(textArea.translated(offset), Qt::AlignCenter, text_);
  }
  painter.restore();
}

}  // namespace tarnwick::ui
