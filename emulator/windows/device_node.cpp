#include "device_node.h"

#include <winternl.h>

namespace emu {

bool CDeviceNode::Create(const std::wstring& path, bool bHeld) {
  m_holder.Reset();
  m_bCreated = false;
  CUniqueHandle created(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!created.IsValid() || !FileIDOfHandle(created.Get(), &m_nFileID)) return false;
  created.Reset();
  if (bHeld) {
    m_holder = CUniqueHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_holder.IsValid()) return false;
  }
  m_bCreated = true;
  return true;
}

bool CDeviceNode::IsCreated() const { return m_bCreated; }
std::uint64_t CDeviceNode::FileID() const { return m_nFileID; }

void CDeviceNode::Delete(const std::wstring& path) { DeleteFileW(path.c_str()); }

bool FileIDOfHandle(HANDLE hFile, std::uint64_t* pFileID) {
  // The documented ways to the file ID (GetFileInformationByHandle and its Ex
  // form) also ask for the volume, which costs Wine a trip to its server of
  // several hundred microseconds. The internal information alone is a stat of
  // the file, about a microsecond, and the handle needs no access rights.
  IO_STATUS_BLOCK status{};
  LARGE_INTEGER fileID{};
  if (!NT_SUCCESS(NtQueryInformationFile(hFile, &status, &fileID, sizeof fileID, FileInternalInformation))) {
    return false;
  }
  *pFileID = static_cast<std::uint64_t>(fileID.QuadPart);
  return true;
}

bool CreateFolders(const std::wstring& folder) {
  // Each prefix that ends at a separator is one level; the drive ("C:\") and
  // levels that exist already are simply refused by CreateDirectoryW.
  for (std::size_t nEnd = folder.find(L'\\'); nEnd != std::wstring::npos; nEnd = folder.find(L'\\', nEnd + 1)) {
    CreateDirectoryW(folder.substr(0, nEnd + 1).c_str(), nullptr);
  }
  CreateDirectoryW(folder.c_str(), nullptr);
  const DWORD nAttributes = GetFileAttributesW(folder.c_str());
  return nAttributes != INVALID_FILE_ATTRIBUTES && (nAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace emu
