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

// A scripted view that also logs, in order, what the command does to it, and what the shared
// words held when the file dialog and the message boxes came up.
class LoggingView : public ScriptedViewPort {
 public:
  Answer MessageBox(const std::string& text, const std::string& t, MessageStyle style) override {
    Log("message:" + text);
    stateAtMessage.push_back(PlayerState.load());
    return ScriptedViewPort::MessageBox(text, t, style);
  }
  std::optional<FileChoice> FileDialog(const FileDialogRequest& request) override {
    Log("dialog:" + request.title);
    commandAtDialog = TransportCommand.load();
    commandsAtDialogs.push_back(commandAtDialog);
    return ScriptedViewPort::FileDialog(request);
  }
  void SetEditorText(const std::string& text) override {
    Log("editor:" + text);
    ScriptedViewPort::SetEditorText(text);
  }
  void SetSliderPos(int pos) override {
    Log("slider:" + std::to_string(pos));
    ScriptedViewPort::SetSliderPos(pos);
  }
  void EnableSlider(bool enabled) override {
    Log(enabled ? "slider:on" : "slider:off");
    ScriptedViewPort::EnableSlider(enabled);
  }
  void SetTitle(const std::string& text) override {
    Log("title:" + text);
    ScriptedViewPort::SetTitle(text);
  }
  void SetControlText(int id, const std::string& text) override {
    Log("control:" + std::to_string(id) + "=" + text);
    ScriptedViewPort::SetControlText(id, text);
  }
  void SetControlNameText(int id, const std::string& text) override {
    Log("control:" + std::to_string(id) + "=" + text);
    ScriptedViewPort::SetControlNameText(id, text);
  }
  void SetChecked(int id, bool checked) override {
    Log("check:" + std::to_string(id) + (checked ? "=on" : "=off"));
    ScriptedViewPort::SetChecked(id, checked);
  }
  void Log(const std::string& what) {
    std::lock_guard<std::recursive_mutex> hold(lock);
    log.push_back(what);
  }
  std::vector<std::string> Snapshot() {
    std::lock_guard<std::recursive_mutex> hold(lock);
    return log;
  }

  std::vector<std::string> log;
  std::vector<int> stateAtMessage;
  int commandAtDialog = -1;
  std::vector<int> commandsAtDialogs;
};

// True when `expected` appears in `log` in this order (other entries may stand between).
inline ::testing::AssertionResult InOrder(const std::vector<std::string>& log, const std::vector<std::string>& expected) {
  std::size_t at = 0;
  for (const std::string& e : expected) {
    while (at < log.size() && log[at] != e) ++at;
    if (at == log.size()) return ::testing::AssertionFailure() << "missing or out of order: " << e;
    ++at;
  }
  return ::testing::AssertionSuccess();
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

  LoggingView view;
  fs::path dir;
};

}  // namespace vexalo::test
