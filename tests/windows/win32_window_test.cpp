// The Win32 window under Wine: the conformance test that the Qt window
// passes too, and what only this window can get wrong: a NUL in an answer,
// the tab order, DPI, and the wiring of clicks, ticks and closing to the
// handlers.
//
// Needs a display (scripts/test-windows starts Xvfb); no port: the window
// runs over a fake serial platform.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "form/controls.h"
#include "form/form_conformance.h"
#include "form/text_codec.h"
#include "support/fake_platform.h"
#include "ui_win32/bar_control.h"
#include "ui_win32/form_window.h"
#include "ui_win32/wide_text.h"

namespace tarnwick::testing {
namespace {

// Handles the window's messages until `done` holds; false after `limit`.
bool pumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) continue;  // a window of an earlier test closed
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(5);
  }
  return true;
}

class Win32Window final : public ConformanceWindow {
 public:
  Win32Window() : platform_(new FakePlatform), window_(GetModuleHandleW(nullptr), take()) {
    window_.show(SW_SHOWNOACTIVATE);
  }

  download::FormControls& controls() override { return window_; }
  bool isEnabled(const std::string& control) override {
    return IsWindowEnabled(window_.control(control)) != FALSE;
  }
  BarState bar() override {
    const ui_win32::BarState& bar = *ui_win32::barState(window_.control("vbalProgressBar1"));
    const std::u16string text(bar.text.begin(), bar.text.end());
    return {form::toLatin1(text), bar.value, bar.max, bar.barColor};
  }
  void type(const std::string& control, const std::u32string& text) override {
    SetWindowTextW(window_.control(control), ui_win32::wideFromUcs4(text).c_str());
  }

  // Windows stacks children first on top; a lower one that does not clip its
  // siblings paints over the upper one whenever it is drawn last.
  std::string controlAt(int x, int y) override {
    const POINT point{x, y};
    HWND shown = nullptr;
    for (HWND at = GetWindow(window_.handle(), GW_CHILD); at; at = GetWindow(at, GW_HWNDNEXT)) {
      RECT rect;
      GetWindowRect(at, &rect);
      MapWindowPoints(nullptr, window_.handle(), reinterpret_cast<POINT*>(&rect), 2);
      if (!PtInRect(&rect, point)) continue;
      if (!shown) {
        shown = at;
      } else if (!(GetWindowLongW(at, GWL_STYLE) & WS_CLIPSIBLINGS)) {
        return std::string();
      }
    }
    for (const form::ControlDesign& design : form::controls()) {
      if (shown && window_.control(design.name) == shown) return design.name;
    }
    return std::string();
  }

  ui_win32::FormWindow& window() { return window_; }
  FakePlatform& platform() { return *platform_; }

 private:
  std::unique_ptr<serial::SerialPlatform> take() {
    return std::unique_ptr<serial::SerialPlatform>(platform_);
  }

  FakePlatform* platform_;  // owned by the window
  ui_win32::FormWindow window_;
};

std::unique_ptr<ConformanceWindow> makeWin32Window() {
  return std::make_unique<Win32Window>();
}

INSTANTIATE_TEST_SUITE_P(Win32, FormConformance, ::testing::Values(&makeWin32Window));

RECT placeOf(HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

class Win32WindowTest : public ::testing::Test {
 protected:
  Win32Window window_;
  download::FormControls& form() { return window_.controls(); }
};

// An edit control ends its text at a NUL; the handlers search the whole answer.
TEST_F(Win32WindowTest, AnswerBoxKeepsNulBytesAndWhatFollowsThem) {
  const std::string answer("\0VER=1.0\0OK", 11);
  form().setText8(answer);
  EXPECT_EQ(form().text8(), answer);
}

// Tab walks the enabled controls that take the focus, in the table's order.
TEST_F(Win32WindowTest, TabOrderFollowsTheTable) {
  HWND main = window_.window().handle();
  std::vector<HWND> expected;
  for (const form::ControlDesign* control : form::tabOrder()) {
    if (form::takesFocus(control->kind) && control->enabled) {
      expected.push_back(window_.window().control(control->name));
    }
  }
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(expected.front(), window_.window().control(form::firstFocus().name));
  HWND at = expected.front();
  for (std::size_t i = 1; i <= expected.size(); ++i) {
    at = GetNextDlgTabItem(main, at, FALSE);
    EXPECT_EQ(at, expected[i % expected.size()]) << "step " << i;
  }
}

// Every control at its twips rectangle at the window's DPI, and again at 150 %.
TEST_F(Win32WindowTest, ControlsLieAtTheirDesignedPixelsAtEachDpi) {
  HWND main = window_.window().handle();
  for (const int dpi : {96, 144}) {
    RECT suggested;
    GetWindowRect(main, &suggested);
    if (dpi != 96)
      SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    for (const form::ControlDesign& design : form::controls()) {
      const form::PixelRect want = form::toPixels(form::clientRect(design), dpi);
      const RECT got = placeOf(window_.window().control(design.name));
      EXPECT_EQ(got.left, want.x) << design.name << " at " << dpi;
      EXPECT_EQ(got.top, want.y) << design.name << " at " << dpi;
      EXPECT_EQ(got.right - got.left, want.width) << design.name << " at " << dpi;
      EXPECT_EQ(got.bottom - got.top, want.height) << design.name << " at " << dpi;
    }
  }
}

TEST_F(Win32WindowTest, ClientAreaIsTheDesignedOne) {
  RECT client;
  GetClientRect(window_.window().handle(), &client);
  EXPECT_EQ(client.right, form::toPixels(form::kClientWidthTwips, 96));
  EXPECT_EQ(client.bottom, form::toPixels(form::kClientHeightTwips, 96));
}

// Open Port, its timer's attempt, the connection, then closing the window:
// each reaches its handler, and closing closes the port.
TEST_F(Win32WindowTest, ClickTickAndCloseRunTheirHandlers) {
  FakePlatform& port = window_.platform();
  SendMessageW(window_.window().control("BTNOpenCom"), BM_CLICK, 0, 0);
  ASSERT_TRUE(pumpUntil([&] { return port.written().find("BOOTinfo\r\n") != std::string::npos; }));
  EXPECT_EQ(port.openedNames.front(), "COM5:");
  EXPECT_TRUE(window_.isEnabled("BTNCloseCom"));
  EXPECT_FALSE(window_.isEnabled("BTNOpenCom"));

  port.reads.push_back("VER=2.1 OK");
  ASSERT_TRUE(pumpUntil([&] { return form().text8() == "VER=2.1 OK"; }));

  SendMessageW(window_.window().handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(port.count("close"), 1);
  EXPECT_FALSE(IsWindow(window_.window().handle()));
}

// A handler waiting in a box when the window closes goes on with no window:
// what it then does to the controls must do nothing, not crash the program.
TEST_F(Win32WindowTest, HandlerGoesOnSafelyAfterTheWindowClosedUnderItsBox) {
  PostMessageW(window_.window().handle(), WM_CLOSE, 0, 0);
  form().showMessage(U"closing under this box", download::MessageStyle::Plain, "");
  ASSERT_FALSE(IsWindow(window_.window().handle()));
  form().setBarText("END");
  form().setBarValue(1);
  form().setText8("OK");
  form().setPicFillColor(0xFF);
  form().SwitchTags();
  form().setTimerEnabled(download::FormTimer::TMRComm, true);
  EXPECT_EQ(form().showOpenDialog("HEX files (*.hex)|*.hex"), "");
  EXPECT_EQ(window_.platform().count("close"), 1);  // the unload ran
}

}  // namespace
}  // namespace tarnwick::testing
