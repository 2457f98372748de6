#include "form/string_table.h"

#include <algorithm>
#include <array>

#include "form/command_registry.h"

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

constexpr std::array<StringEntry, 21> kStrings{{
    {kIdsDocument, kDocumentString},
    {kIdTextOpen, "Song Text File Open"},
    {kIdTextSave, "Song Text File Save"},
    {kIdWholeView, "All WaveForm View"},
    {kIdWindowView, "Partial WaveForm View"},
    {kIdMp3PlusTextFile, "MP3 File + Text File"},
    {kIdEditorClear, "Text Editor Window Clear"},
    {kIdId3TagEditor, "ID3 Tag Editor"},
    {kIdSettings, "Editor Settings"},
    {kIdsAppTitle, "VexaloCaption"},
    {kIdsIdlePrompt, "\xC1\xD8\xBA\xF1"},  // "준비"
    {kIdMp3FileOpen, "MP3 File Open"},
    {kIdSyncMp3FileSave, "SyncMP3 File Save"},
    {kIdAppAbout, "Vexalo Caption Editor About"},
    {kIdAppExit, "Vexalo Caption Editor Exit !!!"},
    {kIdHelpFinder, "Vexalo Caption Editor Help"},
    {kIdsIndicatorCaps, "CAP"},
    {kIdsIndicatorNum, "NUM"},
    {kIdsIndicatorScrl, "SCRL"},
    {kIdsPaneWidth1, "                          "},
    {kIdsPaneWidth2, "                                       "},
}};

constexpr std::array<MenuEntry, 20> kMenu{{
    {"File(&F)", "MP3 Open(&O)...\tCtrl+O", kIdMp3FileOpen},
    {"File(&F)", "SyncMP3 Save(&S)\tCtrl+S", kIdSyncMp3FileSave},
    {"File(&F)", nullptr, 0},
    {"File(&F)", "Text Open", kIdTextOpen},
    {"File(&F)", "Text Save", kIdTextSave},
    {"File(&F)", nullptr, 0},
    {"File(&F)", "Exit(&X)", kIdAppExit},
    {"Tools(&T)", "User View", kIdWindowView},
    {"Tools(&T)", "1:1 View", kIdWholeView},
    {"Tools(&T)", nullptr, 0},
    {"Tools(&T)", "MP3+Txt", kIdMp3PlusTextFile},
    {"Tools(&T)", nullptr, 0},
    {"Tools(&T)", "ID3 Tag Editor", kIdId3TagEditor},
    {"Tools(&T)", nullptr, 0},
    {"Tools(&T)", "Editor Clear", kIdEditorClear},
    {"Tools(&T)", nullptr, 0},
    {"Tools(&T)", "Settings\xA1\xA6", kIdSettings},  // "Settings…"
    {"Help(&H)", "Help", kIdHelpFinder},
    {"Help(&H)", nullptr, 0},
    {"Help(&H)", "Vexalo Caption Editor Information(&A)...", kIdAppAbout},
}};

constexpr std::array<Accelerator, 2> kAccelerators{{
    {'O', true, kIdMp3FileOpen},
    {'S', true, kIdSyncMp3FileSave},
}};

}  // namespace

std::string_view LoadString(int id) {
  auto it = std::find_if(kStrings.begin(), kStrings.end(), [id](const StringEntry& e) { return e.id == id; });
  return it == kStrings.end() ? std::string_view() : it->text;
}

std::span<const MenuEntry> MenuTable() { return kMenu; }

std::span<const Accelerator> AcceleratorTable() { return kAccelerators; }

}  // namespace vexalo
