// The emulated machine inside one process: the HID stack with the scenario's
// interfaces, each Zentor's flash, the device nodes that stand for the
// interfaces, the devices that come and go on a schedule, and the trace.
// setupapi.dll and hid.dll are thin layers of Windows functions over it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include <windows.h>

#include "device_node.h"
#include "hid_stack.h"
#include "mapped_file.h"
#include "scenario.h"
#include "trace_log.h"

namespace emu {

// The HID device interface class: {4D1E55B2-F16F-11CF-88CB-001111000030}.
inline constexpr GUID kHidInterfaceClass = {0x4D1E55B2, 0xF16F, 0x11CF,
                                            {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

// The environment variable that names the scenario file.
inline constexpr wchar_t kScenarioVariable[] = L"ORVANE_EMU_SCENARIO";

// The exit code of a process ended by a kill fault.
inline constexpr UINT kKilledExitCode = 9;

class CEmulation {
 public:
  CEmulation();
  // Writes the closing trace line; the flash files keep their content.
  ~CEmulation();
  CEmulation(const CEmulation&) = delete;
  CEmulation& operator=(const CEmulation&) = delete;

  // The system's tick count, after letting scheduled arrivals and removals
  // that are due take place. Every function that deals with HID interfaces
  // starts here, and the first one loads the scenario: a process that never
  // asks for them (Wine's services ask SetupAPI for other classes) leaves the
  // scenario's files alone.
  std::uint32_t Now();
  // A listing of the HID interfaces starts the schedule's clock.
  void NoteEnumeration(std::uint32_t nNow);

  CHidStack& Stack();
  CTraceLog& Trace();

  // Device information sets: a snapshot of the HID interfaces, or, for any
  // other class, a set that lists nothing.
  CHidStack::HandleId CreateSet(bool bHidInterfaces, bool bPresentOnly);
  bool IsSet(CHidStack::HandleId set) const;
  bool DestroySet(CHidStack::HandleId set);
  std::size_t SetSize(CHidStack::HandleId set);
  // The interface at a position of the set; the stack's error when there is none.
  bool SetEntry(CHidStack::HandleId set, std::uint32_t nPosition, std::size_t* pInterface);

  // The interface whose device path the handle was opened on, and the stack's
  // own handle for that interface. False for any other handle.
  bool InterfaceOfHandle(HANDLE hDevice, std::size_t* pInterface, CHidStack::HandleId* pDevice);

  // A report on its way into the stack, so that a kill fault can name it.
  void NoteSending(std::size_t nInterface, const std::uint8_t* pReport, std::uint32_t nLength);

 private:
  struct SInterface {
    std::wstring path;
    bool bAttributeOpenFails = false;
    bool bReadWriteOpenFails = false;
    CDeviceNode node;
    std::optional<std::uint32_t> nAttachAfter;  // cleared once attached
    std::optional<std::uint32_t> nRemoveAfter;  // cleared once removed
    // The Zentor's flash: the state file's view, or memory of its own.
    CMappedFile state;
    std::vector<std::uint8_t> ownFlash;
    std::shared_ptr<CZentorDevice> device;
    // The stack's handle for the interface, opened on first use and again
    // after the device has been plugged in anew.
    CHidStack::HandleId deviceHandle = 0;
    std::uint32_t nDevicePlugCount = 0;
  };

  // Reads the scenario named by the environment and builds the machine. A
  // missing scenario leaves a machine with no HID interfaces; so does one that
  // cannot be used, after its error went to the trace and to stderr.
  void Load();
  bool Build(const SScenario& scenario, const std::string& scenarioFolder, std::string* pError);
  bool AddZentor(const SScenarioInterface& described, const std::string& scenarioFolder, std::uint32_t nOrdinal,
                 SInterface* pInterface, std::string* pError);
  bool MakeNode(std::size_t nInterface);
  void ReportError(const std::string& message);
  void Kill();

  CHidStack m_stack;
  CTraceLog m_trace;
  std::vector<std::unique_ptr<SInterface>> m_interfaces;
  std::unordered_set<CHidStack::HandleId> m_emptySets;
  bool m_bLoaded = false;
  std::optional<std::uint32_t> m_nFirstEnumeration;
  bool m_bScheduled = false;  // some arrival or removal is still to come
  std::size_t m_nSendingInterface = CTraceLog::kNoInterface;
  std::vector<std::uint8_t> m_sending;
};

// The process's emulation, built at first use; every exported function holds
// it for its whole call, so calls from several threads take turns.
class CLockedEmulation {
 public:
  CLockedEmulation();
  ~CLockedEmulation();
  CLockedEmulation(const CLockedEmulation&) = delete;
  CLockedEmulation& operator=(const CLockedEmulation&) = delete;
  CEmulation* operator->() const;
  CEmulation& operator*() const;

 private:
  CEmulation* m_pEmulation;
};

// At unload of the DLL: the closing trace line and the files closed.
void EndEmulation();

// "hex bytes" of a report, as the trace writes them.
std::string HexBytes(const std::uint8_t* pBytes, std::size_t nLength);

}  // namespace emu
