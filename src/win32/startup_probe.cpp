#include "win32/startup_probe.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace quillet::win32 {
namespace {

// 100-nanosecond steps from 1601 to 1970.
constexpr unsigned long long kUnixEpochIn100ns = 116444736000000000ULL;

long long NowUnixNanoseconds() {
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  const unsigned long long ticks =
      (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return static_cast<long long>((ticks - kUnixEpochIn100ns) * 100ULL);
}

}  // namespace

void QuitAfterFirstPaintIfAsked(HWND window) {
  char launch[32] = {};
  const DWORD length =
      ::GetEnvironmentVariableA("QUILLET_EXIT_AFTER_FIRST_PAINT", launch, sizeof(launch));
  if (length == 0 || length >= sizeof(launch)) return;
  // Everything that waits to be painted is painted now, the controls included,
  // and handed to the display.
  ::RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  ::GdiFlush();
  const long long launch_ns = std::strtoll(launch, nullptr, 10);
  if (launch_ns > 0) {
    const long long tenths = std::max(0LL, (NowUnixNanoseconds() - launch_ns) / 100000);
    const std::string line = "first paint after " + std::to_string(tenths / 10) + "." +
                             std::to_string(tenths % 10) + " ms\n";
    DWORD ignored = 0;
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()),
                &ignored, nullptr);
  }
  ::PostQuitMessage(0);
}

}  // namespace quillet::win32
