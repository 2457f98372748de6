#include "commands/command_support.h"

#include <algorithm>
#include <cctype>

#include "common/control_ids.h"
#include "common/input_file.h"
#include "common/shared_state.h"
#include "common/view_port.h"
#include "lyrics/lyrics_editor.h"
#include "sync/sync_text.h"

namespace vexalo {

void TellUser(const std::string& text) {
  if (ViewPort* view = ActiveView.load()) view->MessageBox(text, kProductTitle, MessageStyle::Ok);
}

void TellUserWhy(const std::string& text, const std::string& reason) {
  ViewPort* view = ActiveView.load();
  if (!view) return;
  if (!reason.empty()) view->SetStatusNameText(kPanePrompt, " " + reason + " ");
  view->MessageBox(text, kProductTitle, MessageStyle::Ok);
}

std::string CannotOpenReason(const std::string& path, const std::string& name) {
  std::string why = InputProblem(path);
  if (why.empty()) why = "it cannot be read";
  return "cannot open '" + (name.empty() ? path : name) + "': " + why;
}

bool AskUser(const std::string& text) {
  ViewPort* view = ActiveView.load();
  return view && view->MessageBox(text, kProductTitle, MessageStyle::YesNo) == Answer::Yes;
}

bool CaptureLyrics(std::string& out) {
  bool whole = CaptureEditorText();
  out = LyricsTextBuffer;
  return whole;
}

void StoreLyrics(const std::string& text) { LyricsTextBuffer.assign(UpToZero(text).substr(0, kMaxLyricsTextBytes)); }

bool HasExtension(std::string_view path, std::string_view extension) {
  if (path.size() <= extension.size()) return false;
  std::string_view tail = path.substr(path.size() - extension.size());
  return std::equal(tail.begin(), tail.end(), extension.begin(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  });
}

std::string FolderOfChoice(const std::string& path, const std::string& name) {
  if (name.size() <= path.size() && path.compare(path.size() - name.size(), name.size(), name) == 0)
    return path.substr(0, path.size() - name.size());
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string_view UpToZero(std::string_view text) { return text.substr(0, text.find('\0')); }

}  // namespace vexalo
