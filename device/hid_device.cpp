#include "hid_device.h"

CHidDevice::~CHidDevice() { Close(); }

void CHidDevice::Close() {
  if (m_hDevice == INVALID_HANDLE_VALUE) return;
  CloseHandle(m_hDevice);
  m_hDevice = INVALID_HANDLE_VALUE;
}

// The length comes from the device, the buffer from the caller: a device that
// reports a feature report longer than the buffer gets no transfer at all
// rather than one that reads or writes past the buffer's end.
bool CHidDevice::FitsReport(std::size_t nBufferSize) const {
  return m_nFeatureReportLength <= nBufferSize;
}

bool CHidDevice::SendReport(std::span<const BYTE> report) {
  if (m_hDevice == INVALID_HANDLE_VALUE || !FitsReport(report.size())) return false;
  // The class driver takes a non-const buffer but does not write into it.
  return HidD_SetFeature(m_hDevice, const_cast<BYTE*>(report.data()), ULONG{m_nFeatureReportLength}) != 0;
}

bool CHidDevice::ReadReport(std::span<BYTE> report) {
  if (m_hDevice == INVALID_HANDLE_VALUE || !FitsReport(report.size())) return false;
  return HidD_GetFeature(m_hDevice, report.data(), ULONG{m_nFeatureReportLength}) != 0;
}

bool CHidDevice::WaitReply(std::span<BYTE> report, DWORD dwTimeout) {
  const DWORD dwStart = GetTickCount();
  for (;;) {
    if (ReadReport(report)) return true;
    // Unsigned subtraction is the elapsed time modulo 2^32: correct across a
    // wrap of the counter, which happens every 49.7 days of uptime.
    const DWORD dwElapsed = GetTickCount() - dwStart;
    if (dwElapsed >= dwTimeout) return false;
  }
}
