#include "ui/text_progress_bar.h"

#include <QPainter>
#include <algorithm>

#include "ui/colors.h"

namespace tarnwick::ui {
namespace {

// Below this grey level black text is hard to read on the fill (navy is 14).
constexpr int kDarkFill = 60;

}  // namespace

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
  if (max <= 0 || value <= 0 || innerWidth <= 0) return 0;
  if (value >= max) return innerWidth;
  // 64 bits: a width times a value near 2^31 overflows int.
  return static_cast<int>(static_cast<std::int64_t>(innerWidth) * value / max);
}

void TextProgressBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect outer = rect();
  painter.fillRect(outer, palette().color(QPalette::Base));
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(outer.adjusted(0, 0, -1, -1));

  const QRect inner = outer.adjusted(1, 1, -1, -1);
  QRect fill = inner;
  fill.setWidth(filledWidth(inner.width(), value_, max_));
  painter.fillRect(fill, fromBgr(barColor_));

  const QColor fillColor = fromBgr(barColor_);
  if (qGray(fillColor.rgb()) < kDarkFill) drawRim(painter, inner, fill);
  painter.setPen(Qt::black);
  painter.drawText(inner, Qt::AlignCenter, text_);
}

void TextProgressBar::drawRim(QPainter& painter, const QRect& textArea, const QRect& fill) {
  painter.save();
  painter.setClipRect(fill);
  painter.setPen(Qt::white);
  for (const QPoint offset : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)}) {
    painter.drawText(textArea.translated(offset), Qt::AlignCenter, text_);
  }
  painter.restore();
}

}  // namespace tarnwick::ui
