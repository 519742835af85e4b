#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "cli/console.h"

namespace quillet::cli {
namespace {

volatile std::sig_atomic_t g_stop_requested = 0;

// The first Ctrl+C (or SIGTERM) asks for a stop; the run stops the CAB command
// and then puts the package back as asked. A second one ends the program as
// the signal normally does.
extern "C" void OnStopSignal(int signal_number) {
  if (g_stop_requested != 0) {
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
    return;
  }
  g_stop_requested = 1;
}

// A handler that does nothing: writing to a reader that went away then fails
// with EPIPE instead of ending the program half-way through a run. A handler,
// not SIG_IGN, because an ignored signal would stay ignored in the CAB command.
extern "C" void OnBrokenPipe(int) {}

void InstallHandler(int signal_number, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(signal_number, &action, nullptr);
}

bool ColourWanted() {
  const char* no_colour = std::getenv("NO_COLOR");
  if (no_colour != nullptr && *no_colour != '\0') return false;
  const char* term = std::getenv("TERM");
  return term == nullptr || std::strcmp(term, "dumb") != 0;
}

class FdOutputStream : public OutputStream {
 public:
  explicit FdOutputStream(int fd) : fd_(fd), colour_(::isatty(fd) == 1 && ColourWanted()) {}

  void Write(std::string_view utf8) override {
    while (!utf8.empty()) {
      const ssize_t written = ::write(fd_, utf8.data(), utf8.size());
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return;
      utf8.remove_prefix(static_cast<std::size_t>(written));
    }
  }

  bool ShowsColour() const override { return colour_; }

  void SetStyle(TextStyle style) override {
    if (colour_) Write(AnsiStyle(style));
  }

 private:
  int fd_;
  bool colour_;
};

}  // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  return arguments;
}

struct ProcessConsole::Streams {
  FdOutputStream out{STDOUT_FILENO};
  FdOutputStream err{STDERR_FILENO};
};

ProcessConsole::ProcessConsole() : streams_(std::make_unique<Streams>()) {
  InstallHandler(SIGINT, OnStopSignal);
  InstallHandler(SIGTERM, OnStopSignal);
  InstallHandler(SIGPIPE, OnBrokenPipe);
  console_.out = &streams_->out;
  console_.err = &streams_->err;
  console_.stop_requested = [] { return g_stop_requested != 0; };
}

ProcessConsole::~ProcessConsole() {
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  std::signal(SIGPIPE, SIG_DFL);
}

Console& ProcessConsole::Get() { return console_; }

std::string AbsolutePath(const std::string& path) {
  std::string full;
  if (path.empty() || path[0] != '/') {
    std::string folder(4096, '\0');
    while (::getcwd(folder.data(), folder.size()) == nullptr) {
      if (errno != ERANGE) return path;  // no current folder to go by: keep it as given
      folder.resize(folder.size() * 2);
    }
    full = folder.c_str();
    full += '/';
  }
  full += path;

  // Drop "." parts and empty ones; ".." stays, since a link may stand before it.
  std::string result;
  std::size_t start = 0;
  while (start <= full.size()) {
    std::size_t end = full.find('/', start);
    if (end == std::string::npos) end = full.size();
    const std::string_view part(full.data() + start, end - start);
    if (!part.empty() && part != ".") {
      result += '/';
      result += part;
    }
    start = end + 1;
  }
  if (result.empty()) result = "/";
  if (full.size() > 1 && full.back() == '/' && result.back() != '/') result += '/';
  return result;
}

}  // namespace quillet::cli
