// What one run of the flasher is asked to do, as the command line gave it:
// read by the session, the gang and the station alike, never changed by them.
#pragma once

#include <chrono>
#include <string>

#include "serial/serial_port.h"

namespace tarnwick::flash {

struct FlashOptions {
  // A device, passed to the port layer byte for byte as typed, or a board
  // name (board_name.h); with --every, MATCH.
  std::string port;
  std::string hexFile;   // empty with --info
  bool info = false;     // only ask the board who it is
  bool go = false;       // start the program after a verified run
  bool check = true;     // refuse a file that is not one whole Intel HEX image
  bool quiet = false;    // no progress
  bool verbose = false;  // show every answer of the board
  bool list = false;     // only list the system's serial ports
  bool json = false;     // the list, or the run's report (--info's too), as JSON on standard output
  bool every = false;    // flash every board that `port` matches, side by side
  bool station = false;  // flash every board that `port` matches as it is plugged in
  std::string log;       // --station: the JSON Lines file a record a board goes to
  std::string serve;     // --station: [ADDRESS:]PORT of the read-only page and metrics
  std::chrono::milliseconds answerTimeout{5000};
  // The quiet that ends one answer; 20 ms is the window's.
  std::chrono::milliseconds answerGap{20};
  // Line: an answer also ends at a line end followed by a short quiet.
  // Quiet: only the gap ends it, the window's exact timing.
  serial::AnswerEnd answerEnd = serial::AnswerEnd::Line;
};

// "line" or "quiet", as --answer-end takes them.
const char* answerEndWord(serial::AnswerEnd end);

}  // namespace tarnwick::flash
