#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace quillbay {

// A fresh, empty folder for each test, removed afterwards.
class TempFolderTest : public ::testing::Test {
 protected:
  std::string folder() const { return dir_.path().string(); }
  std::string Join(const std::string& name) const { return dir_.File(name); }

  // The names in the folder, sorted: shows stray temporary files by name.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::ranges::sort(names);
    return names;
  }

  static std::string ReadFile(const std::string& path) { return testing::ReadBytes(path); }
  static void WriteFile(const std::string& path, const std::string& data) {
    testing::WriteBytes(path, data);
  }

 private:
  testing::TempDir dir_;
};

// Makes `folder` the current folder for one scope.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::string& folder) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~CurrentFolder() { std::filesystem::current_path(previous_); }
  CurrentFolder(const CurrentFolder&) = delete;
  CurrentFolder& operator=(const CurrentFolder&) = delete;

 private:
  std::filesystem::path previous_;
};

}  // namespace quillbay
