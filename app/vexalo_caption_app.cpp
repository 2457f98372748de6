#include "app/vexalo_caption_app.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <wx/config.h>
#include <wx/image.h>
#include <wx/textctrl.h>

#include "app/core_calls.h"
#include "app/dialogs.h"
#include "app/main_frame.h"
#include "app/resources.h"
#include "app/self_test.h"
#include "app/vexalo_caption_view.h"
#include "common/settings.h"
#include "common/shared_state.h"
#include "form/string_table.h"

namespace vexalo::app {

namespace {
std::vector<std::string> g_arguments;
}

void SetRawArguments(int argc, char** argv) {
  g_arguments.assign(argv, argv + argc);
}

bool CVexaloCaptionApp::OnInit() {
  SetAppName(wxString::FromUTF8(std::string(kSettingsApplication).c_str()));
  SetVendorName(wxString::FromUTF8(std::string(kSettingsVendor).c_str()));
  wxConfigBase::Set(new wxConfig(GetAppName(), GetVendorName()));
  wxInitAllImageHandlers();

  for (std::size_t i = 1; i < g_arguments.size(); ++i) {
    const std::string& a = g_arguments[i];
    if (a == "--self-test" && i + 1 < g_arguments.size()) {
      m_selfTest = g_arguments[++i];
    } else if (a == "--help" || a == "-h") {
      std::printf("usage: vexalo-caption [FILE.mp3]\n");
      return false;
    } else if (m_openAtStart.empty()) {
      m_openAtStart = a;
    }
  }
  if (!m_selfTest.empty() && !SelfTestExists(m_selfTest)) {
    std::fprintf(stderr, "vexalo-caption: no self-test named %s\n", m_selfTest.c_str());
    m_exitCode = 2;
    return false;
  }
  if (ResourceDir().empty()) std::fprintf(stderr, "vexalo-caption: the skin folder was not found\n");

  for (const std::string& problem : UserSettings().Load(SettingsFilePath())) {
    std::fprintf(stderr, "vexalo-caption: %s\n", problem.c_str());
    if (m_settingsNotice.empty()) m_settingsNotice = " " + problem + " ";
  }
  core::BindCommands();
  auto* splash = new CSplashDlg(kSplashMillis, [this] { CreateFrame(); });
  splash->Show();
  return true;
}

void CVexaloCaptionApp::CreateFrame() {
  m_frame = new CMainFrame;
  SetTopWindow(m_frame);
  m_frame->View()->OnInitialUpdate();
  m_frame->Show();
  m_frame->Raise();
  CallAfter([this] { OnFrameShown(); });
}

void CVexaloCaptionApp::OnFrameShown() {
  if (std::getenv("VEXALO_REPORT_SHOWN")) {
    std::printf("frame-shown\n");
    std::fflush(stdout);
  }
  core::ShowAudioNotice();
  if (!m_settingsNotice.empty()) m_frame->SetStatusText(wxString::FromUTF8(m_settingsNotice), 0);
  if (!m_openAtStart.empty() && !(m_selfTest.size() && SelfTestOpensFileItself(m_selfTest))) core::OpenMp3AtStart(m_openAtStart);
  if (!m_selfTest.empty()) StartSelfTest(m_selfTest, *m_frame, m_openAtStart);
}

int CVexaloCaptionApp::OnRun() {
  const int loop = wxApp::OnRun();
  return m_exitCode != 0 ? m_exitCode : loop;
}

int CVexaloCaptionApp::OnExit() {
  delete wxConfigBase::Set(nullptr);
  return wxApp::OnExit();
}

int CVexaloCaptionApp::FilterEvent(wxEvent& event) {
  const wxEventType type = event.GetEventType();
  if (type != wxEVT_KEY_DOWN && type != wxEVT_KEY_UP && type != wxEVT_LEFT_DOWN) return Event_Skip;
  if (!m_frame || !m_frame->View()) return Event_Skip;
  // Only the main frame's own windows: keys typed into the tag editor or the help window are
  // theirs and never reach the transport.
  auto* window = wxDynamicCast(event.GetEventObject(), wxWindow);
  if (!window || wxGetTopLevelParent(window) != m_frame) return Event_Skip;
  CVexaloCaptionView* view = m_frame->View();
  if (type == wxEVT_LEFT_DOWN) {
    view->PreTranslateLeftDown();
  } else {
    if (view->PreTranslateKey(static_cast<wxKeyEvent&>(event), type == wxEVT_KEY_DOWN)) return Event_Processed;
  }
  return Event_Skip;
}

void CVexaloCaptionApp::OnAssertFailure(const wxChar* file, int line, const wxChar* func, const wxChar* cond,
                                        const wxChar* msg) {
  std::fprintf(stderr, "vexalo-caption: toolkit assertion %s:%d %s: %s %s\n", std::string(wxString(file).utf8_str()).c_str(),
               line, std::string(wxString(func).utf8_str()).c_str(), std::string(wxString(cond).utf8_str()).c_str(),
               std::string(wxString(msg).utf8_str()).c_str());
}

CVexaloCaptionApp& TheApp() { return *static_cast<CVexaloCaptionApp*>(wxTheApp); }

}  // namespace vexalo::app

wxIMPLEMENT_APP_NO_MAIN(vexalo::app::CVexaloCaptionApp);

int main(int argc, char** argv) {
  vexalo::app::SetRawArguments(argc, argv);
  // The window draws no OpenGL; without this GTK loads the GL driver (with a software renderer,
  // some 45 MB) only to choose visuals. A value the user set is kept.
  setenv("GDK_GL", "disable", 0);
  return wxEntry(argc, argv);
}
