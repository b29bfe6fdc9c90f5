#pragma once

#if !defined(_WIN32)
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace quillbay::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir() { std::filesystem::create_directories(path_); }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  // The names in the folder, sorted: shows stray temporary files by name.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
      names.push_back(entry.path().filename().string());
    std::ranges::sort(names);
    return names;
  }

 private:
  std::filesystem::path path_ = std::filesystem::temp_directory_path() /
                                ("quillbay-test-" + std::to_string(std::random_device{}()) + "-" +
                                 std::to_string(std::random_device{}()));
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

#if !defined(_WIN32)
// A child process running `body`; Result() waits for it: "" if body returned "" (success).
// A failed fork() is a failure of the test, never taken for the parent's side, and no
// signal is ever sent to a pid that is not this child's.
class Child {
 public:
  explicit Child(const std::function<std::string()>& body) {
    if ((pid_ = ::fork()) != 0) return;  // the parent, also when no child could be made
    std::string out;
    try {
      out = body();
    } catch (...) {  // never back into the test runner in the child
      out = "the child threw";
    }
    if (!out.empty()) std::fprintf(stderr, "child: %s\n", out.c_str());
    ::_exit(out.empty() ? 0 : 1);
  }
  void Kill() const {
    if (pid_ > 0) ::kill(pid_, SIGKILL);
  }
  pid_t pid() const { return pid_; }
  std::string Result() const {
    if (pid_ < 0) return "no child: fork() failed";
    int status = 0;
    if (::waitpid(pid_, &status, 0) != pid_) return "the child was lost";
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ""
                                                         : "the child failed (its output says why)";
  }

 private:
  pid_t pid_ = -1;
};

// Runs `body` in a child as nobody when we are root: mode bits stop no root.
inline std::string AsOrdinaryUser(const std::function<std::string()>& body) {
  return Child([&]() -> std::string {
           const passwd* nobody = ::getpwnam("nobody");
           if (::geteuid() == 0 && (nobody == nullptr || ::setgroups(0, nullptr) != 0 ||
                                    ::setresgid(nobody->pw_gid, nobody->pw_gid, nobody->pw_gid) ||
                                    ::setresuid(nobody->pw_uid, nobody->pw_uid, nobody->pw_uid))) {
             return "cannot become nobody";
           }
           return body();
         })
      .Result();
}

#endif

}  // namespace quillbay::testing
