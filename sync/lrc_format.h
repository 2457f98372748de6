// LRC lyrics to and from the editor form: line stamps [mm:ss.xx] (also [mm:ss.xxx] and [m:ss]),
// several stamps on one line, ID tags with [offset:], and enhanced <mm:ss.xx> word marks, which
// are the editor's short tags. Texts are CP949 bytes; lyrics_file_text.h converts a file's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vexalo {

// An ID tag line "[key:value]" as it stood; values keep their bytes.
struct LrcIdTag {
  std::string key;
  std::string value;
  bool operator==(const LrcIdTag&) const = default;
};

// The ID tags of an imported file, kept for its export: every tag in file order, the offset too
// (written back as [offset:0], since the import has applied it to the times).
struct LrcTags {
  std::vector<LrcIdTag> tags;
  // The value of the first tag of that key (letters in any case), or nullptr.
  const std::string* Find(std::string_view key) const;
  bool operator==(const LrcTags&) const = default;
};

struct LrcProblem {
  std::size_t line = 0;  // 1-based line of the file
  std::string text;      // what is wrong there and what was done with it
};

struct LrcImport {
  std::string editorText;  // the lyrics in editor form; not bounded by the editor's size
  LrcTags tags;
  int offsetMillis = 0;          // the [offset:] applied to every time
  std::size_t stampedLines = 0;  // lines that had at least one good stamp
  std::vector<LrcProblem> problems;
};

// Reads an LRC text. Every stamp of a line opens a group of its own, and the groups come out in
// time order; lines without a stamp (blank ones too) stay lyric lines of the group before them,
// and those before the first stamp stay at the top, untimed. Times are rounded to hundredths.
// Nothing of the text is lost: a stamp that is no time ([1:2:3], [99:99.99]) leaves its whole
// line as a lyric line, a time pushed below zero by the offset becomes 00:00.00, and each case
// is listed in `problems`.
LrcImport LrcToEditorForm(std::string_view lrc);

enum class LrcStyle {
  kPlain,     // line stamps only: short tags are left out
  kEnhanced,  // short tags become <mm:ss.xx> word marks
};

// Writes editor-form lyrics as LRC: the ID tags first, then one stamp per long tag, on the line
// of the first lyric under it when that is not blank. Lines end in `lineBreak`.
std::string EditorFormToLrc(std::string_view editorText, const LrcTags& tags, LrcStyle style,
                            std::string_view lineBreak = "\r\n");

// True when some line of the text begins with a good line stamp.
bool HasLrcStamps(std::string_view text);

// "line 12: ..." for the first problem, with the number of further lines that have one.
std::string LrcProblemSummary(const std::vector<LrcProblem>& problems);

// A time as an LRC stamp's content: "mm:ss.xx" (more minute digits past 99 minutes).
std::string LrcTimeText(std::uint32_t millis);

}  // namespace vexalo
