// What the driver saw, one UTF-8 line per event, each stamped with the seconds
// since the driver started. The lines go straight to the standard output
// handle, unbuffered, so that a script following the file sees each event as
// it happens and nothing is lost if the driver is killed.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

std::string Utf8FromWide(std::wstring_view text);

// Quotes a text for a log line: line feeds and quotes escaped, so that every
// event stays on one line.
std::string Quoted(std::string_view text);

class CEventLog {
 public:
  CEventLog();
  CEventLog(const CEventLog&) = delete;
  CEventLog& operator=(const CEventLog&) = delete;

  void Write(std::string_view line);

 private:
  HANDLE m_hOutput;
  ULONGLONG m_nStart;
};
