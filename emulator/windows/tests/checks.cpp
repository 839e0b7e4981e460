#include "checks.h"

#include <cstdio>

namespace emu_test {

namespace {
std::size_t g_nFailures = 0;
}

std::size_t FailureCount() { return g_nFailures; }

void ReportFailure(const char* pszFile, int nLine, const std::string& what) {
  ++g_nFailures;
  std::printf("FAILED %s:%d: %s\n", pszFile, nLine, what.c_str());
  std::fflush(stdout);
}

}  // namespace emu_test
