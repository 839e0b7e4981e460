// The one emulated machine behind the non-Windows platform functions: its HID
// stack, its embedded resources and its file-system faults. Tests reset it and
// describe the scenario; the core then runs against it through the Windows API
// names.
//
// A fixture:
//   emu::CEmulatedPlatform& machine = emu::EmulatedPlatform();
//   machine.Reset();                                 // fresh machine, fresh temp folder
//   auto zentor = machine.Hid().AddZentor();         // key block of its own at 0xF000
//   zentor->LoadFlash(...);                          // optional: other flash content
//   ... run the core ...; then look at zentor->Flash(), zentor->Trace(),
//   machine.Hid().Clock().Now(), machine.Hid().OpenDeviceHandleCount() ...
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "hid_stack.h"
#include "posix_platform.h"

namespace emu {

using EFileOp = posix_platform::EFileOp;
using EFileFaultAction = posix_platform::EFileFaultAction;
// { op, action (Fail or Kill), path suffix (empty: every path), nOccurrence
// (0: every matching call; N: only the Nth), nError (0: the usual error) }
using SFileFault = posix_platform::SFileFault;

class CEmulatedPlatform {
 public:
  CEmulatedPlatform();
  ~CEmulatedPlatform();
  CEmulatedPlatform(const CEmulatedPlatform&) = delete;
  CEmulatedPlatform& operator=(const CEmulatedPlatform&) = delete;

  CHidStack& Hid();

  // Resource "DMP" 131: by default the firmware embedded in the build.
  void SetFirmwareResource(std::vector<std::uint8_t> bytes);
  void RemoveFirmwareResource();
  void UseEmbeddedFirmware();

  // GetTempPathW's answer (a path ending with '/'); default: a fresh private
  // folder created on Reset. SetTempPath creates the folder (and its parents)
  // unless told not to; each path component must fit in 255 UTF-8 bytes.
  void SetTempPath(const std::wstring& path, bool bCreate = true);
  const std::wstring& TempPath() const;
  void AddFileFault(const SFileFault& fault);
  void ClearFileFaults();
  // File handles from CreateFileW not yet closed.
  std::size_t OpenFileHandleCount() const;

  // What "the process is killed" means in this process: by default abort();
  // a test that forks a child to be killed sets _exit. Device Kill faults and
  // file Kill faults both run it. Reset leaves it as it is.
  void SetKillHook(void (*pfnKill)());
  void Kill();

  // Everything back to a fresh machine: no interfaces, clock at 0, embedded
  // firmware, a new empty temporary folder (the previous private one is
  // removed with its content), no faults.
  void Reset();

 private:
  CHidStack m_hid;
  std::wstring m_privateFolder;  // the folder Reset made, removed on the next Reset and at exit
  int m_nOwnerProcess = 0;       // a forked child never removes its parent's folder
};

CEmulatedPlatform& EmulatedPlatform();

// The firmware embedded in the build (2 MiB).
const std::vector<std::uint8_t>& EmbeddedFirmware();

}  // namespace emu
