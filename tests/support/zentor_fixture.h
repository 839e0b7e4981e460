// A machine with one Zentor attached, whose flash holds an older firmware and
// its own key block, and the helpers the tests use to look at the result.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "emulated_platform.h"
#include "platform_api.h"

using Bytes = std::vector<std::uint8_t>;

std::filesystem::path ToFsPath(const std::wstring& path);

// The device's own 512 bytes at 0xF000: unique, not blank.
Bytes DeviceKeyBlock();
// What the device held before the update: a firmware of an older release
// (every page that the new one uses differs) with the key block in place.
Bytes OldFlashContent();
// The flash as an update from this image must leave it: the image with the
// first 416 bytes of the key block from keyBlock, the last 96 its own.
Bytes ExpectedFlash(const Bytes& image, const Bytes& keyBlock);
// The backup a capture from the device writes: the device's first 416 key
// bytes and the image's last 96.
Bytes ExpectedBackup(const Bytes& image);
// A small image: a handful of non-blank pages (first and last page, the start
// of a block, two pages in a row) for tests that go through every exchange.
Bytes SmallFirmware();
// Any bytes as a file, and back.
Bytes ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const Bytes& bytes);

class CZentorTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  emu::CEmulatedPlatform& Platform() { return emu::EmulatedPlatform(); }
  emu::CHidStack& Hid() { return Platform().Hid(); }
  emu::CZentorDevice& Device() { return *m_device; }
  Bytes Flash() const { return m_device->FlashCopy(); }
  Bytes KeyBlockInFlash() const;

  std::filesystem::path BackupPath() const;
  bool BackupExists() const;

  // Commands the device received, in order, as (code, report) pairs.
  std::vector<Bytes> SentReports() const;
  std::vector<Bytes> SentReports(std::uint8_t nCode) const;

  std::shared_ptr<emu::CZentorDevice> m_device;
};
