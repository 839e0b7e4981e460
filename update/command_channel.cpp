#include "command_channel.h"

#include <algorithm>

namespace {

constexpr std::size_t kCodeByte = 1;
constexpr std::size_t kStatusByte = 1;
constexpr std::size_t kAddressByte = 2;
constexpr std::size_t kDataByte = 9;

// Serial-flash instruction codes that the device's erase routine takes as
// parameters: write enable, enable write status register, read data, fast
// read, page program, read status register.
constexpr std::array<BYTE, 6> kEraseParameters = {0x06, 0x50, 0x03, 0x0B, 0x02, 0x05};

}  // namespace

CCommandChannel::CCommandChannel(CHidDevice& device) : m_device(device) {}

void CCommandChannel::WriteAddress(DWORD dwAddress) {
  m_command[kAddressByte] = static_cast<BYTE>(dwAddress >> 16);
  m_command[kAddressByte + 1] = static_cast<BYTE>(dwAddress >> 8);
  m_command[kAddressByte + 2] = static_cast<BYTE>(dwAddress);
}

EExchangeResult CCommandChannel::Exchange(BYTE nCode, DWORD dwWait) {
  // A report too short for the command layout would program truncated chunks;
  // nothing is sent to such a device.
  if (m_device.m_hDevice != INVALID_HANDLE_VALUE && m_device.m_nFeatureReportLength < kCommandReportLength) {
    return EExchangeResult::TransportFailure;
  }
  m_reply[0] = 0;
  m_command[0] = 0;
  m_command[kCodeByte] = nCode;
  if (!m_device.SendReport(m_command)) return EExchangeResult::TransportFailure;
  if (!m_device.WaitReply(m_reply, dwWait)) return EExchangeResult::TransportFailure;
  return m_reply[kStatusByte] == 0 ? EExchangeResult::ZeroStatus : EExchangeResult::NonzeroStatus;
}

EExchangeResult CCommandChannel::Handshake() { return Exchange(CMD_HANDSHAKE, kHandshakeWait); }

EExchangeResult CCommandChannel::Erase() {
  std::copy(kEraseParameters.begin(), kEraseParameters.end(), m_command.begin() + kDataByte);
  return Exchange(CMD_ERASE, kEraseWait);
}

EExchangeResult CCommandChannel::Program(BYTE nCode, DWORD dwPageAddress, std::span<const BYTE, kChunkSize> chunk) {
  // All eight chunks carry the page's address; the device places each chunk
  // by its command code and its order.
  WriteAddress(dwPageAddress & ~DWORD{0xFF});
  std::copy(chunk.begin(), chunk.end(), m_command.begin() + kDataByte);
  return Exchange(nCode, kProgramWait);
}

EExchangeResult CCommandChannel::Read(DWORD dwAddress, DWORD dwWait) {
  WriteAddress(dwAddress);
  return Exchange(CMD_READ, dwWait);
}

std::span<const BYTE, kChunkSize> CCommandChannel::ReplyData() const {
  return std::span<const BYTE, kChunkSize>(m_reply.data() + kDataByte, kChunkSize);
}

void CCommandChannel::DrainReads() {
  for (std::size_t i = 0; i < kDrainReads; ++i) {
    m_reply[0] = 0;
    m_command[0] = 0;
    m_device.ReadReport(m_reply);
  }
}
