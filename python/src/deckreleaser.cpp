#include "deckreleaser.h"

#include <pthread.h>

#include <condition_variable>
#include <mutex>
#include <new>
#include <vector>

#include "../../memory/forkhandlers.h"
#include "importheap.h"

namespace abimport {

namespace {

struct Releaser {
    std::mutex mutex;  // guards everything below
    std::condition_variable handedOver, allFreed;
    std::vector<const DeckData*> queue;
    size_t pending = 0;  // handed over and not yet freed
    bool trimDue = false;
    bool started = false;
};

// Never destroyed: the thread may still be freeing when the process exits.
Releaser& releaser() {
    alignas(Releaser) static unsigned char storage[sizeof(Releaser)];
    static Releaser* shared = new (storage) Releaser;
    return *shared;
}

void* freeHandedOver(void*) {
    Releaser& r = releaser();
    std::unique_lock<std::mutex> lock(r.mutex);
    for (;;) {
        r.handedOver.wait(lock, [&] { return !r.queue.empty() || r.trimDue; });
        if (r.queue.empty()) {
            r.trimDue = false;
            lock.unlock();
            trimImportHeap();
            lock.lock();
            continue;
        }
        std::vector<const DeckData*> decks;
        decks.swap(r.queue);
        lock.unlock();
        for (const DeckData* deck : decks) FreeDeck()(deck);
        lock.lock();
        r.pending -= decks.size();
        if (r.pending == 0) {
            r.allFreed.notify_all();
            r.trimDue = true;
        }
    }
}

class ReleaserForks final : public abimport::memory::ForkHandlers {
public:
    constexpr ReleaserForks() = default;
    void prepare() override { releaser().mutex.lock(); }
    void inParent() override { releaser().mutex.unlock(); }
    void inChild() override {
        Releaser& r = releaser();
        // The parent's thread is not in the child, nor are the decks it was
        // freeing: nothing is pending here. The thread may have been waiting
        // on the conditions, so they start afresh.
        r.queue.clear();
        r.pending = 0;
        r.trimDue = false;
        r.started = false;
        new (&r.handedOver) std::condition_variable;
        new (&r.allFreed) std::condition_variable;
        r.mutex.unlock();
    }
};
ReleaserForks releaserForks;

// Starts the thread; false when it cannot be started. Called with the lock.
bool start(Releaser& r) {
    static const bool forkHandled = abimport::memory::handleForks(releaserForks);
    if (!forkHandled) return false;
    pthread_t thread;
    if (pthread_create(&thread, nullptr, &freeHandedOver, nullptr) != 0) return false;
    pthread_detach(thread);
    r.started = true;
    return true;
}

}  // namespace

void releaseLater(const DeckData* deck) {
    Releaser& r = releaser();
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        if (r.started || start(r)) {
            try {
                r.queue.push_back(deck);
                ++r.pending;
                r.handedOver.notify_one();
                return;
            } catch (const std::bad_alloc&) {
                // No room to queue it: freed here instead.
            }
        }
    }
    FreeDeck()(deck);
}

void waitForReleases() {
    Releaser& r = releaser();
    std::unique_lock<std::mutex> lock(r.mutex);
    r.allFreed.wait(lock, [&] { return r.pending == 0; });
}

void requestTrim() {
    Releaser& r = releaser();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (!r.started) return;
    r.trimDue = true;
    r.handedOver.notify_one();
}

}  // namespace abimport
