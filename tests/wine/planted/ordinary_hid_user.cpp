// The way most programs load hid.dll: by bare name, with the ordinary search
// order that looks in the program's own folder first. The planted-DLL test
// runs this beside its planted hid.dll to show that the planting is live, so
// that the program passing the same test means something. Prints where
// hid.dll was found; exit code 0 when it loaded.
#include <windows.h>

#include <cstdio>

int main() {
  HMODULE hHid = LoadLibraryW(L"hid.dll");
  if (hHid == nullptr) {
    std::printf("hid.dll not loaded, error %lu\n", GetLastError());
    return 1;
  }
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(hHid, path, MAX_PATH);
  std::printf("hid.dll loaded from %ls\n", path);
  FreeLibrary(hHid);
  return 0;
}
