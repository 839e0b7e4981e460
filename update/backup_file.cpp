#include "backup_file.h"

#include <algorithm>
#include <array>
#include <vector>

#include "file_handle.h"

namespace {

constexpr int kMaxAsideNames = 100;

// Reads until the end of the file or until the buffer is full.
bool ReadUpTo(HANDLE hFile, std::span<BYTE> buffer, DWORD& dwTotal) {
  dwTotal = 0;
  while (dwTotal < buffer.size()) {
    DWORD dwRead = 0;
    if (!ReadFile(hFile, buffer.data() + dwTotal, static_cast<DWORD>(buffer.size() - dwTotal), &dwRead, nullptr)) {
      return false;
    }
    if (dwRead == 0) break;
    dwTotal += dwRead;
  }
  return true;
}

}  // namespace

std::wstring BackupFilePath() {
  // Ask for the length first: a temporary folder deeper than 260 characters
  // is possible, and a truncated path would name some other file.
  const DWORD dwNeeded = GetTempPathW(0, nullptr);
  if (dwNeeded == 0) return {};
  std::vector<WCHAR> buffer(dwNeeded + 1);
  const DWORD dwLength = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
  if (dwLength == 0 || dwLength >= buffer.size()) return {};
  return std::wstring(buffer.data(), dwLength) + L"zentor.tmp";
}

EBackupState ReadBackupFile(const std::wstring& path, std::span<BYTE, kKeyBlockSize> keyBlock) {
  const DWORD dwAttributes = GetFileAttributesW(path.c_str());
  if (dwAttributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD dwError = GetLastError();
    return (dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND) ? EBackupState::Missing
                                                                                : EBackupState::Unusable;
  }
  if (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) return EBackupState::Unusable;

  CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) return EBackupState::Unusable;
  // One byte more than a key block tells a complete file from a longer one.
  std::array<BYTE, kKeyBlockSize + 1> content{};
  DWORD dwTotal = 0;
  if (!ReadUpTo(file.Get(), content, dwTotal)) return EBackupState::Unusable;
  if (dwTotal != kKeyBlockSize) return EBackupState::Incomplete;
  std::copy_n(content.begin(), kKeyBlockSize, keyBlock.begin());
  return EBackupState::Complete;
}

bool WriteBackupFileDurably(const std::wstring& path, std::span<const BYTE, kKeyBlockSize> keyBlock) {
  const std::wstring newPath = path + L".new";
  {
    CFileHandle file(
        CreateFileW(newPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) return false;
    DWORD dwWritten = 0;
    const bool bWritten = WriteFile(file.Get(), keyBlock.data(), kKeyBlockSize, &dwWritten, nullptr) &&
                          dwWritten == kKeyBlockSize && FlushFileBuffers(file.Get());
    if (!file.Close() || !bWritten) {
      DeleteFileW(newPath.c_str());
      return false;
    }
  }
  if (!MoveFileExW(newPath.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(newPath.c_str());
    return false;
  }
  std::array<BYTE, kKeyBlockSize> readBack{};
  if (ReadBackupFile(path, readBack) == EBackupState::Complete &&
      std::equal(readBack.begin(), readBack.end(), keyBlock.begin())) {
    return true;
  }
  // The device has not been erased yet and still holds its key block, so a
  // backup that does not read back right is better gone than trusted later.
  DeleteFileW(path.c_str());
  return false;
}

bool SetIncompleteBackupAside(const std::wstring& path) {
  for (int n = 1; n <= kMaxAsideNames; ++n) {
    const std::wstring asidePath = path + L"." + std::to_wstring(n) + L".incomplete";
    // No replace flag: an earlier fragment set aside is never overwritten.
    if (MoveFileExW(path.c_str(), asidePath.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
  }
  return false;
}
