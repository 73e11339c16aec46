#include "serial/devices/port_enumeration.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace tarnwick::serial {
namespace {

bool isDigit(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The run of digits at the front of text, without its leading zeros.
std::string_view takeNumber(std::string_view& text) {
  std::size_t end = 0;
  while (end < text.size() && isDigit(text[end])) ++end;
  std::string_view number = text.substr(0, end);
  text.remove_prefix(end);
  while (number.size() > 1 && number.front() == '0') number.remove_prefix(1);
  return number;
}

// "ttyACM2" < "ttyACM10": runs of digits compare by value, the rest by byte.
bool naturalLess(std::string_view a, std::string_view b) {
  while (!a.empty() && !b.empty()) {
    if (isDigit(a.front()) && isDigit(b.front())) {
      const auto x = takeNumber(a);
      const auto y = takeNumber(b);
      if (x.size() != y.size()) return x.size() < y.size();
      if (x != y) return x < y;
      continue;
    }
    if (a.front() != b.front()) return a.front() < b.front();
    a.remove_prefix(1);
    b.remove_prefix(1);
  }
  return a.size() < b.size();
}

}  // namespace

void sortByDeviceName(std::vector<PortDescription>& ports) {
  std::stable_sort(ports.begin(), ports.end(),
                   [](const PortDescription& a, const PortDescription& b) {
                     return naturalLess(a.device, b.device);
                   });
}

}  // namespace tarnwick::serial
