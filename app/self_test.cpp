#include "app/self_test.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/clipbrd.h>
#include <wx/dcclient.h>
#include <wx/filedlg.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include "app/calibration_window.h"
#include "app/dialogs.h"
#include "app/main_frame.h"
#include "app/message_dialog.h"
#include "app/resources.h"
#include "app/settings_window.h"
#include "app/tag_editor_window.h"
#include "app/shortcuts_window.h"
#include "app/vexalo_caption_app.h"
#include "app/vexalo_caption_view.h"
#include "commands/live_lyric_panel.h"
#include "commands/tag_editor_dialog.h"
#include "common/control_ids.h"
#include "common/settings.h"
#include "common/shared_state.h"
#include "common/text_codec.h"
#include "form/command_registry.h"
#include "form/command_table.h"
#include "form/string_table.h"
#include "form/control_layout.h"
#include "form/form_view.h"
#include "form/skin_layout.h"
#include "playback/click_track.h"
#include "playback/playback_speed.h"
#include "playback/readout.h"
#include "playback/transport.h"
#include "playback/waveform.h"

namespace vexalo::app {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kTickMillis = 20;

int PlayMillis() {
  const TimeMark t = PlayTime.Load();
  return t.minutes * 60000 + t.seconds * 1000 + t.millis;
}

bool Decoded() {
  return PlayerState.load() == kStateWholeView && Decoding.load() == 0 && WorkerBusy.load() == 0 && storedBytes.load() > 0;
}

std::string Utf8(const wxString& s) { return std::string(s.utf8_str()); }

// A script of steps run from a timer, so the window keeps dispatching between them. A step
// returns true when it is done; one that is not done within its time fails the test.
class Runner : public wxEvtHandler {
 public:
  Runner(CMainFrame& frame, std::string file) : m_frame(frame), m_view(*frame.View()), m_file(std::move(file)), m_timer(this) {
    Bind(wxEVT_TIMER, &Runner::OnTick, this);
  }

  void Step(std::string what, std::function<bool()> poll, int timeoutMillis = 5000) {
    m_steps.push_back({std::move(what), std::move(poll), timeoutMillis});
  }
  void Do(std::string what, std::function<void()> action) {
    Step(std::move(what), [action = std::move(action)] {
      action();
      return true;
    });
  }
  void Pause(int millis) {
    auto until = std::make_shared<Clock::time_point>();
    Step("pause", [until, millis] {
      if (*until == Clock::time_point{}) *until = Clock::now() + std::chrono::milliseconds(millis);
      return Clock::now() >= *until;
    }, millis + 1000);
  }
  void Check(std::string what, std::function<bool()> condition) {
    Step(what, [this, what, condition = std::move(condition)] {
      if (!condition()) Fail(what);
      return true;
    });
  }
  // Modal dialogs that the script does not look at are answered No / Cancel / OK.
  void DismissDialogs(bool on) { m_dismiss = on; }
  // The script ends the program itself (Exit); passing then leaves the window alone.
  void ExpectExit() { m_exitExpected = true; }

  void Start() {
    // A hang must end the test too, whatever the window is doing.
    std::thread([] {
      std::this_thread::sleep_for(std::chrono::seconds(std::getenv("VEXALO_SELFTEST_LIMIT") ? std::atoi(std::getenv("VEXALO_SELFTEST_LIMIT")) : 45));
      std::fprintf(stderr, "self-test: timed out\n");
      _exit(4);
    }).detach();
    m_stepStart = Clock::now();
    m_timer.Start(kTickMillis);
  }

  void Fail(const std::string& what) {
    if (m_failed) return;
    m_failed = true;
    std::fprintf(stderr, "self-test FAILED: %s\n", what.c_str());
    TheApp().SetExitCode(1);
    Finish();
  }

  CMainFrame& Frame() { return m_frame; }
  CVexaloCaptionView& View() { return m_view; }
  const std::string& File() const { return m_file; }

  // Simulated input, in view client pixels.
  void MoveTo(int x, int y) { MoveToScreen(m_view.ClientToScreen(wxPoint(x, y))); }
  void MoveToScreen(wxPoint p) {
    m_pointerTarget = p;
    wxExecute(wxString::Format("xdotool mousemove %d %d", p.x, p.y), wxEXEC_ASYNC);
  }
  // Waits until the pointer stands where the last move sent it: xdotool runs on its own, and on
  // a loaded machine a click sent too early lands where the pointer was before.
  void WaitForPointer() {
    Step("pointer arrives", [this] { return wxGetMousePosition() == m_pointerTarget; }, 5000);
  }
  // The pointer moves and clicks through the X server's test extension (xdotool), as a user's
  // would; the toolkit's simulator only fakes them to the toolkit, which GTK ignores for clicks.
  void Click() {
    wxExecute("xdotool click 1", wxEXEC_ASYNC);
  }
  wxUIActionSimulator& Sim() { return m_sim; }

  wxString Pane(int n) { return m_frame.GetStatusBar()->GetStatusText(n); }
  void RunMenu(int command) {
    m_frame.GetEventHandler()->QueueEvent(new wxCommandEvent(wxEVT_MENU, m_frame.MenuIdOf(command)));
  }

  MessageDialog* ShownMessage() {
    for (wxWindow* w : wxTopLevelWindows)
      if (auto* d = wxDynamicCast(w, MessageDialog); d && d->IsShown()) return d;
    return nullptr;
  }

  int DialogsDismissed() const { return m_dismissed; }

 private:
  struct Entry {
    std::string what;
    std::function<bool()> poll;
    int timeoutMillis;
  };

  void DismissShownDialogs() {
    if (wxDialog* files = m_view.OpenFileDialog(); files && files->IsModal()) {
      files->EndModal(wxID_CANCEL);
      ++m_dismissed;
    }
    if (std::getenv("VEXALO_SELFTEST_TRACE") && std::getenv("VEXALO_SELFTEST_TRACE")[0] == '2') {
      for (wxWindow* w : wxTopLevelWindows)
        std::printf("top-level %s shown %d\n", Utf8(w->GetClassInfo()->GetClassName()).c_str(), w->IsShown());
      std::fflush(stdout);
    }
    for (wxWindow* w : wxTopLevelWindows) {
      if (!w->IsShown() || w == &m_frame) continue;
      if (auto* m = wxDynamicCast(w, MessageDialog)) {
        m->Answer(Answer::No);
      } else if (auto* f = wxDynamicCast(w, wxFileDialog)) {
        f->EndModal(wxID_CANCEL);
      } else if (auto* d = wxDynamicCast(w, wxDialog); d && d->IsModal()) {
        d->EndModal(wxID_OK);
      } else if (GetTagEditorDialog() && GetTagEditorDialog()->IsShowing() && wxDynamicCast(w, wxDialog)) {
        GetTagEditorDialog()->OnCancel();
      } else if (wxDynamicCast(w, wxFrame)) {
        w->Close();
      } else {
        continue;
      }
      ++m_dismissed;
      std::printf("dismissed %s\n", Utf8(w->GetClassInfo()->GetClassName()).c_str());
      std::fflush(stdout);
    }
  }

  void OnTick(wxTimerEvent&) {
    // Dismissing also runs inside a modal loop that a step opened, and once the script is over,
    // when the shutdown's questions still need an answer.
    if (m_dismiss || m_done) DismissShownDialogs();
    if (m_done || m_inTick) return;
    m_inTick = true;
    while (!m_done && m_index < m_steps.size()) {
      Entry& e = m_steps[m_index];
      // Advance first: a step may open a modal loop in which this timer keeps ticking.
      const bool done = e.poll();
      if (m_done) break;
      if (done) {
        if (std::getenv("VEXALO_SELFTEST_TRACE")) std::fprintf(stderr, "step done: %s\n", e.what.c_str());
        ++m_index;
        m_stepStart = Clock::now();
        continue;
      }
      if (Clock::now() - m_stepStart > std::chrono::milliseconds(e.timeoutMillis)) Fail("timed out: " + e.what);
      break;
    }
    if (!m_done && m_index >= m_steps.size()) {
      std::printf("self-test passed\n");
      std::fflush(stdout);
      TheApp().SetExitCode(0);
      Finish();
    }
    m_inTick = false;
  }

  void Finish() {
    m_done = true;
    if (m_exitExpected && !m_failed) return;
    m_frame.CallAfter([this] { m_frame.Close(); });
  }

  CMainFrame& m_frame;
  CVexaloCaptionView& m_view;
  std::string m_file;
  wxTimer m_timer;
  wxUIActionSimulator m_sim;
  std::vector<Entry> m_steps;
  std::size_t m_index = 0;
  Clock::time_point m_stepStart;
  bool m_inTick = false;
  bool m_done = false;
  bool m_failed = false;
  bool m_dismiss = false;
  bool m_exitExpected = false;
  int m_dismissed = 0;
  wxPoint m_pointerTarget;
};

wxPoint Centre(const skin::HitRect& r) { return wxPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2); }

bool BufferShows(CVexaloCaptionView& view, int x, int y, int id) {
  const Picture picture = LoadSkinPicture(id);
  if (picture.Empty()) return false;
  for (int row = 0; row < picture.height; ++row)
    for (int col = 0; col < picture.width; ++col)
      if (view.Buffer().GetPixel(x + col, y + row) != picture.pixels[static_cast<std::size_t>(row) * picture.width + col]) return false;
  return true;
}

// The screen as the X server shows it (import -window root).
bool GrabScreen(wxImage& shot) {
  const std::string path = "/tmp/vexalo-selftest-" + std::to_string(getpid()) + ".png";
  wxArrayString out, err;
  // Without disabling the windows, which would take the focus away from the editor.
  if (wxExecute(wxString::FromUTF8(("import -window root " + path).c_str()), out, err, wxEXEC_SYNC | wxEXEC_NODISABLE) != 0)
    return false;
  {
    wxLogNull quiet;
    shot.LoadFile(wxString::FromUTF8(path.c_str()), wxBITMAP_TYPE_PNG);
  }
  std::remove(path.c_str());
  return shot.IsOk();
}

// Pixels of `area` (view client pixels, [left, right) x [top, bottom)) where the screen shows
// something else than the back buffer holds.
int ScreenDiffers(CVexaloCaptionView& view, const wxImage& shot, const Rect& area) {
  const wxPoint origin = view.ClientToScreen(wxPoint(0, 0));
  int differ = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) {
      const int sx = origin.x + x, sy = origin.y + y;
      if (sx < 0 || sy < 0 || sx >= shot.GetWidth() || sy >= shot.GetHeight()) {
        ++differ;
        continue;
      }
      if (RGB(shot.GetRed(sx, sy), shot.GetGreen(sx, sy), shot.GetBlue(sx, sy)) != view.Buffer().GetPixel(x, y)) ++differ;
    }
  return differ;
}

// True when the back buffer shows `cp949` at (x, y) exactly as it is drawn alone.
bool BufferShowsText(CVexaloCaptionView& view, int x, int y, const std::string& cp949) {
  const Picture picture = view.RenderText(cp949, RGB(255, 255, 255));
  if (picture.Empty()) return false;
  for (int row = 0; row < picture.height; ++row)
    for (int col = 0; col < picture.width; ++col)
      if (view.Buffer().GetPixel(x + col, y + row) != picture.pixels[static_cast<std::size_t>(row) * picture.width + col]) return false;
  return true;
}

// Moves the pointer to (x, y) of the view and clicks there, in one xdotool run so the click
// cannot overtake the move.
void ClickAt(Runner& r, const wxPoint& p) {
  r.Do("click", [&r, p] {
    const wxPoint s = r.View().ClientToScreen(p);
    wxExecute(wxString::Format("xdotool mousemove %d %d sleep 0.05 click 1", s.x, s.y), wxEXEC_ASYNC);
  });
  r.Pause(150);
}

void OpenFile(Runner& r, const std::string& path) {
  r.Do("open " + path, [&r, path] {
    r.View().PresetFileChoice(FileChoice{path, path.substr(path.find_last_of('/') + 1)});
    Commands().Run(kIdMp3FileOpen);
  });
}

void WaitForDecode(Runner& r) { r.Step("decode ends", [] { return Decoded(); }, 20000); }

// After the decode, the screen shows the frame at its size, the skin and the green waveform.
void DecodeScreenshot(Runner& r) {
  WaitForDecode(r);
  r.Pause(400);
  r.Step("screenshot", [&r] {
    const std::string path = "/tmp/vexalo-selftest-" + std::to_string(getpid()) + ".png";
    wxArrayString out, err;
    if (wxExecute(wxString::FromUTF8(("import -window root " + path).c_str()), out, err, wxEXEC_SYNC) != 0) {
      r.Fail("import -window root failed");
      return true;
    }
    wxImage shot;
    {
      wxLogNull quiet;
      shot.LoadFile(wxString::FromUTF8(path.c_str()), wxBITMAP_TYPE_PNG);
    }
    std::remove(path.c_str());
    if (!shot.IsOk()) {
      r.Fail("screenshot unreadable");
      return true;
    }
    const wxRect frame = r.Frame().GetScreenRect();
    const skin::Extent need = skin::SkinExtent();
    const wxSize client = r.Frame().GetClientSize();
    if (frame.width < 800 || frame.height < 600 || client.x < need.width || client.y < need.height) {
      r.Fail("frame size " + std::to_string(frame.width) + "x" + std::to_string(frame.height));
      return true;
    }
    if (frame.width != 800 || (frame.height != 600 && client.y != need.height)) {
      r.Fail("frame grew more than the skin needs");
      return true;
    }
    const wxPoint origin = r.View().ClientToScreen(wxPoint(0, 0));
    auto at = [&](int x, int y) {
      const int sx = origin.x + x, sy = origin.y + y;
      if (sx < 0 || sy < 0 || sx >= shot.GetWidth() || sy >= shot.GetHeight()) return Colour(0xFFFFFFFF);
      return RGB(shot.GetRed(sx, sy), shot.GetGreen(sx, sy), shot.GetBlue(sx, sy));
    };
    // The skin: the background's top rows and the lyric panel, pixel for pixel.
    const Picture background = LoadSkinPicture(143);
    const Picture panel = LoadSkinPicture(261);
    if (background.Empty() || panel.Empty()) {
      r.Fail("skin pictures missing");
      return true;
    }
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < background.width; ++x)
        if (at(x, y) != background.pixels[static_cast<std::size_t>(y) * background.width + x]) {
          r.Fail("skin background not on screen at " + std::to_string(x) + "," + std::to_string(y));
          return true;
        }
    for (int y = 0; y < panel.height; ++y)
      for (int x = 0; x < panel.width; ++x)
        if (at(580 + x, 295 + y) != panel.pixels[static_cast<std::size_t>(y) * panel.width + x]) {
          r.Fail("lyric panel not on screen");
          return true;
        }
    int inside = 0, outside = 0;
    // The drawing may run a column past WaveRect, into the white field around it.
    const Rect wave = skin::kWaveField;
    for (int y = 0; y < client.y; ++y)
      for (int x = 0; x < client.x; ++x) {
        if (at(x, y) != kWaveColour) continue;
        const bool in = x >= wave.left && x <= wave.right && y >= wave.top && y <= wave.bottom;
        (in ? inside : outside)++;
      }
    std::printf("frame %dx%d at %d,%d; waveform pixels inside %d, outside %d\n", frame.width, frame.height, frame.x, frame.y,
                inside, outside);
    if (inside < WaveRect.Width() || outside != 0) r.Fail("waveform pixels: inside " + std::to_string(inside) + ", outside " + std::to_string(outside));
    return true;
  });
  r.Check("song facts in pane 1", [&r] { return Utf8(r.Pane(kPaneSongFacts)).rfind("Stereo : SR = 44100 BR = ", 0) == 0; });
}

void PointAtWindow(Runner& r, wxWindow* w);
void Xdotool(const std::string& args);
void HoldForPicture(Runner& r);
void SaveShot(Runner& r, const std::string& name);
void PlayStartsWhereTheSliderStands(Runner& r);

// Texts fit their places in the default theme: the song facts in status pane 1 as measured in
// the bar's font (less the bar's text margins), a typed "59" in the Adjust seconds field and "9"
// in its tenths field as measured against the room each field leaves for text, and no label of
// the view over the control beside it (the "+" and "-" labels and their radio buttons).
void ControlsFitTexts(Runner& r) {
  // The status bar draws a pane's text 2 pixels in from each side and cuts it short past them.
  constexpr int kPaneTextMargins = 2 * 2;
  WaitForDecode(r);
  r.Pause(300);
  r.Check("song facts fit status pane 1", [&r] {
    wxStatusBar* bar = r.Frame().GetStatusBar();
    const wxString text = r.Pane(kPaneSongFacts);
    wxClientDC dc(bar);
    dc.SetFont(bar->GetFont());
    const int need = dc.GetTextExtent(text).x + kPaneTextMargins;
    wxRect pane;
    bar->GetFieldRect(kPaneSongFacts, pane);
    std::printf("'%s' needs %d, pane 1 is %d wide\n", Utf8(text).c_str(), need, pane.width);
    return Utf8(text).rfind("Stereo : SR = 44100 BR = 128", 0) == 0 && need <= pane.width;
  });
  auto type = [&r](int id, const std::string& text) {
    r.Do("click into field " + std::to_string(id), [&r, id] { PointAtWindow(r, r.View().FindWindow(id)); });
    r.WaitForPointer();
    r.Do("click", [&r] { r.Click(); });
    r.Step("field has the focus", [&r, id] { return wxWindow::FindFocus() == r.View().FindWindow(id); }, 3000);
    r.Do("select all", [] { Xdotool("key ctrl+a"); });
    r.Do("type " + text, [text] { Xdotool("type --delay 20 " + text); });
    r.Step("the field holds " + text, [&r, id, text] {
      return Utf8(static_cast<wxTextCtrl*>(r.View().FindWindow(id))->GetValue()) == text;
    }, 3000);
  };
  auto fits = [&r](int id) {
    auto* field = static_cast<wxTextCtrl*>(r.View().FindWindow(id));
    const int text = field->GetTextExtent(field->GetValue()).x;
    const wxSize need = field->GetSizeFromTextSize(text);
    std::printf("field %d: '%s' is %d wide, needs a field %d wide; the field is %d\n", id, Utf8(field->GetValue()).c_str(),
                text, need.x, field->GetSize().x);
    return need.x <= field->GetSize().x;
  };
  type(kIdcAdjustSeconds, "59");
  type(kIdcAdjustTenths, "9");
  r.Check("59 fits the seconds field", [fits] { return fits(kIdcAdjustSeconds); });
  r.Check("9 fits the tenths field", [fits] { return fits(kIdcAdjustTenths); });
  r.Check("no label over a control", [&r] {
    bool clear = true;
    for (wxWindow* label : r.View().GetChildren()) {
      if (!wxDynamicCast(label, wxStaticText) || !label->IsShown()) continue;
      for (wxWindow* control : r.View().GetChildren()) {
        if (control == label || wxDynamicCast(control, wxStaticText) || !control->IsShown()) continue;
        if (label->GetRect().Intersects(control->GetRect())) {
          const wxRect a = label->GetRect(), b = control->GetRect();
          std::printf("label '%s' at %d,%d %dx%d overlaps control %d at %d,%d %dx%d\n", Utf8(label->GetLabel()).c_str(), a.x,
                      a.y, a.width, a.height, control->GetId(), b.x, b.y, b.width, b.height);
          clear = false;
        }
      }
    }
    return clear;
  });
  r.Check("the fields end before the painted Sec caption", [&r] {
    const int tenthsEnd = r.View().FindWindow(kIdcAdjustTenths)->GetRect().GetRight();
    for (const skin::Placement& p : skin::FrameworkPlacements())
      if (p.id == 252) {
        std::printf("the tenths field ends at %d, Sec starts at %d\n", tenthsEnd, p.x);
        return tenthsEnd < p.x;
      }
    return false;
  });
  if (std::getenv("VEXALO_SELFTEST_HOLD")) HoldForPicture(r);
}

// A song whose file name holds Hangul (UTF-8, as the platform spells it): the window title names
// it as the file dialog does, and so it does for a file of such a name that is refused as no MP3.
void HangulFileName(Runner& r) {
  const std::string folder = "/tmp/vexalo-selftest-" + std::to_string(getpid());
  const std::string name = "my song \xEB\x85\xB8\xEB\x9E\x98 \xED\x8C\x8C\xEC\x9D\xBC.mp3";  // my song 노래 파일.mp3
  const std::string notMp3 = "\xEA\xB0\x80\xEC\x82\xAC.mp3";                                  // 가사.mp3
  r.Do("copy the song under a Hangul name", [&r, folder, name, notMp3] {
    ::mkdir(folder.c_str(), 0700);
    std::ifstream in(r.File(), std::ios::binary);
    std::ofstream(folder + "/" + name, std::ios::binary) << in.rdbuf();
    std::ofstream(folder + "/" + notMp3, std::ios::binary) << "no song here\n";
  });
  OpenFile(r, folder + "/" + name);
  WaitForDecode(r);
  r.Pause(200);
  r.Step("the title names the file as it is spelt", [&r, name] {
    const std::string title = Utf8(r.Frame().GetTitle());
    if (std::getenv("VEXALO_SELFTEST_TRACE")) std::fprintf(stderr, "title: %s\n", title.c_str());
    return title == std::string("Vexalo Caption Editor - ") + name;
  }, 3000);
  if (std::getenv("VEXALO_SELFTEST_HOLD")) HoldForPicture(r);
  r.Do("open the file that is no MP3", [&r, folder, notMp3] {
    r.View().PresetFileChoice(FileChoice{folder + "/" + notMp3, notMp3});
    r.RunMenu(kIdMp3FileOpen);
  });
  r.Step("the refusal is shown", [&r] { return r.ShownMessage() != nullptr; }, 8000);
  r.Do("OK", [&r] { r.ShownMessage()->Answer(Answer::Ok); });
  r.Step("the refusal closes", [&r] { return r.ShownMessage() == nullptr; }, 3000);
  r.Step("the title names the refused file", [&r, notMp3] {
    return Utf8(r.Frame().GetTitle()) == std::string("Vexalo Caption Editor - ") + notMp3;
  }, 3000);
  r.Do("clean up", [folder, name, notMp3] {
    std::remove((folder + "/" + name).c_str());
    std::remove((folder + "/" + notMp3).c_str());
    ::rmdir(folder.c_str());
  });
}

// Space with the focus away from the editor plays; the Play Time read-out advances; Q stops.
void SpacePlays(Runner& r) {
  WaitForDecode(r);
  r.Do("point at the waveform", [&r] {
    const Rect w = WaveRect;
    r.MoveTo((w.left + w.right) / 2, (w.top + w.bottom) / 2);
  });
  r.Step("focus leaves the editor", [&r] { return wxWindow::FindFocus() != r.View().Editor(); }, 2000);
  r.Do("press Space", [&r] { r.Sim().Char(WXK_SPACE); });
  r.Step("playback runs", [] { return WorkerBusy.load() == 1; }, 2000);
  r.Step("Play Time passes 0.6 s", [] { return PlayMillis() >= 600; }, 5000);
  r.Check("read-out text", [] { return PlayTimeText.Get().find(" Play Time = 00:0") == 0; });
  r.Do("press Q", [&r] { r.Sim().Char('q'); });
  r.Step("playback stops", [] { return WorkerBusy.load() == 0; }, 3000);
}

// A read-out paints over its own extent only: a shorter one drawn where a longer one stands
// leaves the longer one's tail showing, as the window's text drawing puts it on screen.
void ReadoutOwnLength(Runner& r) {
  constexpr int kWidth = 400, kHeight = 30;
  constexpr Colour kWhite = RGB(255, 255, 255);
  struct Band {
    std::vector<Colour> before, after;
  };
  auto band = std::make_shared<Band>();
  auto grab = [&r](std::vector<Colour>& out, int x, int y) {
    out.clear();
    for (int row = 0; row < kHeight; ++row)
      for (int column = 0; column < kWidth; ++column) out.push_back(r.View().Buffer().GetPixel(x + column, y + row));
  };
  r.Pause(200);
  r.Do("a long read-out, then a short one in its place", [&r, band, grab] {
    // The play-time slot's place; a white band under it, so that any other colour is text.
    const int x = WaveRect.left + 270, y = WaveRect.top + 5;
    {
      CanvasLease canvas(r.View());
      canvas->FillSolid(x, y, x + kWidth, y + kHeight, kWhite);
    }
    ShowReadout(kIdcPlaySlot, " Play Time = 10:00:00 ");
    grab(band->before, x, y);
    ShowReadout(kIdcPlaySlot, " X ");
    grab(band->after, x, y);
  });
  r.Check("the short text changed only its own columns and the long one's tail still shows", [band] {
    int lastChanged = -1, lastInk = -1;
    for (int column = 0; column < kWidth; ++column) {
      for (int row = 0; row < kHeight; ++row) {
        const std::size_t i = static_cast<std::size_t>(row) * kWidth + column;
        if (band->before[i] != band->after[i]) lastChanged = column;
        if (band->before[i] != kWhite) lastInk = column;
      }
    }
    std::printf("short text changed up to column %d; long text's ink up to column %d\n", lastChanged, lastInk);
    // " X " is a few characters wide; the long text's last digits stand well to its right.
    return lastChanged > 0 && lastInk > 2 * lastChanged;
  });
}

// Hovering the first top button writes its tip into pane 0 and lights it; the gap clears the
// light and keeps the tip.
void HoverTip(Runner& r) {
  const skin::Button& top1 = skin::ButtonAt(skin::kTop1);
  const skin::Button& top5 = skin::ButtonAt(skin::kTop5);
  r.Pause(200);
  r.Do("hover top button 1", [&r, &top1] {
    const wxPoint c = Centre(top1.hit);
    r.MoveTo(c.x, c.y);
  });
  r.Step("tip in pane 0", [&r] { return Utf8(r.Pane(kPanePrompt)) == " MP3 File Open"; }, 2000);
  r.Check("button 1 lit", [&r, &top1] { return BufferShows(r.View(), top1.x, top1.y, top1.highlighted); });
  r.Do("move into the gap", [&r, &top1] { r.MoveTo(top1.hit.right + 5, (top1.hit.top + top1.hit.bottom) / 2); });
  r.Pause(300);
  r.Check("button 1 normal again", [&r, &top1] { return BufferShows(r.View(), top1.x, top1.y, top1.normal); });
  r.Check("tip kept", [&r] { return Utf8(r.Pane(kPanePrompt)) == " MP3 File Open"; });
  r.Do("hover top button 5", [&r, &top5] {
    const wxPoint c = Centre(top5.hit);
    r.MoveTo(c.x, c.y);
  });
  r.Step("tip of button 5", [&r] { return Utf8(r.Pane(kPanePrompt)) == " All Waveform View"; }, 2000);
}

void TypeIntoEditor(Runner& r, const std::string& text) {
  r.Do("click into the editor", [&r] {
    const wxRect e = r.View().ControlWxRect(kIdcEditor);
    r.MoveTo(e.x + e.width / 2, e.y + e.height / 2);
  });
  r.WaitForPointer();
  r.Pause(100);
  r.Do("click", [&r] { r.Click(); });
  r.Step("editor has the focus", [&r] { return wxWindow::FindFocus() == r.View().Editor(); }, 5000);
  r.Do("type", [&r, text] { r.Sim().Text(text.c_str()); });
  r.Step("text arrives", [&r, text] { return Utf8(r.View().Editor()->GetValue()).find(text) != std::string::npos; }, 4000);
}

// A typed line longer than the editor is wide wraps onto further rows inside the editor (it has
// no sideways scrolling); the status pane still counts text lines: the caret on the line after
// it is on "Line : 2".
void EditorWrapsLongLines(Runner& r) {
  const std::string longLine =
      "this is a long line of lyrics that goes on well past the right edge of the editor and so must "
      "wrap onto the rows below it";
  r.Pause(200);
  TypeIntoEditor(r, longLine);
  r.Do("Enter", [&r] { r.Sim().Char(WXK_RETURN); });
  r.Do("type", [&r] { r.Sim().Text("second line"); });
  r.Step("two text lines", [&r, longLine] { return Utf8(r.View().Editor()->GetValue()) == longLine + "\nsecond line"; }, 8000);
  r.Pause(300);
  r.Step("status pane counts text lines", [&r] { return Utf8(r.Pane(kPaneEditorLine)).rfind("Line : 2 ", 0) == 0; }, 3000);
  r.Check("the long line wraps inside the editor", [&r, longLine] {
    wxTextCtrl* editor = r.View().Editor();
    const int width = editor->GetClientSize().x;
    const long last = static_cast<long>(longLine.size()) - 1;
    const wxPoint first = editor->PositionToCoords(0);
    const wxPoint end = editor->PositionToCoords(last);
    std::printf("editor %d wide; the long line from %d,%d to %d,%d\n", width, first.x, first.y, end.x, end.y);
    if (first == wxDefaultPosition || end == wxDefaultPosition || end.y <= first.y) return false;
    for (long i = 0; i <= last; ++i)
      if (const wxPoint p = editor->PositionToCoords(i); p.x < 0 || p.x >= width) return false;
    return true;
  });
  if (std::getenv("VEXALO_SELFTEST_HOLD")) HoldForPicture(r);
}

// Two typed lines; Play clicked; once Play Time passes `millis`, a click back into the editor.
void TypeTwoLinesPlayAndClickIntoEditor(Runner& r, int millis) {
  TypeIntoEditor(r, "first line");
  r.Do("Enter", [&r] { r.Sim().Char(WXK_RETURN); });
  r.Do("type", [&r] { r.Sim().Text("second line"); });
  r.Step("two lines", [&r] { return r.View().Editor()->GetValue() == "first line\nsecond line"; }, 4000);
  r.Do("point at Play", [&r] {
    const wxPoint c = Centre(skin::ButtonAt(skin::kPlay).hit);
    r.MoveTo(c.x, c.y);
  });
  r.WaitForPointer();
  r.Pause(100);
  r.Do("click Play", [&r] { r.Click(); });
  r.Step("Play Time passes " + std::to_string(millis) + " ms", [millis] { return WorkerBusy.load() == 1 && PlayMillis() >= millis; }, 5000);
  r.Do("back into the editor", [&r] {
    const wxRect e = r.View().ControlWxRect(kIdcEditor);
    r.MoveTo(e.x + e.width / 2, e.y + e.height - 10);
  });
  r.WaitForPointer();
  r.Pause(100);
  r.Do("click", [&r] { r.Click(); });
  r.Step("editor has the focus", [&r] { return wxWindow::FindFocus() == r.View().Editor(); }, 5000);
}

// Typed lyrics; during playback Ctrl+Q in the editor stamps the caret's line with the play time.
void StampLine(Runner& r) {
  WaitForDecode(r);
  TypeTwoLinesPlayAndClickIntoEditor(r, 500);
  r.Do("caret to the end", [&r] { r.Sim().Char(WXK_END, wxMOD_CONTROL); });
  r.Pause(100);
  r.Do("Ctrl+Q", [&r] { r.Sim().Char('q', wxMOD_CONTROL); });
  r.Step("the caret's line is stamped", [&r] {
    const std::string text = Utf8(r.View().Editor()->GetValue());
    static const std::regex stamped("first line\n\xC2\xA7([0-9]{8})\xC2\xBB\nsecond line");
    std::smatch m;
    if (!std::regex_match(text, m, stamped)) return false;
    const std::string d = m[1];
    const int hundredths = std::stoi(d.substr(0, 2)) * 360000 + std::stoi(d.substr(2, 2)) * 6000 +
                           std::stoi(d.substr(4, 2)) * 100 + std::stoi(d.substr(6, 2));
    if (hundredths < 50 || hundredths > 3000) r.Fail("stamp " + d + " is not the play time");
    return true;
  }, 3000);
  r.Check("the core sees the stamp", [&r] {
    const std::string cp949 = r.View().GetEditorText();
    return cp949.size() == std::string("first line\r\n").size() + 12 + std::string("second line").size() &&
           static_cast<unsigned char>(cp949[12]) == 0xA7 && static_cast<unsigned char>(cp949[21]) == 0xBB;
  });
}

void Xdotool(const std::string& args);

// A line stamped during playback shows in the lyric panel at once, without a save; Ctrl+Z takes
// the stamp away, Ctrl+Y brings it back, Alt+Down nudges it 10 ms later, F5 replays it; SyncMP3
// Save writes the one stamp, as the command-line tool reads it back.
void LivePanelStamp(Runner& r) {
  WaitForDecode(r);
  TypeTwoLinesPlayAndClickIntoEditor(r, 300);
  r.Do("caret to the start", [&r] { r.Sim().Char(WXK_HOME, wxMOD_CONTROL); });
  r.Pause(100);
  r.Do("Ctrl+Q", [&r] { r.Sim().Char('q', wxMOD_CONTROL); });
  static const std::regex stamped("\xC2\xA7([0-9]{8})\xC2\xBB\nfirst line\nsecond line");
  r.Step("the first line is stamped", [&r] { return std::regex_match(Utf8(r.View().Editor()->GetValue()), stamped); }, 3000);
  r.Step("the panel shows the stamped line during the playback", [] {
    return WorkerBusy.load() == 1 && LyricPanelText.Get().find("first line") != std::string::npos;
  }, 3000);
  SaveShot(r, "panel-shows-stamp");
  r.Pause(800);  // time for a screenshot of the panel
  r.Do("Ctrl+Z", [&r] { r.Sim().Char('z', wxMOD_CONTROL); });
  r.Step("the stamp is gone", [&r] { return r.View().Editor()->GetValue() == "first line\nsecond line"; }, 3000);
  r.Do("Ctrl+Y", [&r] { r.Sim().Char('y', wxMOD_CONTROL); });
  r.Step("the stamp is back", [&r] { return std::regex_match(Utf8(r.View().Editor()->GetValue()), stamped); }, 3000);
  auto before = std::make_shared<std::string>();
  r.Do("Alt+Down", [&r, before] {
    *before = r.View().GetEditorText().substr(1, 8);
    r.Sim().Char(WXK_DOWN, wxMOD_ALT);
  });
  r.Step("the tag is 10 ms later", [&r, before] {
    const std::string now = r.View().GetEditorText().substr(1, 8);
    const int a = std::stoi(before->substr(4, 2)) * 100 + std::stoi(before->substr(6, 2));
    const int b = std::stoi(now.substr(4, 2)) * 100 + std::stoi(now.substr(6, 2));
    return b == a + 1;
  }, 3000);
  r.Step("the playback has ended", [] { return WorkerBusy.load() == 0; }, 6000);
  r.Do("F5", [&r] { r.Sim().Char(WXK_F5); });
  r.Step("F5 replays the group in the whole view", [] {
    return WorkerBusy.load() == 1 && PlayerState.load() == kStateWholeView;
  }, 3000);
  r.Step("the replay has ended", [] { return WorkerBusy.load() == 0; }, 6000);
  // SyncMP3 Save, then the command-line tool reads the saved file's lyrics: exactly the one tag.
  const std::string song = "/tmp/vexalo-selftest-" + std::to_string(getpid()) + ".mp3";
  r.Do("SyncMP3 Save from the menu", [&r] { r.RunMenu(kIdSyncMp3FileSave); });
  r.Step("save dialog", [&r] { return r.View().OpenFileDialog() != nullptr; }, 5000);
  r.Pause(300);
  r.Do("type the path over the proposed name", [song] {
    Xdotool("key ctrl+a");
    Xdotool("type --delay 2 " + song);
  });
  r.Pause(300);
  r.Do("Enter", [] { Xdotool("key Return"); });
  r.Step("dialog closed and the song written", [&r, song] {
    std::ifstream in(song, std::ios::binary);
    return !r.View().OpenFileDialog() && in && in.seekg(0, std::ios::end).tellg() > 1000;
  }, 8000);
  r.Check("vexalo-sync extract shows the stamp and the two lines", [&r, song] {
    char self[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return false;
    std::string tool(self, static_cast<std::size_t>(n));
    tool = tool.substr(0, tool.rfind('/')) + "/../cli/vexalo-sync";
    const std::string out = song + ".snc";
    if (std::system((tool + " extract " + song + " -o " + out + " >/dev/null 2>&1").c_str()) != 0) return false;
    std::ifstream in(out, std::ios::binary);
    const std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string digits = r.View().GetEditorText().substr(1, 8);
    const std::string want = "\xA2\xE2" + digits + "\xA2\xD0\r\nfirst line\r\nsecond line";
    std::remove(out.c_str());
    std::remove(song.c_str());
    if (got.rfind(want, 0) != 0) r.Fail("extract gave: " + got);
    return true;
  });
}

// Exit with unsaved lyrics asks " Text File Save ? "; No ends the program.
void ExitPrompt(Runner& r) {
  r.Pause(200);
  TypeIntoEditor(r, "unsaved words");
  r.Do("Exit from the menu", [&r] { r.RunMenu(kIdAppExit); });
  r.Step("save question shown", [&r] {
    MessageDialog* d = r.ShownMessage();
    return d && Utf8(d->Message()) == " Text File Save ? ";
  }, 4000);
  r.Do("point at No", [&r] {
    MessageDialog* d = r.ShownMessage();
    wxWindow* no = d ? d->FindWindow(wxID_NO) : nullptr;
    if (!no) return r.Fail("no No button");
    r.MoveToScreen(no->GetScreenRect().GetPosition() + wxPoint(no->GetSize().x / 2, no->GetSize().y / 2));
  });
  r.Pause(150);
  r.Do("click No", [&r] {
    r.ExpectExit();
    r.Click();
  });
  r.Step("question answered", [&r] { return r.ShownMessage() == nullptr; }, 3000);
}

// A new user: every button before a song, Play while decoding, a second file while one plays,
// closing while playing. Dialogs that come up are dismissed.
void NewUser(Runner& r) {
  r.DismissDialogs(true);
  r.Pause(200);
  for (int n = 0; n < skin::kButtonCount; ++n) {
    r.Do("press button " + std::to_string(n), [&r, n] {
      const wxPoint c = Centre(skin::ButtonAt(n).hit);
      r.MoveTo(c.x, c.y);
    });
    r.Pause(60);
    r.Do("click", [&r] { r.Click(); });
    r.Pause(250);
  }
  r.Check("still no song", [] {
    std::printf("after the buttons: state %d, worker %d\n", PlayerState.load(), WorkerBusy.load());
    std::fflush(stdout);
    return PlayerState.load() == kStateNoSong && WorkerBusy.load() == 0;
  });
  OpenFile(r, r.File());
  r.Do("Play while decoding", [&r] {
    const wxPoint c = Centre(skin::ButtonAt(skin::kPlay).hit);
    r.MoveTo(c.x, c.y);
  });
  r.Do("click Play", [&r] { r.Click(); });
  WaitForDecode(r);
  r.Pause(600);  // two clicks within the double-click time would make a double click
  r.Do("click Play", [&r] { r.Click(); });
  r.Step("playing", [] { return WorkerBusy.load() == 1 && PlayMillis() > 200; }, 4000);
  OpenFile(r, std::string(VEXALO_SOURCE_DIR) + "/tests/fixtures/mono_22k.mp3");
  WaitForDecode(r);
  r.Check("second song shown", [] { return SongInfo.channels.load() == 1 && SongInfo.sampleRate.load() == 22050; });
  r.Do("click Play", [&r] {
    const wxPoint c = Centre(skin::ButtonAt(skin::kPlay).hit);
    r.MoveTo(c.x, c.y);
  });
  r.Pause(60);
  r.Do("click", [&r] { r.Click(); });
  r.Step("playing again", [] { return WorkerBusy.load() == 1; }, 4000);
  r.Pause(300);
  // Passing ends with Close: the shutdown must stop the playback and not hang.
}

// Closing while the decode runs: the shutdown waits for the worker and exits.
void CloseWhileDecoding(Runner& r) {
  r.DismissDialogs(true);
  OpenFile(r, r.File());
  r.Check("decoding", [] { return WorkerBusy.load() == 1 || Decoded(); });
}

// Poses for the screenshots of tools/screenshots.sh: reach a state, report the frame's place,
// hold still while the picture is taken.
void HoldForPicture(Runner& r) {
  r.Pause(500);
  r.Do("report", [&r] {
    const wxRect f = r.Frame().GetScreenRect();
    std::printf("ready %d %d %d %d\n", f.x, f.y, f.width, f.height);
    std::fflush(stdout);
  });
  static int held = 0;
  SaveShot(r, "held-" + std::to_string(++held));
  r.Pause(2500);
}

void PoseEmpty(Runner& r) { HoldForPicture(r); }

void PoseWhole(Runner& r) {
  WaitForDecode(r);
  HoldForPicture(r);
}

void PoseWindowPlaying(Runner& r) {
  WaitForDecode(r);
  r.Do("lyrics", [&r] {
    const char* lyrics = "\xA7" "00000000" "\xBB\r\nFirst line of the song\r\n\xA7" "00000450" "\xBB\r\nSecond line\r\n";
    r.View().SetEditorText(lyrics);
    RebuildPanelTable(lyrics);  // as typing them would, once the pause had passed
  });
  r.Do("User View", [] { Commands().Run(kIdWindowView); });
  r.Pause(300);
  r.Do("Play", [] { Commands().Run(kIdcPlay); });
  // The song lasts 2 s: the picture is taken before its end redraws the view.
  r.Step("playing", [] { return WorkerBusy.load() == 1 && PlayMillis() > 600; }, 6000);
  HoldForPicture(r);
}

void PoseTagEditor(Runner& r) {
  WaitForDecode(r);
  r.Do("ID3 Tag Editor", [] { Commands().Run(kIdId3TagEditor); });
  HoldForPicture(r);
}

CTagEditorDlg* ShownTagEditor() {
  for (wxWindow* w : wxTopLevelWindows)
    if (auto* d = wxDynamicCast(w, CTagEditorDlg); d && d->IsShown()) return d;
  return nullptr;
}

void PointAtWindow(Runner& r, wxWindow* w) {
  r.MoveToScreen(w->GetScreenRect().GetPosition() + wxPoint(w->GetSize().x / 2, w->GetSize().y / 2));
}

// Commands run through the shell with their bytes as given: the toolkit would pass arguments
// through the C locale, where Hangul vanishes.
std::string Output(const std::string& command) {
  std::string text;
  if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
    char buf[512];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) text.append(buf, n);
    ::pclose(pipe);
  }
  return text;
}

// xdotool reads its text in the locale: UTF-8 here, whatever the program runs in.
void Xdotool(const std::string& args) { Output("LC_ALL=C.UTF-8 xdotool " + args); }

// Hangul put into the tag editor's Title as a user does it, OK: the file's tag holds it, as
// vexalo-sync tags and mutagen read it. The song is a copy of the fixture.
void TagEditorHangul(Runner& r) {
  const std::string copy = "/tmp/vexalo-selftest-" + std::to_string(getpid()) + ".mp3";
  const std::string title = "\xEC\x82\xAC\xEB\x9E\x91\xED\x95\xB4 \xEB\x85\xB8\xEB\x9E\x98";  // 사랑해 노래
  r.Do("copy the song", [&r, copy] {
    std::ifstream in(r.File(), std::ios::binary);
    std::ofstream(copy, std::ios::binary) << in.rdbuf();
  });
  OpenFile(r, copy);
  WaitForDecode(r);
  r.Do("ID3 Tag Editor", [&r] { r.RunMenu(kIdId3TagEditor); });
  r.Step("tag editor shown", [] { return ShownTagEditor() != nullptr; }, 4000);
  r.Pause(300);
  r.Do("click into Title", [&r] { PointAtWindow(r, ShownTagEditor()->Field(kIdcTagTitle)); });
  r.Pause(150);
  r.Do("click", [&r] { r.Click(); });
  r.Step("Title has the focus", [] { return wxWindow::FindFocus() == ShownTagEditor()->Field(kIdcTagTitle); }, 3000);
  r.Do("select all", [] { Xdotool("key ctrl+a"); });
  // Under the virtual X server no input method composes Hangul, and xdotool's keysyms for it
  // do not reach the toolkit: the text comes from the clipboard, pasted with Ctrl+V.
  r.Do("put Hangul on the clipboard", [title] {
    if (wxTheClipboard->Open()) {
      wxTheClipboard->SetData(new wxTextDataObject(wxString::FromUTF8(title.c_str())));
      wxTheClipboard->Close();
    }
  });
  r.Do("paste it", [] { Xdotool("key ctrl+v"); });
  r.Step("Hangul arrives", [title] {
    const std::string now = Utf8(ShownTagEditor()->Field(kIdcTagTitle)->GetValue());
    if (std::getenv("VEXALO_SELFTEST_TRACE")) std::fprintf(stderr, "title: %s\n", now.c_str());
    return now == title;
  }, 8000);
  if (std::getenv("VEXALO_SELFTEST_HOLD")) HoldForPicture(r);
  r.Do("point at OK", [&r] { PointAtWindow(r, ShownTagEditor()->FindWindow(wxID_OK)); });
  r.Pause(150);
  r.Do("click OK", [&r] { r.Click(); });
  r.Step("tag editor closed", [] { return ShownTagEditor() == nullptr; }, 4000);
  r.Check("no message", [&r] { return r.ShownMessage() == nullptr; });
  r.Check("vexalo-sync tags shows it", [copy, title] {
    const char* tool = std::getenv("VEXALO_SYNC_TOOL");
    if (!tool) return true;  // run by hand: the mutagen check below still reads the file
    const std::string out = Output(std::string(tool) + " tags " + copy);
    std::printf("vexalo-sync tags:\n%s", out.c_str());
    return out.find("Title: " + title + "\n") != std::string::npos;
  });
  r.Check("mutagen reads it", [copy, title] {
    const std::string out = Output("/usr/bin/python3 -c \"import sys, mutagen.id3; "
                                   "sys.stdout.buffer.write(mutagen.id3.ID3(sys.argv[1])['TIT2'].text[0].encode())\" " + copy);
    std::printf("mutagen: %s\n", out.c_str());
    return out == title;
  });
  r.Do("clean up", [copy] { std::remove(copy.c_str()); });
}

CSettingsDlg* ShownSettings() {
  for (wxWindow* w : wxTopLevelWindows)
    if (auto* d = wxDynamicCast(w, CSettingsDlg); d && d->IsShown()) return d;
  return nullptr;
}

// A check box is clicked on its box, at its left end.
void PointAtCheckBox(Runner& r, wxWindow* w) {
  r.MoveToScreen(w->GetScreenRect().GetPosition() + wxPoint(w->GetSize().y / 2, w->GetSize().y / 2));
}

// Tools > Settings: a check box per setting showing its value; a click on the CP949 writing
// box and OK change the setting and the file.
void SettingsDialog(Runner& r) {
  auto before = std::make_shared<bool>(UserSettings().Bool(kSettingWriteKoreanTagsAsCp949));
  r.Pause(200);
  r.Do("Settings from the menu", [&r] { r.RunMenu(kIdSettings); });
  r.Step("dialog shown", [] { return ShownSettings() != nullptr; }, 4000);
  r.Check("every setting has its control showing its value", [] {
    CSettingsDlg* d = ShownSettings();
    for (const SettingSpec& s : SettingsTable()) {
      auto* box = wxDynamicCast(d->ControlOf(s.key), wxCheckBox);
      if (s.type == SettingType::Bool && (!box || box->GetValue() != UserSettings().Bool(s.key))) return false;
      if (s.type == SettingType::Bool && std::string(box->GetLabel().utf8_str()) != s.label) return false;
    }
    return true;
  });
  r.Do("point at the CP949 writing box", [&r] { PointAtCheckBox(r, ShownSettings()->ControlOf(kSettingWriteKoreanTagsAsCp949)); });
  r.Pause(150);
  r.Do("click it", [&r] { r.Click(); });
  r.Step("box toggled", [before] {
    return static_cast<wxCheckBox*>(ShownSettings()->ControlOf(kSettingWriteKoreanTagsAsCp949))->GetValue() != *before;
  }, 3000);
  if (std::getenv("VEXALO_SELFTEST_HOLD")) HoldForPicture(r);
  r.Do("point at OK", [&r] {
    wxWindow* ok = ShownSettings()->FindWindow(wxID_OK);
    r.MoveToScreen(ok->GetScreenRect().GetPosition() + wxPoint(ok->GetSize().x / 2, ok->GetSize().y / 2));
  });
  r.Pause(150);
  r.Do("click OK", [&r] { r.Click(); });
  r.Step("dialog closed", [] { return ShownSettings() == nullptr; }, 3000);
  r.Check("the setting and the file changed", [before] {
    Settings saved;
    const bool clean = saved.Load(SettingsFilePath()).empty();
    return clean && UserSettings().Bool(kSettingWriteKoreanTagsAsCp949) != *before &&
           saved.Bool(kSettingWriteKoreanTagsAsCp949) != *before;
  });
}

// Typing, then Ctrl+Z in the editor takes back the last word; Ctrl+Y and Ctrl+Shift+Z bring it
// back; the Edit menu items follow what can be undone.
void UndoTyping(Runner& r) {
  r.Pause(200);
  TypeIntoEditor(r, "one two");
  r.Check("Undo enabled, Redo not", [&r] {
    wxMenuBar* bar = r.Frame().GetMenuBar();
    r.Frame().UpdateWindowUI();
    return bar->IsEnabled(r.Frame().MenuIdOf(kIdEditUndo)) && !bar->IsEnabled(r.Frame().MenuIdOf(kIdEditRedo));
  });
  r.Do("Ctrl+Z", [&r] { r.Sim().Char('z', wxMOD_CONTROL); });
  r.Step("the last word is gone", [&r] { return r.View().Editor()->GetValue() == "one "; }, 3000);
  r.Do("Ctrl+Y", [&r] { r.Sim().Char('y', wxMOD_CONTROL); });
  r.Step("it is back", [&r] { return r.View().Editor()->GetValue() == "one two"; }, 3000);
  r.Do("Ctrl+Z twice", [&r] {
    r.Sim().Char('z', wxMOD_CONTROL);
    r.Sim().Char('z', wxMOD_CONTROL);
  });
  r.Step("empty", [&r] { return r.View().Editor()->GetValue().empty(); }, 3000);
  r.Do("Ctrl+Shift+Z", [&r] { r.Sim().Char('z', wxMOD_CONTROL | wxMOD_SHIFT); });
  r.Step("first word back", [&r] { return r.View().Editor()->GetValue() == "one "; }, 3000);
  r.Check("the caret stands after it", [&r] { return r.View().Editor()->GetInsertionPoint() == 4; });
}

// Help > Keyboard shortcuts shows the command table's list; the menus carry the table's labels
// and prompts.
void KeyboardShortcuts(Runner& r) {
  r.Pause(200);
  r.Check("menu items from the command table", [&r] {
    wxMenuBar* bar = r.Frame().GetMenuBar();
    for (const MenuEntry& entry : MenuTable()) {
      if (entry.command == 0) continue;
      wxMenuItem* item = bar->FindItem(r.Frame().MenuIdOf(entry.command));
      if (!item || Utf8(item->GetItemLabel()) != Cp949ToUtf8(entry.label) ||
          Utf8(item->GetHelp()) != Cp949ToUtf8(CommandPrompt(entry.command))) {
        std::printf("menu item %d differs: %s\n", entry.command, item ? Utf8(item->GetItemLabel()).c_str() : "missing");
        return false;
      }
    }
    return true;
  });
  r.Do("Help > Keyboard shortcuts", [&r] { r.RunMenu(kIdKeyboardShortcuts); });
  r.Step("window shown", [] { return ShortcutsWindowText() != nullptr; }, 4000);
  r.Check("its text is the table's list", [] {
    return Utf8(ShortcutsWindowText()->GetValue()) == Cp949ToUtf8(ShortcutListText());
  });
  if (std::getenv("VEXALO_SELFTEST_HOLD")) HoldForPicture(r);
}

// The help window and the keyboard shortcuts window close where no window manager draws their
// title bar: each opened three times and closed once by Esc, once by Ctrl+W and once by a click
// on its Close button.
void HelpWindowsClose(Runner& r) {
  struct Window {
    const char* name;
    int command;
    std::function<wxWindow*()> shown;
  };
  const Window windows[] = {
      {"help", kIdDefaultHelp, [] { return static_cast<wxWindow*>(HelpWindow()); }},
      {"keyboard shortcuts", kIdKeyboardShortcuts,
       [] { return ShortcutsWindowText() ? wxGetTopLevelParent(ShortcutsWindowText()) : nullptr; }},
  };
  r.Pause(200);
  for (const Window& w : windows) {
    const std::string name = w.name;
    auto shown = w.shown;
    auto open = [&r, name, shown, command = w.command] {
      r.Do("open the " + name + " window", [&r, command] { r.RunMenu(command); });
      r.Step(name + " window shown", [shown] { return shown() && shown()->IsShown(); }, 4000);
      r.Pause(400);
      // A click on the window's own background, left of its Close button, gives it the keys.
      r.Do("click into it", [&r, shown] {
        wxWindow* close = shown()->FindWindow(wxID_CLOSE);
        const wxRect b = close ? close->GetScreenRect() : shown()->GetScreenRect();
        const wxRect f = shown()->GetScreenRect();
        const wxPoint p(f.x + 10, b.y + b.height / 2);
        wxExecute(wxString::Format("xdotool mousemove %d %d sleep 0.05 click 1", p.x, p.y), wxEXEC_ASYNC);
      });
      r.Pause(300);
      r.Step(name + " window has the keys", [shown] {
        wxWindow* focus = wxWindow::FindFocus();
        return focus && wxGetTopLevelParent(focus) == shown();
      }, 3000);
    };
    auto closed = [&r, name, shown](const std::string& how) {
      r.Step(name + " window closed by " + how, [shown] { return shown() == nullptr; }, 3000);
    };
    open();
    if (std::getenv("VEXALO_SELFTEST_HOLD")) HoldForPicture(r);
    r.Do("press Esc", [] { Xdotool("key Escape"); });
    closed("Esc");
    open();
    r.Do("press Ctrl+W", [] { Xdotool("key ctrl+w"); });
    closed("Ctrl+W");
    open();
    r.Check(name + " window has a Close button", [shown] { return shown()->FindWindow(wxID_CLOSE) != nullptr; });
    r.Do("point at Close", [&r, shown] { PointAtWindow(r, shown()->FindWindow(wxID_CLOSE)); });
    r.WaitForPointer();
    r.Do("click Close", [&r] { r.Click(); });
    closed("its Close button");
  }
  r.Check("the main window stays", [&r] { return r.Frame().IsShown() && r.ShownMessage() == nullptr; });
}

// Text Open's dialog with its encoding list: the file is picked by typing its path, as a user
// would. UTF-8 chosen for a CP949 file reads it as UTF-8 (and says which bytes are not); then
// Automatic reads it as CP949, Hangul intact.
void TextOpenEncoding(Runner& r) {
  const std::string path = "/tmp/vexalo-selftest-" + std::to_string(getpid()) + ".txt";
  {
    std::ofstream(path, std::ios::binary) << "\xC3\xA2\xC3\xB5\x20\xC4\xA8\r\n\xBB\xE7\xB6\xFB\xC7\xD8\r\n";  // 창천 칩, 사랑해
  }
  auto pick = [&r, path](int encoding) {
    r.Do("Text Open from the menu", [&r] { r.RunMenu(kIdTextOpen); });
    r.Step("dialog with its encoding list", [&r] { return r.View().OpenFileDialog() && r.View().OpenFileDialogChoice(); }, 5000);
    r.Pause(500);
    if (encoding != 0 && std::getenv("VEXALO_SELFTEST_HOLD")) HoldForPicture(r);
    r.Do("choose the encoding", [&r, encoding] { r.View().OpenFileDialogChoice()->SetSelection(encoding); });
    r.Do("type the path", [path] {
      Xdotool("key ctrl+l");
      Xdotool("type --delay 2 " + path);
    });
    r.Pause(300);
    r.Do("Enter", [] { Xdotool("key Return"); });
    r.Step("dialog closed on the file", [&r, path] { return !r.View().OpenFileDialog() && TextFilePath == path; }, 5000);
  };
  pick(2);
  r.Step("bytes that are not UTF-8 are reported", [&r] {
    MessageDialog* d = r.ShownMessage();
    if (!d) return false;
    const std::string text = Utf8(d->Message());
    if (text.rfind(" Text File Code Error: ", 0) != 0 || text.find("not UTF-8") == std::string::npos) r.Fail("message: " + text);
    d->Answer(Answer::Ok);
    return true;
  }, 4000);
  r.Check("status says UTF-8", [&r] { return Utf8(r.Pane(kPanePrompt)) == " Read as UTF-8 "; });
  pick(0);
  r.Check("status says CP949", [&r] {
    std::printf("status: '%s'\n", Utf8(r.Pane(kPanePrompt)).c_str());
    return Utf8(r.Pane(kPanePrompt)) == " Read as CP949 ";
  });
  r.Check("Hangul intact", [&r] {
    const std::string shown = Utf8(r.View().Editor()->GetValue());
    return shown.find("창천 칩") != std::string::npos && shown.find("사랑해") != std::string::npos;
  });
  r.Do("clean up", [path] { std::remove(path.c_str()); });
}

// Text Open of an LRC file from the menu: its stamps become the editor's tags (shown as § and «
// marks) in time order with the offset applied; Text Save as enhanced LRC writes it back in its
// normal form, ID tags first.
void LrcOpenSave(Runner& r) {
  const std::string base = "/tmp/vexalo-selftest-" + std::to_string(getpid());
  const std::string in = base + ".lrc", out = base + "-saved.lrc";
  {
    std::ofstream(in, std::ios::binary) << "\xEF\xBB\xBF[ti:Song]\r\n[offset:+100]\r\n"
                                           "[00:01.10]사랑 <00:01.60>you\r\n[00:04.30][00:09.10]bye\r\n";
  }
  r.Do("Text Open of the LRC file", [&r, in] {
    r.View().PresetFileChoice(FileChoice{in, in.substr(in.find_last_of('/') + 1)});
    r.RunMenu(kIdTextOpen);
  });
  r.Step("the editor shows the lyrics in editor form", [&r] {
    return Utf8(r.View().Editor()->GetValue()) ==
           "§00000100»\n사랑 «000150»you\n§00000420»\nbye\n§00000900»\nbye\n";
  }, 5000);
  if (std::getenv("VEXALO_SELFTEST_HOLD")) HoldForPicture(r);
  r.Do("Text Save as enhanced LRC", [&r, out] {
    r.View().PresetFileChoice(FileChoice{out, out.substr(out.find_last_of('/') + 1), 2, 0});
    r.RunMenu(kIdTextSave);
  });
  r.Step("the file holds the normal form", [out] {
    std::ifstream file(out, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return bytes == "[ti:Song]\r\n[offset:0]\r\n[00:01.00]사랑 <00:01.50>you\r\n[00:04.20]bye\r\n[00:09.00]bye\r\n";
  }, 5000);
  r.Do("clean up", [in, out] {
    std::remove(in.c_str());
    std::remove(out.c_str());
  });
}

// The Tools menu item `label` under the submenu `submenu`, or null.
wxMenuItem* ToolsItem(Runner& r, const std::string& submenu, const std::string& label) {
  wxMenuBar* bar = r.Frame().GetMenuBar();
  wxMenu* tools = bar->GetMenu(static_cast<std::size_t>(bar->FindMenu("Tools(&T)")));
  if (!tools) tools = bar->GetMenu(2);
  for (wxMenuItem* item : tools->GetMenuItems()) {
    if (!item->IsSubMenu() || Utf8(item->GetItemLabelText()) != submenu) continue;
    for (wxMenuItem* inner : item->GetSubMenu()->GetMenuItems())
      if (Utf8(inner->GetItemLabelText()) == label) return inner;
  }
  return nullptr;
}

// Which of `labels` in the submenu are ticked, as a string of 0 and 1 ("010").
std::string Ticks(Runner& r, const std::string& submenu, std::initializer_list<const char*> labels) {
  r.Frame().UpdateWindowUI(wxUPDATE_UI_RECURSE);
  for (wxMenuItem* item : r.Frame().GetMenuBar()->GetMenu(2)->GetMenuItems())
    if (item->IsSubMenu()) item->GetSubMenu()->UpdateUI();
  std::string ticks;
  for (const char* label : labels) {
    wxMenuItem* item = ToolsItem(r, submenu, label);
    ticks += !item ? '?' : !item->IsCheckable() ? 'n' : item->IsChecked() ? '1' : '0';
  }
  return ticks;
}

// Tools > Playback Speed and User View Span: the choices are ticked as they hold; [ and ] outside
// the editor step the speed, which its status pane shows; Ctrl + wheel over the waveform zooms
// the window view's span; in the window view a 50-frame span shows 50 frames and >> steps by it.
void ListeningAids(Runner& r) {
  WaitForDecode(r);
  r.Check("speed 1x ticked, pane shows it", [&r] {
    const std::string ticks = Ticks(r, "Playback Speed", {"0.5x", "0.75x", "1x"});
    std::printf("speed ticks %s, pane '%s'\n", ticks.c_str(), Utf8(r.Pane(kPaneSpeed)).c_str());
    return ticks == "001" && Utf8(r.Pane(kPaneSpeed)) == "Speed 1x";
  });
  r.Check("span 200 ticked", [&r] {
    return Ticks(r, "User View Span", {"50 frames", "100 frames", "200 frames", "400 frames", "800 frames"}) == "00100";
  });
  r.Do("point at the waveform", [&r] {
    const Rect w = WaveRect;
    r.MoveTo((w.left + w.right) / 2, (w.top + w.bottom) / 2);
  });
  r.WaitForPointer();
  r.Step("focus leaves the editor", [&r] { return wxWindow::FindFocus() != r.View().Editor(); }, 2000);
  r.Do("press [", [&r] { r.Sim().Char('['); });
  r.Step("pane shows 0.75x", [&r] { return Utf8(r.Pane(kPaneSpeed)) == "Speed 0.75x"; }, 3000);
  r.Do("press [", [&r] { r.Sim().Char('['); });
  r.Step("pane shows 0.5x", [&r] { return Utf8(r.Pane(kPaneSpeed)) == "Speed 0.5x"; }, 3000);
  r.Check("0.5x ticked", [&r] { return Ticks(r, "Playback Speed", {"0.5x", "0.75x", "1x"}) == "100"; });
  r.Do("press ]", [&r] { r.Sim().Char(']'); });
  r.Step("pane shows 0.75x again", [&r] { return PlaybackSpeedPercent.load() == 75 && Utf8(r.Pane(kPaneSpeed)) == "Speed 0.75x"; }, 3000);
  r.Do("Tools > Playback Speed > 1x", [&r] { r.RunMenu(kIdSpeedNormal); });
  r.Step("pane shows 1x", [&r] { return Utf8(r.Pane(kPaneSpeed)) == "Speed 1x"; }, 3000);

  r.Do("Ctrl + wheel up over the waveform", [] { Xdotool("keydown ctrl click 4 keyup ctrl"); });
  r.Step("span 100", [] { return WindowFrames.load() == 100; }, 3000);
  r.Check("prompt tells the span", [&r] { return Utf8(r.Pane(kPanePrompt)) == "Window span: 100 frames (2.61 s)"; });
  r.Do("wheel down without Ctrl", [] { Xdotool("click 5"); });
  r.Pause(300);
  r.Check("span kept", [] { return WindowFrames.load() == 100; });
  r.Do("Ctrl + wheel down twice", [] { Xdotool("keydown ctrl click --repeat 2 --delay 80 5 keyup ctrl"); });
  r.Step("span 400", [] { return WindowFrames.load() == 400; }, 3000);
  r.Check("400 ticked", [&r] {
    return Ticks(r, "User View Span", {"50 frames", "100 frames", "200 frames", "400 frames", "800 frames"}) == "00010";
  });

  r.Do("User View", [&r] { r.RunMenu(kIdWindowView); });
  r.Step("window view", [] { return PlayerState.load() == kStateWindowView && WorkerBusy.load() == 0; }, 3000);
  r.Do("Tools > User View Span > 50 frames", [&r] { r.RunMenu(kIdSpan50); });
  r.Step("the window spans 50 frames", [] {
    return WindowFrames.load() == 50 && WindowEndText.Get() == " End Time = 00:01:30 ";
  }, 3000);
  r.Do("point at the waveform again", [&r] {
    const Rect w = WaveRect;
    r.MoveTo((w.left + w.right) / 2, (w.top + w.bottom) / 2 + 10);
  });
  r.WaitForPointer();
  r.Do("press Right (>>)", [] { Xdotool("key Right"); });
  // The step is three quarters of the window: about 0.98 s of a 50-frame span (of 200 frames it
  // would run past the 2 s song's end).
  r.Step(">> moves by the span's step", [] {
    const TimeMark t = WindowStart.Load();
    const int ms = t.minutes * 60000 + t.seconds * 1000 + t.millis;
    return ms >= 900 && ms <= 1000 && WindowStartText.Get() == " Start Time = 00:00:99 " &&
           WindowEndText.Get() == " End Time = 00:02:30 ";
  }, 3000);
  if (std::getenv("VEXALO_SELFTEST_HOLD")) HoldForPicture(r);
}

// Tools > Calibrate stamping: Start plays the click track; Space pressed on each heard click is
// counted; at the end the offset and spread show, Store is offered only when they may be stored,
// and Store keeps the median and the heard-position choice.
void CalibrateStamping(Runner& r) {
  struct Presses {
    int next = 0;
  };
  auto p = std::make_shared<Presses>();
  auto before = std::make_shared<int>(0);
  r.Pause(200);
  r.Do("Tools > Calibrate stamping", [&r, before] {
    *before = UserSettings().Int(kSettingStampReactionMs);
    r.RunMenu(kIdCalibrateStamping);
  });
  r.Step("dialog shown", [] { return ShownCalibrateDialog() != nullptr && ShownCalibrateDialog()->IsShown(); }, 4000);
  r.Check("instructions and the current offset", [] {
    return !ShownCalibrateDialog()->StoreButton()->IsEnabled() && ShownCalibrateDialog()->ResultText().empty();
  });
  r.Do("point at Start", [&r] {
    wxWindow* b = ShownCalibrateDialog()->StartButton();
    r.MoveToScreen(b->GetScreenRect().GetPosition() + wxPoint(b->GetSize().x / 2, b->GetSize().y / 2));
  });
  r.WaitForPointer();
  r.Pause(100);
  r.Do("click Start", [&r] { r.Click(); });
  r.Step("the track plays", [] { return ShownCalibrateDialog()->Calibration().Playing(); }, 3000);
  r.Do("tick the heard-position box", [] { ShownCalibrateDialog()->HeardBox()->SetValue(true); });
  r.Step("Space on every click heard", [&r, p] {
    CCalibrateDlg* d = ShownCalibrateDialog();
    const ClickTrackPlan& plan = d->Calibration().Plan();
    const std::optional<int> heard = HeardClickTrackMillis();
    if (p->next < plan.clicks && heard && *heard >= plan.ClickMillis(p->next) + 120) {
      r.Sim().Char(WXK_SPACE);
      ++p->next;
    }
    return !d->Calibration().Playing();
  }, 20000);
  r.Step("the figures show", [] {
    std::printf("result '%s'\n", Utf8(ShownCalibrateDialog()->ResultText()).c_str());
    return ShownCalibrateDialog()->ResultText().StartsWith("Reaction offset ");
  }, 3000);
  if (std::getenv("VEXALO_SELFTEST_HOLD")) HoldForPicture(r);
  r.Check("every press was counted and Store follows the spread", [] {
    CCalibrateDlg* d = ShownCalibrateDialog();
    const CalibrationSummary s = d->Calibration().Summary();
    std::printf("calibration: %s (store %s)\n", s.text.c_str(), d->StoreButton()->IsEnabled() ? "on" : "off");
    std::fflush(stdout);
    return s.taps == d->Calibration().Plan().clicks && d->StoreButton()->IsEnabled() == s.storable &&
           Utf8(d->ResultText()) == s.text;
  });
  r.Do("point at Store, or at Close when it may not be stored", [&r] {
    CCalibrateDlg* d = ShownCalibrateDialog();
    wxWindow* b = d->Calibration().Summary().storable ? d->StoreButton() : d->FindWindow(wxID_CANCEL);
    r.MoveToScreen(b->GetScreenRect().GetPosition() + wxPoint(b->GetSize().x / 2, b->GetSize().y / 2));
  });
  r.WaitForPointer();
  r.Pause(100);
  r.Do("click it", [&r] { r.Click(); });
  auto stored = std::make_shared<CalibrationSummary>();
  r.Step("dialog closed", [stored] {
    if (CCalibrateDlg* d = ShownCalibrateDialog()) {
      *stored = d->Calibration().Summary();
      return false;
    }
    return true;
  }, 3000);
  r.Check("the setting follows the figures", [stored, before] {
    Settings saved;
    saved.Load(SettingsFilePath());
    if (!stored->storable) return UserSettings().Int(kSettingStampReactionMs) == *before;
    return UserSettings().Int(kSettingStampReactionMs) == stored->medianMs && saved.Int(kSettingStampReactionMs) == stored->medianMs &&
           UserSettings().Bool(kSettingStampHeardPosition) && saved.Bool(kSettingStampHeardPosition);
  });
}

long PeakRssKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

// Benchmark: how soon the window answers while a long song decodes. A helper thread queues a
// call for the UI thread every 10 ms and notes how long each waits; the pointer moves between
// two top buttons every 150 ms and the time until the hover tip appears is noted. Then the peak
// memory with the song loaded.
void BenchLatency(Runner& r) {
  struct Figures {
    std::vector<double> queue;
    std::vector<double> hover;
    std::atomic<bool> stop{false};
    Clock::time_point moved;
    int target = 0;
    bool waiting = false;
  };
  auto f = std::make_shared<Figures>();
  r.Pause(300);
  OpenFile(r, r.File());
  r.Do("start the probes", [&r, f] {
    std::thread([f, &r] {
      while (!f->stop.load()) {
        const auto posted = Clock::now();
        r.View().CallAfter([f, posted] {
          f->queue.push_back(std::chrono::duration<double, std::milli>(Clock::now() - posted).count());
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }).detach();
  });
  r.Step("decode with hover probes", [&r, f] {
    const char* tips[] = {" MP3 File Open", " SyncMP3 File Save"};
    if (f->waiting && Utf8(r.Pane(kPanePrompt)) == tips[f->target]) {
      f->hover.push_back(std::chrono::duration<double, std::milli>(Clock::now() - f->moved).count());
      f->waiting = false;
    }
    if (!f->waiting && Clock::now() - f->moved > std::chrono::milliseconds(150) && Decoding.load()) {
      f->target = 1 - f->target;
      const wxPoint c = Centre(skin::ButtonAt(f->target == 0 ? skin::kTop1 : skin::kTop2).hit);
      f->moved = Clock::now();
      f->waiting = true;
      r.MoveTo(c.x, c.y);
    }
    return Decoded();
  }, 900000);
  r.Do("report", [f] {
    f->stop.store(true);
    auto summary = [](const char* what, std::vector<double> v) {
      if (v.empty()) return std::printf("%s: no samples\n", what), void();
      std::sort(v.begin(), v.end());
      std::printf("%s: %zu samples, median %.1f ms, p99 %.1f ms, max %.1f ms\n", what, v.size(), v[v.size() / 2],
                  v[std::min(v.size() - 1, v.size() * 99 / 100)], v.back());
    };
    summary("UI queue delay while decoding", f->queue);
    summary("hover to tip while decoding (incl. xdotool start)", f->hover);
    std::printf("decoded bytes %llu; peak memory (VmHWM) %ld kB\n", static_cast<unsigned long long>(storedBytes.load()), PeakRssKb());
    std::fflush(stdout);
  });
  // A state change redraws the whole view: from the command to the picture handed to the screen
  // (the present queued behind the drawing has run when the call queued after it runs).
  auto redraw = std::make_shared<std::vector<double>>();
  for (int i = 0; i < 40; ++i) {
    r.Do("switch views", [&r, redraw, i] {
      const auto start = Clock::now();
      Commands().Run(i % 2 == 0 ? kIdWindowView : kIdWholeView);
      r.View().CallAfter([&r, redraw, start] {
        r.View().Update();
        redraw->push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      });
    });
    r.Pause(40);
  }
  r.Do("report the redraws", [redraw] {
    std::vector<double> v = *redraw;
    std::sort(v.begin(), v.end());
    if (!v.empty())
      std::printf("whole view redrawn after a view switch: %zu samples, median %.1f ms, max %.1f ms\n", v.size(),
                  v[v.size() / 2], v.back());
    std::fflush(stdout);
  });
}

// The skin's upper part, where no native control lies: the top bar and the waveform field.
constexpr Rect kUpperSkin{0, 0, 767, 204};
constexpr Rect kWaveFieldArea{skin::kWaveField.left, skin::kWaveField.top, skin::kWaveField.right + 1,
                              skin::kWaveField.bottom + 1};

// Fails the test unless the screen shows the upper skin exactly as the back buffer holds it.
void CheckScreenShowsBuffer(Runner& r, const std::string& what, Rect area = kUpperSkin) {
  r.Step(what, [&r, what, area] {
    wxImage shot;
    if (!GrabScreen(shot)) {
      r.Fail("screenshot failed");
      return true;
    }
    const int differ = ScreenDiffers(r.View(), shot, area);
    if (differ != 0) r.Fail(what + ": " + std::to_string(differ) + " pixels on the screen differ from the drawing");
    return true;
  });
}

// Columns of WaveRect in which the screen shows the cursor's colour.
int CursorColumnsOnScreen(CVexaloCaptionView& view, const wxImage& shot) {
  const wxPoint origin = view.ClientToScreen(wxPoint(0, 0));
  const Rect w = WaveRect;
  int columns = 0;
  for (int x = w.left; x <= w.right; ++x)
    for (int y = w.top; y <= w.bottom; ++y) {
      const int sx = origin.x + x, sy = origin.y + y;
      if (sx < 0 || sy < 0 || sx >= shot.GetWidth() || sy >= shot.GetHeight()) continue;
      if (RGB(shot.GetRed(sx, sy), shot.GetGreen(sx, sy), shot.GetBlue(sx, sy)) == kCursorColour) {
        ++columns;
        break;
      }
    }
  return columns;
}

int CursorPixelsInBuffer(CVexaloCaptionView& view) {
  const Rect w = WaveRect;
  int pixels = 0;
  for (int x = w.left; x <= w.right; ++x)
    for (int y = w.top; y <= w.bottom; ++y) pixels += view.Buffer().GetPixel(x, y) == kCursorColour;
  return pixels;
}

bool WindowViewDrawn(CVexaloCaptionView& view) {
  const Rect w = WaveRect;
  int grid = 0;
  for (int y = w.top; y <= w.bottom; ++y)
    for (int x = w.left; x <= w.right; ++x) grid += view.Buffer().GetPixel(x, y) == kGridColour;
  return grid > w.Width() && BufferShowsText(view, w.left + 10, w.top + 5, WindowStartText.Get());
}

// Tools > User View from the menu (by its keys, as a user opens it) and the User View button:
// the whole view is drawn in the window view and shown on the screen, not only the strip the
// menu covered.
void UserViewMenu(Runner& r) {
  WaitForDecode(r);
  r.Pause(300);
  r.Do("open the Tools menu", [&r] { r.Sim().Char('t', wxMOD_ALT); });
  r.Pause(500);
  r.Do("choose User View", [&r] { r.Sim().Char(WXK_RETURN); });
  r.Step("window view", [] { return PlayerState.load() == kStateWindowView; }, 3000);
  r.Pause(700);
  r.Check("window view drawn", [&r] { return WindowViewDrawn(r.View()); });
  CheckScreenShowsBuffer(r, "after the menu");
  SaveShot(r, "user-view-from-the-menu");
  r.Do("1:1 View", [] { Commands().Run(kIdWholeView); });
  r.Pause(400);
  ClickAt(r, Centre(skin::ButtonAt(skin::kTop6).hit));
  r.Step("window view again", [] { return PlayerState.load() == kStateWindowView; }, 3000);
  r.Pause(700);
  r.Check("window view drawn after the button", [&r] { return WindowViewDrawn(r.View()); });
  CheckScreenShowsBuffer(r, "after the button");
  SaveShot(r, "user-view-from-the-button");
}

// Lyrics, Auto Next, Play, line 1, then Ctrl+Q every 1.5 s: the screen never shows more than
// the one moving cursor line, and after Stop neither the screen nor the drawing keeps one.
void CursorStamps(Runner& r) {
  WaitForDecode(r);
  r.Do("lyrics", [&r] {
    r.View().SetEditorText("one\r\ntwo\r\nthree\r\nfour\r\nfive\r\nsix\r\nseven\r\neight\r\nnine\r\nten\r\n");
  });
  ClickAt(r, [&r] {
    const wxRect box = r.View().ControlWxRect(kIdcAutoAdvance);
    return wxPoint(box.x + box.height / 2, box.y + box.height / 2);
  }());
  r.Step("Auto Next ticked", [&r] { return r.View().IsChecked(kIdcAutoAdvance); }, 2000);
  ClickAt(r, Centre(skin::ButtonAt(skin::kPlay).hit));
  r.Step("playing", [] { return WorkerBusy.load() == 1 && PlayMillis() > 300; }, 4000);
  ClickAt(r, [&r] {
    const wxRect e = r.View().ControlWxRect(kIdcEditor);
    return wxPoint(e.x + 40, e.y + 8);
  }());
  r.Step("editor has the focus", [&r] { return wxWindow::FindFocus() == r.View().Editor(); }, 2000);
  for (int n = 0; n < 5; ++n) {
    r.Do("Ctrl+Q", [&r] { r.Sim().Char('q', wxMOD_CONTROL); });
    for (int k = 0; k < 3; ++k) {
      r.Pause(400);
      r.Step("one cursor line on the screen", [&r, n, k] {
        wxImage shot;
        if (!GrabScreen(shot)) return r.Fail("screenshot failed"), true;
        const int columns = CursorColumnsOnScreen(r.View(), shot);
        if (columns > 1)
          r.Fail("stamp " + std::to_string(n) + ", look " + std::to_string(k) + ": " + std::to_string(columns) +
                 " cursor lines on the screen");
        return true;
      });
    }
  }
  r.Check("still playing", [] { return WorkerBusy.load() == 1; });
  SaveShot(r, "after-five-stamps");
  ClickAt(r, Centre(skin::ButtonAt(skin::kStop).hit));
  r.Step("stopped", [] { return WorkerBusy.load() == 0; }, 3000);
  r.Pause(500);
  r.Check("no cursor left in the drawing", [&r] { return CursorPixelsInBuffer(r.View()) == 0; });
  CheckScreenShowsBuffer(r, "after Stop", kWaveFieldArea);
  SaveShot(r, "after-stop");
  r.Check("five lines stamped", [&r] {
    const std::string text = r.View().GetEditorText();
    std::printf("lyrics after the stamps: %s\n", Cp949ToUtf8(text).c_str());
    return std::count(text.begin(), text.end(), '\xA7') == 5;
  });
}

// Play 1 s, then Pause, eight times: each time the Play Time read-out is drawn whole and
// the screen shows it as drawn.
void PauseReadouts(Runner& r) {
  WaitForDecode(r);
  for (int n = 0; n < 8; ++n) {
    ClickAt(r, Centre(skin::ButtonAt(skin::kPlay).hit));
    r.Step("playing", [] { return WorkerBusy.load() == 1; }, 3000);
    r.Pause(1000);
    ClickAt(r, Centre(skin::ButtonAt(skin::kPause).hit));
    r.Step("paused", [] { return WorkerBusy.load() == 0; }, 3000);
    r.Pause(500);
    r.Check("Play Time drawn whole", [&r] {
      const Rect w = WaveRect;
      return BufferShowsText(r.View(), w.left + 270, w.top + 5, PlayTimeText.Get());
    });
    CheckScreenShowsBuffer(r, "read-outs after Pause " + std::to_string(n), kWaveFieldArea);
    if (n == 0) SaveShot(r, "after-pause");
  }
}

// Dragging the slider while stopped moves the start and the Play Time read-out shows it, on
// the screen too; Play then starts there.
void SliderDragStopped(Runner& r) {
  WaitForDecode(r);
  auto slider = [&r] { return r.View().ControlWxRect(kIdcSlider); };
  r.Pause(300);
  r.Do("press on the slider's knob", [&r, slider] {
    const wxRect s = slider();
    r.MoveTo(s.x + s.height / 2, s.y + s.height / 2);
  });
  r.Pause(150);
  r.Do("button down", [] { wxExecute("xdotool mousedown 1", wxEXEC_ASYNC); });
  r.Pause(150);
  for (int step = 1; step <= 4; ++step) {
    r.Do("drag", [&r, slider, step] {
      const wxRect s = slider();
      r.MoveTo(s.x + s.height / 2 + step * s.width / 10, s.y + s.height / 2);
    });
    r.Pause(120);
  }
  r.Do("button up", [] { wxExecute("xdotool mouseup 1", wxEXEC_ASYNC); });
  r.Pause(600);
  r.Check("the start moved", [] { return PlayPosBytes.load() > storedBytes.load() / 10; });
  r.Check("Play Time shows the start", [&r] {
    const int ms = TimeOfPosition(PlayPosBytes.load());
    char text[64];
    std::snprintf(text, sizeof text, " Play Time = %02d:%02d:%02d ", ms / 60000, (ms / 1000) % 60, (ms % 1000) / 10);
    const Rect w = WaveRect;
    return PlayTimeText.Get() == text && BufferShowsText(r.View(), w.left + 270, w.top + 5, text);
  });
  CheckScreenShowsBuffer(r, "after the drag", kWaveFieldArea);
  SaveShot(r, "after-the-drag");
  PlayStartsWhereTheSliderStands(r);
}

std::string ReadoutText(const char* format, int ms) {
  char text[kTextCapacity];
  std::snprintf(text, sizeof text, format, ms / 60000, (ms / 1000) % 60, (ms % 1000) / 10);
  return text;
}

// With VEXALO_SELFTEST_SHOTS naming a folder, the screen as it stands is written there as
// NAME.png, for a person to look at.
void SaveShot(Runner& r, const std::string& name) {
  r.Do("picture " + name, [name] {
    const char* dir = std::getenv("VEXALO_SELFTEST_SHOTS");
    if (!dir || !*dir) return;
    wxArrayString out, err;
    const std::string command = "import -window root " + std::string(dir) + "/" + name + ".png";
    wxExecute(wxString::FromUTF8(command.c_str()), out, err, wxEXEC_SYNC | wxEXEC_NODISABLE);
  });
}

// Play starts from where the slider stands, and Play Time goes on from there.
void PlayStartsWhereTheSliderStands(Runner& r) {
  auto start = std::make_shared<int>(0);
  r.Do("Play", [start] {
    *start = TimeOfPosition(PlayPosBytes.load());
    Commands().Run(kIdcPlay);
  });
  r.Step("plays from the slider's place", [start] {
    const int ms = PlayMillis();
    return WorkerBusy.load() == 1 && ms > *start && ms < *start + 1500;
  }, 3000);
}

// The point of the slider's track at `fraction` of its length, in view client pixels.
wxPoint SliderPoint(Runner& r, double fraction) {
  const wxRect s = r.View().ControlWxRect(kIdcSlider);
  return wxPoint(s.x + s.height / 2 + static_cast<int>(fraction * (s.width - s.height)), s.y + s.height / 2);
}

// Presses the slider at `from` of its length, drags it to `to` in steps and lets go.
void DragSlider(Runner& r, double from, double to) {
  r.Do("point at the slider", [&r, from] {
    const wxPoint p = SliderPoint(r, from);
    r.MoveTo(p.x, p.y);
  });
  r.WaitForPointer();
  r.Pause(100);
  r.Do("button down", [] { wxExecute("xdotool mousedown 1", wxEXEC_ASYNC); });
  r.Pause(150);
  for (int step = 1; step <= 4; ++step) {
    r.Do("drag", [&r, from, to, step] {
      const wxPoint p = SliderPoint(r, from + (to - from) * step / 4);
      r.MoveTo(p.x, p.y);
    });
    r.Pause(120);
  }
  r.Do("button up", [] { wxExecute("xdotool mouseup 1", wxEXEC_ASYNC); });
  r.Pause(400);
}

// The window view shows the Start and End Time of the window it draws now, as texts and in the
// drawing.
bool WindowReadoutsMatch(CVexaloCaptionView& view) {
  const int start = TimeOfPosition(PlayPosBytes.load());
  const int end = start + static_cast<int>(SongInfo.frameSeconds.load() * (WindowFrames.load() * 1000.0));
  const std::string startText = ReadoutText(" Start Time = %02d:%02d:%02d ", start);
  const std::string endText = ReadoutText(" End Time = %02d:%02d:%02d ", end);
  const Rect w = WaveRect;
  std::printf("window view: '%s' '%s', expected '%s' '%s'\n", WindowStartText.Get().c_str(), WindowEndText.Get().c_str(),
              startText.c_str(), endText.c_str());
  std::fflush(stdout);
  return PlayerState.load() == kStateWindowView && WindowStartText.Get() == startText && WindowEndText.Get() == endText &&
         BufferShowsText(view, w.left + 10, w.top + 5, startText) && BufferShowsText(view, w.left + 570, w.top + 5, endText);
}

bool Idle() { return WorkerBusy.load() == 0; }

// Opening a song leaves nothing of the one before: an idle window view shows its own Start and
// End Time; after a second song opens, the first one's Play Time and Cursor Position Time are
// gone and pane 1 shows the new song; after a file that is no MP3, pane 1 is empty.
void OpenClearsReadouts(Runner& r) {
  WaitForDecode(r);
  r.Pause(300);
  r.Do("point at the waveform", [&r] {
    const Rect w = WaveRect;
    r.MoveTo((w.left + w.right) / 2, (w.top + w.bottom) / 2);
  });
  r.WaitForPointer();
  r.Step("Cursor Position Time shown", [] { return !CursorTimeText.Get().empty(); }, 3000);
  r.Do("point away from the waveform", [&r] {
    const wxRect e = r.View().ControlWxRect(kIdcEditor);
    r.MoveTo(e.x + e.width / 2, e.y + e.height / 2);
  });
  r.WaitForPointer();
  r.Do("User View", [] { Commands().Run(kIdWindowView); });
  r.Pause(300);
  r.Do("Play", [] { Commands().Run(kIdcPlay); });
  r.Step("the window plays", [] { return WorkerBusy.load() == 1 && PlayMillis() > 500; }, 4000);
  r.Do("Stop", [] { Commands().Run(kIdcStop); });
  r.Step("stopped", &Idle, 3000);
  r.Do("1:1 View", [] { Commands().Run(kIdWholeView); });
  r.Pause(300);
  DragSlider(r, 0.2, 0.4);
  r.Do("User View", [] { Commands().Run(kIdWindowView); });
  r.Pause(500);
  r.Check("the idle window view shows its own Start and End Time", [&r] { return WindowReadoutsMatch(r.View()); });
  CheckScreenShowsBuffer(r, "the window view on the screen", kWaveFieldArea);
  SaveShot(r, "idle-window-view");
  DragSlider(r, 0.4, 0.6);
  r.Check("after a slider move too", [&r] {
    return PlayPosBytes.load() > storedBytes.load() / 2 && WindowReadoutsMatch(r.View());
  });
  SaveShot(r, "idle-window-view-slider");

  r.Do("1:1 View", [] { Commands().Run(kIdWholeView); });
  r.Pause(300);
  struct Before {
    std::string play, cursor, facts;
  };
  auto before = std::make_shared<Before>();
  r.Check("the first song's read-outs and facts", [&r, before] {
    before->play = PlayTimeText.Get();
    before->cursor = CursorTimeText.Get();
    before->facts = Utf8(r.Pane(kPaneSongFacts));
    const Rect w = WaveRect;
    std::printf("first song: '%s' '%s' '%s'\n", before->play.c_str(), before->cursor.c_str(), before->facts.c_str());
    return !before->play.empty() && !before->cursor.empty() && before->facts == SongFactsText() &&
           BufferShowsText(r.View(), w.left + 270, w.top + 5, before->play) &&
           BufferShowsText(r.View(), w.left + 270, w.bottom - 25, before->cursor);
  });
  SaveShot(r, "first-song");
  OpenFile(r, std::string(VEXALO_SOURCE_DIR) + "/tests/fixtures/stereo_44k.mp3");
  WaitForDecode(r);
  r.Pause(400);
  r.Check("the first song's Play Time and Cursor Position Time are gone", [&r, before] {
    const Rect w = WaveRect;
    std::printf("second song: '%s' '%s' '%s'\n", PlayTimeText.Get().c_str(), CursorTimeText.Get().c_str(),
                Utf8(r.Pane(kPaneSongFacts)).c_str());
    return PlayTimeText.Get().empty() && CursorTimeText.Get().empty() && PlayMillis() == 0 &&
           !BufferShowsText(r.View(), w.left + 270, w.top + 5, before->play) &&
           !BufferShowsText(r.View(), w.left + 270, w.bottom - 25, before->cursor);
  });
  r.Check("pane 1 shows the second song", [&r, before] {
    return Utf8(r.Pane(kPaneSongFacts)) == SongFactsText() && Utf8(r.Pane(kPaneSongFacts)) != before->facts;
  });
  CheckScreenShowsBuffer(r, "the second song on the screen", kWaveFieldArea);
  SaveShot(r, "second-song");

  const std::string words = "/tmp/vexalo-selftest-" + std::to_string(getpid()) + "-words.mp3";
  r.Do("write a file that is no MP3", [words] {
    std::ofstream out(words);
    for (int n = 0; n < 200; ++n) out << "These are words, not sound.\n";
  });
  OpenFile(r, words);
  r.Step("the decoder says it is no MP3", [&r] {
    MessageDialog* d = r.ShownMessage();
    return d && Utf8(d->Message()) == " Not MP3 File !!! ";
  }, 10000);
  r.Pause(300);
  r.Check("pane 1 is empty while the message shows", [&r] {
    std::printf("pane 1 at the message: '%s'\n", Utf8(r.Pane(kPaneSongFacts)).c_str());
    return r.Pane(kPaneSongFacts).empty();
  });
  SaveShot(r, "failed-open-message");
  r.Do("OK", [&r] {
    if (MessageDialog* d = r.ShownMessage()) d->Answer(Answer::Ok);
  });
  r.Step("message closed", [&r] { return r.ShownMessage() == nullptr; }, 3000);
  r.Pause(300);
  r.Check("no song, pane 1 and the read-outs empty", [&r, words] {
    std::remove(words.c_str());
    return PlayerState.load() == kStateNoSong && r.Pane(kPaneSongFacts).empty() && PlayTimeText.Get().empty() &&
           CursorTimeText.Get().empty();
  });
  SaveShot(r, "failed-open");
}

// The slider always shows where the next Play starts: let go of during a playback, it stops the
// playback and Play goes on from its place, which Play Time shows; after Stop it is back at the
// start (0 in the whole view, the window's start in the window view), where Play starts.
void SliderDragPlaying(Runner& r) {
  WaitForDecode(r);
  r.Pause(300);
  ClickAt(r, Centre(skin::ButtonAt(skin::kPlay).hit));
  r.Step("playing", [] { return WorkerBusy.load() == 1 && PlayMillis() > 800; }, 4000);
  DragSlider(r, 0.2, 0.5);
  r.Step("the release stopped the playback", &Idle, 3000);
  r.Pause(300);
  r.Check("the next start is where the slider was let go", [&r] {
    const int place = r.View().Slider()->GetValue();
    std::printf("slider %d, start %llu of %llu\n", place, static_cast<unsigned long long>(PlayPosBytes.load()),
                static_cast<unsigned long long>(storedBytes.load()));
    std::fflush(stdout);
    return place > 65535 * 35 / 100 && place < 65535 * 65 / 100 && PlayPosBytes.load() == PositionOfSlider(place);
  });
  r.Check("Play Time shows the slider's place", [&r] {
    const std::string text = ReadoutText(" Play Time = %02d:%02d:%02d ", TimeOfPosition(PlayPosBytes.load()));
    const Rect w = WaveRect;
    return PlayTimeText.Get() == text && BufferShowsText(r.View(), w.left + 270, w.top + 5, text);
  });
  CheckScreenShowsBuffer(r, "after the release", kWaveFieldArea);
  SaveShot(r, "slider-let-go-during-playback");
  PlayStartsWhereTheSliderStands(r);
  r.Pause(500);
  ClickAt(r, Centre(skin::ButtonAt(skin::kStop).hit));
  r.Step("stopped", &Idle, 3000);
  r.Pause(300);
  r.Check("after Stop the slider is back at the start", [&r] {
    std::printf("after Stop: slider %d, start %llu\n", r.View().Slider()->GetValue(),
                static_cast<unsigned long long>(PlayPosBytes.load()));
    return PlayPosBytes.load() == 0 && r.View().Slider()->GetValue() == 0;
  });
  SaveShot(r, "after-stop");
  r.Do("Play", [] { Commands().Run(kIdcPlay); });
  r.Step("and Play starts there", [] { return WorkerBusy.load() == 1 && PlayMillis() > 0 && PlayMillis() < 1500; }, 3000);
  r.Do("Stop", [] { Commands().Run(kIdcStop); });
  r.Step("stopped", &Idle, 3000);

  DragSlider(r, 0.1, 0.3);
  r.Do("User View", [] { Commands().Run(kIdWindowView); });
  r.Pause(300);
  r.Check("the window starts at the slider's place", [&r] {
    return PlayerState.load() == kStateWindowView && PlayPosBytes.load() > storedBytes.load() / 5 &&
           r.View().Slider()->GetValue() == static_cast<int>(PlayPosBytes.load() / SliderStepBytes.load());
  });
  auto windowStart = std::make_shared<std::uint64_t>(0);
  r.Do("Play", [windowStart] {
    *windowStart = PlayPosBytes.load();
    Commands().Run(kIdcPlay);
  });
  r.Step("the window plays", [windowStart] {
    return WorkerBusy.load() == 1 && PlayMillis() > TimeOfPosition(*windowStart) + 1000;
  }, 4000);
  r.Do("Stop", [] { Commands().Run(kIdcStop); });
  r.Step("stopped", &Idle, 3000);
  r.Pause(300);
  r.Check("after Stop the slider is back at the window's start", [&r, windowStart] {
    std::printf("window after Stop: slider %d, start %llu\n", r.View().Slider()->GetValue(),
                static_cast<unsigned long long>(PlayPosBytes.load()));
    return PlayPosBytes.load() == *windowStart &&
           r.View().Slider()->GetValue() == static_cast<int>(*windowStart / SliderStepBytes.load());
  });
  SaveShot(r, "window-after-stop");
}

const std::map<std::string, void (*)(Runner&)>& Tests() {
  static const std::map<std::string, void (*)(Runner&)> tests{
      {"decode-screenshot", &DecodeScreenshot}, {"space-plays", &SpacePlays}, {"hover-tip", &HoverTip},
      {"exit-prompt", &ExitPrompt},             {"stamp-line", &StampLine},             {"new-user", &NewUser},
      {"live-panel-stamp", &LivePanelStamp},
      {"bench-latency", &BenchLatency},
      {"pose-empty", &PoseEmpty},               {"pose-whole", &PoseWhole},
      {"pose-window-playing", &PoseWindowPlaying}, {"pose-tag-editor", &PoseTagEditor},       {"close-while-decoding", &CloseWhileDecoding},
      {"settings-dialog", &SettingsDialog},        {"keyboard-shortcuts", &KeyboardShortcuts},
      {"readout-own-length", &ReadoutOwnLength},
      {"text-open-encoding", &TextOpenEncoding},
      {"lrc-open-save", &LrcOpenSave},
      {"undo-typing", &UndoTyping},
      {"tag-editor-hangul", &TagEditorHangul},
      {"listening-aids", &ListeningAids},
      {"calibrate-stamping", &CalibrateStamping},
      {"user-view-menu", &UserViewMenu},           {"cursor-stamps", &CursorStamps},
      {"pause-readouts", &PauseReadouts},          {"slider-drag-stopped", &SliderDragStopped},
      {"open-clears-readouts", &OpenClearsReadouts}, {"slider-drag-playing", &SliderDragPlaying},
      {"help-windows-close", &HelpWindowsClose},  {"editor-wraps-long-lines", &EditorWrapsLongLines},
      {"controls-fit-texts", &ControlsFitTexts},   {"hangul-file-name", &HangulFileName},
  };
  return tests;
}

}  // namespace

bool SelfTestExists(const std::string& name) { return Tests().count(name) != 0; }

bool SelfTestOpensFileItself(const std::string& name) { return name == "new-user" || name == "close-while-decoding" || name == "bench-latency"; }

void StartSelfTest(const std::string& name, CMainFrame& frame, const std::string& file) {
  std::printf("self-test %s, resources from %s\n", name.c_str(), ResourceDir().c_str());
  std::fflush(stdout);
  auto* runner = new Runner(frame, file);  // lives until the program ends
  Tests().at(name)(*runner);
  runner->Start();
}

}  // namespace vexalo::app
