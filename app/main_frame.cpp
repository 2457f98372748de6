#include "app/main_frame.h"

#include <algorithm>
#include <map>
#include <vector>

#include <wx/accel.h>
#include <wx/dcclient.h>
#include <wx/display.h>
#include <wx/icon.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/utils.h>

#include "app/key_codes.h"
#include "app/resources.h"
#include "app/vexalo_caption_view.h"
#include "common/control_ids.h"
#include "common/repaint.h"
#include "common/shared_state.h"
#include "common/text_codec.h"
#include "common/view_port.h"
#include "form/command_registry.h"
#include "form/command_table.h"
#include "form/skin_layout.h"
#include "form/string_table.h"

namespace vexalo::app {

namespace {

constexpr int kFrameWidth = 800;
constexpr int kFrameHeight = 600;
constexpr int kPaneCount = 7;
constexpr int kSongFactsPaneWidth = 180;
// The widest song facts text (the bit rate is in bits per second): pane 1 takes its measured width.
constexpr char kWidestSongFacts[] = "Stereo : SR = 00000 BR = 000000";
// The toolkit's menu ids stop below 32767, under most of the program's command ids: menu items
// and accelerators use ids from here, mapped back to their commands.
constexpr int kFirstMenuId = 10000;

wxString Text(std::string_view cp949) { return wxString::FromUTF8(Cp949ToUtf8(cp949).c_str()); }

// Centred on the primary screen the way the frame was always placed: half the screen less half
// the frame, halved by a shift.
wxPoint CentredPosition() {
  const wxRect screen = wxDisplay(0u).GetGeometry();
  return wxPoint((screen.width >> 1) - kFrameWidth / 2, (screen.height >> 1) - kFrameHeight / 2);
}

}  // namespace

CMainFrame::CMainFrame()
    : wxFrame(nullptr, wxID_ANY, wxString::FromUTF8(kProductTitle), CentredPosition(), wxSize(kFrameWidth, kFrameHeight),
              wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX),
      m_keyStates(this) {
  const wxBitmap icon = LoadSkinBitmap(skin::kIconResource);
  if (icon.IsOk()) {
    wxIcon frameIcon;
    frameIcon.CopyFromBitmap(icon);
    SetIcon(frameIcon);
  }
  CreateMenus();
  CreateStatusPanes();
  FitToSkin();
  const wxSize client = GetClientSize();
  m_view = new CVexaloCaptionView(this, client);

  Bind(wxEVT_MENU, &CMainFrame::OnCommand, this);
  Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateCommand, this);
  Bind(wxEVT_CLOSE_WINDOW, &CMainFrame::OnClose, this);
  Bind(wxEVT_MOVE, &CMainFrame::OnMove, this);
  Bind(wxEVT_MENU_CLOSE, [this](wxMenuEvent& e) {
    e.Skip();
    CallAfter([this] { ShowIdlePrompt(); });
  });
  Bind(wxEVT_TIMER, &CMainFrame::OnKeyStateTimer, this, m_keyStates.GetId());
  m_keyStates.Start(250);
  ShowIdlePrompt();
}

void CMainFrame::CreateMenus() {
  auto* bar = new wxMenuBar;
  std::map<std::string, wxMenu*> menus;
  std::vector<std::string> order;
  std::map<std::pair<std::string, std::string>, wxMenu*> submenus;
  for (const MenuEntry& entry : MenuTable()) {
    wxMenu*& top = menus[entry.menu];
    if (!top) {
      top = new wxMenu;
      order.push_back(entry.menu);
    }
    wxMenu* menu = top;
    if (!entry.submenu.empty()) {
      wxMenu*& sub = submenus[{entry.menu, entry.submenu}];
      if (!sub) {
        sub = new wxMenu;
        top->AppendSubMenu(sub, Text(entry.submenu));
      }
      menu = sub;
    }
    if (entry.command == 0) {
      menu->AppendSeparator();
    } else {
      menu->Append(MenuIdOf(entry.command), Text(entry.label), Text(CommandPrompt(entry.command)),
                   entry.checkable ? wxITEM_CHECK : wxITEM_NORMAL);
    }
  }
  for (const std::string& name : order) bar->Append(menus[name], Text(name));
  SetMenuBar(bar);

  std::vector<wxAcceleratorEntry> keys;
  for (const Accelerator& a : AcceleratorTable())
    keys.emplace_back(WxAccelFlagsOf(a.chord.modifiers), WxKeyCodeOf(a.chord.key), MenuIdOf(a.command));
  SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(keys.size()), keys.data()));
}

void CMainFrame::CreateStatusPanes() {
  wxStatusBar* bar = CreateStatusBar(kPaneCount);
  // A compact face, so that the song facts fit about 180 pixels.
  wxFont font = bar->GetFont();
  font.SetPointSize(std::min(font.GetPointSize(), 8));
  bar->SetFont(font);
  bar->SetStatusStyles(kPaneCount, std::vector<int>(kPaneCount, wxSB_SUNKEN).data());
  wxClientDC dc(bar);
  dc.SetFont(bar->GetFont());
  auto width = [&dc](std::string_view text) { return dc.GetTextExtent(Text(text)).x + 12; };
  // Pane 2 must hold "Line : n Col : n" even where 26 blanks are narrow.
  const int linePane = std::max(width(LoadString(kIdsPaneWidth1)), width("Line : 0000 Col : 0000"));
  const int factsPane = std::max(kSongFactsPaneWidth, width(kWidestSongFacts));
  const int widths[kPaneCount] = {-1, factsPane, linePane, width("Speed 0.75x"),
                                  width(LoadString(kIdsIndicatorCaps)), width(LoadString(kIdsIndicatorNum)),
                                  width(LoadString(kIdsIndicatorScrl))};
  SetStatusWidths(kPaneCount, widths);
  SetStatusBarPane(0);  // menu prompts
}

void CMainFrame::FitToSkin() {
  // Menus and status bar may leave less than the skin needs: grow just enough to show it all.
  const skin::Extent need = skin::SkinExtent();
  const wxSize client = GetClientSize();
  if (client.x >= need.width && client.y >= need.height) {
    SetMinSize(GetSize());
    SetMaxSize(GetSize());
    return;
  }
  SetClientSize(std::max(client.x, need.width), std::max(client.y, need.height));
  SetMinSize(GetSize());
  SetMaxSize(GetSize());
}

void CMainFrame::ShowIdlePrompt() { SetStatusText(Text(LoadString(kIdsIdlePrompt)), 0); }

int CMainFrame::MenuIdOf(int command) {
  auto it = std::find(m_commandOfMenuId.begin(), m_commandOfMenuId.end(), command);
  if (it != m_commandOfMenuId.end()) return kFirstMenuId + static_cast<int>(it - m_commandOfMenuId.begin());
  m_commandOfMenuId.push_back(command);
  return kFirstMenuId + static_cast<int>(m_commandOfMenuId.size()) - 1;
}

int CMainFrame::CommandOfMenuId(int menuId) const {
  const int index = menuId - kFirstMenuId;
  if (index < 0 || index >= static_cast<int>(m_commandOfMenuId.size())) return 0;
  return m_commandOfMenuId[static_cast<std::size_t>(index)];
}

void CMainFrame::OnCommand(wxCommandEvent& event) {
  const int command = CommandOfMenuId(event.GetId());
  // An accelerator reaches a disabled item too.
  if (command != 0 && !CommandEnabledNow(command)) return;
  if (command == 0 || !Commands().Run(command)) event.Skip();
}

void CMainFrame::OnUpdateCommand(wxUpdateUIEvent& event) {
  const int command = CommandOfMenuId(event.GetId());
  if (command == 0) {
    event.Skip();
    return;
  }
  event.Enable(CommandEnabledNow(command));
  const CommandSpec* item = FindCommand(command);
  if (item && item->checked) event.Check(CommandCheckedNow(command));
}

void CMainFrame::OnClose(wxCloseEvent&) {
  m_keyStates.Stop();
  if (m_view && ActiveView.load() == m_view) m_view->Shutdown();
  Destroy();
}

void CMainFrame::OnMove(wxMoveEvent& event) {
  event.Skip();
  if (ActiveView.load()) RepaintView();
}

void CMainFrame::OnKeyStateTimer(wxTimerEvent&) {
  const struct {
    wxKeyCode key;
    int pane;
    int text;
  } indicators[] = {{WXK_CAPITAL, kPaneSpeed + 1, kIdsIndicatorCaps},
                     {WXK_NUMLOCK, kPaneSpeed + 2, kIdsIndicatorNum},
                     {WXK_SCROLL, kPaneSpeed + 3, kIdsIndicatorScrl}};
  for (const auto& i : indicators) {
    const wxString shown = wxGetKeyState(i.key) ? Text(LoadString(i.text)) : wxString();
    if (GetStatusBar()->GetStatusText(i.pane) != shown) SetStatusText(shown, i.pane);
  }
}

}  // namespace vexalo::app
