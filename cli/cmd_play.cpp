// vexalo-sync play: the terminal preview of a song. Decodes the file as the editor does, then
// plays it through the wave device and SDL2 audio, printing each Play Time read-out and each
// new lyric of the panel as they are shown.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "cli/cli_registry.h"
#include "cli/sync_cli.h"
#include "common/shared_state.h"
#include "common/control_ids.h"
#include "common/text_codec.h"
#include "common/view_port.h"
#include "common/worker.h"
#include "decode/decode_job.h"
#include "decode/decode_worker.h"
#include "playback/playback_speed.h"
#include "playback/transport.h"
#include "playback/wave_out_device.h"
#include "sync/sync_table.h"
#include "syncmp3/syncmp3_file.h"

namespace {

using namespace vexalo;

const char kUsage[] =
    "Usage: vexalo-sync play FILE.mp3 [--from M:SS.mmm] [--window] [--speed 0.5|0.75|1]\n"
    "Decodes the MP3 file and plays it as the editor's Play does, printing each Play Time\n"
    "read-out on its own line and, when the file carries timed lyrics, each lyric as the\n"
    "panel shows it (as UTF-8). Ctrl+C stops.\n"
    "  --from M:SS.mmm  start there instead of at the beginning\n"
    "  --window         play the 200-frame window from the start, as the User View does\n"
    "  --speed S        play at 0.5, 0.75 or 1 times the speed, pitch kept (times stay the song's)\n";

int Run(const std::vector<std::string>& args);
const cli::Subcommand kCommand{"play", "play an MP3 file, printing its play times and lyrics", kUsage, Run};
const cli::Registrar kRegistrar(kCommand);

// The waveform rectangle the read-outs are placed by; the Play Time slot is at (270, 5).
constexpr Rect kTerminalRect{0, 0, 480, 100};

void PrintLine(const std::string& cp949) { std::printf("%s\n", Cp949ToUtf8(cp949).c_str()); }

// Prints what the editor would show: the Play Time slot's texts and new lyrics of the panel.
class TerminalCanvas : public Canvas {
 public:
  void SetPixel(int, int, Colour) override {}
  Colour GetPixel(int, int) override { return 0; }
  void Line(int, int, int, int, Colour) override {}
  void FillSolid(int, int, int, int, Colour) override {}
  void DrawBitmap(int, int, int) override {}
  void Text(int x, int y, const std::string& text) override {
    if (x != kTerminalRect.left + 270 || y != kTerminalRect.top + 5 || text.empty() || text == m_lastPlayTime) return;
    m_lastPlayTime = text;
    PrintLine(text);
    std::fflush(stdout);
  }
  void TextOnColour(int, int, const std::string&, Colour) override {
    // The panel is drawn after its text is composed: print its lyric (after the 16-byte time
    // line) once each time it changes.
    const std::string panel = LyricPanelText.Get();
    const std::string lyric = panel.size() > 16 ? panel.substr(16) : std::string();
    if (lyric.empty() || lyric == m_lastLyric) return;
    m_lastLyric = lyric;
    std::size_t from = 0;
    while (from < lyric.size()) {
      std::size_t cr = lyric.find("\r\n", from);
      std::size_t end = cr == std::string::npos ? lyric.size() : cr;
      PrintLine(lyric.substr(from, end - from));
      from = cr == std::string::npos ? lyric.size() : cr + 2;
    }
    std::fflush(stdout);
  }

 private:
  std::string m_lastPlayTime;
  std::string m_lastLyric;
};

class TerminalView : public ViewPort {
 public:
  Answer MessageBox(const std::string& text, const std::string&, MessageStyle style) override {
    cli::Fail(text);
    return style == MessageStyle::Ok ? Answer::Ok : Answer::No;
  }
  std::optional<FileChoice> FileDialog(const FileDialogRequest&) override { return std::nullopt; }
  std::string GetEditorText() override { return std::string(); }
  void SetEditorText(const std::string&) override {}
  int EditorCaretLine() override { return 0; }
  int EditorLineIndex(int line) override { return line == 0 ? 0 : -1; }
  void EditorSelect(int, int) override {}
  void EditorScroll(int) override {}
  int EditorFirstVisibleLine() override { return 0; }
  void EditorPaste() override {}
  void EditorSetLimit(int) override {}
  void SetControlText(int, const std::string&) override {}
  void SetControlNameText(int, const std::string&) override {}
  std::string GetControlText(int) override { return std::string(); }
  bool IsChecked(int) override { return false; }
  void SetChecked(int, bool) override {}
  Rect ControlRect(int) override { return kTerminalRect; }
  void SetFocus(int) override {}
  void SetSliderRange(int, int) override {}
  void SetSliderPos(int) override {}
  int GetSliderPos() override { return SliderPos.load(); }
  void EnableSlider(bool) override {}
  void SetStatusText(int pane, const std::string& text) override {
    if (pane == kPanePrompt) cli::Fail(text);
  }
  void SetTitle(const std::string&) override {}
  void SetClipboardText(const std::string&) override {}
  Canvas& AcquireCanvas() override {
    m_lock.lock();
    return m_canvas;
  }
  void ReleaseCanvas(Canvas&) override { m_lock.unlock(); }

 private:
  std::recursive_mutex m_lock;
  TerminalCanvas m_canvas;
};

extern "C" void StopOnSignal(int) { TransportCommand.store(kCmdStop); }

// "M:SS.mmm" (or "M:SS", "SS.mmm", "SS") as milliseconds; -1 when malformed.
int ParseStart(const std::string& text) {
  int minutes = 0, seconds = 0, millis = 0;
  std::size_t colon = text.find(':');
  std::string rest = text;
  auto number = [](const std::string& s, int& out) {
    if (s.empty() || s.size() > 6 || s.find_first_not_of("0123456789") != std::string::npos) return false;
    out = std::atoi(s.c_str());
    return true;
  };
  if (colon != std::string::npos) {
    if (!number(text.substr(0, colon), minutes)) return -1;
    rest = text.substr(colon + 1);
  }
  std::size_t dot = rest.find('.');
  if (!number(rest.substr(0, dot), seconds)) return -1;
  if (dot != std::string::npos) {
    std::string frac = rest.substr(dot + 1);
    if (frac.empty() || frac.size() > 3 || !number(frac, millis)) return -1;
    while (frac.size() < 3) {
      frac += '0';
      millis *= 10;
    }
  }
  if (colon != std::string::npos && seconds > 59) return -1;
  return minutes * 60000 + seconds * 1000 + millis;
}

// The even song position whose time is `ms`, within the decoded data.
std::uint64_t PositionOfTime(int ms) {
  const double frameMs = SongInfo.frameSeconds.load() * 1000.0;
  const std::uint64_t stored = storedBytes.load();
  if (frameMs <= 0 || stored < 2) return 0;
  double p = ms / frameMs * SongBytesPerFrame();
  auto pos = static_cast<std::uint64_t>(p);
  pos &= ~static_cast<std::uint64_t>(1);
  if (pos > stored - 2) pos = stored - 2;
  return pos;
}

int Run(const std::vector<std::string>& args) {
  std::string input;
  int startMs = 0;
  bool window = false;
  int speed = 100;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--from") {
      if (i + 1 >= args.size()) return cli::UsageError(kCommand, "--from needs a time");
      startMs = ParseStart(args[++i]);
      if (startMs < 0) return cli::UsageError(kCommand, "--from takes M:SS.mmm");
    } else if (args[i] == "--speed") {
      if (i + 1 >= args.size()) return cli::UsageError(kCommand, "--speed needs a value");
      const std::string value = args[++i];
      if (value == "0.5") {
        speed = 50;
      } else if (value == "0.75") {
        speed = 75;
      } else if (value == "1" || value == "1.0") {
        speed = 100;
      } else {
        return cli::UsageError(kCommand, "--speed takes 0.5, 0.75 or 1");
      }
    } else if (args[i] == "--window") {
      window = true;
    } else if (!args[i].empty() && args[i][0] == '-') {
      return cli::UsageError(kCommand, "unknown option '" + args[i] + "'");
    } else if (input.empty()) {
      input = args[i];
    } else {
      return cli::UsageError(kCommand, "only one input file");
    }
  }
  if (input.empty()) return cli::UsageError(kCommand, "no input file");
  if (int status = cli::RequireInput(input, cli::kMp3OpenError); status != cli::kExitOk) return status;

  ResetSyncTable(1);
  bool haveBlock = false;
  std::vector<unsigned char> block(kSyncBlockBytes);
  if (ReadSyncMp3Block(input, std::span<unsigned char, kSyncBlockBytes>(block.data(), kSyncBlockBytes), &haveBlock) == 1 &&
      haveBlock)
    ParseSyncBlock(kSyncMagic, block);

  TransportCommand.store(kCmdNone);
  PlayPosBytes.store(0);
  std::string why;
  if (StartDecodeJob(input, &why) != 1) return cli::FailWith(cli::kMp3OpenError, input + ": " + why);
  if (!LaunchDecodeWorker()) return cli::Fail("a worker is busy");
  WaitForWorker();
  if (SongInfo.layer.load() != 3) return cli::FailWith(kNotMp3Message, input + ": no MPEG audio Layer III frame");

  static TerminalView view;
  WaveRect = kTerminalRect;
  CurrentMp3Path = input;
  PlayPosBytes.store(PositionOfTime(startMs));
  CursorOffset.store(0);
  LyricPanelFresh.store(0);
  TransportCommand.store(kCmdNone);
  PlayerState.store(window ? kStateWindowView : kStateWholeView);
  ActiveView.store(&view);

  struct sigaction stop = {};
  stop.sa_handler = &StopOnSignal;
  sigemptyset(&stop.sa_mask);
  sigaction(SIGINT, &stop, nullptr);
  sigaction(SIGTERM, &stop, nullptr);

  PlaybackSpeedPercent.store(speed);
  WorkerBusy.store(1);
  if (window) {
    WindowPlayWorker();
  } else {
    WholePlayWorker();
  }
  ActiveView.store(nullptr);
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  return cli::kExitOk;
}

}  // namespace
