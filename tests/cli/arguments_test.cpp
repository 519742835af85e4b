#include "cli/arguments.h"

#include <gtest/gtest.h>

namespace quillet::cli {
namespace {

TEST(ArgumentsTest, GoodCommandLines) {
  struct Case {
    std::vector<std::string> arguments;
    Options expected;
  };
  const auto modify = [](std::string inf, auto&& adjust) {
    Options options;
    options.inf_path = std::move(inf);
    adjust(options);
    return options;
  };
  const auto same = [](Options&) {};
  const Case cases[] = {
      {{"a.inf"}, modify("a.inf", same)},
      {{"--mips", "m.exe", "--sh3", "s.exe", "--arm", "a.exe", "p.inf"},
       modify("p.inf",
              [](Options& o) {
                o.mips_launcher = "m.exe";
                o.sh3_launcher = "s.exe";
                o.arm_launcher = "a.exe";
              })},
      // Options after the INF, and the "=" form.
      {{"p.inf", "--arm=C:\\L\\a b.exe", "--yes"},
       modify("p.inf",
              [](Options& o) {
                o.arm_launcher = "C:\\L\\a b.exe";
                o.yes = true;
              })},
      // A value that looks like an option is the option's value.
      {{"--mips", "--yes", "p.inf"},
       modify("p.inf", [](Options& o) { o.mips_launcher = "--yes"; })},
      {{"--keep-on-failure", "--json", "p.inf"},
       modify("p.inf",
              [](Options& o) {
                o.restore_on_failure = false;
                o.json = true;
              })},
      {{"--restore-on-failure", "--dry-run", "p.inf"},
       modify("p.inf", [](Options& o) { o.dry_run = true; })},
      // "--" ends the options; a lone "-" is a name.
      {{"--", "--odd.inf"}, modify("--odd.inf", same)},
      {{"-"}, modify("-", same)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    const ParsedArguments parsed = ParseArguments(c.arguments);
    ASSERT_EQ(parsed.error, "");
    const Options& o = parsed.options;
    EXPECT_EQ(o.mode, Mode::kModify);
    EXPECT_EQ(o.inf_path, c.expected.inf_path);
    EXPECT_EQ(o.mips_launcher, c.expected.mips_launcher);
    EXPECT_EQ(o.sh3_launcher, c.expected.sh3_launcher);
    EXPECT_EQ(o.arm_launcher, c.expected.arm_launcher);
    EXPECT_EQ(o.yes, c.expected.yes);
    EXPECT_EQ(o.restore_on_failure, c.expected.restore_on_failure);
    EXPECT_EQ(o.dry_run, c.expected.dry_run);
    EXPECT_EQ(o.json, c.expected.json);
  }
}

TEST(ArgumentsTest, OtherModes) {
  struct Case {
    std::vector<std::string> arguments;
    Mode mode;
  };
  const Case cases[] = {
      {{"--help"}, Mode::kHelp},
      {{"-h"}, Mode::kHelp},
      {{"--version"}, Mode::kVersion},
      // Help and the version need nothing else to be right.
      {{"--mips", "--bogus", "--help"}, Mode::kHelp},
      {{"a.inf", "b.inf", "--version"}, Mode::kVersion},
      {{"--version", "--help"}, Mode::kHelp},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    const ParsedArguments parsed = ParseArguments(c.arguments);
    EXPECT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.mode, c.mode);
  }
  const ParsedArguments source = ParseArguments({"--launcher-source", "My App.vb", "-Stub.exe"});
  EXPECT_EQ(source.error, "");
  EXPECT_EQ(source.options.mode, Mode::kLauncherSource);
  EXPECT_EQ(source.options.app_file_name, "My App.vb");
  EXPECT_EQ(source.options.launcher_file_name, "-Stub.exe");
  // "--help" after "--" is a name.
  EXPECT_EQ(ParseArguments({"--", "--help"}).options.inf_path, "--help");
}

TEST(ArgumentsTest, UsageErrors) {
  struct Case {
    std::vector<std::string> arguments;
    std::string error;
  };
  const Case cases[] = {
      {{}, "no PACKAGE.INF given"},
      {{"--yes"}, "no PACKAGE.INF given"},
      {{"a.inf", "b.inf"}, "one PACKAGE.INF only; given: \"a.inf\", \"b.inf\""},
      {{"a.inf", "b.inf", "c.inf"}, "one PACKAGE.INF only; given: \"a.inf\", \"b.inf\", ..."},
      {{""}, "the PACKAGE.INF given is an empty name"},
      {{"--bogus", "a.inf"}, "unknown option --bogus"},
      {{"-x", "a.inf"}, "unknown option -x"},
      {{"--mips"}, "option --mips needs a launcher file: --mips FILE"},
      {{"--arm=", "a.inf"}, "option --arm is given an empty file name"},
      {{"--mips", "a", "--mips", "b", "p.inf"}, "option --mips is given twice"},
      {{"--yes", "--yes", "p.inf"}, "option --yes is given twice"},
      {{"--yes=1", "p.inf"}, "option --yes takes no value"},
      {{"--restore-on-failure", "--keep-on-failure", "p.inf"},
       "--restore-on-failure and --keep-on-failure cannot both be given"},
      {{"--dry-run", "--json", "p.inf"},
       "--dry-run and --json cannot both be given: a dry run prints a diff, not rows"},
      {{"--launcher-source", "a.vb"}, "--launcher-source needs two names: APP.vb LAUNCHER.exe"},
      {{"--launcher-source=a.vb", "b.exe"},
       "--launcher-source needs two names: APP.vb LAUNCHER.exe"},
      {{"--launcher-source", "a.vb", "b.exe", "p.inf"},
       "--launcher-source takes its two names and nothing else"},
      {{"--json", "--launcher-source", "a.vb", "b.exe"},
       "--launcher-source takes its two names and nothing else"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    EXPECT_EQ(ParseArguments(c.arguments).error, c.error);
  }
}

TEST(ArgumentsTest, HelpNamesEveryOption) {
  const std::string help = HelpText();
  for (const char* option : {"--mips FILE", "--sh3 FILE", "--arm FILE", "--yes",
                             "--restore-on-failure", "--keep-on-failure", "--dry-run", "--json",
                             "--launcher-source APP.vb LAUNCHER.exe", "--help", "--version"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
  // Fits an 80-column console.
  std::size_t start = 0;
  while (start < help.size()) {
    const std::size_t end = help.find('\n', start);
    ASSERT_NE(end, std::string::npos) << "the last line ends in a line end";
    EXPECT_LE(end - start, 79u) << help.substr(start, end - start);
    start = end + 1;
  }
}

}  // namespace
}  // namespace quillet::cli
