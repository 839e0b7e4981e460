#include "emulated_platform.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "embedded_firmware.h"

namespace emu {

CEmulatedPlatform::CEmulatedPlatform() : m_nOwnerProcess(static_cast<int>(::getpid())) {
  m_hid.SetKillHandler([] { posix_platform::Kill(); });
}

CEmulatedPlatform::~CEmulatedPlatform() {
  if (!m_privateFolder.empty() && ::getpid() == m_nOwnerProcess) {
    std::error_code error;
    std::filesystem::remove_all(posix_platform::ToUtf8(m_privateFolder), error);
  }
}

CHidStack& CEmulatedPlatform::Hid() { return m_hid; }

void CEmulatedPlatform::SetFirmwareResource(std::vector<std::uint8_t> bytes) {
  posix_platform::SetFirmwareResource(std::move(bytes));
}
void CEmulatedPlatform::RemoveFirmwareResource() { posix_platform::RemoveFirmwareResource(); }
void CEmulatedPlatform::UseEmbeddedFirmware() { posix_platform::UseEmbeddedFirmware(); }

void CEmulatedPlatform::SetTempPath(const std::wstring& path, bool bCreate) {
  if (bCreate) {
    std::error_code error;
    std::filesystem::create_directories(posix_platform::ToUtf8(path), error);
  }
  posix_platform::SetTempPath(path);
}

const std::wstring& CEmulatedPlatform::TempPath() const { return posix_platform::TempPath(); }
void CEmulatedPlatform::AddFileFault(const SFileFault& fault) { posix_platform::AddFileFault(fault); }
void CEmulatedPlatform::ClearFileFaults() { posix_platform::ClearFileFaults(); }
std::size_t CEmulatedPlatform::OpenFileHandleCount() const { return posix_platform::OpenFileHandleCount(); }
void CEmulatedPlatform::SetKillHook(void (*pfnKill)()) { posix_platform::SetKillHook(pfnKill); }
void CEmulatedPlatform::Kill() { posix_platform::Kill(); }

void CEmulatedPlatform::Reset() {
  m_hid.Clear();
  posix_platform::UseEmbeddedFirmware();
  posix_platform::ClearFileFaults();

  std::error_code error;
  if (!m_privateFolder.empty() && ::getpid() == m_nOwnerProcess) {
    std::filesystem::remove_all(posix_platform::ToUtf8(m_privateFolder), error);
  }
  m_nOwnerProcess = static_cast<int>(::getpid());
  const std::filesystem::path base = std::filesystem::temp_directory_path(error);
  std::string folder = (error ? std::string("/tmp") : base.string()) + "/orvane-emu-XXXXXX";
  if (::mkdtemp(folder.data()) == nullptr) std::abort();  // no temporary folder: no test can run
  m_privateFolder = posix_platform::FromUtf8(folder + "/");
  posix_platform::SetTempPath(m_privateFolder);
}

CEmulatedPlatform& EmulatedPlatform() {
  static CEmulatedPlatform platform;
  return platform;
}

const std::vector<std::uint8_t>& EmbeddedFirmware() {
  static const std::vector<std::uint8_t> firmware(orvane_firmware_begin, orvane_firmware_end);
  return firmware;
}

}  // namespace emu
