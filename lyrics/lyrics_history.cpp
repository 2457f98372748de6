#include "lyrics/lyrics_history.h"

#include <algorithm>

namespace vexalo {

namespace {

// Equal bytes between two changed runs of a same-length change that still make one span: fewer
// spans cost less than the few bytes they would save.
constexpr std::size_t kJoinGap = 8;

bool IsBlank(std::string_view c) { return c == " " || c == "\t" || c == "\r\n" || c == "\n" || c == "\r"; }

// One character of CP949 text: a byte below 0x80, a lead byte and its trail byte, or a line break.
bool IsOneCharacter(std::string_view s) {
  if (s.size() == 1) return true;
  if (s.size() != 2) return false;
  return s == "\r\n" || static_cast<unsigned char>(s[0]) >= 0x80;
}

}  // namespace

LyricsHistory::LyricsHistory(std::size_t maxSteps, std::size_t maxBytes)
    : m_maxSteps(std::max<std::size_t>(1, maxSteps)), m_maxBytes(maxBytes) {}

void LyricsHistory::Reset(std::string text) {
  m_current = std::move(text);
  m_undo.clear();
  m_redo.clear();
  m_bytes = 0;
  m_open = false;
}

LyricsHistory::Change LyricsHistory::Diff(std::string_view a, std::string_view b) {
  std::size_t prefix = 0;
  const std::size_t shorter = std::min(a.size(), b.size());
  while (prefix < shorter && a[prefix] == b[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < shorter - prefix && a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix]) ++suffix;
  const std::string_view ma = a.substr(prefix, a.size() - prefix - suffix);
  const std::string_view mb = b.substr(prefix, b.size() - prefix - suffix);
  Change change;
  auto add = [&](std::size_t offset, std::string_view removed, std::string_view inserted) {
    change.spans.push_back(Span{static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(removed.size()),
                                static_cast<std::uint32_t>(inserted.size())});
    change.bytes.append(removed);
    change.bytes.append(inserted);
  };
  if (ma.empty() && mb.empty()) return change;
  if (ma.size() != mb.size()) {
    add(prefix, ma, mb);
    change.bytes.shrink_to_fit();
    return change;
  }
  // A change that keeps the length (Adjust, a nudge, a re-stamp) touches digits here and there:
  // one span per changed run keeps the step as small as the digits.
  std::size_t i = 0;
  while (i < ma.size()) {
    if (ma[i] == mb[i]) {
      ++i;
      continue;
    }
    std::size_t end = i + 1;
    for (std::size_t gap = 0; end + gap < ma.size() && gap < kJoinGap;) {
      if (ma[end + gap] != mb[end + gap]) {
        end += gap + 1;
        gap = 0;
      } else {
        ++gap;
      }
    }
    add(prefix + i, ma.substr(i, end - i), mb.substr(i, end - i));
    i = end;
  }
  change.spans.shrink_to_fit();
  change.bytes.shrink_to_fit();
  return change;
}

std::string LyricsHistory::Apply(const Change& change, std::string_view before) {
  std::string out;
  std::size_t pos = 0;
  std::size_t data = 0;
  for (const Span& s : change.spans) {
    out.append(before.substr(pos, s.offset - pos));
    out.append(change.bytes, data + s.removed, s.inserted);
    data += s.removed + s.inserted;
    pos = s.offset + s.removed;
  }
  out.append(before.substr(std::min(pos, before.size())));
  return out;
}

std::string LyricsHistory::Unapply(const Change& change, std::string_view after) {
  std::string out;
  std::size_t pos = 0;
  std::size_t data = 0;
  std::ptrdiff_t delta = 0;
  for (const Span& s : change.spans) {
    const std::size_t at = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(s.offset) + delta);
    out.append(after.substr(pos, at - pos));
    out.append(change.bytes, data, s.removed);
    data += s.removed + s.inserted;
    pos = at + s.inserted;
    delta += static_cast<std::ptrdiff_t>(s.inserted) - static_cast<std::ptrdiff_t>(s.removed);
  }
  out.append(after.substr(std::min(pos, after.size())));
  return out;
}

std::size_t LyricsHistory::BytesOf(const Change& change) {
  return sizeof(Step) + change.spans.capacity() * sizeof(Span) + change.bytes.capacity();
}

bool LyricsHistory::Record(std::string_view text, LyricsChangeKind kind, const EditorPlace& before,
                           const EditorPlace& after, int mergeKey) {
  Change change = Diff(m_current, text);
  if (change.Empty()) return false;
  for (const Step& s : m_redo) m_bytes -= s.bytes;
  m_redo.clear();

  Step step{std::move(change), before, after, kind, mergeKey, Run::None, false, 0};
  Step* last = m_undo.empty() ? nullptr : &m_undo.back();
  bool merge = false;
  if (kind == LyricsChangeKind::Typing) {
    const Span& s = step.change.spans.front();
    const bool single = step.change.spans.size() == 1;
    const std::string_view removed(step.change.bytes.data(), s.removed);
    const std::string_view inserted(step.change.bytes.data() + s.removed, s.inserted);
    const int o = static_cast<int>(s.offset);
    step.before = EditorPlace{o, o + static_cast<int>(s.removed), before.firstVisibleLine};
    const int caret = o + static_cast<int>(s.inserted);
    step.after = EditorPlace{caret, caret, after.firstVisibleLine};
    if (single && removed.empty() && IsOneCharacter(inserted)) {
      step.run = Run::Inserting;
      step.endsInBlank = IsBlank(inserted);
      // A word goes on with the characters after it, up to and with the blanks that end it.
      merge = m_open && last && last->kind == kind && last->run == Run::Inserting && last->after.to == o &&
              !(last->endsInBlank && !step.endsInBlank);
    } else if (single && inserted.empty() && IsOneCharacter(removed)) {
      step.run = Run::Deleting;
      const int end = o + static_cast<int>(s.removed);
      merge = m_open && last && last->kind == kind && last->run == Run::Deleting &&
              (end == last->after.from || o == last->after.from);
    }
  } else if (kind == LyricsChangeKind::Nudge) {
    step.run = Run::Inserting;
    merge = m_open && last && last->kind == kind && last->mergeKey == mergeKey;
  }

  if (merge) {
    const std::string first = Unapply(last->change, m_current);
    m_bytes -= last->bytes;
    last->change = Diff(first, text);
    last->after = step.after;
    last->endsInBlank = step.endsInBlank;
    if (kind == LyricsChangeKind::Typing && last->change.spans.size() == 1) {
      // Undoing the run selects what it took away and puts the caret where it began.
      const Span& whole = last->change.spans.front();
      last->before.from = static_cast<int>(whole.offset);
      last->before.to = static_cast<int>(whole.offset + whole.removed);
    }
    last->bytes = BytesOf(last->change);
    m_bytes += last->bytes;
    m_current.assign(text);
    if (last->change.Empty()) {
      // The presses took each other back: nothing is left to undo.
      m_bytes -= last->bytes;
      m_undo.pop_back();
      m_open = false;
    }
    return true;
  }
  m_open = step.run != Run::None;
  step.bytes = BytesOf(step.change);
  Push(m_undo, std::move(step));
  m_current.assign(text);
  Trim();
  return true;
}

void LyricsHistory::Push(std::deque<Step>& stack, Step step) {
  m_bytes += step.bytes;
  stack.push_back(std::move(step));
}

void LyricsHistory::Trim() {
  while (!m_undo.empty() && (m_undo.size() > m_maxSteps || (m_bytes > m_maxBytes && m_undo.size() > 1))) {
    m_bytes -= m_undo.front().bytes;
    m_undo.pop_front();
  }
}

std::optional<EditorPlace> LyricsHistory::Undo() {
  m_open = false;
  if (m_undo.empty()) return std::nullopt;
  Step step = std::move(m_undo.back());
  m_undo.pop_back();
  m_current = Unapply(step.change, m_current);
  const EditorPlace place = step.before;
  m_redo.push_back(std::move(step));
  return place;
}

std::optional<EditorPlace> LyricsHistory::Redo() {
  m_open = false;
  if (m_redo.empty()) return std::nullopt;
  Step step = std::move(m_redo.back());
  m_redo.pop_back();
  m_current = Apply(step.change, m_current);
  const EditorPlace place = step.after;
  m_undo.push_back(std::move(step));
  return place;
}

}  // namespace vexalo
