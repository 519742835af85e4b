// Drives the real write paths from the outside, for the checks in scripts/:
// the power-cut check, the two-writer run and the kill -9 trials.
//
//   file_write_probe set FILE SECTION KEY VALUE   one WriteIniValue
//   file_write_probe move-cab INF                 "Move CAB" for the MIPS slot
//   file_write_probe copy-exe INF LAUNCHER        "Copy EXE" for the MIPS slot
//   file_write_probe writer FILE PREFIX SECONDS   WriteIniValue of PREFIX0, PREFIX1, ...
//                                                 for SECONDS; prints how many succeeded
//   file_write_probe rewrite FILE                 rewrites one key for ever
//   file_write_probe count FILE SECTION           prints the number of keys in SECTION
//
// Exit status 0 when every action succeeded, 1 otherwise, 2 on a usage error.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "package/file_actions.h"
#include "profile/profile_file.h"
#include "status/status_log.h"
#include "util/tool_state.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: file_write_probe set FILE SECTION KEY VALUE | move-cab INF |"
               " copy-exe INF LAUNCHER | writer FILE PREFIX SECONDS | rewrite FILE |"
               " count FILE SECTION\n");
  return 2;
}

// Prints the rows of a file action and says whether all were green.
int ReportRows(const quillet::StatusLog& log) {
  bool all_good = !log.Rows().empty();
  for (const auto& row : log.Rows()) {
    std::printf("%s\t%s\t%s\t%s\n", row.action.c_str(), row.value1.c_str(), row.value2.c_str(),
                row.message.c_str());
    all_good &= row.colour == quillet::kColourGreen;
  }
  return all_good ? 0 : 1;
}

quillet::ToolState MipsOnly(const std::string& launcher) {
  quillet::ToolState state;
  quillet::InitProcessorNames(state);
  state.ProcessorPresent[1] = true;
  state.MipsLauncherPath = launcher;
  return state;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string verb = argv[1];
  const std::string file = argv[2];
  if (verb == "set" && argc == 6) {
    std::string error;
    if (quillet::WriteIniValue(file, argv[3], argv[4], argv[5], &error) != 0) return 0;
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  if (verb == "move-cab" && argc == 3) {
    quillet::StatusLog log;
    quillet::MoveCabFiles(MipsOnly("Stub.exe"), file, log);
    return ReportRows(log);
  }
  if (verb == "copy-exe" && argc == 4) {
    quillet::StatusLog log;
    quillet::CopyWrapperExes(MipsOnly(argv[3]), file, log);
    return ReportRows(log);
  }
  if (verb == "writer" && argc == 5) {
    const std::string prefix = argv[3];
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[4]));
    long written = 0;
    long failed = 0;
    for (long i = 0; std::chrono::steady_clock::now() < until; ++i) {
      if (quillet::WriteIniValue(file, "Keys", prefix + std::to_string(i), "1") != 0) {
        ++written;
      } else {
        ++failed;
      }
    }
    std::printf("%ld %ld\n", written, failed);
    return failed == 0 ? 0 : 1;
  }
  if (verb == "rewrite" && argc == 3) {
    for (long i = 0;; ++i) quillet::WriteIniValue(file, "Version", "Counter", std::to_string(i));
  }
  if (verb == "count" && argc == 4) {
    const std::string names = quillet::ReadIniKeyNames(file, argv[3]);
    long count = 0;
    for (const char c : names) count += c == '\0';
    std::printf("%ld\n", count);
    return 0;
  }
  return Usage();
}
