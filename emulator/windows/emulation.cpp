#include "emulation.h"

#include <cstdio>
#include <cstring>

namespace emu {

namespace {

std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  const int nLength = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(nLength), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), nLength);
  return wide;
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int nLength =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(nLength), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), nLength, nullptr,
                      nullptr);
  return text;
}

// The whole file, as long as it holds at most nLimit bytes.
bool ReadWholeFile(const std::string& path, std::size_t nLimit, std::string* pBytes) {
  CUniqueHandle file(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file.IsValid() || !GetFileSizeEx(file.Get(), &size) || static_cast<std::uint64_t>(size.QuadPart) > nLimit) {
    return false;
  }
  pBytes->resize(static_cast<std::size_t>(size.QuadPart));
  DWORD nRead = 0;
  return pBytes->empty() ||
         (ReadFile(file.Get(), pBytes->data(), static_cast<DWORD>(pBytes->size()), &nRead, nullptr) &&
          nRead == pBytes->size());
}

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::string FolderOf(const std::string& path) {
  const std::size_t nSeparator = path.find_last_of('\\');
  return nSeparator == std::string::npos ? std::string() : path.substr(0, nSeparator + 1);
}

// Named the way Windows names HID device interfaces, with the interface's
// place in the scenario where Windows puts the instance.
std::wstring DevicePath(const std::string& folder, const SHidInterface& info, std::size_t nInterface) {
  wchar_t name[96];
  std::swprintf(name, sizeof name / sizeof name[0], L"hid#vid_%04x&pid_%04x#%zu#{4d1e55b2-f16f-11cf-88cb-001111000030}",
                static_cast<unsigned>(info.nVendorID), static_cast<unsigned>(info.nProductID), nInterface);
  return L"\\\\?\\" + Widen(folder) + name;
}

template <class TValue>
void Override(const std::optional<TValue>& value, TValue* pTarget) {
  if (value) *pTarget = *value;
}

}  // namespace

std::string HexBytes(const std::uint8_t* pBytes, std::size_t nLength) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text(nLength * 2, '0');
  for (std::size_t i = 0; i < nLength; ++i) {
    text[2 * i] = kDigits[pBytes[i] >> 4];
    text[2 * i + 1] = kDigits[pBytes[i] & 0x0F];
  }
  return text;
}

CEmulation::CEmulation() { m_stack.SetKillHandler([this] { Kill(); }); }

CEmulation::~CEmulation() {
  char text[96];
  std::snprintf(text, sizeof text, "end ok sets=%zu preparsed=%zu", m_stack.OpenDeviceInfoSetCount(),
                m_stack.OpenPreparsedDataCount());
  m_trace.Event(GetTickCount(), CTraceLog::kNoInterface, text);
  m_trace.Close();
}

void CEmulation::Load() {
  wchar_t variable[1024];
  const DWORD nLength = GetEnvironmentVariableW(kScenarioVariable, variable, sizeof variable / sizeof variable[0]);
  if (nLength == 0 || nLength >= sizeof variable / sizeof variable[0]) return;
  const std::string scenarioPath = ResolveScenarioPath("", Narrow(variable));
  const std::string folder = FolderOf(scenarioPath);

  std::string text;
  if (!ReadWholeFile(scenarioPath, 1024 * 1024, &text)) {
    ReportError("cannot read the scenario " + scenarioPath);
    return;
  }
  SScenario scenario;
  SScenarioError parseError;
  const bool bParsed = ParseScenario(text, &scenario, &parseError);
  // The trace is opened even for a scenario that fails further down, so that
  // the failure can be read there.
  if (!scenario.tracePath.empty()) {
    const std::string tracePath = ResolveScenarioPath(folder, scenario.tracePath);
    if (!m_trace.Open(Widen(tracePath))) ReportError("cannot open the trace " + tracePath);
  }
  m_trace.Event(GetTickCount(), CTraceLog::kNoInterface,
                "start ok pid=" + std::to_string(GetCurrentProcessId()) + " scenario=" + scenarioPath);
  if (!bParsed) {
    ReportError("scenario line " + std::to_string(parseError.nLine) + ": " + parseError.message);
    return;
  }
  std::string buildError;
  if (!Build(scenario, folder, &buildError)) {
    ReportError(buildError);
    // The stack first: its devices work on flash that the interfaces own.
    m_stack.Clear();
    m_interfaces.clear();
  }
}

bool CEmulation::Build(const SScenario& scenario, const std::string& scenarioFolder, std::string* pError) {
  const std::string deviceFolder =
      ResolveScenarioPath(scenarioFolder, scenario.deviceFolder.empty() ? "devices" : scenario.deviceFolder) + "\\";
  if (!CreateFolders(Widen(deviceFolder))) {
    *pError = "cannot create the device folder " + deviceFolder;
    return false;
  }
  std::uint32_t nZentors = 0;
  for (const SScenarioInterface& described : scenario.interfaces) {
    const std::size_t nIndex = m_interfaces.size();
    auto added = std::make_unique<SInterface>();
    std::size_t nStackIndex = 0;
    if (described.kind == EInterfaceKind::Zentor) {
      if (!AddZentor(described, scenarioFolder, ++nZentors, added.get(), pError)) return false;
      m_stack.AddZentor(added->device);
      nStackIndex = m_stack.InterfaceCount() - 1;
    } else {
      nStackIndex = m_stack.AddInterface(SHidInterface{});
    }
    if (nStackIndex != nIndex) {
      *pError = "the HID stack was not empty";
      return false;
    }

    SHidInterface& info = m_stack.Interface(nIndex);
    Override(described.nVendorID, &info.nVendorID);
    Override(described.nProductID, &info.nProductID);
    Override(described.nVersionNumber, &info.nVersionNumber);
    Override(described.nInputReportLength, &info.nInputReportLength);
    Override(described.nOutputReportLength, &info.nOutputReportLength);
    Override(described.nFeatureReportLength, &info.nFeatureReportLength);
    Override(described.nUsagePage, &info.nUsagePage);
    Override(described.nUsage, &info.nUsage);
    // The two open failures happen on the device node, with the system's
    // own CreateFileW; the stack must not refuse the opens of its own.
    info.behaviour = described.behaviour;
    info.behaviour.bAttributeOpenFails = false;
    info.behaviour.bReadWriteOpenFails = false;
    info.path = DevicePath(deviceFolder, info, nIndex);

    added->path = info.path;
    added->bAttributeOpenFails = described.behaviour.bAttributeOpenFails;
    added->bReadWriteOpenFails = described.behaviour.bReadWriteOpenFails;
    added->nAttachAfter = described.nAttachAfter;
    added->nRemoveAfter = described.nRemoveAfter;
    m_bScheduled = m_bScheduled || described.nAttachAfter || described.nRemoveAfter;
    if (described.nAttachAfter) added->device->SetPresent(false);
    m_interfaces.push_back(std::move(added));

    if (described.nAttachAfter) {
      CDeviceNode::Delete(info.path);  // left by an earlier run
    } else if (!MakeNode(nIndex)) {
      *pError = "cannot create the device node " + Narrow(info.path);
      return false;
    }
  }
  return true;
}

bool CEmulation::AddZentor(const SScenarioInterface& described, const std::string& scenarioFolder,
                           std::uint32_t nOrdinal, SInterface* pInterface, std::string* pError) {
  std::uint8_t* pFlash = nullptr;
  bool bFresh = true;
  if (!described.statePath.empty()) {
    const std::string statePath = ResolveScenarioPath(scenarioFolder, described.statePath);
    if (!pInterface->state.Open(Widen(statePath))) {
      *pError = "cannot open the state file " + statePath;
      return false;
    }
    const std::uint64_t nSize = pInterface->state.SizeAtOpen();
    if (nSize != 0 && nSize != kFlashSize) {
      *pError = "the state file " + statePath + " does not hold the 2 MiB of a flash";
      return false;
    }
    if (!pInterface->state.Map(kFlashSize)) {
      *pError = "cannot map the state file " + statePath;
      return false;
    }
    pFlash = pInterface->state.Data();
    bFresh = nSize == 0;
  } else {
    pInterface->ownFlash.resize(kFlashSize);
    pFlash = pInterface->ownFlash.data();
  }
  auto device = std::make_shared<CZentorDevice>(pFlash);

  if (bFresh) {
    std::string image;
    if (!described.flashImagePath.empty()) {
      const std::string imagePath = ResolveScenarioPath(scenarioFolder, described.flashImagePath);
      if (!ReadWholeFile(imagePath, kFlashSize, &image)) {
        *pError = "cannot read the flash image " + imagePath + " (at most 2 MiB)";
        return false;
      }
    }
    device->LoadFlash(Bytes(image));
    // The key block: named explicitly, else the serial's, else the image's
    // own bytes; a device with neither gets the serial of its place.
    if (!described.keyBlockPath.empty()) {
      const std::string keyBlockPath = ResolveScenarioPath(scenarioFolder, described.keyBlockPath);
      std::string keyBlock;
      if (!ReadWholeFile(keyBlockPath, kKeyBlockSize, &keyBlock)) {
        *pError = "cannot read the key block " + keyBlockPath + " (at most 512 bytes)";
        return false;
      }
      device->WriteFlash(kKeyBlockAddress, Bytes(keyBlock));
    } else if (described.bKeyBlockErased) {
      device->WriteFlash(kKeyBlockAddress, std::vector<std::uint8_t>(kKeyBlockSize, 0xFF));
    } else if (described.nSerial || image.empty()) {
      device->WriteFlash(kKeyBlockAddress, CZentorDevice::KeyBlock(described.nSerial.value_or(nOrdinal)));
    }
  }

  if (described.nFeatureReportLength) device->SetFeatureReportLength(*described.nFeatureReportLength);
  if (described.nEraseStatus) device->SetEraseReplyStatus(*described.nEraseStatus);
  for (const auto& [nCommand, nMilliseconds] : described.commandDurations) {
    device->SetCommandDuration(nCommand, nMilliseconds);
  }
  for (const SFault& fault : described.faults) device->AddFault(fault);
  // The trace of this layer records every transfer; the model's own would
  // only grow for the life of the process.
  device->SetTraceEnabled(false);
  pInterface->device = std::move(device);
  return true;
}

bool CEmulation::MakeNode(std::size_t nInterface) {
  SInterface& entry = *m_interfaces[nInterface];
  if (entry.bAttributeOpenFails) {
    CDeviceNode::Delete(entry.path);
  } else if (!entry.node.Create(entry.path, entry.bReadWriteOpenFails)) {
    return false;
  }
  // Opened while the device is there, so that a removal later turns this
  // handle dead and the program's transfers fail as they would on Windows.
  entry.deviceHandle = m_stack.OpenDevice(entry.path.c_str(), true, true);
  return true;
}

std::uint32_t CEmulation::Now() {
  if (!m_bLoaded) {
    m_bLoaded = true;
    Load();
  }
  const std::uint32_t nNow = GetTickCount();
  if (!m_bScheduled || !m_nFirstEnumeration) return nNow;
  const std::uint32_t nElapsed = nNow - *m_nFirstEnumeration;
  bool bPending = false;
  for (std::size_t i = 0; i < m_interfaces.size(); ++i) {
    SInterface& entry = *m_interfaces[i];
    if (entry.nAttachAfter && nElapsed >= *entry.nAttachAfter) {
      entry.nAttachAfter.reset();
      entry.device->SetPresent(true);
      m_trace.Event(nNow, i, MakeNode(i) ? "attach ok" : "attach fail node");
    }
    if (entry.nRemoveAfter && nElapsed >= *entry.nRemoveAfter) {
      entry.nRemoveAfter.reset();
      m_stack.RemoveInterface(i);
      m_trace.Event(nNow, i, "remove ok");
    }
    bPending = bPending || entry.nAttachAfter || entry.nRemoveAfter;
  }
  m_bScheduled = bPending;
  return nNow;
}

void CEmulation::NoteEnumeration(std::uint32_t nNow) {
  if (m_nFirstEnumeration) return;
  m_nFirstEnumeration = nNow;
  Now();  // what is due at once
}

CHidStack& CEmulation::Stack() { return m_stack; }
CTraceLog& CEmulation::Trace() { return m_trace; }

CHidStack::HandleId CEmulation::CreateSet(bool bHidInterfaces, bool bPresentOnly) {
  const CHidStack::HandleId set = m_stack.CreateInterfaceList(bPresentOnly);
  if (!bHidInterfaces) m_emptySets.insert(set);
  return set;
}

bool CEmulation::IsSet(CHidStack::HandleId set) const { return m_stack.IsInterfaceList(set); }

bool CEmulation::DestroySet(CHidStack::HandleId set) {
  m_emptySets.erase(set);
  return m_stack.DestroyInterfaceList(set);
}

std::size_t CEmulation::SetSize(CHidStack::HandleId set) {
  std::size_t nSize = 0;
  std::size_t nInterface = 0;
  while (SetEntry(set, static_cast<std::uint32_t>(nSize), &nInterface)) ++nSize;
  return nSize;
}

bool CEmulation::SetEntry(CHidStack::HandleId set, std::uint32_t nPosition, std::size_t* pInterface) {
  if (m_emptySets.count(set) == 1) {
    SetLastError(error::kNoMoreItems);
    return false;
  }
  if (m_stack.ListEntry(set, nPosition, pInterface)) return true;
  SetLastError(m_stack.LastError());
  return false;
}

bool CEmulation::InterfaceOfHandle(HANDLE hDevice, std::size_t* pInterface, CHidStack::HandleId* pDevice) {
  std::uint64_t nFileID = 0;
  if (!FileIDOfHandle(hDevice, &nFileID)) return false;
  for (std::size_t i = 0; i < m_interfaces.size(); ++i) {
    const SInterface& entry = *m_interfaces[i];
    if (entry.node.IsCreated() && entry.node.FileID() == nFileID) {
      *pInterface = i;
      *pDevice = entry.deviceHandle;
      return true;
    }
  }
  return false;
}

void CEmulation::NoteSending(std::size_t nInterface, const std::uint8_t* pReport, std::uint32_t nLength) {
  m_nSendingInterface = nInterface;
  m_sending.assign(pReport, pReport + nLength);
}

void CEmulation::ReportError(const std::string& message) {
  m_trace.Event(GetTickCount(), CTraceLog::kNoInterface, "error " + message);
  const std::string line = "zentor emulation: " + message + "\n";
  DWORD nWritten = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &nWritten, nullptr);
}

void CEmulation::Kill() {
  // As abrupt as a process killed from outside: no unload, no closing line.
  m_trace.Event(GetTickCount(), m_nSendingInterface, "kill - " + HexBytes(m_sending.data(), m_sending.size()));
  TerminateProcess(GetCurrentProcess(), kKilledExitCode);
}

// ---- The process's one emulation ----

namespace {

INIT_ONCE g_initOnce = INIT_ONCE_STATIC_INIT;
CRITICAL_SECTION g_lock;
CEmulation* g_pEmulation = nullptr;

BOOL CALLBACK CreateEmulation(PINIT_ONCE, PVOID, PVOID*) {
  InitializeCriticalSection(&g_lock);
  g_pEmulation = new CEmulation();
  return TRUE;
}

}  // namespace

CLockedEmulation::CLockedEmulation() {
  InitOnceExecuteOnce(&g_initOnce, CreateEmulation, nullptr, nullptr);
  EnterCriticalSection(&g_lock);
  m_pEmulation = g_pEmulation;
}

CLockedEmulation::~CLockedEmulation() { LeaveCriticalSection(&g_lock); }

CEmulation* CLockedEmulation::operator->() const { return m_pEmulation; }
CEmulation& CLockedEmulation::operator*() const { return *m_pEmulation; }

void EndEmulation() {
  // Only ever built if some function was called.
  BOOL bPending = FALSE;
  if (!InitOnceBeginInitialize(&g_initOnce, INIT_ONCE_CHECK_ONLY, &bPending, nullptr) || bPending) return;
  EnterCriticalSection(&g_lock);
  delete g_pEmulation;
  g_pEmulation = nullptr;
  LeaveCriticalSection(&g_lock);
}

}  // namespace emu
