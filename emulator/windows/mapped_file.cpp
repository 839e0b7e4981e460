#include "mapped_file.h"

namespace emu {

CMappedFile::~CMappedFile() { Close(); }

bool CMappedFile::Open(const std::wstring& path) {
  Close();
  m_file = CUniqueHandle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!m_file.IsValid() || !GetFileSizeEx(m_file.Get(), &size)) {
    Close();
    return false;
  }
  m_nSizeAtOpen = static_cast<std::uint64_t>(size.QuadPart);
  return true;
}

std::uint64_t CMappedFile::SizeAtOpen() const { return m_nSizeAtOpen; }

bool CMappedFile::Map(std::size_t nSize) {
  Unmap();
  if (!m_file.IsValid() || nSize == 0) return false;
  // A mapping larger than the file extends the file, with zeros.
  const std::uint64_t nSize64 = nSize;
  m_mapping = CUniqueHandle(CreateFileMappingW(m_file.Get(), nullptr, PAGE_READWRITE,
                                               static_cast<DWORD>(nSize64 >> 32), static_cast<DWORD>(nSize64),
                                               nullptr));
  if (!m_mapping.IsValid()) return false;
  m_pView = static_cast<std::uint8_t*>(MapViewOfFile(m_mapping.Get(), FILE_MAP_WRITE, 0, 0, nSize));
  if (m_pView == nullptr) {
    Unmap();
    return false;
  }
  m_nSize = nSize;
  return true;
}

std::uint8_t* CMappedFile::Data() const { return m_pView; }
std::size_t CMappedFile::Size() const { return m_nSize; }

bool CMappedFile::Truncate(std::uint64_t nLength) {
  Unmap();
  if (!m_file.IsValid()) return false;
  LARGE_INTEGER position{};
  position.QuadPart = static_cast<LONGLONG>(nLength);
  return SetFilePointerEx(m_file.Get(), position, nullptr, FILE_BEGIN) && SetEndOfFile(m_file.Get());
}

void CMappedFile::Unmap() {
  if (m_pView != nullptr) UnmapViewOfFile(m_pView);
  m_pView = nullptr;
  m_mapping.Reset();
  m_nSize = 0;
}

void CMappedFile::Close() {
  Unmap();
  m_file.Reset();
  m_nSizeAtOpen = 0;
}

}  // namespace emu
