// The test programs' global operator new: memory 8 but never 16 bytes aligned, as 32-bit Windows'
// malloc gives, so that a 16-byte-aligned record placed by plain new faults in every test build.
//
// Conventions: every plain, array, sized and nothrow form of operator new and delete is replaced;
// the std::align_val_t forms give the alignment asked for. Every allocation of either kind is
// counted, for the tests that prove a path allocates nothing.
#pragma once

#include <cstddef>

namespace tessellune::testing {

struct AllocationCount {
    long allocations = 0;  // operator new calls of every form, every thread
    std::size_t bytes = 0; // the sizes they asked for
};

// What has been allocated through the replaced forms since the program started.
AllocationCount allocationCount();

// From now on the plain nothrow forms refuse every request smaller than `bytes` (0: none), so
// that a test can drive the paths that handle memory running out.
void refuseNothrowAllocationsBelow(std::size_t bytes);

// From now on every form, plain or aligned, throwing or nothrow, refuses every request of at least
// `bytes` (0: none), as a machine whose address space is nearly full does: the nothrow forms
// return null, the others throw std::bad_alloc.
void refuseAllocationsFrom(std::size_t bytes);

} // namespace tessellune::testing
