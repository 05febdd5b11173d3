// The extension's operator new and delete, every form (operatorforms.h).
//
// Why no block of the heap reaches code that would free it with the process's
// allocator:
//
// - Only code compiled into the extension calls these operators: the library,
//   the host, the tool's sources, the binding, and whatever templates and
//   inline functions of the standard library and of pybind11 they
//   instantiate. The linker binds those calls here and exports the operators
//   to no one (module-exports.map); libstdc++.so, the interpreter and numpy
//   go on calling the process's operator new and malloc.
// - The heap serves only the thread of an import, while its HeapScope lives.
//   The import runs with the GIL released and calls neither Python nor
//   pybind11, so no Python object holds a heap block, and nothing that
//   Python frees is one.
// - Of the standard library, the import uses templates instantiated here
//   (vector, unordered_map, shared_ptr, function), which allocate and free
//   here, and std::string. In C++17, basic_string<char> is an explicit
//   instantiation that libstdc++.so provides: every member that allocates a
//   string's buffer (_M_create and its callers) runs there and allocates
//   through libstdc++'s own operator new, i.e. malloc, so no string buffer is
//   ever a heap block. The inline members that free one call the delete
//   below, which gives it to free(). (C++20 instantiates std::string here
//   instead; hence the check below.)
// - std::thread would allocate its state here and have libstdc++.so delete
//   it; the extension starts no std::thread (the heap's helper is a plain
//   pthread). The C library's blocks (stdio buffers, the text values' strdup)
//   are malloc's and go back with free().
// - A block freed where no scope lives (a Deck freed later on any thread)
//   goes back to the heap's shared lists.
//
// Blocks of malloc, and of the process's operator new, are freed here with
// free(): libstdc++'s operator new is malloc, as is that of every allocator
// that replaces malloc for a process.
#include "importheap.h"

#include <malloc.h>

#include <atomic>

#include "../../memory/processheap.h"
#include "deckreleaser.h"

#if __cplusplus > 201703L
#error "importheap.cpp relies on std::string's buffers being allocated in libstdc++.so (C++17)"
#endif

namespace abimport::memory {
namespace {

// The scope of this thread, if any. Every new and delete of the extension
// reads it, so it is reached in one instruction (initial-exec) rather than
// through a call: eight bytes of the static TLS that the C library keeps
// spare for modules loaded later (glibc.rtld.optional_static_tls, 512 bytes
// by default).
__attribute__((tls_model("initial-exec"))) thread_local HeapScope* activeScope = nullptr;

// For blocks freed where no scope lives: a cache in the retired state keeps
// nothing and works through the heap's locked shared lists, so every thread
// may use it at once.
ThreadCache outsideScopes{{}, ThreadCache::kRetired};

// Import scopes alive, and whether a trim was left to the end of the last.
std::atomic<unsigned> importsRunning{0};
std::atomic<bool> trimLeftToImports{false};

// What a trim keeps for the next import: a few MiB of free blocks, no faults.
constexpr size_t kKeepBytes = size_t{4} << 20;

}  // namespace
}  // namespace abimport::memory

namespace abimport {

struct HeapScopeOperators {
    static void* allocateOrNull(size_t bytes, size_t alignment) {
        using namespace abimport::memory;
        HeapScope* scope = activeScope;
        if (scope && scope->allocates_)
            return allocateBlock(scope->heap_, scope->cache_, bytes, alignment, true);
        return allocateBlock(nullptr, outsideScopes, bytes, alignment, false);
    }
    static void release(void* p) {
        using namespace abimport::memory;
        HeapScope* scope = activeScope;
        releaseBlock(scope ? scope->cache_ : outsideScopes, p);
    }
};

HeapScope::HeapScope(Use use) {
    using namespace abimport::memory;
    if (activeScope) return;
    active_ = true;
    allocates_ = use == Use::kImport;
    // A deck can hold heap blocks only once the heap is set up.
    heap_ = allocates_ ? processHeap(nullptr) : processHeapIfSetUp();
    if (!heap_) allocates_ = false;
    if (allocates_) importsRunning.fetch_add(1);
    activeScope = this;
}

HeapScope::~HeapScope() {
    using namespace abimport::memory;
    if (!active_) return;
    activeScope = nullptr;
    if (heap_) heap_->retire(cache_);
    if (allocates_ && importsRunning.fetch_sub(1) == 1 && trimLeftToImports.exchange(false))
        abimport::requestTrim();
}

size_t trimImportHeap() {
    using namespace abimport::memory;
    if (importsRunning.load() > 0) {
        trimLeftToImports.store(true);
        // The last import may have ended meanwhile, without seeing the mark.
        if (importsRunning.load() > 0 || !trimLeftToImports.exchange(false)) return 0;
    }
    size_t givenBack = 0;
    if (SmallHeap* heap = processHeapIfSetUp()) {
        ThreadCache unused{};
        givenBack = heap->trim(unused, kKeepBytes);
    }
    // A deck's larger blocks come from malloc. Those it maps on their own go
    // back when freed, but it maps only blocks above a threshold that rises
    // to the size of the largest such block freed (up to 32 MiB), so the
    // vectors and tables of a large deck mostly lie in its arenas, whose free
    // pages it keeps until asked (about 30 MB after a 1,000,000-node deck).
    malloc_trim(0);
    return givenBack;
}

size_t heapClaimedBytes() {
    const abimport::memory::SmallHeap* heap = abimport::memory::processHeapIfSetUp();
    return heap ? heap->region().claimedBytes() : 0;
}

}  // namespace abimport

namespace abimport::memory {

void* newBlock(size_t bytes, size_t alignment) {
    return allocateOrThrow([=] { return HeapScopeOperators::allocateOrNull(bytes, alignment); });
}

void* newBlockNoThrow(size_t bytes, size_t alignment) noexcept {
    return allocateNoThrow([=] { return HeapScopeOperators::allocateOrNull(bytes, alignment); });
}

void deleteBlock(void* p) noexcept {
    HeapScopeOperators::release(p);
}

}  // namespace abimport::memory

#include "../../memory/operatorforms.h"
