#pragma once
// The heap a program holds and the allocations it makes, counted by
// replacing operator new and delete (HeapCounter.cpp, compiled into a program
// that wants the counts): what reading a file of a given size costs, or that
// a hot path allocates nothing, as a test bound or a benchmark figure.
#include <cstdint>

namespace tarvo {

int64_t HeapBytesNow();
// The most held since the last ResetHeapPeak.
int64_t HeapBytesPeak();
void ResetHeapPeak();
// Every operator new since the program began.
uint64_t HeapAllocations();

}  // namespace tarvo
