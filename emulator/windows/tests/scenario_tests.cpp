// The scenario text, line by line: what each key does to the scenario, and
// which line a mistake is reported on.
#include <cstring>

#include "checks.h"
#include "scenario.h"
#include "self_test.h"

namespace emu_test {

namespace {

using emu::EFaultKind;
using emu::EInterfaceKind;
using emu::SScenario;

struct SParseCase {
  const char* pszText;
  std::size_t nErrorLine;  // 0: the text is accepted
  const char* pszErrorWords;  // part of the message, for a rejected text
  bool (*pfnExpected)(const SScenario&);  // for an accepted text
};

const SParseCase kParseCases[] = {
    {"", 0, nullptr, [](const SScenario& s) { return s.interfaces.empty() && s.tracePath.empty(); }},
    {"# only a comment\n\n   \n", 0, nullptr, [](const SScenario& s) { return s.interfaces.empty(); }},
    {"trace = run/trace.log\r\ndevice_folder=C:\\nodes\r\n", 0, nullptr,
     [](const SScenario& s) { return s.tracePath == "run/trace.log" && s.deviceFolder == "C:\\nodes"; }},
    {"interface = other\nvendor_id = 0x046D\nproduct_id = 50475\nversion=0x0200\n", 0, nullptr,
     [](const SScenario& s) {
       const auto& i = s.interfaces.at(0);
       return i.kind == EInterfaceKind::Other && i.nVendorID == 0x046D && i.nProductID == 50475 &&
              i.nVersionNumber == 0x0200 && !i.nFeatureReportLength;
     }},
    {"interface = other\ninput_report_length = 8\noutput_report_length = 0\nfeature_report_length = 3\n"
     "usage_page = 0x0001\nusage = 6\n",
     0, nullptr,
     [](const SScenario& s) {
       const auto& i = s.interfaces.at(0);
       return i.nInputReportLength == 8 && i.nOutputReportLength == 0 && i.nFeatureReportLength == 3 &&
              i.nUsagePage == 1 && i.nUsage == 6;
     }},
    {"interface = other\nfails = attribute_open, caps\nfails = detail\n", 0, nullptr,
     [](const SScenario& s) {
       const auto& b = s.interfaces.at(0).behaviour;
       return b.bAttributeOpenFails && b.bCapsInvalid && b.bDetailFails && !b.bAttributesFail &&
              !b.bReadWriteOpenFails && !b.bPreparsedDataFails;
     }},
    {"interface = zentor\nstate = z.flash\nflash = old.bin\nkey_block = key.bin\nerase_status = 0\n"
     "attach_after_ms = 1500\nremove_after_ms = 9000\n",
     0, nullptr,
     [](const SScenario& s) {
       const auto& i = s.interfaces.at(0);
       return i.kind == EInterfaceKind::Zentor && i.statePath == "z.flash" && i.flashImagePath == "old.bin" &&
              i.keyBlockPath == "key.bin" && i.nEraseStatus == 0 && i.nAttachAfter == 1500u &&
              i.nRemoveAfter == 9000u && !i.bKeyBlockErased;
     }},
    {"interface = zentor\nflash = erased\nkey_block = erased\n", 0, nullptr,
     [](const SScenario& s) {
       const auto& i = s.interfaces.at(0);
       return i.flashImagePath.empty() && i.bKeyBlockErased && i.keyBlockPath.empty();
     }},
    {"interface = zentor\nfault = no_reply 0x27 3\nfault = corrupt_data 0x27 5 31\nfault = kill any 100\n"
     "busy = 0x22 800\n",
     0, nullptr,
     [](const SScenario& s) {
       const auto& f = s.interfaces.at(0).faults;
       const auto& d = s.interfaces.at(0).commandDurations;
       return f.size() == 3 && f[0].kind == EFaultKind::NoReply && f[0].nCommand == 0x27 && f[0].nOccurrence == 3 &&
              f[1].kind == EFaultKind::CorruptData && f[1].nDataIndex == 31 && f[2].kind == EFaultKind::Kill &&
              f[2].nCommand == 0 && f[2].nOccurrence == 100 && d.size() == 1 && d[0].first == 0x22 &&
              d[0].second == 800;
     }},
    {"interface = zentor\ninterface = other\ninterface = zentor\nserial = 9\n", 0, nullptr,
     [](const SScenario& s) {
       return s.interfaces.size() == 3 && s.interfaces[1].kind == EInterfaceKind::Other &&
              s.interfaces[2].nSerial == 9u && !s.interfaces[0].nSerial && s.interfaces[2].nLine == 3;
     }},
    // '#' inside a value is part of it: device paths are full of them.
    {"trace = C:\\a#b\\trace.log\n", 0, nullptr,
     [](const SScenario& s) { return s.tracePath == "C:\\a#b\\trace.log"; }},

    {"colour = blue\n", 1, "unknown key", nullptr},
    {"interface = zentor\n\nstate\n", 3, "key = value", nullptr},
    {"interface = keyboard\n", 1, "zentor or other", nullptr},
    {"vendor_id = 1\n", 1, "belongs to an interface", nullptr},
    {"interface = other\ntrace = t.log\n", 2, "before the first interface", nullptr},
    {"interface = other\nstate = z.flash\n", 2, "zentor interface only", nullptr},
    {"interface = other\nattach_after_ms = 5\n", 2, "zentor interface only", nullptr},
    {"interface = other\nvendor_id = 0x10000\n", 2, "not a number", nullptr},
    {"interface = other\nproduct_id = 12ab\n", 2, "not a number", nullptr},
    {"interface = other\nproduct_id = \n", 2, "not a number", nullptr},
    {"interface = other\nfails = everything\n", 2, "unknown failing operation", nullptr},
    {"interface = zentor\nfault = no_reply 0x27 0\n", 2, "counts from 1", nullptr},
    {"interface = zentor\nfault = no_reply 0x127 1\n", 2, "not a command code", nullptr},
    {"interface = zentor\nfault = corrupt_data 0x27 1 32\n", 2, "0 to 31", nullptr},
    {"interface = zentor\nfault = corrupt_data 0x27 1\n", 2, "DATA_INDEX", nullptr},
    {"interface = zentor\nfault = explode 0x27 1\n", 2, "unknown fault kind", nullptr},
    {"interface = zentor\nbusy = 0x22\n", 2, "busy = COMMAND MILLISECONDS", nullptr},
    {"interface = zentor\nerase_status = 256\n", 2, "not a number", nullptr},
    {"interface = other\ninterface = zentor\nkey_block = k.bin\nserial = 3\n", 2, "give one of them", nullptr},
};

struct SResolveCase {
  const char* pszFolder;
  const char* pszValue;
  const char* pszExpected;
};

const SResolveCase kResolveCases[] = {
    {"C:\\run\\", "trace.log", "C:\\run\\trace.log"},
    {"C:\\run\\", "sub/state.flash", "C:\\run\\sub\\state.flash"},
    {"C:\\run\\", "/tmp/x/trace.log", "Z:\\tmp\\x\\trace.log"},
    {"C:\\run\\", "D:\\other\\file", "D:\\other\\file"},
    {"C:\\run\\", "\\\\server\\share\\f", "\\\\server\\share\\f"},
    {"", "relative.txt", "relative.txt"},
};

}  // namespace

void RunScenarioTests() {
  for (const SParseCase& parseCase : kParseCases) {
    SScenario scenario;
    emu::SScenarioError error;
    const bool bParsed = emu::ParseScenario(parseCase.pszText, &scenario, &error);
    const std::string context = std::string("scenario text: ") + parseCase.pszText;
    if (parseCase.nErrorLine == 0) {
      if (!bParsed) ReportFailure(__FILE__, __LINE__, context + " rejected: " + error.message);
      if (bParsed && !parseCase.pfnExpected(scenario)) ReportFailure(__FILE__, __LINE__, context + " misread");
    } else if (bParsed || error.nLine != parseCase.nErrorLine ||
               error.message.find(parseCase.pszErrorWords) == std::string::npos) {
      ReportFailure(__FILE__, __LINE__,
                    context + " gave line " + std::to_string(error.nLine) + ": " + error.message);
    }
  }
  for (const SResolveCase& resolveCase : kResolveCases) {
    const std::string resolved = emu::ResolveScenarioPath(resolveCase.pszFolder, resolveCase.pszValue);
    if (resolved != resolveCase.pszExpected) {
      ReportFailure(__FILE__, __LINE__, std::string(resolveCase.pszValue) + " resolved to " + resolved);
    }
  }
}

}  // namespace emu_test
