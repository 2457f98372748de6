// What the command tests share: a scripted view installed as the active view, the remembered
// names and shared words reset between cases, a scratch folder, and small file helpers.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/safe_file.h"
#include "common/shared_state.h"
#include "support/run_tool.h"
#include "support/scripted_view_port.h"

namespace vexalo::test {

namespace fs = std::filesystem;

inline void ResetRememberedNames() {
  CurrentMp3Path.clear();
  SyncSourcePath.clear();
  CurrentMp3Name.clear();
  CurrentMp3Folder.clear();
  TextFilePath.clear();
  TextFileName.clear();
}

class CommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vexalo-cmd-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir = pattern;
    ResetRememberedNames();
    TransportCommand = 0;
    WorkerBusy = 0;
    PlayerState = kStateNoSong;
    ActiveView = &view;
  }
  void TearDown() override {
    ActiveView = nullptr;
    ResetRememberedNames();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  std::string PathIn(const std::string& name) const { return (dir / name).string(); }
  void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  }
  std::string Get(const std::string& path) {
    std::string s;
    EXPECT_TRUE(ReadWholeFile(path, s)) << path;
    return s;
  }
  std::string CopyFixture(const std::string& fixture, const std::string& name) {
    std::string to = PathIn(name);
    fs::copy_file(FixturePath(fixture), to, fs::copy_options::overwrite_existing);
    return to;
  }
  static FileChoice Choose(const std::string& path) {
    return FileChoice{path, fs::path(path).filename().string()};
  }
  // Texts of every message box shown so far, in order.
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : view.messages) texts.push_back(m.text);
    return texts;
  }

  ScriptedViewPort view;
  fs::path dir;
};

}  // namespace vexalo::test
