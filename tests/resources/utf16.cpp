#include "utf16.h"

#include <cstdint>

namespace {

void AppendUtf8(std::uint32_t code_point, std::string& utf8) {
  auto put = [&utf8](std::uint32_t byte) { utf8.push_back(static_cast<char>(byte)); };
  if (code_point < 0x80) {
    put(code_point);
  } else if (code_point < 0x800) {
    put(0xC0 | code_point >> 6);
    put(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    put(0xE0 | code_point >> 12);
    put(0x80 | (code_point >> 6 & 0x3F));
    put(0x80 | (code_point & 0x3F));
  } else {
    put(0xF0 | code_point >> 18);
    put(0x80 | (code_point >> 12 & 0x3F));
    put(0x80 | (code_point >> 6 & 0x3F));
    put(0x80 | (code_point & 0x3F));
  }
}

}  // namespace

bool Utf16ToUtf8(std::u16string_view text, std::string& utf8) {
  utf8.clear();
  for (std::size_t index = 0; index < text.size(); ++index) {
    std::uint32_t unit = text[index];
    if (unit >= 0xDC00 && unit <= 0xDFFF) return false;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (index + 1 == text.size()) return false;
      const std::uint32_t low = text[++index];
      if (low < 0xDC00 || low > 0xDFFF) return false;
      unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }
    AppendUtf8(unit, utf8);
  }
  return true;
}

// For test data and expectations written in UTF-8; assumes well-formed input.
std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string result;
  for (std::size_t index = 0; index < text.size();) {
    const auto lead = static_cast<unsigned char>(text[index]);
    const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    std::uint32_t code_point = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (int follow = 1; follow < length && index + follow < text.size(); ++follow) {
      code_point = code_point << 6 | (static_cast<unsigned char>(text[index + follow]) & 0x3F);
    }
    index += static_cast<std::size_t>(length);
    if (code_point >= 0x10000) {
      result.push_back(static_cast<char16_t>(0xD800 + ((code_point - 0x10000) >> 10)));
      result.push_back(static_cast<char16_t>(0xDC00 + ((code_point - 0x10000) & 0x3FF)));
    } else {
      result.push_back(static_cast<char16_t>(code_point));
    }
  }
  return result;
}
