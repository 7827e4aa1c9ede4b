#pragma once

#include "FatalError.h"
#include "IArray.h"
#include "StandardDataHelper.h"

#include <cstdlib>
#include <type_traits>

namespace kz {
namespace common {

// A growable contiguous array whose elements live in one block from the C heap.
// Capacity grows to the next power of two and is never given back before the
// array is destroyed, so a cleared array refills without allocating.
//
// N is the number of elements the object could hold in storage of its own; only
// N = 0 is supported, where the object holds a single placeholder byte.
template <typename T, unsigned N = 0, typename Helper = StandardDataHelper<T>>
class HybridArray : public IArray<T> {
    static_assert(N == 0, "in-object element storage is not supported");
    // Elements are dropped by lowering the count and freeing the block, never
    // destroyed one by one: a type that owns something would leak it.
    static_assert(std::is_trivially_destructible<T>::value, "HybridArray never runs element destructors");

public:
    HybridArray() {}

    HybridArray(const HybridArray&) = delete; // copies are made with operator=

    ~HybridArray() override
    {
        Clear();
        std::free(m_heap);
    }

    HybridArray& operator=(const IArray<T>& other)
    {
        this->Clear();
        this->AddAll(other);
        return *this;
    }

    HybridArray& operator=(const HybridArray& other)
    {
        return operator=(static_cast<const IArray<T>&>(other));
    }

    void AddRange(const T* items, unsigned count) override
    {
        if (count == 0)
            return;
        if (m_count + count < m_count)
            FatalError();
        this->Reserve(m_count + count);
        unsigned first = m_count;
        SetCount(first + count);
        Helper::Copy(Buffer() + first, items, count);
    }

    unsigned Add(const T& item) override
    {
        Grow(m_count + 1);
        unsigned index = m_count;
        SetCount(index + 1);
        Helper::Copy(Buffer() + index, &item, 1);
        return index;
    }

    void RemoveAt(unsigned index) override
    {
        CheckIndex(index);
        Helper::Move(Buffer(), index, index + 1, m_count - index - 1);
        SetCount(m_count - 1);
    }

    void RemoveAtUnordered(unsigned index) override
    {
        CheckIndex(index);
        if (index != m_count - 1)
            Helper::Copy(Buffer() + index, Buffer() + m_count - 1, 1);
        SetCount(m_count - 1);
    }

    void RemoveFirst(unsigned count) override
    {
        if (count < m_count) {
            Helper::Move(Buffer(), 0, count, m_count - count);
            SetCount(m_count - count);
        } else {
            this->Clear();
        }
    }

    T PopLast() override
    {
        if (m_count == 0)
            FatalError();
        T last;
        last = Buffer()[m_count - 1];
        SetCount(m_count - 1);
        return last;
    }

    void Clear() override { SetCount(0); }

    void Truncate(unsigned count) override
    {
        if (count <= m_count)
            SetCount(count);
    }

    void Reserve(unsigned capacity) override
    {
        if (capacity > m_capacity)
            Grow(capacity);
    }

    unsigned Count() const override { return m_count; }
    T* Data() override { return Buffer(); }

    const T& At(unsigned index) const override
    {
        CheckIndex(index);
        return Buffer()[index];
    }

    T& At(unsigned index) override
    {
        CheckIndex(index);
        return Buffer()[index];
    }

    // Reserves room for n elements and makes n the count; elements that come
    // into use are prepared by the helper (plain types keep unspecified values).
    void Resize(unsigned n)
    {
        this->Reserve(n);
        SetCount(n);
    }

    unsigned Capacity() const { return m_capacity; }

private:
    void CheckIndex(unsigned index) const
    {
        if (index >= m_count)
            FatalError();
    }

    void Grow(unsigned n)
    {
        if (n <= m_capacity)
            return;
        unsigned capacity = m_capacity > 1 ? m_capacity : 1;
        while (capacity < n) {
            if (capacity >= 0x80000000u)
                FatalError(); // capacities beyond 2^31 elements are not representable
            capacity *= 2;
        }
        // A block size that does not fit in size_t (32-bit targets) is an allocation failure.
        if (capacity > static_cast<std::size_t>(-1) / sizeof(T))
            FatalError();
        T* block = static_cast<T*>(std::malloc(static_cast<std::size_t>(capacity) * sizeof(T)));
        if (block == nullptr)
            FatalError();
        Helper::Construct(block, m_count);
        Helper::Copy(block, Buffer(), m_count);
        std::free(m_heap);
        m_capacity = capacity;
        m_heap = block;
    }

    void SetCount(unsigned n)
    {
        if (n > m_capacity)
            FatalError();
        if (n > m_count)
            Helper::Construct(Buffer() + m_count, n - m_count);
        m_count = n;
    }

    T* Buffer() { return m_heap != nullptr ? m_heap : reinterpret_cast<T*>(&m_inObject); }
    const T* Buffer() const { return m_heap != nullptr ? m_heap : reinterpret_cast<const T*>(&m_inObject); }

    unsigned m_count = 0;
    unsigned m_capacity = 0;
    T* m_heap = nullptr;
    unsigned char m_inObject = 0;
};

} // namespace common
} // namespace kz
