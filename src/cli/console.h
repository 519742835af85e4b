// What quillet-modify needs from the process it runs in: its arguments as
// UTF-8, standard output and error that show any text and colours where a
// person watches, Ctrl+C, and absolute paths. One implementation per OS family
// (console_posix.cpp, console_windows.cpp).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::cli {

// The line end of the program's own text: CR LF on Windows, where Notepad and
// batch files expect it, LF elsewhere.
#ifdef _WIN32
inline constexpr std::string_view kNewline = "\r\n";
#else
inline constexpr std::string_view kNewline = "\n";
#endif

// The looks a row's status word and action take on a terminal.
enum class TextStyle { kPlain, kGreen, kRed, kBlue, kBold };

// The escape sequence that gives a terminal that style: bold and the colour, or
// back to plain.
std::string_view AnsiStyle(TextStyle style);

// Where text goes: standard output or error, or a test's buffer.
class OutputStream {
 public:
  virtual ~OutputStream() = default;
  // Writes UTF-8 text. A write that fails (a reader that went away) is dropped:
  // the run goes on, since stopping half-way would leave the package half-done.
  virtual void Write(std::string_view utf8) = 0;
  // True when the text goes to a terminal or console that shows colours and
  // the user has not asked for none (NO_COLOR).
  virtual bool ShowsColour() const { return false; }
  // Sets the look of what is written next, where ShowsColour is true.
  virtual void SetStyle(TextStyle style) { (void)style; }
};

struct Console {
  OutputStream* out = nullptr;
  OutputStream* err = nullptr;
  // True once the user has pressed Ctrl+C (or Ctrl+Break, or sent SIGTERM).
  std::function<bool()> stop_requested = nullptr;
};

// The arguments after the program name, as UTF-8: on Windows from the wide
// command line (so names outside the ANSI code page arrive whole), elsewhere
// argv as it is.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// The process's standard output and error, and the Ctrl+C handling: the first
// Ctrl+C only asks the program to stop (stop_requested turns true), a second
// one ends it at once, as usual. Make one, at the start of main.
class ProcessConsole {
 public:
  ProcessConsole();
  ~ProcessConsole();
  ProcessConsole(const ProcessConsole&) = delete;
  ProcessConsole& operator=(const ProcessConsole&) = delete;
  Console& Get();

 private:
  struct Streams;
  std::unique_ptr<Streams> streams_;
  Console console_;
};

// The path made absolute against the current folder, as the system resolves
// it (Windows: "/" becomes "\", "." and ".." are resolved as Windows does;
// elsewhere "." parts and doubled "/" are dropped and ".." kept, since a link
// may stand before it).
std::string AbsolutePath(const std::string& path);

}  // namespace quillet::cli
