// One whole "Make Modifications" run on the sample package and on a package
// whose INF lists 10,000 files, with a rebuild command that only writes the two
// CAB files, so that every row is green and the run ends by removing its
// snapshot, as a good run does. What is measured is the run's own work: the
// time spent in the command is taken out (the "real command" cases run it
// through the shell and subtract the wait; the "no process" cases write the
// CABs in-process, untimed). The reported time is wall-clock; own_cpu_ms is the
// CPU time the run itself used, which a busy machine does not inflate.
//
// Interleaved with each run, on a second fresh copy, the snapshot alone is
// taken and removed (snapshot_median_ms, and its share of the run). Flushes:
// the snapshot makes folder_flushes folder flushes of its own (BM_FolderFlush
// gives the cost of one); the file writes' own flushes belong to the platform
// layer's copy and replace, and durable_writes says how many the snapshot adds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "package/modification_run.h"
#include "package/package_inspection.h"
#include "package/snapshot.h"
#include "platform/platform.h"
#include "util/tool_state.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// CPU time of this process (the command's own process is not counted), so
// that a busy machine slows the wall-clock figure but not this one.
double ProcessCpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

constexpr const char* kCabs[] = {"Project1.Mips 4000 (4K) v3.00.CAB",
                                 "Project1.Arm 1100 (4K) v3.00.CAB"};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Inserts `lines` right after the line `after` of the INF text.
void InsertAfter(std::string& inf, const std::string& after, const std::string& lines) {
  const auto at = inf.find(after);
  if (at == std::string::npos) std::abort();
  inf.insert(at + after.size(), lines);
}

// A package folder to copy before each run: the sample, its readme's command
// replaced by one that does nothing, CAB files as if the command had built
// them, and for the large one 10,000 more files listed in the INF.
fs::path MakeTemplate(const fs::path& root, bool large) {
  const fs::path examples = QUILLET_EXAMPLES_DIR;
  const fs::path package = root / (large ? "large" : "sample");
  fs::copy(examples / "sample_package", package, fs::copy_options::recursive);
  std::string command;
  for (const char* cab : kCabs) {
    command += std::string(command.empty() ? "" : " && ") + "printf cab > '" + cab + "'";
  }
  WriteAll(package / "readme.txt",
           "To rebuild the cab files run the following command\r\n" + command +
               "\r\nThen copy the CAB files created to the CD1 directory.\r\n");
  for (const char* cab : kCabs) WriteAll(package / cab, std::string(20000, 'c'));
  if (large) {
    std::string inf = ReadAll(package / "Project1.inf");
    std::string disks_files;
    std::string copy_files;
    for (int i = 0; i < 10000; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "data%05d.dat", i);
      disks_files += std::string(name) + "=1\r\n";
      copy_files += std::string(name) + ",,,0\r\n";
    }
    InsertAfter(inf, "Project1.vb=1\r\n", disks_files);
    InsertAfter(inf, "Project1.vb,,,0\r\n", copy_files);
    WriteAll(package / "Project1.inf", inf);
  }
  return package;
}

// Where the packages lie: the temporary folder (a disk, where flushes cost
// what they cost) or, for the "tmpfs" cases, /dev/shm, where a flush costs
// nothing, so that those cases show the run's own work without its flushes.
fs::path BenchFolder(bool tmpfs) {
  return tmpfs ? fs::path("/dev/shm") : fs::temp_directory_path();
}

void BM_ModificationRun(benchmark::State& bench, bool large, bool real_command, bool tmpfs) {
  if (tmpfs && !fs::is_directory(BenchFolder(true))) {
    bench.SkipWithError("no /dev/shm here");
    return;
  }
  std::random_device random;
  const fs::path root = BenchFolder(tmpfs) / ("quillet-bench-" + std::to_string(random()));
  fs::create_directories(root);
  const fs::path template_dir = MakeTemplate(root, large);
  const fs::path examples = QUILLET_EXAMPLES_DIR;
  fs::copy(examples / "launchers", root / "launchers", fs::copy_options::recursive);
  const fs::path work = root / "work";
  const std::string inf = (work / "Project1.inf").string();

  quillet::ToolState state;
  quillet::InitProcessorNames(state);
  state.ShortcutSectionName = "QuilletShortcut";
  state.MipsLauncherPath = (root / "launchers" / "Mips" / "StubLauncher.exe").string();
  state.ArmLauncherPath = (root / "launchers" / "Arm" / "StubLauncher.exe").string();
  quillet::DetectProcessors(state, (template_dir / "Project1.inf").string());

  Clock::duration waited{};
  quillet::ModificationHooks hooks;
  hooks.ask_yes_no_warning = [](const std::string&, const std::string&) { return true; };
  hooks.show_message = [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); };
  hooks.run_command = [&](const std::string& command, const std::string& folder,
                          const quillet::platform::CommandCallbacks& callbacks) {
    const auto start = Clock::now();
    quillet::platform::CommandResult result = quillet::platform::CommandEnded(0);
    if (real_command) {
      result = quillet::platform::RunCommand(command, folder, callbacks);
    } else {
      for (const char* cab : kCabs) WriteAll(fs::path(folder) / cab, "cab");
    }
    waited += Clock::now() - start;
    return result;
  };

  const fs::path snapshot_work = root / "snapshot-work";
  const std::string snapshot_inf = (snapshot_work / "Project1.inf").string();
  std::size_t rows = 0;
  bool snapshot_left = false;
  std::size_t durable_writes = 0;
  double cpu_seconds = 0;
  std::vector<double> own_times;
  std::vector<double> snapshot_times;
  for (auto _ : bench) {
    fs::remove_all(work);
    fs::copy(template_dir, work, fs::copy_options::recursive);
    quillet::StatusLog log;
    waited = {};
    const auto start = Clock::now();
    const double cpu_start = ProcessCpuSeconds();
    quillet::RunModification(state, inf, log, hooks);
    cpu_seconds += ProcessCpuSeconds() - cpu_start;
    const auto own = (Clock::now() - start) - waited;
    own_times.push_back(std::chrono::duration<double>(own).count());
    bench.SetIterationTime(own_times.back());
    rows = log.Rows().size();
    snapshot_left = snapshot_left || fs::exists(work / quillet::kSnapshotFolderName);

    // The snapshot alone, taken and removed, on a fresh copy: the same work the
    // run did for it, side by side with the run.
    fs::remove_all(snapshot_work);
    fs::copy(template_dir, snapshot_work, fs::copy_options::recursive);
    quillet::Snapshot snapshot;
    const auto snapshot_start = Clock::now();
    const bool taken = quillet::TakeSnapshot(state, snapshot_inf, snapshot).ok;
    const bool removed = quillet::RemoveSnapshot((snapshot_work / "").string()).ok;
    snapshot_times.push_back(std::chrono::duration<double>(Clock::now() - snapshot_start).count());
    if (!taken || !removed) bench.SkipWithError("the snapshot failed");
    durable_writes = snapshot.copied.size() + 1;  // the copies and the list of files
  }
  bench.counters["rows"] = static_cast<double>(rows);
  bench.counters["snapshot_left"] = snapshot_left ? 1 : 0;
  // The median run: on a shared machine a few runs that wait for the CPU pull
  // the mean up; the median shows what a run usually takes.
  const auto median = [](std::vector<double>& times) {
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
  };
  const double own_median = median(own_times);
  const double snapshot_median = median(snapshot_times);
  bench.counters["own_median_ms"] = own_median * 1000;
  bench.counters["snapshot_median_ms"] = snapshot_median * 1000;
  bench.counters["snapshot_share"] = snapshot_median / own_median;
  bench.counters["durable_writes"] = static_cast<double>(durable_writes);
  // Creating the snapshot folder, "files" and "files/APP" changes three
  // folders, each flushed once; removing the snapshot flushes it once more.
  bench.counters["folder_flushes"] = 4;
  bench.counters["own_cpu_ms"] =
      benchmark::Counter(cpu_seconds * 1000, benchmark::Counter::kAvgIterations);
  fs::remove_all(root);
}

// What one folder flush costs here: a name added to a folder, then the folder
// flushed (fsync), as creating a snapshot folder does for its parent.
void BM_FolderFlush(benchmark::State& bench) {
  std::random_device random;
  const fs::path root = fs::temp_directory_path() / ("quillet-flush-" + std::to_string(random()));
  fs::create_directories(root);
  int n = 0;
  for (auto _ : bench) {
    const fs::path entry = root / std::to_string(n++);
    bench.PauseTiming();
    fs::create_directory(entry);
    bench.ResumeTiming();
    if (!quillet::platform::FlushFolder(root.string()).ok) bench.SkipWithError("flush failed");
  }
  fs::remove_all(root);
}

}  // namespace

BENCHMARK_CAPTURE(BM_ModificationRun, sample_real_command, false, true, false)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ModificationRun, sample_no_process, false, false, false)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ModificationRun, sample_no_process_tmpfs, false, false, true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ModificationRun, large_real_command, true, true, false)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ModificationRun, large_no_process, true, false, false)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ModificationRun, large_no_process_tmpfs, true, false, true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FolderFlush)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
