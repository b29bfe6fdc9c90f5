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

 private:
  testing::TempDir dir_;
};

}  // namespace quillbay
