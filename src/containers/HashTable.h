#pragma once

#include "FatalError.h"
#include "HybridArray.h"
#include "IArray.h"
#include "StandardDataHelper.h"
#include "StandardHashHelper.h"

namespace kz {
namespace common {

// A two-choice (cuckoo) hash map. Each key lives in one of exactly two slots,
// Hash1(key, Seed) and Hash2(key, Seed) modulo the slot count, so a lookup
// probes two slots and never allocates. An insertion whose slots are both taken
// evicts the occupant to that occupant's other slot, and so on; when such a walk
// fails the table doubles, bumps the seed and re-places every entry.
//
// The slot count starts at 1 and only doubles, so it is always 2^Seed. Nothing
// ever shrinks. The table stores values as given and never owns what they point to.
template <typename K, typename V, typename Helper = StandardHashHelper<K>>
class HashTable {
public:
    // One slot. Key and Value mean something only while Used is set.
    struct KeyItem {
        bool Used;
        K Key;
        V Value;

        KeyItem() : Used(false) {}

        KeyItem(const K& key, const V& value) : Used(true), Value(value) { Helper::CopyKey(key, Key); }

        KeyItem(const KeyItem& other) : Used(other.Used), Value(other.Value)
        {
            if (other.Used)
                Helper::CopyKey(other.Key, Key);
        }

        KeyItem& operator=(const KeyItem& other)
        {
            Used = other.Used;
            Value = other.Value;
            if (other.Used)
                Helper::CopyKey(other.Key, Key);
            return *this;
        }
    };

    using SlotArray = HybridArray<KeyItem, 0, StandardDataHelper<KeyItem>>;

    // One unused slot, seed 0.
    HashTable() : EntryCount(0), Seed(0) { Items.Resize(1); }

    HashTable(const HashTable&) = delete;
    HashTable& operator=(const HashTable&) = delete;

    // Stores value under key; a key already present only has its value replaced.
    void Insert(const K& key, const V& value)
    {
        KeyItem* found;
        if (FindItem(key, found)) {
            found->Value = value;
            return;
        }
        KeyItem homeless(key, value);
        // A failed walk leaves some item homeless (not necessarily the new one);
        // it is placed again after the rehash.
        while (!Place(homeless))
            Rehash();
    }

    // Writes the key's value to value and returns true; an absent key leaves value as it was.
    bool Find(const K& key, V& value) const
    {
        KeyItem* found;
        if (!FindItem(key, found))
            return false;
        value = found->Value;
        return true;
    }

    // Drops the key's entry if there is one. No other entry moves.
    void Remove(const K& key)
    {
        KeyItem* found;
        if (!FindItem(key, found))
            return;
        found->Used = false;
        --EntryCount;
    }

    // Read access for diagnostics and tests.
    unsigned SlotCount() const { return Slots().Count(); }
    const KeyItem& Slot(unsigned index) const { return Slots().At(index); }
    unsigned GetEntryCount() const { return EntryCount; }
    unsigned GetSeed() const { return Seed; }

private:
    IArray<KeyItem>& Slots() { return Items; }
    const IArray<KeyItem>& Slots() const { return Items; }

    unsigned Position1(const K& key) const { return Helper::Hash1(key, Seed) % Slots().Count(); }
    unsigned Position2(const K& key) const { return Helper::Hash2(key, Seed) % Slots().Count(); }

    // The slot that holds key, or false with item null. The first position is
    // always examined first. Slots are read through the read-only At; the slot
    // handed out is the table's own, so writing through it is allowed.
    bool FindItem(const K& key, KeyItem*& item) const
    {
        item = nullptr;
        const KeyItem& first = Slots().At(Position1(key));
        const KeyItem& second = Slots().At(Position2(key));
        if (first.Used && Helper::Equal(first.Key, key)) {
            item = const_cast<KeyItem*>(&first);
            return true;
        }
        if (second.Used && Helper::Equal(second.Key, key)) {
            item = const_cast<KeyItem*>(&second);
            return true;
        }
        return false;
    }

    // One displacement walk of at most EntryCount + 1 tries, starting at the
    // homeless item's first position. On failure homeless holds the item that
    // was evicted last.
    bool Place(KeyItem& homeless)
    {
        IArray<KeyItem>& slots = Slots();
        unsigned bound = EntryCount + 1;
        unsigned n = slots.Count();
        unsigned p = Helper::Hash1(homeless.Key, Seed) % n;
        for (unsigned tries = 0; tries < bound; ++tries) {
            KeyItem& slot = slots.At(p);
            if (!slot.Used) {
                slot = homeless;
                ++EntryCount;
                return true;
            }
            KeyItem evicted(slot);
            slot = homeless;
            homeless = evicted;
            // The evicted item goes to its other position; if both are this
            // slot it comes straight back and the exchange repeats.
            unsigned a1 = Helper::Hash1(homeless.Key, Seed) % n;
            unsigned a2 = Helper::Hash2(homeless.Key, Seed) % n;
            p = p == a1 ? a2 : a1;
        }
        return false;
    }

    // Doubles the slots under the next seed and re-places the old slots in
    // ascending order. An entry that moves is taken out and inserted again in
    // full, which may displace entries not yet visited or rehash once more.
    void Rehash()
    {
        ++Seed;
        IArray<KeyItem>& slots = Slots();
        unsigned old = slots.Count();
        if (old >= 0x80000000u)
            FatalError(); // slot counts beyond 2^31 are not representable
        Items.Resize(2 * old);
        for (unsigned i = 0; i < old; ++i) {
            KeyItem& slot = slots.At(i);
            if (!slot.Used)
                continue;
            if (Position1(slot.Key) == i || Position2(slot.Key) == i)
                continue;
            KeyItem item(slot);
            slot.Used = false;
            --EntryCount;
            // May grow the array again: slot is not used after this.
            Insert(item.Key, item.Value);
        }
    }

    SlotArray Items;
    unsigned EntryCount;
    unsigned Seed;
};

} // namespace common
} // namespace kz
