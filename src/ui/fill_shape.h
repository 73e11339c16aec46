// The receive indicator: a small rectangle filled with one solid colour.
//
// The receive loop reads FillColor back and compares it exactly, so the
// colour is kept as the number it was given (0x00BBGGRR), not as a QColor
// that might round it.
#pragma once

#include <QWidget>
#include <cstdint>

namespace tarnwick::ui {

class FillShape : public QWidget {
  Q_OBJECT
  Q_PROPERTY(uint FillColor READ fillColor WRITE setFillColor)

 public:
  explicit FillShape(QWidget* parent = nullptr);

  std::uint32_t fillColor() const { return fillColor_; }
  void setFillColor(std::uint32_t bgr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::uint32_t fillColor_ = 0;
};

}  // namespace tarnwick::ui
