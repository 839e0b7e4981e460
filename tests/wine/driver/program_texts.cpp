#include "program_texts.h"

#include <windows.h>

#include "event_log.h"
#include "status_messages.h"

std::wstring WideFromUtf8(std::string_view text) {
  if (text.empty()) return {};
  const int nLength = static_cast<int>(text.size());
  const int nCharacters = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), nLength, nullptr, 0);
  std::wstring result(static_cast<std::size_t>(nCharacters), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), nLength, result.data(), nCharacters);
  return result;
}

std::wstring ProgramText(std::uint16_t nID) { return WideFromUtf8(StatusText(nID)); }

bool IsProgramID(std::uint16_t nID) {
  for (const SStatusText& entry : kStatusTexts) {
    if (entry.nID == nID) return true;
  }
  return false;
}

std::uint16_t ProgramIDOfText(const std::wstring& text) {
  for (const SStatusText& entry : kStatusTexts) {
    if (WideFromUtf8(entry.text) == text) return entry.nID;
  }
  return 0;
}

std::string DescribeID(std::uint16_t nID) {
  for (const SStatusText& entry : kStatusTexts) {
    if (entry.nID == nID) return std::to_string(nID) + " " + std::string(entry.name) + " " + Quoted(entry.text);
  }
  return std::to_string(nID) + " (not a program text)";
}

std::string DescribeText(const std::wstring& text) {
  const std::uint16_t nID = ProgramIDOfText(text);
  if (nID != 0) return DescribeID(nID);
  return "none " + Quoted(Utf8FromWide(text));
}
