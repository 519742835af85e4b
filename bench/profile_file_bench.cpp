// One read, one key list and one write through the profile operations on
// generated INFs of 100, 10,000 and 100,000 lines (the largest about 1.8 MB).
// The key and section asked for are the last ones of the file, so every
// operation scans the whole text.
//
// BM_WriteFlushCost measures what waiting for the disk costs a write: each
// iteration makes one write that waits for the disk and one that does not,
// one after the other, so that both see the same load; the counters are the
// mean time of each kind and the difference.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/flush_switch.h"
#include "profile/profile_file.h"

namespace {

namespace fs = std::filesystem;

constexpr int kKeysPerSection = 19;

// Writes an INF of about `lines` lines of about 18 bytes each and returns its
// path; the last section is "Section<n>" and its last key "k<m>".
class GeneratedInf {
 public:
  explicit GeneratedInf(int lines) {
    std::random_device random;
    folder_ = fs::temp_directory_path() / ("quillet-bench-" + std::to_string(random()));
    fs::create_directories(folder_);
    path_ = (folder_ / "package.inf").string();
    std::string text;
    int section = 0;
    int key = 0;
    char line[64];
    for (int i = 0; i < lines; ++i) {
      if (i % (kKeysPerSection + 1) == 0) {
        std::snprintf(line, sizeof line, "[Section%05d]\r\n", ++section);
      } else {
        std::snprintf(line, sizeof line, "k%06d=v%07d\r\n", ++key, i);
      }
      text += line;
    }
    std::ofstream(path_, std::ios::binary) << text;
    section_ = "Section" + Padded(section, 5);
    key_ = "k" + Padded(key, 6);
  }
  ~GeneratedInf() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  GeneratedInf(const GeneratedInf&) = delete;
  GeneratedInf& operator=(const GeneratedInf&) = delete;

  const std::string& path() const { return path_; }
  const std::string& section() const { return section_; }
  const std::string& key() const { return key_; }
  std::uintmax_t size() const { return fs::file_size(path_); }

 private:
  static std::string Padded(int n, int width) {
    std::string text = std::to_string(n);
    return std::string(static_cast<std::size_t>(width) - text.size(), '0') + text;
  }

  fs::path folder_;
  std::string path_;
  std::string section_;
  std::string key_;
};

void BM_ReadIniValue(benchmark::State& state) {
  const GeneratedInf inf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(quillet::ReadIniValue(inf.path(), inf.section(), inf.key()));
  }
  state.counters["bytes"] = static_cast<double>(inf.size());
}

void BM_ReadIniKeyNames(benchmark::State& state) {
  const GeneratedInf inf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(quillet::ReadIniKeyNames(inf.path(), inf.section()));
  }
  state.counters["bytes"] = static_cast<double>(inf.size());
}

void BM_WriteIniValue(benchmark::State& state) {
  const GeneratedInf inf(static_cast<int>(state.range(0)));
  bool flip = false;
  for (auto _ : state) {
    // A different value every time, so that every iteration really writes.
    flip = !flip;
    if (quillet::WriteIniValue(inf.path(), inf.section(), inf.key(), flip ? "1" : "2") == 0) {
      state.SkipWithError("write failed");
      break;
    }
  }
  state.counters["bytes"] = static_cast<double>(inf.size());
}

void BM_WriteFlushCost(benchmark::State& state) {
  const GeneratedInf inf(static_cast<int>(state.range(0)));
  using Clock = std::chrono::steady_clock;
  Clock::duration with_flush{};
  Clock::duration without_flush{};
  int value = 0;
  auto timed_write = [&](bool flush) {
    quillet::platform::SetFlushToDisk(flush);
    const auto start = Clock::now();
    const int written =
        quillet::WriteIniValue(inf.path(), inf.section(), inf.key(), std::to_string(++value));
    const auto took = Clock::now() - start;
    (flush ? with_flush : without_flush) += took;
    return written != 0;
  };
  for (auto _ : state) {
    // Alternating which goes first, so that neither always follows the other.
    const bool flush_first = value % 4 == 0;
    if (!timed_write(flush_first) || !timed_write(!flush_first)) {
      state.SkipWithError("write failed");
      break;
    }
  }
  quillet::platform::SetFlushToDisk(true);
  const double iterations = static_cast<double>(state.iterations());
  const auto micros = [&](Clock::duration d) {
    return iterations > 0 ? std::chrono::duration<double, std::micro>(d).count() / iterations : 0.0;
  };
  state.counters["with_flush_us"] = micros(with_flush);
  state.counters["without_flush_us"] = micros(without_flush);
  state.counters["flush_cost_us"] = micros(with_flush) - micros(without_flush);
  state.counters["bytes"] = static_cast<double>(inf.size());
}

}  // namespace

BENCHMARK(BM_ReadIniValue)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadIniKeyNames)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteIniValue)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteFlushCost)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
