// CreateFileW and CloseHandle: device paths (\\?\hid#...) open emulated HID
// interfaces, every other path a real file.
#include "emulated_platform.h"

HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD /*dwShareMode*/,
                   LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/, DWORD dwCreationDisposition,
                   DWORD /*dwFlagsAndAttributes*/, HANDLE /*hTemplateFile*/) {
  if (!emu::CHidStack::IsDevicePath(lpFileName)) {
    return posix_platform::CreateFile(lpFileName, dwDesiredAccess, dwCreationDisposition);
  }
  emu::CHidStack& stack = emu::EmulatedPlatform().Hid();
  if (dwCreationDisposition != OPEN_EXISTING) {
    SetLastError(ERROR_ACCESS_DENIED);  // a device is never created
    return INVALID_HANDLE_VALUE;
  }
  const emu::CHidStack::HandleId handle = stack.OpenDevice(lpFileName, (dwDesiredAccess & GENERIC_READ) != 0,
                                                           (dwDesiredAccess & GENERIC_WRITE) != 0);
  if (handle == 0) {
    SetLastError(stack.LastError());
    return INVALID_HANDLE_VALUE;
  }
  SetLastError(ERROR_SUCCESS);
  return reinterpret_cast<HANDLE>(handle);
}

BOOL CloseHandle(HANDLE hObject) {
  emu::CHidStack& stack = emu::EmulatedPlatform().Hid();
  const auto id = reinterpret_cast<emu::CHidStack::HandleId>(hObject);
  if (stack.IsDeviceHandle(id)) return stack.CloseDevice(id) ? TRUE : FALSE;
  return posix_platform::CloseFile(hObject);  // ERROR_INVALID_HANDLE for anything else
}
