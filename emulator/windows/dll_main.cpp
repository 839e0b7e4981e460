// Entry of the emulated setupapi.dll, which holds the whole emulation. The
// program links SetupAPI at load time, so this DLL is there from the start
// and goes only when the process ends.
#include <windows.h>

#include "emulation.h"

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD nReason, LPVOID) {
  if (nReason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(hInstance);
  // Also when the process is ending: the trace gets its closing line and is
  // cut after its text.
  if (nReason == DLL_PROCESS_DETACH) emu::EndEmulation();
  return TRUE;
}
