// Whether writes wait until their data is on the disk. Always on in the
// program; only the engine benchmark turns it off, to measure what the waiting
// costs against the same writes without it.
#pragma once

namespace quillet::platform {

void SetFlushToDisk(bool on);
bool FlushToDisk();

}  // namespace quillet::platform
