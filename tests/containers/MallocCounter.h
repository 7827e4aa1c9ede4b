#pragma once

// Counts the C heap calls made while an instance is alive. The containers test
// program is linked with --wrap=malloc and --wrap=free, so every malloc and free
// referenced from its own objects (the containers' headers and tesma_core
// included) passes through the wrappers; calls made inside shared libraries
// (libstdc++'s operator new, the sanitizer runtime) are not seen. Counters do
// not nest: only the newest live instance counts.
class MallocCounter {
public:
    MallocCounter();
    ~MallocCounter();

    MallocCounter(const MallocCounter&) = delete;
    MallocCounter& operator=(const MallocCounter&) = delete;

    unsigned Mallocs() const { return m_mallocs; }
    // Releases of a non-null block; free(nullptr) is not counted.
    unsigned Frees() const { return m_frees; }

private:
    friend struct MallocCounterHooks;

    MallocCounter* m_previous;
    unsigned m_mallocs = 0;
    unsigned m_frees = 0;
};

struct HeapCalls {
    unsigned mallocs;
    unsigned frees;
};

// The heap calls that operation makes; counted outside any test assertion.
template <typename Operation>
HeapCalls HeapCallsOf(Operation&& operation)
{
    MallocCounter counter;
    operation();
    return {counter.Mallocs(), counter.Frees()};
}

template <typename Operation>
unsigned MallocsOf(Operation&& operation)
{
    return HeapCallsOf(operation).mallocs;
}
