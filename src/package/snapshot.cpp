#include "package/snapshot.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "package/file_actions.h"
#include "util/path_helpers.h"

namespace quillet {
namespace {

constexpr char kSeparator = platform::kPathSeparator;
constexpr const char* kManifestHeader = "Quillet snapshot 1";
// Deeper than anything a snapshot holds; a bound against link loops.
constexpr int kMaxFolderDepth = 16;

std::string ManifestPath(const std::string& package_directory) {
  return SnapshotFolder(package_directory) + kSeparator + kSnapshotManifestName;
}

// The parts of a relative path between separators.
std::vector<std::string> PartsOf(const std::string& relative) {
  std::vector<std::string> parts;
  std::string part;
  for (const char c : relative) {
#ifdef _WIN32
    const bool separator = c == '\\' || c == '/';
#else
    const bool separator = c == kSeparator;
#endif
    if (separator) {
      parts.push_back(part);
      part.clear();
    } else {
      part.push_back(c);
    }
  }
  parts.push_back(part);
  return parts;
}

// A path that stays inside the package folder: relative, no empty, "." or ".."
// part (and on Windows no drive or stream colon). The manifest is ours, but a
// damaged one must never make a restore write elsewhere.
bool IsSafeRelativePath(const std::string& relative) {
  if (relative.empty()) return false;
#ifdef _WIN32
  if (relative.find(':') != std::string::npos) return false;
#endif
  for (const std::string& part : PartsOf(relative)) {
    if (part.empty() || part == "." || part == "..") return false;
  }
  return true;
}

// Manifest lines hold one path each: control characters and "%" are written as
// %XX, so that any file name the file system allows fits on one line.
std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '%') {
      char code[4];
      std::snprintf(code, sizeof code, "%%%02X", byte);
      out += code;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Unescape(std::string_view text, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out.push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return false;
    const int high = HexValue(text[i + 1]);
    const int low = HexValue(text[i + 2]);
    if (high < 0 || low < 0) return false;
    out.push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  return true;
}

// Removes a folder with everything in it; links inside are removed, never followed.
platform::IoResult RemoveTree(const std::string& folder, int depth = 0) {
  if (depth > kMaxFolderDepth) return {false, "Too many nested folders in " + folder};
  std::vector<platform::FolderEntry> entries;
  if (platform::IoResult listed = platform::ListFolder(folder, entries); !listed.ok) return listed;
  for (const platform::FolderEntry& entry : entries) {
    const std::string path = folder + kSeparator + entry.name;
    const platform::IoResult removed =
        entry.is_folder ? RemoveTree(path, depth + 1) : platform::RemoveFile(path);
    if (!removed.ok) return {false, "Could not remove " + path + ": " + removed.error};
  }
  return platform::RemoveEmptyFolder(folder);
}

void AddOnce(std::vector<std::string>& paths, const std::string& path) {
  if (std::find(paths.begin(), paths.end(), path) == paths.end()) paths.push_back(path);
}

// Folders made for a snapshot, and the folders whose entries changed with
// them: each of those is flushed once, before the snapshot counts.
struct MadeFolders {
  std::vector<std::string> to_flush;  // parents, in the order they were first changed

  // Makes `folder`, whose name lives in `parent`, unless it is there already.
  platform::IoResult Make(const std::string& folder, const std::string& parent,
                          bool hidden = false) {
    if (platform::FolderExists(folder)) return {};
    if (platform::IoResult made = platform::CreateFolder(folder, hidden); !made.ok) {
      return {false, "Could not create the folder " + folder + ": " + made.error};
    }
    AddOnce(to_flush, parent);
    return {};
  }

  // Deepest first, so that every flushed name points at a flushed folder.
  platform::IoResult Flush() const {
    for (auto it = to_flush.rbegin(); it != to_flush.rend(); ++it) {
      if (platform::IoResult flushed = platform::FlushFolder(*it); !flushed.ok) {
        return {false, "Could not flush the folder " + *it + ": " + flushed.error};
      }
    }
    return {};
  }
};

// Creates the folders of `relative` (all but its last part) below `base`.
platform::IoResult CreateParents(MadeFolders& made, const std::string& base,
                                 const std::string& relative) {
  const std::vector<std::string> parts = PartsOf(relative);
  std::string folder = base;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    const std::string parent = folder;
    folder += kSeparator + parts[i];
    if (platform::IoResult result = made.Make(folder, parent); !result.ok) return result;
  }
  return {};
}

}  // namespace

std::string SnapshotFolder(const std::string& package_directory) {
  return package_directory + kSnapshotFolderName;
}

std::string SnapshotFilesFolder(const std::string& package_directory) {
  return SnapshotFolder(package_directory) + kSeparator + kSnapshotFilesFolderName;
}

std::vector<std::string> FilesTheRunMayTouch(const ToolState& state, const std::string& inf_path) {
  const std::string package_dir = GetDirectory(inf_path);
  const std::string inf_base_name = GetBaseName(inf_path);
  const std::string wrapper = GetWrapperFileName(state);
  std::vector<std::string> paths;
  AddOnce(paths, inf_path.substr(package_dir.size()));
  AddOnce(paths, std::string(kAppFolderName) + kSeparator + wrapper);
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    if (!state.ProcessorPresent[slot]) continue;
    const std::string& processor = state.ProcessorNames[slot];
    const std::string cab = inf_base_name + "." + processor + ".CAB";
    AddOnce(paths, cab);
    AddOnce(paths, std::string(kDiskFolderName) + kSeparator + cab);
    AddOnce(paths, processor + kSeparator + wrapper);
  }
  return paths;
}

std::string ManifestText(const Snapshot& snapshot) {
  std::string text = std::string(kManifestHeader) + "\n";
  text += snapshot.state == Snapshot::State::kKept ? "state kept\n" : "state running\n";
  text += "inf " + Escaped(snapshot.inf_name) + "\n";
  for (const std::string& path : snapshot.copied) text += "copy " + Escaped(path) + "\n";
  for (const std::string& path : snapshot.created) text += "new " + Escaped(path) + "\n";
  return text;
}

bool ParseManifest(const std::string& text, Snapshot& snapshot) {
  snapshot.copied.clear();
  snapshot.created.clear();
  snapshot.inf_name.clear();
  bool header = false;
  bool has_state = false;
  std::size_t at = 0;
  while (at < text.size()) {
    auto end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!header) {
      if (line != kManifestHeader) return false;
      header = true;
      continue;
    }
    if (line.empty()) continue;
    const auto space = line.find(' ');
    if (space == std::string_view::npos) return false;
    const std::string_view word = line.substr(0, space);
    std::string value;
    if (!Unescape(line.substr(space + 1), value)) return false;
    if (word == "state") {
      if (value == "running") {
        snapshot.state = Snapshot::State::kRunning;
      } else if (value == "kept") {
        snapshot.state = Snapshot::State::kKept;
      } else {
        return false;
      }
      has_state = true;
    } else if (word == "inf") {
      snapshot.inf_name = value;
    } else if (word == "copy" || word == "new") {
      if (!IsSafeRelativePath(value)) return false;
      (word == "copy" ? snapshot.copied : snapshot.created).push_back(value);
    } else {
      return false;
    }
  }
  return header && has_state;
}

platform::IoResult TakeSnapshot(const ToolState& state, const std::string& inf_path,
                                Snapshot& snapshot) {
  const std::string package_dir = GetDirectory(inf_path);
  snapshot = Snapshot{};
  snapshot.package_directory = package_dir;
  snapshot.inf_name = inf_path.substr(package_dir.size());
  const std::string folder = SnapshotFolder(package_dir);
  const std::string files = SnapshotFilesFolder(package_dir);

  if (platform::FolderExists(folder)) {
    // An unfinished snapshot, or one the user chose not to put back.
    if (platform::IoResult removed = RemoveSnapshot(package_dir); !removed.ok) {
      return {false, "Could not remove the earlier snapshot " + folder + ": " + removed.error};
    }
  }
  MadeFolders made;
  const std::string package_folder =
      package_dir.empty() ? std::string(".") : StripTrailingBackslash(package_dir);
  if (platform::IoResult result = made.Make(folder, package_folder, true); !result.ok) {
    return result;
  }
  auto fail = [&](const std::string& error) -> platform::IoResult {
    RemoveTree(folder);
    return {false, error};
  };
  if (platform::IoResult result = made.Make(files, folder); !result.ok) {
    return fail(result.error);
  }
  for (const std::string& relative : FilesTheRunMayTouch(state, inf_path)) {
    if (!IsSafeRelativePath(relative)) return fail("Not a file name in the package: " + relative);
    const std::string original = package_dir + relative;
    if (!platform::PathExists(original)) {
      snapshot.created.push_back(relative);
      continue;
    }
    if (platform::IoResult result = CreateParents(made, files, relative); !result.ok) {
      return fail(result.error);
    }
    const std::string copy = files + kSeparator + relative;
    if (platform::IoResult copied = platform::CopyFileReplacing(original, copy); !copied.ok) {
      return fail("Could not copy " + original + " to " + copy + ": " + copied.error);
    }
    snapshot.copied.push_back(relative);
  }
  if (platform::IoResult flushed = made.Flush(); !flushed.ok) return fail(flushed.error);
  // Written last: from here on the snapshot counts, and the run may change things.
  const std::string manifest = ManifestPath(package_dir);
  if (platform::IoResult written = platform::ReplaceFileContents(manifest, ManifestText(snapshot));
      !written.ok) {
    return fail("Could not write " + manifest + ": " + written.error);
  }
  return {};
}

SnapshotFound FindSnapshot(const std::string& package_directory, Snapshot& snapshot,
                           std::string& error) {
  error.clear();
  const std::string folder = SnapshotFolder(package_directory);
  if (!platform::FolderExists(folder)) return SnapshotFound::kNone;
  const std::string manifest = ManifestPath(package_directory);
  if (!platform::PathExists(manifest)) {
    // Cut short while it was being taken, before the run changed anything:
    // nothing in it is needed. What cannot be removed now, the next snapshot
    // will try again.
    RemoveTree(folder);
    return SnapshotFound::kNone;
  }
  std::string text;
  if (platform::IoResult read = platform::ReadWholeFile(manifest, text); !read.ok) {
    error = "Could not read " + manifest + ": " + read.error;
    return SnapshotFound::kUnreadable;
  }
  snapshot = Snapshot{};
  if (!ParseManifest(text, snapshot)) {
    error = manifest + " is not a list of files that this version of Quillet wrote";
    return SnapshotFound::kUnreadable;
  }
  snapshot.package_directory = package_directory;
  return SnapshotFound::kFound;
}

RestoreResult RestoreSnapshot(const Snapshot& snapshot) {
  RestoreResult result;
  const std::string& package_dir = snapshot.package_directory;
  const std::string files = SnapshotFilesFolder(package_dir);
  for (const std::string& relative : snapshot.copied) {
    const std::string original = package_dir + relative;
    const std::string copy = files + kSeparator + relative;
    std::string earlier;
    if (platform::IoResult read = platform::ReadWholeFile(copy, earlier); !read.ok) {
      result.failures.push_back("Could not read the copy " + copy + ": " + read.error);
      continue;
    }
    // A file the run did not change is left alone, dates and all.
    std::string now;
    if (platform::ReadWholeFile(original, now).ok && now == earlier) continue;
    if (platform::IoResult put = platform::CopyFileReplacing(copy, original); !put.ok) {
      result.failures.push_back("Could not put back " + original + ": " + put.error);
      continue;
    }
    ++result.put_back;
  }
  for (const std::string& relative : snapshot.created) {
    const std::string path = package_dir + relative;
    if (!platform::PathExists(path)) continue;
    if (platform::IoResult removed = platform::DeleteRegularFile(path); !removed.ok) {
      result.failures.push_back("Could not remove " + path + ": " + removed.error);
      continue;
    }
    ++result.removed;
  }
  return result;
}

platform::IoResult RemoveSnapshot(const std::string& package_directory) {
  const std::string folder = SnapshotFolder(package_directory);
  if (!platform::PathExists(folder)) return {};
  const std::string manifest = ManifestPath(package_directory);
  if (platform::PathExists(manifest)) {
    if (platform::IoResult removed = platform::RemoveFile(manifest); !removed.ok) return removed;
    if (platform::IoResult flushed = platform::FlushFolder(folder); !flushed.ok) return flushed;
  }
  return RemoveTree(folder);
}

platform::IoResult MarkSnapshotKept(Snapshot& snapshot) {
  snapshot.state = Snapshot::State::kKept;
  return platform::ReplaceFileContents(ManifestPath(snapshot.package_directory),
                                       ManifestText(snapshot));
}

}  // namespace quillet
