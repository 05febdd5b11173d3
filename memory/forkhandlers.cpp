#include "forkhandlers.h"

#include <pthread.h>

#include <atomic>
#include <cstddef>
#include <mutex>

namespace abimport::memory {

namespace {

// A handful of parts use it; a fixed list needs no allocation.
constexpr size_t kMaxHandlers = 16;

ForkHandlers* handlers[kMaxHandlers];
// Entries [0, published) are set; registrations take the lock among
// themselves only, so a part may register while holding a lock that the
// handlers of a fork on another thread wait for.
std::mutex registration;
std::atomic<size_t> published{0};
// The entries one fork runs: a part registered between its prepare and its
// parent or child handlers took no locks. (The C library runs the handlers
// of one fork at a time.)
size_t forking = 0;

void prepareAll() {
    forking = published.load(std::memory_order_acquire);
    for (size_t i = forking; i-- > 0;) handlers[i]->prepare();
}

void parentAll() {
    for (size_t i = 0; i < forking; ++i) handlers[i]->inParent();
}

void childAll() {
    for (size_t i = 0; i < forking; ++i) handlers[i]->inChild();
}

}  // namespace

bool handleForks(ForkHandlers& part) {
    static const bool installed = pthread_atfork(&prepareAll, &parentAll, &childAll) == 0;
    if (!installed) return false;
    std::lock_guard<std::mutex> lock(registration);
    const size_t count = published.load(std::memory_order_relaxed);
    if (count == kMaxHandlers) return false;
    handlers[count] = &part;
    published.store(count + 1, std::memory_order_release);
    return true;
}

}  // namespace abimport::memory
