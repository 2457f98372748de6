#include "support/run_tool.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace vexalo::test {

namespace {
std::string Slurp(int fd) {
  std::string s;
  char buf[65536];
  ssize_t n;
  while ((n = ::read(fd, buf, sizeof buf)) > 0) s.append(buf, static_cast<std::size_t>(n));
  return s;
}
}  // namespace

ToolResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& stdinText) {
  char outName[] = "/tmp/vexalo-out-XXXXXX";
  char errName[] = "/tmp/vexalo-err-XXXXXX";
  char inName[] = "/tmp/vexalo-in-XXXXXX";
  int outFd = ::mkstemp(outName), errFd = ::mkstemp(errName), inFd = ::mkstemp(inName);
  ToolResult r;
  if (outFd < 0 || errFd < 0 || inFd < 0) return r;
  ::unlink(outName);
  ::unlink(errName);
  ::unlink(inName);
  if (!stdinText.empty()) {
    [[maybe_unused]] auto w = ::write(inFd, stdinText.data(), stdinText.size());
    ::lseek(inFd, 0, SEEK_SET);
  }
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(inFd, 0);
    ::dup2(outFd, 1);
    ::dup2(errFd, 2);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execvp(program.c_str(), argv.data());
    ::_exit(127);
  }
  int status = 0;
  if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) r.status = WEXITSTATUS(status);
  ::lseek(outFd, 0, SEEK_SET);
  ::lseek(errFd, 0, SEEK_SET);
  r.out = Slurp(outFd);
  r.err = Slurp(errFd);
  ::close(outFd);
  ::close(errFd);
  ::close(inFd);
  return r;
}

bool HaveProgram(const std::string& name) {
  std::string cmd = "command -v '" + name + "' >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

std::string FixturePath(const std::string& name) { return std::string(VEXALO_FIXTURES) + "/" + name; }
std::string SyncToolPath() { return VEXALO_SYNC_TOOL; }
ToolResult RunSyncTool(const std::vector<std::string>& args) { return RunProgram(VEXALO_SYNC_TOOL, args); }

}  // namespace vexalo::test
