// CHidDevice: the one open handle to the Zentor and the feature-report link
// over it. A record belongs to the one operation that created it and is
// closed on every path out of that operation.
#pragma once

#include <span>

#include "platform_api.h"

class CHidDevice {
 public:
  CHidDevice() = default;
  ~CHidDevice();
  CHidDevice(const CHidDevice&) = delete;
  CHidDevice& operator=(const CHidDevice&) = delete;

  // Finds the Zentor among the present HID interfaces and opens it for
  // reading and writing; on success the three lengths hold its capabilities.
  // Any handle held before is closed first. False leaves the record closed and
  // the lengths as they were.
  bool Open();
  void Close();

  // One feature report of m_nFeatureReportLength bytes from the start of the
  // buffer, report ID in byte 0. Fails without touching the device when the
  // record is closed or the buffer is shorter than the report.
  bool SendReport(std::span<const BYTE> report);
  // One attempt to read a feature report of the ID in byte 0 into the buffer;
  // same preconditions as SendReport.
  bool ReadReport(std::span<BYTE> report);
  // Reads until a report arrives (true) or dwTimeout milliseconds have passed
  // on the tick counter (false). At least one read is made; the elapsed time
  // is taken modulo 2^32, so a wrap of the counter changes nothing.
  bool WaitReply(std::span<BYTE> report, DWORD dwTimeout);

  HANDLE m_hDevice = INVALID_HANDLE_VALUE;
  USHORT m_nInputReportLength = 0;
  USHORT m_nOutputReportLength = 0;
  USHORT m_nFeatureReportLength = 0;

 private:
  bool OpenFoundInterface(LPCWSTR pszDevicePath, SECURITY_ATTRIBUTES& security);
  bool FitsReport(std::size_t nBufferSize) const;
};
