#include "trace_log.h"

#include <cstdio>
#include <cstring>

namespace emu {

namespace {

// A full update writes about ten megabytes; a few steps of this size keep the
// number of remappings small.
constexpr std::size_t kGrowthStep = 4 * 1024 * 1024;

}  // namespace

CTraceLog::~CTraceLog() { Close(); }

bool CTraceLog::Open(const std::wstring& path) {
  Close();
  if (!m_file.Open(path)) return false;
  const std::uint64_t nSize = m_file.SizeAtOpen();
  if (nSize > 0 && m_file.Map(static_cast<std::size_t>(nSize))) {
    // A killed process left zeros after its last line.
    std::size_t nLength = static_cast<std::size_t>(nSize);
    while (nLength > 0 && m_file.Data()[nLength - 1] == 0) --nLength;
    m_nLength = nLength;
  }
  if (!Reserve(kGrowthStep)) {
    m_file.Close();
    return false;
  }
  return true;
}

bool CTraceLog::IsOpen() const { return m_file.Data() != nullptr; }

void CTraceLog::Event(std::uint32_t nTick, std::size_t nInterface, std::string_view text) {
  if (!IsOpen()) return;
  WriteFailedReads();
  char prefix[48];
  const int nPrefix = nInterface == kNoInterface
                          ? std::snprintf(prefix, sizeof prefix, "%lu - ", static_cast<unsigned long>(nTick))
                          : std::snprintf(prefix, sizeof prefix, "%lu %zu ", static_cast<unsigned long>(nTick),
                                          nInterface);
  Append({prefix, static_cast<std::size_t>(nPrefix)});
  Append(text);
  Append("\n");
}

void CTraceLog::FailedRead(std::uint32_t nTick, std::size_t nInterface, std::uint32_t nError) {
  if (!IsOpen()) return;
  if (m_failedReads.nCount > 0 &&
      (m_failedReads.nInterface != nInterface || m_failedReads.nError != nError)) {
    WriteFailedReads();
  }
  if (m_failedReads.nCount == 0) m_failedReads = {0, nTick, nInterface, nError};
  ++m_failedReads.nCount;
}

void CTraceLog::WriteFailedReads() {
  if (m_failedReads.nCount == 0) return;
  const SFailedReads failed = m_failedReads;
  m_failedReads = {};
  char text[64];
  const int nText = std::snprintf(text, sizeof text, "get fail error=%lu count=%zu",
                                  static_cast<unsigned long>(failed.nError), failed.nCount);
  Event(failed.nFirstTick, failed.nInterface, {text, static_cast<std::size_t>(nText)});
}

void CTraceLog::Append(std::string_view text) {
  if (!Reserve(text.size())) return;
  std::memcpy(m_file.Data() + m_nLength, text.data(), text.size());
  m_nLength += text.size();
}

bool CTraceLog::Reserve(std::size_t nMore) {
  if (m_file.Data() != nullptr && m_nLength + nMore <= m_file.Size()) return true;
  const std::size_t nNeeded = m_nLength + nMore;
  return m_file.Map((nNeeded / kGrowthStep + 1) * kGrowthStep);
}

void CTraceLog::Close() {
  if (!IsOpen()) return;
  WriteFailedReads();
  m_file.Truncate(m_nLength);
  m_file.Close();
  m_nLength = 0;
}

}  // namespace emu
