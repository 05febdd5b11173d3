// Where the extension's objects come from. The extension has an operator new
// and delete of its own (importheap.cpp), which the linker keeps inside the
// extension (module-exports.map exports PyInit__core only): the interpreter,
// numpy and every other library keep the process's allocator.
//
// While a HeapScope for an import lives on a thread, that thread's requests
// of up to 1 KiB (the cards and their values, seven objects a node card) come
// from the small-object heap of memory/, through a cache of the scope's
// own, with pages populated ahead of use by the heap's helper thread; larger
// ones come from malloc, their pages populated at once. Everywhere else the
// extension's requests go to malloc. A delete anywhere frees a block of the
// heap to the heap and anything else with free().
#pragma once

#include <cstddef>

#include "../../memory/smallheap.h"

namespace abimport {

class HeapScope {
public:
    enum class Use {
        kImport,   // new and delete use the heap: a deck being read
        kRelease,  // delete only: a deck being freed, its blocks to this cache first
    };

    // Scopes do not nest: one made while another lives on the thread changes
    // nothing.
    explicit HeapScope(Use use);
    // Hands the cache's blocks back to the heap, for any thread to use.
    ~HeapScope();
    HeapScope(const HeapScope&) = delete;
    HeapScope& operator=(const HeapScope&) = delete;

private:
    friend struct HeapScopeOperators;

    bool active_ = false;     // the thread's scope, not a nested one
    bool allocates_ = false;  // Use::kImport
    abimport::memory::SmallHeap* heap_ = nullptr;
    abimport::memory::ThreadCache cache_{};
};

// Gives the memory of freed decks back to the system, but for a few MiB kept
// for the next import (SmallHeap::trim), unless an import is under way: it
// would take that memory again, and the trim is then left to the end of the
// last running import, which asks for one through requestTrim (deckreleaser.h).
// Returns the bytes given back.
size_t trimImportHeap();

// Bytes of address space the heap has taken so far: 0 before the first
// import. Memory freed by decks serves later imports, so this stops growing
// when decks of the same size are read again and again.
size_t heapClaimedBytes();

}  // namespace abimport
