// The test's side of the emulated DLLs: the calls a program makes to find an
// interface, open it and exchange feature reports, made the way the updater
// makes them (hid.dll from the system folder, SetupAPI linked at load time).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}

#include "unique_handle.h"
#include "zentor_device.h"

namespace emu_test {

// Where the discovery of one interface stops, in the order a program meets the steps.
enum class EStep { Detail, AttributeOpen, Attributes, ReadWriteOpen, PreparsedData, Caps, None };

enum class EOutcome { SendFailed, NoReply, Reply };

class CHidHost {
 public:
  // hid.dll from the system folder; false when it or a function is missing.
  bool Load();

  // Device paths of the present HID interfaces, in the system's order.
  std::vector<std::wstring> List();
  // The discovery steps on the interface at a place in a new listing; the
  // step that failed, or None with the attributes and capabilities read.
  EStep Probe(DWORD nIndex, HIDD_ATTRIBUTES* pAttributes, HIDP_CAPS* pCaps);

  emu::CUniqueHandle Open(const std::wstring& path, DWORD nAccess);
  bool Attributes(HANDLE hDevice, HIDD_ATTRIBUTES* pAttributes);
  bool Caps(HANDLE hDevice, HIDP_CAPS* pCaps);

  // One command and its reply, read without pause until nWait milliseconds
  // have passed. The report is nLength bytes: report ID 0, the code, the
  // 24-bit address, and 32 data bytes from byte 9 when pData is given.
  EOutcome Exchange(HANDLE hDevice, std::uint8_t nCode, std::uint32_t nAddress, const std::uint8_t* pData,
                    std::uint16_t nLength, DWORD nWait, std::vector<std::uint8_t>* pReply);
  // CMD_READ at the address: the 32 data bytes, empty when no reply or status 0.
  std::vector<std::uint8_t> Read(HANDLE hDevice, std::uint32_t nAddress, std::uint16_t nLength);
  // The eight programming commands of a page; false at the first that fails.
  bool ProgramPage(HANDLE hDevice, std::uint32_t nAddress, const std::vector<std::uint8_t>& page,
                   std::uint16_t nLength);

  decltype(&HidD_GetHidGuid) pfnGetHidGuid = nullptr;
  decltype(&HidD_GetAttributes) pfnGetAttributes = nullptr;
  decltype(&HidD_GetPreparsedData) pfnGetPreparsedData = nullptr;
  decltype(&HidD_FreePreparsedData) pfnFreePreparsedData = nullptr;
  decltype(&HidP_GetCaps) pfnGetCaps = nullptr;
  decltype(&HidD_SetFeature) pfnSetFeature = nullptr;
  decltype(&HidD_GetFeature) pfnGetFeature = nullptr;
};

// The reply's status byte, and its 32 data bytes.
inline std::uint8_t Status(const std::vector<std::uint8_t>& reply) { return reply.size() > 1 ? reply[1] : 0; }
std::vector<std::uint8_t> ReplyData(const std::vector<std::uint8_t>& reply);

}  // namespace emu_test
