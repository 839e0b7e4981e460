// Sole owner of a kernel handle: closed when the owner goes. The system
// reports a failed open with INVALID_HANDLE_VALUE or with null depending on
// the call, so both count as no handle.
#pragma once

#include <utility>

#include <windows.h>

namespace emu {

class CUniqueHandle {
 public:
  CUniqueHandle() = default;
  explicit CUniqueHandle(HANDLE hHandle) : m_hHandle(hHandle) {}
  ~CUniqueHandle() { Reset(); }
  CUniqueHandle(CUniqueHandle&& other) noexcept : m_hHandle(std::exchange(other.m_hHandle, nullptr)) {}
  CUniqueHandle& operator=(CUniqueHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      m_hHandle = std::exchange(other.m_hHandle, nullptr);
    }
    return *this;
  }
  CUniqueHandle(const CUniqueHandle&) = delete;
  CUniqueHandle& operator=(const CUniqueHandle&) = delete;

  HANDLE Get() const { return m_hHandle; }
  bool IsValid() const { return m_hHandle != nullptr && m_hHandle != INVALID_HANDLE_VALUE; }
  void Reset() {
    if (IsValid()) CloseHandle(m_hHandle);
    m_hHandle = nullptr;
  }

 private:
  HANDLE m_hHandle = nullptr;
};

}  // namespace emu
