// The trace of what a process does with the emulated devices: one text line
// per event, appended to a file that the tests read (format: README.md).
//
// Lines go through a mapped view that grows in steps, so a line costs a copy
// and no system call, and a process that is killed leaves every line up to the
// moment it died. Such a file ends in zero bytes up to the end of the step;
// the next process continues at the last line, and readers skip the zeros.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "mapped_file.h"

namespace emu {

class CTraceLog {
 public:
  static constexpr std::size_t kNoInterface = static_cast<std::size_t>(-1);  // written as "-"

  CTraceLog() = default;
  ~CTraceLog();
  CTraceLog(const CTraceLog&) = delete;
  CTraceLog& operator=(const CTraceLog&) = delete;

  bool Open(const std::wstring& path);
  bool IsOpen() const;
  // "<tick> <interface> <text>" as one line.
  void Event(std::uint32_t nTick, std::size_t nInterface, std::string_view text);
  // A program polls for a reply without pause: consecutive failed reads of
  // one interface with one error become a single line, written when the run
  // of failures ends.
  void FailedRead(std::uint32_t nTick, std::size_t nInterface, std::uint32_t nError);
  // Writes what is pending and cuts the file after the last line.
  void Close();

 private:
  struct SFailedReads {
    std::size_t nCount = 0;
    std::uint32_t nFirstTick = 0;
    std::size_t nInterface = kNoInterface;
    std::uint32_t nError = 0;
  };

  void WriteFailedReads();
  void Append(std::string_view text);
  bool Reserve(std::size_t nMore);

  CMappedFile m_file;
  std::size_t m_nLength = 0;
  SFailedReads m_failedReads;
};

}  // namespace emu
