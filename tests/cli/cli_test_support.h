// Shared helpers of the quillet-modify tests: fresh folders with copies of the
// sample package, files in and out as bytes, whole folder trees compared, and
// the package's rebuild command replaced by stand-ins.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "run_program.h"

namespace quillet::cli::testing {

namespace fs = std::filesystem;

inline constexpr char kSep = platform::kPathSeparator;
inline constexpr const char* kMips = "Mips 4000 (4K) v3.00";
inline constexpr const char* kArm = "Arm 1100 (4K) v3.00";

// Paths are UTF-8 inside the program; std::filesystem wants char8_t for that.
inline fs::path PathOf(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8Of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(PathOf(path), std::ios::binary);
  out << bytes;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(PathOf(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every file below a folder (relative path with "/" → bytes), and every folder
// (relative path → "<folder>"), so that two trees compare in one expression.
inline std::map<std::string, std::string> Tree(const std::string& folder) {
  std::map<std::string, std::string> tree;
  const fs::path root = PathOf(folder);
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::u8string relative = entry.path().lexically_relative(root).generic_u8string();
    tree[std::string(relative.begin(), relative.end())] =
        entry.is_directory() ? "<folder>" : ReadBytes(Utf8Of(entry.path()));
  }
  return tree;
}

// The lines of a text, without their line ends (CR LF or LF).
inline std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// A fresh folder per test whose name holds spaces and a letter outside ASCII
// (one the Windows ANSI code page has, since the rebuild command crosses it),
// with a copy of the sample package and of its two launchers.
class CliTest : public ::testing::Test {
 public:
  void SetUp() override {
    std::random_device random;
    root_ = fs::temp_directory_path() /
            PathOf("quillet cli \xC3\xA9 " + std::to_string(random()) + std::to_string(random()));
    fs::create_directories(root_);
    const fs::path examples = PathOf(QUILLET_EXAMPLES_DIR);
    fs::copy(examples / "sample_package", root_ / "pkg", fs::copy_options::recursive);
    fs::copy(examples / "launchers", root_ / "launchers", fs::copy_options::recursive);
    package_ = Dir() + "pkg" + kSep;
    inf_ = package_ + "Project1.inf";
    mips_launcher_ = Dir() + "launchers" + kSep + "Mips" + kSep + "StubLauncher.exe";
    arm_launcher_ = Dir() + "launchers" + kSep + "Arm" + kSep + "StubLauncher.exe";
  }

  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  std::string Dir() const { return Utf8Of(root_) + kSep; }

  // Both launchers of the sample, then the INF, then `more`.
  std::vector<std::string> Arguments(std::vector<std::string> more = {}) const {
    std::vector<std::string> arguments = {"--mips", mips_launcher_, "--arm", arm_launcher_};
    arguments.insert(arguments.end(), more.begin(), more.end());
    arguments.push_back(inf_);
    return arguments;
  }

  ProgramResult Modify(const std::vector<std::string>& arguments,
                       const ProgramOptions& options = {}) const {
    return RunProgram(QuilletModifyPath(), arguments, options);
  }

  // Puts `command` into the package's readme.txt as its rebuild command.
  // readme.txt is ANSI text, as the eVB wizard writes it.
  void SetRebuildCommand(const std::string& package, const std::string& command) const {
    WriteBytes(package + "readme.txt",
               "To rebuild the cab files run the following command\r\n" +
                   platform::Utf8ToAnsi(command) +
                   "\r\nThen copy the CAB files created to the CD1 directory.\r\n");
  }

  // Where the stand-in CAB builder writes the arguments it received.
  std::string StandInArgumentsFile() const {
    return Dir() + "CAB Wizard (x86)" + kSep + "args.txt";
  }

  // A rebuild command that makes both cabinets as small text files, without a
  // CAB builder, in the package folder `package` (ending in the separator). On
  // Windows it has the CAB Wizard's own form: a quoted path with spaces to the
  // program (a .bat here), then the quoted INF and the quoted processor names.
  void UseStandInCabBuilder(const std::string& package) const {
#ifdef _WIN32
    const std::string tools = Dir() + "CAB Wizard (x86)";
    fs::create_directories(PathOf(tools));
    WriteBytes(tools + "\\cabwiz.bat",
               "@echo off\r\n"
               "rem Stand-in for the CAB Wizard: one cabinet per processor named after /cpu.\r\n"
               "echo %*> \"%~dp0args.txt\"\r\n"
               "echo stand-in cabinet> \"%~dpn1.%~3.CAB\"\r\n"
               "echo stand-in cabinet> \"%~dpn1.%~4.CAB\"\r\n"
               "echo cabwiz: %~nx1 for %3 and %4\r\n");
    SetRebuildCommand(package, "\"" + tools + "\\cabwiz.bat\" \"" + package +
                                   "Project1.inf\" /cpu \"" + kMips + "\" \"" + kArm + "\"");
#else
    SetRebuildCommand(package, std::string("echo stand-in cabinet > 'Project1.") + kMips +
                                   ".CAB' && echo stand-in cabinet > 'Project1." + kArm +
                                   ".CAB' && echo cabwiz: Project1.inf for the two processors");
#endif
  }
  void UseStandInCabBuilder() const { UseStandInCabBuilder(package_); }

  // A rebuild command that writes a line to its standard error and fails.
  void UseFailingCommand() const {
#ifdef _WIN32
    SetRebuildCommand(package_, "echo the CAB builder failed 1>&2 & exit 3");
#else
    SetRebuildCommand(package_, "echo the CAB builder failed >&2; exit 3");
#endif
  }

  void ReplaceInInf(const std::string& from, const std::string& to) const {
    std::string bytes = ReadBytes(inf_);
    const auto at = bytes.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    bytes.replace(at, from.size(), to);
    WriteBytes(inf_, bytes);
  }

  fs::path root_;
  std::string package_;
  std::string inf_;
  std::string mips_launcher_;
  std::string arm_launcher_;
};

}  // namespace quillet::cli::testing
