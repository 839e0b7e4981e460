#include "scenario.h"

#include <charconv>
#include <limits>

namespace emu {

namespace {

enum class EScope { Global, Interface, Zentor };

std::string_view Trim(std::string_view text) {
  const std::size_t nFirst = text.find_first_not_of(" \t\r");
  if (nFirst == std::string_view::npos) return {};
  const std::size_t nLast = text.find_last_not_of(" \t\r");
  return text.substr(nFirst, nLast - nFirst + 1);
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t nPosition = 0;
  while (true) {
    nPosition = text.find_first_not_of(" \t,", nPosition);
    if (nPosition == std::string_view::npos) return words;
    const std::size_t nEnd = text.find_first_of(" \t,", nPosition);
    words.push_back(text.substr(nPosition, nEnd - nPosition));
    if (nEnd == std::string_view::npos) return words;
    nPosition = nEnd;
  }
}

// Decimal, or hexadecimal after "0x".
template <class TNumber>
bool ParseNumber(std::string_view text, TNumber* pNumber) {
  int nBase = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    nBase = 16;
  }
  std::uint64_t nValue = 0;
  const auto [pEnd, error] = std::from_chars(text.data(), text.data() + text.size(), nValue, nBase);
  if (text.empty() || error != std::errc() || pEnd != text.data() + text.size() ||
      nValue > std::numeric_limits<TNumber>::max()) {
    return false;
  }
  *pNumber = static_cast<TNumber>(nValue);
  return true;
}

template <class TNumber>
bool ParseOptional(std::string_view text, std::optional<TNumber>* pNumber, std::string* pMessage) {
  TNumber nNumber{};
  if (!ParseNumber(text, &nNumber)) {
    *pMessage = "not a number in range: " + std::string(text);
    return false;
  }
  *pNumber = nNumber;
  return true;
}

// A command code, or "any" for a fault that counts every command.
bool ParseCommand(std::string_view text, std::uint8_t* pCommand) {
  if (text == "any") {
    *pCommand = 0;
    return true;
  }
  return ParseNumber(text, pCommand);
}

struct SNamedFault {
  std::string_view name;
  EFaultKind kind;
};

constexpr SNamedFault kFaultNames[] = {
    {"no_reply", EFaultKind::NoReply},   {"zero_status", EFaultKind::ZeroStatus},
    {"corrupt_data", EFaultKind::CorruptData}, {"unplug", EFaultKind::Unplug},
    {"send_fails", EFaultKind::SendFails}, {"kill", EFaultKind::Kill},
};

// fault = KIND COMMAND OCCURRENCE [DATA_INDEX]
bool ParseFault(std::string_view value, SFault* pFault, std::string* pMessage) {
  const std::vector<std::string_view> words = Words(value);
  const SNamedFault* pNamed = nullptr;
  for (const SNamedFault& named : kFaultNames) {
    if (!words.empty() && words[0] == named.name) pNamed = &named;
  }
  if (pNamed == nullptr) {
    *pMessage = "unknown fault kind: " + std::string(value);
    return false;
  }
  const bool bNeedsIndex = pNamed->kind == EFaultKind::CorruptData;
  if (words.size() != (bNeedsIndex ? 4u : 3u)) {
    *pMessage = bNeedsIndex ? "expected: corrupt_data COMMAND OCCURRENCE DATA_INDEX"
                            : "expected: " + std::string(pNamed->name) + " COMMAND OCCURRENCE";
    return false;
  }
  SFault fault{pNamed->kind, 0, 0, 0};
  if (!ParseCommand(words[1], &fault.nCommand)) {
    *pMessage = "not a command code: " + std::string(words[1]);
    return false;
  }
  if (!ParseNumber(words[2], &fault.nOccurrence) || fault.nOccurrence == 0) {
    *pMessage = "the occurrence counts from 1: " + std::string(words[2]);
    return false;
  }
  if (bNeedsIndex && (!ParseNumber(words[3], &fault.nDataIndex) || fault.nDataIndex >= kChunkSize)) {
    *pMessage = "a data index is 0 to 31: " + std::string(words[3]);
    return false;
  }
  *pFault = fault;
  return true;
}

struct SNamedBehaviour {
  std::string_view name;
  bool SInterfaceBehaviour::*pFlag;
};

constexpr SNamedBehaviour kBehaviourNames[] = {
    {"detail", &SInterfaceBehaviour::bDetailFails},
    {"attribute_open", &SInterfaceBehaviour::bAttributeOpenFails},
    {"attributes", &SInterfaceBehaviour::bAttributesFail},
    {"read_write_open", &SInterfaceBehaviour::bReadWriteOpenFails},
    {"preparsed_data", &SInterfaceBehaviour::bPreparsedDataFails},
    {"caps", &SInterfaceBehaviour::bCapsInvalid},
};

bool ParseBehaviours(std::string_view value, SInterfaceBehaviour* pBehaviour, std::string* pMessage) {
  const std::vector<std::string_view> words = Words(value);
  if (words.empty()) {
    *pMessage = "fails = needs at least one of detail, attribute_open, attributes, read_write_open, "
                "preparsed_data, caps";
    return false;
  }
  for (std::string_view word : words) {
    const SNamedBehaviour* pNamed = nullptr;
    for (const SNamedBehaviour& named : kBehaviourNames) {
      if (word == named.name) pNamed = &named;
    }
    if (pNamed == nullptr) {
      *pMessage = "unknown failing operation: " + std::string(word);
      return false;
    }
    pBehaviour->*(pNamed->pFlag) = true;
  }
  return true;
}

bool ParseDuration(std::string_view value, SScenarioInterface* pInterface, std::string* pMessage) {
  const std::vector<std::string_view> words = Words(value);
  std::pair<std::uint8_t, std::uint32_t> duration;
  if (words.size() != 2 || !ParseNumber(words[0], &duration.first) || !ParseNumber(words[1], &duration.second)) {
    *pMessage = "expected: busy = COMMAND MILLISECONDS";
    return false;
  }
  pInterface->commandDurations.push_back(duration);
  return true;
}

bool ParseKeyBlock(std::string_view value, SScenarioInterface* pInterface, std::string*) {
  if (value == "erased") {
    pInterface->bKeyBlockErased = true;
  } else {
    pInterface->keyBlockPath = value;
  }
  return true;
}

bool ParseFlash(std::string_view value, SScenarioInterface* pInterface, std::string*) {
  pInterface->flashImagePath = value == "erased" ? std::string() : std::string(value);
  return true;
}

using PfnGlobalKey = bool (*)(std::string_view, SScenario*, std::string*);
using PfnInterfaceKey = bool (*)(std::string_view, SScenarioInterface*, std::string*);

struct SGlobalKey {
  std::string_view name;
  PfnGlobalKey pfnApply;
};

struct SInterfaceKey {
  std::string_view name;
  EScope scope;
  PfnInterfaceKey pfnApply;
};

constexpr SGlobalKey kGlobalKeys[] = {
    {"trace", [](std::string_view value, SScenario* pScenario, std::string*) {
       pScenario->tracePath = value;
       return true;
     }},
    {"device_folder", [](std::string_view value, SScenario* pScenario, std::string*) {
       pScenario->deviceFolder = value;
       return true;
     }},
};

constexpr SInterfaceKey kInterfaceKeys[] = {
    {"vendor_id", EScope::Interface,
     [](std::string_view v, SScenarioInterface* p, std::string* m) { return ParseOptional(v, &p->nVendorID, m); }},
    {"product_id", EScope::Interface,
     [](std::string_view v, SScenarioInterface* p, std::string* m) { return ParseOptional(v, &p->nProductID, m); }},
    {"version", EScope::Interface,
     [](std::string_view v, SScenarioInterface* p, std::string* m) { return ParseOptional(v, &p->nVersionNumber, m); }},
    {"input_report_length", EScope::Interface,
     [](std::string_view v, SScenarioInterface* p, std::string* m) {
       return ParseOptional(v, &p->nInputReportLength, m);
     }},
    {"output_report_length", EScope::Interface,
     [](std::string_view v, SScenarioInterface* p, std::string* m) {
       return ParseOptional(v, &p->nOutputReportLength, m);
     }},
    {"feature_report_length", EScope::Interface,
     [](std::string_view v, SScenarioInterface* p, std::string* m) {
       return ParseOptional(v, &p->nFeatureReportLength, m);
     }},
    {"usage_page", EScope::Interface,
     [](std::string_view v, SScenarioInterface* p, std::string* m) { return ParseOptional(v, &p->nUsagePage, m); }},
    {"usage", EScope::Interface,
     [](std::string_view v, SScenarioInterface* p, std::string* m) { return ParseOptional(v, &p->nUsage, m); }},
    {"fails", EScope::Interface,
     [](std::string_view v, SScenarioInterface* p, std::string* m) { return ParseBehaviours(v, &p->behaviour, m); }},
    {"remove_after_ms", EScope::Interface,
     [](std::string_view v, SScenarioInterface* p, std::string* m) { return ParseOptional(v, &p->nRemoveAfter, m); }},
    {"attach_after_ms", EScope::Zentor,
     [](std::string_view v, SScenarioInterface* p, std::string* m) { return ParseOptional(v, &p->nAttachAfter, m); }},
    {"state", EScope::Zentor,
     [](std::string_view v, SScenarioInterface* p, std::string*) {
       p->statePath = v;
       return true;
     }},
    {"flash", EScope::Zentor, ParseFlash},
    {"key_block", EScope::Zentor, ParseKeyBlock},
    {"serial", EScope::Zentor,
     [](std::string_view v, SScenarioInterface* p, std::string* m) { return ParseOptional(v, &p->nSerial, m); }},
    {"erase_status", EScope::Zentor,
     [](std::string_view v, SScenarioInterface* p, std::string* m) { return ParseOptional(v, &p->nEraseStatus, m); }},
    {"busy", EScope::Zentor, ParseDuration},
    {"fault", EScope::Zentor,
     [](std::string_view v, SScenarioInterface* p, std::string* m) {
       SFault fault{};
       if (!ParseFault(v, &fault, m)) return false;
       p->faults.push_back(fault);
       return true;
     }},
};

bool ApplyLine(std::string_view key, std::string_view value, std::size_t nLine, SScenario* pScenario,
               std::string* pMessage) {
  if (key == "interface") {
    SScenarioInterface added;
    added.nLine = nLine;
    if (value == "zentor") {
      added.kind = EInterfaceKind::Zentor;
    } else if (value != "other") {
      *pMessage = "an interface is zentor or other: " + std::string(value);
      return false;
    }
    pScenario->interfaces.push_back(std::move(added));
    return true;
  }
  for (const SGlobalKey& global : kGlobalKeys) {
    if (key != global.name) continue;
    if (!pScenario->interfaces.empty()) {
      *pMessage = std::string(key) + " belongs before the first interface";
      return false;
    }
    return global.pfnApply(value, pScenario, pMessage);
  }
  for (const SInterfaceKey& local : kInterfaceKeys) {
    if (key != local.name) continue;
    if (pScenario->interfaces.empty()) {
      *pMessage = std::string(key) + " belongs to an interface: start one with interface =";
      return false;
    }
    SScenarioInterface& current = pScenario->interfaces.back();
    if (local.scope == EScope::Zentor && current.kind != EInterfaceKind::Zentor) {
      *pMessage = std::string(key) + " applies to a zentor interface only";
      return false;
    }
    return local.pfnApply(value, &current, pMessage);
  }
  *pMessage = "unknown key: " + std::string(key);
  return false;
}

}  // namespace

bool ParseScenario(std::string_view text, SScenario* pScenario, SScenarioError* pError) {
  std::size_t nLine = 0;
  while (!text.empty()) {
    ++nLine;
    const std::size_t nEnd = text.find('\n');
    const std::string_view line = Trim(text.substr(0, nEnd));
    text = nEnd == std::string_view::npos ? std::string_view() : text.substr(nEnd + 1);
    // No comments after a value: '#' belongs in paths.
    if (line.empty() || line[0] == '#') continue;
    const std::size_t nEquals = line.find('=');
    std::string message;
    if (nEquals == std::string_view::npos) {
      message = "expected key = value";
    } else if (ApplyLine(Trim(line.substr(0, nEquals)), Trim(line.substr(nEquals + 1)), nLine, pScenario,
                         &message)) {
      continue;
    }
    *pError = {nLine, message};
    return false;
  }
  for (const SScenarioInterface& added : pScenario->interfaces) {
    const int nKeyBlockSources = int(!added.keyBlockPath.empty()) + int(added.bKeyBlockErased) +
                                 int(added.nSerial.has_value());
    if (nKeyBlockSources > 1) {
      *pError = {added.nLine, "key_block and serial each decide the key block: give one of them"};
      return false;
    }
  }
  return true;
}

std::string ResolveScenarioPath(std::string_view folder, std::string_view value) {
  std::string path;
  const bool bHasDrive = value.size() >= 2 && value[1] == ':';
  const bool bRooted = !value.empty() && (value[0] == '\\' || value[0] == '/');
  if (!value.empty() && value[0] == '/') {
    path = "Z:";  // Wine's drive for the Unix root
  } else if (!bHasDrive && !bRooted) {
    path = folder;
  }
  path += value;
  for (char& character : path) {
    if (character == '/') character = '\\';
  }
  return path;
}

}  // namespace emu
