// A file mapped into memory through one view. Whatever is written through the
// view is the file's content at once (it lives in the system's page cache), so
// a process that is killed halfway leaves the file exactly as it was at that
// moment, and the hot path makes no write call at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "unique_handle.h"

namespace emu {

class CMappedFile {
 public:
  CMappedFile() = default;
  ~CMappedFile();
  CMappedFile(const CMappedFile&) = delete;
  CMappedFile& operator=(const CMappedFile&) = delete;

  // Opens the file for reading and writing, creating it when it is missing;
  // other processes may read it meanwhile. Nothing is mapped yet.
  bool Open(const std::wstring& path);
  // The file's size when it was opened.
  std::uint64_t SizeAtOpen() const;
  // Maps the first nSize bytes, first growing the file with zeros if it is
  // shorter. An earlier view is released: pointers into it go stale.
  bool Map(std::size_t nSize);
  std::uint8_t* Data() const;
  std::size_t Size() const;
  // Releases the view and cuts the file to nLength bytes.
  bool Truncate(std::uint64_t nLength);
  void Close();

 private:
  void Unmap();

  CUniqueHandle m_file;
  CUniqueHandle m_mapping;
  std::uint8_t* m_pView = nullptr;
  std::size_t m_nSize = 0;
  std::uint64_t m_nSizeAtOpen = 0;
};

}  // namespace emu
