#include "cli/sync_cli.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/cli_registry.h"
#include "common/safe_file.h"
#include "sync/sync_text.h"

namespace vexalo::cli {

int FailWith(const std::string& message, const std::string& detail) {
  Fail(message);
  if (!detail.empty()) std::fprintf(stderr, "  %s\n", detail.c_str());
  return kExitError;
}

int BlockFromLyricsFile(const std::string& path, std::span<unsigned char, kSyncBlockBytes> block) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0)
    return FailWith(" Text File Open Error !!! ", path + ": " + std::strerror(errno));
  if (!S_ISREG(st.st_mode)) return FailWith(" Text File Open Error !!! ", path + ": not a regular file");
  // Checked before reading, so a huge file is never loaded whole.
  if (static_cast<std::size_t>(st.st_size) >= kSyncTextAreaBytes)
    return FailWith(FileSizeOverText(), path + ": " + std::to_string(st.st_size) + " bytes");
  std::string bytes;
  if (!ReadWholeFile(path, bytes))
    return FailWith(" Text File Open Error !!! ", path + ": " + std::strerror(errno));
  LoadedSyncText loaded = LoadSyncText(bytes);
  if (!loaded.fits) return FailWith(loaded.text, path + ": its six-digit tags expand past the limit");

  std::string lyrics = std::move(loaded.text);
  if (!EditorToStoredForm(lyrics))
    return FailWith(kTextDataError999, "the lyrics pass 30,719 bytes in stored form");
  if (lyrics.empty()) {
    std::fill(block.begin(), block.end(), 0);
    return kExitOk;
  }
  std::string error;
  if (!BuildSyncBlock(lyrics, block, error)) return FailWith(error, "");
  return kExitOk;
}

bool WriteOutput(const std::string& path, const std::string& bytes, std::string& why) {
  if (path.empty() || path == "-") {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0) {
      why = std::string("standard output: ") + std::strerror(errno);
      return false;
    }
    return true;
  }
  std::string target = path;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    why = path + ": not a regular file";
    return false;
  }
  AtomicFileWriter out;
  if (!out.Open(target) || !out.Write(bytes.data(), bytes.size()) || !out.Commit()) {
    why = path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

ParsedArgs ParseArgs(const std::vector<std::string>& args, bool allowForce, bool allowAt) {
  ParsedArgs r;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-o" || a == "--output") {
      if (i + 1 >= args.size()) {
        r.error = a + " needs a file name";
        return r;
      }
      r.output = args[++i];
    } else if (allowForce && a == "--force") {
      r.force = true;
    } else if (allowAt && a == "--at") {
      if (i + 1 >= args.size()) {
        r.error = "--at needs a time M:SS.mmm";
        return r;
      }
      r.at = args[++i];
    } else if (a.size() > 1 && a[0] == '-') {
      r.error = "unknown option " + a;
      return r;
    } else {
      r.positional.push_back(a);
    }
  }
  return r;
}

}  // namespace vexalo::cli
