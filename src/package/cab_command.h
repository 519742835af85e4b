// The "Run CMD" action: the CAB rebuild command that the package's readme.txt
// holds between two fixed sentences, cut out and run in the package folder.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "platform/platform.h"
#include "status/status_log.h"

namespace quillet {

// The sentences that enclose the rebuild command in readme.txt, matched exactly.
inline constexpr const char* kCabCommandStartMarker =
    "To rebuild the cab files run the following command";
inline constexpr const char* kCabCommandEndMarker =
    "Then copy the CAB files created to the CD1 directory.";
inline constexpr const char* kReadmeFileName = "readme.txt";
inline constexpr const char* kRunCommandAction = "Run CMD";
// The message of the red row of a command that the user stopped.
inline constexpr const char* kStoppedByUserMessage = "Stopped by the user";
// How many of a failed command's last output lines its row's message shows.
inline constexpr std::size_t kFailureOutputLines = 10;

// The whole text of a file in the ANSI code page, as UTF-8, with every line end
// (CR LF, LF or a lone CR) dropped and the lines joined with nothing between
// them. When the file cannot be read the result is empty and `error`, when
// given, holds the OS's reason; otherwise `error` is cleared.
std::string ReadTextFile(const std::string& path, std::string* error = nullptr);

// Outcome of cutting the command out of readme.txt: the command, or why there is none.
struct CabCommand {
  bool found = false;
  std::string command;  // trimmed of spaces only; may be empty when found
  std::string error;    // what went wrong, naming the file; empty when found
};

// Cuts the command out of the joined text: what lies between the first start
// marker and the first end marker after it, without leading and trailing spaces.
CabCommand ExtractCabCommandFromText(const std::string& text, const std::string& readme_path);

// Reads package_directory + "readme.txt" and cuts the command out of it.
// package_directory ends in the platform's separator.
CabCommand ExtractCabCommand(const std::string& package_directory);

// Starts a command in a folder and waits for it; the platform's RunCommand by default.
using CommandRunner = std::function<platform::CommandResult(
    const std::string& command, const std::string& working_directory,
    const platform::CommandCallbacks& callbacks)>;

// The "Run CMD" action: extracts the command, runs it with the package folder as
// its working folder, waits for it (calling the callbacks meanwhile; a true
// answer of while_waiting stops it) and then logs one row ("Run CMD",
// package_directory, empty): status 3 when the command ended with exit code 0,
// its message naming the command; status 2 when there was no command to run,
// it could not be started or it failed, its message saying why followed, for a
// command that ran, by the last lines of its output (CR LF between lines); and
// status 2 with the message "Stopped by the user" when the caller stopped it.
void RunCabCommand(const std::string& package_directory, StatusLog& log,
                   const platform::CommandCallbacks& callbacks = {},
                   const CommandRunner& runner = {});

}  // namespace quillet
