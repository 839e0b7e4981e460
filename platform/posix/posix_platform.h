// The POSIX side of the non-Windows platform, beyond the Windows functions of
// win_api.h: the file handles behind CreateFileW and CloseHandle (which
// platform/emulated/ routes between devices and files), the text conversion of
// wide paths, and the seams through which tests shape the machine: the
// temporary folder, file faults, the kill hook and resource "DMP" 131.
// Nothing here is used by device/ or update/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "win_api.h"

namespace posix_platform {

// Wide text (UTF-32 on Linux, UTF-16 elsewhere) to UTF-8 and back; an invalid
// code point becomes U+FFFD.
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);
// A Windows path as a POSIX one: UTF-8, '\' taken as a separator.
std::string ToPosixPath(LPCWSTR pPath);

// ---- Files (files.cpp) ----
HANDLE CreateFile(LPCWSTR pPath, DWORD nAccess, DWORD nDisposition);
bool IsFileHandle(HANDLE handle);
BOOL CloseFile(HANDLE handle);
std::size_t OpenFileHandleCount();

// ---- Faults and the kill hook (files.cpp) ----
enum class EFileOp { CreateRead, CreateWrite, Read, Write, Flush, Move, Delete, GetAttributes };
enum class EFileFaultAction { Fail, Kill };

struct SFileFault {
  EFileOp op;
  EFileFaultAction action = EFileFaultAction::Fail;  // Kill: the kill hook runs instead of the operation
  std::wstring pathSuffix;  // the fault applies to paths ending with this; empty = every path
  std::uint32_t nOccurrence = 0;  // 0: every call; N: only the Nth matching call
  DWORD nError = 0;  // GetLastError after the failure; 0: the operation's usual error
};

void AddFileFault(const SFileFault& fault);
void ClearFileFaults();

// What "the process is killed" means in this process: by default abort();
// a test that forks a child to be killed sets one that calls _exit. If the
// hook returns, the operation that met the fault fails instead.
void SetKillHook(void (*pfnKill)());
void Kill();

// ---- Temporary folder (kernel.cpp) ----
// GetTempPathW's answer, ending with '/'. Default: $TMPDIR or /tmp.
void SetTempPath(const std::wstring& path);
const std::wstring& TempPath();

// ---- Resource "DMP" 131 (resources.cpp) ----
void SetFirmwareResource(std::vector<std::uint8_t> bytes);
void RemoveFirmwareResource();
void UseEmbeddedFirmware();  // the default: orvane_firmware_begin..end

}  // namespace posix_platform
