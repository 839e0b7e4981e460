// The emulated hid.dll has no code of its own: its exports forward to the
// emulated setupapi.dll (hid.def), so that the HID functions and the device
// listing work on one emulation in the process.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD nReason, LPVOID) {
  if (nReason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(hInstance);
  return TRUE;
}
