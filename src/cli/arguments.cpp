#include "cli/arguments.h"

#include <set>

namespace quillet::cli {
namespace {

enum class Kind { kFlag, kFile };

struct OptionInfo {
  const char* name;
  Kind kind;
};

constexpr OptionInfo kOptions[] = {
    {"--mips", Kind::kFile},
    {"--sh3", Kind::kFile},
    {"--arm", Kind::kFile},
    {"--yes", Kind::kFlag},
    {"--restore-on-failure", Kind::kFlag},
    {"--keep-on-failure", Kind::kFlag},
    {"--dry-run", Kind::kFlag},
    {"--json", Kind::kFlag},
};

const OptionInfo* FindOption(const std::string& name) {
  for (const OptionInfo& option : kOptions) {
    if (name == option.name) return &option;
  }
  return nullptr;
}

ParsedArguments Failed(std::string error) {
  ParsedArguments parsed;
  parsed.error = std::move(error);
  return parsed;
}

}  // namespace

ParsedArguments ParseArguments(const std::vector<std::string>& arguments) {
  ParsedArguments parsed;
  Options& options = parsed.options;

  // Asking for help or the version needs nothing else to be right.
  for (const std::string& argument : arguments) {
    if (argument == "--") break;
    if (argument == "--help" || argument == "-h") {
      options.mode = Mode::kHelp;
      return parsed;
    }
  }
  for (const std::string& argument : arguments) {
    if (argument == "--") break;
    if (argument == "--version") {
      options.mode = Mode::kVersion;
      return parsed;
    }
  }

  std::vector<std::string> inf_paths;
  std::set<std::string> seen;
  bool launcher_source = false;
  bool options_ended = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (options_ended || argument.size() < 2 || argument[0] != '-') {
      inf_paths.push_back(argument);
      continue;
    }
    if (argument == "--") {
      options_ended = true;
      continue;
    }
    const std::size_t equals =
        argument.rfind("--", 0) == 0 ? argument.find('=') : std::string::npos;
    const std::string name = argument.substr(0, equals);
    const bool has_inline_value = equals != std::string::npos;
    if (!seen.insert(name).second) return Failed("option " + name + " is given twice");

    if (name == "--launcher-source") {
      if (has_inline_value || i + 2 >= arguments.size()) {
        return Failed("--launcher-source needs two names: APP.vb LAUNCHER.exe");
      }
      launcher_source = true;
      options.app_file_name = arguments[i + 1];
      options.launcher_file_name = arguments[i + 2];
      i += 2;
      continue;
    }
    const OptionInfo* option = FindOption(name);
    if (option == nullptr) return Failed("unknown option " + name);
    if (option->kind == Kind::kFlag) {
      if (has_inline_value) return Failed("option " + name + " takes no value");
      if (name == "--yes") options.yes = true;
      if (name == "--keep-on-failure") options.restore_on_failure = false;
      if (name == "--dry-run") options.dry_run = true;
      if (name == "--json") options.json = true;
      continue;
    }
    std::string value;
    if (has_inline_value) {
      value = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size()) {
      value = arguments[++i];
    } else {
      return Failed("option " + name + " needs a launcher file: " + name + " FILE");
    }
    if (value.empty()) return Failed("option " + name + " is given an empty file name");
    if (name == "--mips") options.mips_launcher = value;
    if (name == "--sh3") options.sh3_launcher = value;
    if (name == "--arm") options.arm_launcher = value;
  }

  if (launcher_source) {
    if (!inf_paths.empty() || seen.size() > 1) {
      return Failed("--launcher-source takes its two names and nothing else");
    }
    options.mode = Mode::kLauncherSource;
    return parsed;
  }
  if (seen.count("--restore-on-failure") != 0 && seen.count("--keep-on-failure") != 0) {
    return Failed("--restore-on-failure and --keep-on-failure cannot both be given");
  }
  if (options.dry_run && options.json) {
    return Failed("--dry-run and --json cannot both be given: a dry run prints a diff, not rows");
  }
  if (inf_paths.empty()) return Failed("no PACKAGE.INF given");
  if (inf_paths.size() > 1) {
    return Failed("one PACKAGE.INF only; given: \"" + inf_paths[0] + "\", \"" + inf_paths[1] +
                  "\"" + (inf_paths.size() > 2 ? ", ..." : ""));
  }
  if (inf_paths[0].empty()) return Failed("the PACKAGE.INF given is an empty name");
  options.inf_path = inf_paths[0];
  return parsed;
}

std::string HelpText() {
  return "Usage: quillet-modify [--mips FILE] [--sh3 FILE] [--arm FILE] [--yes]\n"
         "           [--restore-on-failure|--keep-on-failure] [--dry-run] [--json]\n"
         "           PACKAGE.INF\n"
         "       quillet-modify --launcher-source APP.vb LAUNCHER.exe\n"
         "       quillet-modify --help | --version\n"
         "\n"
         "Makes Quillet's Step 4 modifications to an eVB distribution package: points\n"
         "the INF's shortcut at the icon launcher, rebuilds the CAB files with the\n"
         "command in the package's readme.txt, moves them into CD1, copies each\n"
         "processor's launcher into the package and deletes the generic one from APP.\n"
         "Prints one line per action as it happens: OK, FAILED or RUN, the action,\n"
         "value 1, value 2 and the message, separated by tabs.\n"
         "\n"
         "  --mips FILE           the launcher for \"Mips 4000 (4K) v3.00\"\n"
         "  --sh3 FILE            the launcher for \"SH 3 (1K) v3.00\"\n"
         "  --arm FILE            the launcher for \"Arm 1100 (4K) v3.00\" and\n"
         "                        \"Arm 720T (4K) v3.00\"\n"
         "                        Each processor that the INF targets needs its launcher.\n"
         "  --yes                 modify a package that is not untouched (already\n"
         "                        modified, altered, or not made by the eVB wizard)\n"
         "  --restore-on-failure  after a failed action, put the package back as it\n"
         "                        was (the default); and first put back what an\n"
         "                        earlier failed or killed run left\n"
         "  --keep-on-failure     after a failed action, keep the package as the run\n"
         "                        left it; and modify a package that an earlier\n"
         "                        failed run left as it is (its saved files go)\n"
         "  --dry-run             change nothing and run no command: print the INF\n"
         "                        edits as a unified diff (patch applies it; --binary\n"
         "                        for CR LF files), then the file actions of the run,\n"
         "                        one per line\n"
         "  --json                print the rows as one JSON array (action, value1,\n"
         "                        value2, status, message) instead of lines\n"
         "  --launcher-source APP.vb LAUNCHER.exe\n"
         "                        print the launcher's C++ source for these names\n"
         "  --help, --version     this text; the version\n"
         "\n"
         "The CAB command's output goes to standard error as it comes. Ctrl+C stops\n"
         "the CAB command as the window's Stop does; the run then goes on as after a\n"
         "failed action.\n"
         "\n"
         "Exit status: 0 every action succeeded; 1 an action failed (after restoring\n"
         "or keeping the package, as asked); 2 refused before any change (usage, a\n"
         "missing launcher, a failed check, or a package that is not untouched and\n"
         "no --yes).\n";
}

}  // namespace quillet::cli
