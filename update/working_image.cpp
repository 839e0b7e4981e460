#include "working_image.h"

#include <algorithm>
#include <array>
#include <new>

#include "backup_file.h"
#include "resource.h"

namespace {

bool AllErased(std::span<const BYTE> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](BYTE b) { return b == 0xFF; });
}

// One reading of the 416 bytes the device gives of its key block, 13 reads
// of 32 bytes. A reply with status 0 is taken like any other: its status
// does not matter here, only its bytes.
bool ReadKeyBlockOnce(CCommandChannel& channel, std::span<BYTE, kKeyBlockReadSize> reading) {
  for (DWORD dwOffset = 0; dwOffset < kKeyBlockReadSize; dwOffset += kChunkSize) {
    if (channel.Read(kKeyBlockAddress + dwOffset, kKeyBlockReadWait) == EExchangeResult::TransportFailure) {
      return false;
    }
    std::copy_n(channel.ReplyData().begin(), kChunkSize, reading.begin() + dwOffset);
  }
  return true;
}

}  // namespace

bool CWorkingImage::LoadWorkingImage() {
  m_pImage.reset();
  HRSRC hResource = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_FIRMWARE), IDR_FIRMWARE_TYPE);
  if (hResource == nullptr) return false;
  HGLOBAL hLoaded = LoadResource(nullptr, hResource);
  if (hLoaded == nullptr) return false;
  const BYTE* pFirmware = static_cast<const BYTE*>(LockResource(hLoaded));
  if (pFirmware == nullptr) return false;
  // The image is the whole flash, offset for address: any other size is a
  // damaged program, and copying 2 MiB from it would read past its end.
  if (SizeofResource(nullptr, hResource) != kFlashSize) return false;
  std::unique_ptr<BYTE[]> pImage(new (std::nothrow) BYTE[kFlashSize]);
  if (!pImage) return false;
  std::copy_n(pFirmware, kFlashSize, pImage.get());
  m_pImage = std::move(pImage);
  return true;
}

std::span<const BYTE> CWorkingImage::Bytes() const {
  if (!m_pImage) return {};
  return std::span<const BYTE>(m_pImage.get(), kFlashSize);
}

std::span<BYTE, kKeyBlockSize> CWorkingImage::KeyBlock() {
  return std::span<BYTE, kKeyBlockSize>(m_pImage.get() + kKeyBlockAddress, kKeyBlockSize);
}

bool CWorkingImage::IsBlankPage(DWORD dwAddress) const {
  return AllErased(std::span<const BYTE>(m_pImage.get() + dwAddress, kPageSize));
}

bool CWorkingImage::ReadKeyBlockFromDevice(CCommandChannel& channel) {
  // The device's answers carry no check value, and a key block that came over
  // wrong would be written back as the device's own once the flash is erased.
  // So the block is read twice and taken only when both readings agree.
  std::array<BYTE, kKeyBlockReadSize> firstReading{};
  std::array<BYTE, kKeyBlockReadSize> secondReading{};
  if (!ReadKeyBlockOnce(channel, firstReading) || !ReadKeyBlockOnce(channel, secondReading)) return false;
  if (firstReading != secondReading) return false;
  std::copy(firstReading.begin(), firstReading.end(), KeyBlock().begin());
  return true;
}

bool CWorkingImage::CaptureKeyBlock(CCommandChannel& channel) {
  m_backupPath = BackupFilePath();
  if (m_backupPath.empty()) return false;

  switch (ReadBackupFile(m_backupPath, KeyBlock())) {
    case EBackupState::Complete:
      // Captured by an earlier run; the device may already be erased.
      return true;
    case EBackupState::Unusable:
      // It may be the only copy of some device's key block: leave it alone
      // and erase nothing.
      return false;
    case EBackupState::Incomplete:
      // Never taken for a key block and never destroyed: the device, not yet
      // erased by whoever began that write, still holds its own.
      if (!ReadKeyBlockFromDevice(channel)) return false;
      if (!SetIncompleteBackupAside(m_backupPath)) return false;
      return WriteBackupFileDurably(m_backupPath, KeyBlock());
    case EBackupState::Missing:
      break;
  }
  if (!ReadKeyBlockFromDevice(channel)) return false;
  return WriteBackupFileDurably(m_backupPath, KeyBlock());
}

void CWorkingImage::DeleteBackupFile() {
  if (!m_backupPath.empty()) DeleteFileW(m_backupPath.c_str());
}
