// The reports as the device sees them, left-over bytes included, read from
// the device's trace of a whole run.
#include <gtest/gtest.h>

#include <algorithm>

#include "command_channel.h"
#include "recording_dialog.h"
#include "status_messages.h"
#include "update_procedure.h"
#include "zentor_fixture.h"

namespace {

std::uint32_t Address(const Bytes& report) { return (report[2] << 16) | (report[3] << 8) | report[4]; }

Bytes Slice(const Bytes& report, std::size_t first, std::size_t count) {
  return Bytes(report.begin() + first, report.begin() + first + count);
}

class CommandReportTest : public CZentorTest {
 protected:
  void RunComplete() {
    RunUpdate(m_dialog);
    ASSERT_EQ(m_dialog.LastStatus(), IDS_UPDATE_COMPLETE);
  }
  CRecordingDialog m_dialog;
};

TEST_F(CommandReportTest, DrainReadsComeFirstAndSendNothing) {
  RunComplete();
  const auto& trace = Device().Trace();
  ASSERT_GT(trace.size(), 11u);
  for (std::size_t i = 0; i < 10; ++i) EXPECT_EQ(trace[i].kind, emu::STraceEntry::EKind::Read) << i;
  EXPECT_EQ(trace[10].kind, emu::STraceEntry::EKind::Send);
}

TEST_F(CommandReportTest, HandshakeIsCodeAndReportIdOnly) {
  RunComplete();
  const Bytes handshake = SentReports(CMD_HANDSHAKE).at(0);
  ASSERT_EQ(handshake.size(), 65u);
  Bytes expected(65, 0);
  expected[1] = CMD_HANDSHAKE;
  EXPECT_EQ(handshake, expected);
}

TEST_F(CommandReportTest, KeyBlockReadsAreThirteenChunksFrom0xF000) {
  RunComplete();
  const auto reads = SentReports(CMD_READ);
  ASSERT_GE(reads.size(), 26u);
  for (std::uint32_t k = 0; k < 26; ++k) EXPECT_EQ(Address(reads[k]), 0xF000u + 32 * (k % 13)) << k;
}

TEST_F(CommandReportTest, EraseCarriesTheLastKeyBlockAddressAndItsParameters) {
  RunComplete();
  const Bytes erase = SentReports(CMD_ERASE).at(0);
  EXPECT_EQ(Slice(erase, 2, 3), (Bytes{0x00, 0xF1, 0x80}));
  EXPECT_EQ(Slice(erase, 9, 6), (Bytes{0x06, 0x50, 0x03, 0x0B, 0x02, 0x05}));
}

TEST_F(CommandReportTest, ProgrammingCarriesThePageAddressForAllEightChunks) {
  RunComplete();
  std::vector<Bytes> page;
  for (const Bytes& report : SentReports()) {
    if (report[1] >= CMD_PROGRAM_FIRST && report[1] <= CMD_PROGRAM_LAST && Address(report) == 0xF100) {
      page.push_back(report);
    }
  }
  ASSERT_EQ(page.size(), 8u);
  const Bytes expectedFlash = ExpectedFlash(emu::EmbeddedFirmware(), DeviceKeyBlock());
  for (std::size_t c = 0; c < 8; ++c) {
    EXPECT_EQ(page[c][1], c == 0 ? CMD_PROGRAM_FIRST : c == 7 ? CMD_PROGRAM_LAST : CMD_PROGRAM_NEXT);
    EXPECT_EQ(Slice(page[c], 2, 3), (Bytes{0x00, 0xF1, 0x00}));
    EXPECT_EQ(Slice(page[c], 9, 32), Slice(expectedFlash, 0xF100 + 32 * c, 32)) << "chunk " << c;
  }
}

TEST_F(CommandReportTest, VerificationReadsCarryTheLastProgrammedChunk) {
  Platform().SetFirmwareResource(SmallFirmware());
  RunComplete();
  const auto reports = SentReports();
  const auto lastProgram = std::find_if(reports.rbegin(), reports.rend(),
                                        [](const Bytes& r) { return r[1] == CMD_PROGRAM_LAST; });
  ASSERT_NE(lastProgram, reports.rend());
  const Bytes lastChunk = Slice(*lastProgram, 9, 32);
  std::size_t nVerifyReads = 0;
  for (auto it = lastProgram.base(); it != reports.end(); ++it) {
    ASSERT_EQ((*it)[1], CMD_READ);
    EXPECT_EQ(Slice(*it, 9, 32), lastChunk);
    ++nVerifyReads;
  }
  EXPECT_GT(nVerifyReads, 0u);
  // Chunk 7 of the last page is read from its exact address.
  EXPECT_EQ(Slice(reports.back(), 2, 3), (Bytes{0x1F, 0xFF, 0xE0}));
}

TEST_F(CommandReportTest, BlankCheckReadsCarryTheEraseParameters) {
  Device().SetEraseReplyStatus(0);
  RunComplete();
  const auto reads = SentReports(CMD_READ);
  ASSERT_GE(reads.size(), 26u + 32u);
  for (std::uint32_t n = 0; n < 32; ++n) {
    const Bytes& read = reads[26 + n];
    EXPECT_EQ(Address(read), n * 0x10000u);
    EXPECT_EQ(Slice(read, 9, 6), (Bytes{0x06, 0x50, 0x03, 0x0B, 0x02, 0x05}));
  }
  EXPECT_EQ(Slice(reads[26 + 31], 2, 3), (Bytes{0x1F, 0x00, 0x00}));
}

TEST_F(CommandReportTest, LeftOverBytesBeyondTheLayoutAreNeverWritten) {
  RunComplete();
  for (const Bytes& report : SentReports()) {
    for (std::size_t i = 5; i < 9; ++i) ASSERT_EQ(report[i], 0) << "byte " << i;
    for (std::size_t i = 41; i < report.size(); ++i) ASSERT_EQ(report[i], 0) << "byte " << i;
  }
}

// A device's feature report length decides whether it can be driven at all:
// the commands need 41 bytes and the buffers hold 72.
struct SLengthCase {
  std::uint16_t nLength;
  bool bUsable;
};

class ReportLengthTest : public CommandReportTest, public ::testing::WithParamInterface<SLengthCase> {};

TEST_P(ReportLengthTest, ShortOrOversizedReportsSendNothing) {
  const SLengthCase& length = GetParam();
  Platform().SetFirmwareResource(SmallFirmware());
  Device().SetFeatureReportLength(length.nLength);
  const Bytes before = Flash();

  RunUpdate(m_dialog);

  if (length.bUsable) {
    EXPECT_EQ(m_dialog.LastStatus(), IDS_UPDATE_COMPLETE);
    for (const auto& entry : Device().Trace()) EXPECT_EQ(entry.bytes.size(), entry.bOk ? length.nLength : 0u);
  } else {
    EXPECT_EQ(m_dialog.LastStatus(), IDS_INIT_ERROR);
    EXPECT_EQ(Device().SendCount(), 0u);
    EXPECT_TRUE(Flash() == before);
    EXPECT_FALSE(BackupExists());
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, ReportLengthTest,
                         ::testing::Values(SLengthCase{0, false}, SLengthCase{40, false}, SLengthCase{41, true},
                                           SLengthCase{72, true}, SLengthCase{73, false},
                                           SLengthCase{4096, false}),
                         [](const auto& info) { return "Length" + std::to_string(info.param.nLength); });

TEST_F(CommandReportTest, OversizedReportsAreNotEvenReadByTheDrain) {
  Device().SetFeatureReportLength(73);
  RunUpdate(m_dialog);
  EXPECT_EQ(Device().ReadCount(), 0u);
  EXPECT_EQ(Hid().GetFeatureCalls(), 0u);
}

}  // namespace
