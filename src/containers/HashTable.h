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

        // The key is value-initialised first, so that no compiler takes an
        // unused slot's key for one read uninitialised.
        KeyItem(const KeyItem& other) : Used(other.Used), Key(), Value(other.Value)
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
        InsertAbsent(key, value);
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

    // The slot count is a power of two, so the remainder is a mask.
    unsigned Mask() const { return Items.SlotArray::Count() - 1; }
    unsigned Position1(const K& key) const { return Helper::Hash1(key, Seed) & Mask(); }
    unsigned Position2(const K& key) const { return Helper::Hash2(key, Seed) & Mask(); }

    // Positions are always below the slot count, so lookups index the block
    // directly instead of through the bounds-tested At.
    KeyItem* SlotData() const { return const_cast<SlotArray&>(Items).SlotArray::Data(); }

    // The slot that holds key, or false with item null. The first position is
    // always examined first, and the second hash is computed only when the
    // first slot does not hold the key: most keys sit in their first slot.
    // The slot handed out is the table's own, so writing through it is allowed.
    // The first probe is small enough to be inlined into the caller; a call
    // would cost as much as the probe.
    [[gnu::always_inline]] bool FindItem(const K& key, KeyItem*& item) const
    {
        KeyItem* first = SlotData() + Position1(key);
        if (first->Used && Helper::Equal(first->Key, key)) {
            item = first;
            return true;
        }
        return FindSecond(key, item);
    }

    [[gnu::noinline]] bool FindSecond(const K& key, KeyItem*& item) const
    {
        KeyItem* second = SlotData() + Position2(key);
        if (second->Used && Helper::Equal(second->Key, key)) {
            item = second;
            return true;
        }
        item = nullptr;
        return false;
    }

    // Insert's placement, for a key known not to be in the table.
    void InsertAbsent(const K& key, const V& value)
    {
        KeyItem homeless(key, value);
        // A failed walk leaves some item homeless (not necessarily the new one);
        // it is placed again after the rehash.
        while (!Place(homeless))
            Rehash();
    }

    // One displacement walk of at most EntryCount + 1 tries, starting at the
    // homeless item's first position. On failure homeless holds the item that
    // was evicted last.
    bool Place(KeyItem& homeless)
    {
        KeyItem* slots = SlotData(); // a walk never grows the array
        unsigned bound = EntryCount + 1;
        unsigned p = Position1(homeless.Key);
        for (unsigned tries = 0; tries < bound; ++tries) {
            KeyItem& slot = slots[p];
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
            unsigned a1 = Position1(homeless.Key);
            p = p == a1 ? Position2(homeless.Key) : a1;
        }
        return false;
    }

    // Doubles the slots under the next seed and re-places the old slots in
    // ascending order. An entry that moves is taken out and inserted again in
    // full, which may displace entries not yet visited or rehash once more.
    void Rehash()
    {
        ++Seed;
        unsigned old = SlotCount();
        if (old >= 0x80000000u)
            FatalError(); // slot counts beyond 2^31 are not representable
        Items.Resize(2 * old);
        for (unsigned i = 0; i < old; ++i) {
            // Read afresh: an insertion below may have moved the slots.
            KeyItem& slot = SlotData()[i];
            if (!slot.Used)
                continue;
            if (Position1(slot.Key) == i || Position2(slot.Key) == i)
                continue;
            KeyItem item(slot);
            slot.Used = false;
            --EntryCount;
            // Keys are unique, so the one just taken out is absent: its
            // insertion starts at the placement. May grow the array again.
            InsertAbsent(item.Key, item.Value);
        }
    }

    SlotArray Items;
    unsigned EntryCount;
    unsigned Seed;
};

} // namespace common
} // namespace kz
