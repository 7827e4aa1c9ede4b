// HybridArray against std::vector, for a plain element type (copied as bytes)
// and for the hash table's slots (copied element by element), always through
// the IArray interface as its users reach it. After every step the elements
// must be the model's and the capacity the one the growth rule gives: the
// smallest power of two, from 1, that holds what was asked for, never shrinking.

#include "FuzzCheck.h"

#include "containers/HashTable.h"
#include "containers/HybridArray.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <optional>
#include <vector>

namespace {

using Slot = kz::common::HashTable<unsigned int, unsigned int>::KeyItem;

// How each element type is made from the input and compared. An element that
// Resize brought into use is unset for plain types (nullopt in the model,
// never compared) and an unused slot for the hash table's.
struct PlainElements {
    using Element = unsigned int;
    static Element Make(FuzzedDataProvider& input) { return input.ConsumeIntegral<unsigned int>(); }
    static std::optional<Element> Fresh() { return std::nullopt; }
    static bool Same(const Element& actual, const std::optional<Element>& expected)
    {
        return !expected || actual == *expected;
    }
};

struct SlotElements {
    using Element = Slot;
    static Element Make(FuzzedDataProvider& input)
    {
        if (input.ConsumeIntegralInRange(0, 3) == 0)
            return Slot();
        const unsigned int key = input.ConsumeIntegral<unsigned int>();
        return Slot(key, input.ConsumeIntegral<unsigned int>());
    }
    static std::optional<Element> Fresh() { return Slot(); }
    static bool Same(const Element& actual, const std::optional<Element>& expected)
    {
        if (actual.Used != expected->Used)
            return false;
        return !actual.Used || (actual.Key == expected->Key && actual.Value == expected->Value);
    }
};

unsigned GrownCapacity(unsigned capacity, unsigned needed)
{
    if (needed <= capacity)
        return capacity;
    unsigned grown = capacity > 1 ? capacity : 1;
    while (grown < needed)
        grown *= 2;
    return grown;
}

template <typename Elements>
void Drive(FuzzedDataProvider& input)
{
    using T = typename Elements::Element;
    using Array = kz::common::HybridArray<T, 0, kz::common::StandardDataHelper<T>>;
    Array concrete;
    kz::common::IArray<T>& array = concrete;
    std::vector<std::optional<T>> model;
    unsigned capacity = 0;

    for (unsigned steps = 0; steps < 256 && input.remaining_bytes() != 0; ++steps) {
        const unsigned count = static_cast<unsigned>(model.size());
        switch (input.ConsumeIntegralInRange(0, 12)) {
        case 0: {
            const T item = Elements::Make(input);
            capacity = GrownCapacity(capacity, count + 1);
            FUZZ_CHECK(array.Add(item) == count);
            model.push_back(item);
            break;
        }
        case 1: {
            std::vector<T> items(input.ConsumeIntegralInRange<std::size_t>(0, 9));
            for (T& item : items)
                item = Elements::Make(input);
            capacity = GrownCapacity(capacity, count + static_cast<unsigned>(items.size()));
            array.AddRange(items.data(), static_cast<unsigned>(items.size()));
            model.insert(model.end(), items.begin(), items.end());
            break;
        }
        case 2:
            if (count != 0) {
                const unsigned index = input.ConsumeIntegralInRange<unsigned>(0, count - 1);
                array.RemoveAt(index);
                model.erase(model.begin() + index);
            }
            break;
        case 3:
            if (count != 0) {
                const unsigned index = input.ConsumeIntegralInRange<unsigned>(0, count - 1);
                array.RemoveAtUnordered(index);
                model[index] = model.back();
                model.pop_back();
            }
            break;
        case 4: {
            const unsigned n = input.ConsumeIntegralInRange<unsigned>(0, count + 2);
            array.RemoveFirst(n);
            model.erase(model.begin(), model.begin() + std::min(n, count));
            break;
        }
        case 5:
            if (count != 0) {
                const T last = array.PopLast();
                FUZZ_CHECK(Elements::Same(last, model.back()));
                model.pop_back();
            }
            break;
        case 6:
            array.Clear();
            model.clear();
            break;
        case 7: {
            const unsigned n = input.ConsumeIntegralInRange<unsigned>(0, count + 2);
            array.Truncate(n);
            if (n <= count)
                model.resize(n);
            break;
        }
        case 8: {
            const unsigned n = input.ConsumeIntegralInRange<unsigned>(0, 300);
            capacity = GrownCapacity(capacity, n);
            array.Reserve(n);
            break;
        }
        case 9: {
            const unsigned n = input.ConsumeIntegralInRange<unsigned>(0, 300);
            capacity = GrownCapacity(capacity, n);
            concrete.Resize(n);
            model.resize(n, Elements::Fresh());
            break;
        }
        case 10:
            if (count != 0) {
                const unsigned index = input.ConsumeIntegralInRange<unsigned>(0, count - 1);
                const T item = Elements::Make(input);
                array.At(index) = item;
                model[index] = item;
            }
            break;
        default: {
            // Assignment and AddAll from another array: a copy is an empty
            // array followed by the assignment.
            Array other;
            std::vector<std::optional<T>> otherModel(input.ConsumeIntegralInRange<std::size_t>(0, 12));
            for (auto& item : otherModel) {
                item = Elements::Make(input);
                other.Add(*item);
            }
            const unsigned n = static_cast<unsigned>(otherModel.size());
            if (input.ConsumeBool()) {
                concrete = other;
                model = otherModel;
                capacity = GrownCapacity(capacity, n);
            } else {
                array.AddAll(other);
                model.insert(model.end(), otherModel.begin(), otherModel.end());
                capacity = GrownCapacity(capacity, count + n);
            }
            break;
        }
        }
        FUZZ_CHECK(array.Count() == model.size());
        FUZZ_CHECK(concrete.Capacity() == capacity);
        FUZZ_CHECK(array.Data() != nullptr);
        const kz::common::IArray<T>& constant = array;
        for (unsigned i = 0; i < model.size(); ++i) {
            FUZZ_CHECK(Elements::Same(constant.At(i), model[i]));
            FUZZ_CHECK(&constant.At(i) == array.Data() + i);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    if (input.ConsumeBool())
        Drive<PlainElements>(input);
    else
        Drive<SlotElements>(input);
    return 0;
}
