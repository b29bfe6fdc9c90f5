// A bar is one record: after any sequence of operations from several processes, with one
// failure at a random step (a file or lock the process may not use, a full disk, the
// process killed), every bar that has registry keys has a row, every row's bar can be
// deleted, and no failure is reported as success. Each operation runs in a process of its
// own, as the windows and quillbay-cli do, on the real file system; as root the processes
// run as nobody, so that mode bits stop them.
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>

#include "registration/bars.h"
#include "registration/file_registry_store.h"
#include "system/file_lock.h"
#include "tests/support/temp_dir.h"

namespace quillbay {
namespace {

namespace fs = std::filesystem;

enum class Fault {
  kNone,
  kListUnwritable,
  kListLockUnusable,
  kRegistryUnwritable,
  kRegistryLockUnusable,
  kDiskFull,
  kKilled,
};
constexpr int kFaults = 7;

// What a process reported: "ok ID", "failed", or "killed".
using Report = std::string;

class World {
 public:
  ~World() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  // In memory where the system has it: the files' flushes would take most of the time.
  World() {
    fs::create_directories(folder_);
    fs::permissions(dir_, fs::perms::all);
    fs::permissions(folder_, fs::perms::all);
    const passwd* nobody = ::getpwnam("nobody");
    if (::geteuid() == 0 && nobody != nullptr) {
      uid_ = nobody->pw_uid;
      gid_ = nobody->pw_gid;
    }
  }

  // Starts `operation` in a process of its own with `fault` in force; Wait() gives its report.
  pid_t Start(const std::function<Report(Bars&)>& operation, Fault fault, unsigned size_limit) {
    int pipe_fds[2];
    if (::pipe(pipe_fds) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(pipe_fds[0]);
      if (uid_ != 0 && (::setgroups(0, nullptr) != 0 || ::setresgid(gid_, gid_, gid_) != 0 ||
                        ::setresuid(uid_, uid_, uid_) != 0)) {
        ::_exit(3);
      }
      if (fault == Fault::kDiskFull) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{size_limit, size_limit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
      }
      FileRegistryStore store(registry_);
      SystemGuidSource guids;
      Bars bars(store, guids, backup_);
      Report report = "failed";
      try {
        report = operation(bars);
      } catch (...) {  // never back into the test in a child
      }
      (void)!::write(pipe_fds[1], report.data(), report.size());
      ::_exit(0);
    }
    ::close(pipe_fds[1]);
    if (pid < 0) {
      ::close(pipe_fds[0]);
      return -1;
    }
    pipes_[pid] = pipe_fds[0];
    return pid;
  }

  Report Wait(pid_t pid) {
    if (pid <= 0) return "fork failed";
    Report report;
    char buffer[256];
    for (ssize_t n; (n = ::read(pipes_[pid], buffer, sizeof buffer)) > 0;) {
      report.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipes_[pid]);
    pipes_.erase(pid);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFSIGNALED(status)) return "killed";
    return report;
  }

  // Every file usable by the processes again, then `fault`'s file made unusable.
  void Prepare(Fault fault) {
    for (const auto& entry : fs::directory_iterator(folder_)) {
      (void)!::chown(entry.path().c_str(), uid_, gid_);
      ::chmod(entry.path().c_str(), 0644);
    }
    const auto spoil = [&](const std::string& path, mode_t mode) {
      if (!fs::exists(path)) testing::WriteBytes(path, "");
      (void)!::chown(path.c_str(), uid_, gid_);
      ::chmod(path.c_str(), mode);
    };
    if (fault == Fault::kListUnwritable && fs::exists(backup_)) spoil(backup_, 0444);
    if (fault == Fault::kListLockUnusable) spoil(backup_ + ".lock", 0);
    if (fault == Fault::kRegistryUnwritable && fs::exists(registry_)) spoil(registry_, 0444);
    if (fault == Fault::kRegistryLockUnusable) spoil(registry_ + ".lock", 0);
  }

  // The rule, read from the files as they are: every bar with keys has a row.
  std::string Broken() const {
    FileRegistryStore store(registry_);
    const std::vector<BarRow> rows = LoadBackup(backup_);
    RegResult<std::vector<std::string>> ids = ReadClassIds(store);
    if (!ids) return "the registry cannot be read";
    const RegResult<RegTree> bars =
        store.ReadTree(RegRoot::kLocalMachine, kBarsKeyPrefix.substr(0, kBarsKeyPrefix.size() - 1));
    if (bars) {
      for (const RegTree& bar : bars->subkeys) ids->push_back(bar.name);
    }
    for (const std::string& id : *ids) {
      if (std::ranges::none_of(rows, [&](const BarRow& row) { return SameBarId(row.id, id); })) {
        return "an orphan: " + id;
      }
    }
    return "";
  }

  // What the registry holds of `id`.
  BarState State(const std::string& id) const {
    FileRegistryStore store(registry_);
    return ReadBar(store, id).value();
  }

  std::vector<BarRow> Rows() const { return LoadBackup(backup_); }
  std::string RegistryLock() const { return registry_ + ".lock"; }
  std::string Signal(const std::string& name) const { return dir_ + "/" + name; }
  void WaitFor(const std::string& name) const {
    for (int i = 0; i < 5000 && !fs::exists(Signal(name)); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  // Whether no process holds the list's lock now.
  bool ListLockFree() const {
    const int fd = ::open((backup_ + ".lock").c_str(), O_RDONLY | O_CLOEXEC);
    const bool free = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (fd >= 0) ::close(fd);
    return free;
  }
  std::string Files() const { return testing::ReadBytes(backup_) + testing::ReadBytes(registry_); }

 private:
  std::string dir_ =
      ((fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) /
       ("quillbay-model-" + std::to_string(std::random_device{}())))
          .string();
  std::string folder_ = dir_ + "/data";
  std::string backup_ = folder_ + "/bkupRegKeyf";
  std::string registry_ = folder_ + "/registry.reg";
  uid_t uid_ = 0;
  gid_t gid_ = 0;
  std::map<pid_t, int> pipes_;
};

Report Said(const BarOutcome& outcome) {
  return outcome.ok() ? "ok " + outcome.id.value_or("") : "failed";
}

Report Create(Bars& bars, BarKind kind) {
  return Said(bars.Create("bar", "http://h/", kind));
}

Report Delete(Bars& bars, const std::string& id) {
  return Said(bars.Delete(id));
}

// Deletes the last row's bar, whatever it is by then.
Report DeleteLast(Bars& bars) {
  const std::vector<BarRow> rows = bars.List();
  return rows.empty() ? "failed" : Said(bars.Delete(rows.back().id));
}

Report Repair(Bars& bars) {
  std::vector<BarRow> relisted;
  return Said(bars.Repair(&relisted));
}

TEST(BarsModelTest, ABarIsOneRecordWhateverFails) {
  const char* seed_text = std::getenv("QUILLBAY_MODEL_SEED");
  const unsigned seed =
      seed_text ? static_cast<unsigned>(std::atoi(seed_text)) : std::random_device{}();
  SCOPED_TRACE("QUILLBAY_MODEL_SEED=" + std::to_string(seed));
  std::mt19937 random(seed);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };

  constexpr int kSteps = 12;
  std::size_t made = 0;
  for (int sequence = 0; sequence < 40; ++sequence) {
    World world;
    std::vector<std::string> known;  // every identifier made, deleted or not
    const int faulty_step = pick(kSteps);
    for (int step = 0; step < kSteps; ++step) {
      const Fault fault =
          step == faulty_step ? static_cast<Fault>(1 + pick(kFaults - 1)) : Fault::kNone;
      world.Prepare(fault);
      const std::vector<BarRow> before = world.Rows();
      const int what = pick(10);
      std::string id = known.empty()
                           ? ""
                           : known[static_cast<std::size_t>(pick(static_cast<int>(known.size())))];
      const auto kind = pick(2) ? BarKind::kVertical : BarKind::kHorizontal;
      std::string description = "step " + std::to_string(step) + " fault " +
                                std::to_string(static_cast<int>(fault)) + " operation " +
                                std::to_string(what);
      SCOPED_TRACE(description);
      if (what == 9) {
        // Two processes at once, while the registry is busy (another process holds its
        // lock): one makes a bar, the other deletes the last row.
        // The lock holder says when it holds the lock and lets go when told to, through
        // files: no timing decides what the test sees.
        const pid_t busy = world.Start(
            [&](Bars&) {
              std::optional<FileLock> lock;
              try {
                lock.emplace(FileLock::Acquire(world.RegistryLock()));
                testing::WriteBytes(world.Signal("held"), "");
              } catch (const FileError&) {  // the lock made unusable: nobody holds it
              }
              testing::WriteBytes(world.Signal("busy"), "");
              world.WaitFor("release");
              return Report();
            },
            Fault::kNone, 0);
        world.WaitFor("busy");
        const pid_t a = world.Start([&](Bars& b) { return Create(b, kind); }, fault, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        // A row recorded while nobody holds the list's lock, before the keys could be
        // written: another process could now delete the row and leave the keys an orphan.
        EXPECT_FALSE(fs::exists(world.Signal("held")) && world.ListLockFree() &&
                     world.Rows().size() > before.size())
            << "the list's lock was let go before the bar's keys were written";
        const pid_t b = world.Start(DeleteLast, Fault::kNone, 0);
        testing::WriteBytes(world.Signal("release"), "");
        world.Wait(busy);
        for (const char* signal : {"held", "busy", "release"}) fs::remove(world.Signal(signal));
        const Report report = world.Wait(a);
        world.Wait(b);
        if (report.starts_with("ok ")) known.push_back(report.substr(3));
      } else {
        std::function<Report(Bars&)> operation;
        if (what < 5 || id.empty()) {
          operation = [&](Bars& b) { return Create(b, kind); };
        } else if (what < 8) {
          operation = [&](Bars& b) { return Delete(b, id); };
        } else {
          operation = Repair;
        }
        const pid_t pid = world.Start(operation, fault, static_cast<unsigned>(pick(4096)));
        if (fault == Fault::kKilled) {
          std::this_thread::sleep_for(std::chrono::microseconds(pick(3000)));
          if (pid > 0) ::kill(pid, SIGKILL);
        }
        const Report report = world.Wait(pid);
        ASSERT_NE(report, "fork failed");
        // A success is what it says.
        if (report.starts_with("ok {")) {
          id = report.substr(3);
          known.push_back(id);
          EXPECT_TRUE(world.State(id).registered()) << id << " made but not registered";
          EXPECT_EQ(world.Rows().size(), before.size() + 1) << id << " made but not listed";
        } else if (report == "ok " && what >= 5 && what < 8) {
          EXPECT_FALSE(world.State(id).any) << id << " deleted but still registered";
          EXPECT_TRUE(std::ranges::none_of(world.Rows(),
                                           [&](const BarRow& r) { return SameBarId(r.id, id); }))
              << id << " deleted but still listed";
        }
      }
      ASSERT_EQ(world.Broken(), "") << world.Files();
    }
    made += known.size();
    // Every row's bar can be deleted, and then nothing is left of any bar.
    world.Prepare(Fault::kNone);
    for (const BarRow& row : world.Rows()) {
      EXPECT_EQ(
          world.Wait(world.Start([&](Bars& b) { return Delete(b, row.id); }, Fault::kNone, 0)),
          "ok ")
          << row.id;
    }
    EXPECT_TRUE(world.Rows().empty());
    EXPECT_EQ(world.Broken(), "");
    for (const std::string& id : known) EXPECT_FALSE(world.State(id).any) << id;
  }
  EXPECT_GE(made, 100u) << "the processes made almost no bar";
}

}  // namespace
}  // namespace quillbay
