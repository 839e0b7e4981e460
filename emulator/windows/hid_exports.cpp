// The HID class driver functions of the emulated hid.dll (which forwards them
// here, so that both DLLs share one emulation). Each maps the program's real
// file handle back to its interface and lets the HID stack answer.
#include <windows.h>
// These two headers declare the functions without C linkage; the DLL exports
// them under their plain names.
extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}

#include <cstdio>
#include <string>

#include "emulation.h"

#ifndef HIDP_STATUS_INVALID_PREPARSED_DATA
#define HIDP_STATUS_INVALID_PREPARSED_DATA ((NTSTATUS)0xC0110001L)
#endif
#ifndef HIDP_STATUS_SUCCESS
#define HIDP_STATUS_SUCCESS ((NTSTATUS)0x00110000L)
#endif

namespace {

using emu::CEmulation;
using emu::CHidStack;
using emu::CLockedEmulation;
using emu::CTraceLog;

// One call on a device handle: the emulation held, the time taken, and the
// interface behind the handle when there is one.
class CDeviceCall {
 public:
  explicit CDeviceCall(HANDLE hDevice) : m_nNow(m_emulation->Now()) {
    m_bKnown = m_emulation->InterfaceOfHandle(hDevice, &m_nInterface, &m_device);
    m_emulation->Stack().Clock().Set(m_nNow);
  }

  CEmulation& Emulation() const { return *m_emulation; }
  CHidStack& Stack() const { return m_emulation->Stack(); }
  bool IsKnown() const { return m_bKnown; }
  std::size_t Interface() const { return m_nInterface; }
  CHidStack::HandleId Device() const { return m_device; }
  std::uint32_t Now() const { return m_nNow; }

  void Trace(const std::string& text) const { m_emulation->Trace().Event(m_nNow, m_nInterface, text); }

  // Traces the failure and leaves its error for GetLastError.
  BOOLEAN Fail(const char* pszEvent, DWORD nError, const std::string& details = {}) const {
    Trace(std::string(pszEvent) + " fail error=" + std::to_string(nError) + (details.empty() ? "" : " ") + details);
    SetLastError(nError);
    return FALSE;
  }
  BOOLEAN FailFromStack(const char* pszEvent, const std::string& details = {}) const {
    return Fail(pszEvent, Stack().LastError(), details);
  }

 private:
  CLockedEmulation m_emulation;
  std::uint32_t m_nNow;
  bool m_bKnown = false;
  std::size_t m_nInterface = CTraceLog::kNoInterface;
  CHidStack::HandleId m_device = 0;
};

std::string ReportText(const void* pReport, ULONG nLength) {
  return pReport == nullptr ? std::string("-") : emu::HexBytes(static_cast<const std::uint8_t*>(pReport), nLength);
}

CHidStack::HandleId PreparsedID(PHIDP_PREPARSED_DATA pPreparsed) {
  return reinterpret_cast<CHidStack::HandleId>(pPreparsed);
}

}  // namespace

extern "C" {

void NTAPI HidD_GetHidGuid(LPGUID HidGuid) {
  if (HidGuid != nullptr) *HidGuid = emu::kHidInterfaceClass;
}

BOOLEAN NTAPI HidD_GetAttributes(HANDLE HidDeviceObject, PHIDD_ATTRIBUTES Attributes) {
  const CDeviceCall call(HidDeviceObject);
  if (!call.IsKnown()) return call.Fail("attributes", ERROR_INVALID_HANDLE);
  if (Attributes == nullptr) return call.Fail("attributes", ERROR_INVALID_PARAMETER);
  const ULONG nSizeGiven = Attributes->Size;
  std::uint16_t nVendorID = 0;
  std::uint16_t nProductID = 0;
  std::uint16_t nVersionNumber = 0;
  if (!call.Stack().GetAttributes(call.Device(), &nVendorID, &nProductID, &nVersionNumber)) {
    return call.FailFromStack("attributes");
  }
  Attributes->Size = sizeof(HIDD_ATTRIBUTES);
  Attributes->VendorID = nVendorID;
  Attributes->ProductID = nProductID;
  Attributes->VersionNumber = nVersionNumber;
  char text[96];
  std::snprintf(text, sizeof text, "attributes ok vendor=%04x product=%04x version=%04x size=%lu", nVendorID,
                nProductID, nVersionNumber, static_cast<unsigned long>(nSizeGiven));
  call.Trace(text);
  return TRUE;
}

BOOLEAN NTAPI HidD_GetPreparsedData(HANDLE HidDeviceObject, PHIDP_PREPARSED_DATA* PreparsedData) {
  const CDeviceCall call(HidDeviceObject);
  if (!call.IsKnown()) return call.Fail("preparsed", ERROR_INVALID_HANDLE);
  if (PreparsedData == nullptr) return call.Fail("preparsed", ERROR_INVALID_PARAMETER);
  const CHidStack::HandleId preparsed = call.Stack().GetPreparsedData(call.Device());
  if (preparsed == 0) return call.FailFromStack("preparsed");
  // An opaque token, as Windows gives: the program only hands it back.
  *PreparsedData = reinterpret_cast<PHIDP_PREPARSED_DATA>(preparsed);
  call.Trace("preparsed ok");
  return TRUE;
}

BOOLEAN NTAPI HidD_FreePreparsedData(PHIDP_PREPARSED_DATA PreparsedData) {
  CLockedEmulation emulation;
  const std::uint32_t nNow = emulation->Now();
  const bool bFreed = emulation->Stack().FreePreparsedData(PreparsedID(PreparsedData));
  emulation->Trace().Event(nNow, CTraceLog::kNoInterface, bFreed ? "free ok" : "free fail");
  return bFreed ? TRUE : FALSE;
}

NTSTATUS NTAPI HidP_GetCaps(PHIDP_PREPARSED_DATA PreparsedData, PHIDP_CAPS Capabilities) {
  CLockedEmulation emulation;
  const std::uint32_t nNow = emulation->Now();
  emu::SHidCaps caps;
  if (Capabilities == nullptr || !emulation->Stack().GetCaps(PreparsedID(PreparsedData), &caps)) {
    emulation->Trace().Event(nNow, CTraceLog::kNoInterface, "caps fail invalid");
    return HIDP_STATUS_INVALID_PREPARSED_DATA;
  }
  *Capabilities = HIDP_CAPS{};
  Capabilities->Usage = caps.nUsage;
  Capabilities->UsagePage = caps.nUsagePage;
  Capabilities->InputReportByteLength = caps.nInputReportLength;
  Capabilities->OutputReportByteLength = caps.nOutputReportLength;
  Capabilities->FeatureReportByteLength = caps.nFeatureReportLength;
  char text[128];
  std::snprintf(text, sizeof text, "caps ok usage_page=%04x usage=%04x input=%u output=%u feature=%u",
                caps.nUsagePage, caps.nUsage, caps.nInputReportLength, caps.nOutputReportLength,
                caps.nFeatureReportLength);
  emulation->Trace().Event(nNow, CTraceLog::kNoInterface, text);
  return HIDP_STATUS_SUCCESS;
}

BOOLEAN NTAPI HidD_SetFeature(HANDLE HidDeviceObject, PVOID ReportBuffer, ULONG ReportBufferLength) {
  const CDeviceCall call(HidDeviceObject);
  if (!call.IsKnown()) return call.Fail("set", ERROR_INVALID_HANDLE, ReportText(ReportBuffer, ReportBufferLength));
  const auto* pReport = static_cast<const std::uint8_t*>(ReportBuffer);
  if (pReport != nullptr) call.Emulation().NoteSending(call.Interface(), pReport, ReportBufferLength);
  if (!call.Stack().SetFeature(call.Device(), pReport, ReportBufferLength)) {
    return call.FailFromStack("set", ReportText(ReportBuffer, ReportBufferLength));
  }
  call.Trace("set ok " + ReportText(ReportBuffer, ReportBufferLength));
  return TRUE;
}

BOOLEAN NTAPI HidD_GetFeature(HANDLE HidDeviceObject, PVOID ReportBuffer, ULONG ReportBufferLength) {
  const CDeviceCall call(HidDeviceObject);
  if (!call.IsKnown() ||
      !call.Stack().GetFeature(call.Device(), static_cast<std::uint8_t*>(ReportBuffer), ReportBufferLength)) {
    const DWORD nError = call.IsKnown() ? call.Stack().LastError() : ERROR_INVALID_HANDLE;
    call.Emulation().Trace().FailedRead(call.Now(), call.Interface(), nError);
    SetLastError(nError);
    return FALSE;
  }
  call.Trace("get ok " + ReportText(ReportBuffer, ReportBufferLength));
  return TRUE;
}

}  // extern "C"
