// What the block, embed, extract and panel subcommands share: lyrics files read as Text Open
// reads them and turned into a block as the SyncMP3 save does, and the product's messages.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "sync/sync_table.h"

namespace vexalo::cli {

// Prints the product's message (framing blanks trimmed) and, when given, a detail line; returns
// kExitError.
int FailWith(const std::string& message, const std::string& detail);

// Reads LYRICS as Text Open does (30,720-byte limit, six-digit tags expanded), then builds the
// block as the SyncMP3 save does: editor form back to stored form, an empty text giving a
// cleared block. Returns kExitOk, or the exit status after printing the error.
int BlockFromLyricsFile(const std::string& path, std::span<unsigned char, kSyncBlockBytes> block);

// Writes bytes to a file through a temporary file and a rename; "-" is standard output.
bool WriteOutput(const std::string& path, const std::string& bytes, std::string& why);

// Splits args into positional ones and "-o VALUE"; false on a misplaced option.
struct ParsedArgs {
  std::vector<std::string> positional;
  std::string output;
  bool force = false;
  std::string at;
  std::string error;
};
ParsedArgs ParseArgs(const std::vector<std::string>& args, bool allowForce, bool allowAt);

}  // namespace vexalo::cli
