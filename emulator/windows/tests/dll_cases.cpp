// The cases: a scenario, the walks that run under it one process after the
// other, and what the files hold afterwards (flash state, trace).
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>

#include "checks.h"
#include "emulation.h"
#include "self_test.h"
#include "unique_handle.h"

namespace emu_test {

namespace {

constexpr DWORD kChildTimeout = 60000;

// A case's own folder in the temporary folder, emptied before the case runs.
class CCaseFolder {
 public:
  explicit CCaseFolder(const std::string& name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    m_folder = std::wstring(temp) + L"zentor-emulation-test\\" + std::wstring(name.begin(), name.end()) + L"\\";
    RemoveTree(m_folder);
    CreateDirectoryW((std::wstring(temp) + L"zentor-emulation-test").c_str(), nullptr);
    CreateDirectoryW(m_folder.c_str(), nullptr);
  }

  std::wstring Path(const char* pszName) const {
    const std::string name = pszName;
    return m_folder + std::wstring(name.begin(), name.end());
  }

  bool Write(const char* pszName, const std::string& bytes) const {
    emu::CUniqueHandle file(
        CreateFileW(Path(pszName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD nWritten = 0;
    return file.IsValid() &&
           WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &nWritten, nullptr) &&
           nWritten == bytes.size();
  }
  bool Write(const char* pszName, const std::vector<std::uint8_t>& bytes) const {
    return Write(pszName, std::string(bytes.begin(), bytes.end()));
  }

  std::string Read(const char* pszName) const {
    emu::CUniqueHandle file(CreateFileW(Path(pszName).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file.IsValid() || !GetFileSizeEx(file.Get(), &size)) return {};
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD nRead = 0;
    if (!bytes.empty()) ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &nRead, nullptr);
    bytes.resize(nRead);
    return bytes;
  }

  // The trace's lines; the zeros that a killed process leaves are not text.
  std::vector<std::string> TraceLines() const {
    std::string text = Read("trace.log");
    text.erase(text.find_last_not_of('\0') + 1);
    std::vector<std::string> lines;
    std::size_t nStart = 0;
    for (std::size_t nEnd; (nEnd = text.find('\n', nStart)) != std::string::npos; nStart = nEnd + 1) {
      lines.push_back(text.substr(nStart, nEnd - nStart));
    }
    return lines;
  }

  std::size_t CountTraceLines(const std::string& words) const {
    const std::vector<std::string> lines = TraceLines();
    return static_cast<std::size_t>(std::count_if(
        lines.begin(), lines.end(), [&](const std::string& line) { return line.find(words) != std::string::npos; }));
  }

 private:
  static void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    const HANDLE hFind = FindFirstFileW((folder + L"*").c_str(), &found);
    if (hFind != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(folder + name + L"\\");
        } else {
          DeleteFileW((folder + name).c_str());
        }
      } while (FindNextFileW(hFind, &found));
      FindClose(hFind);
    }
    RemoveDirectoryW(folder.c_str());
  }

  std::wstring m_folder;
};

std::string Slice(const std::string& bytes, std::size_t nOffset, std::size_t nLength) {
  return bytes.size() >= nOffset + nLength ? bytes.substr(nOffset, nLength) : std::string();
}

std::string AsText(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

// This program again, as a child that walks under the scenario (none: the
// variable is not set at all).
DWORD RunChild(const std::string& walk, const std::wstring* pScenario) {
  SetEnvironmentVariableW(emu::kScenarioVariable, pScenario != nullptr ? pScenario->c_str() : nullptr);
  wchar_t program[MAX_PATH];
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  std::wstring commandLine = L"\"" + std::wstring(program) + L"\" walk " + std::wstring(walk.begin(), walk.end());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    return static_cast<DWORD>(-1);
  }
  emu::CUniqueHandle processHandle(process.hProcess);
  emu::CUniqueHandle threadHandle(process.hThread);
  DWORD nExitCode = static_cast<DWORD>(-2);
  if (WaitForSingleObject(process.hProcess, kChildTimeout) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &nExitCode);
  } else {
    TerminateProcess(process.hProcess, nExitCode);
  }
  SetEnvironmentVariableW(emu::kScenarioVariable, nullptr);
  return nExitCode;
}

struct SStep {
  const char* pszWalk;
  DWORD nExitCode;  // 0: every check of the walk passed
  void (*pfnAfter)(const CCaseFolder&);
};

struct SCase {
  const char* pszName;
  const char* pszScenario;  // null: no scenario variable
  void (*pfnBefore)(const CCaseFolder&);
  std::vector<SStep> steps;
};

void ExpectDiscoveryTrace(const CCaseFolder& folder) {
  CHECK_EQUAL(1u, folder.CountTraceLines(" - start ok pid="));
  CHECK(folder.CountTraceLines(" - list ok count=2 flags=0x12") >= 1);
  CHECK(folder.CountTraceLines(" 0 attributes ok vendor=046d product=c52b version=0100 size=12") >= 1);
  CHECK(folder.CountTraceLines(" 1 detail ok") >= 1);
  const std::vector<std::string> lines = folder.TraceLines();
  CHECK(!lines.empty() && lines.back().find(" - end ok sets=0 preparsed=0") != std::string::npos);
}

void ExpectTransferTrace(const CCaseFolder& folder) {
  const std::vector<std::string> lines = folder.TraceLines();
  const auto handshake = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.find(" 0 set ok 0021") != std::string::npos;
  });
  CHECK(handshake != lines.end() && handshake + 1 != lines.end() &&
        (handshake + 1)->find(" 0 get ok 0001") != std::string::npos);
  // 13 + 13 key-block reads and two pages of 8.
  CHECK_EQUAL(42u, folder.CountTraceLines(" 0 set ok 0027"));
  CHECK_EQUAL(1u, folder.CountTraceLines(" 0 set ok 002200"));
  CHECK_EQUAL(1u, folder.CountTraceLines(" 0 set ok 0023001000"));
  CHECK_EQUAL(1u, folder.CountTraceLines(" 0 set fail error=31 0021"));
}

void WriteKeyBlockFile(const CCaseFolder& folder) { CHECK(folder.Write("key.bin", KeyBlockFileContent())); }

void ExpectProgrammedState(const CCaseFolder& folder) {
  const std::string flash = folder.Read("zentor.flash");
  CHECK_EQUAL(0x200000u, flash.size());
  CHECK(Slice(flash, 0x1000, 256) == AsText(PagePattern(0x1000)));
  CHECK(Slice(flash, 0xF000, 512) == std::string(512, '\xFF'));
}

void ExpectTwoRuns(const CCaseFolder& folder) {
  CHECK_EQUAL(2u, folder.CountTraceLines(" - start ok"));
  CHECK_EQUAL(2u, folder.CountTraceLines(" - end ok"));
  // The second run took the flash from the file, not from key.bin.
  ExpectProgrammedState(folder);
}

void ExpectKilled(const CCaseFolder& folder) {
  const std::string flash = folder.Read("zentor.flash");
  CHECK(Slice(flash, 0x1000, 256) == AsText(PagePattern(0x1000)));
  CHECK(Slice(flash, 0x1100, 256) == std::string(256, '\xFF'));
  const std::string trace = folder.Read("trace.log");
  CHECK(!trace.empty() && trace.back() == '\0');
  const std::vector<std::string> lines = folder.TraceLines();
  CHECK(!lines.empty() && lines.back().find(" 0 kill - 0025001100") != std::string::npos);
  CHECK_EQUAL(0u, folder.CountTraceLines(" - end ok"));
}

void ExpectRunAfterKill(const CCaseFolder& folder) {
  CHECK(folder.Read("trace.log").find('\0') == std::string::npos);
  const std::vector<std::string> lines = folder.TraceLines();
  const auto kill = std::find_if(lines.begin(), lines.end(),
                                 [](const std::string& line) { return line.find(" kill - ") != std::string::npos; });
  CHECK(kill != lines.end() && kill + 1 != lines.end() && (kill + 1)->find(" - start ok") != std::string::npos);
}

void WriteFlashImage(const CCaseFolder& folder) { CHECK(folder.Write("image.bin", FlashImageContent())); }

void ExpectImageState(const CCaseFolder& folder) {
  CHECK(folder.Read("zentor.flash") == AsText(FlashImageContent()));
}

void ExpectAttachTrace(const CCaseFolder& folder) {
  CHECK_EQUAL(2u, folder.CountTraceLines(" - list ok count=0"));
  CHECK_EQUAL(1u, folder.CountTraceLines(" 0 attach ok"));
}

void ExpectRemoveTrace(const CCaseFolder& folder) {
  CHECK_EQUAL(1u, folder.CountTraceLines(" 0 remove ok"));
  CHECK_EQUAL(1u, folder.CountTraceLines(" 0 set fail error=1167 0021"));
}

void ExpectOneLineOfFailedReads(const CCaseFolder& folder) {
  const std::vector<std::string> lines = folder.TraceLines();
  std::vector<std::string> failed;
  for (const std::string& line : lines) {
    if (line.find(" get fail ") != std::string::npos) failed.push_back(line);
  }
  CHECK_EQUAL(1u, failed.size());
  unsigned long long nCount = 0;
  CHECK(!failed.empty() && std::sscanf(failed[0].c_str(), "%*u 0 get fail error=31 count=%llu", &nCount) == 1);
  CHECK(nCount > 1);
}

void ExpectUnplugTrace(const CCaseFolder& folder) {
  CHECK_EQUAL(1u, folder.CountTraceLines(" 0 set fail error=31 0027000020"));
  CHECK_EQUAL(1u, folder.CountTraceLines(" 0 set fail error=1167 0021"));
}

void ExpectScenarioError(const CCaseFolder& folder) {
  CHECK_EQUAL(1u, folder.CountTraceLines(" - error scenario line 3: unknown key: colour"));
}

void WriteShortStateFile(const CCaseFolder& folder) { CHECK(folder.Write("zentor.flash", std::string(1000, 'x'))); }

void ExpectStateFileError(const CCaseFolder& folder) {
  CHECK_EQUAL(1u, folder.CountTraceLines("does not hold the 2 MiB of a flash"));
  CHECK_EQUAL(1000u, folder.Read("zentor.flash").size());
}

void ExpectTwoStates(const CCaseFolder& folder) {
  const std::string first = folder.Read("first.flash");
  const std::string second = folder.Read("second.flash");
  CHECK_EQUAL(0x200000u, first.size());
  CHECK_EQUAL(0x200000u, second.size());
  CHECK(Slice(first, 0xF000, 416) == AsText(emu::CZentorDevice::KeyBlock(1)));
  CHECK(Slice(second, 0xF000, 416) == AsText(emu::CZentorDevice::KeyBlock(2)));
}

const SCase kCases[] = {
    {"discovery",
     "trace = trace.log\n"
     "interface = other\nvendor_id = 0x046d\nproduct_id = 0xc52b\ninput_report_length = 8\n"
     "output_report_length = 0\n"
     "interface = zentor\n",
     nullptr,
     {{"discovery", 0, ExpectDiscoveryTrace}}},
    {"behaviours",
     "trace = trace.log\n"
     "interface = other\nfails = detail\n"
     "interface = other\nfails = attribute_open\n"
     "interface = other\nfails = attributes\n"
     "interface = other\nfails = read_write_open\n"
     "interface = other\nfails = preparsed_data\n"
     "interface = other\nfails = caps\n"
     "interface = zentor\n",
     nullptr,
     {{"behaviours", 0, nullptr}}},
    {"transfers", "trace = trace.log\ninterface = zentor\nserial = 7\n", nullptr,
     {{"transfers", 0, ExpectTransferTrace}}},
    {"persistence", "trace = trace.log\ninterface = zentor\nstate = zentor.flash\nkey_block = key.bin\n",
     WriteKeyBlockFile,
     {{"program_page", 0, ExpectProgrammedState}, {"verify_page", 0, ExpectTwoRuns}}},
    {"kill", "trace = trace.log\ninterface = zentor\nstate = zentor.flash\nfault = kill 0x25 2\n", nullptr,
     {{"program_two_pages", emu::kKilledExitCode, ExpectKilled}, {"handshake", 0, ExpectRunAfterKill}}},
    {"image", "trace = trace.log\ninterface = zentor\nstate = zentor.flash\nflash = image.bin\n", WriteFlashImage,
     {{"image", 0, ExpectImageState}}},
    {"attach", "trace = trace.log\ninterface = zentor\nattach_after_ms = 500\n", nullptr,
     {{"attach", 0, ExpectAttachTrace}}},
    {"remove", "trace = trace.log\ninterface = zentor\nremove_after_ms = 300\n", nullptr,
     {{"remove", 0, ExpectRemoveTrace}}},
    {"no_reply", "trace = trace.log\ninterface = zentor\nfault = no_reply 0x21 1\n", nullptr,
     {{"no_reply", 0, ExpectOneLineOfFailedReads}}},
    {"unplug", "trace = trace.log\ninterface = zentor\nfault = unplug 0x27 2\n", nullptr,
     {{"unplug", 0, ExpectUnplugTrace}}},
    {"two_zentors",
     "interface = zentor\nstate = first.flash\ninterface = other\nvendor_id = 1\nproduct_id = 2\n"
     "interface = zentor\nstate = second.flash\n",
     nullptr,
     {{"two_zentors", 0, ExpectTwoStates}}},
    {"busy_erase", "interface = zentor\nbusy = 0x22 300\nerase_status = 0\n", nullptr, {{"busy_erase", 0, nullptr}}},
    {"short_reports", "interface = zentor\nfeature_report_length = 41\n", nullptr, {{"short_reports", 0, nullptr}}},
    {"scenario_error", "trace = trace.log\ninterface = zentor\ncolour = blue\n", nullptr,
     {{"nothing_listed", 0, ExpectScenarioError}}},
    {"state_file_error", "trace = trace.log\ninterface = zentor\nstate = zentor.flash\n", WriteShortStateFile,
     {{"nothing_listed", 0, ExpectStateFileError}}},
    {"no_scenario", nullptr, nullptr, {{"nothing_listed", 0, nullptr}}},
};

}  // namespace

void RunDllCases() {
  for (const SCase& dllCase : kCases) {
    const std::size_t nFailuresBefore = FailureCount();
    const CCaseFolder folder(dllCase.pszName);
    const std::wstring scenarioPath = folder.Path("scenario.txt");
    if (dllCase.pszScenario != nullptr) CHECK(folder.Write("scenario.txt", std::string(dllCase.pszScenario)));
    if (dllCase.pfnBefore != nullptr) dllCase.pfnBefore(folder);
    for (const SStep& step : dllCase.steps) {
      const DWORD nExitCode = RunChild(step.pszWalk, dllCase.pszScenario != nullptr ? &scenarioPath : nullptr);
      if (nExitCode != step.nExitCode) {
        ReportFailure(__FILE__, __LINE__,
                      std::string(dllCase.pszName) + ": walk " + step.pszWalk + " ended with " +
                          std::to_string(nExitCode) + " instead of " + std::to_string(step.nExitCode));
      }
      if (step.pfnAfter != nullptr) step.pfnAfter(folder);
    }
    std::printf("%s %s\n", FailureCount() == nFailuresBefore ? "passed" : "FAILED", dllCase.pszName);
    std::fflush(stdout);
  }
}

}  // namespace emu_test
