// orvane_demo: updates an emulated Zentor on this machine, as the Windows
// program would update a real one, and checks what the device holds after.
//
//   orvane_demo [--unconfirmed-erase] [--interrupt]
//
// --unconfirmed-erase  the device does not confirm its erase, so the update
//                      waits and blank-checks the flash
// --interrupt          the device stops answering half-way through the
//                      programming; the update is then started again, as the
//                      user would, and completes from the key-block backup
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "command_channel.h"
#include "console_dialog.h"
#include "emulated_platform.h"
#include "status_messages.h"
#include "update_procedure.h"
#include "working_image.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A device-unique key block and a flash holding an older firmware.
Bytes OlderFlash() {
  Bytes flash = emu::EmbeddedFirmware();
  for (auto& b : flash) {
    if (b != 0xFF) b = static_cast<std::uint8_t>(b ^ 0x3C);
  }
  std::uint32_t state = 0x1F123BB5u;
  for (std::size_t i = 0; i < kKeyBlockSize; ++i) {
    state = state * 1103515245u + 12345u;
    flash[kKeyBlockAddress + i] = static_cast<std::uint8_t>(state >> 16);
  }
  return flash;
}

bool RunOnce(const char* pszTitle) {
  std::printf("\n== %s\n", pszTitle);
  CConsoleDialog dialog;
  const auto start = std::chrono::steady_clock::now();
  RunUpdate(dialog);
  const auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("   run ended on %u; Update %s, Close %s, progress %d; %.2f s of host time\n", dialog.LastStatus(),
              dialog.UpdateEnabled() ? "enabled" : "disabled", dialog.CloseEnabled() ? "enabled" : "disabled",
              dialog.Position(), elapsed);
  return dialog.LastStatus() == IDS_UPDATE_COMPLETE;
}

}  // namespace

int main(int argc, char** argv) {
  bool bUnconfirmedErase = false;
  bool bInterrupt = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--unconfirmed-erase") {
      bUnconfirmedErase = true;
    } else if (arg == "--interrupt") {
      bInterrupt = true;
    } else {
      std::fprintf(stderr, "usage: orvane_demo [--unconfirmed-erase] [--interrupt]\n");
      return 2;
    }
  }

  emu::CEmulatedPlatform& platform = emu::EmulatedPlatform();
  platform.Reset();
  auto zentor = platform.Hid().AddZentor();
  const Bytes older = OlderFlash();
  zentor->LoadFlash(older);
  zentor->SetEraseReplyStatus(bUnconfirmedErase ? 0 : 1);
  if (bInterrupt) zentor->AddFault({emu::EFaultKind::NoReply, CMD_PROGRAM_LAST, 900});

  std::printf("Emulated Zentor attached; firmware image of %zu bytes; backup file in %ls\n",
              emu::EmbeddedFirmware().size(), platform.TempPath().c_str());
  bool bDone = RunOnce("Update");
  if (!bDone && bInterrupt) {
    zentor->ClearFaults();
    bDone = RunOnce("Update, started again");
  }

  Bytes expected = emu::EmbeddedFirmware();
  std::copy_n(older.begin() + kKeyBlockAddress, kKeyBlockReadSize, expected.begin() + kKeyBlockAddress);
  const Bytes flash = zentor->FlashCopy();
  const bool bFlashRight = flash == expected;
  const bool bKeyKept =
      std::equal(flash.begin() + kKeyBlockAddress, flash.begin() + kKeyBlockAddress + kKeyBlockReadSize,
                 older.begin() + kKeyBlockAddress);
  std::printf("\nDevice flash %s the firmware with the device's key block; key block %s; %zu reports sent, %zu read\n",
              bFlashRight ? "equals" : "DIFFERS FROM", bKeyKept ? "kept" : "LOST", zentor->SendCount(),
              zentor->ReadCount());
  return bDone && bFlashRight ? 0 : 1;
}
