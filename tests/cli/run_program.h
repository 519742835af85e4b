// Runs a program as a separate process, as a build script would, and collects
// its exit status, standard output and standard error.
#pragma once

#include <string>
#include <vector>

namespace quillet::cli::testing {

struct ProgramResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

struct ProgramOptions {
  std::string working_directory;  // empty: the test's own
  // POSIX: "NAME=value" entries added to (or replacing) the environment.
  std::vector<std::string> environment;
  // POSIX: standard output is a terminal (a pseudo-terminal) instead of a file.
  bool out_is_terminal = false;
  // POSIX: standard output is a pipe whose reader has gone (`| head -1` after
  // head ended), so every write to it fails.
  bool out_reader_gone = false;
};

// Runs `program` with `arguments` (UTF-8; on Windows passed on the wide
// command line, quoted as the C runtime and CommandLineToArgvW read it), with
// standard input from the null device. Fails the test when it cannot start.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const ProgramOptions& options = {});

// The path of the built quillet-modify.
std::string QuilletModifyPath();

}  // namespace quillet::cli::testing
