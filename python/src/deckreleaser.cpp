#include "deckreleaser.h"

#include <pthread.h>

#include <condition_variable>
#include <mutex>
#include <new>
#include <vector>

namespace abimport {

namespace {

struct Releaser {
    std::mutex mutex;  // guards everything below
    std::condition_variable handedOver, allFreed;
    std::vector<const DeckData*> queue;
    size_t pending = 0;  // handed over and not yet freed
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
        r.handedOver.wait(lock, [&] { return !r.queue.empty(); });
        std::vector<const DeckData*> decks;
        decks.swap(r.queue);
        lock.unlock();
        for (const DeckData* deck : decks) FreeDeck()(deck);
        lock.lock();
        r.pending -= decks.size();
        if (r.pending == 0) r.allFreed.notify_all();
    }
}

void lockForFork() { releaser().mutex.lock(); }
void unlockInParent() { releaser().mutex.unlock(); }
void resetInChild() {
    Releaser& r = releaser();
    // The parent's thread is not in the child, nor are the decks it was
    // freeing: nothing is pending here. The thread may have been waiting on
    // the conditions, so they start afresh.
    r.queue.clear();
    r.pending = 0;
    r.started = false;
    new (&r.handedOver) std::condition_variable;
    new (&r.allFreed) std::condition_variable;
    r.mutex.unlock();
}

// Starts the thread; false when it cannot be started. Called with the lock.
bool start(Releaser& r) {
    static const bool forkHandled = pthread_atfork(&lockForFork, &unlockInParent, &resetInChild) == 0;
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

}  // namespace abimport
