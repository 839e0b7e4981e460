// Finding the Zentor among the machine's HID interfaces.
#include <gtest/gtest.h>

#include <functional>

#include "device_identity.h"
#include "hid_device.h"
#include "zentor_fixture.h"

namespace {

// The interfaces of a machine, in enumeration order. Zentors are told apart
// by their feature report length.
struct SMachine {
  const char* name;
  std::function<void(emu::CHidStack&)> plug;
  bool bFound;
  USHORT nFeatureLength;  // of the Zentor that must be opened
};

emu::SHidInterface Other(std::uint16_t nVendor, std::uint16_t nProduct, emu::SInterfaceBehaviour behaviour = {}) {
  emu::SHidInterface other;
  other.nVendorID = nVendor;
  other.nProductID = nProduct;
  other.nInputReportLength = 8;
  other.nFeatureReportLength = 0;
  other.behaviour = behaviour;
  return other;
}

emu::SInterfaceBehaviour Failing(bool emu::SInterfaceBehaviour::*pFlag) {
  emu::SInterfaceBehaviour behaviour;
  behaviour.*pFlag = true;
  return behaviour;
}

void PlugZentor(emu::CHidStack& hid, std::uint16_t nFeatureLength, emu::SInterfaceBehaviour behaviour = {},
                std::uint16_t nVersion = 0x0100) {
  auto device = hid.AddZentor();
  device->SetFeatureReportLength(nFeatureLength);
  emu::SHidInterface& zentor = hid.Interface(hid.InterfaceCount() - 1);
  zentor.behaviour = behaviour;
  zentor.nVersionNumber = nVersion;
}

const SMachine kMachines[] = {
    {"NoHidInterfaces", [](emu::CHidStack&) {}, false, 0},
    {"OnlyOtherDevices",
     [](emu::CHidStack& hid) {
       hid.AddInterface(Other(0x046D, 0xC077));
       hid.AddInterface(Other(0x045E, 0x0750));
     },
     false, 0},
    {"ZentorAfterOtherDevices",
     [](emu::CHidStack& hid) {
       hid.AddInterface(Other(0x046D, 0xC077));
       PlugZentor(hid, 65);
     },
     true, 65},
    {"SameVendorOtherProductIsPassedOver",
     [](emu::CHidStack& hid) {
       hid.AddInterface(Other(VENDOR_ID, static_cast<std::uint16_t>(PRODUCT_ID + 1)));
       PlugZentor(hid, 64);
     },
     true, 64},
    {"SameProductOtherVendorIsPassedOver",
     [](emu::CHidStack& hid) {
       hid.AddInterface(Other(static_cast<std::uint16_t>(VENDOR_ID + 1), PRODUCT_ID));
       PlugZentor(hid, 64);
     },
     true, 64},
    {"AnyVersionNumber", [](emu::CHidStack& hid) { PlugZentor(hid, 65, {}, 0xBEEF); }, true, 65},
    {"TwoZentorsTheFirstIsOpened",
     [](emu::CHidStack& hid) {
       PlugZentor(hid, 64);
       PlugZentor(hid, 65);
     },
     true, 64},
    // The first interface that cannot be examined ends the search.
    {"EarlierInterfaceWithoutDetail",
     [](emu::CHidStack& hid) {
       hid.AddInterface(Other(0x046D, 0xC077, Failing(&emu::SInterfaceBehaviour::bDetailFails)));
       PlugZentor(hid, 65);
     },
     false, 0},
    {"EarlierInterfaceThatCannotBeOpened",
     [](emu::CHidStack& hid) {
       hid.AddInterface(Other(0x046D, 0xC077, Failing(&emu::SInterfaceBehaviour::bAttributeOpenFails)));
       PlugZentor(hid, 65);
     },
     false, 0},
    {"EarlierInterfaceWithoutAttributes",
     [](emu::CHidStack& hid) {
       hid.AddInterface(Other(0x046D, 0xC077, Failing(&emu::SInterfaceBehaviour::bAttributesFail)));
       PlugZentor(hid, 65);
     },
     false, 0},
    {"LaterBrokenInterfaceDoesNotMatter",
     [](emu::CHidStack& hid) {
       PlugZentor(hid, 65);
       hid.AddInterface(Other(0x046D, 0xC077, Failing(&emu::SInterfaceBehaviour::bAttributesFail)));
     },
     true, 65},
    {"ZentorHeldByAnotherProgramEndsTheSearch",
     [](emu::CHidStack& hid) {
       PlugZentor(hid, 64, Failing(&emu::SInterfaceBehaviour::bReadWriteOpenFails));
       PlugZentor(hid, 65);
     },
     false, 0},
    {"ZentorWithoutPreparsedData",
     [](emu::CHidStack& hid) { PlugZentor(hid, 65, Failing(&emu::SInterfaceBehaviour::bPreparsedDataFails)); },
     false, 0},
    {"ZentorWithInvalidCapabilities",
     [](emu::CHidStack& hid) { PlugZentor(hid, 65, Failing(&emu::SInterfaceBehaviour::bCapsInvalid)); }, false, 0},
    // The interface index is 16 bits wide: 65,536 interfaces can be examined.
    {"ZentorAsThe65536thInterface",
     [](emu::CHidStack& hid) {
       hid.AddBulkInterfaces(65535, 0x046D, 0xC077);
       PlugZentor(hid, 65);
     },
     true, 65},
    {"ZentorBeyond65536Interfaces",
     [](emu::CHidStack& hid) {
       hid.AddBulkInterfaces(65536, 0x046D, 0xC077);
       PlugZentor(hid, 65);
     },
     false, 0},
};

class DeviceDiscoveryTest : public ::testing::TestWithParam<SMachine> {
 protected:
  void SetUp() override { emu::EmulatedPlatform().Reset(); }
  void TearDown() override {
    emu::CHidStack& hid = emu::EmulatedPlatform().Hid();
    EXPECT_EQ(hid.OpenDeviceHandleCount(), 0u);
    EXPECT_EQ(hid.OpenDeviceInfoSetCount(), 0u);
    EXPECT_EQ(hid.OpenPreparsedDataCount(), 0u);
  }
};

TEST_P(DeviceDiscoveryTest, OpensTheFirstZentorOrNothing) {
  const SMachine& machine = GetParam();
  emu::CHidStack& hid = emu::EmulatedPlatform().Hid();
  machine.plug(hid);

  CHidDevice device;
  device.m_nFeatureReportLength = 1234;  // must stay as it was when nothing is found
  const bool bFound = device.Open();

  EXPECT_EQ(bFound, machine.bFound);
  if (machine.bFound) {
    EXPECT_NE(device.m_hDevice, INVALID_HANDLE_VALUE);
    EXPECT_EQ(device.m_nFeatureReportLength, machine.nFeatureLength);
    EXPECT_EQ(device.m_nInputReportLength, 33);
    EXPECT_EQ(device.m_nOutputReportLength, 17);
    EXPECT_EQ(hid.OpenDeviceHandleCount(), 1u);
  } else {
    EXPECT_EQ(device.m_hDevice, INVALID_HANDLE_VALUE);
    EXPECT_EQ(device.m_nFeatureReportLength, 1234);
    EXPECT_EQ(hid.OpenDeviceHandleCount(), 0u);
  }
  EXPECT_EQ(hid.OpenDeviceInfoSetCount(), 0u);
  EXPECT_EQ(hid.OpenPreparsedDataCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Machines, DeviceDiscoveryTest, ::testing::ValuesIn(kMachines),
                         [](const auto& info) { return std::string(info.param.name); });

class ReopenTest : public CZentorTest {};

TEST_F(ReopenTest, OpenAgainTakesANewHandleAndNewLengths) {
  CHidDevice device;
  ASSERT_TRUE(device.Open());
  const HANDLE hFirst = device.m_hDevice;
  Device().SetFeatureReportLength(64);
  ASSERT_TRUE(device.Open());
  EXPECT_NE(device.m_hDevice, hFirst);
  EXPECT_EQ(device.m_nFeatureReportLength, 64);
  EXPECT_EQ(Hid().OpenDeviceHandleCount(), 1u);
}

TEST_F(ReopenTest, FailedReopenClosesTheOldHandleAndKeepsTheLengths) {
  CHidDevice device;
  ASSERT_TRUE(device.Open());
  Hid().RemoveInterface(0);
  EXPECT_FALSE(device.Open());
  EXPECT_EQ(device.m_hDevice, INVALID_HANDLE_VALUE);
  EXPECT_EQ(device.m_nFeatureReportLength, 65);
  EXPECT_EQ(Hid().OpenDeviceHandleCount(), 0u);
}

}  // namespace
