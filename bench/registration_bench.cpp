// Speed of the operations whose cost grows with the number of bars: loading the backup
// file, creating or deleting one bar while many are registered, and the readers (check,
// what list --json shows, the export) beside one parse of registry.reg, which is what each
// of them should cost at most twice.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "deploy/bar_keys.h"
#include "deploy/reg_export.h"
#include "registration/bars.h"
#include "registration/posix/file_registry_store.h"
#include "registration/reg_file.h"
#include "tests/support/temp_dir.h"
#include "ui/bar_manager.h"

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
      : store(dir.File("registry.reg")),
        bars(store, guids, dir.File("bkupRegKeyf")),
        manager(bars, sink) {
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
  Bars bars;
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

// A machine used for years: `bars` bars, registered and listed, among five times as many
// other programs' classes of 4 subkeys each.
struct Fleet {
  explicit Fleet(std::size_t bars) : store(dir.File("registry.reg")) {
    const std::vector<BarRow> rows = MakeRows(bars);
    // Every bar's keys as registration writes them, and the others', in one update.
    std::vector<RegKeyWrite> steps;
    for (const BarRow& row : rows) {
      const std::vector<RegKeyWrite> keys =
          BarKeys({row.id, row.name, "http://example.com/" + row.name, BarKind::kVertical});
      steps.insert(steps.end(), keys.begin(), keys.end());
      ids.push_back(row.id);
    }
    for (std::size_t i = 0; i < 5 * bars; ++i) {
      Guid g;
      g.data1 = static_cast<std::uint32_t>(0x10000000u + i);
      const std::string key = "CLSID\\" + FormatBarId(g);
      steps.push_back(
          {RegRoot::kClassesRoot, key, {RegValue::Text("", RegType::kString, "Other")}});
      for (const char* sub : {"InprocServer32", "ProgID", "TypeLib", "Version"}) {
        steps.push_back({RegRoot::kClassesRoot,
                         key + "\\" + sub,
                         {RegValue::Text("", RegType::kString, "c:\\other.dll")}});
      }
    }
    store.WriteKeys(steps);
    testing::WriteBytes(dir.File("bkupRegKeyf"), FormatBackup(rows));
    file = testing::ReadBytes(dir.File("registry.reg"));
  }

  testing::TempDir dir;
  FileRegistryStore store;
  CountingGuids guids;
  Bars service{store, guids, dir.File("bkupRegKeyf")};
  std::vector<BarId> ids;
  std::string file;
};

template <typename Read>
void Reader(benchmark::State& state, Read read) {
  Fleet fleet(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(read(fleet));
  state.SetComplexityN(state.range(0));
  state.counters["file_bytes"] = static_cast<double>(fleet.file.size());
}

void BM_ParseRegistryFile(benchmark::State& state) {
  Reader(state, [](Fleet& fleet) { return ParseRegFile(fleet.file).has_value(); });
}
void BM_Check(benchmark::State& state) {
  Reader(state, [](Fleet& fleet) { return fleet.service.Check().found.size(); });
}
void BM_Describe(benchmark::State& state) {
  Reader(state, [](Fleet& fleet) { return fleet.service.Describe().listed.size(); });
}
void BM_ExportBars(benchmark::State& state) {
  Reader(state, [](Fleet& fleet) {
    std::vector<DeployedBar> bars;
    for (const ListedBar& bar : fleet.service.Describe().listed) {
      bars.push_back({bar.row.id, bar.state.name.value_or(bar.row.name),
                      bar.state.location.value_or(""),
                      bar.state.kind.value_or(BarKind::kVertical)});
    }
    return ExportBars(bars).value().size();
  });
}
#define QUILLBAY_FLEET(name) \
  BENCHMARK(name)->Arg(500)->Arg(1'000)->Arg(2'000)->Unit(benchmark::kMillisecond)->Complexity()
QUILLBAY_FLEET(BM_ParseRegistryFile);
QUILLBAY_FLEET(BM_Check);
QUILLBAY_FLEET(BM_Describe);
QUILLBAY_FLEET(BM_ExportBars);

}  // namespace
}  // namespace quillbay

BENCHMARK_MAIN();
