// The HID stack around emulated devices: the list of present HID interfaces in
// enumeration order, their device paths, the handles opened on them, and the
// virtual millisecond clock that the tick counter and every transfer run on.
//
// The stack speaks in plain values (handle IDs, Win32 error numbers) so that
// it stays free of any operating system; platform/emulated/ wraps it in the
// Windows function names, and a Windows hid.dll can wrap it the same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "zentor_device.h"

namespace emu {

// Win32 error numbers that the stack reports through LastError().
namespace error {
inline constexpr std::uint32_t kFileNotFound = 2;
inline constexpr std::uint32_t kAccessDenied = 5;
inline constexpr std::uint32_t kInvalidHandle = 6;
inline constexpr std::uint32_t kGenFailure = 31;
inline constexpr std::uint32_t kSharingViolation = 32;
inline constexpr std::uint32_t kInvalidParameter = 87;
inline constexpr std::uint32_t kNoMoreItems = 259;
inline constexpr std::uint32_t kDeviceNotConnected = 1167;
}  // namespace error

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
  std::wstring path;  // empty: the stack makes one (\\?\hid#vid_....#{HID class GUID})
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
  std::uint16_t nUsagePage = 0xFF00;
  std::uint16_t nUsage = 0x0001;
};

// What HidP_GetCaps reports.
struct SHidCaps {
  std::uint16_t nUsage = 0;
  std::uint16_t nUsagePage = 0;
  std::uint16_t nInputReportLength = 0;
  std::uint16_t nOutputReportLength = 0;
  std::uint16_t nFeatureReportLength = 0;
};

class CVirtualClock {
 public:
  std::uint32_t Now() const;
  void Set(std::uint32_t nNow);
  void Advance(std::uint32_t nMilliseconds);  // wraps modulo 2^32

  // The program's reads of the tick counter (GetTickCount): each is counted
  // and then advances the clock by the tick read cost (default 0). A cost of
  // 1 lets a loop that reads the counter and nothing else (WaitReply on a
  // closed record) reach its timeout.
  std::uint32_t Tick();
  void SetTickReadCost(std::uint32_t nMilliseconds);
  std::size_t TickReads() const;

  void Reset();  // 0, no tick read cost, no tick reads counted

 private:
  std::uint32_t m_nNow = 0;
  std::uint32_t m_nTickReadCost = 0;
  std::size_t m_nTickReads = 0;
};

class CHidStack {
 public:
  using HandleId = std::uintptr_t;  // 0 is never a valid ID

  CHidStack();
  ~CHidStack();
  CHidStack(const CHidStack&) = delete;
  CHidStack& operator=(const CHidStack&) = delete;

  CVirtualClock& Clock();

  // Interfaces in enumeration order. Returns the index, which keeps naming
  // the interface after others are removed.
  std::size_t AddInterface(SHidInterface hidInterface);
  // Adds a Zentor (VENDOR_ID/PRODUCT_ID of the build, input length 33,
  // output length 17, the model's feature report length) and returns its
  // model. The second form plugs in a given model, e.g. one with external flash.
  std::shared_ptr<CZentorDevice> AddZentor();
  std::shared_ptr<CZentorDevice> AddZentor(std::shared_ptr<CZentorDevice> device);
  // Adds nCount interfaces with no device model and these IDs, cheaply: their
  // paths are made when asked for. Returns the index of the first.
  std::size_t AddBulkInterfaces(std::size_t nCount, std::uint16_t nVendorID, std::uint16_t nProductID);
  SHidInterface& Interface(std::size_t nIndex);
  // Interfaces added so far, removed ones included (indices run below it).
  std::size_t InterfaceCount() const;
  // Interfaces that a new enumeration lists.
  std::size_t PresentInterfaceCount() const;
  bool IsInterfacePresent(std::size_t nIndex) const;
  void RemoveInterface(std::size_t nIndex);  // unplugged: gone from the list, its handles fail
  // No interfaces, handles, lists or preparsed data; clock at 0; default
  // latency and failed-read cost; counters at 0.
  void Clear();

  // Virtual latency of each transfer, and the extra cost of each read that
  // finds no reply (for whatever reason).
  void SetTransferLatency(std::uint32_t nMilliseconds);
  void SetFailedReadCost(std::uint32_t nMilliseconds);  // default 1 ms, so waits end

  // What a Kill fault of a device of this stack calls (default std::abort).
  void SetKillHandler(std::function<void()> fnKill);

  // Bookkeeping for the tests: device handles, device information sets and
  // preparsed data currently open (file handles: see the platform).
  std::size_t OpenDeviceHandleCount() const;
  std::size_t OpenDeviceInfoSetCount() const;
  std::size_t OpenPreparsedDataCount() const;
  // HidD_SetFeature / HidD_GetFeature calls, whatever their result.
  std::size_t SetFeatureCalls() const;
  std::size_t GetFeatureCalls() const;

  static std::uint16_t ZentorVendorID();
  static std::uint16_t ZentorProductID();

  // ---- The operations behind the Windows functions. On failure they return
  // false (or 0) and LastError() holds the Win32 error number. ----
  std::uint32_t LastError() const;

  // SetupDiGetClassDevsW: a snapshot of the interfaces listed now, in order
  // (bPresentOnly: without the removed ones); bEmpty: a list of nothing (a
  // class that has no interfaces here).
  HandleId CreateInterfaceList(bool bPresentOnly, bool bEmpty = false);
  bool DestroyInterfaceList(HandleId list);
  bool IsInterfaceList(HandleId list) const;
  // The interface at a position of a list; kNoMoreItems past its end.
  bool ListEntry(HandleId list, std::uint32_t nPosition, std::size_t* pInterfaceIndex);
  // The interface's device path (what the detail size query measures).
  std::wstring InterfacePath(std::size_t nInterfaceIndex) const;
  // The detail read: the path, or false when the interface's detail read fails.
  bool InterfaceDetail(std::size_t nInterfaceIndex, std::wstring* pPath);

  // True for the paths that name emulated devices (\\?\hid#..., any case).
  static bool IsDevicePath(const wchar_t* pPath);
  // CreateFileW on a device path: no access (attribute open) or read/write.
  HandleId OpenDevice(const wchar_t* pPath, bool bRead, bool bWrite);
  bool IsDeviceHandle(HandleId handle) const;
  bool CloseDevice(HandleId handle);

  bool GetAttributes(HandleId handle, std::uint16_t* pVendorID, std::uint16_t* pProductID,
                     std::uint16_t* pVersionNumber);
  HandleId GetPreparsedData(HandleId handle);
  bool FreePreparsedData(HandleId preparsed);
  // False for an unknown ID or an interface whose caps are invalid.
  bool GetCaps(HandleId preparsed, SHidCaps* pCaps);
  bool SetFeature(HandleId handle, const std::uint8_t* pReport, std::uint32_t nLength);
  bool GetFeature(HandleId handle, std::uint8_t* pReport, std::uint32_t nLength);

 private:
  struct SRecord {
    std::unique_ptr<SHidInterface> info;  // null: a bulk interface not asked for yet
    std::uint16_t nVendorID = 0;          // of a bulk interface
    std::uint16_t nProductID = 0;
    bool bRemoved = false;
  };
  struct SDeviceHandle {
    std::size_t nInterface;
    std::uint32_t nPlugCount;
    bool bRead;
    bool bWrite;
  };
  struct SPreparsed {
    SHidCaps caps;
    bool bInvalid;
  };

  bool IsListed(const SRecord& record) const;
  std::wstring GeneratedPath(std::size_t nIndex) const;
  std::wstring PathOf(std::size_t nIndex) const;
  std::size_t FindInterface(const wchar_t* pPath) const;  // InterfaceCount() when none
  // The handle's open record when the interface is still there; else sets the error.
  SDeviceHandle* LiveHandle(HandleId handle);
  HandleId NewId(std::uintptr_t nBase);
  bool Fail(std::uint32_t nError);

  CVirtualClock m_clock;
  std::vector<SRecord> m_interfaces;
  std::vector<std::size_t> m_explicitInterfaces;  // indices of records made with a path
  std::unordered_map<HandleId, std::vector<std::uint32_t>> m_lists;
  std::unordered_map<HandleId, SDeviceHandle> m_handles;
  std::unordered_map<HandleId, SPreparsed> m_preparsed;
  std::uintptr_t m_nNextId = 0;
  std::uint32_t m_nTransferLatency = 0;
  std::uint32_t m_nFailedReadCost = 1;
  std::uint32_t m_nLastError = 0;
  std::size_t m_nSetFeatureCalls = 0;
  std::size_t m_nGetFeatureCalls = 0;
  std::function<void()> m_fnKill;
};

}  // namespace emu
