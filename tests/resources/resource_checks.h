// Checks of a built program's resources against what the program must carry.
// Each check adds one line per difference to the log, naming what it found
// and what it expected.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "pe_image.h"
#include "resource_formats.h"

class CCheckLog {
 public:
  void Fail(std::string what) { m_failures.push_back(std::move(what)); }
  bool ok() const { return m_failures.empty(); }
  const std::vector<std::string>& failures() const { return m_failures; }

 private:
  std::vector<std::string> m_failures;
};

enum class EArchitecture { kX86, kX64 };

bool ParseArchitecture(std::string_view text, EArchitecture& architecture);

void CheckMachine(const CPeImage& image, EArchitecture architecture, CCheckLog& log);
// Exactly the program's resources, each once and in its language.
void CheckResourceSet(const CPeImage& image, CCheckLog& log);
void CheckStringTable(const CPeImage& image, CCheckLog& log);
void CheckDialogs(const CPeImage& image, CCheckLog& log);
void CheckIcons(const CPeImage& image, CCheckLog& log);
void CheckVersion(const CPeImage& image, CCheckLog& log);
void CheckManifest(const CPeImage& image, EArchitecture architecture, CCheckLog& log);
void CheckFirmware(const CPeImage& image, Bytes firmware, CCheckLog& log);

void CheckProgramResources(const CPeImage& image, EArchitecture architecture, Bytes firmware, CCheckLog& log);
