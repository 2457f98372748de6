// The program's resource texts: the string table (with each command's status-bar prompt, which
// the command table holds), and the texts of the About and splash windows. Texts are CP949 bytes,
// as every text crossing the ViewPort is. Menus and accelerators come from command_table.h.
#pragma once

#include <string_view>

namespace vexalo {

// String table ids beyond the command ids of command_registry.h.
enum StringId : int {
  kIdsDocument = 128,         // document string, seven fields joined by '\n'
  kIdsAppTitle = 57344,       // "VexaloCaption"
  kIdsIdlePrompt = 57345,     // the idle prompt of status pane 0 ("준비")
  kIdsPaneWidth1 = 59142,     // 26 blanks
  kIdsPaneWidth2 = 59143,     // 39 blanks
  kIdsIndicatorCaps = 59137,  // "CAP"
  kIdsIndicatorNum = 59138,   // "NUM"
  kIdsIndicatorScrl = 59139,  // "SCRL"
};

// The text of string `id` (a command's prompt for a command id); empty when there is none.
std::string_view LoadString(int id);

// The status-bar prompt of command `id` (its string-table text); empty when it has none.
inline std::string_view CommandPrompt(int id) { return LoadString(id); }

// Texts of the About window (template 100) and of its OK button.
constexpr std::string_view kAboutTitle = "Vexalo Caption Editor Information";
constexpr std::string_view kAboutVersion = "Vexalo Caption Editor Version 1.0";
constexpr std::string_view kAboutSecondLine = "Timed lyrics for MP3 songs";
constexpr std::string_view kOkButtonText = "\xC8\xAE\xC0\xCE";  // "확인"

// Settings location (application title and vendor key).
constexpr std::string_view kSettingsApplication = "VexaloCaption";
constexpr std::string_view kSettingsVendor = "Local AppWizard-Generated Applications";

// Splash window: shown for this long before the frame, then it closes itself.
constexpr int kSplashMillis = 2000;

}  // namespace vexalo
