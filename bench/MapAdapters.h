#pragma once

// One interface over the request table and the maps it is measured against,
// all mapping unsigned request numbers to listener pointers.
#include "containers/HashTable.h"

#include <absl/container/flat_hash_map.h>
#include <tsl/robin_map.h>

#include <unordered_map>

struct Listener {
    int id;
};

struct TesmaMap {
    static constexpr const char* Name = "HashTable";
    kz::common::HashTable<unsigned int, Listener*> table;

    void Insert(unsigned key, Listener* value) { table.Insert(key, value); }
    bool Find(unsigned key, Listener*& value) const { return table.Find(key, value); }
    void Remove(unsigned key) { table.Remove(key); }
    double Slots() const { return table.SlotCount(); }
    double Entries() const { return table.GetEntryCount(); }
};

// The standard maps, used the way a game programmer would: insert_or_assign,
// find, erase by key.
template <typename Map>
struct StandardMap {
    Map map;

    void Insert(unsigned key, Listener* value) { map.insert_or_assign(key, value); }
    bool Find(unsigned key, Listener*& value) const
    {
        auto it = map.find(key);
        if (it == map.end())
            return false;
        value = it->second;
        return true;
    }
    void Remove(unsigned key) { map.erase(key); }
    double Slots() const { return map.bucket_count(); }
    double Entries() const { return map.size(); }
};

struct StdMap : StandardMap<std::unordered_map<unsigned, Listener*>> {
    static constexpr const char* Name = "std::unordered_map";
};

struct RobinMap : StandardMap<tsl::robin_map<unsigned, Listener*>> {
    static constexpr const char* Name = "tsl::robin_map";
};

struct AbslMap : StandardMap<absl::flat_hash_map<unsigned, Listener*>> {
    static constexpr const char* Name = "absl::flat_hash_map";
    double Slots() const { return map.capacity(); }
};
