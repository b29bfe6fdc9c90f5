// A bar is one record, whatever fails. Each bar operation is run with every system call of the
// file layer failing in turn, and again stopped dead at every one in a child process; after
// each, both files read whole, every bar with keys has a row, every row's bar can be deleted,
// an operation that can be run again finishes, and one that said it succeeded did it all.
// Processes working at once lose no row, and an export beside them never sees half a bar.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>

#include "registration/bars.h"
#include "registration/posix/file_registry_store.h"
#include "system/posix/system_calls.h"
#include "tests/support/temp_dir.h"

namespace quillbay {
namespace {

namespace fs = std::filesystem;

constexpr int kStopped = 3;  // a child's exit status when it stopped at its chosen call
SystemCalls real;
int calls = 0, fail_at = 0, stop_at = 0;  // calls counted; the one to fail, the one to stop at

// Whether this call fails, with `error`; the process ends here when it is the one to stop at.
bool Fails(int error) {
  if (++calls == stop_at) ::_exit(kStopped);
  if (calls != fail_at) return false;
  errno = error;
  return true;
}

// The counting calls, each failing as the system would.
void Count(int fail, int stop) {
  calls = 0, fail_at = fail, stop_at = stop;
  SystemCalls& c = system_calls;
  c.open = [](const char* p, int f, mode_t m) { return Fails(EACCES) ? -1 : real.open(p, f, m); };
  c.read = [](int fd, void* b, size_t n) { return Fails(EIO) ? -1 : real.read(fd, b, n); };
  c.write = [](int fd, const void* b, size_t n) {
    return Fails(ENOSPC) ? -1 : real.write(fd, b, n);
  };
  c.stat = [](const char* p, struct stat* s) { return Fails(EIO) ? -1 : real.stat(p, s); };
  c.lstat = [](const char* p, struct stat* s) { return Fails(EIO) ? -1 : real.lstat(p, s); };
  c.fstat = [](int fd, struct stat* s) { return Fails(EIO) ? -1 : real.fstat(fd, s); };
  c.fchown = [](int fd, uid_t u, gid_t g) { return Fails(EACCES) ? -1 : real.fchown(fd, u, g); };
  c.fchmod = [](int fd, mode_t m) { return Fails(EACCES) ? -1 : real.fchmod(fd, m); };
  c.fsync = [](int fd) { return Fails(EIO) ? -1 : real.fsync(fd); };
  c.close = [](int fd) {  // the descriptor is gone even when close fails, as on Linux
    const bool fails = Fails(EIO);
    const int rc = real.close(fd);
    return fails ? (errno = EIO, -1) : rc;
  };
  c.rename = [](const char* a, const char* b) { return Fails(EIO) ? -1 : real.rename(a, b); };
  c.unlink = [](const char* p) { return Fails(EACCES) ? -1 : real.unlink(p); };
  c.mkdir = [](const char* p, mode_t m) { return Fails(EACCES) ? -1 : real.mkdir(p, m); };
  c.flock = [](int fd, int op) { return Fails(ENOLCK) ? -1 : real.flock(fd, op); };
}

class World {
 public:
  World() { fs::create_directories(folder_); }
  ~World() { fs::remove_all(top_); }

  // Runs `body` on the bars of this world, with stores of its own.
  template <typename Body>
  auto With(Body&& body) const {
    FileRegistryStore store(registry_);
    SystemGuidSource guids;
    Bars bars(store, guids, backup_);
    return body(bars);
  }
  BarId Make(const char* name) const {
    return *With([&](Bars& bars) { return bars.Create(name, "http://h/", BarKind::kVertical).id; });
  }
  void Unlist(const BarId& id) const {
    BackupLock list(backup_);
    std::vector<BarRow> rows = list.rows();
    std::erase_if(rows, [&](const BarRow& row) { return row.id == id; });
    list.Write(std::move(rows));
  }
  std::vector<BarRow> Rows() const { return LoadBackup(backup_); }
  bool Listed(const BarId& id) const {
    return std::ranges::any_of(Rows(), [&](const BarRow& row) { return SameBarId(row.id, id); });
  }
  BarState State(const BarId& id) const {
    FileRegistryStore store(registry_);
    return ReadBar(store, id).value();
  }
  std::vector<FoundBarId> Found() const {
    FileRegistryStore store(registry_);
    RegResult<std::vector<FoundBarId>> ids = ReadBarIds(store);
    EXPECT_TRUE(ids) << "registry.reg does not read: " << ids.error().detail;
    return ids ? *ids : std::vector<FoundBarId>{};
  }
  std::vector<std::string> Files() const {
    return {testing::ReadBytes(backup_), testing::ReadBytes(registry_)};
  }
  // The files as `files` holds them, and nothing else: each run makes the same calls.
  void Restore(const std::vector<std::string>& files) const {
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    testing::WriteBytes(backup_, files[0]);
    testing::WriteBytes(registry_, files[1]);
  }

 private:
  // In memory where the system has it: the files' flushes would take most of the time.
  std::string top_ =
      ((fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) /
       ("quillbay-faults-" + std::to_string(std::random_device{}())))
          .string();
  std::string folder_ = top_ + "/data";
  std::string backup_ = folder_ + "/bkupRegKeyf";
  std::string registry_ = folder_ + "/registry.reg";
};

// One bar operation and the whole of what it was asked to do.
struct Operation {
  const char* name;
  std::function<BarOutcome(Bars&)> run;
  std::function<bool()> done;
  bool finishes_when_run_again;  // Create makes another bar instead
};

TEST(BarsFaultTest, ABarIsOneRecordWhicheverCallFailsOrStops) {
  World world;
  const BarId a = world.Make("A"), b = world.Make("B"), orphan = world.Make("O");
  world.Unlist(orphan);
  const std::vector<std::string> start = world.Files();
  const Operation operations[] = {
      {"Create", [](Bars& bars) { return bars.Create("New", "http://n/", BarKind::kHorizontal); },
       [&] {
         const std::vector<BarRow> rows = world.Rows();
         const BarState made = world.State(rows.back().id);
         return rows.size() == 3 && made.registered() && made.kind == BarKind::kHorizontal;
       },
       false},
      {"Delete", [&](Bars& bars) { return bars.Delete(a); },
       [&] { return !world.Listed(a) && !world.State(a).any_key; }, true},
      {"Set", [&](Bars& bars) { return bars.Set(b, "Renamed", "http://r/", BarKind::kHorizontal); },
       [&] {
         const BarState set = world.State(b);
         return world.Rows()[1].name == "Renamed" && set.registered() && set.name == "Renamed" &&
                set.location == "http://r/" && set.kind == BarKind::kHorizontal;
       },
       true},
      {"Repair", [](Bars& bars) { return bars.Repair(); }, [&] { return world.Listed(orphan); },
       true},
  };
  real = system_calls;
  for (const Operation& operation : operations) {
    world.Restore(start);
    Count(0, 0);
    ASSERT_TRUE(world.With(operation.run).ok()) << operation.name;
    const int steps = calls;
    system_calls = real;
    for (int k = 1; k <= steps; ++k) {
      for (const bool stop : {false, true}) {
        SCOPED_TRACE(std::string(operation.name) + (stop ? ", stopped at call " : ", call ") +
                     std::to_string(k) + (stop ? "" : " failing"));
        world.Restore(start);
        if (stop) {
          const testing::Child child([&]() -> std::string {
            Count(0, k);
            world.With(operation.run);
            return "";
          });
          EXPECT_NE(child.Result(), "") << "it never reached the call";
        } else {
          Count(k, 0);
          const bool ok = world.With(operation.run).ok();
          system_calls = real;
          EXPECT_TRUE(!ok || operation.done()) << "a failure was reported as success";
        }
        // Every bar with keys has a row (the orphan aside, until it is listed again).
        for (const FoundBarId& found : world.Found()) {
          EXPECT_TRUE(SameBarId(found.id, orphan) || world.Listed(found.id)) << found.id;
        }
        for (const BarRow& row : world.Rows()) {
          EXPECT_TRUE(IsWellFormedBarId(row.id) && row.source.ends_with("\r\n")) << row.source;
        }
        if (operation.finishes_when_run_again && !operation.done()) {
          EXPECT_TRUE(world.With(operation.run).ok() && operation.done()) << "run again";
        }
        for (const BarRow& row : world.Rows()) {
          EXPECT_TRUE(world.With([&](Bars& bars) { return bars.Delete(row.id); }).ok()) << row.id;
        }
        for (const FoundBarId& found : world.Found()) {
          EXPECT_TRUE(SameBarId(found.id, orphan)) << found.id << " is left";
        }
      }
    }
  }
}

// Makers, a deleter and an exporter at once, in processes of their own: each waits for the
// list's lock, so no row is lost and the exporter sees every bar whole.
TEST(BarsFaultTest, ProcessesAtOnceLoseNoRowAndExportWholeBars) {
  World world;
  std::vector<BarId> old;
  for (int i = 0; i < 10; ++i) old.push_back(world.Make("old"));
  auto each = [&](std::size_t times, const std::function<bool(Bars&, std::size_t)>& step) {
    return testing::Child([&, times]() -> std::string {
      for (std::size_t i = 0; i < times; ++i) {
        if (!world.With([&](Bars& bars) { return step(bars, i); }))
          return "step " + std::to_string(i);
      }
      return "";
    });
  };
  const auto make = [](Bars& bars, std::size_t) {
    return bars.Create("new", "http://n/", BarKind::kVertical).ok();
  };
  const testing::Child children[] = {
      each(10, make),
      each(10, make),
      each(10, [&](Bars& bars, std::size_t i) { return bars.Delete(old[i]).ok(); }),
      each(20, [](Bars& bars, std::size_t) { return bars.ToExport({}, false).ok(); }),
  };
  for (const testing::Child& child : children) EXPECT_EQ(child.Result(), "");
  const std::vector<BarRow> rows = world.Rows();
  EXPECT_EQ(rows.size(), 20u);
  for (const BarRow& row : rows) EXPECT_TRUE(row.name == "new" && world.State(row.id).registered());
  EXPECT_EQ(world.Found().size(), 20u);
}

}  // namespace
}  // namespace quillbay
