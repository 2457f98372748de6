// What the block, embed, extract and panel subcommands share: lyrics files read as Text Open
// reads them and turned into a block as the SyncMP3 save does, and the product's messages.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "sync/sync_table.h"

namespace vexalo::cli {

inline constexpr char kMp3OpenError[] = "MP3 file open Error !!!";
inline constexpr char kTextOpenError[] = " Text File Open Error !!! ";
inline constexpr char kNotMp3FileError[] = " Not MP3 File !!! ";

// Prints the product's message (framing blanks trimmed) and, when given, a detail line; returns
// kExitError.
int FailWith(const std::string& message, const std::string& detail);

// kExitOk when `path` is a regular file that opens for reading (nothing is read); otherwise
// prints `message` and "PATH: why" and returns kExitError.
int RequireInput(const std::string& path, const std::string& message);
// kExitOk when `path` may be written as an output ("-" and "" stand for standard output), with
// `target` the file to write (a link's target); otherwise prints `message` and "PATH: why" and
// returns kExitError.
int RequireOutput(const std::string& path, const std::string& message, std::string& target);
// "" when FILE's leading TXXX frame, if it has one, lies within the file; otherwise
// "PATH: why". A frame cut short would be read back with zeros for the missing bytes.
std::string LeadingFrameProblem(const std::string& path);

// Reads LYRICS as Text Open does (30,720-byte limit, six-digit tags expanded), then builds the
// block as the SyncMP3 save does: editor form back to stored form, an empty text giving a
// cleared block. Returns kExitOk, or the exit status after printing the error.
int BlockFromLyricsFile(const std::string& path, std::span<unsigned char, kSyncBlockBytes> block);

// Writes bytes to a file through a temporary file and a rename; "-" is standard output. An
// existing output must be a regular file (a link to one has its target written).
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
