// The one emulated machine behind the non-Windows platform functions: its HID
// stack, its embedded resources and its file-system faults. Tests reset it and
// describe the scenario; the core then runs against it through the Windows API
// names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hid_stack.h"

namespace emu {

enum class EFileOp { CreateRead, CreateWrite, Read, Write, Flush, Move, Delete, GetAttributes };

enum class EFileFaultAction { Fail, Kill };

struct SFileFault {
  EFileOp op;
  EFileFaultAction action = EFileFaultAction::Fail;  // Kill: the kill hook runs instead of the operation
  std::wstring pathSuffix;  // the fault applies to paths ending with this; empty = every path
  std::uint32_t nOccurrence = 0;  // 0: every call; N: only the Nth matching call
};

class CEmulatedPlatform {
 public:
  CHidStack& Hid();

  // Resource "DMP" 131: by default the firmware embedded in the build.
  void SetFirmwareResource(std::vector<std::uint8_t> bytes);
  void RemoveFirmwareResource();
  void UseEmbeddedFirmware();

  // GetTempPathW's answer (a path ending with '/'); default: a fresh private
  // folder created on Reset.
  void SetTempPath(const std::wstring& path);
  const std::wstring& TempPath() const;
  void AddFileFault(const SFileFault& fault);

  // What "the process is killed" means in this process: by default abort();
  // a test that forks a child to be killed sets _exit.
  void SetKillHook(void (*pfnKill)());
  void Kill();

  // Everything back to a fresh machine: no interfaces, clock at 0, embedded
  // firmware, a new empty temporary folder, no faults.
  void Reset();
};

CEmulatedPlatform& EmulatedPlatform();

// The firmware embedded in the build (2 MiB).
const std::vector<std::uint8_t>& EmbeddedFirmware();

}  // namespace emu
