#include "download/runtime_error.h"

#include <cstdint>
#include <optional>

#include "download/protocol.h"

namespace tarnwick::download {
namespace {

// The length of the UTF-8 sequence that starts with this byte; 0 when none does.
std::size_t sequenceLength(std::uint8_t lead) {
  if (lead < 0x80) return 1;
  if ((lead >> 5) == 0x6) return 2;
  if ((lead >> 4) == 0xE) return 3;
  if ((lead >> 3) == 0x1E) return 4;
  return 0;
}

// Decodes UTF-8; nothing when the text is not valid UTF-8.
std::optional<std::u32string> utf8Text(std::string_view text) {
  std::u32string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<std::uint8_t>(text[i]);
    const std::size_t length = sequenceLength(lead);
    if (length == 0 || i + length > text.size()) return std::nullopt;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<std::uint8_t>(text[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      c = (c << 6) | (next & 0x3F);
    }
    out.push_back(c);
    i += length;
  }
  return out;
}

}  // namespace

std::u32string latin1Text(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (char c : text) out.push_back(static_cast<std::uint8_t>(c));
  return out;
}

void showRuntimeError(FormControls& form, const RuntimeError& error) {
  // The system's own descriptions may be translated (UTF-8 on Linux); the
  // handlers' own are plain ASCII and read the same either way.
  std::u32string text = utf8Text(error.description).value_or(latin1Text(error.description));
  form.showMessage(text, MessageStyle::Error,
                   std::string(kErrorTitlePrefix) + std::to_string(error.number));
}

}  // namespace tarnwick::download
