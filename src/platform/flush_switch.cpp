#include "platform/flush_switch.h"

#include <atomic>

namespace quillet::platform {
namespace {

std::atomic<bool> flush_to_disk{true};

}  // namespace

void SetFlushToDisk(bool on) { flush_to_disk.store(on, std::memory_order_relaxed); }

bool FlushToDisk() { return flush_to_disk.load(std::memory_order_relaxed); }

}  // namespace quillet::platform
