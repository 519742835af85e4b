// The snapshot of a package that a modification run takes before its first
// change, so that a run that fails, is stopped, or is cut short by the end of
// the program can be put back byte for byte.
//
// It lives in the hidden folder ".quillet-snapshot" in the package folder
// (beside the INF): on the same file system as the files it keeps, moved
// together with the package, found again by the next run on that package, and
// never inside CD1, which is what gets shipped. Inside it:
//   snapshot.txt  what the run may change: each file with a copy, each file the
//                 run may create; written last, so a folder without it holds
//                 no finished snapshot (the run had not changed anything yet)
//   files/        the copies, in the package's own layout (files/APP/..., ...)
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"
#include "util/tool_state.h"

namespace quillet {

inline constexpr const char* kSnapshotFolderName = ".quillet-snapshot";
inline constexpr const char* kSnapshotManifestName = "snapshot.txt";
inline constexpr const char* kSnapshotFilesFolderName = "files";

// The snapshot folder of the package folder `package_directory` (which ends in
// the platform's separator), without a trailing separator.
std::string SnapshotFolder(const std::string& package_directory);

// Where the copies lie: SnapshotFolder + separator + "files".
std::string SnapshotFilesFolder(const std::string& package_directory);

struct Snapshot {
  // Why the snapshot is there: taken by a run that has not ended yet (or was
  // cut short), or kept by the user after a run with failed actions.
  enum class State { kRunning, kKept };

  std::string package_directory;  // ends in the separator
  std::string inf_name;           // the INF's file name, for the user's information
  State state = State::kRunning;
  // Paths relative to the package folder, with the platform's separator.
  std::vector<std::string> copied;   // existed before the run: a copy is kept
  std::vector<std::string> created;  // did not exist: the run may create them
};

// The files a run on this package may change, replace, delete or create,
// relative to the package folder: the INF, the launcher in APP, and for each
// present processor its CAB in the package folder and in CD1 and the launcher
// in its processor folder. No duplicates, in that order.
std::vector<std::string> FilesTheRunMayTouch(const ToolState& state, const std::string& inf_path);

// Takes the snapshot of those files: removes any unfinished or discarded
// snapshot folder first, copies every existing one (durably, as every file
// write of the platform layer), then writes the manifest. On failure removes
// what it made and says what failed; the package itself is never touched.
platform::IoResult TakeSnapshot(const ToolState& state, const std::string& inf_path,
                                Snapshot& snapshot);

// What lies in the package's snapshot folder.
enum class SnapshotFound {
  kNone,        // no snapshot (an unfinished one, without manifest, is removed)
  kFound,       // a finished snapshot, read into `snapshot`
  kUnreadable,  // a snapshot whose manifest cannot be read or trusted: `error` says why
};

// Looks for a snapshot left in the package folder by an earlier run.
SnapshotFound FindSnapshot(const std::string& package_directory, Snapshot& snapshot,
                           std::string& error);

// What putting a snapshot back did.
struct RestoreResult {
  int put_back = 0;                   // files whose earlier contents were written back
  int removed = 0;                    // files the run had created, removed
  std::vector<std::string> failures;  // "Could not put back X: reason", ...
  bool ok() const { return failures.empty(); }
};

// Puts every copied file back byte for byte (a file that already holds its
// earlier bytes is left alone) and removes every file the run created. Goes on
// past a failure. The snapshot itself stays.
RestoreResult RestoreSnapshot(const Snapshot& snapshot);

// Removes the snapshot folder: the manifest first, flushed, so that a power cut
// halfway never leaves a snapshot that looks finished, then the rest.
platform::IoResult RemoveSnapshot(const std::string& package_directory);

// Records that the user keeps the snapshot (state kKept).
platform::IoResult MarkSnapshotKept(Snapshot& snapshot);

// The manifest's text, and back; false when the text is not a manifest this
// program wrote or names a path outside the package folder.
std::string ManifestText(const Snapshot& snapshot);
bool ParseManifest(const std::string& text, Snapshot& snapshot);

}  // namespace quillet
