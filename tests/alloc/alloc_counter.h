// Counts heap allocations made by this test binary between start and stop:
// every global operator new (all forms) and every malloc, calloc and realloc.
// The binary replaces them all (alloc_counter.cpp), so an allocation anywhere
// in the code under test, the standard library included, is seen.
#pragma once

void startCountingAllocations();
// Stops counting; returns the number of allocations since the start.
long stopCountingAllocations();

// Runs `work` with counting on and returns the allocations it made.
template <typename Work>
long allocationsDuring(Work&& work) {
    startCountingAllocations();
    work();
    return stopCountingAllocations();
}
