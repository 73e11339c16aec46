// frmSerial drawn with the plain Win32 API: the controls of form/ as standard
// Windows controls, the owner-drawn bar and indicator, three SetTimer timers
// and the system's message box and open-file dialog. Every click, tick and
// the window's closing goes to one handler of download/, one line each; the
// window holds no protocol logic.
//
// Controls are children of the window itself, frames included (a frame only
// draws its border and caption), so IsDialogMessage walks them all: the tab
// order is the order of creation, which follows the table's tab indices.
//
// Traps:
//   - A message box or the file dialog runs its own message loop: timer ticks
//     and posted messages reach the handlers while another handler waits
//     there, as they do in the Qt window.
//   - KillTimer leaves a tick that is already queued; a tick of a timer that
//     is disabled is dropped here, so none arrives after it was stopped.
//   - Positions are computed from twips at the window's own DPI, and again
//     when the window moves to a monitor of another DPI.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "download/download_control.h"
#include "download/form_controls.h"
#include "form/controls.h"
#include "serial/serial_platform.h"
#include "serial/serial_port.h"

namespace tarnwick::ui_win32 {

class FormWindow final : public download::FormControls {
 public:
  FormWindow(HINSTANCE instance, std::unique_ptr<serial::SerialPlatform> platform);
  ~FormWindow() override;
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  HWND handle() const { return window_; }
  void show(int showCommand);
  // The message loop's keyboard filter: Tab, access keys.
  bool handleDialogKey(MSG& message);

  // A control by its name in the table ("txt_0", "BTNSend"); null if none.
  HWND control(std::string_view name) const;

  // The window's public method.
  void SwitchTags() override;

  // What the handlers do to the controls.
  void setLabel2Caption(const std::string& caption) override;
  std::u32string portNameText() override;
  std::u32string sendText() override;
  std::string text8() override;
  void setText8(const std::string& text) override;
  void setTimerEnabled(download::FormTimer timer, bool enabled) override;
  void enableCommand5() override;
  std::uint32_t picFillColor() override;
  void setPicFillColor(std::uint32_t color) override;
  void setBarText(const std::string& text) override;
  void setBarValue(std::int32_t value) override;
  void setBarMax(std::int32_t max) override;
  void setBarColor(std::uint32_t color) override;
  std::string showOpenDialog(const std::string& filter) override;
  void showMessage(const std::u32string& text, download::MessageStyle style,
                   const std::string& title) override;
  void sleepMs(int milliseconds) override;

 private:
  struct Control {
    const form::ControlDesign* design;
    HWND handle;
  };

  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void createControls();
  void placeControls(int dpi);
  void sizeWindow(int dpi);
  void clicked(int id);
  void ticked(UINT_PTR id);
  void closing();
  // Shows the control's new state with the next repaint of changed controls.
  void showSoon(HWND control);
  void showChanges();
  template <class Change>
  void changeBar(const Change& change);
  const Control* controlById(int id) const;
  std::wstring controlText(const char* name) const;

  HINSTANCE instance_;
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  HWND focus_ = nullptr;  // where the focus returns when the window is activated again
  std::vector<Control> controls_;
  bool timerEnabled_[3] = {false, false, false};
  std::vector<HWND> changed_;  // waiting for showChanges()
  std::wstring lastFolder_;    // of the file chosen last, in this run only
  std::unique_ptr<serial::SerialPlatform> platform_;
  serial::SerialPort port_;
  download::DownloadControl control_;
};

}  // namespace tarnwick::ui_win32
