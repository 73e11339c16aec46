#include "serial/mode_string.h"

#include <cctype>
#include <vector>

namespace tarnwick::serial {
namespace {

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Splits at every comma, keeping empty items so that "115200,n,8,1," has five.
std::vector<std::string> commaItems(const std::string& text) {
  std::vector<std::string> items;
  std::size_t start = 0;
  for (;;) {
    const auto comma = text.find(',', start);
    items.push_back(trimmed(text.substr(start, comma - start)));
    if (comma == std::string::npos) return items;
    start = comma + 1;
  }
}

bool parseBaud(const std::string& item, unsigned long& baud) {
  if (item.empty() || item.size() > 7 ||
      item.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  baud = std::stoul(item);
  return baud > 0;
}

bool parseParity(const std::string& item, char& parity) {
  if (item.size() != 1) return false;
  parity = static_cast<char>(std::tolower(static_cast<unsigned char>(item[0])));
  return parity == 'n' || parity == 'e' || parity == 'o';
}

bool parseDataBits(const std::string& item, int& bits) {
  if (item.size() != 1 || item[0] < '5' || item[0] > '8') return false;
  bits = item[0] - '0';
  return true;
}

}  // namespace

bool parseLineMode(const std::string& mode, LineMode& settings) {
  const auto items = commaItems(mode);
  if (items.size() != 4) return false;
  if (items[3] != "1" && items[3] != "2") return false;
  settings.stopBits = items[3] == "2" ? 2 : 1;
  return parseBaud(items[0], settings.baud) && parseParity(items[1], settings.parity) &&
         parseDataBits(items[2], settings.dataBits);
}

std::string lineModeText(const LineMode& settings) {
  return std::to_string(settings.baud) + "," + settings.parity + "," +
         std::to_string(settings.dataBits) + "," + std::to_string(settings.stopBits);
}

}  // namespace tarnwick::serial
