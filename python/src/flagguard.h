// Card::contFlag is one flag word for the whole process, read by the library
// during every import. Imports with the same flag word may run at once; one
// with another word waits until none runs, and then sets the word. While any
// import waits, new ones do not join the running word, so a waiting word is
// not held off for ever: the running imports end, and every waiter whose word
// starts the next round joins it. A child of fork() starts with no import
// running or waiting, whatever other threads of the parent were doing.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace abimport {

class FlagGuard {
public:
    // Blocks until an import with flags may run, and sets Card::contFlag.
    explicit FlagGuard(unsigned flags);
    ~FlagGuard();
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        size_t running = 0;  // imports under the current word
        size_t waiting = 0;  // imports waiting for a round of their word
        size_t round = 0;    // counts the rounds started on an idle guard
    };
    static State& state();
    // Around fork(): the lock is held across it; the child starts with no
    // import running or waiting.
    struct Forks;
};

}  // namespace abimport
