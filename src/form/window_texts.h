// The window's own texts: its title, the title of message boxes that bring
// none, and the file dialog's filter as its entries.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::form {

// The title of message boxes that bring none of their own.
inline constexpr char kApplicationTitle[] = "Tarnwick";

// The title a message box shows: its own, or kApplicationTitle when it
// brings none (an empty title).
std::string messageBoxTitle(const std::string& title);

// "Tarnwick v3.30": the application's title and the version of project() in
// the top CMakeLists.txt, the one place the version is written.
std::string windowTitle();

// One entry of a file dialog's list of types.
struct FileFilter {
  std::string description;  // "HEX files (*.hex)"
  std::string patterns;     // "*.hex"; several are joined by ';'
};

inline bool operator==(const FileFilter& a, const FileFilter& b) {
  return a.description == b.description && a.patterns == b.patterns;
}

// The entries of a filter as the handlers give it, "Description|patterns"
// pairs joined by '|' ("HEX files (*.hex)|*.hex"); blanks around each part
// are dropped, and a description without its patterns is left out.
std::vector<FileFilter> parseFileFilter(std::string_view filter);
// "*.hex;*.ihx" gives "*.hex" and "*.ihx".
std::vector<std::string> patternList(std::string_view patterns);

}  // namespace tarnwick::form
