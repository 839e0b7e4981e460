#include "status_messages.h"

std::string_view StatusText(std::uint16_t nID) {
  for (const SStatusText& entry : kStatusTexts) {
    if (entry.nID == nID) return entry.text;
  }
  return {};
}
