// A test fixture with a temporary folder of its own, removed after each test (with whatever a
// test made unreadable or unwritable in it), and small helpers for the files in it.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/safe_file.h"

namespace vexalo::test {

class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vexalo-test-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    for (auto& e : std::filesystem::recursive_directory_iterator(dir, ec))
      std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(dir, ec);
  }
  std::string P(const std::string& name) const { return (dir / name).string(); }
  std::string Put(const std::string& name, const std::string& bytes) {
    std::ofstream(P(name), std::ios::binary) << bytes;
    return P(name);
  }
  static std::string Get(const std::string& path) {
    std::string s;
    EXPECT_TRUE(vexalo::ReadWholeFile(path, s)) << path;
    return s;
  }
  std::filesystem::path dir;
};

}  // namespace vexalo::test
