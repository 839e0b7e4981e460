#include "hid_host.h"

#include <algorithm>
#include <iterator>

namespace emu_test {

namespace {

template <class TFunction>
bool Resolve(HMODULE hModule, const char* pszName, TFunction& pfnFunction) {
  pfnFunction = reinterpret_cast<TFunction>(reinterpret_cast<void (*)()>(GetProcAddress(hModule, pszName)));
  return pfnFunction != nullptr;
}

// The erase command's six serial-flash instruction codes.
constexpr std::uint8_t kEraseParameters[6] = {0x06, 0x50, 0x03, 0x0B, 0x02, 0x05};

}  // namespace

bool CHidHost::Load() {
  const HMODULE hModule = LoadLibraryExW(L"hid.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  return hModule != nullptr && Resolve(hModule, "HidD_GetHidGuid", pfnGetHidGuid) &&
         Resolve(hModule, "HidD_GetAttributes", pfnGetAttributes) &&
         Resolve(hModule, "HidD_GetPreparsedData", pfnGetPreparsedData) &&
         Resolve(hModule, "HidD_FreePreparsedData", pfnFreePreparsedData) &&
         Resolve(hModule, "HidP_GetCaps", pfnGetCaps) && Resolve(hModule, "HidD_SetFeature", pfnSetFeature) &&
         Resolve(hModule, "HidD_GetFeature", pfnGetFeature);
}

std::vector<std::wstring> CHidHost::List() {
  std::vector<std::wstring> paths;
  GUID hidClass{};
  pfnGetHidGuid(&hidClass);
  const HDEVINFO hSet = SetupDiGetClassDevsW(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (hSet == INVALID_HANDLE_VALUE) return paths;
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof data;
  for (DWORD nIndex = 0; SetupDiEnumDeviceInterfaces(hSet, nullptr, &hidClass, nIndex, &data); ++nIndex) {
    DWORD nSize = 0;
    SetupDiGetDeviceInterfaceDetailW(hSet, &data, nullptr, 0, &nSize, nullptr);
    // An interface whose detail cannot be read has no path: an empty one.
    std::vector<std::uint8_t> buffer(std::max<DWORD>(nSize, sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)));
    auto* pDetail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(buffer.data());
    pDetail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    paths.push_back(SetupDiGetDeviceInterfaceDetailW(hSet, &data, pDetail, nSize, nullptr, nullptr)
                        ? std::wstring(pDetail->DevicePath)
                        : std::wstring());
  }
  SetupDiDestroyDeviceInfoList(hSet);
  return paths;
}

EStep CHidHost::Probe(DWORD nIndex, HIDD_ATTRIBUTES* pAttributes, HIDP_CAPS* pCaps) {
  GUID hidClass{};
  pfnGetHidGuid(&hidClass);
  const HDEVINFO hSet = SetupDiGetClassDevsW(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof data;
  EStep step = EStep::Detail;
  if (SetupDiEnumDeviceInterfaces(hSet, nullptr, &hidClass, nIndex, &data)) {
    DWORD nSize = 0;
    SetupDiGetDeviceInterfaceDetailW(hSet, &data, nullptr, 0, &nSize, nullptr);
    std::vector<std::uint8_t> buffer(std::max<DWORD>(nSize, sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)));
    auto* pDetail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(buffer.data());
    pDetail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (SetupDiGetDeviceInterfaceDetailW(hSet, &data, pDetail, nSize, nullptr, nullptr)) {
      const std::wstring path = pDetail->DevicePath;
      emu::CUniqueHandle attributeOpen = Open(path, 0);
      if (!attributeOpen.IsValid()) {
        step = EStep::AttributeOpen;
      } else if (!Attributes(attributeOpen.Get(), pAttributes)) {
        step = EStep::Attributes;
      } else {
        attributeOpen.Reset();
        emu::CUniqueHandle readWriteOpen = Open(path, GENERIC_READ | GENERIC_WRITE);
        PHIDP_PREPARSED_DATA pPreparsed = nullptr;
        if (!readWriteOpen.IsValid()) {
          step = EStep::ReadWriteOpen;
        } else if (!pfnGetPreparsedData(readWriteOpen.Get(), &pPreparsed)) {
          step = EStep::PreparsedData;
        } else {
          step = pfnGetCaps(pPreparsed, pCaps) == HIDP_STATUS_INVALID_PREPARSED_DATA ? EStep::Caps : EStep::None;
          pfnFreePreparsedData(pPreparsed);
        }
      }
    }
  }
  SetupDiDestroyDeviceInfoList(hSet);
  return step;
}

emu::CUniqueHandle CHidHost::Open(const std::wstring& path, DWORD nAccess) {
  return emu::CUniqueHandle(CreateFileW(path.c_str(), nAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
}

bool CHidHost::Attributes(HANDLE hDevice, HIDD_ATTRIBUTES* pAttributes) {
  *pAttributes = HIDD_ATTRIBUTES{};
  pAttributes->Size = sizeof(HIDD_ATTRIBUTES);
  return pfnGetAttributes(hDevice, pAttributes);
}

bool CHidHost::Caps(HANDLE hDevice, HIDP_CAPS* pCaps) {
  PHIDP_PREPARSED_DATA pPreparsed = nullptr;
  if (!pfnGetPreparsedData(hDevice, &pPreparsed)) return false;
  const bool bValid = pfnGetCaps(pPreparsed, pCaps) != HIDP_STATUS_INVALID_PREPARSED_DATA;
  pfnFreePreparsedData(pPreparsed);
  return bValid;
}

EOutcome CHidHost::Exchange(HANDLE hDevice, std::uint8_t nCode, std::uint32_t nAddress, const std::uint8_t* pData,
                            std::uint16_t nLength, DWORD nWait, std::vector<std::uint8_t>* pReply) {
  std::vector<std::uint8_t> command(nLength < 41 ? 41 : nLength, 0);
  command[1] = nCode;
  command[2] = static_cast<std::uint8_t>(nAddress >> 16);
  command[3] = static_cast<std::uint8_t>(nAddress >> 8);
  command[4] = static_cast<std::uint8_t>(nAddress);
  if (nCode == emu::kCmdErase) {
    std::copy(std::begin(kEraseParameters), std::end(kEraseParameters), command.begin() + 9);
  }
  if (pData != nullptr) std::copy(pData, pData + 32, command.begin() + 9);
  if (!pfnSetFeature(hDevice, command.data(), nLength)) return EOutcome::SendFailed;
  pReply->assign(command.size(), 0);
  const DWORD nStart = GetTickCount();
  do {
    if (pfnGetFeature(hDevice, pReply->data(), nLength)) return EOutcome::Reply;
  } while (GetTickCount() - nStart < nWait);
  return EOutcome::NoReply;
}

std::vector<std::uint8_t> CHidHost::Read(HANDLE hDevice, std::uint32_t nAddress, std::uint16_t nLength) {
  std::vector<std::uint8_t> reply;
  if (Exchange(hDevice, emu::kCmdRead, nAddress, nullptr, nLength, 1000, &reply) != EOutcome::Reply ||
      Status(reply) == 0) {
    return {};
  }
  return ReplyData(reply);
}

bool CHidHost::ProgramPage(HANDLE hDevice, std::uint32_t nAddress, const std::vector<std::uint8_t>& page,
                           std::uint16_t nLength) {
  for (std::uint32_t nChunk = 0; nChunk < 8; ++nChunk) {
    const std::uint8_t nCode =
        nChunk == 0 ? emu::kCmdProgramFirst : nChunk == 7 ? emu::kCmdProgramLast : emu::kCmdProgramNext;
    std::vector<std::uint8_t> reply;
    if (Exchange(hDevice, nCode, nAddress, page.data() + 32 * nChunk, nLength, 1000, &reply) != EOutcome::Reply ||
        Status(reply) == 0) {
      return false;
    }
  }
  return true;
}

std::vector<std::uint8_t> ReplyData(const std::vector<std::uint8_t>& reply) {
  if (reply.size() < 41) return {};
  return {reply.begin() + 9, reply.begin() + 41};
}

}  // namespace emu_test
