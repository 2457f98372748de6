#include "fuzz/fuzz_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "common/safe_file.h"

namespace vexalo::fuzz {

namespace {

std::string g_folder;

void RemoveFolder() {
  std::error_code ec;
  if (!g_folder.empty()) std::filesystem::remove_all(g_folder, ec);
}

const std::string& Folder() {
  if (g_folder.empty()) {
    std::string base = "/dev/shm";
    struct stat st {};
    if (::stat(base.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || ::access(base.c_str(), W_OK) != 0) base = "/tmp";
    std::string pattern = base + "/vexalo-fuzz-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) Broken("a scratch folder can be made", pattern);
    g_folder = name.data();
    std::atexit(RemoveFolder);
  }
  return g_folder;
}

}  // namespace

void Broken(const char* what, const std::string& detail) {
  std::fprintf(stderr, "property broken: %s\n%s%s", what, detail.c_str(), detail.empty() ? "" : "\n");
  std::abort();
}

std::string Hex(std::string_view s, std::size_t most) {
  static const char* digits = "0123456789ABCDEF";
  std::string h;
  for (std::size_t i = 0; i < s.size() && i < most; ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    h += digits[c >> 4];
    h += digits[c & 15];
    h += ' ';
  }
  if (s.size() > most) h += "...";
  return h;
}

std::string ScratchPath(const std::string& name) { return Folder() + "/" + name; }

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) Broken("a scratch file can be written", path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

std::string OtherEntries(std::initializer_list<std::string> known) {
  std::string others;
  for (const auto& e : std::filesystem::directory_iterator(Folder())) {
    const std::string name = e.path().filename().string();
    bool listed = false;
    for (const auto& k : known) listed = listed || k == name;
    if (!listed) others += name + " ";
  }
  return others;
}

void NoSync() {
  SetSyncStep([](int, SyncTarget) { return 0; });
}

}  // namespace vexalo::fuzz
