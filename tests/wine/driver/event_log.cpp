#include "event_log.h"

#include <cstdio>

std::string Utf8FromWide(std::wstring_view text) {
  if (text.empty()) return {};
  const int nLength = static_cast<int>(text.size());
  const int nBytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), nLength, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(nBytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), nLength, result.data(), nBytes, nullptr, nullptr);
  return result;
}

std::string Quoted(std::string_view text) {
  std::string result = "\"";
  for (const char character : text) {
    switch (character) {
      case '\n': result += "\\n"; break;
      case '\r': result += "\\r"; break;
      case '"': result += "\\\""; break;
      case '\\': result += "\\\\"; break;
      default: result += character;
    }
  }
  result += '"';
  return result;
}

CEventLog::CEventLog() : m_hOutput(GetStdHandle(STD_OUTPUT_HANDLE)), m_nStart(GetTickCount64()) {}

void CEventLog::Write(std::string_view line) {
  const ULONGLONG nElapsed = GetTickCount64() - m_nStart;
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%4llu.%03llu ", nElapsed / 1000, nElapsed % 1000);
  std::string entry = stamp;
  entry += line;
  entry += '\n';
  DWORD nWritten = 0;
  WriteFile(m_hOutput, entry.data(), static_cast<DWORD>(entry.size()), &nWritten, nullptr);
}
