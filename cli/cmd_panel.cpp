// vexalo-sync panel: the lyric panel that playback would show at a given play time.
#include <array>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_registry.h"
#include "cli/sync_cli.h"
#include "common/input_file.h"
#include "sync/sync_table.h"
#include "syncmp3/syncmp3_file.h"

namespace {

using namespace vexalo;
using namespace vexalo::cli;

extern const Subcommand kPanel;

// M:SS.mmm: any number of minute digits, two second digits below 60, three millisecond digits.
bool ParseTime(const std::string& s, int& minutes, int& seconds, int& millis) {
  const auto colon = s.find(':');
  const auto dot = s.find('.');
  if (colon == std::string::npos || dot == std::string::npos || colon == 0 || colon > 6 ||
      dot != colon + 3 || s.size() != dot + 4)
    return false;
  for (std::size_t i = 0; i < s.size(); ++i)
    if (i != colon && i != dot && !std::isdigit(static_cast<unsigned char>(s[i]))) return false;
  minutes = std::stoi(s.substr(0, colon));
  seconds = std::stoi(s.substr(colon + 1, 2));
  millis = std::stoi(s.substr(dot + 1));
  return seconds < 60;
}

// A block file begins with the letters and the magic number; anything else is read as SyncMP3.
bool LoadBlock(const std::string& path, std::array<unsigned char, kSyncBlockBytes>& block, std::string& why) {
  InputFile in;
  if (!in.Open(path)) {
    why = path + ": " + in.Why();
    return false;
  }
  block.fill(0);
  const ssize_t got = in.ReadAt(block.data(), block.size(), 0);
  if (got < 0) {
    why = path + ": " + in.Why();
    return false;
  }
  const bool blockFile = got >= 6 && ((block[0] == 'S' && block[1] == 'O') || (block[0] == 'L' && block[1] == 'A')) &&
                         ReadLe32(block.data() + 2) == kSyncMagic;
  if (blockFile) {
    const std::uint64_t total = got >= 10 ? ReadLe32(block.data() + 6) : 0;
    if (got < 10 || total > static_cast<std::uint64_t>(got)) {
      why = path + ": the block runs past the end of the file";
      return false;
    }
    return true;
  }
  in.Close();
  why = LeadingFrameProblem(path);
  if (!why.empty()) return false;
  block.fill(0);
  bool found = false;
  if (ReadSyncMp3Block(path, block, &found) != 1 || !found) {
    why = path + ": neither a block file nor a file with a leading TXXX frame";
    return false;
  }
  return true;
}

int Run(const std::vector<std::string>& args) {
  ParsedArgs a = ParseArgs(args, false, true);
  if (!a.error.empty()) return UsageError(kPanel, a.error);
  if (a.positional.size() != 1) return UsageError(kPanel, "expects one FILE");
  if (a.at.empty()) return UsageError(kPanel, "needs --at M:SS.mmm");
  int minutes = 0, seconds = 0, millis = 0;
  if (!ParseTime(a.at, minutes, seconds, millis)) return UsageError(kPanel, "--at takes a time M:SS.mmm");

  static std::array<unsigned char, kSyncBlockBytes> block;
  std::string why;
  if (!LoadBlock(a.positional[0], block, why)) return FailWith("no lyrics block", why);
  ResetSyncTable(1);
  if (ParseSyncBlock(kSyncMagic, block) != 1)
    return FailWith("no lyrics block", a.positional[0] + ": the SyncTable block is not valid");

  std::array<unsigned char, kLyricPanelBytes> panel{};
  const int result = FormatLyricPanel(0, minutes, seconds, millis, panel);
  std::size_t n = 0;
  while (n < panel.size() && panel[n] != 0) ++n;
  std::fwrite(panel.data(), 1, n, stdout);
  std::fflush(stdout);
  if (result == -1) return FailWith("no lyric starts at that second", "");
  return kExitOk;
}

const Subcommand kPanel{
    "panel", "show the lyric panel at a play time",
    "Usage: vexalo-sync panel FILE --at M:SS.mmm\n"
    "FILE is a SyncMP3 file or a block file. Starting from an empty panel, composes the lyric\n"
    "panel that playback shows at that time and writes its bytes (CP949) up to the first zero.\n"
    "Exit 0 when a lyric starts at that second, else 1; 2 on a usage error.\n",
    Run};
const Registrar kRegistrar(kPanel);

}  // namespace
