// The HID stack around emulated devices: the list of present HID interfaces in
// enumeration order, their device paths, the handles opened on them, and the
// virtual millisecond clock that the tick counter and every transfer run on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "zentor_device.h"

namespace emu {

// How one interface behaves towards the discovery calls.
struct SInterfaceBehaviour {
  bool bDetailFails = false;          // SetupDiGetDeviceInterfaceDetailW fails
  bool bAttributeOpenFails = false;   // CreateFileW with no access rights fails
  bool bAttributesFail = false;       // HidD_GetAttributes fails
  bool bReadWriteOpenFails = false;   // CreateFileW with read/write access fails (held by another program)
  bool bPreparsedDataFails = false;   // HidD_GetPreparsedData fails
  bool bCapsInvalid = false;          // HidP_GetCaps reports invalid preparsed data
};

struct SHidInterface {
  std::wstring path;
  std::uint16_t nVendorID = 0;
  std::uint16_t nProductID = 0;
  std::uint16_t nVersionNumber = 0x0100;
  std::uint16_t nInputReportLength = 0;
  std::uint16_t nOutputReportLength = 0;
  // Feature report length of an interface without a device model; with one,
  // the model's FeatureReportLength() is reported.
  std::uint16_t nFeatureReportLength = 0;
  SInterfaceBehaviour behaviour;
  std::shared_ptr<CZentorDevice> device;  // null: an interface that answers no reports
};

class CVirtualClock {
 public:
  std::uint32_t Now() const;
  void Set(std::uint32_t nNow);
  void Advance(std::uint32_t nMilliseconds);  // wraps modulo 2^32
};

class CHidStack {
 public:
  CVirtualClock& Clock();

  // Interfaces in enumeration order. Returns the index.
  std::size_t AddInterface(SHidInterface hidInterface);
  // Adds a Zentor (VENDOR_ID/PRODUCT_ID of the build) and returns its model.
  std::shared_ptr<CZentorDevice> AddZentor();
  SHidInterface& Interface(std::size_t nIndex);
  std::size_t InterfaceCount() const;
  void RemoveInterface(std::size_t nIndex);  // unplugged: gone from the list, its handles fail
  void Clear();

  // Virtual latency of each transfer, and of each read that finds no reply.
  void SetTransferLatency(std::uint32_t nMilliseconds);
  void SetFailedReadCost(std::uint32_t nMilliseconds);  // default 1 ms, so waits end

  // Bookkeeping for the tests: handles of any kind (device, file, device
  // information set, preparsed data) currently open.
  std::size_t OpenDeviceHandleCount() const;
  std::size_t OpenDeviceInfoSetCount() const;
  std::size_t OpenPreparsedDataCount() const;
  std::size_t SetFeatureCalls() const;
  std::size_t GetFeatureCalls() const;
};

}  // namespace emu
