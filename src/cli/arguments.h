// The command line of quillet-modify, parsed.
#pragma once

#include <string>
#include <vector>

namespace quillet::cli {

inline constexpr const char* kProgramName = "quillet-modify";

enum class Mode {
  kModify,          // modify PACKAGE.INF (or, with --dry-run, show what that would do)
  kLauncherSource,  // print the launcher's C++ source
  kHelp,
  kVersion,
};

struct Options {
  Mode mode = Mode::kModify;
  std::string inf_path;
  // The launcher given for each family; empty when not given.
  std::string mips_launcher;
  std::string sh3_launcher;
  std::string arm_launcher;
  bool yes = false;                // go on with a package that is not untouched
  bool restore_on_failure = true;  // the answer to "put the package back?"
  bool dry_run = false;
  bool json = false;
  // --launcher-source APP.vb LAUNCHER.exe
  std::string app_file_name;
  std::string launcher_file_name;
};

struct ParsedArguments {
  Options options;
  std::string error;  // why the command line is not usable; empty when it is
};

// Parses the arguments after the program name. Options and the INF may come in
// any order; "--name=value" is the same as "--name value"; "--" ends the
// options, so an INF whose name starts with "-" can be given. --help and
// --version win over everything else. Giving an option twice, both failure
// answers, a launcher option without --launcher-source's two names, or
// anything but one INF is a usage error.
ParsedArguments ParseArguments(const std::vector<std::string>& arguments);

// The text of --help, lines ending in "\n".
std::string HelpText();

}  // namespace quillet::cli
