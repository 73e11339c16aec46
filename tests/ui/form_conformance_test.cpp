// The Qt window held to the handlers' window interface, offscreen.
#include <QApplication>
#include <QLineEdit>
#include <QWidget>
#include <memory>
#include <string>

#include "form/controls.h"

#include "form/form_conformance.h"
#include "recording_dialogs.h"
#include "support/fake_platform.h"
#include "ui/frm_serial.h"
#include "ui/text_codec.h"
#include "ui/text_progress_bar.h"

namespace tarnwick::testing {
namespace {

class QtWindow final : public ConformanceWindow {
 public:
  QtWindow()
      : window_(std::make_unique<FakePlatform>(),
                std::make_unique<RecordingDialogs>(std::make_shared<DialogLog>())) {
    window_.show();
  }

  download::FormControls& controls() override { return window_; }

  bool isEnabled(const std::string& control) override { return child(control)->isEnabled(); }

  BarState bar() override {
    const auto* bar = window_.findChild<ui::TextProgressBar*>(QStringLiteral("vbalProgressBar1"));
    return {ui::toLatin1(bar->text()), bar->value(), bar->max(), bar->barColor()};
  }

  void type(const std::string& control, const std::u32string& text) override {
    qobject_cast<QLineEdit*>(child(control))->setText(ui::fromUcs4(text));
  }

  std::string controlAt(int x, int y) override { return shownAt(window_, QPoint(x, y)); }

 private:
  QWidget* child(const std::string& name) {
    auto* found = window_.findChild<QWidget*>(QString::fromStdString(name));
    if (!found) ADD_FAILURE() << "no control " << name;
    return found;
  }

  // Searched as Qt paints: a later child above an earlier one, a child above its parent.
  static std::string shownAt(const QWidget& parent, QPoint point) {
    const QObjectList& children = parent.children();
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
      const auto* widget = qobject_cast<const QWidget*>(*it);
      if (!widget || widget->isHidden() || !widget->geometry().contains(point)) continue;
      const std::string name = widget->objectName().toStdString();
      if (!form::findControl(name)) continue;
      const std::string inner = shownAt(*widget, point - widget->pos());
      return inner.empty() ? name : inner;
    }
    return std::string();
  }

  ui::frmSerial window_;
};

std::unique_ptr<ConformanceWindow> makeQtWindow() {
  return std::make_unique<QtWindow>();
}

INSTANTIATE_TEST_SUITE_P(Qt, FormConformance, ::testing::Values(&makeQtWindow));

}  // namespace
}  // namespace tarnwick::testing

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
