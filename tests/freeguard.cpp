// Preloaded (LD_PRELOAD) into a process whose small-object heap must keep its
// blocks to itself: notes the heap's address reservation (a PROT_NONE mapping
// of at least 256 MiB, which nothing else in the process makes) and stops the
// process when free() or realloc() is handed a pointer inside it, that is a
// heap block on its way to the C library. Blocks of malloc that reach the
// heap's delete go on to free() and pass here as what they are.
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" void __libc_free(void* p);
extern "C" void* __libc_realloc(void* p, size_t bytes);

namespace {

constexpr size_t kLeastReservation = size_t{256} << 20;
constexpr int kMostReservations = 16;

struct Reservation {
    std::atomic<uintptr_t> start{0};
    std::atomic<uintptr_t> end{0};
};
Reservation reservations[kMostReservations];
std::atomic<int> reservationCount{0};

bool inReservation(const void* p) {
    const uintptr_t at = reinterpret_cast<uintptr_t>(p);
    const int count = reservationCount.load(std::memory_order_acquire);
    for (int i = 0; i < count && i < kMostReservations; ++i) {
        if (at >= reservations[i].start.load(std::memory_order_relaxed) &&
            at < reservations[i].end.load(std::memory_order_relaxed))
            return true;
    }
    return false;
}

[[noreturn]] void stop(const char* what) {
    const char message[] = "freeguard: a block of the small-object heap reached ";
    [[maybe_unused]] ssize_t written = write(2, message, sizeof message - 1);
    written = write(2, what, std::strlen(what));
    written = write(2, "\n", 1);
    std::abort();
}

}  // namespace

extern "C" {

// Through the system call, so that resolving the next mmap cannot recurse.
void* mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset) {
    const long mapped = syscall(SYS_mmap, address, length, protection, flags, fd, offset);
    if (mapped == -1) return MAP_FAILED;
    if (protection == PROT_NONE && length >= kLeastReservation) {
        const int slot = reservationCount.load(std::memory_order_relaxed);
        if (slot < kMostReservations) {
            reservations[slot].start.store(static_cast<uintptr_t>(mapped),
                                           std::memory_order_relaxed);
            reservations[slot].end.store(static_cast<uintptr_t>(mapped) + length,
                                         std::memory_order_relaxed);
            reservationCount.store(slot + 1, std::memory_order_release);
        }
    }
    return reinterpret_cast<void*>(mapped);
}

void free(void* p) {
    if (p && inReservation(p)) stop("free()");
    __libc_free(p);
}

void* realloc(void* p, size_t bytes) {
    if (p && inReservation(p)) stop("realloc()");
    return __libc_realloc(p, bytes);
}

// The reservations seen so far; the first one's start in *start.
int abimport_freeguard_reservations(uintptr_t* start) {
    const int count = reservationCount.load(std::memory_order_acquire);
    if (count > 0) *start = reservations[0].start.load(std::memory_order_relaxed);
    return count;
}

}  // extern "C"
