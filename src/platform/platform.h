// The small OS layer: everything the core needs from the operating system goes
// through these functions, with one implementation per OS family
// (platform_posix.cpp, platform_windows.cpp; running commands in
// process_posix.cpp, process_windows.cpp). Paths and texts are UTF-8.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::platform {

// The folder separator of the platform's paths: "\" on Windows, "/" elsewhere
// (where "\" is an ordinary file-name character).
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Converts text in the ANSI code page (the system's on Windows, Windows-1252
// elsewhere) to UTF-8. Every byte maps to a character, so nothing is lost: the
// five bytes that Windows-1252 leaves undefined become U+0081, U+008D, ... as on
// Windows.
std::string AnsiToUtf8(std::string_view ansi);

// Converts UTF-8 to the ANSI code page; the exact inverse of AnsiToUtf8 for every
// text it produced. A character the code page cannot hold becomes "?", and an
// invalid UTF-8 byte is passed through unchanged.
std::string Utf8ToAnsi(std::string_view utf8);

// The folder of the running program, without a trailing separator except at the
// root of a file system or drive.
std::string ProgramDirectory();

// Result of a file operation: ok, or the OS's own description of what failed.
struct IoResult {
  bool ok = true;
  std::string error;       // empty when ok
  bool not_found = false;  // failed because the file (or a folder of its path) does not exist
};

// True when path names an existing ordinary file: a regular file (links
// followed) that on Windows is not marked hidden or system.
bool IsOrdinaryFile(const std::string& path);

// True when path names a regular file that may not be written: on Windows the
// read-only attribute, elsewhere a file without any write permission bit, whoever
// runs the program (root included).
bool IsReadOnlyFile(const std::string& path);

// True when both paths name one existing file, however they are spelled:
// through symbolic links, hard links, linked folders or other spellings (the
// device and inode; on Windows the volume serial number and file index).
bool IsSameFile(const std::string& a, const std::string& b);

// Where a symbolic link at path points, as the link says it; empty when path
// is no symbolic link.
std::string SymbolicLinkTarget(const std::string& path);

// Whether the user may rewrite the file at path where it is: ok, or the OS's
// reason (a read-only file, no permission to write it or to write in its
// folder, a file another program holds locked, a folder or device under the
// name). A missing file is judged by whether it could be created in its folder.
// The same test that ReplaceFileContents meets before it writes.
IoResult CheckCanRewrite(const std::string& path);

// Whether the user may create files in `folder`: ok, or the OS's reason
// (missing, not a folder, no permission).
IoResult CheckCanCreateIn(const std::string& folder);

// Reads the whole file into bytes.
IoResult ReadWholeFile(const std::string& path, std::string& bytes);

// Replaces the file's contents with bytes, or creates the file when it is
// missing; never creates a folder. Nothing is written where the user could not
// have written the file in place (the OS's "Permission denied"), and a
// read-only file is refused.
//
// The bytes reach the disk before they take the file's name, and the name
// change reaches the disk before this returns ok, so that a crash, a power cut
// or a full disk leaves the file either as before or as written, never empty or
// torn. What belongs to the file stays with it: owner, group, mode, extended
// attributes (ACLs), Windows attributes. A symbolic link stays a link and its
// target is written; a file with several hard links is written in place (after
// a backup that reaches the disk first and goes once all is written), so that
// every link sees the new contents. Temporary files of writes that were killed
// are removed by the next write of the same file.
IoResult ReplaceFileContents(const std::string& path, std::string_view bytes);

// Decides what becomes of a file's contents: receives the outcome of reading
// the file and, when it was read, its bytes; returns true to have `bytes`
// written in the file's place, false to leave the file as it is.
using ContentsChange = std::function<bool(const IoResult& read, std::string& bytes)>;

// Reads the file, lets `change` decide and writes what it made as
// ReplaceFileContents does, holding off every other Quillet process that
// updates the same file from before the read until the new contents are in
// place, so that two processes editing one file never lose each other's
// changes. A missing file reads as not_found. Returns the write's outcome, ok
// when `change` wrote nothing.
IoResult UpdateFileContents(const std::string& path, const ContentsChange& change);

// Copies a regular file to `to`, replacing a file of that name unless it is
// read-only; never creates a folder. Written as ReplaceFileContents writes
// (an existing target keeps what belongs to it; a new one takes the source's
// permissions), so the copy is on the disk when this returns ok. Refuses a
// target that is the source itself under another name (IsSameFile), which a
// copy would destroy.
IoResult CopyFileReplacing(const std::string& from, const std::string& to);

// Deletes path when it is a regular file that is not read-only, or a symbolic
// link to anything but a folder (the link goes, whatever it points to stays);
// anything else (a folder, a missing file, a link to a folder) is refused with
// an error. The deletion is on the disk when this returns ok.
IoResult DeleteRegularFile(const std::string& path);

// Outcome of running a command.
struct CommandResult {
  bool started = false;  // false: the process could not be started (see error)
  int exit_code = -1;    // valid when started and not stopped
  std::string error;     // the OS's description when not started or not waited for
  bool stopped = false;  // ended, with everything it started, because the caller asked
  // The last lines the command wrote to its standard output and error, as UTF-8
  // (from the ANSI code page on Windows); at most kCommandOutputTailBytes.
  std::string output_tail;
};

inline constexpr std::size_t kCommandOutputTailBytes = 4096;

// A command that ran to its end with that exit code (for stand-in runners).
inline CommandResult CommandEnded(int exit_code) {
  CommandResult result;
  result.started = true;
  result.exit_code = exit_code;
  return result;
}

struct CommandCallbacks {
  // Called once as soon as the command has started and then repeatedly (at
  // most 50 ms after the previous call returned) while it runs, so that a
  // window can keep repainting. Returning true asks for the command and
  // everything it started to be stopped; RunCommand then ends them and
  // returns with `stopped` set. Later answers are not heeded.
  std::function<bool()> while_waiting = nullptr;
  // Receives the command's standard output and error as they come, as UTF-8,
  // never split inside a character.
  std::function<void(std::string_view chunk)> on_output = nullptr;
};

// Runs `command` through the system's command interpreter with
// `working_directory` as its current folder, and waits for it to end:
// - Windows: cmd.exe from the system folder, without a console window, as
//   cmd.exe /S /C "command", so that it receives the command exactly as
//   written. A network (UNC) folder is refused with the reason, since cmd.exe
//   would run the command in the Windows folder instead.
// - Elsewhere: /bin/sh -c command, in a process group of its own, without a
//   controlling terminal.
// The command reads from the null device and inherits no descriptors or handles
// of the program's own; its output is drained while it runs (so a chatty
// command never blocks) and its last lines kept. A stop ends the command and
// every process it started (POSIX: SIGTERM, then SIGKILL after two seconds;
// Windows: its job object); when the interpreter ends by itself, whatever it
// left running is ended the same way; and should this program end, in any
// way, while the command runs, the command's processes end with it.
CommandResult RunCommand(const std::string& command, const std::string& working_directory,
                         const CommandCallbacks& callbacks = {});

// ---- Folders, and the user's own settings folder (folders_posix.cpp,
// folders_windows.cpp) ----

// True when something (a file, folder or link; links are not followed) has that name.
bool PathExists(const std::string& path);

// True when path names a folder (links followed).
bool FolderExists(const std::string& path);

// Creates the folder; its parent must exist. Ok when a folder of that name is
// there already. The new name reaches the disk when the parent is flushed
// (FlushFolder), which a caller that makes several folders does once for each
// parent. `hidden`: on Windows the new folder gets the hidden attribute
// (elsewhere a name that starts with "." is what hides it).
IoResult CreateFolder(const std::string& path, bool hidden = false);

// Removes a folder that is empty.
IoResult RemoveEmptyFolder(const std::string& path);

// One entry of a folder listing.
struct FolderEntry {
  std::string name;
  bool is_folder = false;  // a real folder; a link to one is not
};

// The entries of the folder, without "." and "..", in no particular order.
IoResult ListFolder(const std::string& folder, std::vector<FolderEntry>& entries);

// Removes a file or a link (never what it points to), read-only or not: for
// the program's own files, which it may remove whatever their attributes.
IoResult RemoveFile(const std::string& path);

// Makes the names created, renamed or removed in the folder reach the disk
// (fsync of the folder on POSIX). On Windows a no-op: NTFS journals them.
IoResult FlushFolder(const std::string& folder);

// The folder where the user's own application settings belong, without a
// trailing separator: on Windows the roaming application-data folder
// (CSIDL_APPDATA), elsewhere $XDG_CONFIG_HOME when it is an absolute path, else
// the home folder's ".config". Empty when there is none.
std::string UserAppDataDirectory();

}  // namespace quillet::platform
