// RtArray: one-dimensional arrays of numbers or strings with checked element access.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <vector>

#include "conventional_memory.h"
#include "errors.h"
#include "low_memory.h"
#include "rt_string.h"

// Descriptor flags.
constexpr uint32_t kArrAllocated = 1;
constexpr uint32_t kArrCountsAsAllocated = 2;
constexpr uint32_t kArrConventional = 4;

// The index if it lies below the count (compared unsigned), else error 9 and 0: the failed
// access touches the first element and the statement runs on until its check.
uint32_t Arr_CheckIndex(int64_t index, int64_t count);

// One array: numbers live on the heap or, when asked, in the emulated conventional memory
// (arrays that need an address in the emulated machine, such as picture buffers); strings
// always live on the heap. The array's scope owns its elements.
template <class T>
struct RtArray {
    RtArray() = default;
    RtArray(const RtArray&) = delete;
    RtArray& operator=(const RtArray&) = delete;
    ~RtArray() {
        if ((flags & kArrConventional) != 0 && count > 0) Rt_ConventionalFree(address);
    }

    std::vector<T> heap;   // elements of a heap array
    uint32_t address = 0;  // LowMemory offset of the elements of a conventional array
    uint32_t flags = 0;
    int32_t lowerBound = 0;
    int32_t count = 0;  // upper bound - lower bound + 1
    int32_t dimensions = 0;
    T spare{};  // what a failed access of an array without elements touches
};

// Dimensions the array with bounds lower..upper, elements zero-filled (strings empty).
// A second dimensioning raises error 10; upper < lower raises error 9.
template <class T>
void Arr_Dim(RtArray<T>& array, int32_t lower, int32_t upper, bool conventional = false) {
    if (Err_IsPending()) return;
    if ((array.flags & (kArrAllocated | kArrCountsAsAllocated)) != 0) {
        Err_Raise(10);
        return;
    }
    if (upper < lower) {
        Err_Raise(9);
        return;
    }
    const int64_t count = static_cast<int64_t>(upper) - lower + 1;
    if constexpr (std::is_arithmetic_v<T>) {
        if (conventional) {
            const uint64_t bytes = static_cast<uint64_t>(count) * sizeof(T);
            if (bytes > kConventionalMaxRequest) Err_Raise(505);
            array.address = Rt_ConventionalAlloc(static_cast<uint32_t>(bytes));
            std::memset(Rt_LowMemory() + array.address, 0, static_cast<size_t>(bytes));
            array.flags = kArrAllocated | kArrConventional;
        }
    } else if (conventional) {
        Err_Raise(5);  // only numbers can live in the emulated machine's memory
        return;
    }
    if ((array.flags & kArrConventional) == 0) {
        try {
            array.heap.assign(static_cast<size_t>(count), T{});
        } catch (const std::bad_alloc&) {
            Err_Raise(257);
        } catch (const std::length_error&) {
            Err_Raise(257);
        }
        array.flags = kArrAllocated;
    }
    array.lowerBound = lower;
    array.count = static_cast<int32_t>(count);
    array.dimensions = 1;
}

// Releases the elements; the array may be dimensioned again.
template <class T>
void Arr_Erase(RtArray<T>& array) {
    if ((array.flags & kArrConventional) != 0 && array.count > 0)
        Rt_ConventionalFree(array.address);
    array.heap.clear();
    array.heap.shrink_to_fit();
    array.address = 0;
    array.flags = 0;
    array.count = 0;
    array.lowerBound = 0;
    array.dimensions = 0;
}

// Reads element `index` (error 9 and the first element when it lies outside the bounds).
template <class T>
T Arr_Get(const RtArray<T>& array, int64_t index) {
    const uint32_t at = Arr_CheckIndex(index - array.lowerBound, array.count);
    if (array.count == 0) return array.spare;
    if constexpr (std::is_arithmetic_v<T>) {
        if ((array.flags & kArrConventional) != 0) {
            T value{};
            std::memcpy(&value, Rt_LowMemory() + array.address + size_t{at} * sizeof(T), sizeof(T));
            return value;
        }
    }
    return array.heap[at];
}

// Writes element `index` (error 9 and the first element when it lies outside the bounds).
template <class T>
void Arr_Set(RtArray<T>& array, int64_t index, const T& value) {
    const uint32_t at = Arr_CheckIndex(index - array.lowerBound, array.count);
    if (array.count == 0) return;
    if constexpr (std::is_arithmetic_v<T>) {
        if ((array.flags & kArrConventional) != 0) {
            std::memcpy(Rt_LowMemory() + array.address + size_t{at} * sizeof(T), &value, sizeof(T));
            return;
        }
    }
    array.heap[at] = value;
}

// The element itself, for heap arrays (string arrays above all). Conventional arrays are
// reached through Arr_Get and Arr_Set only: asking one for a reference raises error 5.
template <class T>
T& Arr_Ref(RtArray<T>& array, int64_t index) {
    const uint32_t at = Arr_CheckIndex(index - array.lowerBound, array.count);
    if ((array.flags & kArrConventional) != 0) {
        Err_Raise(5);
        return array.spare;
    }
    if (array.count == 0) return array.spare;
    return array.heap[at];
}

// The first byte of the elements and their size in bytes (what a block put or a memory-image
// load works on).
template <class T>
uint8_t* Arr_Bytes(RtArray<T>& array) {
    static_assert(std::is_arithmetic_v<T>);
    if ((array.flags & kArrConventional) != 0) return Rt_LowMemory() + array.address;
    return reinterpret_cast<uint8_t*>(array.heap.data());
}
template <class T>
size_t Arr_SizeBytes(const RtArray<T>& array) {
    return static_cast<size_t>(array.count) * sizeof(T);
}
