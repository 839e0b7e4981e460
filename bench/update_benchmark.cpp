// Host time of the update against the emulated Zentor with no transfer
// latency and virtual pauses: what the program itself costs per exchange and
// per complete update.
#include <benchmark/benchmark.h>

#include <array>

#include "command_channel.h"
#include "emulated_platform.h"
#include "update_procedure.h"

namespace {

class CSilentDialog : public IUpdateDialog {
 public:
  void SetStatus(UINT nID) override { m_nLastStatus = nID; }
  void EnableUpdateButton(BOOL) override {}
  void EnableCloseButton(BOOL) override {}
  void SetProgressRange(int, int) override {}
  void SetProgressPos(int nPos) override { m_nPosition = nPos; }
  int GetProgressPos() override { return m_nPosition; }
  void StopProbeTimer() override {}
  void StartProbeTimer() override {}
  int MessageBoxById(UINT, UINT) override { return IDOK; }
  void Pause(DWORD dwMilliseconds) override { Sleep(dwMilliseconds); }
  UINT m_nLastStatus = 0;
  int m_nPosition = 0;
};

void BM_CompleteUpdate(benchmark::State& state) {
  emu::CEmulatedPlatform& platform = emu::EmulatedPlatform();
  std::size_t nSends = 0;
  std::size_t nReads = 0;
  for (auto _ : state) {
    state.PauseTiming();
    platform.Reset();
    auto zentor = platform.Hid().AddZentor();
    state.ResumeTiming();

    CSilentDialog dialog;
    RunUpdate(dialog);

    state.PauseTiming();
    if (dialog.m_nLastStatus != 117) state.SkipWithError("the update did not complete");
    nSends = zentor->SendCount();
    nReads = zentor->ReadCount();
    state.ResumeTiming();
  }
  state.counters["sends"] = static_cast<double>(nSends);
  state.counters["reads"] = static_cast<double>(nReads);
  state.counters["exchanges/s"] =
      benchmark::Counter(static_cast<double>(nSends) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CompleteUpdate)->Unit(benchmark::kMillisecond);

void BM_ReadExchange(benchmark::State& state) {
  emu::CEmulatedPlatform& platform = emu::EmulatedPlatform();
  platform.Reset();
  platform.Hid().AddZentor();
  CHidDevice device;
  if (!device.Open()) {
    state.SkipWithError("no device");
    return;
  }
  CCommandChannel channel(device);
  channel.Handshake();
  DWORD dwAddress = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(channel.Read(dwAddress, kVerifyWait));
    dwAddress = (dwAddress + kChunkSize) % 0x200000;
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_ReadExchange);

}  // namespace

BENCHMARK_MAIN();
