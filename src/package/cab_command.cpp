#include "package/cab_command.h"

#include <utility>
#include <vector>

namespace quillet {
namespace {

std::string TrimSpaces(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

CabCommand Missing(std::string error) {
  CabCommand result;
  result.error = std::move(error);
  return result;
}

std::string Quoted(const char* text) { return std::string("\"") + text + "\""; }

// The last non-blank lines of a command's output, without trailing blanks,
// joined with CR LF.
std::string LastLines(const std::string& output, std::size_t count) {
  std::vector<std::string> lines;
  std::string line;
  auto finish_line = [&] {
    const auto end = line.find_last_not_of(" \t");
    if (end != std::string::npos) lines.push_back(line.substr(0, end + 1));
    line.clear();
  };
  for (const char c : output) {
    if (c == '\r' || c == '\n') {
      finish_line();
    } else {
      line.push_back(c);
    }
  }
  finish_line();
  std::string joined;
  const std::size_t first = lines.size() > count ? lines.size() - count : 0;
  for (std::size_t i = first; i < lines.size(); ++i) {
    if (!joined.empty()) joined += "\r\n";
    joined += lines[i];
  }
  return joined;
}

// A failure message followed by what the command said last, when it said anything.
std::string WithOutput(const std::string& message, const std::string& output) {
  const std::string lines = LastLines(output, kFailureOutputLines);
  return lines.empty() ? message : message + "\r\n" + lines;
}

}  // namespace

std::string ReadTextFile(const std::string& path, std::string* error) {
  std::string bytes;
  const platform::IoResult read = platform::ReadWholeFile(path, bytes);
  if (error != nullptr) *error = read.error;
  if (!read.ok) return {};
  // Dropping the line ends in the ANSI bytes is safe: CR and LF never occur
  // inside a multi-byte character of an ANSI code page.
  std::string joined;
  joined.reserve(bytes.size());
  for (const char c : bytes) {
    if (c != '\r' && c != '\n') joined.push_back(c);
  }
  return platform::AnsiToUtf8(joined);
}

CabCommand ExtractCabCommandFromText(const std::string& text, const std::string& readme_path) {
  const std::string start_marker = kCabCommandStartMarker;
  const std::string end_marker = kCabCommandEndMarker;
  // Positions are size_t: a command block deep in a long readme is still found.
  const auto start = text.find(start_marker);
  if (start == std::string::npos) {
    return Missing(readme_path + " does not contain the line " + Quoted(kCabCommandStartMarker));
  }
  const auto command_start = start + start_marker.size();
  const auto end = text.find(end_marker, command_start);
  if (end == std::string::npos) {
    return Missing(readme_path + " has no " + Quoted(kCabCommandEndMarker) + " after " +
                   Quoted(kCabCommandStartMarker));
  }
  CabCommand result;
  result.found = true;
  result.command = TrimSpaces(text.substr(command_start, end - command_start));
  return result;
}

CabCommand ExtractCabCommand(const std::string& package_directory) {
  const std::string readme_path = package_directory + kReadmeFileName;
  std::string error;
  const std::string text = ReadTextFile(readme_path, &error);
  if (!error.empty()) return Missing("Could not read " + readme_path + ": " + error);
  return ExtractCabCommandFromText(text, readme_path);
}

void RunCabCommand(const std::string& package_directory, StatusLog& log,
                   const platform::CommandCallbacks& callbacks, const CommandRunner& runner) {
  const CabCommand command = ExtractCabCommand(package_directory);
  if (!command.found) {
    log.LogAction(kRunCommandAction, package_directory, "", kStatusFailure,
                  command.error + "; nothing was run");
    return;
  }
  // Starting an empty command would "succeed" without rebuilding anything and
  // leave the old CAB files to be moved as if they were new.
  if (command.command.empty()) {
    log.LogAction(kRunCommandAction, package_directory, "", kStatusFailure,
                  package_directory + kReadmeFileName + " gives an empty command between " +
                      Quoted(kCabCommandStartMarker) + " and " + Quoted(kCabCommandEndMarker) +
                      "; nothing was run");
    return;
  }

  const platform::CommandResult result =
      runner ? runner(command.command, package_directory, callbacks)
             : platform::RunCommand(command.command, package_directory, callbacks);
  if (!result.started) {
    log.LogAction(kRunCommandAction, package_directory, "", kStatusFailure,
                  "Could not start " + command.command + ": " + result.error);
  } else if (result.stopped) {
    log.LogAction(kRunCommandAction, package_directory, "", kStatusFailure, kStoppedByUserMessage);
  } else if (!result.error.empty()) {
    log.LogAction(
        kRunCommandAction, package_directory, "", kStatusFailure,
        WithOutput("Could not wait for the end of " + command.command + ": " + result.error,
                   result.output_tail));
  } else if (result.exit_code != 0) {
    log.LogAction(kRunCommandAction, package_directory, "", kStatusFailure,
                  WithOutput("The command ended with exit code " +
                                 std::to_string(result.exit_code) + ": " + command.command,
                             result.output_tail));
  } else {
    log.LogAction(kRunCommandAction, package_directory, "", kStatusInformation,
                  "Ran: " + command.command);
  }
}

}  // namespace quillet
