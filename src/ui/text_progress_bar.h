// The progress bar vbalProgressBar1, drawn by the rule of form/progress_bar.h:
// its text always shown, in black, over the filled part; over a dark fill
// (navy) with a thin white rim to stay readable. It paints itself, so the text
// and the colour show the same under every style.
#pragma once

#include <QPainter>
#include <QString>
#include <QWidget>
#include <cstdint>

namespace tarnwick::ui {

class TextProgressBar : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString Text READ text WRITE setText)
  Q_PROPERTY(int Value READ value WRITE setValue)
  Q_PROPERTY(int Max READ max WRITE setMax)
  Q_PROPERTY(uint BarColor READ barColor WRITE setBarColor)

 public:
  explicit TextProgressBar(QWidget* parent = nullptr);

  QString text() const { return text_; }
  void setText(const QString& text);
  int value() const { return value_; }
  void setValue(int value);
  int max() const { return max_; }
  void setMax(int max);
  std::uint32_t barColor() const { return barColor_; }
  void setBarColor(std::uint32_t bgr);

  // Pixels of the inner width that the fill covers (form::filledWidth).
  static int filledWidth(int innerWidth, int value, int max);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void drawRim(QPainter& painter, const QRect& textArea, const QRect& fill);

  QString text_;
  int value_ = 0;
  int max_ = 100;
  std::uint32_t barColor_ = 0;
};

}  // namespace tarnwick::ui
