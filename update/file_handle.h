// A file handle owned by one object and closed on every path.
#pragma once

#include <span>

#include "platform_api.h"

class CFileHandle {
 public:
  explicit CFileHandle(HANDLE hFile) : m_hFile(hFile) {}
  ~CFileHandle() { Close(); }
  CFileHandle(const CFileHandle&) = delete;
  CFileHandle& operator=(const CFileHandle&) = delete;

  bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return m_hFile; }
  // True when the handle was open and closed cleanly.
  bool Close() {
    if (m_hFile == INVALID_HANDLE_VALUE) return false;
    const BOOL bClosed = CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
    return bClosed != FALSE;
  }

 private:
  HANDLE m_hFile;
};
