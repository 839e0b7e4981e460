// The Zentor's programming commands and the exchange that carries each one:
// a command written as a feature report, then feature reads until the reply
// arrives or the command's wait has passed.
//
// Two 72-byte buffers serve a whole update run and are never cleared: each
// command writes only its own bytes, and every other byte goes out as an
// earlier command (or the buffer's initial zeros) left it. The device gives
// those bytes no meaning, but they are what it sees, so they are kept as they
// are.
#pragma once

#include <array>
#include <span>

#include "hid_device.h"
#include "platform_api.h"

inline constexpr BYTE CMD_HANDSHAKE = 0x21;
inline constexpr BYTE CMD_ERASE = 0x22;
inline constexpr BYTE CMD_PROGRAM_FIRST = 0x23;
inline constexpr BYTE CMD_PROGRAM_NEXT = 0x24;
inline constexpr BYTE CMD_PROGRAM_LAST = 0x25;
inline constexpr BYTE CMD_READ = 0x27;

// Waits in milliseconds, by use.
inline constexpr DWORD kHandshakeWait = 2000;
inline constexpr DWORD kKeyBlockReadWait = 3000;
inline constexpr DWORD kEraseWait = 5000;
inline constexpr DWORD kBlankCheckWait = 5000;
inline constexpr DWORD kProgramWait = 3000;
inline constexpr DWORD kVerifyWait = 3000;

inline constexpr std::size_t kReportBufferSize = 72;
// Bytes 0 to 40 carry the report ID, the code, the address and 32 data bytes;
// a shorter report would cut a chunk short.
inline constexpr std::size_t kCommandReportLength = 41;
inline constexpr std::size_t kChunkSize = 32;
inline constexpr std::size_t kDrainReads = 10;

enum class EExchangeResult { TransportFailure, ZeroStatus, NonzeroStatus };

class CCommandChannel {
 public:
  explicit CCommandChannel(CHidDevice& device);

  EExchangeResult Handshake();
  // Writes only the erase parameters: bytes 2 to 4 keep the last address sent.
  EExchangeResult Erase();
  // One chunk of the page at dwPageAddress, with CMD_PROGRAM_FIRST, _NEXT or _LAST.
  EExchangeResult Program(BYTE nCode, DWORD dwPageAddress, std::span<const BYTE, kChunkSize> chunk);
  // 32 bytes from dwAddress; they are in ReplyData() after a reply.
  EExchangeResult Read(DWORD dwAddress, DWORD dwWait);
  std::span<const BYTE, kChunkSize> ReplyData() const;

  // Ten reads before the first command, to take any report the device still
  // holds from an earlier session; their results do not matter.
  void DrainReads();

  const std::array<BYTE, kReportBufferSize>& CommandBuffer() const { return m_command; }

 private:
  void WriteAddress(DWORD dwAddress);
  EExchangeResult Exchange(BYTE nCode, DWORD dwWait);

  CHidDevice& m_device;
  std::array<BYTE, kReportBufferSize> m_command{};
  std::array<BYTE, kReportBufferSize> m_reply{};
};
