#include "zentor_fixture.h"

#include "posix_platform.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace {

constexpr std::size_t kFlashSize = emu::kFlashSize;
constexpr std::size_t kKeyAddress = emu::kKeyBlockAddress;

}  // namespace

std::filesystem::path ToFsPath(const std::wstring& path) {
  return std::filesystem::path(posix_platform::ToUtf8(path));
}

Bytes DeviceKeyBlock() {
  Bytes key(emu::kKeyBlockSize);
  std::uint32_t state = 0x2545F491u;
  for (auto& b : key) {
    state = state * 1664525u + 1013904223u;
    b = static_cast<std::uint8_t>(state >> 24);
  }
  key[0] = 0x4B;  // never all 0xFF, whatever the generator gives
  return key;
}

Bytes OldFlashContent() {
  static const Bytes content = [] {
    Bytes flash = emu::EmbeddedFirmware();
    for (std::size_t i = 0; i < flash.size(); ++i) {
      if (flash[i] != 0xFF) flash[i] = static_cast<std::uint8_t>(flash[i] ^ 0x5A);
    }
    const Bytes key = DeviceKeyBlock();
    std::copy(key.begin(), key.end(), flash.begin() + kKeyAddress);
    return flash;
  }();
  return content;
}

Bytes ExpectedFlash(const Bytes& image, const Bytes& keyBlock) {
  Bytes expected = image;
  std::copy_n(keyBlock.begin(), 416, expected.begin() + kKeyAddress);
  return expected;
}

Bytes ExpectedBackup(const Bytes& image) {
  Bytes backup = DeviceKeyBlock();
  std::copy(image.begin() + kKeyAddress + 416, image.begin() + kKeyAddress + 512, backup.begin() + 416);
  return backup;
}

Bytes SmallFirmware() {
  Bytes image(kFlashSize, 0xFF);
  const std::size_t pages[] = {0x000000, 0x000100, 0x010000, 0x0F1200, 0x1FFF00};
  std::uint8_t value = 1;
  for (std::size_t page : pages) {
    for (std::size_t i = 0; i < 256; ++i) image[page + i] = value++;
  }
  return image;
}

Bytes ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void CZentorTest::SetUp() {
  Platform().Reset();
  m_device = Hid().AddZentor();
  m_device->LoadFlash(OldFlashContent());
}

void CZentorTest::TearDown() {
  // Whatever a test did, nothing it ran may leave a handle behind.
  EXPECT_EQ(Hid().OpenDeviceHandleCount(), 0u);
  EXPECT_EQ(Hid().OpenDeviceInfoSetCount(), 0u);
  EXPECT_EQ(Hid().OpenPreparsedDataCount(), 0u);
}

Bytes CZentorTest::KeyBlockInFlash() const {
  const Bytes flash = Flash();
  return Bytes(flash.begin() + kKeyAddress, flash.begin() + kKeyAddress + emu::kKeyBlockSize);
}

std::filesystem::path CZentorTest::BackupPath() const {
  return ToFsPath(emu::EmulatedPlatform().TempPath() + L"zentor.tmp");
}

bool CZentorTest::BackupExists() const { return std::filesystem::exists(BackupPath()); }

std::vector<Bytes> CZentorTest::SentReports() const {
  std::vector<Bytes> reports;
  for (const emu::STraceEntry& entry : m_device->Trace()) {
    if (entry.kind == emu::STraceEntry::EKind::Send && entry.bOk) reports.push_back(entry.bytes);
  }
  return reports;
}

std::vector<Bytes> CZentorTest::SentReports(std::uint8_t nCode) const {
  std::vector<Bytes> reports;
  for (const Bytes& report : SentReports()) {
    if (report.size() > 1 && report[1] == nCode) reports.push_back(report);
  }
  return reports;
}
