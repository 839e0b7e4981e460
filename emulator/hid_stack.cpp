#include "hid_stack.h"

#include <cstdlib>
#include <cwchar>

#ifndef ORVANE_VENDOR_ID
#error "ORVANE_VENDOR_ID must be defined by the build"
#endif
#ifndef ORVANE_PRODUCT_ID
#error "ORVANE_PRODUCT_ID must be defined by the build"
#endif

namespace emu {

namespace {

// Every ID the stack hands out is kIdBase + 4n: never 0, never all bits set,
// and apart from the IDs of the platform's own file handles.
constexpr std::uintptr_t kIdBase = 0x40000000;

constexpr wchar_t kPathPrefix[] = L"\\\\?\\hid#";
constexpr wchar_t kIndexMarker[] = L"&orvane&0&";
constexpr wchar_t kHidClassSuffix[] = L"#{4d1e55b2-f16f-11cf-88cb-001111000030}";

// Device paths compare without regard to ASCII case, as Windows does.
wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool EqualNoCase(const std::wstring& a, const wchar_t* b) {
  std::size_t i = 0;
  for (; i < a.size(); ++i) {
    if (b[i] == 0 || AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return b[i] == 0;
}

}  // namespace

// ---- CVirtualClock ----

std::uint32_t CVirtualClock::Now() const { return m_nNow; }
void CVirtualClock::Set(std::uint32_t nNow) { m_nNow = nNow; }
void CVirtualClock::Advance(std::uint32_t nMilliseconds) { m_nNow += nMilliseconds; }

std::uint32_t CVirtualClock::Tick() {
  const std::uint32_t nNow = m_nNow;
  ++m_nTickReads;
  m_nNow += m_nTickReadCost;
  return nNow;
}

void CVirtualClock::SetTickReadCost(std::uint32_t nMilliseconds) { m_nTickReadCost = nMilliseconds; }
std::size_t CVirtualClock::TickReads() const { return m_nTickReads; }
void CVirtualClock::Reset() { *this = CVirtualClock(); }

// ---- CHidStack: interfaces ----

CHidStack::CHidStack() : m_fnKill([] { std::abort(); }) {}
CHidStack::~CHidStack() = default;

CVirtualClock& CHidStack::Clock() { return m_clock; }

std::uint16_t CHidStack::ZentorVendorID() { return static_cast<std::uint16_t>(ORVANE_VENDOR_ID); }
std::uint16_t CHidStack::ZentorProductID() { return static_cast<std::uint16_t>(ORVANE_PRODUCT_ID); }

std::size_t CHidStack::AddInterface(SHidInterface hidInterface) {
  const std::size_t nIndex = m_interfaces.size();
  if (hidInterface.path.empty()) {
    m_interfaces.push_back({nullptr, hidInterface.nVendorID, hidInterface.nProductID, false});
    hidInterface.path = GeneratedPath(nIndex);
  }
  if (hidInterface.device) {
    hidInterface.device->SetKillHandler([this] { m_fnKill(); });
  }
  if (m_interfaces.size() == nIndex) m_interfaces.emplace_back();
  m_interfaces[nIndex].info = std::make_unique<SHidInterface>(std::move(hidInterface));
  m_explicitInterfaces.push_back(nIndex);
  return nIndex;
}

std::shared_ptr<CZentorDevice> CHidStack::AddZentor() { return AddZentor(std::make_shared<CZentorDevice>()); }

std::shared_ptr<CZentorDevice> CHidStack::AddZentor(std::shared_ptr<CZentorDevice> device) {
  SHidInterface hidInterface;
  hidInterface.nVendorID = ZentorVendorID();
  hidInterface.nProductID = ZentorProductID();
  // Input and output lengths that differ from the feature report length, so
  // that a host that moves the wrong length is caught.
  hidInterface.nInputReportLength = 33;
  hidInterface.nOutputReportLength = 17;
  hidInterface.device = device;
  AddInterface(std::move(hidInterface));
  return device;
}

std::size_t CHidStack::AddBulkInterfaces(std::size_t nCount, std::uint16_t nVendorID, std::uint16_t nProductID) {
  const std::size_t nFirst = m_interfaces.size();
  m_interfaces.reserve(nFirst + nCount);
  for (std::size_t i = 0; i < nCount; ++i) m_interfaces.push_back({nullptr, nVendorID, nProductID, false});
  return nFirst;
}

SHidInterface& CHidStack::Interface(std::size_t nIndex) {
  SRecord& record = m_interfaces.at(nIndex);
  if (!record.info) {
    record.info = std::make_unique<SHidInterface>();
    record.info->path = GeneratedPath(nIndex);
    record.info->nVendorID = record.nVendorID;
    record.info->nProductID = record.nProductID;
    m_explicitInterfaces.push_back(nIndex);
  }
  return *record.info;
}

std::size_t CHidStack::InterfaceCount() const { return m_interfaces.size(); }

std::size_t CHidStack::PresentInterfaceCount() const {
  std::size_t nCount = 0;
  for (const SRecord& record : m_interfaces) nCount += IsListed(record) ? 1 : 0;
  return nCount;
}

bool CHidStack::IsInterfacePresent(std::size_t nIndex) const {
  return nIndex < m_interfaces.size() && IsListed(m_interfaces[nIndex]);
}

void CHidStack::RemoveInterface(std::size_t nIndex) {
  SRecord& record = m_interfaces.at(nIndex);
  record.bRemoved = true;
  if (record.info && record.info->device) record.info->device->SetPresent(false);
}

void CHidStack::Clear() {
  m_clock.Reset();
  m_interfaces.clear();
  m_explicitInterfaces.clear();
  m_lists.clear();
  m_handles.clear();
  m_preparsed.clear();
  m_nTransferLatency = 0;
  m_nFailedReadCost = 1;
  m_nLastError = 0;
  m_nSetFeatureCalls = 0;
  m_nGetFeatureCalls = 0;
}

void CHidStack::SetTransferLatency(std::uint32_t nMilliseconds) { m_nTransferLatency = nMilliseconds; }
void CHidStack::SetFailedReadCost(std::uint32_t nMilliseconds) { m_nFailedReadCost = nMilliseconds; }
void CHidStack::SetKillHandler(std::function<void()> fnKill) { m_fnKill = std::move(fnKill); }

std::size_t CHidStack::OpenDeviceHandleCount() const { return m_handles.size(); }
std::size_t CHidStack::OpenDeviceInfoSetCount() const { return m_lists.size(); }
std::size_t CHidStack::OpenPreparsedDataCount() const { return m_preparsed.size(); }
std::size_t CHidStack::SetFeatureCalls() const { return m_nSetFeatureCalls; }
std::size_t CHidStack::GetFeatureCalls() const { return m_nGetFeatureCalls; }
std::uint32_t CHidStack::LastError() const { return m_nLastError; }

bool CHidStack::IsListed(const SRecord& record) const {
  if (record.bRemoved) return false;
  return !record.info || !record.info->device || record.info->device->IsPresent();
}

std::wstring CHidStack::GeneratedPath(std::size_t nIndex) const {
  const SRecord& record = m_interfaces[nIndex];
  const std::uint16_t nVendorID = record.info ? record.info->nVendorID : record.nVendorID;
  const std::uint16_t nProductID = record.info ? record.info->nProductID : record.nProductID;
  // Formatted by hand into one buffer (a long list asks for many paths, and
  // the C library's wide formatting differs between platforms).
  std::wstring path;
  path.reserve(96);
  const auto appendHex4 = [&path](std::uint16_t nValue) {
    for (int nShift = 12; nShift >= 0; nShift -= 4) path += L"0123456789abcdef"[(nValue >> nShift) & 0xF];
  };
  path += kPathPrefix;
  path += L"vid_";
  appendHex4(nVendorID);
  path += L"&pid_";
  appendHex4(nProductID);
  path += L"#7";
  path += kIndexMarker;
  wchar_t digits[24];
  std::size_t nDigits = 0;
  do {
    digits[nDigits++] = static_cast<wchar_t>(L'0' + nIndex % 10);
    nIndex /= 10;
  } while (nIndex != 0);
  while (nDigits != 0) path += digits[--nDigits];
  path += kHidClassSuffix;
  return path;
}

std::wstring CHidStack::PathOf(std::size_t nIndex) const {
  const SRecord& record = m_interfaces[nIndex];
  return record.info ? record.info->path : GeneratedPath(nIndex);
}

std::size_t CHidStack::FindInterface(const wchar_t* pPath) const {
  // A made path names its index: no search through a long list.
  if (const wchar_t* pMarker = std::wcsstr(pPath, kIndexMarker)) {
    std::size_t nIndex = 0;
    bool bDigits = false;
    for (const wchar_t* p = pMarker + (sizeof kIndexMarker / sizeof kIndexMarker[0]) - 1;
         *p >= L'0' && *p <= L'9' && nIndex < m_interfaces.size(); ++p) {
      nIndex = nIndex * 10 + static_cast<std::size_t>(*p - L'0');
      bDigits = true;
    }
    if (bDigits && nIndex < m_interfaces.size() && EqualNoCase(PathOf(nIndex), pPath)) return nIndex;
  }
  for (std::size_t nIndex : m_explicitInterfaces) {
    if (EqualNoCase(m_interfaces[nIndex].info->path, pPath)) return nIndex;
  }
  return m_interfaces.size();
}

CHidStack::HandleId CHidStack::NewId(std::uintptr_t nBase) {
  m_nNextId += 4;
  return nBase + m_nNextId;
}

bool CHidStack::Fail(std::uint32_t nError) {
  m_nLastError = nError;
  return false;
}

// ---- Device installation ----

CHidStack::HandleId CHidStack::CreateInterfaceList(bool bPresentOnly, bool bEmpty) {
  std::vector<std::uint32_t> entries;
  entries.reserve(bEmpty ? 0 : m_interfaces.size());
  for (std::size_t i = 0; !bEmpty && i < m_interfaces.size(); ++i) {
    if (!bPresentOnly || IsListed(m_interfaces[i])) entries.push_back(static_cast<std::uint32_t>(i));
  }
  const HandleId list = NewId(kIdBase);
  m_lists.emplace(list, std::move(entries));
  return list;
}

bool CHidStack::DestroyInterfaceList(HandleId list) {
  return m_lists.erase(list) == 1 ? true : Fail(error::kInvalidHandle);
}

bool CHidStack::IsInterfaceList(HandleId list) const { return m_lists.count(list) == 1; }

bool CHidStack::ListEntry(HandleId list, std::uint32_t nPosition, std::size_t* pInterfaceIndex) {
  const auto found = m_lists.find(list);
  if (found == m_lists.end()) return Fail(error::kInvalidHandle);
  if (nPosition >= found->second.size()) return Fail(error::kNoMoreItems);
  *pInterfaceIndex = found->second[nPosition];
  return true;
}

std::wstring CHidStack::InterfacePath(std::size_t nInterfaceIndex) const {
  return nInterfaceIndex < m_interfaces.size() ? PathOf(nInterfaceIndex) : std::wstring();
}

bool CHidStack::InterfaceDetail(std::size_t nInterfaceIndex, std::wstring* pPath) {
  if (nInterfaceIndex >= m_interfaces.size()) return Fail(error::kInvalidParameter);
  const SRecord& record = m_interfaces[nInterfaceIndex];
  if (record.info && record.info->behaviour.bDetailFails) return Fail(error::kGenFailure);
  *pPath = PathOf(nInterfaceIndex);
  return true;
}

// ---- Handles ----

bool CHidStack::IsDevicePath(const wchar_t* pPath) {
  if (pPath == nullptr) return false;
  for (std::size_t i = 0; kPathPrefix[i] != 0; ++i) {
    if (AsciiLower(pPath[i]) != kPathPrefix[i]) return false;  // a 0 in pPath stops here too
  }
  return true;
}

CHidStack::HandleId CHidStack::OpenDevice(const wchar_t* pPath, bool bRead, bool bWrite) {
  const std::size_t nIndex = FindInterface(pPath);
  if (nIndex == m_interfaces.size() || !IsListed(m_interfaces[nIndex])) {
    Fail(error::kFileNotFound);
    return 0;
  }
  const SRecord& record = m_interfaces[nIndex];
  const SInterfaceBehaviour behaviour = record.info ? record.info->behaviour : SInterfaceBehaviour{};
  if (!bRead && !bWrite && behaviour.bAttributeOpenFails) {
    Fail(error::kAccessDenied);
    return 0;
  }
  if ((bRead || bWrite) && behaviour.bReadWriteOpenFails) {
    Fail(error::kSharingViolation);  // another program holds the device
    return 0;
  }
  const std::uint32_t nPlugCount = record.info && record.info->device ? record.info->device->PlugCount() : 0;
  const HandleId handle = NewId(kIdBase);
  m_handles.emplace(handle, SDeviceHandle{nIndex, nPlugCount, bRead, bWrite});
  return handle;
}

bool CHidStack::IsDeviceHandle(HandleId handle) const { return m_handles.count(handle) == 1; }

bool CHidStack::CloseDevice(HandleId handle) {
  return m_handles.erase(handle) == 1 ? true : Fail(error::kInvalidHandle);
}

CHidStack::SDeviceHandle* CHidStack::LiveHandle(HandleId handle) {
  const auto found = m_handles.find(handle);
  if (found == m_handles.end()) {
    Fail(error::kInvalidHandle);
    return nullptr;
  }
  const SRecord& record = m_interfaces[found->second.nInterface];
  const CZentorDevice* pDevice = record.info ? record.info->device.get() : nullptr;
  // Unplugged, or plugged in again since the handle was opened: a dead handle.
  if (record.bRemoved || (pDevice != nullptr && (!pDevice->IsPresent() ||
                                                  pDevice->PlugCount() != found->second.nPlugCount))) {
    Fail(error::kDeviceNotConnected);
    return nullptr;
  }
  return &found->second;
}

bool CHidStack::GetAttributes(HandleId handle, std::uint16_t* pVendorID, std::uint16_t* pProductID,
                              std::uint16_t* pVersionNumber) {
  const SDeviceHandle* pHandle = LiveHandle(handle);
  if (pHandle == nullptr) return false;
  const SRecord& record = m_interfaces[pHandle->nInterface];
  if (record.info && record.info->behaviour.bAttributesFail) return Fail(error::kGenFailure);
  *pVendorID = record.info ? record.info->nVendorID : record.nVendorID;
  *pProductID = record.info ? record.info->nProductID : record.nProductID;
  *pVersionNumber = record.info ? record.info->nVersionNumber : 0x0100;
  return true;
}

CHidStack::HandleId CHidStack::GetPreparsedData(HandleId handle) {
  const SDeviceHandle* pHandle = LiveHandle(handle);
  if (pHandle == nullptr) return 0;
  const SRecord& record = m_interfaces[pHandle->nInterface];
  SPreparsed preparsed{};
  if (record.info) {
    const SHidInterface& info = *record.info;
    if (info.behaviour.bPreparsedDataFails) {
      Fail(error::kGenFailure);
      return 0;
    }
    preparsed.caps.nUsage = info.nUsage;
    preparsed.caps.nUsagePage = info.nUsagePage;
    preparsed.caps.nInputReportLength = info.nInputReportLength;
    preparsed.caps.nOutputReportLength = info.nOutputReportLength;
    preparsed.caps.nFeatureReportLength =
        info.device ? info.device->FeatureReportLength() : info.nFeatureReportLength;
    preparsed.bInvalid = info.behaviour.bCapsInvalid;
  }
  const HandleId id = NewId(kIdBase);
  m_preparsed.emplace(id, preparsed);
  return id;
}

bool CHidStack::FreePreparsedData(HandleId preparsed) {
  return m_preparsed.erase(preparsed) == 1 ? true : Fail(error::kInvalidParameter);
}

bool CHidStack::GetCaps(HandleId preparsed, SHidCaps* pCaps) {
  const auto found = m_preparsed.find(preparsed);
  if (found == m_preparsed.end() || found->second.bInvalid) return Fail(error::kInvalidParameter);
  *pCaps = found->second.caps;
  return true;
}

// ---- Transfers ----

bool CHidStack::SetFeature(HandleId handle, const std::uint8_t* pReport, std::uint32_t nLength) {
  ++m_nSetFeatureCalls;
  m_clock.Advance(m_nTransferLatency);
  const SDeviceHandle* pHandle = LiveHandle(handle);
  if (pHandle == nullptr) return false;
  if (!pHandle->bWrite) return Fail(error::kAccessDenied);
  const SRecord& record = m_interfaces[pHandle->nInterface];
  if (!record.info || !record.info->device) return Fail(error::kGenFailure);
  // Keep the device alive through the call: a Kill hook may reset the stack.
  const std::shared_ptr<CZentorDevice> device = record.info->device;
  return device->SetFeature(pReport, nLength, m_clock.Now()) ? true : Fail(error::kGenFailure);
}

bool CHidStack::GetFeature(HandleId handle, std::uint8_t* pReport, std::uint32_t nLength) {
  ++m_nGetFeatureCalls;
  m_clock.Advance(m_nTransferLatency);
  bool bOk = false;
  if (const SDeviceHandle* pHandle = LiveHandle(handle)) {
    const SRecord& record = m_interfaces[pHandle->nInterface];
    if (!pHandle->bRead) {
      Fail(error::kAccessDenied);
    } else if (!record.info || !record.info->device) {
      Fail(error::kGenFailure);
    } else {
      bOk = record.info->device->GetFeature(pReport, nLength, m_clock.Now()) || Fail(error::kGenFailure);
    }
  }
  // Every read that brings no report costs time, so that a wait ends.
  if (!bOk) m_clock.Advance(m_nFailedReadCost);
  return bOk;
}

}  // namespace emu
