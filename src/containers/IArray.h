#pragma once

namespace kz {
namespace common {

// A contiguous sequence of T reached through virtual calls, so that code which
// only fills or reads an array works with any implementation. The slot order of
// the operations is part of the design: destructor first, then AddRange .. At.
template <typename T>
class IArray {
public:
    virtual ~IArray() {}

    // Appends copies of count elements read from items. The range must not lie
    // inside this array, since growth may release the block that holds it.
    virtual void AddRange(const T* items, unsigned count) = 0;
    // Appends a copy of item (not an element of this array); returns its index.
    virtual unsigned Add(const T& item) = 0;
    // Removes one element; later ones move down one place.
    virtual void RemoveAt(unsigned index) = 0;
    // Removes one element in constant time; the last element takes its place.
    virtual void RemoveAtUnordered(unsigned index) = 0;
    // Removes the first count elements; removing at least Count() empties the array.
    virtual void RemoveFirst(unsigned count) = 0;
    // Removes the last element and returns a copy of it. The array must not be empty.
    virtual T PopLast() = 0;
    // Count becomes 0; the storage and its capacity stay.
    virtual void Clear() = 0;
    // Shortens the array to count elements; a larger count changes nothing.
    virtual void Truncate(unsigned count) = 0;
    // Makes room for at least capacity elements.
    virtual void Reserve(unsigned capacity) = 0;
    virtual unsigned Count() const = 0;
    virtual T* Data() = 0;
    // Bounds-checked access; an index not below Count() stops the process.
    virtual const T& At(unsigned index) const = 0;
    virtual T& At(unsigned index) = 0;

    void AddAll(const IArray<T>& other)
    {
        // Data() is not const in the interface; reading through it does not modify other.
        IArray<T>& source = const_cast<IArray<T>&>(other);
        AddRange(source.Data(), source.Count());
    }
};

} // namespace common
} // namespace kz
