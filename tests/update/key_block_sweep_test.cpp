// The device's key block must survive any failure. The sweep fails a run at
// every exchange in turn, with every kind of fault, and also kills the
// program outright at every exchange and at every step of writing the
// backup; then it runs the update again as the user would, until it
// succeeds. Each time the device must end with the firmware and its own key
// block, and no run may report success while the flash is wrong.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <iostream>
#include <sstream>

#include "device_identity.h"
#include "recording_dialog.h"
#include "status_messages.h"
#include "update_procedure.h"
#include "zentor_fixture.h"

namespace {

constexpr int kKilledExit = 200;
constexpr int kRetries = 3;

// Exit codes of a child run: the last status ID less 100, or kKilledExit.
UINT StatusFromExit(int nExit) { return static_cast<UINT>(nExit + 100); }

class KeyBlockSweepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The flash lives in memory shared with forked children, so that what a
    // killed run programmed is still there afterwards, as on a real device.
    void* p = mmap(nullptr, emu::kFlashSize, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(p, MAP_FAILED);
    m_pFlash = static_cast<std::uint8_t*>(p);
    m_expected = ExpectedFlash(SmallFirmware(), DeviceKeyBlock());
  }
  void TearDown() override { munmap(m_pFlash, emu::kFlashSize); }

  // A fresh machine with the same Zentor, as it was before any update.
  void PlugFreshDevice(std::uint8_t nEraseStatus) {
    emu::CEmulatedPlatform& platform = emu::EmulatedPlatform();
    platform.Reset();
    platform.SetFirmwareResource(SmallFirmware());
    m_device = std::make_shared<emu::CZentorDevice>(m_pFlash);
    m_device->LoadFlash(OldFlashContent());
    m_device->SetEraseReplyStatus(nEraseStatus);
    emu::SHidInterface zentor;
    zentor.path = L"\\\\?\\hid#vid_1209&pid_0001#sweep";
    zentor.nVendorID = VENDOR_ID;
    zentor.nProductID = PRODUCT_ID;
    zentor.device = m_device;
    platform.Hid().AddInterface(zentor);
  }

  UINT RunInProcess() {
    CRecordingDialog dialog;
    RunUpdate(dialog);
    return dialog.LastStatus();
  }

  // The run in a child process that dies at the kill point, as if the user
  // ended it from the task manager or the machine lost power.
  UINT RunKillable() {
    const pid_t pid = fork();
    if (pid == 0) {
      emu::EmulatedPlatform().SetKillHook([] { _exit(kKilledExit); });
      CRecordingDialog dialog;
      RunUpdate(dialog);
      _exit(static_cast<int>(dialog.LastStatus()) - 100);
    }
    int nStatus = 0;
    waitpid(pid, &nStatus, 0);
    return WIFEXITED(nStatus) && WEXITSTATUS(nStatus) != kKilledExit ? StatusFromExit(WEXITSTATUS(nStatus)) : 0;
  }

  bool FlashIsExpected() const { return std::memcmp(m_pFlash, m_expected.data(), emu::kFlashSize) == 0; }

  // After the failed run: the user starts the program again, up to a few
  // times. True when an update then completes with the right flash.
  bool RecoverAndCheck() {
    m_device->ClearFaults();
    m_device->SetPresent(true);
    emu::EmulatedPlatform().ClearFileFaults();
    for (int attempt = 0; attempt < kRetries; ++attempt) {
      if (RunInProcess() == IDS_UPDATE_COMPLETE) return FlashIsExpected();
    }
    return false;
  }

  void Record(bool bFirstSucceeded, bool bRecovered, const std::string& point) {
    ++m_nPoints;
    if (bFirstSucceeded && !FlashIsExpectedAfterFirst()) {
      ++m_nFalseSuccesses;
      m_failures << "success reported with a wrong flash at " << point << "\n";
    }
    if (!bRecovered) {
      ++m_nLosses;
      m_failures << "not recovered after " << point << "\n";
    }
  }
  bool FlashIsExpectedAfterFirst() const { return m_bFirstFlashRight; }

  std::uint8_t* m_pFlash = nullptr;
  Bytes m_expected;
  std::shared_ptr<emu::CZentorDevice> m_device;
  bool m_bFirstFlashRight = false;
  int m_nPoints = 0;
  int m_nLosses = 0;
  int m_nFalseSuccesses = 0;
  std::ostringstream m_failures;
};

const char* KindName(emu::EFaultKind kind) {
  switch (kind) {
    case emu::EFaultKind::NoReply: return "no reply";
    case emu::EFaultKind::ZeroStatus: return "zero status";
    case emu::EFaultKind::CorruptData: return "corrupted data";
    case emu::EFaultKind::Unplug: return "device gone";
    case emu::EFaultKind::SendFails: return "send fails";
    case emu::EFaultKind::Kill: return "killed";
  }
  return "?";
}

TEST_F(KeyBlockSweepTest, EveryFailurePointEndsWithTheOriginalKeyBlock) {
  const emu::EFaultKind kinds[] = {emu::EFaultKind::NoReply,  emu::EFaultKind::ZeroStatus,
                                   emu::EFaultKind::CorruptData, emu::EFaultKind::Unplug,
                                   emu::EFaultKind::SendFails, emu::EFaultKind::Kill};
  for (std::uint8_t nEraseStatus : {std::uint8_t{1}, std::uint8_t{0}}) {
    // The number of exchanges of a clean run bounds the sweep.
    PlugFreshDevice(nEraseStatus);
    ASSERT_EQ(RunInProcess(), IDS_UPDATE_COMPLETE);
    ASSERT_TRUE(FlashIsExpected());
    const std::uint32_t nExchanges = static_cast<std::uint32_t>(m_device->SendCount());

    for (emu::EFaultKind kind : kinds) {
      for (std::uint32_t n = 1; n <= nExchanges; ++n) {
        PlugFreshDevice(nEraseStatus);
        m_device->AddFault({kind, 0, n, n % 32});
        const UINT nFirst = kind == emu::EFaultKind::Kill ? RunKillable() : RunInProcess();
        m_bFirstFlashRight = FlashIsExpected();
        const bool bRecovered = RecoverAndCheck();
        std::ostringstream point;
        point << KindName(kind) << " at exchange " << n << " (erase status " << int{nEraseStatus} << ")";
        Record(nFirst == IDS_UPDATE_COMPLETE, bRecovered, point.str());
      }
    }

    // Killed while the backup is being written, moved, read back or deleted.
    const emu::EFileOp ops[] = {emu::EFileOp::CreateWrite, emu::EFileOp::Write, emu::EFileOp::Flush,
                                emu::EFileOp::Move, emu::EFileOp::CreateRead, emu::EFileOp::Delete};
    for (emu::EFileOp op : ops) {
      for (std::uint32_t n = 1; n <= 2; ++n) {
        PlugFreshDevice(nEraseStatus);
        emu::SFileFault fault;
        fault.op = op;
        fault.action = emu::EFileFaultAction::Kill;
        fault.nOccurrence = n;
        emu::EmulatedPlatform().AddFileFault(fault);
        const UINT nFirst = RunKillable();
        m_bFirstFlashRight = FlashIsExpected();
        const bool bRecovered = RecoverAndCheck();
        std::ostringstream point;
        point << "killed at file operation " << static_cast<int>(op) << " call " << n;
        Record(nFirst == IDS_UPDATE_COMPLETE, bRecovered, point.str());
      }
    }
  }

  std::cout << "key-block sweep: " << m_nPoints << " failure points tried, " << m_nLosses
            << " key blocks lost or runs not recovered, " << m_nFalseSuccesses
            << " successes reported with a wrong flash\n";
  RecordProperty("points", m_nPoints);
  RecordProperty("losses", m_nLosses);
  EXPECT_EQ(m_nLosses, 0) << m_failures.str();
  EXPECT_EQ(m_nFalseSuccesses, 0) << m_failures.str();
  EXPECT_GT(m_nPoints, 600);
}

}  // namespace
