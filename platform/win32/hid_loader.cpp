// The HID class driver functions that <hidsdi.h> and <hidpi.h> declare,
// taken from hid.dll in the system folder.
//
// The program is downloaded and run from wherever the browser put it, usually
// beside whatever else was downloaded. Linking hid.lib would have the loader
// search the program's own folder first, so a hid.dll planted there would run
// inside the updater. LOAD_LIBRARY_SEARCH_SYSTEM32 searches the system folder
// alone.
//
// When hid.dll or one of its functions cannot be had, every function fails the
// way the driver reports failure: FALSE, a zero GUID (no interface of the
// class is ever present) or HIDP_STATUS_INVALID_PREPARSED_DATA. The device is
// then simply never found.
#include "win32_api.h"

namespace {

struct SHidFunctions {
  decltype(&HidD_GetHidGuid) pfnGetHidGuid = nullptr;
  decltype(&HidD_GetAttributes) pfnGetAttributes = nullptr;
  decltype(&HidD_GetPreparsedData) pfnGetPreparsedData = nullptr;
  decltype(&HidD_FreePreparsedData) pfnFreePreparsedData = nullptr;
  decltype(&HidP_GetCaps) pfnGetCaps = nullptr;
  decltype(&HidD_SetFeature) pfnSetFeature = nullptr;
  decltype(&HidD_GetFeature) pfnGetFeature = nullptr;
};

template <class TFunction>
bool Resolve(HMODULE hModule, const char* pszName, TFunction& pfnFunction) {
  // FARPROC has a signature of its own; going through void (*)() is the cast
  // that the compiler accepts between unrelated function pointer types.
  pfnFunction = reinterpret_cast<TFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(hModule, pszName)));
  return pfnFunction != nullptr;
}

bool Load(SHidFunctions& functions) {
  // The module stays loaded for the life of the process: the functions are
  // used until the program ends, and the process's exit releases it.
  const HMODULE hModule = LoadLibraryExW(L"hid.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (hModule == nullptr) {
    return false;
  }
  return Resolve(hModule, "HidD_GetHidGuid", functions.pfnGetHidGuid) &&
         Resolve(hModule, "HidD_GetAttributes", functions.pfnGetAttributes) &&
         Resolve(hModule, "HidD_GetPreparsedData", functions.pfnGetPreparsedData) &&
         Resolve(hModule, "HidD_FreePreparsedData", functions.pfnFreePreparsedData) &&
         Resolve(hModule, "HidP_GetCaps", functions.pfnGetCaps) &&
         Resolve(hModule, "HidD_SetFeature", functions.pfnSetFeature) &&
         Resolve(hModule, "HidD_GetFeature", functions.pfnGetFeature);
}

// All seven functions, or none: a hid.dll that lacks one of them is not one
// the program can drive the device with. Resolved at first use; the program
// has one thread.
const SHidFunctions* HidFunctions() {
  static SHidFunctions functions;
  static const bool bLoaded = Load(functions);
  return bLoaded ? &functions : nullptr;
}

}  // namespace

void NTAPI HidD_GetHidGuid(LPGUID HidGuid) {
  if (const SHidFunctions* pFunctions = HidFunctions()) {
    pFunctions->pfnGetHidGuid(HidGuid);
    return;
  }
  *HidGuid = GUID{};
}

BOOLEAN NTAPI HidD_GetAttributes(HANDLE HidDeviceObject, PHIDD_ATTRIBUTES Attributes) {
  const SHidFunctions* pFunctions = HidFunctions();
  return pFunctions != nullptr && pFunctions->pfnGetAttributes(HidDeviceObject, Attributes);
}

BOOLEAN NTAPI HidD_GetPreparsedData(HANDLE HidDeviceObject, PHIDP_PREPARSED_DATA* PreparsedData) {
  const SHidFunctions* pFunctions = HidFunctions();
  return pFunctions != nullptr && pFunctions->pfnGetPreparsedData(HidDeviceObject, PreparsedData);
}

BOOLEAN NTAPI HidD_FreePreparsedData(PHIDP_PREPARSED_DATA PreparsedData) {
  const SHidFunctions* pFunctions = HidFunctions();
  return pFunctions != nullptr && pFunctions->pfnFreePreparsedData(PreparsedData);
}

NTSTATUS NTAPI HidP_GetCaps(PHIDP_PREPARSED_DATA PreparsedData, PHIDP_CAPS Capabilities) {
  const SHidFunctions* pFunctions = HidFunctions();
  return pFunctions != nullptr ? pFunctions->pfnGetCaps(PreparsedData, Capabilities)
                               : HIDP_STATUS_INVALID_PREPARSED_DATA;
}

BOOLEAN NTAPI HidD_SetFeature(HANDLE HidDeviceObject, PVOID ReportBuffer, ULONG ReportBufferLength) {
  const SHidFunctions* pFunctions = HidFunctions();
  return pFunctions != nullptr &&
         pFunctions->pfnSetFeature(HidDeviceObject, ReportBuffer, ReportBufferLength);
}

BOOLEAN NTAPI HidD_GetFeature(HANDLE HidDeviceObject, PVOID ReportBuffer, ULONG ReportBufferLength) {
  const SHidFunctions* pFunctions = HidFunctions();
  return pFunctions != nullptr &&
         pFunctions->pfnGetFeature(HidDeviceObject, ReportBuffer, ReportBufferLength);
}
