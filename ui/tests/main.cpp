#include <cstdio>

#include "check.h"

namespace {

int g_nChecks = 0;
int g_nFailures = 0;

}  // namespace

void Check(bool bCondition, const char* pszWhat, std::source_location where) {
  ++g_nChecks;
  if (!bCondition) {
    ++g_nFailures;
    std::printf("%s:%u: failed: %s\n", where.file_name(), static_cast<unsigned>(where.line()),
                pszWhat);
  }
}

int main() {
  RunGeometryTests();
  RunFrameworkTests();
  RunDialogTests();
  RunHidLoaderTests();
  std::printf("%d checks, %d failed\n", g_nChecks, g_nFailures);
  return g_nFailures == 0 ? 0 : 1;
}
