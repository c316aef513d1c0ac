#pragma once
// The heap a program holds, counted by replacing operator new and delete
// (HeapCounter.cpp, compiled into a program that wants the counts): what
// reading a file of a given size costs, as a test bound or a benchmark
// figure.
#include <cstdint>

namespace tarvo {

int64_t HeapBytesNow();
// The most held since the last ResetHeapPeak.
int64_t HeapBytesPeak();
void ResetHeapPeak();

}  // namespace tarvo
