// The device installation functions of the emulated setupapi.dll: listing the
// HID interfaces of the scenario and giving their device paths. Wine's own
// processes that load this DLL in place of Wine's (services.exe asks for every
// class) get sets that list nothing.
#define _SETUPAPI_  // defining the functions, not importing them
#include <windows.h>
#include <setupapi.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "emulation.h"

namespace {

using emu::CHidStack;
using emu::CLockedEmulation;

// The HIDClass device setup class, which the devices of HID interfaces belong to.
constexpr GUID kHidDeviceSetupClass = {0x745A17A0, 0x74D3, 0x11D0, {0xB6, 0xFE, 0x00, 0xA0, 0xC9, 0x0F, 0x57, 0xDA}};

CHidStack::HandleId SetOf(HDEVINFO hDeviceInfoSet) { return reinterpret_cast<CHidStack::HandleId>(hDeviceInfoSet); }

BOOL Fail(DWORD nError) {
  SetLastError(nError);
  return FALSE;
}

// The interface that an interface data record of ours describes; its
// Reserved field holds the interface's index plus one.
bool InterfaceOf(const SP_DEVICE_INTERFACE_DATA* pData, std::size_t* pInterface) {
  if (pData == nullptr || pData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA) || pData->Reserved == 0) return false;
  *pInterface = static_cast<std::size_t>(pData->Reserved - 1);
  return true;
}

}  // namespace

extern "C" {

HDEVINFO WINAPI SetupDiGetClassDevsW(const GUID* ClassGuid, PCWSTR, HWND, DWORD Flags) {
  if (ClassGuid == nullptr && (Flags & DIGCF_ALLCLASSES) == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  CLockedEmulation emulation;
  const bool bHidInterfaces = (Flags & DIGCF_DEVICEINTERFACE) != 0 &&
                              ((Flags & DIGCF_ALLCLASSES) != 0 || IsEqualGUID(*ClassGuid, emu::kHidInterfaceClass));
  if (!bHidInterfaces) return reinterpret_cast<HDEVINFO>(emulation->CreateSet(false, false));

  const std::uint32_t nNow = emulation->Now();
  emulation->NoteEnumeration(nNow);
  const CHidStack::HandleId set = emulation->CreateSet(true, (Flags & DIGCF_PRESENT) != 0);
  char text[64];
  std::snprintf(text, sizeof text, "list ok count=%zu flags=0x%lx", emulation->SetSize(set),
                static_cast<unsigned long>(Flags));
  emulation->Trace().Event(nNow, emu::CTraceLog::kNoInterface, text);
  return reinterpret_cast<HDEVINFO>(set);
}

BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                        const GUID* InterfaceClassGuid, DWORD MemberIndex,
                                        PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData) {
  CLockedEmulation emulation;
  if (!emulation->IsSet(SetOf(DeviceInfoSet))) return Fail(ERROR_INVALID_HANDLE);
  if (InterfaceClassGuid == nullptr || DeviceInterfaceData == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (DeviceInterfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) return Fail(ERROR_INVALID_USER_BUFFER);
  // The sets hold interfaces without device information elements, so a
  // search restricted to one device finds nothing.
  if (DeviceInfoData != nullptr || !IsEqualGUID(*InterfaceClassGuid, emu::kHidInterfaceClass)) {
    return Fail(ERROR_NO_MORE_ITEMS);
  }
  std::size_t nInterface = 0;
  if (!emulation->SetEntry(SetOf(DeviceInfoSet), MemberIndex, &nInterface)) return FALSE;
  DeviceInterfaceData->InterfaceClassGuid = emu::kHidInterfaceClass;
  DeviceInterfaceData->Flags = SPINT_ACTIVE;
  DeviceInterfaceData->Reserved = nInterface + 1;
  return TRUE;
}

BOOL WINAPI SetupDiGetDeviceInterfaceDetailW(HDEVINFO DeviceInfoSet, PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData,
                                             PSP_DEVICE_INTERFACE_DETAIL_DATA_W DeviceInterfaceDetailData,
                                             DWORD DeviceInterfaceDetailDataSize, PDWORD RequiredSize,
                                             PSP_DEVINFO_DATA DeviceInfoData) {
  CLockedEmulation emulation;
  const std::uint32_t nNow = emulation->Now();
  std::size_t nInterface = 0;
  if (!emulation->IsSet(SetOf(DeviceInfoSet))) return Fail(ERROR_INVALID_HANDLE);
  if (!InterfaceOf(DeviceInterfaceData, &nInterface)) return Fail(ERROR_INVALID_PARAMETER);
  std::wstring path;
  if (!emulation->Stack().InterfaceDetail(nInterface, &path)) {
    const DWORD nError = emulation->Stack().LastError();
    emulation->Trace().Event(nNow, nInterface, "detail fail error=" + std::to_string(nError));
    return Fail(nError);
  }
  const DWORD nNeeded =
      static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) + (path.size() + 1) * sizeof(WCHAR));
  if (RequiredSize != nullptr) *RequiredSize = nNeeded;
  // Without a buffer this is the size query, which always "fails".
  if (DeviceInterfaceDetailData == nullptr) {
    return Fail(DeviceInterfaceDetailDataSize == 0 ? ERROR_INSUFFICIENT_BUFFER : ERROR_INVALID_USER_BUFFER);
  }
  // Windows insists on the size of its own record for this word size: 8 for
  // x64, 6 for x86. A program that sets the other one fails there too.
  if (DeviceInterfaceDetailData->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
    emulation->Trace().Event(nNow, nInterface,
                             "detail fail cbSize=" + std::to_string(DeviceInterfaceDetailData->cbSize));
    return Fail(ERROR_INVALID_USER_BUFFER);
  }
  if (DeviceInterfaceDetailDataSize < nNeeded) return Fail(ERROR_INSUFFICIENT_BUFFER);
  if (DeviceInfoData != nullptr) {
    if (DeviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA)) return Fail(ERROR_INVALID_USER_BUFFER);
    DeviceInfoData->ClassGuid = kHidDeviceSetupClass;
    DeviceInfoData->DevInst = static_cast<DWORD>(nInterface + 1);
    DeviceInfoData->Reserved = 0;
  }
  std::memcpy(DeviceInterfaceDetailData->DevicePath, path.c_str(), (path.size() + 1) * sizeof(WCHAR));
  emulation->Trace().Event(nNow, nInterface, "detail ok");
  return TRUE;
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
  CLockedEmulation emulation;
  return emulation->DestroySet(SetOf(DeviceInfoSet)) ? TRUE : Fail(ERROR_INVALID_HANDLE);
}

// ---- What Wine's own processes ask of SetupAPI: never a device here. ----

BOOL WINAPI SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD, PSP_DEVINFO_DATA) {
  CLockedEmulation emulation;
  return Fail(emulation->IsSet(SetOf(DeviceInfoSet)) ? ERROR_NO_MORE_ITEMS : ERROR_INVALID_HANDLE);
}

BOOL WINAPI SetupDiGetDeviceRegistryPropertyW(HDEVINFO, PSP_DEVINFO_DATA, DWORD, PDWORD, PBYTE, DWORD, PDWORD) {
  return Fail(ERROR_INVALID_PARAMETER);
}

BOOL WINAPI SetupDiGetDevicePropertyW(HDEVINFO, PSP_DEVINFO_DATA, const DEVPROPKEY*, DEVPROPTYPE*, PBYTE, DWORD,
                                      PDWORD, DWORD) {
  return Fail(ERROR_INVALID_PARAMETER);
}

}  // extern "C"
