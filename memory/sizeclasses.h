// The block sizes of the small-object heap. Every request of up to
// kMaxSmallSize bytes is served from the smallest class that holds it.
//
// Classes go up in steps of 8 bytes to 256, then in steps of 64 to 1024, so a
// heap object of 24 or 112 bytes takes exactly that much. Blocks of a class
// lie at multiples of the class size from a span start aligned to kSpanSize,
// so a block is aligned to the largest power of two that divides its size.
// That is enough for every type: an object's size is a multiple of its
// alignment, so a request of n bytes for a type aligned to 16 is a multiple of
// 16 and lands in a class that is one too. What a plain operator new promises
// beyond that, kPlainAlignment, is the build's choice (-faligned-new=8); a
// request for more alignment is rounded up to a class whose blocks have it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace abimport::memory {

constexpr size_t kMaxSmallSize = 1024;
constexpr size_t kPlainAlignment = 8;
constexpr size_t kFineStep = 8;
constexpr size_t kFineLimit = 256;
constexpr size_t kCoarseStep = 64;
constexpr size_t kClassCount = kFineLimit / kFineStep + (kMaxSmallSize - kFineLimit) / kCoarseStep;

// Spans are the unit in which the heap takes memory: one class per span.
constexpr size_t kSpanShift = 16;
constexpr size_t kSpanSize = size_t{1} << kSpanShift;

// The class index of a request of 1 to kMaxSmallSize bytes (0 counts as 1).
constexpr unsigned sizeClassOf(size_t bytes) {
    if (bytes <= kFineLimit) return bytes == 0 ? 0 : static_cast<unsigned>((bytes - 1) / kFineStep);
    return static_cast<unsigned>(kFineLimit / kFineStep + (bytes - kFineLimit - 1) / kCoarseStep);
}

// The block size of a class.
constexpr size_t classSize(unsigned sizeClass) {
    constexpr unsigned fineClasses = kFineLimit / kFineStep;
    return sizeClass < fineClasses ? (sizeClass + 1) * kFineStep
                                   : kFineLimit + (sizeClass - fineClasses + 1) * kCoarseStep;
}

static_assert(classSize(sizeClassOf(kMaxSmallSize)) == kMaxSmallSize);
static_assert(sizeClassOf(kMaxSmallSize) == kClassCount - 1);
static_assert(kClassCount < 255, "span classes are stored in one byte");

}  // namespace abimport::memory
