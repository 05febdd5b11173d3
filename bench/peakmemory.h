// The process's resident memory and its high-water mark, read from /proc, for
// measuring what an import costs in memory. Linux only.
#pragma once

#include <cstddef>

namespace abimport {

// Returns freed heap memory to the system and resets the high-water mark to
// the memory resident now. False when the kernel does not allow the reset.
bool resetPeakMemory();

// Bytes resident now, and the most resident since the last reset; 0 when
// /proc cannot be read.
size_t residentBytes();
size_t peakResidentBytes();

}  // namespace abimport
