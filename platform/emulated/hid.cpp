// The HID class driver functions on the emulated HID stack.
#include <cstring>

#include "emulated_platform.h"

namespace {

emu::CHidStack& Stack() { return emu::EmulatedPlatform().Hid(); }

emu::CHidStack::HandleId IdOf(const void* pHandle) { return reinterpret_cast<emu::CHidStack::HandleId>(pHandle); }

BOOLEAN Failed() {
  SetLastError(Stack().LastError());
  return FALSE;
}

// {4D1E55B2-F16F-11CF-88CB-001111000030}, the HID device interface class.
constexpr GUID kHidGuid = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

}  // namespace

void HidD_GetHidGuid(LPGUID HidGuid) { *HidGuid = kHidGuid; }

BOOLEAN HidD_GetAttributes(HANDLE HidDeviceObject, PHIDD_ATTRIBUTES Attributes) {
  if (Attributes == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  USHORT nVendorID = 0;
  USHORT nProductID = 0;
  USHORT nVersionNumber = 0;
  if (!Stack().GetAttributes(IdOf(HidDeviceObject), &nVendorID, &nProductID, &nVersionNumber)) return Failed();
  // As Windows: Size is set, not checked.
  Attributes->Size = sizeof(HIDD_ATTRIBUTES);
  Attributes->VendorID = nVendorID;
  Attributes->ProductID = nProductID;
  Attributes->VersionNumber = nVersionNumber;
  return TRUE;
}

BOOLEAN HidD_GetPreparsedData(HANDLE HidDeviceObject, PHIDP_PREPARSED_DATA* PreparsedData) {
  if (PreparsedData == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const emu::CHidStack::HandleId preparsed = Stack().GetPreparsedData(IdOf(HidDeviceObject));
  if (preparsed == 0) return Failed();
  *PreparsedData = reinterpret_cast<PHIDP_PREPARSED_DATA>(preparsed);
  return TRUE;
}

BOOLEAN HidD_FreePreparsedData(PHIDP_PREPARSED_DATA PreparsedData) {
  return Stack().FreePreparsedData(IdOf(PreparsedData)) ? TRUE : Failed();
}

NTSTATUS HidP_GetCaps(PHIDP_PREPARSED_DATA PreparsedData, PHIDP_CAPS Capabilities) {
  emu::SHidCaps caps;
  if (Capabilities == nullptr || !Stack().GetCaps(IdOf(PreparsedData), &caps)) {
    return HIDP_STATUS_INVALID_PREPARSED_DATA;
  }
  std::memset(Capabilities, 0, sizeof *Capabilities);
  Capabilities->Usage = caps.nUsage;
  Capabilities->UsagePage = caps.nUsagePage;
  Capabilities->InputReportByteLength = caps.nInputReportLength;
  Capabilities->OutputReportByteLength = caps.nOutputReportLength;
  Capabilities->FeatureReportByteLength = caps.nFeatureReportLength;
  return HIDP_STATUS_SUCCESS;
}

// Windows refuses a feature buffer whose length is not the device's feature
// report length; the emulated device does the same.
BOOLEAN HidD_SetFeature(HANDLE HidDeviceObject, PVOID ReportBuffer, ULONG ReportBufferLength) {
  return Stack().SetFeature(IdOf(HidDeviceObject), static_cast<const std::uint8_t*>(ReportBuffer),
                            ReportBufferLength)
             ? TRUE
             : Failed();
}

BOOLEAN HidD_GetFeature(HANDLE HidDeviceObject, PVOID ReportBuffer, ULONG ReportBufferLength) {
  return Stack().GetFeature(IdOf(HidDeviceObject), static_cast<std::uint8_t*>(ReportBuffer), ReportBufferLength)
             ? TRUE
             : Failed();
}
