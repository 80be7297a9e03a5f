// TItems: a growable array with valid indices 1..High. Element 0 always
// exists as a fallback: reading any index outside 1..High gives element 0, so
// an out-of-range read never fails and never leaves the storage.
#pragma once

#include <cstddef>
#include <utility>

namespace WLib {

// Capacity after growing storage of capacity cap so that index need - 1 fits:
// p = smallest power of two not below need, step = max(16, p / 2), new
// capacity = need + cap rounded up to a multiple of step, at least 16.
int ItemsGrowCapacity(int need, int cap);

template <typename T> class TItems {
public:
    TItems() { Reserve(0); }
    TItems(const TItems& other) { *this = other; }
    TItems& operator=(const TItems& other)
    {
        if (this == &other)
            return *this;
        T* fresh = new T[other.Cap];
        for (int i = 0; i < other.Cap; ++i)
            fresh[i] = other.Data[i];
        delete[] Data;
        Data = fresh;
        Cap = other.Cap;
        HighIndex = other.HighIndex;
        return *this;
    }
    ~TItems() { delete[] Data; }

    // Makes index i valid (High grows to i) and returns it; a negative i
    // returns 0 and changes nothing. Storage grows when i is not below the
    // capacity.
    int Reserve(int i)
    {
        if (i < 0)
            return 0;
        if (i >= Cap)
            Grow(i + 1);
        if (i > HighIndex)
            HighIndex = i;
        return i;
    }
    int Valid(int i) const { return (i > 0 && i <= HighIndex) ? i : 0; }
    T& At(int i) { return Data[Valid(i)]; }
    const T& At(int i) const { return Data[Valid(i)]; }
    T& operator[](int i) { return At(i); }
    const T& operator[](int i) const { return At(i); }
    // Appends at High + 1 and returns the new index.
    int Add(const T& value)
    {
        int i = Reserve(HighIndex + 1);
        Data[i] = value;
        return i;
    }
    // Forgets the elements (High = 0); the storage stays.
    void Clear() { HighIndex = 0; }

    int High() const { return HighIndex; }
    int Count() const { return HighIndex; }
    int Capacity() const { return Cap; }

private:
    void Grow(int need)
    {
        int cap = ItemsGrowCapacity(need, Cap);
        T* fresh = new T[cap];
        int keep = Cap < cap ? Cap : cap;
        for (int i = 0; i < keep; ++i)
            fresh[i] = Data[i];
        delete[] Data;
        Data = fresh;
        Cap = cap;
    }

    T* Data = nullptr;
    int Cap = 0;
    int HighIndex = 0;
};

// A memory block and its size in bytes.
struct TBlockMem {
    void* Mem = nullptr;
    size_t Size = 0;
};

} // namespace WLib
