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

enum class Kind { Frame, Label, TextBox, Button, Indicator, ProgressBar };

struct ControlDesign {
  const char* name;
  Kind kind;
  const char* container;  // "" for the window
  const char* caption;
  int left, top, width, height;  // twips, relative to the container
  bool enabled;
  const char* tag;
  int tabIndex;  // -1: none
};

// clang-format off
const ControlDesign kControls[] = {
  {"Frame2",           Kind::Frame,       "",       "Comm's",                  0,    0,    5175, 855, true,  "",   0},
  {"Label1_0",         Kind::Label,       "Frame2", "Port: (1-9)",             120,  240,  795,  255, true,  "",   4},
  {"txt_0",            Kind::TextBox,     "Frame2", "COM5:",                   60,   480,  855,  315, true,  "NO", 1},
  {"Pic",              Kind::Indicator,   "Frame2", "",                        720,  0,    195,  255, true,  "",   -1},
  {"BTNOpenCom",       Kind::Button,      "Frame2", "Open Port",               960,  120,  1035, 255, true,  "NO", 2},
  {"BTNCloseCom",      Kind::Button,      "Frame2", "Close Port",              960,  480,  1035, 255, false, "NC", 3},
  {"Label2",           Kind::Label,       "Frame2", "No info",                 2100, 120,  2295, 255, true,  "",   13},
  {"Command3",         Kind::Button,      "Frame2", "Open File and  Download", 2100, 480,  2235, 255, true,  "",   9},
  {"Command6",         Kind::Button,      "Frame2", "Install",                 4440, 120,  615,  255, true,  "",   15},
  {"Command4",         Kind::Button,      "Frame2", "Info",                    4440, 480,  615,  255, true,  "",   12},
  {"Frame3",           Kind::Frame,       "",       "Status",                  0,    840,  5175, 975, true,  "",   10},
  {"vbalProgressBar1", Kind::ProgressBar, "Frame3", "NO FILE",                 120,  240,  4935, 255, true,  "",   11},
  {"Label3",           Kind::Label,       "Frame3", "Answer:",                 120,  600,  735,  255, true,  "",   17},
  {"Text8",            Kind::TextBox,     "",       "",                        780,  1410, 4275, 285, true,  "",   16},
  {"Frame1",           Kind::Frame,       "",       "Commands and Results",    60,   2280, 4695, 975, true,  "",   5},
  {"Label1_2",         Kind::Label,       "Frame1", "String ",                 120,  240,  675,  255, true,  "",   8},
  {"txt_2",            Kind::TextBox,     "Frame1", "",                        60,   480,  4515, 315, false, "NC", 6},
  {"BTNSend",          Kind::Button,      "Frame1", "&Send Text",              2700, 120,  975,  255, false, "NC", 7},
  {"Command5",         Kind::Button,      "",       "Send",                    1980, 3360, 855,  255, true,  "",   14},
};
// clang-format on

// A style sheet colours the title alone, where a palette would pass the
// colour on to every child. Trap: a child created after its frame got a style
// sheet loses the window's font, so this runs once all controls exist.
void colourFrameCaptions(QWidget& window) {
  for (const char* name : {"Frame1", "Frame2"}) {
    window.findChild<QWidget*>(QString::fromLatin1(name))
        ->setStyleSheet(
            QStringLiteral("QGroupBox::title { color: %1; }").arg(fromBgr(kCaptionBlue).name()));
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
  bar->setBarColor(kBlue);
  return bar;
}

QWidget* makeIndicator(QWidget* container) {
  auto* shape = new FillShape(container);
  shape->setFillColor(kYellow);
  return shape;
}

QWidget* makeControl(const ControlDesign& design, QWidget* container) {
  switch (design.kind) {
    case Kind::Frame:
      return new QGroupBox(QString::fromLatin1(design.caption), container);
    case Kind::Label:
      return makeLabel(design, container);
    case Kind::TextBox:
      return new QLineEdit(QString::fromLatin1(design.caption), container);
    case Kind::Button:
      return makeButton(design, container);
    case Kind::Indicator:
      return makeIndicator(container);
    case Kind::ProgressBar:
      return makeProgressBar(design, container);
  }
  return nullptr;
}

QRect pixelRect(const ControlDesign& design) {
  return QRect(design.left / kTwipsPerPixel, design.top / kTwipsPerPixel,
               design.width / kTwipsPerPixel, design.height / kTwipsPerPixel);
}

// Chains the controls that take the focus in the order of their tab indices.
void setTabChain(QWidget& window) {
  std::vector<const ControlDesign*> ordered;
  for (const ControlDesign& design : kControls) {
    if (design.tabIndex >= 0) ordered.push_back(&design);
  }
  std::sort(ordered.begin(), ordered.end(), [](const ControlDesign* a, const ControlDesign* b) {
    return a->tabIndex < b->tabIndex;
  });
  QWidget* previous = nullptr;
  for (const ControlDesign* design : ordered) {
    auto* control = window.findChild<QWidget*>(QString::fromLatin1(design->name));
    if (!(control->focusPolicy() & Qt::TabFocus)) continue;
    if (previous) QWidget::setTabOrder(previous, control);
    previous = control;
  }
}

}  // namespace

void buildControls(QWidget& window) {
  for (const ControlDesign& design : kControls) {
    QWidget* container = design.container[0] == '\0'
                             ? &window
                             : window.findChild<QWidget*>(QString::fromLatin1(design.container));
    QWidget* control = makeControl(design, container);
    control->setObjectName(QString::fromLatin1(design.name));
    control->setGeometry(pixelRect(design));
    control->setEnabled(design.enabled);
    control->setProperty("Tag", QString::fromLatin1(design.tag));
    if (design.tabIndex >= 0) control->setProperty("TabIndex", design.tabIndex);
  }
  window.findChild<QWidget*>(QStringLiteral("Text8"))->raise();
  setTabChain(window);
  colourFrameCaptions(window);
}

}  // namespace tarnwick::ui
