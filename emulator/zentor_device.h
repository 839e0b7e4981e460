// A software model of the Zentor's programming interface: its 2 MiB serial
// flash and the commands it answers over HID feature reports, with fault
// injection and a trace of every transfer. Plain standard C++: the same model
// serves the native tests and the Windows HID stack emulation.
//
// The model, command by command (byte 1 of a command is its code, bytes 2..4
// a big-endian flash address):
//   0x21 handshake      always status 1; arms the other commands and drops a
//                        page in progress.
//   0x22 erase          bytes 9..14 must be 06 50 03 0B 02 05: the whole flash
//                        becomes 0xFF, status = SetEraseReplyStatus (default 1;
//                        0 models "erased, not confirmed"). Other parameters:
//                        status 0, nothing erased.
//   0x23/0x24/0x25      PROGRAM_FIRST, NEXT x6, LAST: chunk c of a page in
//                        bytes 9..40, all eight at the page address (byte 4 =
//                        0). LAST writes the page as NOR flash does: flash &=
//                        data (bits only clear). A chunk out of order, an
//                        address change within the page, an unaligned or out
//                        of range address: status 0, the page in progress is
//                        dropped, nothing is written.
//   0x27 read           32 bytes from the address into reply bytes 9..40;
//                        address + 32 beyond the flash: status 0, no data.
//   anything else       status 0. Every command but the handshake also gets
//                        status 0, with no effect, until a handshake came.
// A command whose fields do not fit in the feature report length gets status 0.
// Replies: byte 0 report ID 0, byte 1 status, bytes 9..40 data, the rest 0.
// A transfer whose length is not the feature report length, or whose byte 0
// is not report ID 0, fails (the HID class driver refuses it); so does every
// transfer while the device is unplugged. A read succeeds with the reply to
// the last command once the command's busy time has passed, and then goes on
// returning that same reply until the next command; before any command it
// returns an all-zero report.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace emu {

inline constexpr std::uint32_t kFlashSize = 0x200000;
inline constexpr std::uint32_t kPageSize = 256;
inline constexpr std::uint32_t kChunkSize = 32;
inline constexpr std::uint32_t kKeyBlockAddress = 0xF000;
inline constexpr std::uint32_t kKeyBlockSize = 512;
// The part of the key block that the device holds and the host reads (13 x 32).
inline constexpr std::uint32_t kKeyBlockDeviceSize = 416;
inline constexpr std::uint16_t kDefaultFeatureReportLength = 65;

inline constexpr std::uint8_t kCmdHandshake = 0x21;
inline constexpr std::uint8_t kCmdErase = 0x22;
inline constexpr std::uint8_t kCmdProgramFirst = 0x23;
inline constexpr std::uint8_t kCmdProgramNext = 0x24;
inline constexpr std::uint8_t kCmdProgramLast = 0x25;
inline constexpr std::uint8_t kCmdRead = 0x27;

enum class EFaultKind {
  NoReply,      // the command is carried out, but every read of its reply fails
                // (until the next command)
  ZeroStatus,   // the reply to the matched command has status 0 and the command
                // has no effect; a read still carries its 32 data bytes
  CorruptData,  // the reply's data byte m_nDataIndex (0..31) is inverted
  Unplug,       // the device is gone from the matched command on: every transfer fails
  SendFails,    // the matched command's SetFeature fails; the device never sees it
  Kill,         // the host process dies as the matched command arrives (the
                // platform's kill hook runs; the device never sees the command;
                // if the hook returns, the SetFeature fails)
};

struct SFault {
  EFaultKind kind;
  std::uint8_t nCommand;       // command code to match; 0 matches every command
  std::uint32_t nOccurrence;   // 1-based: the Nth command of that code (or Nth command at all)
  std::uint32_t nDataIndex = 0;
};

struct STraceEntry {
  enum class EKind { Send, Read } kind;
  std::uint32_t nTime;               // virtual tick count at the transfer
  bool bOk;                          // the transfer's result
  std::vector<std::uint8_t> bytes;   // the report as sent, or as read (empty when the read failed)
};

class CZentorDevice {
 public:
  // Flash erased (0xFF) apart from a device-unique key block: the first
  // kKeyBlockDeviceSize bytes at kKeyBlockAddress hold KeyBlock(nSerial).
  // Every constructed device gets the next serial unless one is given.
  CZentorDevice();
  explicit CZentorDevice(std::uint32_t nSerial);
  // A model whose flash lives in storage that the caller owns (kFlashSize
  // bytes), for example memory shared with a child process that may be
  // killed. Its content is left as it is.
  explicit CZentorDevice(std::uint8_t* pExternalFlash);
  CZentorDevice(const CZentorDevice&) = delete;
  CZentorDevice& operator=(const CZentorDevice&) = delete;

  // A deterministic, never blank key block of kKeyBlockDeviceSize bytes.
  static std::vector<std::uint8_t> KeyBlock(std::uint32_t nSerial);

  // Flash content, kFlashSize bytes.
  std::uint8_t* Flash();
  const std::uint8_t* Flash() const;
  // Sets the flash to a copy of the image; bytes beyond the image read 0xFF.
  void LoadFlash(const std::vector<std::uint8_t>& image);
  std::vector<std::uint8_t> FlashCopy() const;
  // Writes bytes at an address, as they are (no AND): test set-up.
  void WriteFlash(std::uint32_t nAddress, const std::vector<std::uint8_t>& bytes);
  std::vector<std::uint8_t> ReadFlash(std::uint32_t nAddress, std::uint32_t nLength) const;

  void SetFeatureReportLength(std::uint16_t nLength);
  std::uint16_t FeatureReportLength() const;
  // Status byte of the erase reply (default 1: erase confirmed; 0: the flash
  // is erased all the same, but the reply does not say so).
  void SetEraseReplyStatus(std::uint8_t nStatus);
  // Virtual milliseconds a command keeps the device busy; reads fail until
  // they have passed since the command arrived. Default 0 for every code.
  void SetCommandDuration(std::uint8_t nCommand, std::uint32_t nMilliseconds);
  void AddFault(const SFault& fault);
  void ClearFaults();
  // What Kill faults call; by default std::abort. The HID stack routes it to
  // the platform's kill hook when the device is added to it.
  void SetKillHandler(std::function<void()> fnKill);

  // Transport, as the HID stack calls it. nNow is the virtual tick count.
  bool SetFeature(const std::uint8_t* pReport, std::uint32_t nLength, std::uint32_t nNow);
  bool GetFeature(std::uint8_t* pReport, std::uint32_t nLength, std::uint32_t nNow);

  // Unplugging drops every transfer; plugging in again is a power-up: no
  // handshake yet, no page in progress, an all-zero last reply. Handles
  // opened before the unplug stay dead (see PlugCount).
  bool IsPresent() const;
  void SetPresent(bool bPresent);
  // How many times the device has been plugged in (1 after construction).
  std::uint32_t PlugCount() const;

  const std::vector<STraceEntry>& Trace() const;
  void ClearTrace();
  void SetTraceEnabled(bool bEnabled);  // default on; off for long benchmarks
  // SetFeature and GetFeature calls that reached the device, whatever their result.
  std::size_t SendCount() const;
  std::size_t ReadCount() const;
  // Commands of a code that the device received (faulted ones included).
  std::size_t CommandCount(std::uint8_t nCommand) const;
  bool IsHandshakeDone() const;
  // Pages written by PROGRAM_LAST, and how many of them asked for a bit to go
  // from 0 to 1 (a page programmed without an erase: the flash keeps the 0).
  std::size_t ProgrammedPageCount() const;
  std::size_t ProgramConflictCount() const;
  std::size_t EraseCount() const;

 private:
  struct SArmedFault {
    SFault fault;
    bool bFired = false;
  };

  void Init();
  void PowerUp();
  void Record(STraceEntry::EKind kind, std::uint32_t nNow, bool bOk, const std::uint8_t* pBytes,
              std::uint32_t nLength);
  // Carries out a command; returns the status and fills m_reply's data bytes.
  std::uint8_t Execute(const std::uint8_t* pCommand, std::uint32_t nLength);
  std::uint8_t Program(std::uint8_t nCode, std::uint32_t nAddress, const std::uint8_t* pChunk);

  std::vector<std::uint8_t> m_ownFlash;
  std::uint8_t* m_pFlash = nullptr;
  std::uint16_t m_nFeatureReportLength = kDefaultFeatureReportLength;
  std::uint8_t m_nEraseReplyStatus = 1;
  std::array<std::uint32_t, 256> m_commandDuration{};
  std::vector<SArmedFault> m_faults;
  std::function<void()> m_fnKill;

  bool m_bPresent = true;
  std::uint32_t m_nPlugCount = 1;
  bool m_bHandshakeDone = false;
  // Page in progress: the next chunk expected (0 = none in progress).
  std::uint32_t m_nNextChunk = 0;
  std::uint32_t m_nPageAddress = 0;
  std::array<std::uint8_t, kPageSize> m_page{};
  // Last reply, at least 41 bytes; reads return its first nLength bytes.
  std::vector<std::uint8_t> m_reply;
  bool m_bReplyLost = false;
  std::uint32_t m_nCommandTime = 0;
  std::uint32_t m_nBusyFor = 0;

  std::vector<STraceEntry> m_trace;
  bool m_bTraceEnabled = true;
  std::size_t m_nSendCount = 0;
  std::size_t m_nReadCount = 0;
  std::size_t m_nCommandsTotal = 0;
  std::array<std::size_t, 256> m_commandCount{};
  std::size_t m_nProgrammedPages = 0;
  std::size_t m_nProgramConflicts = 0;
  std::size_t m_nEraseCount = 0;
};

}  // namespace emu
