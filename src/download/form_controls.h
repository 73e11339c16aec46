// What the handlers may do to the window: the operations on its controls.
//
// The window implements this with real widgets; tests implement it with a
// recorder. Texts are 8-bit (Latin-1) std::string, except what a person
// typed (the port name, the Send Text box) and the texts of message boxes,
// which keep every character as std::u32string.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick::download {

enum class FormTimer { Timer3, TMRComm, Timer2 };
enum class MessageStyle { Plain, Error };

class FormControls {
 public:
  virtual ~FormControls() = default;

  virtual void setLabel2Caption(const std::string& caption) = 0;
  virtual std::u32string portNameText() = 0;  // txt(0)
  virtual std::u32string sendText() = 0;      // txt(2)
  virtual std::string text8() = 0;
  virtual void setText8(const std::string& text) = 0;

  virtual void setTimerEnabled(FormTimer timer, bool enabled) = 0;
  virtual void enableCommand5() = 0;
  // Flips the enabled state of every control whose tag is not empty.
  virtual void SwitchTags() = 0;

  virtual std::uint32_t picFillColor() = 0;
  virtual void setPicFillColor(std::uint32_t color) = 0;

  virtual void setBarText(const std::string& text) = 0;
  virtual void setBarValue(std::int32_t value) = 0;
  virtual void setBarMax(std::int32_t max) = 0;
  virtual void setBarColor(std::uint32_t color) = 0;

  // Shows the open-file dialog with a filter such as "HEX files (*.hex)|*.hex"
  // and returns the chosen file's path in the platform's file-name encoding;
  // empty when no file was chosen.
  virtual std::string showOpenDialog(const std::string& filter) = 0;
  // A modal box with an OK button; an empty title means the application's title.
  virtual void showMessage(const std::u32string& text, MessageStyle style,
                           const std::string& title) = 0;
  // Blocks the user-interface thread; no events are handled meanwhile.
  virtual void sleepMs(int milliseconds) = 0;
};

}  // namespace tarnwick::download
