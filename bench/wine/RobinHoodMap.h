#pragma once

// The request router a game programmer would write with a robin-map: open
// addressing with linear probing and robin-hood displacement, a power-of-two
// bucket count with the key itself as hash (what std::hash<unsigned> and
// tsl::robin_map's default growth policy give), growth at half load, and
// backward-shift removal. tsl::robin_map itself needs a C++ library, which an
// MSVC-mode program on this machine does not have.

#include "GameRuntime.h"

template <typename V>
class RobinHoodMap {
public:
    ~RobinHoodMap() { free(m_buckets); }

    void Insert(unsigned key, V value)
    {
        if (2 * (m_size + 1) > m_capacity)
            Grow();
        Place(key, value);
    }

    // Finds and removes in one probe sequence, as a router does with an answer.
    bool Take(unsigned key, V& value)
    {
        if (m_capacity == 0)
            return false;
        unsigned i = key & m_mask;
        for (int distance = 0;; ++distance, i = (i + 1) & m_mask) {
            Bucket& b = m_buckets[i];
            if (b.Distance < distance) // empty (-1) or a richer key: absent
                return false;
            if (b.Key == key) {
                value = b.Value;
                RemoveAt(i);
                return true;
            }
        }
    }

private:
    struct Bucket {
        int Distance; // from the key's home bucket; -1 when empty
        unsigned Key;
        V Value;
    };

    void Place(unsigned key, V value)
    {
        Bucket item = {0, key, value};
        for (unsigned i = key & m_mask;; i = (i + 1) & m_mask, ++item.Distance) {
            Bucket& b = m_buckets[i];
            if (b.Distance < 0) {
                b = item;
                ++m_size;
                return;
            }
            if (b.Key == key) {
                b.Value = item.Value;
                return;
            }
            if (b.Distance < item.Distance) {
                Bucket poorer = b;
                b = item;
                item = poorer;
            }
        }
    }

    void RemoveAt(unsigned i)
    {
        for (unsigned next = (i + 1) & m_mask; m_buckets[next].Distance > 0; i = next, next = (next + 1) & m_mask) {
            m_buckets[i] = m_buckets[next];
            --m_buckets[i].Distance;
        }
        m_buckets[i].Distance = -1;
        --m_size;
    }

    void Grow()
    {
        Bucket* old = m_buckets;
        unsigned oldCapacity = m_capacity;
        m_capacity = m_capacity == 0 ? 16 : 2 * m_capacity;
        m_mask = m_capacity - 1;
        m_buckets = static_cast<Bucket*>(malloc(m_capacity * sizeof(Bucket)));
        for (unsigned i = 0; i < m_capacity; ++i)
            m_buckets[i].Distance = -1;
        m_size = 0;
        for (unsigned i = 0; i < oldCapacity; ++i)
            if (old[i].Distance >= 0)
                Place(old[i].Key, old[i].Value);
        free(old);
    }

    Bucket* m_buckets = nullptr;
    unsigned m_capacity = 0;
    unsigned m_mask = 0;
    unsigned m_size = 0;
};
