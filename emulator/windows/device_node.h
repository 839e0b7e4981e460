// The file that stands for one HID interface. Its path is the interface's
// device path, so the program opens it with the system's own CreateFileW, with
// no access rights or for reading and writing alike; the handle it gets leads
// back to the interface through the file's ID.
#pragma once

#include <cstdint>
#include <string>

#include "unique_handle.h"

namespace emu {

class CDeviceNode {
 public:
  // Creates the (empty) file. A held node stays open here for reading
  // without sharing write access: another open for writing then fails with a
  // sharing violation, as for a device that another program holds, while an
  // open with no access rights still succeeds.
  bool Create(const std::wstring& path, bool bHeld);
  bool IsCreated() const;
  std::uint64_t FileID() const;

  // Removes whatever file is at the path, so that opening it fails.
  static void Delete(const std::wstring& path);

 private:
  std::uint64_t m_nFileID = 0;
  bool m_bCreated = false;
  CUniqueHandle m_holder;
};

// The ID of the file behind a handle, also for a handle opened with no
// access rights. False for a handle that is not an open file.
bool FileIDOfHandle(HANDLE hFile, std::uint64_t* pFileID);

// Creates the folder and any missing folders above it.
bool CreateFolders(const std::wstring& folder);

}  // namespace emu
