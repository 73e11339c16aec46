#include "ui/form_layout.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <vector>

#include "ui/colors.h"
#include "ui/fill_shape.h"
#include "ui/text_progress_bar.h"

namespace tarnwick::ui {
namespace {

using form::ControlDesign;
using form::ControlKind;

QWidget* find(QWidget& window, const char* name) {
  return window.findChild<QWidget*>(QString::fromLatin1(name));
}

// A style sheet colours the title alone, where a palette would pass the
// colour on to every child. Trap: a child created after its frame got a style
// sheet loses the window's font, so this runs once all controls exist.
void colourCaptions(QWidget& window) {
  for (const ControlDesign& design : form::controls()) {
    if (design.captionColor == form::kToolkitColor) continue;
    find(window, design.name)
        ->setStyleSheet(QStringLiteral("QGroupBox::title { color: %1; }")
                            .arg(fromBgr(design.captionColor).name()));
  }
}

QWidget* makeLabel(const ControlDesign& design, QWidget* container) {
  auto* label = new QLabel(QString::fromLatin1(design.caption), container);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

QWidget* makeButton(const ControlDesign& design, QWidget* container) {
  auto* button = new QPushButton(QString::fromLatin1(design.caption), container);
  button->setAutoDefault(false);  // Enter presses no button
  return button;
}

QWidget* makeProgressBar(const ControlDesign& design, QWidget* container) {
  auto* bar = new TextProgressBar(container);
  bar->setText(QString::fromLatin1(design.caption));
  bar->setBarColor(design.color);
  return bar;
}

QWidget* makeIndicator(const ControlDesign& design, QWidget* container) {
  auto* shape = new FillShape(container);
  shape->setFillColor(design.color);
  return shape;
}

QWidget* makeControl(const ControlDesign& design, QWidget* container) {
  switch (design.kind) {
    case ControlKind::Frame:
      return new QGroupBox(QString::fromLatin1(design.caption), container);
    case ControlKind::Label:
      return makeLabel(design, container);
    case ControlKind::TextBox:
      return new QLineEdit(QString::fromLatin1(design.caption), container);
    case ControlKind::Button:
      return makeButton(design, container);
    case ControlKind::Indicator:
      return makeIndicator(design, container);
    case ControlKind::ProgressBar:
      return makeProgressBar(design, container);
  }
  return nullptr;
}

QRect pixelRect(const ControlDesign& design) {
  const form::PixelRect r = form::toPixels(design.rect, form::kDesignDpi);
  return QRect(r.x, r.y, r.width, r.height);
}

// Qt stacks siblings in creation order; raising them in the order of their
// zOrder (table order among equals) puts each where the table wants it.
void stackControls(QWidget& window) {
  std::vector<const ControlDesign*> ordered;
  for (const ControlDesign& design : form::controls()) ordered.push_back(&design);
  std::stable_sort(
      ordered.begin(), ordered.end(),
      [](const ControlDesign* a, const ControlDesign* b) { return a->zOrder < b->zOrder; });
  for (const ControlDesign* design : ordered) find(window, design->name)->raise();
}

// Chains the controls that take the focus in the order of their tab indices.
void setTabChain(QWidget& window) {
  QWidget* previous = nullptr;
  for (const ControlDesign* design : form::tabOrder()) {
    QWidget* control = find(window, design->name);
    if (!(control->focusPolicy() & Qt::TabFocus)) continue;
    if (previous) QWidget::setTabOrder(previous, control);
    previous = control;
  }
}

}  // namespace

void buildControls(QWidget& window) {
  for (const ControlDesign& design : form::controls()) {
    QWidget* container = design.container[0] == '\0' ? &window : find(window, design.container);
    QWidget* control = makeControl(design, container);
    control->setObjectName(QString::fromLatin1(design.name));
    control->setGeometry(pixelRect(design));
    control->setEnabled(design.enabled);
    control->setProperty("Tag", QString::fromLatin1(design.tag));
    if (design.tabIndex >= 0) control->setProperty("TabIndex", design.tabIndex);
  }
  stackControls(window);
  setTabChain(window);
  colourCaptions(window);
}

}  // namespace tarnwick::ui
