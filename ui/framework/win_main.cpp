// The program's entry: prepares the process and hands it to the application
// object's InitInstance.
#include "win_app.h"

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int) {
  // Before anything is loaded at run time (the common controls' and the HID
  // driver's DLLs among them): DLLs come from the system folder only, never
  // from the folder the program was downloaded to.
  ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  // The update runs on this one thread inside a button's handler and takes
  // minutes without reading a message. Windows would replace the window by a
  // "Not Responding" ghost after about five seconds, and closing the ghost
  // ends the process half-way through rewriting the device's flash. Without
  // ghosting the window stays as it is and keeps its status and progress.
  ::DisableProcessWindowsGhosting();

  CWinApp* pApp = AfxGetApp();
  if (pApp == nullptr) {
    return 1;
  }
  pApp->InitApplication(hInstance);
  // The program's only window is modal and ends inside InitInstance, so no
  // message loop follows it.
  pApp->InitInstance();
  return 0;
}
