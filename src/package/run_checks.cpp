#include "package/run_checks.h"

#include "package/cab_command.h"
#include "package/file_actions.h"
#include "platform/platform.h"
#include "util/path_helpers.h"

namespace quillet {
namespace {

constexpr char kSeparator = platform::kPathSeparator;
constexpr const char* kNothingChanged = " Nothing was changed.";

const char* FamilyName(LauncherFamily family) {
  switch (family) {
    case LauncherFamily::kMips:
      return "MIPS";
    case LauncherFamily::kSh3:
      return "SH3";
    case LauncherFamily::kArm:
      break;
  }
  return "ARM";
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string NoProcessorText(const ToolState& state, const std::string& inf_path) {
  std::string names;
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    if (!names.empty()) names += slot == kLastSlot ? " or " : ", ";
    names += Quoted(state.ProcessorNames[slot]);
  }
  return "The INF file " + inf_path + " targets none of the four processors that Quillet knows (" +
         names + "): none of its \"SourceDisksFiles.\" sections for them lists a file." +
         kNothingChanged;
}

// The readme check: readable, and a command between the markers.
std::string ReadmeProblem(const std::string& package_dir) {
  const std::string readme = package_dir + kReadmeFileName;
  std::string error;
  const std::string text = ReadTextFile(readme, &error);
  if (!error.empty()) return ReadmeCannotBeReadText(readme, error);
  const CabCommand command = ExtractCabCommandFromText(text, readme);
  if (!command.found || command.command.empty()) return ReadmeHoldsNoCommandText(readme);
  return {};
}

// An existing file that the run replaces or deletes must be changeable; a
// missing one is the run's own business (it creates it, or logs the failure).
std::string ExistingFileProblem(const std::string& path, const std::string& what_the_run_does) {
  if (!platform::PathExists(path)) return {};
  const platform::IoResult can = platform::CheckCanRewrite(path);
  return can.ok ? std::string() : FileCannotBeChangedText(path, what_the_run_does, can.error);
}

}  // namespace

std::string ReasonInSentence(const std::string& reason) {
  std::string text = reason;
  while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
  return text;
}

std::string InfCannotBeReadText(const std::string& inf_path, const std::string& reason) {
  return "Could not read the INF file " + inf_path + ": " + ReasonInSentence(reason) + "." +
         kNothingChanged;
}

std::string InfCannotBeChangedText(const std::string& inf_path, const std::string& reason) {
  return "The INF file " + inf_path + " cannot be changed: " + ReasonInSentence(reason) +
         ". Make it writable (not read-only, with permission to write it and its folder) and "
         "close any program that has it open, then try again." +
         kNothingChanged;
}

std::string ReadmeCannotBeReadText(const std::string& readme_path, const std::string& reason) {
  return "Could not read " + readme_path + ": " + ReasonInSentence(reason) +
         ". The run rebuilds the CAB files with the command that the package's readme.txt "
         "holds; put that file back beside the INF file, then try again." +
         kNothingChanged;
}

std::string ReadmeHoldsNoCommandText(const std::string& readme_path) {
  return readme_path +
         " holds no command for rebuilding the CAB files. The command must stand after the line " +
         Quoted(kCabCommandStartMarker) + " and before the line " + Quoted(kCabCommandEndMarker) +
         " Put it there (the eVB Application Install Wizard writes it), then try again." +
         kNothingChanged;
}

std::string LauncherCannotBeReadText(const std::string& family, const std::string& launcher_path,
                                     const std::string& processor, const std::string& reason) {
  return "The " + family + " launcher " + launcher_path + ", chosen for the processor " +
         Quoted(processor) + ", cannot be read: " + ReasonInSentence(reason) +
         ". Choose a launcher file that exists, then try again." + kNothingChanged;
}

std::string DiskFolderCannotBeWrittenText(const std::string& folder, const std::string& reason) {
  return "The folder " + folder + ", into which the run moves the rebuilt CAB files, cannot be " +
         "written: " + ReasonInSentence(reason) +
         ". Create the folder or make it writable, then try again." + kNothingChanged;
}

std::string ProcessorFolderCannotBeWrittenText(const std::string& folder,
                                               const std::string& processor,
                                               const std::string& reason) {
  return "The folder " + folder + ", into which the run copies the launcher for the processor " +
         Quoted(processor) + ", cannot be written: " + ReasonInSentence(reason) +
         ". Create the folder or make it writable, then try again." + kNothingChanged;
}

std::string FileCannotBeChangedText(const std::string& path, const std::string& what_the_run_does,
                                    const std::string& reason) {
  return "The file " + path + ", which the run " + what_the_run_does +
         ", cannot be changed: " + ReasonInSentence(reason) +
         ". Make it writable and close any program that has it open, then try again." +
         kNothingChanged;
}

std::string WhyRunCannotStart(const ToolState& state, const std::string& inf_path) {
  // The profile writes would create a missing INF from nothing.
  std::string bytes;
  if (const platform::IoResult read = platform::ReadWholeFile(inf_path, bytes); !read.ok) {
    return InfCannotBeReadText(inf_path, read.error);
  }
  bool any_present = false;
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    if (!state.ProcessorPresent[slot]) continue;
    any_present = true;
    if (state.LauncherPathForSlot(slot).empty()) {
      return std::string("No ") + FamilyName(FamilyOfSlot(slot)) +
             " launcher has been chosen for the processor \"" + state.ProcessorNames[slot] +
             "\" that the INF file targets." + kNothingChanged;
    }
  }
  if (!any_present) return NoProcessorText(state, inf_path);

  if (const platform::IoResult can = platform::CheckCanRewrite(inf_path); !can.ok) {
    return InfCannotBeChangedText(inf_path, can.error);
  }
  const std::string package_dir = GetDirectory(inf_path);
  if (std::string problem = ReadmeProblem(package_dir); !problem.empty()) return problem;

  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    if (!state.ProcessorPresent[slot]) continue;
    const std::string& launcher = state.LauncherPathForSlot(slot);
    std::string launcher_bytes;
    if (const platform::IoResult read = platform::ReadWholeFile(launcher, launcher_bytes);
        !read.ok) {
      return LauncherCannotBeReadText(FamilyName(FamilyOfSlot(slot)), launcher,
                                      state.ProcessorNames[slot], read.error);
    }
  }

  const std::string disk_dir = package_dir + kDiskFolderName;
  if (const platform::IoResult can = platform::CheckCanCreateIn(disk_dir); !can.ok) {
    return DiskFolderCannotBeWrittenText(disk_dir + kSeparator, can.error);
  }
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    if (!state.ProcessorPresent[slot]) continue;
    const std::string processor_dir = package_dir + state.ProcessorNames[slot];
    if (const platform::IoResult can = platform::CheckCanCreateIn(processor_dir); !can.ok) {
      return ProcessorFolderCannotBeWrittenText(processor_dir + kSeparator,
                                                state.ProcessorNames[slot], can.error);
    }
  }

  const std::string wrapper = GetWrapperFileName(state);
  const std::string inf_base_name = GetBaseName(inf_path);
  std::string problem =
      ExistingFileProblem(package_dir + kAppFolderName + kSeparator + wrapper, "deletes");
  for (int slot = kFirstSlot; slot <= kLastSlot && problem.empty(); ++slot) {
    if (!state.ProcessorPresent[slot]) continue;
    const std::string& processor = state.ProcessorNames[slot];
    const std::string cab = inf_base_name + "." + processor + ".CAB";
    problem = ExistingFileProblem(package_dir + cab, "moves into CD1");
    if (problem.empty()) problem = ExistingFileProblem(disk_dir + kSeparator + cab, "replaces");
    if (problem.empty()) {
      problem = ExistingFileProblem(package_dir + processor + kSeparator + wrapper, "replaces");
    }
  }
  return problem;
}

}  // namespace quillet
