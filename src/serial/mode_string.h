// Mode strings such as "115200,n,8,1": baud rate, parity letter, data bits,
// stop bits. Every platform that has no reader of its own (Win32 has
// BuildCommDCBA) reads them here, so that all of them accept and refuse the
// same strings; the settings are what the platforms are given.
//
// Items are separated by commas; blanks around an item are ignored; the
// parity letter may be upper or lower case. Anything else (a fifth item, a
// flow-control letter, an empty item) is refused: the caller treats it as a
// failure of its building step.
#pragma once

#include <string>

namespace tarnwick::serial {

struct LineMode {
  unsigned long baud = 0;  // digits only, at most 7 of them; the platform checks the rate
  char parity = 'n';       // 'n', 'e' or 'o'
  int dataBits = 8;        // 5 to 8
  int stopBits = 1;        // 1 or 2
};

bool parseLineMode(const std::string& mode, LineMode& settings);

// The settings as a mode string of the same form: "115200,n,8,1".
std::string lineModeText(const LineMode& settings);

}  // namespace tarnwick::serial
