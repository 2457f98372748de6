// fuzz/: libFuzzer harnesses over the parsers, the codec, the writers and the decoder, with their
// seed corpora under fuzz/corpus/; tools/fuzz.sh builds and runs them.
//
// What the harnesses share: a property check that stops the run with a message, and files in a
// private scratch folder (on tmpfs where there is one) for the code that works on paths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vexalo::fuzz {

// Reports the broken property and aborts, so libFuzzer keeps the input as a crash.
[[noreturn]] void Broken(const char* what, const std::string& detail = std::string());
#define FUZZ_CHECK(cond, ...)                                          \
  do {                                                                 \
    if (!(cond)) ::vexalo::fuzz::Broken(#cond __VA_OPT__(, ) __VA_ARGS__); \
  } while (0)

// The first bytes of `s` in hexadecimal, for a broken property's message.
std::string Hex(std::string_view s, std::size_t most = 256);

// A path in this process's scratch folder, made on first use and removed at exit.
std::string ScratchPath(const std::string& name);
void WriteFile(const std::string& path, std::string_view bytes);
// The file's bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
// Names in the scratch folder other than the given ones.
std::string OtherEntries(std::initializer_list<std::string> known);
// Turns off syncing to disk for the safe writer: scratch files need none.
void NoSync();

}  // namespace vexalo::fuzz
