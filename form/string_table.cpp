#include "form/string_table.h"

#include <algorithm>
#include <array>

#include "form/command_table.h"

namespace vexalo {

namespace {

struct StringEntry {
  int id;
  std::string_view text;
};

using namespace std::string_view_literals;

// The document string: window title, document name, new-file type name, filter, extension,
// registry type id, registry type name.
constexpr std::string_view kDocumentString =
    "VexaloCaption\n\nVexalo\n\n\nVexaloCaption.Document\nVexalo Document"sv;

constexpr std::array<StringEntry, 8> kStrings{{
    {kIdsDocument, kDocumentString},
    {kIdsAppTitle, "VexaloCaption"},
    {kIdsIdlePrompt, "\xC1\xD8\xBA\xF1"},  // "준비"
    {kIdsIndicatorCaps, "CAP"},
    {kIdsIndicatorNum, "NUM"},
    {kIdsIndicatorScrl, "SCRL"},
    {kIdsPaneWidth1, "                          "},
    {kIdsPaneWidth2, "                                       "},
}};

}  // namespace

std::string_view LoadString(int id) {
  auto it = std::find_if(kStrings.begin(), kStrings.end(), [id](const StringEntry& e) { return e.id == id; });
  if (it != kStrings.end()) return it->text;
  const CommandSpec* command = FindCommand(id);
  return command ? command->prompt : std::string_view();
}

}  // namespace vexalo
