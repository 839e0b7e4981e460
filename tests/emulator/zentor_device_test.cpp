// The emulated Zentor on its own: the command model that the core's tests
// rely on, driven report by report.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "zentor_device.h"

namespace {

using emu::CZentorDevice;
using Report = std::vector<std::uint8_t>;

constexpr std::uint32_t kLength = emu::kDefaultFeatureReportLength;
constexpr std::uint8_t kEraseParameters[6] = {0x06, 0x50, 0x03, 0x0B, 0x02, 0x05};

Report Command(std::uint8_t nCode, std::uint32_t nAddress = 0, const std::uint8_t* pData = nullptr,
               std::uint32_t nLength = kLength) {
  Report report(nLength, 0xA5);  // left-over bytes: the protocol gives them no meaning
  report[0] = 0;
  report[1] = nCode;
  report[2] = static_cast<std::uint8_t>(nAddress >> 16);
  report[3] = static_cast<std::uint8_t>(nAddress >> 8);
  report[4] = static_cast<std::uint8_t>(nAddress);
  if (pData != nullptr) std::memcpy(&report[9], pData, 32);
  if (nCode == emu::kCmdErase) std::memcpy(&report[9], kEraseParameters, sizeof kEraseParameters);
  return report;
}

// One exchange: send, then read the reply at the same virtual time.
struct SReply {
  bool bSent;
  bool bRead;
  Report bytes;
  std::uint8_t Status() const { return bytes.size() > 1 ? bytes[1] : 0xEE; }
};

SReply Exchange(CZentorDevice& device, const Report& command, std::uint32_t nNow = 0) {
  SReply reply{device.SetFeature(command.data(), static_cast<std::uint32_t>(command.size()), nNow), false,
               Report(command.size(), 0)};
  reply.bRead = device.GetFeature(reply.bytes.data(), static_cast<std::uint32_t>(reply.bytes.size()), nNow);
  return reply;
}

std::uint8_t Status(CZentorDevice& device, const Report& command) { return Exchange(device, command).Status(); }

void Handshake(CZentorDevice& device) { ASSERT_EQ(Status(device, Command(emu::kCmdHandshake)), 1); }

std::vector<std::uint8_t> PageData(std::uint8_t nSeed) {
  std::vector<std::uint8_t> page(emu::kPageSize);
  for (std::size_t i = 0; i < page.size(); ++i) page[i] = static_cast<std::uint8_t>(nSeed + i * 7);
  return page;
}

// Sends the eight chunks of a page; returns the eight statuses.
std::vector<std::uint8_t> ProgramPage(CZentorDevice& device, std::uint32_t nAddress,
                                      const std::vector<std::uint8_t>& page) {
  std::vector<std::uint8_t> statuses;
  for (std::uint32_t c = 0; c < 8; ++c) {
    const std::uint8_t nCode = c == 0 ? emu::kCmdProgramFirst : c == 7 ? emu::kCmdProgramLast : emu::kCmdProgramNext;
    statuses.push_back(Status(device, Command(nCode, nAddress, &page[c * 32])));
  }
  return statuses;
}

TEST(ZentorDevice, NewDeviceIsBlankApartFromItsOwnKeyBlock) {
  CZentorDevice first;
  CZentorDevice second;
  const auto keyBlock = first.ReadFlash(emu::kKeyBlockAddress, emu::kKeyBlockDeviceSize);
  EXPECT_NE(keyBlock, second.ReadFlash(emu::kKeyBlockAddress, emu::kKeyBlockDeviceSize));
  for (std::uint32_t c = 0; c < 13; ++c) {
    const std::vector<std::uint8_t> chunk(keyBlock.begin() + c * 32, keyBlock.begin() + c * 32 + 32);
    EXPECT_NE(chunk, std::vector<std::uint8_t>(32, 0xFF)) << "chunk " << c;
  }
  EXPECT_EQ(first.ReadFlash(0xF1A0, 96), std::vector<std::uint8_t>(96, 0xFF));
  std::size_t nBlank = 0;
  for (std::uint32_t i = 0; i < emu::kFlashSize; ++i) nBlank += first.Flash()[i] == 0xFF ? 1 : 0;
  EXPECT_EQ(nBlank, emu::kFlashSize - emu::kKeyBlockDeviceSize);
  EXPECT_EQ(CZentorDevice(7).ReadFlash(emu::kKeyBlockAddress, emu::kKeyBlockDeviceSize), CZentorDevice::KeyBlock(7));
}

TEST(ZentorDevice, EveryCommandButTheHandshakeWaitsForAHandshake) {
  CZentorDevice device;
  const auto before = device.FlashCopy();
  const std::uint8_t page[32] = {};
  for (const Report& command : {Command(emu::kCmdErase), Command(emu::kCmdProgramFirst, 0x100, page),
                                Command(emu::kCmdRead, 0xF000)}) {
    EXPECT_EQ(Status(device, command), 0) << "code " << int(command[1]);
  }
  EXPECT_EQ(device.FlashCopy(), before);
  Handshake(device);
  EXPECT_EQ(Status(device, Command(emu::kCmdRead, 0xF000)), 1);
  for (std::uint8_t nCode : {0x00, 0x20, 0x26, 0x28, 0xFF}) EXPECT_EQ(Status(device, Command(nCode)), 0) << int(nCode);
}

TEST(ZentorDevice, ReplyHoldsStatusAndDataOnlyAndRepeatsUntilTheNextCommand) {
  CZentorDevice device;
  Report reply(kLength, 0x5A);
  ASSERT_TRUE(device.GetFeature(reply.data() + 0, kLength, 0) == false);  // byte 0 must be report ID 0
  reply[0] = 0;
  ASSERT_TRUE(device.GetFeature(reply.data(), kLength, 0));  // before any command: an all-zero report
  EXPECT_EQ(reply, Report(kLength, 0));

  Handshake(device);
  const SReply read = Exchange(device, Command(emu::kCmdRead, 0xF010));
  ASSERT_TRUE(read.bSent && read.bRead);
  Report expected(kLength, 0);
  expected[1] = 1;
  const auto data = device.ReadFlash(0xF010, 32);
  std::copy(data.begin(), data.end(), expected.begin() + 9);
  EXPECT_EQ(read.bytes, expected);

  Report again(kLength, 0);
  ASSERT_TRUE(device.GetFeature(again.data(), kLength, 5));
  EXPECT_EQ(again, expected);
}

TEST(ZentorDevice, ReadAddressesUpToTheEndOfTheFlash) {
  struct SCase {
    std::uint32_t nAddress;
    std::uint8_t nStatus;
  } const cases[] = {{0x000000, 1}, {0x00F001, 1}, {0x1FFFE0, 1}, {0x1FFFE1, 0}, {0x1FFFFF, 0}, {0x200000, 0},
                     {0xFFFFE0, 0}};
  CZentorDevice device;
  device.WriteFlash(0x1FFFE0, std::vector<std::uint8_t>(32, 0x3C));
  Handshake(device);
  for (const SCase& row : cases) {
    const SReply reply = Exchange(device, Command(emu::kCmdRead, row.nAddress));
    EXPECT_EQ(reply.Status(), row.nStatus) << std::hex << row.nAddress;
    const auto flash = device.ReadFlash(row.nAddress, 32);
    const Report data(reply.bytes.begin() + 9, reply.bytes.begin() + 41);
    EXPECT_EQ(data, row.nStatus != 0 ? flash : Report(32, 0)) << std::hex << row.nAddress;
  }
}

// One page programming sequence: each step a command code and address with
// the status it must get; then whether the page at nWritten was written.
struct SProgramCase {
  const char* pName;
  std::vector<std::pair<std::uint8_t, std::uint32_t>> steps;
  std::vector<std::uint8_t> statuses;
  std::size_t nPagesWritten;
};

constexpr std::uint8_t F = emu::kCmdProgramFirst;
constexpr std::uint8_t N = emu::kCmdProgramNext;
constexpr std::uint8_t L = emu::kCmdProgramLast;

TEST(ZentorDevice, PagesAreProgrammedOnlyFromEightChunksInOrder) {
  const SProgramCase cases[] = {
      {"in order", {{F, 0x100}, {N, 0x100}, {N, 0x100}, {N, 0x100}, {N, 0x100}, {N, 0x100}, {N, 0x100}, {L, 0x100}},
       {1, 1, 1, 1, 1, 1, 1, 1}, 1},
      {"last page", {{F, 0x1FFF00}, {N, 0x1FFF00}, {N, 0x1FFF00}, {N, 0x1FFF00}, {N, 0x1FFF00}, {N, 0x1FFF00},
                     {N, 0x1FFF00}, {L, 0x1FFF00}}, {1, 1, 1, 1, 1, 1, 1, 1}, 1},
      {"NEXT without FIRST", {{N, 0x100}}, {0}, 0},
      {"LAST without FIRST", {{L, 0x100}}, {0}, 0},
      {"LAST after five NEXT", {{F, 0x100}, {N, 0x100}, {N, 0x100}, {N, 0x100}, {N, 0x100}, {N, 0x100}, {L, 0x100}},
       {1, 1, 1, 1, 1, 1, 0}, 0},
      {"seventh NEXT", {{F, 0x100}, {N, 0x100}, {N, 0x100}, {N, 0x100}, {N, 0x100}, {N, 0x100}, {N, 0x100},
                        {N, 0x100}}, {1, 1, 1, 1, 1, 1, 1, 0}, 0},
      {"FIRST twice", {{F, 0x100}, {F, 0x100}}, {1, 0}, 0},
      {"address changes", {{F, 0x100}, {N, 0x200}}, {1, 0}, 0},
      {"address changes at LAST", {{F, 0x100}, {N, 0x100}, {N, 0x100}, {N, 0x100}, {N, 0x100}, {N, 0x100},
                                   {N, 0x100}, {L, 0x200}}, {1, 1, 1, 1, 1, 1, 1, 0}, 0},
      {"byte 4 not 0", {{F, 0x120}}, {0}, 0},
      {"beyond the flash", {{F, 0x200000}}, {0}, 0},
      {"dropped page, then a good one", {{F, 0x100}, {L, 0x100}, {F, 0x300}, {N, 0x300}, {N, 0x300}, {N, 0x300},
                                         {N, 0x300}, {N, 0x300}, {N, 0x300}, {L, 0x300}},
       {1, 0, 1, 1, 1, 1, 1, 1, 1, 1}, 1},
  };
  for (const SProgramCase& row : cases) {
    SCOPED_TRACE(row.pName);
    CZentorDevice device;
    device.LoadFlash({});
    Handshake(device);
    const std::uint8_t chunk[32] = {0x11, 0x22, 0x33};
    std::vector<std::uint8_t> statuses;
    for (const auto& [nCode, nAddress] : row.steps) statuses.push_back(Status(device, Command(nCode, nAddress, chunk)));
    EXPECT_EQ(statuses, row.statuses);
    EXPECT_EQ(device.ProgrammedPageCount(), row.nPagesWritten);
    std::size_t nChanged = 0;
    for (std::uint32_t i = 0; i < emu::kFlashSize; ++i) nChanged += device.Flash()[i] != 0xFF ? 1 : 0;
    EXPECT_EQ(nChanged, row.nPagesWritten * emu::kPageSize);
  }
}

TEST(ZentorDevice, ChunksLandInOrderAndProgrammingOnlyClearsBits) {
  CZentorDevice device;
  device.LoadFlash({});
  Handshake(device);
  const auto page = PageData(3);
  EXPECT_EQ(ProgramPage(device, 0xF100, page), std::vector<std::uint8_t>(8, 1));
  EXPECT_EQ(device.ReadFlash(0xF100, 256), page);
  EXPECT_EQ(device.ProgramConflictCount(), 0u);

  // Programming over programmed cells without an erase: flash &= data.
  const auto second = PageData(90);
  EXPECT_EQ(ProgramPage(device, 0xF100, second), std::vector<std::uint8_t>(8, 1));
  auto expected = page;
  for (std::size_t i = 0; i < expected.size(); ++i) expected[i] &= second[i];
  EXPECT_EQ(device.ReadFlash(0xF100, 256), expected);
  EXPECT_EQ(device.ProgramConflictCount(), 1u);
}

TEST(ZentorDevice, EraseBlanksTheFlashAndReportsTheConfiguredStatus) {
  struct SCase {
    const char* pName;
    std::uint8_t nConfiguredStatus;
    bool bGoodParameters;
    std::uint8_t nStatus;
    bool bErased;
  } const cases[] = {{"confirmed", 1, true, 1, true},
                     {"not confirmed", 0, true, 0, true},
                     {"other status value", 0x5A, true, 0x5A, true},
                     {"wrong parameters", 1, false, 0, false}};
  for (const SCase& row : cases) {
    SCOPED_TRACE(row.pName);
    CZentorDevice device;
    device.SetEraseReplyStatus(row.nConfiguredStatus);
    Handshake(device);
    Report erase = Command(emu::kCmdErase);
    if (!row.bGoodParameters) erase[12] = 0x0C;
    EXPECT_EQ(Status(device, erase), row.nStatus);
    EXPECT_EQ(device.FlashCopy() == std::vector<std::uint8_t>(emu::kFlashSize, 0xFF), row.bErased);
  }
}

TEST(ZentorDevice, TransfersOfAnotherLengthAreRefused) {
  CZentorDevice device;
  for (std::uint32_t nLength : {64u, 66u, 72u, 0u}) {
    Report command = Command(emu::kCmdHandshake);
    command.resize(72, 0);
    EXPECT_FALSE(device.SetFeature(command.data(), nLength, 0)) << nLength;
    Report reply(72, 0);
    EXPECT_FALSE(device.GetFeature(reply.data(), nLength, 0)) << nLength;
    EXPECT_EQ(reply, Report(72, 0));
  }
  EXPECT_FALSE(device.IsHandshakeDone());

  device.SetFeatureReportLength(41);
  const SReply reply = Exchange(device, Command(emu::kCmdHandshake, 0, nullptr, 41));
  EXPECT_TRUE(reply.bSent && reply.bRead);
  EXPECT_EQ(reply.Status(), 1);
  const SReply read = Exchange(device, Command(emu::kCmdRead, 0xF000, nullptr, 41));
  EXPECT_EQ(read.Status(), 1);
  EXPECT_EQ(Report(read.bytes.begin() + 9, read.bytes.end()), device.ReadFlash(0xF000, 32));
}

TEST(ZentorDevice, ACommandWithAReportIdOtherThanZeroIsRefused) {
  CZentorDevice device;
  Report command = Command(emu::kCmdHandshake);
  command[0] = 1;
  EXPECT_FALSE(device.SetFeature(command.data(), kLength, 0));
  EXPECT_FALSE(device.IsHandshakeDone());
}

TEST(ZentorDevice, RepliesAreNotReadyDuringTheBusyTimeAcrossTheWrap) {
  struct SCase {
    std::uint32_t nSentAt;
    std::uint32_t nBusy;
  } const cases[] = {{0, 1}, {1000, 4999}, {0xFFFFFFF0u, 0x20}, {0xFFFFFFFFu, 1}};
  for (const SCase& row : cases) {
    SCOPED_TRACE(row.nSentAt);
    CZentorDevice device;
    device.SetCommandDuration(emu::kCmdHandshake, row.nBusy);
    const Report command = Command(emu::kCmdHandshake);
    ASSERT_TRUE(device.SetFeature(command.data(), kLength, row.nSentAt));
    Report reply(kLength, 0);
    EXPECT_FALSE(device.GetFeature(reply.data(), kLength, row.nSentAt));
    EXPECT_FALSE(device.GetFeature(reply.data(), kLength, row.nSentAt + row.nBusy - 1));
    EXPECT_TRUE(device.GetFeature(reply.data(), kLength, row.nSentAt + row.nBusy));
    EXPECT_EQ(reply[1], 1);
    // Once delivered, it stays readable.
    EXPECT_TRUE(device.GetFeature(reply.data(), kLength, row.nSentAt));
  }
}

TEST(ZentorDevice, FaultsStrikeTheNthCommandOfTheirCode) {
  const std::uint8_t chunk[32] = {0x42};
  struct SCase {
    const char* pName;
    emu::SFault fault;
    // The four reads at 0xF000 + 32k, k = 0..3 after a handshake: sent?, read?, status
    std::vector<int> sent, read, status;
  } const cases[] = {
      {"no reply", {emu::EFaultKind::NoReply, emu::kCmdRead, 2}, {1, 1, 1, 1}, {1, 0, 1, 1}, {1, -1, 1, 1}},
      {"zero status", {emu::EFaultKind::ZeroStatus, emu::kCmdRead, 3}, {1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 0, 1}},
      {"send fails", {emu::EFaultKind::SendFails, emu::kCmdRead, 1}, {0, 1, 1, 1}, {1, 1, 1, 1}, {-1, 1, 1, 1}},
      {"unplug", {emu::EFaultKind::Unplug, emu::kCmdRead, 2}, {1, 0, 0, 0}, {1, 0, 0, 0}, {1, -1, -1, -1}},
      {"any command: the third is the second read", {emu::EFaultKind::SendFails, 0, 3}, {1, 0, 1, 1}, {1, 1, 1, 1},
       {1, -1, 1, 1}},
      {"other code: no effect", {emu::EFaultKind::SendFails, emu::kCmdErase, 1}, {1, 1, 1, 1}, {1, 1, 1, 1},
       {1, 1, 1, 1}},
  };
  for (const SCase& row : cases) {
    SCOPED_TRACE(row.pName);
    CZentorDevice device;
    device.AddFault(row.fault);
    Handshake(device);
    for (std::uint32_t k = 0; k < 4; ++k) {
      const SReply reply = Exchange(device, Command(emu::kCmdRead, 0xF000 + 32 * k, chunk));
      EXPECT_EQ(reply.bSent, row.sent[k] == 1) << k;
      EXPECT_EQ(reply.bRead, row.read[k] == 1) << k;
      if (reply.bRead && row.status[k] >= 0) {
        EXPECT_EQ(reply.Status(), row.status[k]) << k;
      }
      // A read answered with status 0 still carries the data (the host must judge the status).
      if (reply.bRead && reply.bSent) {
        EXPECT_EQ(Report(reply.bytes.begin() + 9, reply.bytes.begin() + 41), device.ReadFlash(0xF000 + 32 * k, 32));
      }
    }
  }
}

TEST(ZentorDevice, ZeroStatusFaultLeavesTheCommandWithoutEffect) {
  CZentorDevice device;
  device.LoadFlash({});
  device.AddFault({emu::EFaultKind::ZeroStatus, emu::kCmdProgramLast, 1});
  Handshake(device);
  EXPECT_EQ(ProgramPage(device, 0x400, PageData(1)), (std::vector<std::uint8_t>{1, 1, 1, 1, 1, 1, 1, 0}));
  EXPECT_EQ(device.ProgrammedPageCount(), 0u);
  EXPECT_EQ(device.ReadFlash(0x400, 256), std::vector<std::uint8_t>(256, 0xFF));
}

TEST(ZentorDevice, CorruptDataInvertsOneDataByte) {
  CZentorDevice device;
  device.AddFault({emu::EFaultKind::CorruptData, emu::kCmdRead, 1, 5});
  Handshake(device);
  const SReply reply = Exchange(device, Command(emu::kCmdRead, 0xF000));
  auto expected = device.ReadFlash(0xF000, 32);
  expected[5] ^= 0xFF;
  EXPECT_EQ(reply.Status(), 1);
  EXPECT_EQ(Report(reply.bytes.begin() + 9, reply.bytes.begin() + 41), expected);
}

TEST(ZentorDevice, NoReplyEndsWithTheNextCommand) {
  CZentorDevice device;
  device.AddFault({emu::EFaultKind::NoReply, emu::kCmdErase, 1});
  Handshake(device);
  const SReply erase = Exchange(device, Command(emu::kCmdErase));
  EXPECT_TRUE(erase.bSent);
  EXPECT_FALSE(erase.bRead);
  EXPECT_EQ(device.EraseCount(), 1u);  // carried out, the reply lost
  EXPECT_EQ(Status(device, Command(emu::kCmdHandshake)), 1);
}

TEST(ZentorDevice, KillRunsTheHandlerBeforeTheDeviceSeesTheCommand) {
  CZentorDevice device;
  int nKills = 0;
  device.SetKillHandler([&nKills] { ++nKills; });
  device.AddFault({emu::EFaultKind::Kill, emu::kCmdHandshake, 1});
  const Report command = Command(emu::kCmdHandshake);
  EXPECT_FALSE(device.SetFeature(command.data(), kLength, 0));
  EXPECT_EQ(nKills, 1);
  EXPECT_FALSE(device.IsHandshakeDone());
}

TEST(ZentorDevice, PluggingInAgainIsAPowerUp) {
  CZentorDevice device;
  Handshake(device);
  device.SetPresent(false);
  const Report command = Command(emu::kCmdRead, 0xF000);
  EXPECT_FALSE(device.SetFeature(command.data(), kLength, 0));
  device.SetPresent(true);
  EXPECT_EQ(device.PlugCount(), 2u);
  EXPECT_FALSE(device.IsHandshakeDone());
  EXPECT_EQ(Status(device, command), 0);
}

TEST(ZentorDevice, TraceRecordsEveryTransferWithItsTime) {
  CZentorDevice device;
  device.SetCommandDuration(emu::kCmdHandshake, 2);
  const Report command = Command(emu::kCmdHandshake);
  Report reply(kLength, 0);
  device.SetFeature(command.data(), kLength, 10);
  device.GetFeature(reply.data(), kLength, 11);
  device.GetFeature(reply.data(), kLength, 12);
  const auto& trace = device.Trace();
  ASSERT_EQ(trace.size(), 3u);
  EXPECT_EQ(trace[0].kind, emu::STraceEntry::EKind::Send);
  EXPECT_EQ(trace[0].bytes, command);
  EXPECT_TRUE(trace[0].bOk);
  EXPECT_EQ(trace[1].nTime, 11u);
  EXPECT_FALSE(trace[1].bOk);
  EXPECT_TRUE(trace[1].bytes.empty());
  EXPECT_TRUE(trace[2].bOk);
  EXPECT_EQ(trace[2].bytes, reply);
  EXPECT_EQ(device.SendCount(), 1u);
  EXPECT_EQ(device.ReadCount(), 2u);
  EXPECT_EQ(device.CommandCount(emu::kCmdHandshake), 1u);
}

TEST(ZentorDevice, ExternalFlashIsTheCallersStorage) {
  std::vector<std::uint8_t> storage(emu::kFlashSize, 0x00);
  CZentorDevice device(storage.data());
  EXPECT_EQ(device.Flash(), storage.data());
  Handshake(device);
  EXPECT_EQ(Status(device, Command(emu::kCmdErase)), 1);
  EXPECT_EQ(storage, std::vector<std::uint8_t>(emu::kFlashSize, 0xFF));
}

}  // namespace
