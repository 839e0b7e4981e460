// The whole update against the emulated Zentor: what the user sees, what the
// device ends up holding, and what is left on disk.
#include <gtest/gtest.h>

#include <functional>

#include "command_channel.h"
#include "recording_dialog.h"
#include "status_messages.h"
#include "update_procedure.h"
#include "zentor_fixture.h"

namespace {

constexpr std::uint32_t kKeyBlockReads = 2 * 13;  // read twice, compared
constexpr std::uint32_t kBlankCheckReads = 32;

std::size_t NonBlankPages(const Bytes& image) {
  std::size_t count = 0;
  for (std::size_t page = 0; page < image.size(); page += 256) {
    for (std::size_t i = 0; i < 256; ++i) {
      if (image[page + i] != 0xFF) {
        ++count;
        break;
      }
    }
  }
  return count;
}

class UpdateProcedureTest : public CZentorTest {
 protected:
  void Run() { RunUpdate(m_dialog); }
  CRecordingDialog m_dialog;
};

class CompleteUpdateTest : public UpdateProcedureTest, public ::testing::WithParamInterface<std::uint8_t> {};

TEST_P(CompleteUpdateTest, LeavesTheFirmwareWithTheDevicesKeyBlock) {
  const bool bConfirmsErase = GetParam() != 0;
  Device().SetEraseReplyStatus(GetParam());
  const DWORD dwStart = GetTickCount();

  Run();

  std::vector<UINT> expected = {IDS_INITIALIZING, IDS_READING_KEYS, IDS_READ_COMPLETE, IDS_ERASING};
  if (!bConfirmsErase) expected.push_back(IDS_BLANK_CHECK);
  expected.insert(expected.end(),
                  {IDS_ERASE_COMPLETE, IDS_WRITING, IDS_VERIFYING, IDS_WRITE_COMPLETE, IDS_UPDATE_COMPLETE});
  EXPECT_EQ(m_dialog.m_statuses, expected);

  const Bytes expectedFlash = ExpectedFlash(emu::EmbeddedFirmware(), DeviceKeyBlock());
  EXPECT_TRUE(Flash() == expectedFlash) << "the device's flash differs from firmware + key block";
  EXPECT_EQ(m_dialog.m_nRangeLower, 0);
  EXPECT_EQ(m_dialog.m_nRangeUpper, 16384);
  EXPECT_EQ(m_dialog.m_nPosition, 16384);
  EXPECT_FALSE(BackupExists());
  EXPECT_FALSE(m_dialog.m_bUpdateEnabled);
  EXPECT_TRUE(m_dialog.m_bCloseEnabled);
  EXPECT_FALSE(m_dialog.m_bTimerRunning);

  // The pauses, and that they really passed on the tick counter.
  EXPECT_EQ(m_dialog.Count("pause 1000"), 3u);
  EXPECT_EQ(m_dialog.Count("pause 10000"), bConfirmsErase ? 0u : 1u);
  EXPECT_GE(GetTickCount() - dwStart, bConfirmsErase ? 3000u : 13000u);

  // Exactly the transfers the protocol needs: one send and one read per
  // exchange when the device answers at once, and the ten drain reads.
  const std::size_t nExchanges = 1 + kKeyBlockReads + 1 + (bConfirmsErase ? 0 : kBlankCheckReads) +
                                 2 * 8 * NonBlankPages(expectedFlash);
  EXPECT_EQ(Device().SendCount(), nExchanges);
  EXPECT_EQ(Device().ReadCount(), nExchanges + 10);
}

INSTANTIATE_TEST_SUITE_P(EraseReply, CompleteUpdateTest, ::testing::Values(std::uint8_t{1}, std::uint8_t{0}),
                         [](const auto& info) { return info.param ? "Confirmed" : "NotConfirmed"; });

TEST_F(UpdateProcedureTest, StartsByDisablingBothButtonsAndStoppingTheProbeBeforeAsking) {
  Run();
  ASSERT_GE(m_dialog.m_events.size(), 4u);
  EXPECT_EQ(m_dialog.m_events[0], "update off");
  EXPECT_EQ(m_dialog.m_events[1], "close off");
  EXPECT_EQ(m_dialog.m_events[2], "timer stop");
  EXPECT_EQ(m_dialog.m_events[3], "confirm 120 33");  // MB_OKCANCEL | MB_ICONQUESTION
}

TEST_F(UpdateProcedureTest, CancelSendsNothingAndReturnsToReady) {
  m_dialog.m_nConfirmAnswer = IDCANCEL;
  m_dialog.SetStatus(IDS_READY);
  const Bytes before = Flash();

  Run();

  EXPECT_TRUE(Device().Trace().empty());
  EXPECT_EQ(m_dialog.m_statuses, std::vector<UINT>{IDS_READY});
  const std::vector<std::string> expected = {"status 118", "update off", "close off", "timer stop",
                                             "confirm 120 33", "update on", "close on", "timer start"};
  EXPECT_EQ(m_dialog.m_events, expected);
  EXPECT_TRUE(m_dialog.m_positions.empty());
  EXPECT_TRUE(Flash() == before);
  EXPECT_FALSE(BackupExists());
}

TEST_F(UpdateProcedureTest, AnyAnswerOtherThanCancelGoesOn) {
  m_dialog.m_nConfirmAnswer = 0;  // a message box that failed to show is not a Cancel
  Run();
  EXPECT_EQ(m_dialog.LastStatus(), IDS_UPDATE_COMPLETE);
}

// Every way a run can fail, each ending on its one message.
struct SFailureCase {
  const char* name;
  std::function<void(CZentorTest&, emu::CZentorDevice&)> setUp;
  UINT nMessage;
  bool bBackupExpected;  // the key block is on disk afterwards
  bool bFlashUntouched;  // nothing was erased
};

class UpdateFailureTest : public UpdateProcedureTest, public ::testing::WithParamInterface<SFailureCase> {};

emu::SFault Fault(emu::EFaultKind kind, std::uint8_t nCommand, std::uint32_t nOccurrence, std::uint32_t nIndex = 0) {
  return emu::SFault{kind, nCommand, nOccurrence, nIndex};
}

const SFailureCase kFailureCases[] = {
    {"DeviceAbsent", [](CZentorTest&, emu::CZentorDevice& d) { d.SetPresent(false); }, IDS_CONNECT_DEVICE, false,
     true},
    {"FirmwareMissing", [](CZentorTest&, emu::CZentorDevice&) { emu::EmulatedPlatform().RemoveFirmwareResource(); },
     IDS_FIRMWARE_DATA_ERROR, false, true},
    {"FirmwareShort",
     [](CZentorTest&, emu::CZentorDevice&) {
       emu::EmulatedPlatform().SetFirmwareResource(Bytes(emu::kFlashSize - 1, 0x00));
     },
     IDS_FIRMWARE_DATA_ERROR, false, true},
    {"FirmwareLong",
     [](CZentorTest&, emu::CZentorDevice&) {
       emu::EmulatedPlatform().SetFirmwareResource(Bytes(emu::kFlashSize + 1, 0x00));
     },
     IDS_FIRMWARE_DATA_ERROR, false, true},
    {"HandshakeZeroStatus",
     [](CZentorTest&, emu::CZentorDevice& d) { d.AddFault(Fault(emu::EFaultKind::ZeroStatus, CMD_HANDSHAKE, 1)); },
     IDS_INIT_ERROR, false, true},
    {"HandshakeNoReply",
     [](CZentorTest&, emu::CZentorDevice& d) { d.AddFault(Fault(emu::EFaultKind::NoReply, CMD_HANDSHAKE, 1)); },
     IDS_INIT_ERROR, false, true},
    {"HandshakeSendFails",
     [](CZentorTest&, emu::CZentorDevice& d) { d.AddFault(Fault(emu::EFaultKind::SendFails, CMD_HANDSHAKE, 1)); },
     IDS_INIT_ERROR, false, true},
    {"KeyBlockReadNoReply",
     [](CZentorTest&, emu::CZentorDevice& d) { d.AddFault(Fault(emu::EFaultKind::NoReply, CMD_READ, 5)); },
     IDS_KEY_READ_ERROR, false, true},
    {"KeyBlockReadCorrupted",
     [](CZentorTest&, emu::CZentorDevice& d) { d.AddFault(Fault(emu::EFaultKind::CorruptData, CMD_READ, 3, 7)); },
     IDS_KEY_READ_ERROR, false, true},
    {"EraseNoReply",
     [](CZentorTest&, emu::CZentorDevice& d) { d.AddFault(Fault(emu::EFaultKind::NoReply, CMD_ERASE, 1)); },
     IDS_ERASE_ERROR, true, false},
    {"BlankCheckZeroStatus",
     [](CZentorTest&, emu::CZentorDevice& d) {
       d.SetEraseReplyStatus(0);
       d.AddFault(Fault(emu::EFaultKind::ZeroStatus, CMD_READ, kKeyBlockReads + 4));
     },
     IDS_ERASE_ERROR, true, false},
    {"BlankCheckNoReply",
     [](CZentorTest&, emu::CZentorDevice& d) {
       d.SetEraseReplyStatus(0);
       d.AddFault(Fault(emu::EFaultKind::NoReply, CMD_READ, kKeyBlockReads + 1));
     },
     IDS_WRITE_ERROR, true, false},
    {"BlankCheckNotBlank",
     [](CZentorTest&, emu::CZentorDevice& d) {
       d.SetEraseReplyStatus(0);
       d.AddFault(Fault(emu::EFaultKind::CorruptData, CMD_READ, kKeyBlockReads + 32, 31));
     },
     IDS_WRITE_ERROR, true, false},
    {"ProgrammingZeroStatus",
     [](CZentorTest&, emu::CZentorDevice& d) { d.AddFault(Fault(emu::EFaultKind::ZeroStatus, CMD_PROGRAM_NEXT, 40)); },
     IDS_WRITE_ERROR, true, false},
    {"ProgrammingNoReply",
     [](CZentorTest&, emu::CZentorDevice& d) { d.AddFault(Fault(emu::EFaultKind::NoReply, CMD_PROGRAM_LAST, 3)); },
     IDS_WRITE_ERROR, true, false},
    {"ProgrammingUnplugged",
     [](CZentorTest&, emu::CZentorDevice& d) { d.AddFault(Fault(emu::EFaultKind::Unplug, CMD_PROGRAM_FIRST, 100)); },
     IDS_WRITE_ERROR, true, false},
    {"VerificationDiffersInChunk7",
     [](CZentorTest&, emu::CZentorDevice& d) {
       d.AddFault(Fault(emu::EFaultKind::CorruptData, CMD_READ, kKeyBlockReads + 8, 17));
     },
     IDS_WRITE_ERROR, true, false},
    {"VerificationZeroStatus",
     [](CZentorTest&, emu::CZentorDevice& d) { d.AddFault(Fault(emu::EFaultKind::ZeroStatus, CMD_READ, 200)); },
     IDS_WRITE_ERROR, true, false},
    {"VerificationNoReply",
     [](CZentorTest&, emu::CZentorDevice& d) { d.AddFault(Fault(emu::EFaultKind::NoReply, CMD_READ, 1000)); },
     IDS_WRITE_ERROR, true, false},
};

TEST_P(UpdateFailureTest, EndsOnItsMessageWithOnlyCloseEnabled) {
  const SFailureCase& failure = GetParam();
  failure.setUp(*this, Device());
  const Bytes before = Flash();

  Run();

  // One failure message, in place of the next message of a complete run.
  ASSERT_FALSE(m_dialog.m_statuses.empty());
  EXPECT_EQ(m_dialog.LastStatus(), failure.nMessage);
  for (std::size_t i = 0; i + 1 < m_dialog.m_statuses.size(); ++i) {
    const UINT nID = m_dialog.m_statuses[i];
    EXPECT_TRUE(nID == IDS_INITIALIZING || nID == IDS_READING_KEYS || nID == IDS_READ_COMPLETE ||
                nID == IDS_ERASING || nID == IDS_BLANK_CHECK || nID == IDS_ERASE_COMPLETE || nID == IDS_WRITING ||
                nID == IDS_VERIFYING)
        << "unexpected message " << nID << " before the end";
  }
  EXPECT_FALSE(m_dialog.m_bUpdateEnabled);
  EXPECT_TRUE(m_dialog.m_bCloseEnabled);
  EXPECT_FALSE(m_dialog.m_bTimerRunning);
  EXPECT_EQ(m_dialog.m_events.back(), "close on");

  EXPECT_EQ(BackupExists(), failure.bBackupExpected);
  if (failure.bBackupExpected) {
    EXPECT_TRUE(ReadFileBytes(BackupPath()) == ExpectedBackup(emu::EmbeddedFirmware()))
        << "the backup must hold the device's 416 bytes and the image's last 96";
  }
  if (failure.bFlashUntouched) {
    EXPECT_TRUE(Flash() == before) << "the flash changed before the erase";
  }
}

INSTANTIATE_TEST_SUITE_P(EveryFailure, UpdateFailureTest, ::testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateProcedureTest, FailedRunIsRepeatedFromTheBackupWithoutReadingTheDevice) {
  Device().AddFault(Fault(emu::EFaultKind::ZeroStatus, CMD_PROGRAM_LAST, 2));
  Run();
  ASSERT_EQ(m_dialog.LastStatus(), IDS_WRITE_ERROR);
  ASSERT_TRUE(BackupExists());

  // The flash is half written now; the key block is only on disk.
  Device().ClearFaults();
  Device().ClearTrace();
  CRecordingDialog second;
  RunUpdate(second);

  EXPECT_EQ(second.LastStatus(), IDS_UPDATE_COMPLETE);
  // No read at all before the erase: the capture took the file.
  const auto reports = SentReports();
  ASSERT_GE(reports.size(), 2u);
  EXPECT_EQ(reports[0][1], CMD_HANDSHAKE);
  EXPECT_EQ(reports[1][1], CMD_ERASE);
  EXPECT_TRUE(Flash() == ExpectedFlash(emu::EmbeddedFirmware(), DeviceKeyBlock()));
  EXPECT_FALSE(BackupExists());
}

TEST_F(UpdateProcedureTest, BackupFileIsProgrammedEvenWhenTheDeviceHoldsAnotherKeyBlock) {
  Bytes other(512);
  for (std::size_t i = 0; i < other.size(); ++i) other[i] = static_cast<std::uint8_t>(i * 7 + 3);
  WriteFileBytes(BackupPath(), other);

  Run();

  EXPECT_EQ(m_dialog.LastStatus(), IDS_UPDATE_COMPLETE);
  EXPECT_TRUE(KeyBlockInFlash() == other);
  const auto reports = SentReports();
  ASSERT_GE(reports.size(), 2u);
  EXPECT_EQ(reports[1][1], CMD_ERASE) << "the key block was read from the device";
  // The erase's address bytes were never written in this run.
  EXPECT_EQ(reports[1][2], 0);
  EXPECT_EQ(reports[1][3], 0);
  EXPECT_EQ(reports[1][4], 0);
}

TEST_F(UpdateProcedureTest, AllBlankImageStillRunsTheBarThroughBothPasses) {
  Platform().SetFirmwareResource(Bytes(emu::kFlashSize, 0xFF));
  // A device whose key block reads blank: nothing at all to program.
  Bytes flash = OldFlashContent();
  std::fill(flash.begin() + 0xF000, flash.begin() + 0xF200, 0xFF);
  Device().LoadFlash(flash);

  Run();

  EXPECT_EQ(m_dialog.LastStatus(), IDS_UPDATE_COMPLETE);
  EXPECT_TRUE(SentReports(CMD_PROGRAM_FIRST).empty());
  EXPECT_EQ(SentReports(CMD_READ).size(), kKeyBlockReads);
  // The bar is set to 0 as the programming pass starts, then to each page.
  std::vector<int> expected = {0};
  for (int page = 0; page < 8192; ++page) expected.push_back(page);
  for (int page = 0; page < 8192; ++page) expected.push_back(8191 + page);
  expected.push_back(16384);
  EXPECT_EQ(m_dialog.m_positions, expected);
}

TEST_F(UpdateProcedureTest, ProgressShowsTheLastPageAs8191And16382) {
  Platform().SetFirmwareResource(SmallFirmware());
  Run();
  ASSERT_EQ(m_dialog.m_positions.size(), 1 + 2u * 8192 + 1);
  EXPECT_EQ(m_dialog.m_positions[1 + 8191], 8191);
  EXPECT_EQ(m_dialog.m_positions[1 + 8192], 8191);
  EXPECT_EQ(m_dialog.m_positions[2 * 8192], 16382);
  EXPECT_EQ(m_dialog.m_positions.back(), 16384);
}

TEST_F(UpdateProcedureTest, DeviceThatVanishesBetweenProbeAndUpdateGives102) {
  Hid().RemoveInterface(0);
  Run();
  EXPECT_EQ(m_dialog.m_statuses, std::vector<UINT>{IDS_CONNECT_DEVICE});
  EXPECT_TRUE(m_dialog.m_bCloseEnabled);
  EXPECT_FALSE(m_dialog.m_bUpdateEnabled);
}

}  // namespace
