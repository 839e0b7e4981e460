// The few checks the emulation's self-test needs: a failed check prints where
// and what, and the process's failures are counted for its exit code.
#pragma once

#include <cstddef>
#include <string>

namespace emu_test {

std::size_t FailureCount();
void ReportFailure(const char* pszFile, int nLine, const std::string& what);

}  // namespace emu_test

#define CHECK(condition) \
  ((condition) ? (void)0 : ::emu_test::ReportFailure(__FILE__, __LINE__, #condition))

// Also prints both values, which must be printable as unsigned long long.
#define CHECK_EQUAL(expected, actual)                                                                     \
  (((expected) == (actual))                                                                               \
       ? (void)0                                                                                          \
       : ::emu_test::ReportFailure(__FILE__, __LINE__,                                                    \
                                   std::string(#expected " == " #actual ": ") +                           \
                                       std::to_string(static_cast<unsigned long long>(expected)) + " != " + \
                                       std::to_string(static_cast<unsigned long long>(actual))))
