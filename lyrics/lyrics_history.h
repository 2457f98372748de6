// The undo history of the lyrics: every change to the editor's text as one step, stored as the
// bytes it replaced and the bytes it put in (never whole texts), with the caret and scroll to
// bring back. Typing merges into steps of a word; bounded in steps and in bytes, oldest dropped
// first. Toolkit-free; UI thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexalo {

// Where the editor's caret, selection and scroll stood: byte offsets into its CP949 text.
struct EditorPlace {
  int from = 0;
  int to = 0;
  int firstVisibleLine = 0;
  bool operator==(const EditorPlace&) const = default;
};

// How a change may merge with the step before it.
enum class LyricsChangeKind {
  Typing,   // the user's own edits: one typed or deleted character merges into the word
  Command,  // a command's change: always a step of its own
  Nudge,    // a nudge: merges with the nudge just before it on the same group (mergeKey)
};

class LyricsHistory {
 public:
  static constexpr std::size_t kDefaultMaxSteps = 1000;
  static constexpr std::size_t kDefaultMaxBytes = 16u << 20;

  explicit LyricsHistory(std::size_t maxSteps = kDefaultMaxSteps, std::size_t maxBytes = kDefaultMaxBytes);

  // The text the history holds as the editor's, after its latest step.
  const std::string& Current() const { return m_current; }
  // Forgets every step and starts from `text`.
  void Reset(std::string text);

  // Records the change from Current() to `text` as a step (or merged into the latest one, see
  // LyricsChangeKind). `before` and `after` are where the caret stood before and after it;
  // Typing computes them from the change itself (the replaced bytes selected before, the caret
  // after the new ones) and only takes the scroll from `after`. False when the text is unchanged.
  bool Record(std::string_view text, LyricsChangeKind kind, const EditorPlace& before, const EditorPlace& after,
              int mergeKey = 0);
  // The next change starts a step of its own.
  void CloseGroup() { m_open = false; }

  bool CanUndo() const { return !m_undo.empty(); }
  bool CanRedo() const { return !m_redo.empty(); }
  // Takes back the latest step: Current() becomes the text before it; returns where the caret
  // stood then. Nothing when there is no step.
  std::optional<EditorPlace> Undo();
  // Does the step undone last again; returns where the caret stood after it.
  std::optional<EditorPlace> Redo();

  std::size_t UndoCount() const { return m_undo.size(); }
  std::size_t RedoCount() const { return m_redo.size(); }
  // Bytes the steps hold (their spans' bytes and bookkeeping), Current() not counted.
  std::size_t StepBytes() const { return m_bytes; }

 private:
  // A replaced run: its place in the text before the step and the lengths of the bytes it took
  // out and put in. The bytes of all runs of a change stand in one text, each run's removed
  // bytes followed by its inserted bytes, so that a change of a few digits in many places costs
  // little more than the digits.
  struct Span {
    std::uint32_t offset;
    std::uint32_t removed;
    std::uint32_t inserted;
  };
  struct Change {
    std::vector<Span> spans;
    std::string bytes;
    bool Empty() const { return spans.empty(); }
  };
  enum class Run { None, Inserting, Deleting };
  struct Step {
    Change change;
    EditorPlace before;
    EditorPlace after;
    LyricsChangeKind kind;
    int mergeKey;
    Run run;              // a typing run that the next character may extend
    bool endsInBlank;     // the run's last typed character was a blank or line break
    std::size_t bytes;
  };

  static Change Diff(std::string_view before, std::string_view after);
  static std::string Apply(const Change& change, std::string_view before);
  static std::string Unapply(const Change& change, std::string_view after);
  static std::size_t BytesOf(const Change& change);
  void Push(std::deque<Step>& stack, Step step);
  void Trim();

  std::size_t m_maxSteps;
  std::size_t m_maxBytes;
  std::string m_current;
  std::deque<Step> m_undo;
  std::deque<Step> m_redo;
  std::size_t m_bytes = 0;
  bool m_open = false;
};

}  // namespace vexalo
