#include "capture/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace {

constexpr int kPipeBytes = 1 << 20;

bool isExecutableFile(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// A write to a pipe whose reader has gone must fail with EPIPE rather than
// end the process; the capture then reports the helper's failure.
void ignoreBrokenPipes() {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &action, nullptr);
}

int waitForExit(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return -1;
}

}  // namespace

std::string findProgram(const std::string& name) {
  if (name.empty()) return {};
  if (name.find('/') != std::string::npos) return isExecutableFile(name) ? name : std::string();
  const char* path = std::getenv("PATH");
  std::string directories = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= directories.size()) {
    std::size_t end = directories.find(':', start);
    if (end == std::string::npos) end = directories.size();
    std::string directory = directories.substr(start, end - start);
    if (directory.empty()) directory = ".";
    const std::string candidate = directory + "/" + name;
    if (isExecutableFile(candidate)) return candidate;
    start = end + 1;
  }
  return {};
}

ChildProcess::~ChildProcess() {
  if (running()) finish();
}

bool ChildProcess::start(const std::vector<std::string>& arguments, bool feedStdin, int stdoutFd) {
  error_.clear();
  if (running()) {
    error_ = "a program is already running";
    return false;
  }
  if (arguments.empty()) {
    error_ = "no program given";
    return false;
  }
  const std::string program = findProgram(arguments[0]);
  if (program.empty()) {
    error_ = "the program '" + arguments[0] + "' was not found";
    return false;
  }
  ignoreBrokenPipes();

  int pipeFds[2] = {-1, -1};
  if (feedStdin && ::pipe2(pipeFds, O_CLOEXEC) != 0) {
    error_ = std::string("cannot create a pipe: ") + std::strerror(errno);
    return false;
  }
  // A pipe that holds a whole 640 x 480 frame: a frame goes over in one or
  // two writes instead of twenty, each a switch between the processes. The
  // system may allow less; the default 64 KiB works too.
  if (feedStdin && ::fcntl(pipeFds[1], F_SETPIPE_SZ, kPipeBytes) < 0) ::fcntl(pipeFds[1], F_SETPIPE_SZ, kPipeBytes / 4);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (feedStdin) {
    posix_spawn_file_actions_adddup2(&actions, pipeFds[0], STDIN_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  }
  if (stdoutFd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  }
  // A group of its own: Ctrl-C, a closed terminal or a signal to our group
  // reaches only us, and we end the helper's work in order (closing its
  // input) instead of losing what it has written so far.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);

  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (feedStdin) ::close(pipeFds[0]);
  if (spawned != 0) {
    if (feedStdin) ::close(pipeFds[1]);
    error_ = "cannot start " + program + ": " + std::strerror(spawned);
    return false;
  }
  pid_ = pid;
  stdinFd_ = feedStdin ? pipeFds[1] : -1;
  return true;
}

bool ChildProcess::write(const void* bytes, std::size_t count) {
  if (stdinFd_ < 0) {
    error_ = "the program's input is not open";
    return false;
  }
  const char* next = static_cast<const char*>(bytes);
  while (count > 0) {
    const ssize_t written = ::write(stdinFd_, next, count);
    if (written < 0) {
      if (errno == EINTR) continue;
      error_ = std::string("writing to the program failed: ") + std::strerror(errno);
      return false;
    }
    next += written;
    count -= static_cast<std::size_t>(written);
  }
  return true;
}

int ChildProcess::finish() {
  if (stdinFd_ >= 0) {
    ::close(stdinFd_);
    stdinFd_ = -1;
  }
  if (!running()) return -1;
  const int status = waitForExit(pid_);
  pid_ = -1;
  return status;
}

int runProgram(const std::vector<std::string>& arguments, std::string& error, std::string* output) {
  int outputFds[2] = {-1, -1};
  if (output != nullptr && ::pipe2(outputFds, O_CLOEXEC) != 0) {
    error = std::string("cannot create a pipe: ") + std::strerror(errno);
    return -1;
  }
  ChildProcess process;
  const bool started = process.start(arguments, false, outputFds[1]);
  if (output != nullptr) ::close(outputFds[1]);
  if (started && output != nullptr) {
    output->clear();
    char buffer[4096];
    for (;;) {
      const ssize_t got = ::read(outputFds[0], buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      output->append(buffer, static_cast<std::size_t>(got));
    }
  }
  if (output != nullptr) ::close(outputFds[0]);
  if (!started) {
    error = process.error();
    return -1;
  }
  return process.finish();
}
