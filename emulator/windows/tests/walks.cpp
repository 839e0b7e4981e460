// What a child process does under a case's scenario: the calls of a program
// against the emulated DLLs, with checks of every answer.
#include <cstdio>
#include <cstring>

#include "checks.h"
#include "hid_host.h"
#include "self_test.h"
#include "zentor_device.h"

namespace emu_test {

namespace {

using emu::CUniqueHandle;

using emu::kKeyBlockAddress;
using emu::kKeyBlockDeviceSize;

constexpr std::uint16_t kReportLength = emu::kDefaultFeatureReportLength;
constexpr DWORD kNotConnected = 1167;

CUniqueHandle OpenListed(CHidHost& host, std::size_t nIndex) {
  const std::vector<std::wstring> paths = host.List();
  CHECK(paths.size() > nIndex);
  if (paths.size() <= nIndex) return CUniqueHandle();
  CUniqueHandle device = host.Open(paths[nIndex], GENERIC_READ | GENERIC_WRITE);
  CHECK(device.IsValid());
  return device;
}

bool Handshake(CHidHost& host, HANDLE hDevice, std::uint16_t nLength = kReportLength) {
  std::vector<std::uint8_t> reply;
  return host.Exchange(hDevice, emu::kCmdHandshake, 0, nullptr, nLength, 1000, &reply) == EOutcome::Reply &&
         Status(reply) == 1;
}

// The 416 bytes of the key block that the device gives out.
std::vector<std::uint8_t> ReadKeyBlock(CHidHost& host, HANDLE hDevice) {
  std::vector<std::uint8_t> keyBlock;
  for (std::uint32_t nAddress = kKeyBlockAddress; nAddress < kKeyBlockAddress + kKeyBlockDeviceSize; nAddress += 32) {
    const std::vector<std::uint8_t> chunk = host.Read(hDevice, nAddress, kReportLength);
    keyBlock.insert(keyBlock.end(), chunk.begin(), chunk.end());
  }
  return keyBlock;
}

std::vector<std::uint8_t> ReadPage(CHidHost& host, HANDLE hDevice, std::uint32_t nAddress) {
  std::vector<std::uint8_t> page;
  for (std::uint32_t nChunk = 0; nChunk < 8; ++nChunk) {
    const std::vector<std::uint8_t> chunk = host.Read(hDevice, nAddress + 32 * nChunk, kReportLength);
    page.insert(page.end(), chunk.begin(), chunk.end());
  }
  return page;
}

bool Erase(CHidHost& host, HANDLE hDevice, std::uint8_t* pStatus) {
  std::vector<std::uint8_t> reply;
  if (host.Exchange(hDevice, emu::kCmdErase, 0, nullptr, kReportLength, 5000, &reply) != EOutcome::Reply) {
    return false;
  }
  *pStatus = Status(reply);
  return true;
}

void WalkDiscovery(CHidHost& host) {
  struct SExpected {
    std::uint16_t nVendorID, nProductID, nInput, nOutput, nFeature;
  };
  const SExpected kExpected[] = {{0x046D, 0xC52B, 8, 0, 0}, {0x1209, 0x0001, 33, 17, 65}};
  const std::vector<std::wstring> paths = host.List();
  CHECK_EQUAL(2u, paths.size());
  if (paths.size() != 2) return;
  CHECK(paths[0] != paths[1]);
  for (std::size_t i = 0; i < paths.size(); ++i) {
    CHECK(paths[i].rfind(L"\\\\?\\", 0) == 0);
    HIDD_ATTRIBUTES attributes{};
    CUniqueHandle attributeOpen = host.Open(paths[i], 0);
    CHECK(attributeOpen.IsValid());
    CHECK(host.Attributes(attributeOpen.Get(), &attributes));
    CHECK_EQUAL(kExpected[i].nVendorID, attributes.VendorID);
    CHECK_EQUAL(kExpected[i].nProductID, attributes.ProductID);
    attributeOpen.Reset();
    CUniqueHandle readWriteOpen = host.Open(paths[i], GENERIC_READ | GENERIC_WRITE);
    HIDP_CAPS caps{};
    CHECK(host.Caps(readWriteOpen.Get(), &caps));
    CHECK_EQUAL(kExpected[i].nInput, caps.InputReportByteLength);
    CHECK_EQUAL(kExpected[i].nOutput, caps.OutputReportByteLength);
    CHECK_EQUAL(kExpected[i].nFeature, caps.FeatureReportByteLength);
  }

  GUID hidClass{};
  host.pfnGetHidGuid(&hidClass);
  const GUID kHidClass = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
  CHECK(IsEqualGUID(hidClass, kHidClass));

  // SetupAPI's rules for the caller's records.
  const HDEVINFO hSet = SetupDiGetClassDevsW(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof data;
  CHECK(!SetupDiEnumDeviceInterfaces(hSet, nullptr, &hidClass, 2, &data));
  CHECK_EQUAL(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), GetLastError());
  data.cbSize = 28;  // the x86 size
  CHECK(!SetupDiEnumDeviceInterfaces(hSet, nullptr, &hidClass, 0, &data));
  CHECK_EQUAL(static_cast<DWORD>(ERROR_INVALID_USER_BUFFER), GetLastError());
  data.cbSize = sizeof data;
  CHECK(SetupDiEnumDeviceInterfaces(hSet, nullptr, &hidClass, 1, &data));
  DWORD nSize = 0;
  CHECK(!SetupDiGetDeviceInterfaceDetailW(hSet, &data, nullptr, 0, &nSize, nullptr));
  CHECK_EQUAL(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
  std::vector<std::uint8_t> buffer(nSize);
  auto* pDetail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(buffer.data());
  pDetail->cbSize = 6;  // the x86 size
  CHECK(!SetupDiGetDeviceInterfaceDetailW(hSet, &data, pDetail, nSize, nullptr, nullptr));
  CHECK_EQUAL(static_cast<DWORD>(ERROR_INVALID_USER_BUFFER), GetLastError());
  pDetail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  CHECK(!SetupDiGetDeviceInterfaceDetailW(hSet, &data, pDetail, nSize - 2, nullptr, nullptr));
  CHECK_EQUAL(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
  CHECK(SetupDiGetDeviceInterfaceDetailW(hSet, &data, pDetail, nSize, nullptr, nullptr));
  CHECK(paths[1] == pDetail->DevicePath);
  CHECK(SetupDiDestroyDeviceInfoList(hSet));
  CHECK(!SetupDiDestroyDeviceInfoList(hSet));

  // Another class lists nothing; a handle that is no device is refused.
  const GUID kOtherClass = {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
  const HDEVINFO hOther = SetupDiGetClassDevsW(&kOtherClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  CHECK(!SetupDiEnumDeviceInterfaces(hOther, nullptr, &kOtherClass, 0, &data));
  SetupDiDestroyDeviceInfoList(hOther);
  wchar_t ordinaryPath[MAX_PATH];
  GetModuleFileNameW(nullptr, ordinaryPath, MAX_PATH);
  CUniqueHandle ordinary = host.Open(ordinaryPath, GENERIC_READ);
  HIDD_ATTRIBUTES attributes{};
  CHECK(!host.Attributes(ordinary.Get(), &attributes));
  CHECK_EQUAL(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

void WalkBehaviours(CHidHost& host) {
  // The scenario's interfaces in order, each failing at one step.
  const EStep kExpected[] = {EStep::Detail,        EStep::AttributeOpen, EStep::Attributes,
                             EStep::ReadWriteOpen, EStep::PreparsedData, EStep::Caps,
                             EStep::None};
  for (DWORD i = 0; i < sizeof kExpected / sizeof kExpected[0]; ++i) {
    HIDD_ATTRIBUTES attributes{};
    HIDP_CAPS caps{};
    const EStep step = host.Probe(i, &attributes, &caps);
    if (step != kExpected[i]) {
      char what[64];
      std::snprintf(what, sizeof what, "interface %lu stopped at step %d", static_cast<unsigned long>(i),
                    static_cast<int>(step));
      ReportFailure(__FILE__, __LINE__, what);
    }
  }
  // Held by another program: the open for writing meets a sharing violation.
  const std::vector<std::wstring> paths = host.List();
  CHECK(!host.Open(paths.at(3), GENERIC_READ | GENERIC_WRITE).IsValid());
  CHECK_EQUAL(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
}

void WalkTransfers(CHidHost& host) {
  CUniqueHandle device = OpenListed(host, 0);
  CHECK(Handshake(host, device.Get()));
  CHECK(ReadKeyBlock(host, device.Get()) == emu::CZentorDevice::KeyBlock(7));
  std::uint8_t nStatus = 0;
  CHECK(Erase(host, device.Get(), &nStatus));
  CHECK_EQUAL(1u, nStatus);
  CHECK(ReadKeyBlock(host, device.Get()) == std::vector<std::uint8_t>(416, 0xFF));
  CHECK(host.ProgramPage(device.Get(), 0x1000, PagePattern(0x1000), kReportLength));
  CHECK(ReadPage(host, device.Get(), 0x1000) == PagePattern(0x1000));
  CHECK(ReadPage(host, device.Get(), 0x1100) == std::vector<std::uint8_t>(256, 0xFF));
  // A transfer of another length than the feature report's is refused.
  std::vector<std::uint8_t> report(kReportLength, 0);
  report[1] = emu::kCmdHandshake;
  CHECK(!host.pfnSetFeature(device.Get(), report.data(), kReportLength - 1));
  CHECK(!host.pfnGetFeature(device.Get(), report.data(), kReportLength + 1));
}

void WalkProgramPage(CHidHost& host) {
  CUniqueHandle device = OpenListed(host, 0);
  CHECK(Handshake(host, device.Get()));
  const std::vector<std::uint8_t> keyBlock = KeyBlockFileContent();
  CHECK(ReadKeyBlock(host, device.Get()) == std::vector<std::uint8_t>(keyBlock.begin(), keyBlock.begin() + 416));
  std::uint8_t nStatus = 0;
  CHECK(Erase(host, device.Get(), &nStatus));
  CHECK(host.ProgramPage(device.Get(), 0x1000, PagePattern(0x1000), kReportLength));
}

void WalkVerifyPage(CHidHost& host) {
  CUniqueHandle device = OpenListed(host, 0);
  CHECK(Handshake(host, device.Get()));
  CHECK(ReadPage(host, device.Get(), 0x1000) == PagePattern(0x1000));
  CHECK(ReadKeyBlock(host, device.Get()) == std::vector<std::uint8_t>(416, 0xFF));
}

void WalkProgramTwoPages(CHidHost& host) {
  CUniqueHandle device = OpenListed(host, 0);
  CHECK(Handshake(host, device.Get()));
  CHECK(host.ProgramPage(device.Get(), 0x1000, PagePattern(0x1000), kReportLength));
  // The scenario ends the process at the last chunk of this page.
  host.ProgramPage(device.Get(), 0x1100, PagePattern(0x1100), kReportLength);
  ReportFailure(__FILE__, __LINE__, "still running after the kill");
}

void WalkHandshake(CHidHost& host) {
  CUniqueHandle device = OpenListed(host, 0);
  CHECK(Handshake(host, device.Get()));
}

void WalkImage(CHidHost& host) {
  CUniqueHandle device = OpenListed(host, 0);
  CHECK(Handshake(host, device.Get()));
  const std::vector<std::uint8_t> image = FlashImageContent();
  for (std::uint32_t nAddress : {0x0u, 0xF000u, 0xF180u, 0x1FFFE0u}) {
    CHECK(host.Read(device.Get(), nAddress, kReportLength) ==
          std::vector<std::uint8_t>(image.begin() + nAddress, image.begin() + nAddress + 32));
  }
}

void WalkAttach(CHidHost& host) {
  const DWORD nStart = GetTickCount();
  CHECK_EQUAL(0u, host.List().size());  // starts the clock of the arrival at 500 ms
  Sleep(200);
  CHECK_EQUAL(0u, host.List().size());
  Sleep(600 - (GetTickCount() - nStart));
  CUniqueHandle device = OpenListed(host, 0);
  CHECK(Handshake(host, device.Get()));
}

void WalkRemove(CHidHost& host) {
  CUniqueHandle device = OpenListed(host, 0);
  CHECK(Handshake(host, device.Get()));
  Sleep(400);  // removed at 300 ms
  std::vector<std::uint8_t> reply;
  CHECK(host.Exchange(device.Get(), emu::kCmdHandshake, 0, nullptr, kReportLength, 100, &reply) ==
        EOutcome::SendFailed);
  CHECK_EQUAL(kNotConnected, GetLastError());
  CHECK_EQUAL(0u, host.List().size());
}

void WalkNoReply(CHidHost& host) {
  CUniqueHandle device = OpenListed(host, 0);
  std::vector<std::uint8_t> reply;
  CHECK(host.Exchange(device.Get(), emu::kCmdHandshake, 0, nullptr, kReportLength, 100, &reply) ==
        EOutcome::NoReply);
  CHECK(Handshake(host, device.Get()));
}

void WalkUnplug(CHidHost& host) {
  CUniqueHandle device = OpenListed(host, 0);
  CHECK(Handshake(host, device.Get()));
  CHECK_EQUAL(32u, host.Read(device.Get(), 0, kReportLength).size());
  std::vector<std::uint8_t> reply;
  CHECK(host.Exchange(device.Get(), emu::kCmdRead, 0x20, nullptr, kReportLength, 100, &reply) ==
        EOutcome::SendFailed);
  CHECK(host.Exchange(device.Get(), emu::kCmdHandshake, 0, nullptr, kReportLength, 100, &reply) ==
        EOutcome::SendFailed);
  CHECK_EQUAL(kNotConnected, GetLastError());
  CHECK_EQUAL(0u, host.List().size());
}

void WalkNothingListed(CHidHost& host) { CHECK_EQUAL(0u, host.List().size()); }

void WalkTwoZentors(CHidHost& host) {
  // A Zentor, another device, a Zentor: each Zentor has the key block of its
  // place among the Zentors.
  CHECK_EQUAL(3u, host.List().size());
  const std::size_t kZentors[] = {0, 2};
  for (std::uint32_t nOrdinal = 1; nOrdinal <= 2; ++nOrdinal) {
    CUniqueHandle device = OpenListed(host, kZentors[nOrdinal - 1]);
    CHECK(Handshake(host, device.Get()));
    CHECK(ReadKeyBlock(host, device.Get()) == emu::CZentorDevice::KeyBlock(nOrdinal));
  }
}

void WalkBusyErase(CHidHost& host) {
  CUniqueHandle device = OpenListed(host, 0);
  CHECK(Handshake(host, device.Get()));
  const DWORD nStart = GetTickCount();
  std::uint8_t nStatus = 1;
  CHECK(Erase(host, device.Get(), &nStatus));
  const DWORD nElapsed = GetTickCount() - nStart;
  CHECK(nElapsed >= 280 && nElapsed < 1000);  // busy for 300 ms; the tick moves in steps
  CHECK_EQUAL(0u, nStatus);
  CHECK(ReadPage(host, device.Get(), 0) == std::vector<std::uint8_t>(256, 0xFF));
}

void WalkShortReports(CHidHost& host) {
  CUniqueHandle device = OpenListed(host, 0);
  HIDP_CAPS caps{};
  CHECK(host.Caps(device.Get(), &caps));
  CHECK_EQUAL(41u, caps.FeatureReportByteLength);
  CHECK(Handshake(host, device.Get(), 41));
  CHECK(!Handshake(host, device.Get(), kReportLength));
}

struct SWalk {
  const char* pszName;
  void (*pfnWalk)(CHidHost&);
};

const SWalk kWalks[] = {
    {"discovery", WalkDiscovery},        {"behaviours", WalkBehaviours},
    {"transfers", WalkTransfers},        {"program_page", WalkProgramPage},
    {"verify_page", WalkVerifyPage},     {"program_two_pages", WalkProgramTwoPages},
    {"handshake", WalkHandshake},        {"image", WalkImage},
    {"attach", WalkAttach},              {"remove", WalkRemove},
    {"no_reply", WalkNoReply},           {"unplug", WalkUnplug},
    {"nothing_listed", WalkNothingListed}, {"two_zentors", WalkTwoZentors},
    {"busy_erase", WalkBusyErase},       {"short_reports", WalkShortReports},
};

}  // namespace

bool RunWalk(const std::string& name) {
  for (const SWalk& walk : kWalks) {
    if (name != walk.pszName) continue;
    CHidHost host;
    CHECK(host.Load());
    walk.pfnWalk(host);
    return true;
  }
  return false;
}

std::vector<std::uint8_t> PagePattern(std::uint32_t nAddress) {
  std::vector<std::uint8_t> page(256);
  for (std::size_t i = 0; i < page.size(); ++i) page[i] = static_cast<std::uint8_t>((nAddress >> 8) * 31 + i * 7);
  return page;
}

std::vector<std::uint8_t> KeyBlockFileContent() {
  std::vector<std::uint8_t> keyBlock(512);
  for (std::size_t i = 0; i < keyBlock.size(); ++i) keyBlock[i] = static_cast<std::uint8_t>(i * 3 + 1);
  return keyBlock;
}

std::vector<std::uint8_t> FlashImageContent() {
  std::vector<std::uint8_t> image(0x200000);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i ^ (i >> 8) ^ (i >> 16));
  return image;
}

}  // namespace emu_test
