#include "MallocCounter.h"

#include <cstddef>

extern "C" void* __real_malloc(std::size_t size);
extern "C" void __real_free(void* block);

namespace {
MallocCounter* g_active = nullptr;
}

struct MallocCounterHooks {
    static void CountMalloc()
    {
        if (g_active != nullptr)
            ++g_active->m_mallocs;
    }
    static void CountFree(void* block)
    {
        if (g_active != nullptr && block != nullptr)
            ++g_active->m_frees;
    }
};

MallocCounter::MallocCounter() : m_previous(g_active) { g_active = this; }

MallocCounter::~MallocCounter() { g_active = m_previous; }

extern "C" void* __wrap_malloc(std::size_t size)
{
    MallocCounterHooks::CountMalloc();
    return __real_malloc(size);
}

extern "C" void __wrap_free(void* block)
{
    MallocCounterHooks::CountFree(block);
    __real_free(block);
}
