#include "update_procedure.h"

#include <algorithm>

#include "command_channel.h"
#include "hid_device.h"
#include "status_messages.h"
#include "working_image.h"

namespace {

constexpr int kProgressRange = 2 * kPageCount;  // 16384: programming, then verification
constexpr DWORD kBlockSize = 0x10000;
constexpr DWORD kBlockCount = kFlashSize / kBlockSize;
constexpr DWORD kChunksPerPage = kPageSize / kChunkSize;
constexpr DWORD kPhasePause = 1000;
// A device that does not confirm its erase gets this long to finish it
// before the flash is sampled.
constexpr DWORD kEraseSettlePause = 10000;

BYTE ProgramCode(DWORD dwChunk) {
  if (dwChunk == 0) return CMD_PROGRAM_FIRST;
  if (dwChunk == kChunksPerPage - 1) return CMD_PROGRAM_LAST;
  return CMD_PROGRAM_NEXT;
}

// One run after the confirmation. Each step returns 0 to go on or the status
// message that ends the run.
class CUpdateRun {
 public:
  explicit CUpdateRun(IUpdateDialog& dialog) : m_dialog(dialog), m_channel(m_device) {}

  UINT Run() {
    if (!m_device.Open()) return IDS_CONNECT_DEVICE;
    if (!m_image.LoadWorkingImage()) return IDS_FIRMWARE_DATA_ERROR;
    if (!m_device.Open()) return IDS_CONNECT_DEVICE;
    m_channel.DrainReads();

    m_dialog.SetStatus(IDS_INITIALIZING);
    if (m_channel.Handshake() != EExchangeResult::NonzeroStatus) return IDS_INIT_ERROR;

    m_dialog.SetStatus(IDS_READING_KEYS);
    if (!m_image.CaptureKeyBlock(m_channel)) return IDS_KEY_READ_ERROR;
    m_dialog.SetStatus(IDS_READ_COMPLETE);
    m_dialog.Pause(kPhasePause);

    m_dialog.SetStatus(IDS_ERASING);
    if (UINT nFailure = Erase()) return nFailure;
    m_dialog.SetStatus(IDS_ERASE_COMPLETE);
    m_dialog.Pause(kPhasePause);

    m_dialog.SetStatus(IDS_WRITING);
    m_dialog.SetProgressRange(0, kProgressRange);
    m_dialog.SetProgressPos(0);
    if (UINT nFailure = Program()) return nFailure;

    m_dialog.SetStatus(IDS_VERIFYING);
    if (UINT nFailure = Verify()) return nFailure;

    m_dialog.SetProgressPos(kProgressRange);
    m_dialog.SetStatus(IDS_WRITE_COMPLETE);
    m_dialog.Pause(kPhasePause);
    m_dialog.SetStatus(IDS_UPDATE_COMPLETE);
    m_image.DeleteBackupFile();
    return 0;
  }

 private:
  UINT Erase() {
    const EExchangeResult erase = m_channel.Erase();
    if (erase == EExchangeResult::TransportFailure) return IDS_ERASE_ERROR;
    if (erase == EExchangeResult::NonzeroStatus) return 0;

    m_dialog.SetStatus(IDS_BLANK_CHECK);
    m_dialog.Pause(kEraseSettlePause);
    // The first 32 bytes of every 64 KiB block stand for the block.
    for (DWORD dwBlock = 0; dwBlock < kBlockCount; ++dwBlock) {
      const EExchangeResult read = m_channel.Read(dwBlock * kBlockSize, kBlankCheckWait);
      if (read == EExchangeResult::TransportFailure) return IDS_WRITE_ERROR;
      if (read == EExchangeResult::ZeroStatus) return IDS_ERASE_ERROR;
      const auto data = m_channel.ReplyData();
      if (!std::all_of(data.begin(), data.end(), [](BYTE b) { return b == 0xFF; })) return IDS_WRITE_ERROR;
    }
    return 0;
  }

  UINT Program() {
    const auto image = m_image.Bytes();
    for (DWORD dwPage = 0; dwPage < kPageCount; ++dwPage) {
      m_dialog.SetProgressPos(static_cast<int>(dwPage));
      const DWORD dwAddress = dwPage * kPageSize;
      if (m_image.IsBlankPage(dwAddress)) continue;
      for (DWORD dwChunk = 0; dwChunk < kChunksPerPage; ++dwChunk) {
        const auto chunk = image.subspan(dwAddress + dwChunk * kChunkSize).first<kChunkSize>();
        if (m_channel.Program(ProgramCode(dwChunk), dwAddress, chunk) != EExchangeResult::NonzeroStatus) {
          return IDS_WRITE_ERROR;
        }
      }
    }
    return 0;
  }

  UINT Verify() {
    const auto image = m_image.Bytes();
    const int nProgressBase = m_dialog.GetProgressPos();
    for (DWORD dwPage = 0; dwPage < kPageCount; ++dwPage) {
      m_dialog.SetProgressPos(nProgressBase + static_cast<int>(dwPage));
      const DWORD dwAddress = dwPage * kPageSize;
      if (m_image.IsBlankPage(dwAddress)) continue;
      for (DWORD dwChunk = 0; dwChunk < kChunksPerPage; ++dwChunk) {
        const DWORD dwChunkAddress = dwAddress + dwChunk * kChunkSize;
        if (m_channel.Read(dwChunkAddress, kVerifyWait) != EExchangeResult::NonzeroStatus) return IDS_WRITE_ERROR;
        const auto data = m_channel.ReplyData();
        if (!std::equal(data.begin(), data.end(), image.begin() + dwChunkAddress)) return IDS_WRITE_ERROR;
      }
    }
    return 0;
  }

  IUpdateDialog& m_dialog;
  CHidDevice m_device;
  CCommandChannel m_channel;
  CWorkingImage m_image;
};

}  // namespace

void RunUpdate(IUpdateDialog& dialog) {
  dialog.EnableUpdateButton(FALSE);
  dialog.EnableCloseButton(FALSE);
  dialog.StopProbeTimer();

  if (dialog.MessageBoxById(IDS_CONFIRM_UPDATE, MB_OKCANCEL | MB_ICONQUESTION) == IDCANCEL) {
    dialog.EnableUpdateButton(TRUE);
    dialog.EnableCloseButton(TRUE);
    dialog.StartProbeTimer();
    return;
  }

  CUpdateRun run(dialog);
  if (const UINT nFailure = run.Run()) dialog.SetStatus(nFailure);
  dialog.EnableCloseButton(TRUE);
  // The run's image, device and buffers are released on return; Update stays
  // disabled and the probe stopped: a further attempt needs a new start.
}
