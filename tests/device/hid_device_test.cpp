// The report link: transfers on an open and on a closed record, the reply
// wait on the tick counter, and handle ownership.
#include <gtest/gtest.h>

#include <array>

#include "hid_device.h"
#include "zentor_fixture.h"

namespace {

class HidDeviceTest : public CZentorTest {
 protected:
  emu::CVirtualClock& Clock() { return Hid().Clock(); }
  std::array<BYTE, 72> m_buffer{};
};

TEST_F(HidDeviceTest, ClosedRecordTransfersNothing) {
  CHidDevice device;
  EXPECT_EQ(device.m_hDevice, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(device.SendReport(m_buffer));
  EXPECT_FALSE(device.ReadReport(m_buffer));
  EXPECT_EQ(Hid().SetFeatureCalls(), 0u);
  EXPECT_EQ(Hid().GetFeatureCalls(), 0u);
}

TEST_F(HidDeviceTest, WaitOnAClosedRecordReadsNothingAndEndsAtTheTimeout) {
  Clock().SetTickReadCost(1);
  CHidDevice device;
  const DWORD dwStart = Clock().Now();
  EXPECT_FALSE(device.WaitReply(m_buffer, 500));
  EXPECT_EQ(Hid().GetFeatureCalls(), 0u);
  EXPECT_GE(Clock().Now() - dwStart, 500u);
}

TEST_F(HidDeviceTest, TransfersMoveTheFeatureReportLengthOnly) {
  CHidDevice device;
  ASSERT_TRUE(device.Open());
  ASSERT_NE(device.m_nInputReportLength, device.m_nFeatureReportLength);
  ASSERT_NE(device.m_nOutputReportLength, device.m_nFeatureReportLength);
  m_buffer[1] = 0x21;
  EXPECT_TRUE(device.SendReport(m_buffer));
  EXPECT_TRUE(device.ReadReport(m_buffer));
  ASSERT_EQ(Device().Trace().size(), 2u);
  for (const auto& entry : Device().Trace()) EXPECT_EQ(entry.bytes.size(), 65u);
  EXPECT_EQ(m_buffer[1], 1) << "the handshake's reply status";
}

TEST_F(HidDeviceTest, BufferShorterThanTheReportIsNeverPassedOn) {
  Device().SetFeatureReportLength(73);
  CHidDevice device;
  ASSERT_TRUE(device.Open());
  EXPECT_EQ(device.m_nFeatureReportLength, 73);
  EXPECT_FALSE(device.SendReport(m_buffer));
  EXPECT_FALSE(device.ReadReport(m_buffer));
  EXPECT_EQ(Hid().SetFeatureCalls(), 0u);
  EXPECT_EQ(Hid().GetFeatureCalls(), 0u);
  // The same device is driven when the caller's buffer is large enough.
  std::array<BYTE, 73> large{};
  EXPECT_TRUE(device.ReadReport(large));
}

TEST_F(HidDeviceTest, FirstReadThatSucceedsEndsTheWaitAfterOneLookAtTheClock) {
  CHidDevice device;
  ASSERT_TRUE(device.Open());
  const std::size_t nTicksBefore = Clock().TickReads();
  EXPECT_TRUE(device.WaitReply(m_buffer, 2000));
  EXPECT_EQ(Clock().TickReads() - nTicksBefore, 1u);
  EXPECT_EQ(Hid().GetFeatureCalls(), 1u);
}

TEST_F(HidDeviceTest, ZeroTimeoutStillMakesOneRead) {
  Device().AddFault({emu::EFaultKind::NoReply, 0x21, 1});
  CHidDevice device;
  ASSERT_TRUE(device.Open());
  m_buffer[1] = 0x21;
  ASSERT_TRUE(device.SendReport(m_buffer));
  EXPECT_FALSE(device.WaitReply(m_buffer, 0));
  EXPECT_EQ(Hid().GetFeatureCalls(), 1u);
}

TEST_F(HidDeviceTest, ReplyWithZeroStatusEndsTheWait) {
  Device().AddFault({emu::EFaultKind::ZeroStatus, 0x21, 1});
  CHidDevice device;
  ASSERT_TRUE(device.Open());
  m_buffer[1] = 0x21;
  ASSERT_TRUE(device.SendReport(m_buffer));
  EXPECT_TRUE(device.WaitReply(m_buffer, 2000));
  EXPECT_EQ(m_buffer[1], 0);
}

// A wait with no reply: where it starts on the counter, its timeout, and
// where the counter must stand when it gives up. Each failed read costs 1 ms.
struct SWaitCase {
  const char* name;
  DWORD dwStart;
  DWORD dwTimeout;
  DWORD dwEnd;
};

class WaitReplyTimeoutTest : public HidDeviceTest, public ::testing::WithParamInterface<SWaitCase> {};

TEST_P(WaitReplyTimeoutTest, GivesUpAtTheFirstLookThatFindsTheTimeoutPassed) {
  const SWaitCase& wait = GetParam();
  Device().AddFault({emu::EFaultKind::NoReply, 0x21, 1});
  CHidDevice device;
  ASSERT_TRUE(device.Open());
  m_buffer[1] = 0x21;
  ASSERT_TRUE(device.SendReport(m_buffer));
  Clock().Set(wait.dwStart);
  const std::size_t nReadsBefore = Hid().GetFeatureCalls();

  EXPECT_FALSE(device.WaitReply(m_buffer, wait.dwTimeout));

  EXPECT_EQ(Clock().Now(), wait.dwEnd);
  EXPECT_EQ(Hid().GetFeatureCalls() - nReadsBefore, wait.dwTimeout);
}

INSTANTIATE_TEST_SUITE_P(
    Waits, WaitReplyTimeoutTest,
    ::testing::Values(SWaitCase{"Plain", 5000, 2000, 7000},
                      // 1000 ms before the counter wraps: polls on across the wrap, ends at 2000.
                      SWaitCase{"AcrossTheWrap", 0xFFFFFFFFu - 999, 3000, 2000},
                      SWaitCase{"EndingExactlyAtTheWrap", 0xFFFFFFFFu - 1999, 2000, 0},
                      SWaitCase{"AtTheTop", 0xFFFFFFFFu, 3000, 2999}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HidDeviceTest, CloseTwiceAndDestructionCloseTheHandleOnce) {
  {
    CHidDevice device;
    ASSERT_TRUE(device.Open());
    EXPECT_EQ(Hid().OpenDeviceHandleCount(), 1u);
    device.Close();
    EXPECT_EQ(device.m_hDevice, INVALID_HANDLE_VALUE);
    device.Close();
    EXPECT_EQ(Hid().OpenDeviceHandleCount(), 0u);
  }
  {
    CHidDevice device;
    ASSERT_TRUE(device.Open());
    EXPECT_EQ(Hid().OpenDeviceHandleCount(), 1u);
  }
  EXPECT_EQ(Hid().OpenDeviceHandleCount(), 0u);
}

TEST_F(HidDeviceTest, FailedTransferLeavesTheRecordOpen) {
  CHidDevice device;
  ASSERT_TRUE(device.Open());
  Device().SetPresent(false);
  EXPECT_FALSE(device.SendReport(m_buffer));
  EXPECT_NE(device.m_hDevice, INVALID_HANDLE_VALUE);
}

}  // namespace
