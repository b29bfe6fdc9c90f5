#pragma once

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace quillbay {

// A fresh, empty folder for each test, removed afterwards.
class TempFolderTest : public ::testing::Test {
 protected:
  std::string Join(const std::string& name) const { return dir_.File(name); }
  std::vector<std::string> Entries() const { return dir_.Entries(); }

 private:
  testing::TempDir dir_;
};

}  // namespace quillbay
