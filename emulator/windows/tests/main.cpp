// The emulated DLLs' self-test, run under Wine with the DLLs installed in the
// prefix. Without arguments it runs everything and exits with the number of
// failed checks; "walk NAME" is a child's part of a case.
#include <cstdio>
#include <cstring>
#include <string>

#include "checks.h"
#include "self_test.h"

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "walk") == 0) {
    if (!emu_test::RunWalk(argv[2])) emu_test::ReportFailure(__FILE__, __LINE__, std::string("no walk ") + argv[2]);
    return static_cast<int>(emu_test::FailureCount());
  }
  emu_test::RunScenarioTests();
  std::printf("%s scenario parser\n", emu_test::FailureCount() == 0 ? "passed" : "FAILED");
  emu_test::RunDllCases();
  std::printf("%zu failed checks\n", emu_test::FailureCount());
  return static_cast<int>(emu_test::FailureCount());
}
