// The scenario that the emulated hid.dll and setupapi.dll present to a
// process: the HID interfaces in enumeration order, each Zentor's flash and
// faults, when devices come and go, and where the trace goes. Read from a
// line-based key = value text (README.md in this folder); plain standard C++
// so that the parser can be tested anywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "hid_stack.h"
#include "zentor_device.h"

namespace emu {

enum class EInterfaceKind { Zentor, Other };

struct SScenarioInterface {
  EInterfaceKind kind = EInterfaceKind::Other;
  std::size_t nLine = 0;  // where the interface starts in the text

  // Unset: the stack's defaults (a Zentor has the build's IDs).
  std::optional<std::uint16_t> nVendorID;
  std::optional<std::uint16_t> nProductID;
  std::optional<std::uint16_t> nVersionNumber;
  std::optional<std::uint16_t> nInputReportLength;
  std::optional<std::uint16_t> nOutputReportLength;
  std::optional<std::uint16_t> nFeatureReportLength;
  std::optional<std::uint16_t> nUsagePage;
  std::optional<std::uint16_t> nUsage;
  SInterfaceBehaviour behaviour;

  // Milliseconds after the process's first enumeration of HID interfaces.
  std::optional<std::uint32_t> nAttachAfter;  // a Zentor only; unset: present from the start
  std::optional<std::uint32_t> nRemoveAfter;

  // A Zentor's flash: kept in the state file between runs when one is named.
  // The initial content applies only while that file does not exist yet.
  std::string statePath;
  std::string flashImagePath;     // empty: erased
  std::string keyBlockPath;       // raw bytes placed at the key block
  bool bKeyBlockErased = false;   // the key block reads all 0xFF
  std::optional<std::uint32_t> nSerial;  // key block of the model's serial

  std::optional<std::uint8_t> nEraseStatus;
  std::vector<std::pair<std::uint8_t, std::uint32_t>> commandDurations;
  std::vector<SFault> faults;
};

struct SScenario {
  std::string tracePath;     // empty: no trace
  std::string deviceFolder;  // empty: "devices" beside the scenario file
  std::vector<SScenarioInterface> interfaces;
};

struct SScenarioError {
  std::size_t nLine = 0;  // 0: not tied to a line
  std::string message;
};

// False on the first line that cannot be understood; the scenario then holds
// what was read before it.
bool ParseScenario(std::string_view text, SScenario* pScenario, SScenarioError* pError);

// A path as written in the scenario, made into a Windows path: "/..." is a
// path of the Unix side and goes through drive Z:, a relative path is taken
// from the scenario's folder, and '/' becomes '\'. The folder ends with '\'.
std::string ResolveScenarioPath(std::string_view folder, std::string_view value);

}  // namespace emu
