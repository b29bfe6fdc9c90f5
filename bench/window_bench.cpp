// Opening the main window with N bars recorded, on the in-memory dialog platform: the fill
// and every notification it causes must cost the same per row, whatever N is.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include "registration/backup_file.h"
#include "tests/support/registration_fakes.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_dialog_platform.h"
#include "ui/quillbay_dlg.h"

namespace quillbay {
namespace {

void OpenMainWindow(benchmark::State& state) {
  // Keep freed memory in the heap between runs: returning it to the system and faulting it
  // in again is a cost of the allocator, and it would swamp the window's own.
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  const testing::TempDir dir;
  const std::string backup = dir.File("bkupRegKeyf");
  std::vector<BarRow> rows;
  for (int i = 0; i < state.range(0); ++i) {
    Guid g;
    g.data1 = static_cast<std::uint32_t>(i);
    rows.push_back({FormatBarId(g), "Bar number " + std::to_string(i)});
  }
  testing::WriteBytes(backup, FormatBackup(rows));
  testing::MemoryRegistryStore store;
  testing::ScriptedGuidSource guids;
  TestDialogPlatform platform;
  platform.OnRun(dlg::kMain, [](TestWindow& w) {
    benchmark::DoNotOptimize(w.RowCount(idc::kBarList));
    w.Press(Key::kEscape);
  });
  Bars bars(store, guids, backup);
  for (auto _ : state) {
    CQuillbayDlg dlg(platform, bars);
    dlg.DoModal();
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(OpenMainWindow)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace
}  // namespace quillbay

BENCHMARK_MAIN();
