#pragma once

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace quillbay {

// A fresh, empty folder for each test, removed afterwards.
struct TempFolderTest : ::testing::Test, testing::TempDir {
  std::string Join(const std::string& name) const { return File(name); }
};

}  // namespace quillbay
