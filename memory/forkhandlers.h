// What parts of a program do around fork(), in one place: a part that holds
// locks which other threads may hold at the time (and helper threads that a
// child lacks) derives from ForkHandlers and registers itself once. Before a
// fork the handlers prepare (take their locks) in the reverse order of
// registration; after it, in the parent and in the child, they run in the
// order of registration, so that a part registered later, which may use the
// earlier ones while it holds its own lock, takes that lock first.
//
// All registrations share one pthread_atfork handler trio. A program (or a
// module that keeps its symbols to itself) has one list of its own.
#pragma once

namespace abimport::memory {

class ForkHandlers {
public:
    // Before fork(): takes the part's locks.
    virtual void prepare() = 0;
    // After it in the parent: releases them.
    virtual void inParent() = 0;
    // After it in the child, which has only the forking thread: makes the
    // state consistent (forgets other threads) and releases the locks.
    virtual void inChild() = 0;

protected:
    constexpr ForkHandlers() = default;
    ~ForkHandlers() = default;
    ForkHandlers(const ForkHandlers&) = delete;
    ForkHandlers& operator=(const ForkHandlers&) = delete;
};

// Registers handlers, which must live until the process ends; false when
// they cannot be (the system refuses fork handlers, or too many parts
// registered). Safe on any thread; allocates nothing.
bool handleForks(ForkHandlers& handlers);

}  // namespace abimport::memory
