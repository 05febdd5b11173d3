#include "flagguard.h"

#include "model/card.h"

FlagGuard::State& FlagGuard::state() {
    static State shared;
    return shared;
}

FlagGuard::FlagGuard(unsigned flags) {
    State& s = state();
    std::unique_lock<std::mutex> lock(s.mutex);
    if (s.running > 0 && (Card::contFlag != flags || s.waiting > 0)) {
        ++s.waiting;
        const size_t round = s.round;
        s.changed.wait(lock, [&] {
            return s.running == 0 || (Card::contFlag == flags && s.round != round);
        });
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
