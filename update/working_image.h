// The working image: a writable 2 MiB copy of the firmware that the program
// carries, into which the device's own key block is spliced before the flash
// is erased; and the backup file that keeps that key block alive until an
// update has succeeded.
#pragma once

#include <memory>
#include <span>
#include <string>

#include "backup_file.h"
#include "command_channel.h"
#include "platform_api.h"

inline constexpr DWORD kFlashSize = 0x200000;
inline constexpr DWORD kPageSize = 256;
inline constexpr DWORD kPageCount = kFlashSize / kPageSize;
inline constexpr DWORD kKeyBlockAddress = 0xF000;
// Only this much of the key block is read from the device; the rest of the
// 512 bytes is the image's own.
inline constexpr DWORD kKeyBlockReadSize = 416;
inline constexpr wchar_t kBackupFileName[] = L"zentor.tmp";

class CWorkingImage {
 public:
  // Copies the embedded firmware. False when it cannot be found, loaded or
  // accessed, is not exactly 2 MiB, or the copy cannot be allocated.
  bool LoadWorkingImage();
  // True when the 256 bytes at the page address are all 0xFF.
  bool IsBlankPage(DWORD dwAddress) const;
  // Puts the device's key block into the image: from the backup file when a
  // complete one exists, else from the device, after which a complete backup
  // is on disk before this returns true. False means nothing may be erased.
  bool CaptureKeyBlock(CCommandChannel& channel);
  // After a successful update only.
  void DeleteBackupFile();

  std::span<const BYTE> Bytes() const;
  const std::wstring& BackupPath() const { return m_backupPath; }

 private:
  std::span<BYTE, kKeyBlockSize> KeyBlock();
  bool ReadKeyBlockFromDevice(CCommandChannel& channel);
  bool WriteBackupFile();

  std::unique_ptr<BYTE[]> m_pImage;
  std::wstring m_backupPath;
};
