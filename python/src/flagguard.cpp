#include "flagguard.h"

#include <new>

#include "../../memory/forkhandlers.h"
#include "../../model/card.h"

namespace abimport {

struct FlagGuard::Forks final : abimport::memory::ForkHandlers {
    constexpr Forks() = default;
    void prepare() override { state().mutex.lock(); }
    void inParent() override { state().mutex.unlock(); }
    void inChild() override {
        // The imports running or waiting in the parent are not in the child;
        // the word they set stays until the child's next read sets its own.
        State& s = state();
        s.running = 0;
        s.waiting = 0;
        new (&s.changed) std::condition_variable;
        s.mutex.unlock();
    }
};

FlagGuard::State& FlagGuard::state() {
    // Never destroyed: a read may still be waiting on it while the process
    // exits.
    alignas(State) static unsigned char storage[sizeof(State)];
    static State* shared = [] {
        State* s = new (storage) State;
        static Forks forks;
        abimport::memory::handleForks(forks);
        return s;
    }();
    return *shared;
}

FlagGuard::FlagGuard(unsigned flags) {
    State& s = state();
    std::unique_lock<std::mutex> lock(s.mutex);
    if (s.running > 0 && (Card::contFlag != flags || s.waiting > 0)) {
        ++s.waiting;
        const size_t round = s.round;
        s.changed.wait(
            lock, [&] { return s.running == 0 || (Card::contFlag == flags && s.round != round); });
        --s.waiting;
    }
    if (s.running == 0) {
        // A new round: this word, joined by every waiter with the same word.
        Card::contFlag = flags;
        ++s.round;
        s.changed.notify_all();
    }
    ++s.running;
}

FlagGuard::~FlagGuard() {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (--s.running == 0) s.changed.notify_all();
}

}  // namespace abimport
