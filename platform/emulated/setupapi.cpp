// The device installation functions on the emulated HID stack. A device
// information set is a snapshot of the interface list, held by the stack as a
// list of interface indices: neither its creation nor an enumeration copies
// paths, so a list of 65,536 and more interfaces costs little. The size checks
// are those of Windows: every cbSize must be sizeof the record of this build.
#include <cstddef>
#include <cstring>

#include "emulated_platform.h"

namespace {

constexpr DWORD kSpintActive = 0x00000001;
constexpr DWORD kSpintRemoved = 0x00000004;

emu::CHidStack& Stack() { return emu::EmulatedPlatform().Hid(); }

emu::CHidStack::HandleId IdOf(HDEVINFO set) { return reinterpret_cast<emu::CHidStack::HandleId>(set); }

bool IsHidGuid(const GUID* pGuid) {
  GUID hidGuid;
  HidD_GetHidGuid(&hidGuid);
  return pGuid != nullptr && std::memcmp(pGuid, &hidGuid, sizeof hidGuid) == 0;
}

BOOL Fail(DWORD nError) {
  SetLastError(nError);
  return FALSE;
}

}  // namespace

// Interfaces are listed with DIGCF_DEVICEINTERFACE, for the HID class (or all
// classes); without DIGCF_PRESENT the removed interfaces are listed too. A set
// of device setup classes (no DIGCF_DEVICEINTERFACE) holds nothing here.
HDEVINFO SetupDiGetClassDevsW(const GUID* ClassGuid, LPCWSTR /*Enumerator*/, HWND /*hwndParent*/, DWORD Flags) {
  const bool bAllClasses = (Flags & DIGCF_ALLCLASSES) != 0;
  if (ClassGuid == nullptr && !bAllClasses) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  const bool bInterfaces = (Flags & DIGCF_DEVICEINTERFACE) != 0 && (bAllClasses || IsHidGuid(ClassGuid));
  const emu::CHidStack::HandleId set = Stack().CreateInterfaceList((Flags & DIGCF_PRESENT) != 0, !bInterfaces);
  SetLastError(ERROR_SUCCESS);
  return reinterpret_cast<HDEVINFO>(set);
}

BOOL SetupDiEnumDeviceInterfaces(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                 const GUID* InterfaceClassGuid, DWORD MemberIndex,
                                 PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData) {
  emu::CHidStack& stack = Stack();
  if (!stack.IsInterfaceList(IdOf(DeviceInfoSet))) return Fail(ERROR_INVALID_HANDLE);
  // Enumerating the interfaces of one device is not modelled.
  if (DeviceInfoData != nullptr || InterfaceClassGuid == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (DeviceInterfaceData == nullptr || DeviceInterfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
    return Fail(ERROR_INVALID_USER_BUFFER);
  }
  if (!IsHidGuid(InterfaceClassGuid)) return Fail(ERROR_NO_MORE_ITEMS);
  std::size_t nInterface = 0;
  if (!stack.ListEntry(IdOf(DeviceInfoSet), MemberIndex, &nInterface)) return Fail(stack.LastError());
  DeviceInterfaceData->InterfaceClassGuid = *InterfaceClassGuid;
  // A removed interface is still described by a set made before its removal.
  DeviceInterfaceData->Flags = stack.IsInterfacePresent(nInterface) ? kSpintActive : kSpintRemoved;
  DeviceInterfaceData->Reserved = static_cast<ULONG_PTR>(MemberIndex) + 1;  // position in the set
  return TRUE;
}

BOOL SetupDiGetDeviceInterfaceDetailW(HDEVINFO DeviceInfoSet, PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData,
                                      PSP_DEVICE_INTERFACE_DETAIL_DATA_W DeviceInterfaceDetailData,
                                      DWORD DeviceInterfaceDetailDataSize, PDWORD RequiredSize,
                                      PSP_DEVINFO_DATA DeviceInfoData) {
  emu::CHidStack& stack = Stack();
  if (!stack.IsInterfaceList(IdOf(DeviceInfoSet))) return Fail(ERROR_INVALID_HANDLE);
  if (DeviceInfoData != nullptr) return Fail(ERROR_INVALID_PARAMETER);  // not modelled
  if (DeviceInterfaceData == nullptr || DeviceInterfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
    return Fail(ERROR_INVALID_USER_BUFFER);
  }
  std::size_t nInterface = 0;
  if (DeviceInterfaceData->Reserved == 0 ||
      !stack.ListEntry(IdOf(DeviceInfoSet), static_cast<std::uint32_t>(DeviceInterfaceData->Reserved - 1),
                       &nInterface)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  // The record's size counts the path in WCHARs with its terminating zero.
  const std::size_t nPathLength = stack.InterfacePath(nInterface).size();
  const DWORD nRequired = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                                             (nPathLength + 1) * sizeof(WCHAR));
  if (RequiredSize != nullptr) *RequiredSize = nRequired;
  if (DeviceInterfaceDetailData == nullptr) {
    return Fail(DeviceInterfaceDetailDataSize == 0 ? ERROR_INSUFFICIENT_BUFFER : ERROR_INVALID_USER_BUFFER);
  }
  if (DeviceInterfaceDetailDataSize < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) ||
      DeviceInterfaceDetailData->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
    return Fail(ERROR_INVALID_USER_BUFFER);
  }
  if (DeviceInterfaceDetailDataSize < nRequired) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::wstring path;
  if (!stack.InterfaceDetail(nInterface, &path)) return Fail(stack.LastError());
  WCHAR* pDevicePath = DeviceInterfaceDetailData->DevicePath;  // runs past the declared [1]
  path.copy(pDevicePath, path.size());
  pDevicePath[path.size()] = 0;
  return TRUE;
}

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
  return Stack().DestroyInterfaceList(IdOf(DeviceInfoSet)) ? TRUE : Fail(ERROR_INVALID_HANDLE);
}
