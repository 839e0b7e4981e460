// A hid.dll that an attacker might leave beside the program. It does no harm:
// when any process loads it, it leaves a marker file beside itself naming that
// process, and its HID functions fail. The exports are there so that a program
// that imports hid.dll statically would resolve against this file and load it.
#include <windows.h>

#include <string>

namespace {

constexpr wchar_t kMarkerName[] = L"planted-hid-loaded.txt";

std::wstring ModulePath(HMODULE hModule) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD nLength = GetModuleFileNameW(hModule, path.data(), static_cast<DWORD>(path.size()));
    if (nLength < path.size()) {
      path.resize(nLength);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

void LeaveMarker(HMODULE hSelf) {
  std::wstring markerPath = ModulePath(hSelf);
  markerPath.erase(markerPath.find_last_of(L"\\/") + 1);
  markerPath += kMarkerName;
  const std::wstring loader = ModulePath(nullptr);
  HANDLE hFile = CreateFileW(markerPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (hFile == INVALID_HANDLE_VALUE) return;
  const int nBytes = WideCharToMultiByte(CP_UTF8, 0, loader.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string line(static_cast<std::size_t>(nBytes > 0 ? nBytes : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, loader.c_str(), -1, line.data(), nBytes, nullptr, nullptr);
  line.pop_back();  // the terminating null
  line = "loaded by " + line + "\n";
  DWORD nWritten = 0;
  WriteFile(hFile, line.data(), static_cast<DWORD>(line.size()), &nWritten, nullptr);
  CloseHandle(hFile);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD nReason, LPVOID) {
  if (nReason == DLL_PROCESS_ATTACH) LeaveMarker(hInstance);
  return TRUE;
}

extern "C" __declspec(dllexport) void WINAPI HidD_GetHidGuid(GUID* guid) { *guid = GUID{}; }
extern "C" __declspec(dllexport) BOOLEAN WINAPI HidD_GetAttributes(HANDLE, void*) { return FALSE; }
extern "C" __declspec(dllexport) BOOLEAN WINAPI HidD_GetPreparsedData(HANDLE, void**) { return FALSE; }
extern "C" __declspec(dllexport) BOOLEAN WINAPI HidD_FreePreparsedData(void*) { return FALSE; }
extern "C" __declspec(dllexport) BOOLEAN WINAPI HidD_SetFeature(HANDLE, void*, ULONG) { return FALSE; }
extern "C" __declspec(dllexport) BOOLEAN WINAPI HidD_GetFeature(HANDLE, void*, ULONG) { return FALSE; }
// HIDP_STATUS_INVALID_PREPARSED_DATA
extern "C" __declspec(dllexport) LONG WINAPI HidP_GetCaps(void*, void*) { return static_cast<LONG>(0xC0110001L); }
