#include "peakmemory.h"

#include <malloc.h>

#include <cstdio>
#include <cstring>

namespace abimport {

namespace {

// A "Name:   1234 kB" line of /proc/self/status, in bytes.
size_t statusBytes(const char* name) {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return 0;
    char line[256];
    size_t kib = 0;
    const size_t nameLength = std::strlen(name);
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, name, nameLength) == 0 && line[nameLength] == ':') {
            std::sscanf(line + nameLength + 1, "%zu", &kib);
            break;
        }
    }
    std::fclose(status);
    return kib * 1024;
}

}  // namespace

bool resetPeakMemory() {
    malloc_trim(0);
    std::FILE* clear = std::fopen("/proc/self/clear_refs", "w");
    if (!clear) return false;
    const bool written = std::fputs("5", clear) >= 0;
    return std::fclose(clear) == 0 && written;
}

size_t residentBytes() {
    return statusBytes("VmRSS");
}
size_t peakResidentBytes() {
    return statusBytes("VmHWM");
}

}  // namespace abimport
