// Running a helper program (ffmpeg) with its standard input fed from a pipe.
// One thread at a time: a capture's writer thread may feed the pipe while
// the main thread only starts the program and, after that thread, finishes it.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

// Looks `name` up on PATH (or takes it as is when it holds a '/').
// Returns the path of an executable file, or an empty string.
std::string findProgram(const std::string& name);

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();  // closes the pipe and waits, so no zombie is left
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts argv[0] (found on PATH) with `arguments`; with `feedStdin` the
  // program's standard input is a pipe written by write(). Its standard
  // output goes to `stdoutFd` (or /dev/null when negative), standard error
  // is shared with ours. The program runs in a process group of its own,
  // so signals from the terminal reach only this process.
  bool start(const std::vector<std::string>& arguments, bool feedStdin, int stdoutFd = -1);
  // Writes all bytes to the program's standard input. Fails when the
  // program has gone away (a broken pipe does not raise SIGPIPE).
  bool write(const void* bytes, std::size_t count);
  // Closes the program's standard input and waits for it to end. Returns
  // its exit status, or -1 when it could not be started or was killed.
  int finish();

  bool running() const { return pid_ > 0; }
  const std::string& error() const { return error_; }

 private:
  pid_t pid_ = -1;
  int stdinFd_ = -1;
  std::string error_;
};

// Runs the program to its end with no input; returns its exit status, or
// -1 when it could not be started or was killed. With `output`, collects
// what the program writes to its standard output.
int runProgram(const std::vector<std::string>& arguments, std::string& error, std::string* output = nullptr);
