// A software model of the Zentor's programming interface: its 2 MiB serial
// flash and the commands it answers over HID feature reports, with fault
// injection and a trace of every transfer. Plain standard C++: the same model
// serves the native tests and the Windows HID stack emulation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace emu {

inline constexpr std::uint32_t kFlashSize = 0x200000;
inline constexpr std::uint32_t kKeyBlockAddress = 0xF000;
inline constexpr std::uint32_t kKeyBlockSize = 512;
inline constexpr std::uint16_t kDefaultFeatureReportLength = 65;

enum class EFaultKind {
  NoReply,      // every read of the reply to the matched command fails
  ZeroStatus,   // the reply to the matched command has status 0 (and the command has no effect)
  CorruptData,  // the reply's data byte m_nDataIndex (0..31) is inverted
  Unplug,       // the device is gone from the matched command on: every transfer fails
  SendFails,    // the matched command's SetFeature fails; the device never sees it
  Kill,         // the host process dies as the matched command arrives (the
                // platform's kill hook runs; the device never sees the command)
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
  CZentorDevice();
  // A model whose flash lives in storage that the caller owns (kFlashSize
  // bytes), for example memory shared with a child process that may be killed.
  explicit CZentorDevice(std::uint8_t* pExternalFlash);

  // Flash content, kFlashSize bytes, erased (0xFF) at construction unless
  // the storage is external.
  std::uint8_t* Flash();
  const std::uint8_t* Flash() const;
  // Sets the flash to a copy of the image (kFlashSize bytes).
  void LoadFlash(const std::vector<std::uint8_t>& image);
  std::vector<std::uint8_t> FlashCopy() const;

  void SetFeatureReportLength(std::uint16_t nLength);
  std::uint16_t FeatureReportLength() const;
  // Status byte of the erase reply (default nonzero: erase confirmed).
  void SetEraseReplyStatus(std::uint8_t nStatus);
  // Virtual milliseconds a command keeps the device busy; reads fail until then.
  void SetCommandDuration(std::uint8_t nCommand, std::uint32_t nMilliseconds);
  void AddFault(const SFault& fault);
  void ClearFaults();

  // Transport, as the HID stack calls it. nNow is the virtual tick count.
  bool SetFeature(const std::uint8_t* pReport, std::uint32_t nLength, std::uint32_t nNow);
  bool GetFeature(std::uint8_t* pReport, std::uint32_t nLength, std::uint32_t nNow);

  bool IsPresent() const;
  void SetPresent(bool bPresent);

  const std::vector<STraceEntry>& Trace() const;
  void ClearTrace();
  std::size_t SendCount() const;
  std::size_t ReadCount() const;
};

}  // namespace emu
