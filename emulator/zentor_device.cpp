#include "zentor_device.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace emu {

namespace {

// The erase parameters, six serial-flash instruction codes.
constexpr std::uint8_t kEraseParameters[6] = {0x06, 0x50, 0x03, 0x0B, 0x02, 0x05};

// Bytes of a report that a command's fields occupy.
constexpr std::uint32_t kAddressEnd = 5;    // bytes 2..4
constexpr std::uint32_t kDataOffset = 9;    // bytes 9..40
constexpr std::uint32_t kDataEnd = 41;

std::uint32_t g_nNextSerial = 1;

std::uint32_t NeededLength(std::uint8_t nCode) {
  switch (nCode) {
    case kCmdHandshake: return 2;
    case kCmdErase: return kDataOffset + sizeof kEraseParameters;
    case kCmdProgramFirst:
    case kCmdProgramNext:
    case kCmdProgramLast: return kDataEnd;
    case kCmdRead: return kAddressEnd;
    default: return 2;
  }
}

}  // namespace

CZentorDevice::CZentorDevice() : CZentorDevice(g_nNextSerial) {}

CZentorDevice::CZentorDevice(std::uint32_t nSerial) {
  g_nNextSerial = std::max(g_nNextSerial, nSerial + 1);
  m_ownFlash.assign(kFlashSize, 0xFF);
  m_pFlash = m_ownFlash.data();
  const std::vector<std::uint8_t> keyBlock = KeyBlock(nSerial);
  std::memcpy(m_pFlash + kKeyBlockAddress, keyBlock.data(), keyBlock.size());
  Init();
}

CZentorDevice::CZentorDevice(std::uint8_t* pExternalFlash) : m_pFlash(pExternalFlash) { Init(); }

void CZentorDevice::Init() {
  m_fnKill = [] { std::abort(); };
  PowerUp();
}

void CZentorDevice::PowerUp() {
  m_bHandshakeDone = false;
  m_nNextChunk = 0;
  m_reply.assign(std::max<std::uint32_t>(m_nFeatureReportLength, kDataEnd), 0);
  m_bReplyLost = false;
  m_nBusyFor = 0;
}

std::vector<std::uint8_t> CZentorDevice::KeyBlock(std::uint32_t nSerial) {
  // A small linear congruential generator: the same serial gives the same
  // block on every machine. Bytes are kept below 0xFF, so no chunk is blank.
  std::vector<std::uint8_t> block(kKeyBlockDeviceSize);
  std::uint32_t nState = 0x9E3779B9u ^ (nSerial * 0x85EBCA6Bu);
  for (std::uint8_t& byte : block) {
    nState = nState * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>((nState >> 24) % 0xFF);
  }
  return block;
}

std::uint8_t* CZentorDevice::Flash() { return m_pFlash; }
const std::uint8_t* CZentorDevice::Flash() const { return m_pFlash; }

void CZentorDevice::LoadFlash(const std::vector<std::uint8_t>& image) {
  const std::size_t nCopy = std::min<std::size_t>(image.size(), kFlashSize);
  if (nCopy != 0) std::memcpy(m_pFlash, image.data(), nCopy);
  std::memset(m_pFlash + nCopy, 0xFF, kFlashSize - nCopy);
}

std::vector<std::uint8_t> CZentorDevice::FlashCopy() const { return {m_pFlash, m_pFlash + kFlashSize}; }

void CZentorDevice::WriteFlash(std::uint32_t nAddress, const std::vector<std::uint8_t>& bytes) {
  if (nAddress >= kFlashSize) return;
  const std::size_t nCopy = std::min<std::size_t>(bytes.size(), kFlashSize - nAddress);
  if (nCopy != 0) std::memcpy(m_pFlash + nAddress, bytes.data(), nCopy);
}

std::vector<std::uint8_t> CZentorDevice::ReadFlash(std::uint32_t nAddress, std::uint32_t nLength) const {
  if (nAddress >= kFlashSize) return {};
  nLength = std::min(nLength, kFlashSize - nAddress);
  return {m_pFlash + nAddress, m_pFlash + nAddress + nLength};
}

void CZentorDevice::SetFeatureReportLength(std::uint16_t nLength) {
  m_nFeatureReportLength = nLength;
  m_reply.resize(std::max<std::uint32_t>(nLength, kDataEnd), 0);
}

std::uint16_t CZentorDevice::FeatureReportLength() const { return m_nFeatureReportLength; }
void CZentorDevice::SetEraseReplyStatus(std::uint8_t nStatus) { m_nEraseReplyStatus = nStatus; }

void CZentorDevice::SetCommandDuration(std::uint8_t nCommand, std::uint32_t nMilliseconds) {
  m_commandDuration[nCommand] = nMilliseconds;
}

void CZentorDevice::AddFault(const SFault& fault) { m_faults.push_back({fault}); }
void CZentorDevice::ClearFaults() { m_faults.clear(); }
void CZentorDevice::SetKillHandler(std::function<void()> fnKill) { m_fnKill = std::move(fnKill); }

void CZentorDevice::Record(STraceEntry::EKind kind, std::uint32_t nNow, bool bOk, const std::uint8_t* pBytes,
                           std::uint32_t nLength) {
  if (!m_bTraceEnabled) return;
  STraceEntry entry{kind, nNow, bOk, {}};
  if (pBytes != nullptr) entry.bytes.assign(pBytes, pBytes + nLength);
  m_trace.push_back(std::move(entry));
}

bool CZentorDevice::SetFeature(const std::uint8_t* pReport, std::uint32_t nLength, std::uint32_t nNow) {
  ++m_nSendCount;
  // The HID class driver refuses a buffer that is not exactly the feature
  // report length, and a report ID that the device does not declare (only 0).
  if (!m_bPresent || pReport == nullptr || nLength != m_nFeatureReportLength || nLength < 2 ||
      pReport[0] != 0) {
    Record(STraceEntry::EKind::Send, nNow, false, pReport, pReport != nullptr ? nLength : 0);
    return false;
  }

  const std::uint8_t nCode = pReport[1];
  ++m_nCommandsTotal;
  ++m_commandCount[nCode];
  bool bNoReply = false;
  bool bZeroStatus = false;
  std::vector<std::uint32_t> corruptIndices;
  for (SArmedFault& armed : m_faults) {
    const SFault& fault = armed.fault;
    if (armed.bFired) continue;
    const std::size_t nSeen = fault.nCommand == 0 ? m_nCommandsTotal : m_commandCount[nCode];
    if ((fault.nCommand != 0 && fault.nCommand != nCode) || nSeen != fault.nOccurrence) continue;
    armed.bFired = true;
    switch (fault.kind) {
      case EFaultKind::Kill:
        Record(STraceEntry::EKind::Send, nNow, false, pReport, nLength);
        m_fnKill();
        return false;  // the hook chose not to end the process
      case EFaultKind::SendFails:
        Record(STraceEntry::EKind::Send, nNow, false, pReport, nLength);
        return false;
      case EFaultKind::Unplug:
        Record(STraceEntry::EKind::Send, nNow, false, pReport, nLength);
        SetPresent(false);
        return false;
      case EFaultKind::NoReply: bNoReply = true; break;
      case EFaultKind::ZeroStatus: bZeroStatus = true; break;
      case EFaultKind::CorruptData: corruptIndices.push_back(fault.nDataIndex % kChunkSize); break;
    }
  }
  Record(STraceEntry::EKind::Send, nNow, true, pReport, nLength);

  std::fill(m_reply.begin(), m_reply.end(), 0);
  if (bZeroStatus) {
    // No effect; a read answers with its data all the same, so that a host
    // that judges only the data is caught.
    if (nCode == kCmdRead && m_bHandshakeDone && nLength >= kAddressEnd) {
      const std::uint32_t nAddress = (pReport[2] << 16) | (pReport[3] << 8) | pReport[4];
      if (nAddress + kChunkSize <= kFlashSize) std::memcpy(&m_reply[kDataOffset], m_pFlash + nAddress, kChunkSize);
    }
    m_reply[1] = 0;
  } else {
    m_reply[1] = Execute(pReport, nLength);
  }
  for (std::uint32_t nIndex : corruptIndices) m_reply[kDataOffset + nIndex] ^= 0xFF;
  m_bReplyLost = bNoReply;
  m_nCommandTime = nNow;
  m_nBusyFor = m_commandDuration[nCode];
  return true;
}

std::uint8_t CZentorDevice::Execute(const std::uint8_t* pCommand, std::uint32_t nLength) {
  const std::uint8_t nCode = pCommand[1];
  if (nLength < NeededLength(nCode)) return 0;
  if (nCode == kCmdHandshake) {
    m_bHandshakeDone = true;
    m_nNextChunk = 0;
    return 1;
  }
  if (!m_bHandshakeDone) return 0;
  const std::uint32_t nAddress =
      nLength >= kAddressEnd ? (pCommand[2] << 16) | (pCommand[3] << 8) | pCommand[4] : 0;
  switch (nCode) {
    case kCmdErase:
      m_nNextChunk = 0;
      if (std::memcmp(pCommand + kDataOffset, kEraseParameters, sizeof kEraseParameters) != 0) return 0;
      std::memset(m_pFlash, 0xFF, kFlashSize);
      ++m_nEraseCount;
      return m_nEraseReplyStatus;
    case kCmdProgramFirst:
    case kCmdProgramNext:
    case kCmdProgramLast:
      return Program(nCode, nAddress, pCommand + kDataOffset);
    case kCmdRead:
      if (nAddress + kChunkSize > kFlashSize) return 0;
      std::memcpy(&m_reply[kDataOffset], m_pFlash + nAddress, kChunkSize);
      return 1;
    default:
      return 0;
  }
}

std::uint8_t CZentorDevice::Program(std::uint8_t nCode, std::uint32_t nAddress, const std::uint8_t* pChunk) {
  const bool bAddressOk = nAddress % kPageSize == 0 && nAddress < kFlashSize;
  bool bInOrder = false;
  if (nCode == kCmdProgramFirst) {
    bInOrder = m_nNextChunk == 0;
  } else {
    const bool bChunkFits = nCode == kCmdProgramNext ? (m_nNextChunk >= 1 && m_nNextChunk <= 6) : m_nNextChunk == 7;
    bInOrder = bChunkFits && nAddress == m_nPageAddress;
  }
  if (!bAddressOk || !bInOrder) {
    m_nNextChunk = 0;  // the page in progress is dropped: nothing of it is written
    return 0;
  }
  m_nPageAddress = nAddress;
  std::memcpy(&m_page[m_nNextChunk * kChunkSize], pChunk, kChunkSize);
  if (nCode != kCmdProgramLast) {
    ++m_nNextChunk;
    return 1;
  }
  // NOR flash: programming can only clear bits.
  bool bConflict = false;
  for (std::uint32_t i = 0; i < kPageSize; ++i) {
    std::uint8_t& cell = m_pFlash[nAddress + i];
    if ((cell & m_page[i]) != m_page[i]) bConflict = true;
    cell &= m_page[i];
  }
  m_nNextChunk = 0;
  ++m_nProgrammedPages;
  if (bConflict) ++m_nProgramConflicts;
  return 1;
}

bool CZentorDevice::GetFeature(std::uint8_t* pReport, std::uint32_t nLength, std::uint32_t nNow) {
  ++m_nReadCount;
  const bool bRefused = !m_bPresent || pReport == nullptr || nLength != m_nFeatureReportLength || pReport[0] != 0;
  // Busy: the reply is not ready until the command's time has passed
  // (modulo 2^32, like the tick counter).
  const bool bNotReady = m_bReplyLost || (m_nBusyFor != 0 && nNow - m_nCommandTime < m_nBusyFor);
  if (bRefused || bNotReady) {
    Record(STraceEntry::EKind::Read, nNow, false, nullptr, 0);
    return false;
  }
  m_nBusyFor = 0;
  std::memcpy(pReport, m_reply.data(), nLength);
  Record(STraceEntry::EKind::Read, nNow, true, pReport, nLength);
  return true;
}

bool CZentorDevice::IsPresent() const { return m_bPresent; }

void CZentorDevice::SetPresent(bool bPresent) {
  if (bPresent && !m_bPresent) {
    ++m_nPlugCount;
    PowerUp();
  }
  m_bPresent = bPresent;
}

std::uint32_t CZentorDevice::PlugCount() const { return m_nPlugCount; }
const std::vector<STraceEntry>& CZentorDevice::Trace() const { return m_trace; }
void CZentorDevice::ClearTrace() { m_trace.clear(); }
void CZentorDevice::SetTraceEnabled(bool bEnabled) { m_bTraceEnabled = bEnabled; }
std::size_t CZentorDevice::SendCount() const { return m_nSendCount; }
std::size_t CZentorDevice::ReadCount() const { return m_nReadCount; }
std::size_t CZentorDevice::CommandCount(std::uint8_t nCommand) const { return m_commandCount[nCommand]; }
bool CZentorDevice::IsHandshakeDone() const { return m_bHandshakeDone; }
std::size_t CZentorDevice::ProgrammedPageCount() const { return m_nProgrammedPages; }
std::size_t CZentorDevice::ProgramConflictCount() const { return m_nProgramConflicts; }
std::size_t CZentorDevice::EraseCount() const { return m_nEraseCount; }

}  // namespace emu
