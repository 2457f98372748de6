#include "cli/sync_cli.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/cli_registry.h"
#include "common/input_file.h"
#include "common/safe_file.h"
#include "sync/sync_text.h"

namespace vexalo::cli {

int FailWith(const std::string& message, const std::string& detail) {
  Fail(message);
  if (!detail.empty()) std::fprintf(stderr, "  %s\n", detail.c_str());
  return kExitError;
}

int RequireInput(const std::string& path, const std::string& message) {
  const std::string why = InputProblem(path);
  return why.empty() ? kExitOk : FailWith(message, path + ": " + why);
}

int RequireOutput(const std::string& path, const std::string& message, std::string& target) {
  if (path.empty() || path == "-") {
    target = path;
    return kExitOk;
  }
  std::string why;
  return ResolveOutputPath(path, target, why) ? kExitOk : FailWith(message, path + ": " + why);
}

std::string LeadingFrameProblem(const std::string& path) {
  InputFile in;
  unsigned char head[20] = {};
  if (!in.Open(path) || in.ReadAt(head, sizeof head, 0) < 0) return path + ": " + in.Why();
  if (std::memcmp(head + 10, "TXXX", 4) != 0) return std::string();
  const std::uint64_t frameEnd = 20 + (std::uint64_t{head[14]} << 24 | std::uint64_t{head[15]} << 16 |
                                       std::uint64_t{head[16]} << 8 | head[17]);
  if (frameEnd <= in.Size()) return std::string();
  return path + ": its leading TXXX frame runs past the end of the file (" + std::to_string(frameEnd - in.Size()) +
         " bytes missing)";
}

int BlockFromLyricsFile(const std::string& path, std::span<unsigned char, kSyncBlockBytes> block) {
  // At most the limit is read, so a huge file is never loaded whole.
  std::string bytes, why;
  std::uint64_t size = 0;
  if (!ReadInputFile(path, kSyncTextAreaBytes, bytes, size, why)) return FailWith(kTextOpenError, path + ": " + why);
  if (size >= kSyncTextAreaBytes) return FailWith(FileSizeOverText(), path + ": " + std::to_string(size) + " bytes");
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
  std::string target;
  if (!ResolveOutputPath(path, target, why)) {
    why = path + ": " + why;
    return false;
  }
  AtomicFileWriter out;
  if (!out.Open(target) || !out.Write(bytes.data(), bytes.size()) || !out.Commit()) {
    why = out.Error();
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
