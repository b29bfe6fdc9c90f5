// Speed of the operations whose cost grows with the number of bars: loading the backup
// file, and creating or deleting one bar while many are registered.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "registration/bar_manager.h"
#include "registration/file_registry_store.h"
#include "tests/support/temp_dir.h"

namespace quillbay {
namespace {

class SilentSink : public BarManagerSink {
 public:
  void ShowMessage(std::string_view text) override { benchmark::DoNotOptimize(text); }
  void ShowFileError(const FileError& error) override { benchmark::DoNotOptimize(&error); }
};

// Sequential GUIDs: fast and never repeated.
class CountingGuids : public GuidSource {
 public:
  std::optional<Guid> NewGuid() override {
    Guid g;
    g.data1 = ++n_;
    g.data3 = 0x4000;
    return g;
  }

 private:
  std::uint32_t n_ = 0;
};

std::vector<BarRow> MakeRows(std::size_t count) {
  std::vector<BarRow> rows;
  rows.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    Guid g;
    g.data1 = static_cast<std::uint32_t>(0x80000000u + i);
    rows.push_back({FormatBarId(g), "Bar number " + std::to_string(i)});
  }
  return rows;
}

void BM_LoadBackup(benchmark::State& state) {
  testing::TempDir dir;
  const std::string path = dir.File("bkupRegKeyf");
  testing::WriteBytes(path, FormatBackup(MakeRows(static_cast<std::size_t>(state.range(0)))));
  for (auto _ : state) {
    benchmark::DoNotOptimize(LoadBackup(path));
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LoadBackup)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond)->Complexity();

// A data folder holding `count` bars, registered and listed, as a long-used program has.
struct Populated {
  explicit Populated(std::size_t count)
      : store(dir.File("registry.reg")), manager(store, guids, sink, dir.File("bkupRegKeyf")) {
    const std::vector<BarRow> rows = MakeRows(count);
    for (const BarRow& row : rows) {
      RegisterBar(store, row.id, row.name, "http://example.com/" + row.name, BarKind::kVertical);
    }
    testing::WriteBytes(dir.File("bkupRegKeyf"), FormatBackup(rows));
    manager.Open();
  }

  testing::TempDir dir;
  FileRegistryStore store;
  CountingGuids guids;
  SilentSink sink;
  BarManager manager;
};

void BM_CreateBar(benchmark::State& state) {
  Populated data(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    data.manager.CreateBar("New bar", "http://example.com/new.htm");
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_CreateBar)->Arg(100)->Arg(1'000)->Unit(benchmark::kMillisecond)->Complexity();

void BM_DeleteSelected(benchmark::State& state) {
  Populated data(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    data.manager.CreateBar("Doomed bar", "http://example.com/doomed.htm");
    const int last = static_cast<int>(data.manager.rows().size()) - 1;
    data.manager.SelectionChanged(last, 1);
    state.ResumeTiming();
    data.manager.DeleteSelected();
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_DeleteSelected)->Arg(100)->Arg(1'000)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace
}  // namespace quillbay

BENCHMARK_MAIN();
