// Every handler of the window's events, in plain C++.
//
// The window hands each click, tick and its unload to one method here; the
// handlers work on the download state, reach the window only through
// FormControls and the board only through SerialPort. Nothing here knows a
// widget, so every handler runs in tests without a display.
//
//   connection.cpp        Open Port, the attempt tick, Close Port, unload
//   receive_loop.cpp      the receive tick and its answer dispatch
//   hex_loader.cpp        Open File and Download
//   line_sender.cpp       the line sender (Send) and the info polling tick
//   manual_commands.cpp   Info, Install, Send Text
//
// Trap: the window's modal boxes and its file dialog run an event loop, so
// timer ticks reach these handlers while another handler waits in one. Each
// handler leaves the state consistent before it waits.
//
// A front end other than the window may pass larger limits (DownloadLimits)
// and follow the run through an observer (download_observer.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "download/download_observer.h"
#include "download/download_state.h"
#include "download/form_controls.h"
#include "download/runtime_error.h"
#include "serial/serial_port.h"

namespace tarnwick::download {

class DownloadControl {
 public:
  DownloadControl(FormControls& form, serial::SerialPort& port, DownloadLimits limits = {});

  // Null: none, as in the window. The observer must outlive its use here.
  void setObserver(DownloadObserver* observer);

  // Connection.
  void openPortClick();   // BTNOpenCom
  void attemptTick();     // Timer3
  void closePortClick();  // BTNCloseCom
  void unload();          // the window is closing

  // Answers.
  void receiveTick();  // TMRComm

  // Image and lines.
  void openFileAndDownloadClick();  // Command3
  void sendClick();                 // Command5, pressed by the user
  // The line sender itself, as the receive loop runs it; an error ends the
  // call before anything is sent and is handed back instead of shown.
  std::optional<RuntimeError> sendNextLine();
  void infoTick();  // Timer2

  // Manual commands.
  void infoClick();      // Command4
  void installClick();   // Command6
  void sendTextClick();  // BTNSend

  const DownloadState& state() const { return state_; }
  DownloadState& state() { return state_; }
  const DownloadLimits& limits() const { return limits_; }

 private:
  void runAttempt();
  void giveUp();
  void connected();
  void blinkIndicator();
  void dispatchAnswer(const std::string& answer);
  bool answerHolds(std::string_view keyword);

  FormControls& form_;
  serial::SerialPort& port_;
  DownloadLimits limits_;
  DownloadObserver* observer_;
  DownloadState state_;
  bool attemptRunning_ = false;
};

}  // namespace tarnwick::download
