#include "commands/live_lyric_panel.h"

#include <array>

#include "commands/text_commands.h"
#include "common/control_ids.h"
#include "common/cp949_chars.h"
#include "common/shared_state.h"
#include "common/view_port.h"
#include "sync/sync_table.h"
#include "sync/sync_text.h"

namespace vexalo {

namespace {

bool HoldsLongTag(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); i = NextCharacter(text, i)) {
    if (EditorLongTagAt(text, i) != 0) return true;
  }
  return false;
}

}  // namespace

PanelRebuild RebuildPanelTable(std::string_view editorLyrics) {
  PanelRebuild r;
  if (!HoldsLongTag(editorLyrics)) {
    // Nothing is timed: no lyric is due, and none of an earlier text may linger.
    ResetSyncTable(1);
    LyricPanelFresh.store(0);
    r.result = PanelTableResult::Emptied;
    return r;
  }
  std::string stored(editorLyrics);
  if (!EditorToStoredForm(stored)) {
    r.error = kTextDataError999;
    return r;
  }
  // Built aside: a text that cannot become a block leaves the published table as it was.
  std::array<unsigned char, kSyncBlockBytes> block{};
  if (!BuildSyncBlock(stored, block, r.error) || block[0] == 0) {
    if (r.error.empty()) r.error = kTextDataError000;
    return r;
  }
  if (SharedSyncTable.Parse(kSyncMagic, block) != 1) {
    r.error = kTextDataError000;
    return r;
  }
  r.result = PanelTableResult::Built;
  return r;
}

void LivePanel::LyricsChanged(ViewPort& view, LyricsChangeKind kind, Clock::time_point now) {
  if (kind == LyricsChangeKind::Typing) {
    m_pending = true;
    m_changed = now;
    return;
  }
  Rebuild(view);
}

void LivePanel::Tick(ViewPort& view, Clock::time_point now) {
  if (m_pending && now - m_changed >= kPanelTypingPause) Rebuild(view);
}

void LivePanel::Reset() {
  m_pending = false;
  m_toldError.clear();
}

void LivePanel::Rebuild(ViewPort& view) {
  m_pending = false;
  const PanelRebuild r = RebuildPanelTable(view.GetEditorText());
  if (r.result != PanelTableResult::Kept) {
    m_toldError.clear();
    return;
  }
  if (r.error == m_toldError) return;
  m_toldError = r.error;
  view.SetStatusText(kPanePrompt, " " + PanelWillNotFollowText(r.error) + " ");
}

LivePanel& TheLivePanel() {
  static LivePanel panel;
  return panel;
}

}  // namespace vexalo
