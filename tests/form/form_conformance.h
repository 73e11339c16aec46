// One conformance test of the handlers' window interface (FormControls),
// written once and run against every window that implements it: the Qt
// window offscreen, the Win32 window under Wine.
//
// How a window joins in: its test program
//   1. links the object library tarnwick_form_conformance (an object library,
//      not a static one: the tests register themselves when the program
//      starts, and a linker drops a static library's objects that nothing
//      calls);
//   2. implements ConformanceWindow below over its real window;
//   3. instantiates the suite with a function that makes one:
//        std::unique_ptr<tarnwick::testing::ConformanceWindow> makeQtWindow();
//        INSTANTIATE_TEST_SUITE_P(Qt, FormConformance, ::testing::Values(&makeQtWindow));
//   4. prepares its toolkit in main() before RUN_ALL_TESTS() (a QApplication,
//      say); the window needs no display of its own and no port: nothing in
//      these tests reaches the serial link.
//
// Each test makes a fresh window in its start state and drops it at the end.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "download/form_controls.h"

namespace tarnwick::testing {

// What the bar vbalProgressBar1 holds, which is what it draws.
struct BarState {
  std::string text;  // 8-bit, as the handlers set it
  std::int32_t value;
  std::int32_t max;
  std::uint32_t color;  // BarColor, 0x00BBGGRR
};

// One real window, seen from the handlers' side and from a person's.
class ConformanceWindow {
 public:
  virtual ~ConformanceWindow() = default;

  // The window's implementation of the handlers' interface.
  virtual download::FormControls& controls() = 0;
  // Whether the control of that name (as in form/controls.h: "txt_0",
  // "BTNSend", ...) takes input now.
  virtual bool isEnabled(const std::string& control) = 0;
  // The bar's Text, Value, Max and BarColor as the control holds them.
  virtual BarState bar() = 0;
  // Puts `text` into the text box of that name ("txt_0" or "txt_2") as a
  // person's typing would leave it, enabled or not.
  virtual void type(const std::string& control, const std::u32string& text) = 0;
  // The name of the control a person sees at this point of the client area,
  // in pixels at the design's 96 dpi (the window grown to hold every control);
  // "" for none, or when the toolkit's painting order decides.
  virtual std::string controlAt(int x, int y) = 0;
};

using WindowFactory = std::unique_ptr<ConformanceWindow> (*)();

class FormConformance : public ::testing::TestWithParam<WindowFactory> {
 protected:
  void SetUp() override { window_ = GetParam()(); }
  void TearDown() override { window_.reset(); }

  ConformanceWindow& window() { return *window_; }
  download::FormControls& form() { return window_->controls(); }

 private:
  std::unique_ptr<ConformanceWindow> window_;
};

}  // namespace tarnwick::testing
