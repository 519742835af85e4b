#include "cli/quillet_modify.h"

#include <array>
#include <exception>
#include <filesystem>
#include <random>
#include <system_error>

#include "cli/arguments.h"
#include "cli/row_text.h"
#include "cli/unified_diff.h"
#include "package/cab_command.h"
#include "package/file_actions.h"
#include "package/inf_edits.h"
#include "package/modification_run.h"
#include "package/package_inspection.h"
#include "package/run_checks.h"
#include "package/snapshot.h"
#include "platform/platform.h"
#include "stub/stub_source.h"
#include "util/path_helpers.h"
#include "util/tool_state.h"
#include "version.h"

namespace quillet::cli {
namespace {

namespace fs = std::filesystem;

constexpr char kSep = platform::kPathSeparator;

// Text with its line breaks (CR LF, LF or CR) turned into the program's own.
std::string WithOwnLineEnds(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += kNewline;
    } else {
      out += text[i];
    }
  }
  return out;
}

// "quillet-modify: " + text, on a line of its own on standard error.
void Say(const Console& console, std::string_view text) {
  console.err->Write(std::string(kProgramName) + ": " + WithOwnLineEnds(text) +
                     std::string(kNewline));
}

void WriteLine(OutputStream& out, std::string_view text) {
  out.Write(std::string(text) + std::string(kNewline));
}

// One launcher option: which family it serves and where its path goes.
struct LauncherOption {
  int row;
  const char* option;
  const char* family;
  const std::string Options::*given;
  std::string ToolState::*path;
};

constexpr std::array<LauncherOption, kLauncherRowCount> kLauncherOptions = {{
    {kMipsRow, "--mips", "MIPS", &Options::mips_launcher, &ToolState::MipsLauncherPath},
    {kSh3Row, "--sh3", "SH3", &Options::sh3_launcher, &ToolState::Sh3LauncherPath},
    {kArmRow, "--arm", "ARM", &Options::arm_launcher, &ToolState::ArmLauncherPath},
}};

// The processors present in state that a launcher row serves, as "A" and "B".
std::string PresentProcessorsOfRow(const ToolState& state, int row) {
  std::string names;
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    if (!state.ProcessorPresent[slot] || LauncherRowOfSlot(slot) != row) continue;
    if (!names.empty()) names += " and ";
    names += "\"" + state.ProcessorNames[slot] + "\"";
  }
  return names;
}

// Fills in the launchers the INF needs from the options. False, after saying
// what is missing or unreadable, when one that is needed cannot be used.
bool ChooseLaunchers(const Options& options, ToolState& state,
                     const std::array<bool, kLauncherRowCount>& needed, const Console& console) {
  bool usable = true;
  for (const LauncherOption& launcher : kLauncherOptions) {
    const std::string& given = options.*launcher.given;
    if (!needed[static_cast<std::size_t>(launcher.row)]) {
      if (!given.empty()) {
        Say(console, std::string(launcher.option) + " is not needed: the INF file targets no " +
                         launcher.family + " processor. It is ignored.");
      }
      continue;
    }
    const std::string processors = PresentProcessorsOfRow(state, launcher.row);
    if (given.empty()) {
      Say(console, "the INF file targets " + processors + ": give the " + launcher.family +
                       " launcher with " + launcher.option + " FILE.");
      usable = false;
      continue;
    }
    const std::string path = AbsolutePath(given);
    std::string bytes;
    if (const platform::IoResult read = platform::ReadWholeFile(path, bytes); !read.ok) {
      Say(console, "cannot read the " + std::string(launcher.family) + " launcher " + path + " (" +
                       launcher.option + "): " + read.error);
      usable = false;
      continue;
    }
    state.*launcher.path = path;
  }
  return usable;
}

// The untouched-package warning, on standard error, answered by --yes.
bool AnswerWarning(const Options& options, const Console& console, const std::string& title,
                   const std::string& text) {
  Say(console, title + "\n" + text);
  if (options.yes) {
    Say(console, "--yes was given: going on.");
    return true;
  }
  Say(console, "nothing was changed. Give --yes to modify this package anyway.");
  return false;
}

// A fresh folder of the program's own under the system's temporary folder,
// removed with everything in it when the object goes.
class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    if (error) {
      error_ = error.message();
      return;
    }
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
      const fs::path candidate =
          base / ("quillet-modify-" + std::to_string(random()) + std::to_string(random()));
      if (fs::create_directory(candidate, error)) {
        // The package's INF is the user's: only the user reads the copy.
        fs::permissions(candidate, fs::perms::owner_all, error);
        path_ = candidate;
        return;
      }
      if (error) break;
    }
    error_ = error ? error.message() : "no unused name";
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  bool ok() const { return !path_.empty(); }
  const std::string& error() const { return error_; }
  std::string Utf8Path() const {
    const std::u8string text = path_.u8string();
    return std::string(text.begin(), text.end());
  }

 private:
  fs::path path_;
  std::string error_;
};

// The part of a path after its last separator.
std::string FileNameOf(const std::string& path) {
  const std::size_t at = path.find_last_of(kSep);
  return at == std::string::npos ? path : path.substr(at + 1);
}

// The lines of the file actions (and commands) that a run would take, in the
// run's order, each "Action<TAB>value<TAB>value" with the run's action names.
std::vector<std::string> PlannedFileActions(const ToolState& state, const std::string& inf,
                                            const Console& console) {
  const std::string d = GetDirectory(inf);
  const std::string b = GetBaseName(inf);
  const std::string w = GetWrapperFileName(state);
  const auto field = [](const std::string& text) { return OneLineField(text); };

  std::vector<std::string> command_lines;
  const CabCommand command = ExtractCabCommand(d);
  if (!command.found) {
    Say(console, "the run's \"Run CMD\" would fail: " + command.error);
  }
  const std::string command_line =
      std::string(kRunCommandAction) + "\t" + field(d) + "\t" + field(command.command);

  std::vector<std::string> moves;
  std::vector<std::string> copies;
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    if (!state.ProcessorPresent[slot]) continue;
    const std::string& p = state.ProcessorNames[slot];
    const std::string cab = b + "." + p + ".CAB";
    moves.push_back(std::string(kMoveCabAction) + "\t" + field(d + cab) + "\t" +
                    field(d + kDiskFolderName + kSep + cab));
    copies.push_back(std::string(kCopyExeAction) + "\t" + field(state.LauncherPathForSlot(slot)) +
                     "\t" + field(d + p + kSep + w));
  }

  std::vector<std::string> lines;
  lines.push_back(command_line);
  lines.insert(lines.end(), moves.begin(), moves.end());
  lines.insert(lines.end(), copies.begin(), copies.end());
  lines.push_back(std::string(kDeleteAction) + "\t" + field(d + kAppFolderName + kSep + w));
  lines.push_back(command_line);
  lines.insert(lines.end(), moves.begin(), moves.end());
  return lines;
}

// --dry-run: the checks of a real run, then the five INF edits on a copy of the
// INF in a temporary folder, shown as a diff of the INF, and the file actions.
int DryRun(const Options& options, const ToolState& state, const std::string& inf,
           const Console& console) {
  if (const std::string why = WhyRunCannotStart(state, inf); !why.empty()) {
    Say(console, why);
    return kExitRefused;
  }
  if (!IsUntouchedPackage(inf) &&
      !AnswerWarning(options, console, kUntouchedWarningTitle, UntouchedWarningText())) {
    return kExitRefused;
  }

  // Looked for without FindSnapshot, which tidies an unfinished snapshot away:
  // a dry run changes nothing.
  const std::string leftover = SnapshotFolder(GetDirectory(inf));
  if (platform::IsOrdinaryFile(leftover + kSep + kSnapshotManifestName)) {
    Say(console, "an earlier run on this package left the files as they were before it in " +
                     leftover + kSep + kSnapshotFilesFolderName +
                     ". A real run first puts them back (--restore-on-failure, the default) or "
                     "discards them (--keep-on-failure); this dry run shows the modifications "
                     "of the package as it is now.");
  }
  std::string before;
  if (const platform::IoResult read = platform::ReadWholeFile(inf, before); !read.ok) {
    Say(console, "could not read the INF file " + inf + ": " + read.error);
    return kExitRefused;
  }
  TemporaryFolder folder;
  if (!folder.ok()) {
    Say(console, "could not make a temporary folder for the dry run: " + folder.error());
    return kExitFailed;
  }
  const std::string copy = folder.Utf8Path() + kSep + FileNameOf(inf);
  if (const platform::IoResult written = platform::ReplaceFileContents(copy, before); !written.ok) {
    Say(console, "could not copy the INF file to " + copy + ": " + written.error);
    return kExitFailed;
  }

  // The edits in the run's order; the file actions between them do not touch
  // the INF, so the copy ends as the INF of a real run does.
  StatusLog edits;
  const std::string wrapper = GetWrapperFileName(state);
  ChangeShortcutKey(state, copy, edits);
  AddShortcutSection(state, copy, wrapper, edits);
  AddShortcutDestination(state, copy, edits);
  RemoveSourceDiskKey(copy, wrapper, edits);
  AddCpuSourceDiskKeys(state, copy, wrapper, edits);
  for (const StatusRow& row : edits.Rows()) {
    if (StatusOfRow(row) == kStatusFailure) {
      Say(console,
          "the INF edit \"" + row.action + "\" failed on a copy of the INF: " + row.message);
      return kExitFailed;
    }
  }
  std::string after;
  if (const platform::IoResult read = platform::ReadWholeFile(copy, after); !read.ok) {
    Say(console, "could not read the edited copy " + copy + ": " + read.error);
    return kExitFailed;
  }

  console.out->Write(UnifiedDiff(before, after, FileNameOf(inf)));
  for (const std::string& line : PlannedFileActions(state, inf, console)) {
    WriteLine(*console.out, line);
  }
  return kExitSuccess;
}

int Modify(const Options& options, const Console& console) {
  ToolState state;
  InitProcessorNames(state);
  state.ShortcutSectionName = kShortcutSectionName;
  const std::string inf = AbsolutePath(options.inf_path);

  // An unreadable INF would look like one that targets nothing.
  std::string bytes;
  if (const platform::IoResult read = platform::ReadWholeFile(inf, bytes); !read.ok) {
    Say(console, InfCannotBeReadText(inf, read.error));
    return kExitRefused;
  }
  const std::array<bool, kLauncherRowCount> needed = DetectProcessors(state, inf);
  if (!ChooseLaunchers(options, state, needed, console)) {
    Say(console, "nothing was changed.");
    return kExitRefused;
  }
  if (options.dry_run) return DryRun(options, state, inf, console);

  StatusLog log;
  log.SetListener([&](int appended_row) {
    if (appended_row < 0 || options.json) return;  // -1: the run emptied the list
    WriteRowLine(*console.out, log.Rows()[static_cast<std::size_t>(appended_row)]);
  });

  ModificationHooks hooks;
  hooks.ask_yes_no_warning = [&](const std::string& title, const std::string& text) {
    return AnswerWarning(options, console, title, text);
  };
  // The run asks whether to put the package back after failed actions, and
  // whether to put back what an earlier failed (or killed) run left before
  // making the modifications again: both are answered by the failure option.
  hooks.ask_yes_no = [&](const std::string& text) {
    Say(console, text);
    Say(console, options.restore_on_failure ? "answered Yes (--restore-on-failure)."
                                            : "answered No (--keep-on-failure).");
    return options.restore_on_failure;
  };
  // Ctrl+C does what the window's Stop does: the command and everything it
  // started end, its row turns red, and the run goes on to its end, where the
  // package is put back or kept as asked. Ending the program at once instead
  // would leave the package half-modified. Once asked, a later rebuild of the
  // same run is stopped as soon as it starts.
  bool stop_announced = false;
  hooks.while_command_runs = [&] {
    if (!console.stop_requested || !console.stop_requested()) return false;
    if (!stop_announced) {
      stop_announced = true;
      Say(console, "stopping the CAB command (Ctrl+C); press Ctrl+C again to end at once.");
    }
    return true;
  };
  hooks.on_command_output = [&](std::string_view chunk) { console.err->Write(chunk); };
  hooks.show_message = [&](const std::string& text) { Say(console, text); };

  const RunOutcome outcome = RunModification(state, inf, log, hooks);
  if (outcome == RunOutcome::kNotRun) return kExitRefused;
  if (options.json) console.out->Write(RowsAsJson(log.Rows(), kNewline));
  // A row failed: the package is put back, kept, or put back in part.
  return outcome == RunOutcome::kSucceeded ? kExitSuccess : kExitFailed;
}

int Run(const std::vector<std::string>& arguments, const Console& console) {
  const ParsedArguments parsed = ParseArguments(arguments);
  if (!parsed.error.empty()) {
    Say(console, parsed.error);
    WriteLine(*console.err, std::string("Try '") + kProgramName + " --help' for more information.");
    return kExitRefused;
  }
  const Options& options = parsed.options;
  switch (options.mode) {
    case Mode::kHelp:
      console.out->Write(WithOwnLineEnds(HelpText()));
      return kExitSuccess;
    case Mode::kVersion:
      WriteLine(*console.out, std::string(kProgramName) + " " + std::to_string(kVersionMajor) +
                                  "." + std::to_string(kVersionMinor) + "." +
                                  std::to_string(kVersionRevision));
      return kExitSuccess;
    case Mode::kLauncherSource:
      // The source's own CR LF line ends, and one after its last line, so the
      // file it is saved to ends as a source file should.
      console.out->Write(BuildStubSource(options.app_file_name, options.launcher_file_name) +
                         "\r\n");
      return kExitSuccess;
    case Mode::kModify:
      break;
  }
  return Modify(options, console);
}

}  // namespace

void WriteRowLine(OutputStream& out, const StatusRow& row) {
  const int status = StatusOfRow(row);
  TextStyle style = TextStyle::kBold;
  if (status == kStatusSuccess) style = TextStyle::kGreen;
  if (status == kStatusFailure) style = TextStyle::kRed;
  if (status == kStatusInformation) style = TextStyle::kBlue;

  std::string rest = "\t" + OneLineField(row.value1) + "\t" + OneLineField(row.value2);
  if (!row.message.empty()) rest += "\t" + OneLineField(row.message);
  rest += kNewline;
  if (out.ShowsColour()) {
    out.SetStyle(style);
    out.Write(std::string(StatusWord(status)) + "\t" + OneLineField(row.action));
    out.SetStyle(TextStyle::kPlain);
    out.Write(rest);
  } else {
    out.Write(std::string(StatusWord(status)) + "\t" + OneLineField(row.action) + rest);
  }
}

int RunQuilletModify(const std::vector<std::string>& arguments, Console& console) {
  try {
    return Run(arguments, console);
  } catch (const std::exception& error) {
    Say(console, std::string("stopped by an unexpected error: ") + error.what());
  } catch (...) {
    Say(console, "stopped by an unexpected error.");
  }
  return kExitFailed;
}

}  // namespace quillet::cli
