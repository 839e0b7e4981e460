// The tick counter and Sleep on the emulated machine's virtual clock: a wait
// of seconds costs no real time.
#include "emulated_platform.h"

DWORD GetTickCount() { return emu::EmulatedPlatform().Hid().Clock().Tick(); }

void Sleep(DWORD dwMilliseconds) { emu::EmulatedPlatform().Hid().Clock().Advance(dwMilliseconds); }
