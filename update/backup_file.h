// The key-block backup file: 512 raw bytes, "zentor.tmp" in the user's
// temporary folder, the name that every version of the tool uses. It is the
// only copy of a device's key block once the flash has been erased, so it is
// written so that it is either complete or absent, and a file that is not
// exactly 512 bytes is never taken for a key block.
#pragma once

#include <span>
#include <string>

#include "platform_api.h"

// The key block at 0xF000, and so the backup file, is 512 bytes.
inline constexpr DWORD kKeyBlockSize = 512;

enum class EBackupState {
  Missing,     // no such file: the key block must come from the device
  Complete,    // exactly 512 bytes, read into the caller's buffer
  Incomplete,  // a file of any other length: left by an interrupted write
  Unusable,    // something is there but cannot be read (a folder, no access)
};

// The backup path in the user's temporary folder; empty when the system
// cannot tell the folder.
std::wstring BackupFilePath();

EBackupState ReadBackupFile(const std::wstring& path, std::span<BYTE, kKeyBlockSize> keyBlock);

// Writes a new file beside the backup, flushes it to disk, moves it over the
// backup and reads it back. True only when the backup then holds these bytes.
bool WriteBackupFileDurably(const std::wstring& path, std::span<const BYTE, kKeyBlockSize> keyBlock);

// Moves an incomplete backup out of the way under a name of its own
// ("zentor.tmp.1.incomplete", ...), so that it is kept but never used.
bool SetIncompleteBackupAside(const std::wstring& path);
