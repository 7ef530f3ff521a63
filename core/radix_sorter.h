#pragma once
// A fixed-capacity table of (key, effect) pairs sorted by a stable byte-wise
// LSD radix sort: linear in the count, no allocation after construction.
#include <cstdint>
#include <memory>

class Effect;

struct SortPair {
    uint32_t key;
    Effect* effect;
};

class RadixSorter {
public:
    explicit RadixSorter(int32_t capacity);

    SortPair* items;    // pushes append here
    SortPair* scratch;  // every pass writes here; holds the result of sort()
    int32_t capacity;
    int32_t count = 0;

    // Appends a pair; does nothing once the table is full.
    void push(uint32_t key, Effect* effect);

    // Four passes, least significant byte first, exchanging the buffers between
    // passes. The fully sorted sequence ends in `scratch` (ascending unsigned
    // key, equal keys in insertion order); `items` keeps the order of the low
    // three bytes only.
    void sort();

private:
    void pass(int byte);

    std::unique_ptr<SortPair[]> first_;
    std::unique_ptr<SortPair[]> second_;
};
