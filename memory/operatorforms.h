// Every form of the global operator new and delete (plain, array, nothrow,
// sized, aligned), defined in terms of three functions that the including
// file declares before it includes this one:
//
//   void* newBlock(size_t bytes, size_t alignment);          // throws bad_alloc
//   void* newBlockNoThrow(size_t bytes, size_t alignment) noexcept;
//   void deleteBlock(void* p) noexcept;                     // p may be null
//
// in namespace abimport::memory. Included by exactly one source file of a
// program (or of a module that keeps its operators to itself).
//
// The size and alignment that the sized and aligned forms of delete pass are
// not needed: deleteBlock finds a block's size from where it lies.
#pragma once

#include <cstddef>
#include <new>

#include "sizeclasses.h"

// The heaps behind these operators align a block of n bytes only as far as
// any type of that size needs (8 for a 24-byte block): code that links them
// must be built promising no more (-faligned-new=8, CMakeLists.txt).
static_assert(__STDCPP_DEFAULT_NEW_ALIGNMENT__ <= abimport::memory::kPlainAlignment,
              "build with -faligned-new=8: the heap does not align every block to 16");

void* operator new(size_t bytes) {
    return abimport::memory::newBlock(bytes, abimport::memory::kPlainAlignment);
}
void* operator new[](size_t bytes) {
    return abimport::memory::newBlock(bytes, abimport::memory::kPlainAlignment);
}
void* operator new(size_t bytes, const std::nothrow_t&) noexcept {
    return abimport::memory::newBlockNoThrow(bytes, abimport::memory::kPlainAlignment);
}
void* operator new[](size_t bytes, const std::nothrow_t&) noexcept {
    return abimport::memory::newBlockNoThrow(bytes, abimport::memory::kPlainAlignment);
}
void* operator new(size_t bytes, std::align_val_t alignment) {
    return abimport::memory::newBlock(bytes, static_cast<size_t>(alignment));
}
void* operator new[](size_t bytes, std::align_val_t alignment) {
    return abimport::memory::newBlock(bytes, static_cast<size_t>(alignment));
}
void* operator new(size_t bytes, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return abimport::memory::newBlockNoThrow(bytes, static_cast<size_t>(alignment));
}
void* operator new[](size_t bytes, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return abimport::memory::newBlockNoThrow(bytes, static_cast<size_t>(alignment));
}

void operator delete(void* p) noexcept {
    abimport::memory::deleteBlock(p);
}
void operator delete[](void* p) noexcept {
    abimport::memory::deleteBlock(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    abimport::memory::deleteBlock(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    abimport::memory::deleteBlock(p);
}
void operator delete(void* p, size_t) noexcept {
    abimport::memory::deleteBlock(p);
}
void operator delete[](void* p, size_t) noexcept {
    abimport::memory::deleteBlock(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    abimport::memory::deleteBlock(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    abimport::memory::deleteBlock(p);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    abimport::memory::deleteBlock(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    abimport::memory::deleteBlock(p);
}
void operator delete(void* p, size_t, std::align_val_t) noexcept {
    abimport::memory::deleteBlock(p);
}
void operator delete[](void* p, size_t, std::align_val_t) noexcept {
    abimport::memory::deleteBlock(p);
}
